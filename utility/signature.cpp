#include "utility/signature.h"

#include "platform/system_library.h"
#include "platform/win_proc.h"
#include "utility/sha256.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>

namespace utility {
namespace signature {

namespace {

// WINTRUST_ACTION_GENERIC_VERIFY_V2: Authenticode.
GUID genericVerifyV2() { return {0x00AAC56B, 0xCD44, 0x11D0, {0x8C, 0xC2, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}}; }

// A signer's identity is small; more means a broken or hostile file.
constexpr DWORD kMaxSignerInfo = 64 * 1024;

template <typename Fn>
using ProcPointer = typename platform::WinApiFunction<Fn>::Pointer;

using WinVerifyTrustFn = LONG WINAPI(HWND, GUID*, LPVOID);
using CryptQueryObjectFn = BOOL WINAPI(DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*, DWORD*,
                                       HCERTSTORE*, HCRYPTMSG*, const void**);
using CryptMsgGetParamFn = BOOL WINAPI(HCRYPTMSG, DWORD, DWORD, void*, DWORD*);
using CryptMsgCloseFn = BOOL WINAPI(HCRYPTMSG);
using CertCloseStoreFn = BOOL WINAPI(HCERTSTORE, DWORD);
using CertGetSubjectFn = PCCERT_CONTEXT WINAPI(HCERTSTORE, DWORD, PCERT_INFO);
using CertFreeFn = BOOL WINAPI(PCCERT_CONTEXT);

template <typename Fn>
ProcPointer<Fn> procIn(const platform::SystemLibrary& library, const char* name)
{
    return platform::procAddress<Fn>(library.get(), name);
}

// The system's verifier: both libraries from the system folder, every
// function found, or nothing.
struct Verifier {
    platform::SystemLibrary wintrust{L"wintrust.dll"};
    platform::SystemLibrary crypt32{L"crypt32.dll"};
    ProcPointer<WinVerifyTrustFn> verifyTrust = procIn<WinVerifyTrustFn>(wintrust, "WinVerifyTrust");
    ProcPointer<CryptQueryObjectFn> queryObject = procIn<CryptQueryObjectFn>(crypt32, "CryptQueryObject");
    ProcPointer<CryptMsgGetParamFn> msgGetParam = procIn<CryptMsgGetParamFn>(crypt32, "CryptMsgGetParam");
    ProcPointer<CryptMsgCloseFn> msgClose = procIn<CryptMsgCloseFn>(crypt32, "CryptMsgClose");
    ProcPointer<CertCloseStoreFn> closeStore = procIn<CertCloseStoreFn>(crypt32, "CertCloseStore");
    ProcPointer<CertGetSubjectFn> subjectCertificate =
        procIn<CertGetSubjectFn>(crypt32, "CertGetSubjectCertificateFromStore");
    ProcPointer<CertFreeFn> freeCertificate = procIn<CertFreeFn>(crypt32, "CertFreeCertificateContext");

    bool complete() const
    {
        return verifyTrust && queryObject && msgGetParam && msgClose && closeStore && subjectCertificate &&
               freeCertificate;
    }
};

// Owners of what CryptQueryObject hands out.
struct QueriedSignature {
    const Verifier& verifier;
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    ~QueriedSignature()
    {
        if (message) verifier.msgClose(message);
        if (store) verifier.closeStore(store, 0);
    }
};

struct Certificate {
    const Verifier& verifier;
    PCCERT_CONTEXT context = nullptr;
    ~Certificate()
    {
        if (context) verifier.freeCertificate(context);
    }
};

LONG verifyTrust(const Verifier& verifier, const std::wstring& path, HANDLE file)
{
    WINTRUST_FILE_INFO fileInfo = {};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    // No revocation look-up over the network at install time: the pinned
    // list is what retires a publisher (a build with a new list).
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    GUID action = genericVerifyV2();
    return verifier.verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

// SHA-256 of the first signer's certificate as embedded in the file.
std::string signerDigest(const Verifier& verifier, const std::wstring& path)
{
    QueriedSignature signature{verifier};
    DWORD encoding = 0, contentType = 0, formatType = 0;
    if (!verifier.queryObject(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                              CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType,
                              &signature.store, &signature.message, nullptr))
        return std::string();
    DWORD size = 0;
    if (!verifier.msgGetParam(signature.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, nullptr, &size) || size == 0 ||
        size > kMaxSignerInfo)
        return std::string();
    std::vector<BYTE> buffer(size);
    if (!verifier.msgGetParam(signature.message, CMSG_SIGNER_CERT_INFO_PARAM, 0, buffer.data(), &size))
        return std::string();
    // CertGetSubjectCertificateFromStore looks only at the issuer and serial number.
    PCERT_INFO signer = reinterpret_cast<PCERT_INFO>(buffer.data());
    Certificate certificate{verifier};
    certificate.context =
        verifier.subjectCertificate(signature.store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, signer);
    if (!certificate.context || !certificate.context->pbCertEncoded || certificate.context->cbCertEncoded == 0)
        return std::string();
    return Sha256::hex(Sha256::of(certificate.context->pbCertEncoded, certificate.context->cbCertEncoded));
}

} // namespace

common::UniqueHandle holdUnchanged(const std::wstring& path)
{
    return common::UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

Evidence examine(const std::wstring& path)
{
    Evidence evidence;
    const Verifier verifier;
    evidence.verifierLoaded = verifier.complete();
    if (!evidence.verifierLoaded) return evidence;
    // Held for both looks, so that both see the same bytes.
    const common::UniqueHandle file = holdUnchanged(path);
    evidence.opened = static_cast<bool>(file);
    if (!evidence.opened) return evidence;
    evidence.trustResult = verifyTrust(verifier, path, file.get());
    evidence.signerDigest = signerDigest(verifier, path);
    return evidence;
}

Verdict check(const std::wstring& path, const std::vector<std::string>& accepted, Evidence* seen)
{
    const Evidence evidence = examine(path);
    if (seen) *seen = evidence;
    return decide(evidence, accepted);
}

} // namespace signature
} // namespace utility
