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
    const std::string before = testing_support::readFile(path);
    WRITE_LOG(L"not yet %s", L"started");
    Sleep(600);
    EXPECT_EQ(testing_support::readFile(path), before);

    common::startLog(1);
    const int line = __LINE__ + 1;
    WRITE_LOG(L"marker %d %s", 31337, L"安装");
    common::stopLog();
    const std::string after = testing_support::readFile(path);
    ASSERT_GT(after.size(), before.size());
    // Other test processes may log to the same file meanwhile: pick our line.
    const std::string added = after.substr(before.size());
    const std::size_t marker = added.find("marker 31337");
    ASSERT_NE(marker, std::string::npos) << added;
    const std::size_t begin = added.rfind('\n', marker) == std::string::npos ? 0 : added.rfind('\n', marker) + 1;
    const std::string ours = added.substr(begin, added.find('\n', marker) + 1 - begin);
    const std::regex expected("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\t"
                              "LogTest_CallBeforeStartWritesNothingAndStartThenWritesTheLine_Test::TestBody"
                              "\\t\\(" +
                              std::to_string(line) + "\\):marker 31337 \xE5\xAE\x89\xE8\xA3\x85\\r\\n");
    EXPECT_TRUE(std::regex_match(ours, expected)) << ours;
    EXPECT_EQ(added.find("not yet"), std::string::npos);
}
