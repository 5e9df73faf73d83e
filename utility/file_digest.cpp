#include "utility/file_digest.h"

#include "common/log.h"
#include "common/unique_handle.h"

#include <windows.h>
#include <wincrypt.h>

namespace utility {
namespace ufile {

namespace {

// Owners of the CryptoAPI provider and hash.
struct CryptProvider {
    HCRYPTPROV handle = 0;
    ~CryptProvider()
    {
        if (handle) ::CryptReleaseContext(handle, 0);
    }
};

struct CryptHash {
    HCRYPTHASH handle = 0;
    ~CryptHash()
    {
        if (handle) ::CryptDestroyHash(handle);
    }
};

wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

} // namespace

bool md5OfFile(const std::wstring& path, std::wstring& hexDigest)
{
    common::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        WRITE_LOG(L"open file for md5 failed! file = %s error = %d.", path.c_str(), static_cast<int>(::GetLastError()));
        return false;
    }
    CryptProvider provider;
    CryptHash hash;
    if (!::CryptAcquireContextW(&provider.handle, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !::CryptCreateHash(provider.handle, CALG_MD5, 0, 0, &hash.handle)) {
        WRITE_LOG(L"md5 not available! error = %d.", static_cast<int>(::GetLastError()));
        return false;
    }
    static const DWORD kBlock = 64 * 1024;
    BYTE block[kBlock];
    DWORD got = 0;
    for (;;) {
        if (!::ReadFile(file.get(), block, kBlock, &got, nullptr)) {
            WRITE_LOG(L"read file for md5 failed! file = %s error = %d.", path.c_str(),
                      static_cast<int>(::GetLastError()));
            return false;
        }
        if (got == 0) break;
        if (!::CryptHashData(hash.handle, block, got, 0)) return false;
    }
    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (!::CryptGetHashParam(hash.handle, HP_HASHVAL, digest, &size, 0) || size != sizeof(digest)) return false;
    static const wchar_t kHex[] = L"0123456789abcdef";
    hexDigest.clear();
    for (BYTE b : digest) {
        hexDigest.push_back(kHex[b >> 4]);
        hexDigest.push_back(kHex[b & 15]);
    }
    return true;
}

bool isMd5Text(const std::wstring& text)
{
    if (text.size() != 32) return false;
    for (wchar_t c : text) {
        const wchar_t l = lower(c);
        if (!((l >= L'0' && l <= L'9') || (l >= L'a' && l <= L'f'))) return false;
    }
    return true;
}

bool sameMd5(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

} // namespace ufile
} // namespace utility
