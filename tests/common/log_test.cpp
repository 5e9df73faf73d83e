#include "common/log.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <regex>

TEST(LogTest, ModuleTableNamesEachToolsFile)
{
    EXPECT_EQ(common::logRelativePath(1), L"log/vpinstall.log");
    EXPECT_EQ(common::logRelativePath(2), L"log/vpuninstall.log");
    EXPECT_EQ(common::logRelativePath(3), L"");
    EXPECT_EQ(common::logRelativePath(7), L"log/vpconsole.log");
    EXPECT_EQ(common::logRelativePath(0), L"");
    EXPECT_EQ(common::logRelativePath(8), L"");
}

TEST(LogTest, BaseFolderIsBexmoor2UnderApplicationData)
{
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, appData)));
    EXPECT_EQ(common::productDataFolder(), std::wstring(appData) + L"\\Bexmoor2");
}

// Runs in its own process under ctest, so the log really is not started yet.
TEST(LogTest, CallBeforeStartWritesNothingAndStartThenWritesTheLine)
{
    const std::wstring path = common::productDataFolder() + L"\\log\\vpinstall.log";
    // Other test processes log to the same file: look for this process's words only.
    // Process ids repeat across runs; the tick count makes the words this run's own.
    const std::string token = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
    const std::wstring wideToken(token.begin(), token.end());
    WRITE_LOG(L"not yet started in %s", wideToken.c_str());
    Sleep(600);
    const std::string notYet = "not yet started in " + token + "\r\n";
    EXPECT_EQ(testing_support::readFile(path).find(notYet), std::string::npos);

    common::startLog(1);
    const int line = __LINE__ + 1;
    WRITE_LOG(L"marker %s %s", wideToken.c_str(), L"安装");
    common::stopLog();
    // The file may also have been emptied at its size limit meanwhile: find
    // this process's line wherever it is.
    const std::string after = testing_support::readFile(path);
    const std::string words = "):marker " + token + " \xE5\xAE\x89\xE8\xA3\x85\r\n";
    const std::size_t marker = after.find(words);
    ASSERT_NE(marker, std::string::npos);
    const std::size_t begin = after.rfind('\n', marker) == std::string::npos ? 0 : after.rfind('\n', marker) + 1;
    const std::string ours = after.substr(begin, marker + words.size() - begin);
    const std::regex expected("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\t"
                              "LogTest_CallBeforeStartWritesNothingAndStartThenWritesTheLine_Test::TestBody"
                              "\\t\\(" +
                              std::to_string(line) + "\\):marker " + token +
                              " \xE5\xAE\x89\xE8\xA3\x85\\r\\n");
    EXPECT_TRUE(std::regex_match(ours, expected)) << ours;
    EXPECT_EQ(after.find(notYet), std::string::npos);
}
