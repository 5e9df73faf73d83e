// Runs the built installer as a user would start it and reads its log.

#include "common/log.h"
#include "test_support.h"
#include "utility/file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

TEST(EntryTest, InstallerStartsLogsItsStartLinesAndExitsWithZero)
{
    const std::wstring log = common::productDataFolder() + L"\\log\\vpinstall.log";
    const std::string before = testing_support::readFile(log);

    EXPECT_EQ(testing_support::runAndWait(
                  utility::ufile::parentFolder(utility::ufile::moduleFolder()) + L"KolvexSetup.exe", L"", 60000),
              0u);

    const std::string after = testing_support::readFile(log);
    // The file may have been emptied at 1 MiB; otherwise the run appended.
    const std::string added = after.size() > before.size() && after.compare(0, before.size(), before) == 0
                                  ? after.substr(before.size())
                                  : after;
    const std::regex start("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\twWinMain\\t\\(\\d+\\):"
                           "downloader start\\. version is : 1\\.10 \\*{19}\\r\\n");
    const std::regex init("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\twWinMain\\t\\(\\d+\\):"
                          "commoninit end\\r\\n");
    EXPECT_TRUE(std::regex_search(added, start)) << added;
    EXPECT_TRUE(std::regex_search(added, init)) << added;
    EXPECT_LT(added.find("downloader start"), added.find("commoninit end"));
}
