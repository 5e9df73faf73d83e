// The installer's windows as Windows sees them, for the window tests: under
// Xvfb without a window manager an X window tells neither whether a window
// is minimised nor whether a closed one is gone, and nothing on X can
// minimise a window. Runs in the installer's Wine prefix.
//
//   window-probe list CLASS       one line per top-level window of the
//                                 process that owns a window of CLASS:
//                                 "CLASS visible=V iconic=I enabled=E foreground=F"
//   window-probe minimize CLASS   minimises that window and waits until it
//                                 is; prints its line
//   window-probe dpi CLASS N      tells that window it moved to a monitor of
//                                 N DPI (WM_DPICHANGED, no suggested
//                                 rectangle); prints "WxH" of it after
// Exit code 0 when the window of CLASS was found (and, for minimize, is
// minimised), 1 otherwise, 2 for a wrong command line.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Listing {
    DWORD process = 0;
};

std::wstring classOf(HWND window)
{
    wchar_t name[256] = {};
    const int n = ::GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

void printWindow(HWND window)
{
    std::wprintf(L"%ls visible=%d iconic=%d enabled=%d foreground=%d\n", classOf(window).c_str(),
                 ::IsWindowVisible(window) ? 1 : 0, ::IsIconic(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
                 ::GetForegroundWindow() == window ? 1 : 0);
}

BOOL CALLBACK listOne(HWND window, LPARAM data)
{
    const Listing* listing = reinterpret_cast<const Listing*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == listing->process) printWindow(window);
    return TRUE;
}

// The first visible top-level window of the class; a hidden one when none
// is visible.
HWND findWindow(const wchar_t* className)
{
    HWND hidden = nullptr;
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        if (::IsWindowVisible(window)) return window;
        if (!hidden) hidden = window;
    }
    return hidden;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3 && !(argc == 4 && std::wstring(argv[1]) == L"dpi")) {
        std::fwprintf(stderr, L"usage: window-probe list|minimize CLASS | dpi CLASS N\n");
        return 2;
    }
    const std::wstring command = argv[1];
    HWND window = findWindow(argv[2]);
    if (!window) {
        std::fwprintf(stderr, L"no window of class %ls\n", argv[2]);
        return 1;
    }
    if (command == L"list") {
        Listing listing;
        ::GetWindowThreadProcessId(window, &listing.process);
        ::EnumWindows(listOne, reinterpret_cast<LPARAM>(&listing));
        return 0;
    }
    if (command == L"minimize") {
        ::ShowWindow(window, SW_MINIMIZE);
        for (int i = 0; i < 100 && !::IsIconic(window); ++i) ::Sleep(20);
        printWindow(window);
        return ::IsIconic(window) ? 0 : 1;
    }
    if (command == L"dpi") {
        const int dpi = _wtoi(argv[3]);
        ::SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), 0);
        RECT r;
        ::GetWindowRect(window, &r);
        std::wprintf(L"%ldx%ld\n", r.right - r.left, r.bottom - r.top);
        return 0;
    }
    std::fwprintf(stderr, L"unknown command %ls\n", command.c_str());
    return 2;
}
