#include "model/download_rules.h"

#include <gtest/gtest.h>

using namespace download_rules;

TEST(DownloadRulesTest, MirrorSwitchBandsAreExclusiveByElapsedTime)
{
    // Half a minute: only a crawl below 5 % switches.
    EXPECT_TRUE(switchBand(35000, 4).useSpare);
    EXPECT_FALSE(switchBand(35000, 5).useSpare);
    EXPECT_FALSE(switchBand(30000, 0).useSpare); // the band starts after 30 s
    EXPECT_TRUE(switchBand(30001, 0).useSpare);
    // Two minutes: at 150 s only the 50 % rule is looked at.
    EXPECT_TRUE(switchBand(125000, 30).useSpare);
    EXPECT_FALSE(switchBand(125000, 60).useSpare);
    EXPECT_FALSE(switchBand(120000, 25).useSpare); // still the 20 % band
    EXPECT_TRUE(switchBand(120000, 19).useSpare);
    // Three minutes: always.
    EXPECT_FALSE(switchBand(180000, 60).useSpare);
    EXPECT_TRUE(switchBand(185000, 60).useSpare);
    EXPECT_TRUE(switchBand(185000, 99).useSpare);
    // Progress compares as a signed number.
    EXPECT_TRUE(switchBand(40000, -1).useSpare);

    EXPECT_STREQ(switchBand(185000, 60).logFormat, L"more than 3 minute, elapse = %d, progress = %d");
    EXPECT_STREQ(switchBand(125000, 30).logFormat, L"more than 2 minute, elapse = %d, progress = %d");
    EXPECT_STREQ(switchBand(90000, 10).logFormat, L"more than 1 minute, elapse = %d, progress = %d");
    EXPECT_STREQ(switchBand(35000, 4).logFormat, L"more than 0.5 minute, elapse = %d, progress = %d");
    EXPECT_EQ(switchBand(125000, 60).logFormat, nullptr);
}

TEST(DownloadRulesTest, ElapsedTimeSurvivesTheTickCounterWrap)
{
    EXPECT_EQ(elapsedTicks(5000u, 0xFFFFF000u), 5000u + 0x1000u);
    // 85.5 s across the wrap: the one-minute band, where 1 % switches.
    EXPECT_TRUE(switchBand(elapsedTicks(20000u, 0xFFFF0000u), 1).useSpare);
    EXPECT_FALSE(switchBand(elapsedTicks(20000u, 0xFFFF0000u), 20).useSpare);
}

TEST(DownloadRulesTest, ProgressIsThrottledAndUnknownTotalsAreStoodIn)
{
    EXPECT_TRUE(progressDue(5000, 0)); // the first block of a download at once
    EXPECT_FALSE(progressDue(5400, 5000));
    EXPECT_FALSE(progressDue(5999, 5000));
    EXPECT_TRUE(progressDue(6000, 5000));
    // Around the wrap of the tick counter the elapsed time still counts.
    EXPECT_FALSE(progressDue(0xFFFFFF80u, 0xFFFFFF00u));
    EXPECT_FALSE(progressDue(200, 0xFFFFFF00u));
    EXPECT_TRUE(progressDue(800, 0xFFFFFF00u));
    EXPECT_TRUE(progressDue(10, 0)); // even in the first second after boot

    EXPECT_EQ(reportedTotal(5000, 80000), 80000);
    EXPECT_EQ(reportedTotal(5000, -1), kUnknownTotal);
    EXPECT_EQ(reportedTotal(kUnknownTotal, -1), kUnknownTotal + 1024);

    EXPECT_EQ(progressPercent(0, 1000), 0);
    EXPECT_EQ(progressPercent(999, 1000), 99); // truncated, not rounded
    EXPECT_EQ(progressPercent(kUnknownTotal, kUnknownTotal), 100);
    EXPECT_EQ(progressPercent(2000000000, 2100000000), 95); // no 32-bit overflow
    EXPECT_EQ(progressPercent(5, 0), 0);

    // The end shows what arrived: out of the announced total, or out of
    // itself when none (or a smaller one) was announced.
    const struct {
        int received, total, shownTotal;
    } ends[] = {{805000, 805000, 805000}, {805000, -1, 805000}, {400000, 805000, 805000},
                {805000, 0, 805000},      {805000, 1000, 805000}, {0, -1, 0}};
    for (const auto& end : ends) {
        const Amount amount = finishedAmount(end.received, end.total);
        EXPECT_EQ(amount.received, end.received) << end.total;
        EXPECT_EQ(amount.total, end.shownTotal) << end.received << " of " << end.total;
    }
}

TEST(DownloadRulesTest, VersionsCompareByTheirLeadingInteger)
{
    EXPECT_EQ(leadingInteger(L"12"), 12);
    EXPECT_EQ(leadingInteger(L"3.9"), 3);
    EXPECT_EQ(leadingInteger(L"  +7abc"), 7);
    EXPECT_EQ(leadingInteger(L"-2"), -2);
    EXPECT_EQ(leadingInteger(L"v12"), 0);
    EXPECT_EQ(leadingInteger(L""), 0);
    EXPECT_EQ(leadingInteger(L"99999999999999999999"), 2147483647);
}

TEST(DownloadRulesTest, CommandLinesOfTheInstallAndTheLaunch)
{
    EXPECT_EQ(installerArguments(L"100", L"D:\\Program Files\\Kolvex"),
              L"-silence -downloader -openid=100 -path=D:\\Program Files\\Kolvex");
    EXPECT_EQ(playerArgumentsForPackage(L"com.example.game"),
              L"downloadpackage=com.example.game|package=com.example.game");
    EXPECT_EQ(playerArgumentsForPackage(L""), L"");
    ASSERT_EQ(processesToEnd().size(), 4u);
    EXPECT_EQ(processesToEnd().front(), L"vpplayer.exe");
    EXPECT_EQ(processesToEnd().back(), L"bugreport.exe");
    EXPECT_EQ(taskkillArguments(L"vpupdate.exe"), L"/F /IM vpupdate.exe /T");
}

