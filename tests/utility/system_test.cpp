// The desktop helpers: bringing a minimised, a topmost and a normal window
// forward with their log sequences, and an address without a handler
// opened by Internet Explorer (a journaling stand-in in the test prefix).

#include "log_capture.h"
#include "message_pump.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/system.h"

#include "common/unique_reg_key.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kOnTop[] = "utility::usystem::showWndOnTop";

LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// A visible top-level window of this thread, destroyed with the object.
class PlainWindow {
public:
    explicit PlainWindow(DWORD exStyle, int x)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &plainProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KolvexSystemTestWindow";
        ::RegisterClassW(&wc); // once per process; later calls fail harmlessly
        hwnd_ = ::CreateWindowExW(exStyle, wc.lpszClassName, L"plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 100, 300,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~PlainWindow()
    {
        if (hwnd_) ::DestroyWindow(hwnd_);
    }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

std::vector<std::string> messagesSince(const testing_support::LogCapture& log)
{
    std::vector<std::string> messages;
    for (const auto& entry : log.waitFor(kOnTop, "showWndOnTop end")) messages.push_back(entry.message);
    return messages;
}

bool topmost(HWND w) { return (::GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// True when a lies above b in the z-order.
bool above(HWND a, HWND b)
{
    for (HWND w = ::GetWindow(b, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        if (w == a) return true;
    return false;
}

} // namespace

TEST(ShowWndOnTopTest, MinimisedWindowIsRestoredWithoutForegroundCalls)
{
    PlainWindow window(0, 100);
    ASSERT_TRUE(window.get());
    ::ShowWindow(window.get(), SW_MINIMIZE);
    testing_support::pumpFor(100);
    ASSERT_TRUE(::IsIconic(window.get()));
    testing_support::LogCapture log;
    utility::usystem::showWndOnTop(window.get());
    EXPECT_EQ(messagesSince(log), (std::vector<std::string>{"showWndOnTop begin", "11111", "22222", "showWndOnTop end"}));
    EXPECT_FALSE(::IsIconic(window.get()));
}

TEST(ShowWndOnTopTest, TopmostWindowIsOnlyShown)
{
    PlainWindow window(WS_EX_TOPMOST, 120);
    ASSERT_TRUE(window.get());
    ::ShowWindow(window.get(), SW_HIDE);
    testing_support::LogCapture log;
    utility::usystem::showWndOnTop(window.get());
    EXPECT_EQ(messagesSince(log), (std::vector<std::string>{"showWndOnTop begin", "33333", "444444", "showWndOnTop end"}));
    EXPECT_TRUE(::IsWindowVisible(window.get()));
    EXPECT_TRUE(topmost(window.get()));
}

TEST(ShowWndOnTopTest, NormalWindowEndsAboveOthersButNotTopmost)
{
    PlainWindow window(0, 140);
    PlainWindow other(0, 160); // created later: above the first
    ASSERT_TRUE(window.get() && other.get());
    testing_support::pumpFor(50);
    ASSERT_TRUE(above(other.get(), window.get()));
    testing_support::LogCapture log;
    utility::usystem::showWndOnTop(window.get());
    EXPECT_EQ(messagesSince(log), (std::vector<std::string>{"showWndOnTop begin", "33333", "55555", "showWndOnTop end"}));
    EXPECT_FALSE(topmost(window.get()));
    EXPECT_TRUE(above(window.get(), other.get()));
}

namespace {

const wchar_t kOverrides[] = L"Software\\Wine\\DllOverrides";

// Puts a journaling stand-in where the shell finds "iexplore.exe" (the
// system folder of the test prefix comes first in its search) and the
// original back afterwards. Wine runs its own program for a name in the
// system folder unless the prefix's overrides ask for the file.
class BrowserStandin {
public:
    BrowserStandin()
    {
        common::UniqueRegKey overrides;
        if (::RegCreateKeyW(HKEY_CURRENT_USER, kOverrides, overrides.out()) == ERROR_SUCCESS)
            ::RegSetValueExW(overrides.get(), L"iexplore.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"native"),
                             7 * sizeof(wchar_t));
        wchar_t system[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
        folder_ = std::wstring(system, n < MAX_PATH ? n : 0) + L"\\";
        backup_ = testing_support::scratchFolder() + L"iexplore.original";
        saved_ = ::CopyFileW((folder_ + L"iexplore.exe").c_str(), backup_.c_str(), FALSE) != FALSE;
        ::DeleteFileW(journal().c_str());
        testing_support::copyStandinAs(folder_, L"iexplore.exe");
    }
    ~BrowserStandin()
    {
        const std::wstring browser = folder_ + L"iexplore.exe";
        // The stand-in may still be ending.
        testing_support::pumpUntil(
            [&] {
                return saved_ ? ::CopyFileW(backup_.c_str(), browser.c_str(), FALSE) != FALSE
                              : ::DeleteFileW(browser.c_str()) != FALSE;
            },
            5000);
        ::DeleteFileW(journal().c_str());
        common::UniqueRegKey overrides;
        if (::RegOpenKeyW(HKEY_CURRENT_USER, kOverrides, overrides.out()) == ERROR_SUCCESS)
            ::RegDeleteValueW(overrides.get(), L"iexplore.exe");
    }
    BrowserStandin(const BrowserStandin&) = delete;
    BrowserStandin& operator=(const BrowserStandin&) = delete;

    std::wstring journal() const { return folder_ + L"standin-journal.txt"; }

private:
    std::wstring folder_;
    std::wstring backup_;
    bool saved_ = false;
};

} // namespace

TEST(OpenUrlTest, SchemeWithoutHandlerEndsInInternetExplorer)
{
    // Inside the build's own prefix only: a scheme that names itself a URL
    // protocol but has no command, and the stand-in browser.
    BrowserStandin browser;
    const wchar_t scheme[] = L"Software\\Classes\\kolvex-nohandler";
    {
        common::UniqueRegKey key;
        ASSERT_EQ(::RegCreateKeyW(HKEY_CURRENT_USER, scheme, key.out()), ERROR_SUCCESS);
        ::RegSetValueExW(key.get(), L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    }

    utility::usystem::openUrl(L"kolvex-nohandler://example/licence?x=1");
    std::string seen;
    testing_support::pumpUntil(
        [&] {
            if (::GetFileAttributesW(browser.journal().c_str()) == INVALID_FILE_ATTRIBUTES) return false;
            seen = testing_support::readFile(browser.journal());
            return !seen.empty();
        },
        10000);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, scheme);
    EXPECT_EQ(seen, "iexplore.exe\tkolvex-nohandler://example/licence?x=1\r\n");
}
