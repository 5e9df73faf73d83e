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
#include "utility/file_digest.h"
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
        utility::ufile::setModulePathForTesting(std::wstring());
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

// A rizodi.exe beside the installer stands in for the download only when it
// passes the download's checks; otherwise the download runs as usual.
TEST_F(PlayerSignatureTest, CopyBesideTheInstallerIsUsedOnlyWhenItPassesADownloadsChecks)
{
    const std::wstring digestFile = scratch_ + L"digest.bin";
    testing_support::writeFile(digestFile, signed_);
    std::wstring servedMd5;
    ASSERT_TRUE(utility::ufile::md5OfFile(digestFile, servedMd5));
    const std::vector<std::string> publishers = model_->acceptedPublishers;
    // The file beside the installer; whether the version answer named the
    // served bytes' md5, the build accepts the test publisher, the installer
    // itself is called rizodi.exe; whether the copy is used, or why not.
    struct Case {
        const wchar_t* copy;
        bool withMd5, publishers, selfNamed, used;
        const char* reason;
    };
    const Case cases[] = {
        {L"accepted.exe", true, true, false, true, nullptr},
        {L"unsigned.exe", false, true, false, false, "reason = no signature"},
        {L"other-publisher.exe", false, true, false, false, "reason = unknown publisher"},
        // Rightly signed, but not the version the vendor serves now.
        {L"other-bytes.exe", true, true, false, false, "md5 mismatch"},
        // Without an answer the signature alone decides.
        {L"other-bytes.exe", false, true, false, true, nullptr},
        // Nothing vouches for a copy in a build that checks no signature.
        {L"accepted.exe", true, false, false, false, "this build accepts no publisher"},
        {L"accepted.exe", true, true, true, false, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(n));
        const std::wstring stick = scratch_ + L"stick" + std::to_wstring(n++) + L"\\";
        utility::ufile::makeDir(stick);
        // The build folder is found from the program's own path.
        utility::ufile::setModulePathForTesting(std::wstring());
        const std::string copyBytes = caseBytes(c.copy);
        ASSERT_FALSE(copyBytes.empty());
        testing_support::writeFile(stick + L"rizodi.exe", copyBytes);
        utility::ufile::setModulePathForTesting(stick + (c.selfNamed ? L"rizodi.exe" : L"KolvexSetup.exe"));
        utility::ufile::removeFile(target());
        model_->playerMd5.set(c.withMd5 ? servedMd5 : std::wstring());
        model_->acceptedPublishers = c.publishers ? publishers : std::vector<std::string>();
        std::vector<int> totals;
        model_->callbacks.onProgress = [&totals](int, int, int total) { totals.push_back(total); };
        events_.clear();
        testing_support::LogCapture log;
        const Connections asked = pressInstall(signed_, signed_);
        model_->downloadWorker.wait(INFINITE);
        model_->downloadWorker.release();
        EXPECT_EQ(events_, std::vector<std::string>{"ready"});
        EXPECT_EQ(readFile(target()), c.used ? copyBytes : signed_);
        EXPECT_EQ(asked.main, c.used ? 0 : 1);
        EXPECT_FALSE(utility::ufile::pathExists(target() + L".tmp"));
        // The copy's progress reached the window like a download's.
        if (c.used) {
            ASSERT_FALSE(totals.empty());
            EXPECT_EQ(totals.front(), static_cast<int>(copyBytes.size()));
        }
        if (c.reason) {
            bool seen = false;
            for (DWORD start = ::GetTickCount(); !seen && ::GetTickCount() - start < 3000; ::Sleep(50))
                for (const auto& entry : log.linesOfAnyThread("VPDownloaderModel::"))
                    seen = seen || entry.message.find(c.reason) != std::string::npos;
            EXPECT_TRUE(seen) << c.reason;
        }
    }
}

} // namespace
