// The emulator's installer runs only with an accepted publisher's intact
// signature: downloads that fail the check count as a failed address, an
// installed copy that fails it is downloaded afresh, and the installation
// checks the file once more right before it runs it. The files are the
// stand-in signed at build time by the test publisher, by another
// publisher, and broken.

#include "model/vpdownloader_model.h"

#include "log_capture.h"
#include "message_pump.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/loopback_peer.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using testing_support::buildFolder;
using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::pumpUntil;
using testing_support::readFile;

namespace {

std::string caseBytes(const wchar_t* name) { return readFile(buildFolder() + L"tests\\signature-cases\\" + name); }

std::string okAnswer(const std::string& body)
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body;
}

class PlayerSignatureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UiTaskDispatcher::create();
        VPDownloaderModel::destroy();
        ::SetEnvironmentVariableW(L"STANDIN_REGISTRY_KEY", L"Software\\KolvexTests\\player-signature");
        scratch_ = testing_support::scratchFolder();
        folder_ = scratch_ + L"Kolvex";
        signed_ = caseBytes(L"accepted.exe");
        ASSERT_FALSE(signed_.empty());
        model_ = VPDownloaderModel::instance();
        // The build's test publisher, whatever the build accepts.
        std::string digest = readFile(buildFolder() + L"signing\\test-publisher.sha256");
        digest.resize(64);
        model_->acceptedPublishers = {digest};
        model_->setInstallDir(folder_);
        model_->switchCheckMs = 100000;
        model_->callbacks.onPlayerReady = [this] { events_.push_back("ready"); };
        model_->callbacks.onDownloadFailed = [this](DownloadFailure why) {
            events_.push_back(why == DownloadFailure::Refused ? "failed: refused" : "failed");
        };
        model_->callbacks.onInstallFinished = [this](const InstallReport& report) {
            events_.push_back(report.end == InstallerEnd::Succeeded  ? "installed"
                              : report.end == InstallerEnd::Refused ? "install refused"
                                                                    : "install failed");
        };
    }

    void TearDown() override
    {
        VPDownloaderModel::destroy();
        ::SetEnvironmentVariableW(L"STANDIN_REGISTRY_KEY", nullptr);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KolvexTests\\player-signature");
    }

    struct Connections {
        int main;
        int spare;
    };

    // Serves the bytes at the main and the spare address, presses install
    // and waits for the model's answer.
    Connections pressInstall(const std::string& mainBytes, const std::string& spareBytes)
    {
        LoopbackPeer main({okAnswer(mainBytes)});
        LoopbackPeer spare({okAnswer(spareBytes)});
        model_->spareUrl.set(spare.url(L"/spare/rizodi.exe"));
        model_->playerUrl.set(main.url(L"/main/rizodi.exe"));
        model_->startDownloadPlayer();
        EXPECT_TRUE(finished());
        return {main.connections(), spare.connections()};
    }

    bool finished(DWORD timeoutMs = 60000)
    {
        return pumpUntil([this] { return !events_.empty(); }, timeoutMs);
    }

    // "reason" of each refusal this test caused, in order, once the log
    // writer has written count of them (or after three seconds).
    std::vector<std::string> refusals(const testing_support::LogCapture& log, std::size_t count) const
    {
        std::vector<std::string> reasons;
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 3000; ::Sleep(50)) {
            reasons = refusalsSoFar(log);
            if (reasons.size() >= count) break;
        }
        return reasons;
    }

    std::vector<std::string> refusalsSoFar(const testing_support::LogCapture& log) const
    {
        std::vector<std::string> reasons;
        const std::string mine = testing_support::utf8(scratch_);
        for (const auto& entry : log.linesOfAnyThread("VPDownloaderModel::")) {
            if (entry.message.rfind("signature refused, file = " + mine, 0) != 0) continue;
            const std::size_t at = entry.message.find(" reason = ");
            const std::size_t end = entry.message.find(" result = ");
            reasons.push_back(entry.message.substr(at + 10, end - at - 10));
        }
        return reasons;
    }

    // The same version is installed in the chosen folder.
    void installedAlready(const std::string& installerBytes)
    {
        utility::ufile::makeDir(folder_);
        testing_support::writeFile(folder_ + L"\\vpplayer.exe", "x");
        testing_support::writeFile(folder_ + L"\\zodovivevizez.exe", "x");
        testing_support::writeFile(target(), installerBytes);
        model_->installedVersion = L"12";
        model_->serverVersion.set(L"12.0.3");
        model_->registeredDir = folder_;
        ASSERT_TRUE(model_->alreadyInstalled());
    }

    std::wstring target() const { return folder_ + L"\\rizodi.exe"; }

    std::wstring scratch_;
    std::wstring folder_;
    std::string signed_;
    VPDownloaderModel* model_ = nullptr;
    std::vector<std::string> events_;
};

