// Runs the built installer as a user would start it and reads its log.

#include "common/log.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

namespace {

unsigned long runInstaller()
{
    return testing_support::runAndWait(
        testing_support::buildFolder() + L"KolvexSetup.exe", L"", 60000);
}

} // namespace

TEST(EntryTest, InstallerStartsLogsItsStartLinesAndExitsWithZero)
{
    const std::wstring log = common::productDataFolder() + L"\\log\\vpinstall.log";
    const std::string before = testing_support::readFile(log);

    EXPECT_EQ(runInstaller(), 0u);

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

TEST(EntryTest, InstallerLogsItsFolderLaunchParametersAndProposedInstallFolder)
{
    const std::wstring log = common::productDataFolder() + L"\\log\\vpinstall.log";
    const std::size_t before = testing_support::readFile(log).size();

    ASSERT_EQ(runInstaller(), 0u);

    std::string added = testing_support::readFile(log);
    added = added.size() >= before ? added.substr(before) : added;
    // The installer's lines only: other test processes log to the same file.
    const std::string folder = utility::wideToUtf8(testing_support::buildFolder());
    const std::string playerPath = "\tVPDownloaderImpl::entrance\t";
    const std::size_t entrance = added.find(playerPath);
    ASSERT_NE(entrance, std::string::npos) << added;
    // The thread field just before the function name.
    const std::size_t tidStart = added.rfind('\t', entrance - 1) + 1;
    const std::string tid = added.substr(tidStart, entrance - tidStart);
    std::string ours;
    for (std::size_t at = 0, end = 0; (end = added.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = added.substr(at, end + 2 - at);
        if (line.find("\t" + tid + "\t") != std::string::npos) ours += line.substr(line.find("):") + 2);
    }
    const std::string expected = "player path is " + folder + "\r\n"
                                 "VPDownloaderModel::exe filename= KolvexSetup\r\n"
                                 "openid is 100, package is \r\n"
                                 "read from reg: path is ";
    EXPECT_NE(ours.find(expected), std::string::npos) << ours;
}
