// The channel window: which messages reach the handler, and what the window
// answers.

#include "app/ipc_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class RecordingHandler : public utility::IWindowIPCHandle {
public:
    LRESULT onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back({message, wParam, lParam});
        return 77; // not the window's answer
    }
    std::vector<Seen> seen;
};

// A class name of the test's own: the installer's may be taken by a
// running installer.
constexpr const wchar_t* kTestClass = L"{KolvexTests-IpcWindow}";

TEST(IpcWindowTest, PrivateMessagesAndCopyDataReachTheHandlerAndAnswerZero)
{
    RecordingHandler handler;
    IpcWindow channel;
    ASSERT_TRUE(channel.create(kTestClass, &handler));
    ASSERT_NE(channel.window, nullptr);
    EXPECT_EQ(channel.handler, &handler);
    // Found as another process finds it: top-level, by class.
    EXPECT_EQ(::FindWindowExW(nullptr, nullptr, kTestClass, nullptr), channel.window);
    EXPECT_FALSE(::IsWindowVisible(channel.window));

    EXPECT_EQ(::SendMessageW(channel.window, 11123, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(channel.window, WM_USER + 1, 5, 6), 0);
    char payload[] = "ping";
    COPYDATASTRUCT copy = {1, sizeof(payload), payload};
    EXPECT_EQ(::SendMessageW(channel.window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)), 0);
    // Not private: WM_USER itself and system messages stay with the window.
    ::SendMessageW(channel.window, WM_USER, 0, 0);
    ::SendMessageW(channel.window, WM_NULL, 0, 0);
    wchar_t title[8] = {};
    ::SendMessageW(channel.window, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(title));

    ASSERT_EQ(handler.seen.size(), 3u);
    EXPECT_EQ(handler.seen[0].message, 11123u);
    EXPECT_EQ(handler.seen[1].message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(handler.seen[1].wParam, 5u);
    EXPECT_EQ(handler.seen[1].lParam, 6);
    EXPECT_EQ(handler.seen[2].message, static_cast<UINT>(WM_COPYDATA));

    ::DestroyWindow(channel.window);
}

TEST(IpcWindowTest, AWindowWhoseRecordNamesAnotherWindowCallsNoHandler)
{
    RecordingHandler first;
    IpcWindow channel;
    ASSERT_TRUE(channel.create(kTestClass, &first));
    const HWND made = channel.window;
    // The record now belongs to another window: this one must not use it.
    channel.window = nullptr;
    EXPECT_EQ(::SendMessageW(made, 11123, 0, 0), 0);
    EXPECT_TRUE(first.seen.empty());
    ::DestroyWindow(made);
}

} // namespace
