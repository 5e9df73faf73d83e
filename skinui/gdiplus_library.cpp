#include "skinui/gdiplus_library.h"

#include "platform/delay_load.h"
#include "platform/system_library.h"
#include "skinui/resources.h"

#include <windows.h>

#include <cstring>
#include <mutex>

namespace SkinUI {

namespace {

HMODULE g_gdiplus = nullptr;

#ifdef _WIN64
const wchar_t kSideBySidePattern[] = L"\\WinSxS\\amd64_Microsoft.Windows.GdiPlus_6595b64144ccf1df_*";
#else
const wchar_t kSideBySidePattern[] = L"\\WinSxS\\x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_*";
#endif

// Windows XP keeps GDI+ only in its side-by-side store (below the Windows
// folder, which only administrators can write).
std::wstring newestSideBySideCopy()
{
    wchar_t windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    const std::wstring base = std::wstring(windows, n);
    WIN32_FIND_DATAW found = {};
    const HANDLE search = ::FindFirstFileW((base + kSideBySidePattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring best;
    std::uint64_t bestVersion = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const std::uint64_t version = sideBySideVersion(found.cFileName);
        const std::wstring file = base + L"\\WinSxS\\" + found.cFileName + L"\\gdiplus.dll";
        if (version > bestVersion && ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
            bestVersion = version;
            best = file;
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return best;
}

// The delay-load stubs ask before they load a library by its bare name;
// the program's other delay-loaded libraries keep the system folder's copy.
FARPROC WINAPI delayLoadNotice(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll || ::lstrcmpiA(info->szDll, "gdiplus.dll") != 0)
        return platform::systemFolderDelayLoad(notice, info);
    FARPROC module = nullptr;
    static_assert(sizeof(module) == sizeof(g_gdiplus), "a module handle travels as the answer");
    std::memcpy(&module, &g_gdiplus, sizeof module);
    return module;
}

} // namespace

std::uint64_t sideBySideVersion(const std::wstring& folderName)
{
    static const wchar_t kKey[] = L"6595b64144ccf1df_";
    std::wstring lower = folderName;
    for (wchar_t& c : lower)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    const std::size_t at = lower.find(kKey);
    if (at == std::wstring::npos) return 0;
    std::size_t i = at + (sizeof(kKey) / sizeof(kKey[0]) - 1);
    std::uint64_t version = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (i >= lower.size() || lower[i] != L'.') return 0;
            ++i;
        }
        std::uint32_t value = 0;
        const std::size_t start = i;
        while (i < lower.size() && lower[i] >= L'0' && lower[i] <= L'9' && i - start < 5)
            value = value * 10 + static_cast<std::uint32_t>(lower[i++] - L'0');
        if (i == start || value > 0xFFFF) return 0;
        version = (version << 16) | value;
    }
    return i < lower.size() && lower[i] != L'_' ? 0 : version;
}

bool loadGdiplus()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_gdiplus = platform::loadSystemLibrary(L"gdiplus.dll");
        if (!g_gdiplus) g_gdiplus = platform::loadLibraryAt(newestSideBySideCopy());
        if (!g_gdiplus) {
            SKINUI_TRACE(L"gdiplus.dll is in neither the system folder nor its side-by-side store");
            return;
        }
        __pfnDliNotifyHook2 = delayLoadNotice;
    });
    return g_gdiplus != nullptr;
}

} // namespace SkinUI
