#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <winsock2.h>

#include "common/unique_handle.h"

namespace {

// Tells the runner (wine-run.sh --start-mark) that the program reached its
// main, so a start that failed before it is told from a test that failed.
void leaveStartMark()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"KOLVEX_START_MARK", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    common::UniqueHandle mark(
        ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    leaveStartMark();
    ::CoInitialize(nullptr);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ::WSACleanup();
    ::CoUninitialize();
    return result;
}
