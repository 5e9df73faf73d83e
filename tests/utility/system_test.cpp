// The desktop helpers: bringing a minimised, a topmost and a normal window
// forward with their log sequences, and an address without a handler
// opened by Internet Explorer (a journaling stand-in in the test prefix).

#include "log_capture.h"
#include "message_pump.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/link_path.h"
#include "utility/system.h"

#include "common/unique_reg_key.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
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

// Waits for the browser stand-in's journal; empty when it never came.
std::string journalOf(const BrowserStandin& browser)
{
    std::string seen;
    testing_support::pumpUntil(
        [&] {
            if (::GetFileAttributesW(browser.journal().c_str()) == INVALID_FILE_ATTRIBUTES) return false;
            seen = testing_support::readFile(browser.journal());
            return !seen.empty();
        },
        15000);
    return seen;
}

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
    const std::string seen = journalOf(browser);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, scheme);
    EXPECT_EQ(seen, "iexplore.exe\tkolvex-nohandler://example/licence?x=1\r\n");
}

// --- which process opens a link

namespace {

using utility::usystem::DesktopShellResult;
using utility::usystem::DesktopShellStep;
using utility::usystem::LinkFacts;
using utility::usystem::LinkPath;

const char kOpenUrl[] = "utility::usystem::openUrl";

// The seams set for one test and put back afterwards.
class LinkSeamsFor {
public:
    explicit LinkSeamsFor(utility::usystem::LinkSeams seams)
    {
        utility::usystem::setLinkSeamsForTesting(std::move(seams));
    }
    ~LinkSeamsFor() { utility::usystem::setLinkSeamsForTesting({}); }
    LinkSeamsFor(const LinkSeamsFor&) = delete;
    LinkSeamsFor& operator=(const LinkSeamsFor&) = delete;
};

LinkFacts elevatedWithShell()
{
    LinkFacts facts;
    facts.elevated = true;
    facts.osMajor = 10;
    facts.desktopShell = true;
    return facts;
}

// The openUrl lines of this thread once there are count of them (bounded).
std::vector<std::string> openUrlLines(const testing_support::LogCapture& log, std::size_t count)
{
    std::vector<std::string> messages;
    testing_support::waitUntil(
        [&] {
            messages.clear();
            for (const auto& entry : log.lines(kOpenUrl)) messages.push_back(entry.message);
            return messages.size() >= count;
        },
        5000);
    return messages;
}

} // namespace

TEST(LinkPathTest, OnlyAnElevatedProcessWithADesktopShellAfterXpUsesTheShell)
{
    const std::pair<LinkFacts, LinkPath> rows[] = {
        {{true, 10, true}, LinkPath::DesktopShell}, {{true, 6, true}, LinkPath::DesktopShell},
        {{false, 10, true}, LinkPath::OwnProcess},  {{true, 10, false}, LinkPath::OwnProcess},
        {{true, 5, true}, LinkPath::OwnProcess},    {{true, 0, true}, LinkPath::OwnProcess},
        {{false, 5, false}, LinkPath::OwnProcess},
    };
    for (const auto& row : rows) {
        const utility::usystem::LinkChoice choice = utility::usystem::chooseLinkPath(row.first);
        EXPECT_EQ(choice.path, row.second)
            << row.first.elevated << " " << row.first.osMajor << " " << row.first.desktopShell;
        EXPECT_TRUE(choice.reason && *choice.reason);
    }
}

TEST(LinkPathTest, ElevatedLinksGoToTheDesktopsShellAndUnhandledSchemesToInternetExplorer)
{
    // Wine's class root is the machine's classes (the test prefix's).
    const wchar_t handled[] = L"Software\\Classes\\kolvex-handled\\shell\\open\\command";
    {
        common::UniqueRegKey key;
        ASSERT_EQ(::RegCreateKeyW(HKEY_LOCAL_MACHINE, handled, key.out()), ERROR_SUCCESS);
        const wchar_t command[] = L"\"C:\\kolvex\\handler.exe\" \"%1\"";
        ::RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command), sizeof(command));
    }
    std::vector<std::wstring> calls;
    utility::usystem::LinkSeams seams;
    seams.facts = elevatedWithShell;
    seams.desktopShell = [&calls](const std::wstring& file, const std::wstring& parameters) {
        calls.push_back(file + L"|" + parameters);
        return DesktopShellResult();
    };
    LinkSeamsFor use(seams);
    testing_support::LogCapture log;

    utility::usystem::openUrl(L"kolvex-handled://group/?x=1");
    utility::usystem::openUrl(L"kolvex-nohandler://page");
    utility::usystem::openUrl(L"HTTPS://www.kolvex.com/");
    for (std::wstring key = handled; key != L"Software\\Classes"; key.erase(key.rfind(L'\\')))
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());

    EXPECT_EQ(calls, (std::vector<std::wstring>{L"kolvex-handled://group/?x=1|", L"iexplore.exe|kolvex-nohandler://page",
                                                L"HTTPS://www.kolvex.com/|"}));
    const std::vector<std::string> messages = openUrlLines(log, 3);
    ASSERT_EQ(messages.size(), 3u);
    for (const std::string& message : messages)
        EXPECT_EQ(message.find("link opened through the desktop's shell (elevated"), 0u) << message;
    EXPECT_NE(messages[1].find("iexplore.exe kolvex-nohandler://page"), std::string::npos);
}

TEST(LinkPathTest, WhereTheDesktopsShellFailsThisProcessOpensTheLinkAndTheLogNamesTheStep)
{
    BrowserStandin browser;
    utility::usystem::LinkSeams seams;
    seams.facts = elevatedWithShell;
    seams.desktopShell = [](const std::wstring&, const std::wstring&) {
        DesktopShellResult result;
        result.failedAt = DesktopShellStep::DesktopWindow;
        result.error = E_FAIL;
        return result;
    };
    {
        LinkSeamsFor use(seams);
        testing_support::LogCapture log;
        utility::usystem::openUrl(L"kolvex-nohandler://fallback");
        EXPECT_EQ(journalOf(browser), "iexplore.exe\tkolvex-nohandler://fallback\r\n");
        EXPECT_EQ(openUrlLines(log, 1), std::vector<std::string>{"link opened by this process (the desktop's shell "
                                                                 "failed at FindWindowSW, 0x80004005): "
                                                                 "kolvex-nohandler://fallback"});
    }
    // The real way: whether Wine's desktop serves the shell's window list
    // depends on its state, and the desktop's 64-bit process does not start
    // a 32-bit test's stand-in. Either way the log says once which way; when
    // the shell failed, this process opened the link.
    ::DeleteFileW(browser.journal().c_str());
    seams.desktopShell = nullptr;
    LinkSeamsFor use(seams);
    testing_support::LogCapture log;
    utility::usystem::openUrl(L"kolvex-nohandler://real");
    const std::vector<std::string> lines = openUrlLines(log, 1);
    ASSERT_EQ(lines.size(), 1u);
    if (lines[0].find("link opened by this process (the desktop's shell failed at ") == 0)
        EXPECT_EQ(journalOf(browser), "iexplore.exe\tkolvex-nohandler://real\r\n");
    else
        EXPECT_EQ(lines[0].find("link opened through the desktop's shell (elevated"), 0u) << lines[0];
}
