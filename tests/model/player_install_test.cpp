// Installing the emulator with the stand-in installer, on a real dispatcher
// loop, and starting the player.

#include "model/vpdownloader_model.h"

#include "log_capture.h"
#include "message_pump.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/loopback_peer.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

using testing_support::copyStandinAs;
using testing_support::pumpUntil;
using testing_support::readFile;
using testing_support::scratchFolder;

namespace {

class PlayerInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UiTaskDispatcher::create();
        VPDownloaderModel::destroy();
        // The stand-in installer records into a key of the tests' own.
        ::SetEnvironmentVariableW(L"STANDIN_REGISTRY_KEY", L"Software\\KolvexTests\\player-install");
        const std::wstring scratch = scratchFolder();
        folder_ = scratch + L"Kolvex Emulator";
        utility::ufile::makeDir(folder_);
        copyStandinAs(folder_ + L"\\", L"rizodi.exe");
        tools_ = scratch + L"tools\\";
        utility::ufile::makeDir(tools_);
        model_ = VPDownloaderModel::instance();
        model_->setInstallDir(folder_);
        // The unsigned stand-in: the signature check has tests of its own.
        model_->acceptedPublishers.clear();
        model_->taskkillProgram = copyStandinAs(tools_, L"taskkill.exe");
        model_->callbacks.onInstallFinished = [this](const InstallReport& report) {
            ++finishedCalls_;
            report_ = report;
            success_ = report.end == InstallerEnd::Succeeded;
        };
    }

    void TearDown() override
    {
        VPDownloaderModel::destroy();
        for (const wchar_t* name : {L"STANDIN_REGISTRY_KEY", L"STANDIN_RIZODI_EXIT", L"STANDIN_RIZODI_SLEEP_MS"})
            ::SetEnvironmentVariableW(name, nullptr);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KolvexTests\\player-install");
    }

    bool installAndWait(DWORD timeoutMs = 60000)
    {
        model_->startInstallPlayer();
        return pumpUntil([this] { return finishedCalls_ > 0; }, timeoutMs);
    }

    std::string journal() const { return readFile(folder_ + L"\\standin-journal.txt"); }

    std::wstring folder_;
    std::wstring tools_;
    VPDownloaderModel* model_ = nullptr;
    int finishedCalls_ = 0;
    bool success_ = false;
    InstallReport report_;
};

} // namespace

TEST_F(PlayerInstallTest, InstallerRunsSilentlyWithTheOpenIdAndTheUnquotedFolder)
{
    ASSERT_TRUE(installAndWait());
    EXPECT_EQ(finishedCalls_, 1);
    EXPECT_TRUE(success_);
    const std::string folder = utility::wideToUtf8(folder_);
    EXPECT_EQ(journal(), "rizodi.exe\t-silence -downloader -openid=100 -path=" + folder + "\r\n");
    // The emulator's processes were ended first, in order, each failing harmlessly.
    EXPECT_EQ(readFile(tools_ + L"standin-journal.txt"), "taskkill.exe\t/F /IM vpplayer.exe /T\r\n"
                                                         "taskkill.exe\t/F /IM zodovivevizez.exe /T\r\n"
                                                         "taskkill.exe\t/F /IM vpupdate.exe /T\r\n"
                                                         "taskkill.exe\t/F /IM bugreport.exe /T\r\n");
    EXPECT_TRUE(utility::ufile::pathExists(folder_ + L"\\vpplayer.exe"));
    EXPECT_TRUE(utility::ufile::pathExists(folder_ + L"\\zodovivevizez.exe"));
}

