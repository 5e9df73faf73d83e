#pragma once
// Libraries come from the system folder only. The installer runs elevated
// from a folder that other programs can write into (downloads), and Windows
// looks for a library named without a folder in the program's folder first.
//
// restrictLibrarySearch() is the first call of every program entry; every
// library loaded at run time goes through loadSystemLibrary().

#include "platform/win_proc.h"

#include <windows.h>

#include <string>

namespace platform {

// Full path of a file in the system folder; empty when the folder is unknown.
inline std::wstring systemFolderFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring path(folder, n);
    if (path.back() != L'\\') path += L'\\';
    return path + name;
}

// Loads a library by its full path; the libraries it imports are then looked
// for in its own folder first. Null on failure (GetLastError tells why).
inline HMODULE loadLibraryAt(const std::wstring& path)
{
    if (path.empty() || path.find(L'\\') == std::wstring::npos) return nullptr; // never a bare name
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

inline HMODULE loadSystemLibrary(const wchar_t* name) { return loadLibraryAt(systemFolderFile(name)); }

// Owner of a library loaded at run time.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) : module_(loadSystemLibrary(name)) {}
    ~SystemLibrary()
    {
        if (module_) ::FreeLibrary(module_);
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

enum class LibrarySearch {
    SystemFolderOnly, // SetDefaultDllDirectories (Windows 8, and 7/Vista with its update)
    NoCurrentFolder,  // SetDllDirectoryW(L"") (XP SP1 on): the program's folder is still searched
    Unchanged,
};

// Narrows where libraries named without a folder are looked for, as far as
// the running Windows allows. Both functions are looked up: neither is on
// every system the installer starts on.
inline LibrarySearch restrictLibrarySearch()
{
    // kernel32 is always loaded: asking for it searches no folder.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL WINAPI(DWORD);
    const DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto setDefault = procAddress<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32)) return LibrarySearch::SystemFolderOnly;
    using SetDllDirectoryFn = BOOL WINAPI(LPCWSTR);
    if (auto setDirectory = procAddress<SetDllDirectoryFn>(kernel, "SetDllDirectoryW"))
        if (setDirectory(L"")) return LibrarySearch::NoCurrentFolder;
    return LibrarySearch::Unchanged;
}

} // namespace platform
