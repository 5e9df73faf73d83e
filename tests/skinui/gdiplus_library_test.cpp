// Which side-by-side copy of GDI+ the painter takes where the system folder
// has none (Windows XP), and that the painter's GDI+ is the system's.

#include "platform/delay_load.h"
#include "skinui/gdiplus_library.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct SideBySideCase {
    const wchar_t* folder;
    std::uint64_t version;
};

constexpr std::uint64_t v(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t d)
{
    return (a << 48) | (b << 32) | (c << 16) | d;
}

TEST(GdiplusLibrary, SideBySideFolderVersions)
{
    const SideBySideCase cases[] = {
        {L"x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_1.0.2600.5512_x-ww_dfb54e0c", v(1, 0, 2600, 5512)},
        {L"x86_microsoft.windows.gdiplus_6595b64144ccf1df_1.1.7601.17514_none_72d18a4386696c80",
         v(1, 1, 7601, 17514)},
        {L"amd64_microsoft.windows.gdiplus_6595b64144ccf1df_1.0.19041.1_none_0", v(1, 0, 19041, 1)},
        {L"x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_1.0.2600", 0},            // three parts
        {L"x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_1.0.2600.99999_x-ww", 0}, // part too big
        {L"x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_1.0.2600.5512x_x-ww", 0}, // stray text
        {L"x86_Microsoft.Windows.GdiPlus_0000000000000000_1.0.2600.5512_x-ww", 0},  // not Microsoft's key
        {L"", 0},
    };
    for (const SideBySideCase& c : cases)
        EXPECT_EQ(SkinUI::sideBySideVersion(c.folder), c.version) << std::wstring(c.folder).size();
    // Newer builds compare greater part by part, not as text.
    EXPECT_GT(SkinUI::sideBySideVersion(L"x86_m_6595b64144ccf1df_1.0.10000.0_x"),
              SkinUI::sideBySideVersion(L"x86_m_6595b64144ccf1df_1.0.9999.9_x"));
}

TEST(GdiplusLibrary, LoadedFromTheSystemFolder)
{
    ASSERT_TRUE(SkinUI::loadGdiplus());
    const HMODULE module = ::GetModuleHandleW(L"gdiplus.dll");
    ASSERT_NE(module, nullptr);
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(module, path, MAX_PATH), 0u);
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(_wcsnicmp(path, system, n), 0) << path;
}

// The hook the delay-load stubs ask: the system folder's copy by full path,
// nothing for a name that is not a bare library name.
TEST(DelayLoadHook, GivesTheSystemFoldersCopyOfABareLibraryNameOnly)
{
    wchar_t system[MAX_PATH] = {};
    const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_GT(n, 0u);
    struct Case {
        const char* name;
        unsigned notice;
        bool loads;
    };
    const Case cases[] = {
        {"ws2_32.dll", dliNotePreLoadLibrary, true},      {"SHLWAPI.DLL", dliNotePreLoadLibrary, true},
        {"ws2_32.dll", dliNotePreGetProcAddress, false}, {"..\\ws2_32.dll", dliNotePreLoadLibrary, false},
        {"sub/ws2_32.dll", dliNotePreLoadLibrary, false}, {"kolvex-missing.dll", dliNotePreLoadLibrary, false},
        {"ws2_32\xE9.dll", dliNotePreLoadLibrary, false},
    };
    for (const Case& c : cases) {
        DelayLoadInfo info = {};
        info.cb = sizeof(info);
        info.szDll = c.name;
        const FARPROC answer = platform::systemFolderDelayLoad(c.notice, &info);
        HMODULE module = nullptr;
        std::memcpy(&module, &answer, sizeof module);
        EXPECT_EQ(module != nullptr, c.loads) << c.name;
        if (!module) continue;
        wchar_t path[MAX_PATH] = {};
        ASSERT_GT(::GetModuleFileNameW(module, path, MAX_PATH), 0u);
        EXPECT_EQ(_wcsnicmp(path, system, n), 0) << path;
        ::FreeLibrary(module);
    }
}

} // namespace
