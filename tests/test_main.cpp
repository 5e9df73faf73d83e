#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <winsock2.h>

int wmain(int argc, wchar_t** argv)
{
    ::CoInitialize(nullptr);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    ::WSACleanup();
    ::CoUninitialize();
    return result;
}