TEST_F(PlayerInstallTest, FailingOrMissingInstallerReportsFailure)
{
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_EXIT", L"1");
    ASSERT_TRUE(installAndWait());
    EXPECT_FALSE(success_);
    // It installed before it failed: the window decides from the player.
    EXPECT_EQ(report_.end, InstallerEnd::ExitCode);
    EXPECT_EQ(report_.code, 1u);
    EXPECT_TRUE(report_.playerPresent);

    // A second press while the first worker's slot is still held starts nothing.
    finishedCalls_ = 0;
    ::DeleteFileW((folder_ + L"\\rizodi.exe").c_str());
    ::DeleteFileW((folder_ + L"\\vpplayer.exe").c_str());
    model_->installWorker.stop(1000);
    ASSERT_TRUE(installAndWait());
    EXPECT_FALSE(success_);
    EXPECT_EQ(report_.end, InstallerEnd::NotStarted);
    EXPECT_EQ(report_.code, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(report_.playerPresent);
}

TEST_F(PlayerInstallTest, InstallerOutlivingItsTimeOutIsAFailureAndIsNotWaitedFor)
{
    model_->installerTimeoutMs = 1000;
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_SLEEP_MS", L"15000");
    const DWORD begin = ::GetTickCount();
    ASSERT_TRUE(installAndWait());
    EXPECT_FALSE(success_);
    // Reported well before the installer could have ended, which it has not.
    EXPECT_LT(::GetTickCount() - begin, 14000u);
    EXPECT_FALSE(utility::ufile::pathExists(folder_ + L"\\vpplayer.exe"));
    EXPECT_EQ(report_.end, InstallerEnd::TimedOut);
    EXPECT_FALSE(report_.playerPresent);
}

TEST_F(PlayerInstallTest, ShutdownDropsAResultThatArrivesAfterTheModelIsGone)
{
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_SLEEP_MS", L"300");
    model_->startInstallPlayer();
    // Let the worker finish and post, but do not dispatch yet.
    ASSERT_TRUE(model_->installWorker.wait(30000));
    VPDownloaderModel::destroy();
    testing_support::pumpFor(300);
    EXPECT_EQ(finishedCalls_, 0);
}

TEST_F(PlayerInstallTest, ShutdownDuringALongInstallationReturnsAndTheWorkerFinishesSafely)
{
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_SLEEP_MS", L"3000");
    testing_support::LogCapture log;
    model_->startInstallPlayer();
    testing_support::pumpFor(100);
    const DWORD begin = ::GetTickCount();
    VPDownloaderModel::destroy(); // the worker waits for the installer
    EXPECT_LT(::GetTickCount() - begin, 2500u);
    EXPECT_EQ(VPDownloaderModel::existing(), nullptr);
    // The worker ends later on a model that was kept for it; its report is dropped.
    EXPECT_TRUE(pumpUntil([this] { return utility::ufile::pathExists(folder_ + L"\\vpplayer.exe"); }, 20000));
    testing_support::pumpFor(500);
    EXPECT_EQ(finishedCalls_, 0);
    const auto kept = log.lines("VPDownloaderModel::destroy");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].message, "a worker is still running, the model is left to the process end");
}

TEST_F(PlayerInstallTest, PlayerStartsWithThePackageTextOrNone)
{
    ASSERT_TRUE(installAndWait());
    const std::wstring playerJournal = folder_ + L"\\standin-journal.txt";
    model_->package.set(L"com.example.game");
    model_->launchPlayerForPackage();
    model_->package.set(L"");
    model_->launchPlayerForPackage();
    // The shell starts each player without waiting, so they may journal in
    // either order.
    const std::string withPackage = "vpplayer.exe\tdownloadpackage=com.example.game|package=com.example.game\r\n";
    const std::string plain = "vpplayer.exe\t\r\n";
    EXPECT_TRUE(pumpUntil(
        [&] {
            const std::string j = readFile(playerJournal);
            return j.find(withPackage) != std::string::npos && j.find(plain) != std::string::npos;
        },
        20000))
        << journal();
}

// The failed installation's retry: the installer runs again from the file
// that is there, or is fetched again when it is gone.
TEST_F(PlayerInstallTest, RetryRunsTheInstallerAgainOrFetchesItWhenGone)
{
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_FAIL_RUNS", L"1");
    ASSERT_TRUE(installAndWait());
    ::SetEnvironmentVariableW(L"STANDIN_RIZODI_FAIL_RUNS", nullptr);
    EXPECT_EQ(report_.end, InstallerEnd::ExitCode);
    EXPECT_FALSE(report_.playerPresent) << "the stand-in installed nothing";

    int ready = 0;
    model_->callbacks.onPlayerReady = [&ready] { ++ready; };
    model_->retryInstallation();
    EXPECT_EQ(ready, 1) << "the file is there: straight to the installation";

    const std::string installer = readFile(folder_ + L"\\rizodi.exe");
    ::DeleteFileW((folder_ + L"\\rizodi.exe").c_str());
    testing_support::LoopbackPeer main({testing_support::PeerReply(
        testing_support::httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(installer.size()) + "\r\n") +
        installer)});
    model_->playerUrl.set(main.url(L"/main/rizodi.exe"));
    model_->retryInstallation();
    ASSERT_TRUE(pumpUntil([&ready] { return ready == 2; }, 30000));
    EXPECT_EQ(main.connections(), 1);
    EXPECT_EQ(readFile(folder_ + L"\\rizodi.exe"), installer);
}
