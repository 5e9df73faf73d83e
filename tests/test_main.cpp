#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <winsock2.h>

#include <cstdio>
#include <cstring>

#include "common/unique_handle.h"

namespace {

// Tells the runner (wine-run.sh --start-mark) how far the program got: a
// start that failed before main, a run cut off (Wine ends a program whose
// server went away silently, often with exit code 0) and a run that
// returned are three different things.
class StartMark {
public:
    StartMark()
    {
        wchar_t path[MAX_PATH] = {};
        const DWORD n = ::GetEnvironmentVariableW(L"KOLVEX_START_MARK", path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        file_.reset(::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
        write("started\n");
    }

    void ended(int result)
    {
        char line[32];
        std::snprintf(line, sizeof line, "ended %d\n", result);
        write(line);
    }

private:
    void write(const char* text)
    {
        if (!file_) return;
        DWORD written = 0;
        ::WriteFile(file_.get(), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    }

    common::UniqueHandle file_;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    StartMark mark;
    ::CoInitialize(nullptr);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ::WSACleanup();
    ::CoUninitialize();
    mark.ended(result);
    return result;
}