TEST(DownloadRulesTest, WebPagesAreToldByTheirTypeOrTheirFirstBytes)
{
    for (const char* type : {"text/html", "text/html; charset=utf-8", "TEXT/HTML;charset=GBK", " text/html ",
                             "application/xhtml+xml"})
        EXPECT_TRUE(isWebPageType(type)) << type;
    for (const char* type : {"", "application/octet-stream", "application/x-msdownload", "text/plain", "text/htmlx"})
        EXPECT_FALSE(isWebPageType(type)) << type;
    const unsigned char program[] = {'M', 'Z', 0x90, 0};
    const unsigned char page[] = {'<', '!', 'D', 'O', 'C'};
    const unsigned char zipped[] = {'P', 'K', 3, 4};
    EXPECT_TRUE(startsLikeProgram(program, 4));
    EXPECT_TRUE(startsLikeProgram(program, 1)) << "one byte: so far so good";
    EXPECT_FALSE(startsLikeProgram(page, 5));
    EXPECT_FALSE(startsLikeProgram(zipped, 4));
    EXPECT_FALSE(startsLikeProgram(program + 1, 3));
    EXPECT_EQ(firstBytesText(page, 5), L"<!DOC");
    EXPECT_EQ(firstBytesText(program, 4), L"MZ\\x90\\x00");
}

TEST(DownloadRulesTest, FailureReasonAndTheRunsEndFollowWhatTheCallsMet)
{
    const struct {
        DownloadTally tally;
        DownloadFailure failure;
        const wchar_t* line;
    } cases[] = {
        {{0, 3, 0, false}, DownloadFailure::Network, L"exit code 2 (download failed)"},
        {{3, 0, 0, false}, DownloadFailure::WebPage, L"exit code 4 (a web page instead of the installer)"},
        {{2, 1, 0, false}, DownloadFailure::Network, L"exit code 2 (download failed)"},
        {{1, 1, 1, false}, DownloadFailure::Refused, L"exit code 5 (installer refused)"},
        {{2, 0, 0, true}, DownloadFailure::DiskFull, L"exit code 3 (disk full)"},
        {{0, 0, 0, false}, DownloadFailure::Network, L"exit code 2 (download failed)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(failureOf(c.tally), c.failure);
        RunEnd end;
        end.outcome = outcomeOf(c.failure);
        EXPECT_EQ(run_outcome::logLine(end), c.line);
    }
    // The numbers are the program's interface: they never move.
    EXPECT_EQ(run_outcome::exitCode(RunOutcome::PlayerStarted), 0);
    EXPECT_EQ(run_outcome::exitCode(RunOutcome::UserClosed), 1);
    EXPECT_EQ(run_outcome::exitCode(RunOutcome::InstallFailed), 6);
    EXPECT_EQ(run_outcome::exitCode(RunOutcome::AlreadyRunning), 7);
    EXPECT_EQ(run_outcome::exitCode(RunOutcome::PlayerNotStarted), 9);
    EXPECT_EQ(run_outcome::logLine({RunOutcome::InstallFailed, 1}), L"exit code 6 (installation failed, 1)");
    // Nothing recorded: the user closed the window; a retry forgets a failure.
    run_outcome::clear();
    EXPECT_EQ(run_outcome::current().outcome, RunOutcome::UserClosed);
    run_outcome::record(RunOutcome::InstallFailed, 1);
    run_outcome::record(RunOutcome::PlayerStarted);
    EXPECT_EQ(run_outcome::current().outcome, RunOutcome::PlayerStarted);
    EXPECT_EQ(run_outcome::current().detail, 0u);
    run_outcome::clear();
}

TEST(DownloadRulesTest, InstallationGoesOnOnlyWhenThePlayerIsThere)
{
    const struct {
        InstallerEnd end;
        bool player;
        bool goOn;
        RunOutcome stopAs;
    } cases[] = {
        {InstallerEnd::Succeeded, true, true, RunOutcome::InstallFailed},
        {InstallerEnd::Succeeded, false, false, RunOutcome::InstallFailed},
        {InstallerEnd::ExitCode, true, true, RunOutcome::InstallFailed},
        {InstallerEnd::ExitCode, false, false, RunOutcome::InstallFailed},
        {InstallerEnd::TimedOut, true, true, RunOutcome::InstallFailed},
        {InstallerEnd::TimedOut, false, false, RunOutcome::InstallFailed},
        // An installer that did not run installed nothing, whatever is there from before.
        {InstallerEnd::NotStarted, true, false, RunOutcome::InstallFailed},
        {InstallerEnd::Refused, true, false, RunOutcome::InstallerRefused},
        {InstallerEnd::Refused, false, false, RunOutcome::InstallerRefused},
    };
    for (const auto& c : cases) {
        const AfterInstall after = afterInstallation(c.end, c.player);
        EXPECT_EQ(after.goOn, c.goOn) << static_cast<int>(c.end) << c.player;
        if (!c.goOn) {
            EXPECT_EQ(after.stopAs, c.stopAs);
            EXPECT_NE(std::wstring(after.reason), L"");
        }
    }
    EXPECT_EQ(std::wstring(afterInstallation(InstallerEnd::Succeeded, true).reason), L"");
}
