#include "utility/system.h"

#include "common/log.h"
#include "utility/link_path.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>

namespace utility {
namespace usystem {

namespace {

std::atomic<unsigned long> g_testMajor{0};

} // namespace

unsigned long osMajorVersion()
{
    const unsigned long forced = g_testMajor.load();
    if (forced != 0) return forced;
    // The extended structure first; very old systems only know the basic one.
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return extended.dwMajorVersion;
    OSVERSIONINFOW basic = {};
    basic.dwOSVersionInfoSize = sizeof(basic);
    if (::GetVersionExW(&basic)) return basic.dwMajorVersion;
    return 0;
}

bool isVistaOrLater() { return osMajorVersion() > 5; }

void setOsMajorVersionForTesting(unsigned long major) { g_testMajor.store(major); }

void showWndOnTop(HWND window)
{
    WRITE_LOG(L"showWndOnTop begin");
    if (::IsIconic(window)) {
        WRITE_LOG(L"11111");
        ::SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        WRITE_LOG(L"22222");
    } else {
        const LONG exStyle = ::GetWindowLongW(window, GWL_EXSTYLE);
        WRITE_LOG(L"33333");
        if (exStyle & WS_EX_TOPMOST) {
            ::ShowWindow(window, SW_SHOW);
            WRITE_LOG(L"444444");
        } else {
            ::SetForegroundWindow(window);
            ::BringWindowToTop(window);
            WRITE_LOG(L"55555");
            // Topmost and at once not topmost: above every normal window
            // without staying topmost.
            const UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW;
            ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
            ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        }
    }
    WRITE_LOG(L"showWndOnTop end");
}

namespace {

// The way links were opened before elevation was considered: the handler of
// the address, else Internet Explorer with the address.
void openInThisProcess(const std::wstring& url)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = url.c_str();
    info.nShow = SW_SHOW;
    if (::ShellExecuteExW(&info)) return;
    const DWORD error = ::GetLastError();
    // ShellExecuteW reports success as a value above 32.
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", L"iexplore.exe", url.c_str(), nullptr, SW_SHOW));
    WRITE_LOG(L"no handler took the address (error %lu); Internet Explorer: %d", error, static_cast<int>(result));
}

} // namespace

void openUrl(const std::wstring& url)
{
    const LinkSeams& seams = linkSeams();
    const LinkChoice choice = chooseLinkPath(seams.facts ? seams.facts() : currentLinkFacts());
    if (choice.path == LinkPath::OwnProcess) {
        WRITE_LOG(L"link opened by this process (%s): %s", choice.reason, url.c_str());
        openInThisProcess(url);
        return;
    }
    // As in this process: an address no program takes goes to Internet Explorer.
    const bool handled = schemeHasHandler(url);
    const std::wstring file = handled ? url : L"iexplore.exe";
    const std::wstring parameters = handled ? std::wstring() : url;
    const DesktopShellResult result =
        seams.desktopShell ? seams.desktopShell(file, parameters) : executeThroughDesktopShell(file, parameters);
    if (result.ok()) {
        WRITE_LOG(L"link opened through the desktop's shell (%s): %s%s", choice.reason,
                  handled ? L"" : L"iexplore.exe ", url.c_str());
        return;
    }
    WRITE_LOG(L"link opened by this process (the desktop's shell failed at %s, 0x%08lX): %s",
              desktopShellStepName(result.failedAt), static_cast<unsigned long>(result.error), url.c_str());
    openInThisProcess(url);
}

} // namespace usystem
} // namespace utility
