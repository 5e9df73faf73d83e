#include "utility/process.h"

#include "log_capture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

using testing_support::copyStandinAs;
using testing_support::readFile;
using testing_support::scratchFolder;

namespace {

bool processRunning(const wchar_t* exeName)
{
    common::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (lstrcmpiW(entry.szExeFile, exeName) == 0) return true;
    return false;
}

} // namespace

TEST(ProcessTest, CommandLineQuotesTheFileOnlyAndVerbFollowsTheSystem)
{
    EXPECT_EQ(utility::process::commandLine(L"C:\\Program Files\\K\\rizodi.exe", L""),
              L"\"C:\\Program Files\\K\\rizodi.exe\"");
    EXPECT_EQ(utility::process::commandLine(L"taskkill", L"/F /IM vpplayer.exe /T"),
              L"\"taskkill\" /F /IM vpplayer.exe /T");
    EXPECT_STREQ(utility::process::shellVerb(5), L"open");
    EXPECT_STREQ(utility::process::shellVerb(6), L"runas");
    EXPECT_STREQ(utility::process::shellVerb(10), L"runas");
}

TEST(ProcessTest, ExecutePassesParamsUntouchedAndTurnsTheExitCodeIntoTheResult)
{
    const std::wstring folder = scratchFolder();
    const std::wstring player = copyStandinAs(folder, L"vpplayer.exe");
    EXPECT_TRUE(utility::process::execute(player, L"", 10000));
    EXPECT_TRUE(utility::process::execute(player, L"a  \"b c\"", 10000));
    EXPECT_EQ(readFile(folder + L"standin-journal.txt"), "vpplayer.exe\t\r\nvpplayer.exe\ta  \"b c\"\r\n");

    ::SetEnvironmentVariableW(L"STANDIN_VPPLAYER_EXIT", L"1");
    EXPECT_FALSE(utility::process::execute(player, L"", 10000));
    ::SetEnvironmentVariableW(L"STANDIN_VPPLAYER_EXIT", nullptr);

    EXPECT_FALSE(utility::process::execute(folder + L"missing.exe", L"", 10000));
    EXPECT_FALSE(utility::process::create(folder + L"missing.exe", L""));
}

TEST(ProcessTest, ExecuteGivesUpAtTheTimeOutAndLeavesTheProgramRunning)
{
    const std::wstring folder = scratchFolder();
    const std::wstring slow = copyStandinAs(folder, L"zodovivevizez.exe");
    ::SetEnvironmentVariableW(L"STANDIN_ZODOVIVEVIZEZ_SLEEP_MS", L"8000");
    const DWORD begin = ::GetTickCount();
    EXPECT_FALSE(utility::process::execute(slow, L"", 2000));
    const DWORD spent = ::GetTickCount() - begin;
    ::SetEnvironmentVariableW(L"STANDIN_ZODOVIVEVIZEZ_SLEEP_MS", nullptr);
    EXPECT_GE(spent, 1900u);
    EXPECT_LT(spent, 6000u); // far below the program's own 8 s
    EXPECT_TRUE(processRunning(L"zodovivevizez.exe"));
}

TEST(ProcessTest, ShellOfAMissingFileFailsAndLogsTheSystemError)
{
    testing_support::LogCapture log;
    const std::wstring missing = scratchFolder() + L"missing.exe";
    EXPECT_FALSE(utility::process::shell(missing, L"-a b"));
    const auto lines = log.waitFor("utility::process::shell", "shellEx failed!!! lastError = 2");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].message, "shell filename = [" + testing_support::utf8(missing) + "], param = [-a b], runas = 1, show = 0");
    EXPECT_EQ(lines[1].message, "shellEx failed!!! lastError = 2") << "ERROR_FILE_NOT_FOUND";
}

TEST(ProcessTest, ExecuteLogsTheExitCodeOfAFailingProgram)
{
    testing_support::LogCapture log;
    const std::wstring player = copyStandinAs(scratchFolder(), L"vpplayer.exe");
    ::SetEnvironmentVariableW(L"STANDIN_VPPLAYER_EXIT", L"1");
    EXPECT_FALSE(utility::process::execute(player, L"-x", 10000));
    ::SetEnvironmentVariableW(L"STANDIN_VPPLAYER_EXIT", nullptr);
    std::vector<testing_support::LogEntry> lines;
    ASSERT_TRUE(testing_support::waitUntil([&] { return (lines = log.lines("utility::process::execute")).size() >= 2; },
                                           5000));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].message,
              "execute filename = [" + testing_support::utf8(player) + "], param = [-x], show = 0, timeout = 10000");
    // The system's last error after a successful wait is whatever it was.
    EXPECT_EQ(lines[1].message.rfind("execute exitcode = 1 lastError = ", 0), 0u) << lines[1].message;
}
