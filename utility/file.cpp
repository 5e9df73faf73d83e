#include "utility/file.h"

#include "common/log.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>

namespace utility {
namespace ufile {

namespace {

constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::mutex g_moduleLock;
std::wstring g_modulePathOverride;

} // namespace

bool moveFile(const std::wstring& from, const std::wstring& to)
{
    if (::MoveFileExW(from.c_str(), to.c_str(), kMoveFlags)) return true;
    WRITE_LOG(L"move file from [ %s ] to [ %s ] flag = %d failed! error = %d.", from.c_str(), to.c_str(),
              static_cast<int>(kMoveFlags), static_cast<int>(::GetLastError()));
    return false;
}

void removeFile(const std::wstring& path)
{
    if (::DeleteFileW(path.c_str())) return;
    WRITE_LOG(L"removeFile file from [ %s ] error = %d.", path.c_str(), static_cast<int>(::GetLastError()));
}

void makeDir(const std::wstring& path)
{
    if (pathExists(path)) return;
    // The shell call only understands backslashes.
    std::wstring native = path;
    for (wchar_t& c : native)
        if (c == L'/') c = L'\\';
    const int result = ::SHCreateDirectory(nullptr, native.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS) WRITE_LOG(L"make dir failed! error = %d.", result);
}

bool pathExists(const std::wstring& path) { return ::PathFileExistsW(path.c_str()) != FALSE; }

std::wstring modulePath()
{
    {
        std::lock_guard<std::mutex> guard(g_moduleLock);
        if (!g_modulePathOverride.empty()) return g_modulePathOverride;
    }
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring(); // longer paths are not supported
    return std::wstring(buffer, n);
}

void setModulePathForTesting(const std::wstring& path)
{
    std::lock_guard<std::mutex> guard(g_moduleLock);
    g_modulePathOverride = path;
}

std::wstring moduleFolder() { return parentFolder(modulePath()); }

std::wstring parentFolder(const std::wstring& path)
{
    if (path.size() <= 1) return std::wstring();
    std::wstring trimmed = path;
    if (isSeparator(trimmed.back())) trimmed.pop_back();
    std::size_t at = trimmed.rfind(L'\\');
    if (at == std::wstring::npos) at = trimmed.rfind(L'/');
    if (at == std::wstring::npos) return std::wstring();
    return trimmed.substr(0, at + 1);
}

std::wstring fileTitle(const std::wstring& path)
{
    std::size_t at = path.rfind(L'\\');
    if (at == std::wstring::npos) at = path.rfind(L'/');
    if (at == std::wstring::npos) return std::wstring();
    std::wstring name = path.substr(at + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

bool isPathPrefix(const std::wstring& first, const std::wstring& second)
{
    std::size_t j = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (isSeparator(first[i])) continue;
        while (j < second.size() && isSeparator(second[j])) ++j;
        if (j >= second.size() || second[j] != first[i]) return false;
        ++j;
    }
    return true;
}

} // namespace ufile
} // namespace utility