TEST_F(PlayerSignatureTest, WronglySignedMainAddressFallsBackToTheSignedSpare)
{
    testing_support::LogCapture log;
    const Connections asked = pressInstall(caseBytes(L"other-publisher.exe"), signed_);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), signed_);
    EXPECT_EQ(asked.main, 1);
    EXPECT_EQ(asked.spare, 1);
    EXPECT_EQ(refusals(log, 1), std::vector<std::string>{"unknown publisher"});
}

TEST_F(PlayerSignatureTest, WronglySignedOnBothAddressesKeepsNothing)
{
    testing_support::LogCapture log;
    pressInstall(caseBytes(L"unsigned.exe"), caseBytes(L"one-byte-changed.exe"));
    EXPECT_EQ(events_, std::vector<std::string>{"failed: refused"});
    EXPECT_FALSE(utility::ufile::pathExists(target()));
    EXPECT_FALSE(utility::ufile::pathExists(target() + L".tmp"));
    // The spare is tried as after a digest mismatch: continued, then afresh.
    EXPECT_EQ(refusals(log, 3), (std::vector<std::string>{"no signature", "digest mismatch", "digest mismatch"}));
}

TEST_F(PlayerSignatureTest, InstalledInstallerWithoutSignatureIsDownloadedAfresh)
{
    installedAlready(caseBytes(L"unsigned.exe"));
    testing_support::LogCapture log;
    const Connections asked = pressInstall(signed_, signed_);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), signed_);
    EXPECT_EQ(asked.main, 1);
    EXPECT_EQ(refusals(log, 1), std::vector<std::string>{"no signature"});
}

TEST_F(PlayerSignatureTest, InstalledSignedInstallerNeedsNoDownload)
{
    installedAlready(signed_);
    const Connections asked = pressInstall(signed_, signed_);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(asked.main + asked.spare, 0);
}

TEST_F(PlayerSignatureTest, InstallationRunsOnlyASignedInstaller)
{
    const std::wstring tools = scratch_ + L"tools\\";
    utility::ufile::makeDir(tools);
    model_->taskkillProgram = testing_support::copyStandinAs(tools, L"taskkill.exe");
    utility::ufile::makeDir(folder_);
    // Replaced after the download's check: refused, never started.
    testing_support::writeFile(target(), caseBytes(L"other-publisher.exe"));
    testing_support::LogCapture log;
    model_->startInstallPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"install refused"});
    EXPECT_EQ(readFile(folder_ + L"\\standin-journal.txt"), "");
    EXPECT_EQ(refusals(log, 1), std::vector<std::string>{"unknown publisher"});
    EXPECT_FALSE(utility::ufile::pathExists(target())) << "a refused installer is not kept";

    events_.clear();
    testing_support::writeFile(target(), signed_);
    model_->installWorker.wait(INFINITE);
    model_->installWorker.release();
    model_->startInstallPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"installed"});
    EXPECT_EQ(readFile(folder_ + L"\\standin-journal.txt").rfind("rizodi.exe\t-silence -downloader", 0), 0u);
}

} // namespace
