// The emulator installer's download on a real dispatcher loop: main and
// spare mirrors are loopback peers, the clock is the test's.

#include "model/region_profile.h"
#include "model/vpdownloader_model.h"

#include "log_capture.h"
#include "message_pump.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/file_digest.h"
#include "utility/resume_record.h"
#include "utility/text.h"
#include "utility/loopback_peer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerPiece;
using testing_support::PeerReply;
using testing_support::pumpFor;
using testing_support::pumpUntil;
using testing_support::readFile;
using testing_support::scratchFolder;

namespace {

struct Report {
    int percent;
    int received;
    int total;
};

// Both mirrors name the same validator for the same file.
std::string okAnswer(const std::string& body, const std::string& etag = "\"v1\"")
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\nETag: " + etag + "\r\n") +
           body;
}

// The full head but only the first bytes of the body.
std::string cutAnswer(const std::string& body, std::size_t sent)
{
    const std::string whole = okAnswer(body);
    return whole.substr(0, whole.size() - body.size() + sent);
}

// Then silence: a mirror that crawls.
PeerReply stalledAnswer(const std::string& body, std::size_t sent) { return PeerReply(cutAnswer(body, sent), 20000); }

std::string partialAnswer(const std::string& body, std::size_t from, std::size_t rangeFrom = std::string::npos)
{
    if (rangeFrom == std::string::npos) rangeFrom = from;
    return httpHead("HTTP/1.1 206 Partial Content",
                    "Content-Length: " + std::to_string(body.size() - from) + "\r\nContent-Range: bytes " +
                        std::to_string(rangeFrom) + "-" + std::to_string(body.size() - 1) + "/" +
                        std::to_string(body.size()) + "\r\nETag: \"v1\"\r\n") +
           body.substr(from);
}

constexpr std::int64_t kNow = 1700000000;


const PeerReply kUnavailable(httpHead("HTTP/1.1 503 Service Unavailable", "Content-Length: 0\r\n"));

std::string md5Text(const std::string& bytes, const std::wstring& folder)
{
    testing_support::writeFile(folder + L"digest.bin", bytes);
    std::wstring digest;
    EXPECT_TRUE(utility::ufile::md5OfFile(folder + L"digest.bin", digest));
    return utility::wideToUtf8(digest);
}

class PlayerDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UiTaskDispatcher::create();
        VPDownloaderModel::destroy();
        scratch_ = scratchFolder();
        folder_ = scratch_ + L"Kolvex";
        body_ = std::string(100000, '\0');
        for (std::size_t i = 0; i < body_.size(); ++i) body_[i] = static_cast<char>(i * 31 % 251);
        body_.replace(0, 2, "MZ"); // as a Windows program begins
        model_ = VPDownloaderModel::instance();
        // Made-up bytes: the signature check has tests of its own.
        model_->acceptedPublishers.clear();
        model_->setInstallDir(folder_);
        model_->tickCount = [this] { return ticking_ ? clock_.fetch_add(1000) + 1000 : clock_.load(); };
        model_->waitTickMs = 50;
        model_->switchCheckMs = 100;
        model_->callbacks.onProgress = [this](int percent, int received, int total) {
            reports_.push_back({percent, received, total});
        };
        model_->callbacks.onPlayerReady = [this] { events_.push_back("ready"); };
        model_->callbacks.onDownloadFailed = [this](DownloadFailure why) {
            events_.push_back("failed");
            failure_ = why;
        };
        model_->mainClient.setWallClock([] { return kNow; });
        model_->spareClient.setWallClock([] { return kNow; });
    }

    void TearDown() override
    {
        VPDownloaderModel::destroy();
        region::resetHostsForTesting();
    }

    // A partial file and its record, as an earlier run leaves them.
    void leavePartial(std::size_t have, const std::string& etag, const std::wstring& url, std::int64_t savedAt)
    {
        utility::ufile::makeDir(folder_);
        testing_support::writeFile(partial(), body_.substr(0, have));
        utility::resume::Record record;
        record.url = url;
        record.total = static_cast<std::int64_t>(body_.size());
        record.etag = etag;
        record.have = static_cast<std::int64_t>(have);
        record.savedAt = savedAt;
        ASSERT_TRUE(utility::resume::writeRecordFile(utility::resume::recordPathFor(partial()), record));
    }

    // Ready for another press: the last run's worker has ended.
    void again()
    {
        ASSERT_TRUE(model_->downloadWorker.wait(10000));
        model_->downloadWorker.release();
        events_.clear();
        reports_.clear();
        for (const std::wstring& file : {target(), partial(), utility::resume::recordPathFor(partial())})
            ::DeleteFileW(file.c_str());
    }

    std::wstring partial() const { return target() + L".tmp"; }

    void useMirrors(LoopbackPeer* main, LoopbackPeer* spare)
    {
        model_->spareUrl.set(spare ? spare->url(L"/spare/rizodi.exe") : L"");
        model_->playerUrl.set(main->url(L"/main/rizodi.exe"));
    }

    bool finished(DWORD timeoutMs = 30000)
    {
        return pumpUntil([this] { return !events_.empty(); }, timeoutMs);
    }

    std::wstring target() const { return folder_ + L"\\rizodi.exe"; }

    std::wstring scratch_;
    std::wstring folder_;
    std::string body_;
    VPDownloaderModel* model_ = nullptr;
    std::atomic<std::uint32_t> clock_{1000};
    // While set, every reading moves the clock a second on.
    std::atomic<bool> ticking_{false};
    std::vector<Report> reports_;
    std::vector<std::string> events_;
    DownloadFailure failure_ = DownloadFailure::Network;
};

} // namespace

TEST_F(PlayerDownloadTest, MainMirrorDownloadReportsProgressThenReady)
{
    LoopbackPeer main({okAnswer(body_)});
    useMirrors(&main, nullptr);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), body_);
    EXPECT_FALSE(utility::ufile::pathExists(target() + L".tmp"));
    // The clock stands still: the first block at once, then only the end.
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_GT(reports_[0].received, 0);
    EXPECT_EQ(reports_[0].total, 100000);
    EXPECT_EQ(reports_[0].percent, reports_[0].received / 1000);
    // The end shows what arrived.
    EXPECT_EQ(reports_[1].percent, 100);
    EXPECT_EQ(reports_[1].received, 100000);
    EXPECT_EQ(reports_[1].total, 100000);
    ASSERT_EQ(main.requests().size(), 1u);
    EXPECT_EQ(main.requests()[0].find("Range:"), std::string::npos);
}

TEST_F(PlayerDownloadTest, ProgressIsReportedAtMostOnceASecond)
{
    // Ten blocks 40 ms apart while the clock moves 400 ms per block.
    std::vector<PeerPiece> pieces{{httpHead("HTTP/1.1 200 OK", "Content-Length: 100000\r\n"), 0}};
    for (int i = 0; i < 10; ++i) pieces.push_back({body_.substr(i * 10000, 10000), 40});
    PeerReply reply;
    reply.pieces = pieces;
    LoopbackPeer main({reply});
    useMirrors(&main, nullptr);
    model_->tickCount = [this] { return clock_.fetch_add(400) + 400; };
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    // 400 ms a block: about every third block is reported, and the end.
    ASSERT_GE(reports_.size(), 3u);
    EXPECT_LE(reports_.size(), 6u);
    EXPECT_EQ(reports_.back().percent, 100);
    for (std::size_t i = 1; i + 1 < reports_.size(); ++i) EXPECT_GT(reports_[i].received, reports_[i - 1].received);
}

TEST_F(PlayerDownloadTest, NoLengthShowsTheStandInTotal)
{
    LoopbackPeer main({PeerReply(httpHead("HTTP/1.1 200 OK", "Connection: close\r\n") + body_)});
    useMirrors(&main, nullptr);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    ASSERT_GE(reports_.size(), 2u);
    EXPECT_EQ(reports_.front().total, 300000000);
    // At the end the amount received stands for the total too.
    EXPECT_EQ(reports_.back().percent, 100);
    EXPECT_EQ(reports_.back().received, 100000);
    EXPECT_EQ(reports_.back().total, 100000);
    EXPECT_EQ(readFile(target()), body_);
}

struct SwitchCase {
    std::size_t percentSent;
    std::uint32_t elapsedMs;
    bool switches;
};

class MirrorSwitchTest : public PlayerDownloadTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(MirrorSwitchTest, SlowMainMirrorSwitchesByTheBandsAndTheSpareResumes)
{
    const SwitchCase c = GetParam();
    const std::size_t sent = c.percentSent * 1000;
    LoopbackPeer main({stalledAnswer(body_, sent)});
    LoopbackPeer spare({partialAnswer(body_, sent)});
    useMirrors(&main, &spare);
    ticking_ = true; // every block is reported
    model_->startDownloadPlayer();
    ASSERT_TRUE(pumpUntil([&] { return !reports_.empty() && reports_.back().received == int(sent); }, 20000));
    EXPECT_EQ(reports_.back().percent, int(c.percentSent));

    ticking_ = false;
    clock_ = model_->cnStartTick + c.elapsedMs;
    if (!c.switches) {
        pumpFor(600); // several switch checks
        EXPECT_EQ(spare.connections(), 0);
        EXPECT_TRUE(events_.empty());
        return;
    }
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    // The spare mirror continued the partial file.
    ASSERT_EQ(spare.requests().size(), 1u);
    EXPECT_NE(spare.requests()[0].find("Range: bytes=" + std::to_string(sent) + "-\r\n"), std::string::npos)
        << spare.requests()[0];
    EXPECT_NE(spare.requests()[0].find("If-Range: \"v1\"\r\n"), std::string::npos) << spare.requests()[0];
    EXPECT_EQ(readFile(target()), body_);
}

INSTANTIATE_TEST_SUITE_P(Bands, MirrorSwitchTest,
                         ::testing::Values(SwitchCase{4, 35000, true}, SwitchCase{5, 35000, false},
                                           SwitchCase{30, 125000, true}, SwitchCase{60, 125000, false},
                                           SwitchCase{60, 185000, true}),
                         [](const ::testing::TestParamInfo<SwitchCase>& info) {
                             return std::to_string(info.param.percentSent) + "PercentAt" +
                                    std::to_string(info.param.elapsedMs / 1000) + "s";
                         });

TEST_F(PlayerDownloadTest, WithoutSpareAddressTheMainMirrorIsNeverLeft)
{
    LoopbackPeer main({stalledAnswer(body_, 1000)});
    useMirrors(&main, nullptr);
    model_->startDownloadPlayer();
    ASSERT_TRUE(pumpUntil([&] { return !reports_.empty(); }, 20000));
    clock_ += 600000;
    pumpFor(500);
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(main.connections(), 1);
    // Shutdown in the middle of the transfer returns promptly.
    const DWORD begin = ::GetTickCount();
    VPDownloaderModel::destroy();
    EXPECT_LT(::GetTickCount() - begin, 2500u);
    pumpFor(200);
    EXPECT_TRUE(events_.empty());
}

TEST_F(PlayerDownloadTest, ShutdownDuringTheMainTransferAsksNoOtherMirror)
{
    // The user ends the program while the main mirror dribbles: the worker,
    // which notices the stop between two blocks, must not go on to the
    // spare mirror.
    std::vector<PeerPiece> pieces{{httpHead("HTTP/1.1 200 OK", "Content-Length: 100000\r\n"), 0}};
    for (int i = 0; i < 500; ++i) pieces.push_back({body_.substr(i * 200, 200), 4});
    PeerReply dribble;
    dribble.pieces = pieces;
    LoopbackPeer main({dribble});
    LoopbackPeer spare({PeerReply(okAnswer(body_))});
    useMirrors(&main, &spare);
    model_->startDownloadPlayer();
    ASSERT_TRUE(pumpUntil([&] { return !reports_.empty(); }, 20000));
    VPDownloaderModel::destroy();
    pumpFor(300);
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(main.connections(), 1);
    EXPECT_EQ(spare.connections(), 0);
}

TEST_F(PlayerDownloadTest, BothMirrorsFailingKeepsOnlyAPartialThatCanBeContinued)
{
    LoopbackPeer main({kUnavailable});
    // The spare breaks off after a few bytes, then is down too.
    LoopbackPeer spare({PeerReply(cutAnswer(body_, 5000)), kUnavailable});
    useMirrors(&main, &spare);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished(60000));
    EXPECT_EQ(events_, std::vector<std::string>{"failed"});
    EXPECT_EQ(failure_, DownloadFailure::Network);
    EXPECT_EQ(model_->switchTimer, 0u) << "nothing left for the switch check to watch";
    // Kept for the next run, with a record that never claims more than the file holds.
    utility::resume::Record record;
    ASSERT_TRUE(utility::resume::readRecordFile(utility::resume::recordPathFor(partial()), record));
    EXPECT_EQ(readFile(partial()), body_.substr(0, 5000));
    EXPECT_EQ(record.have, 5000);
    EXPECT_EQ(record.etag, "\"v1\"");
    EXPECT_FALSE(utility::ufile::pathExists(target()));
    // Two tries on each transport for the main mirror, one then three for the spare.
    EXPECT_EQ(main.connections(), 4);
    EXPECT_EQ(spare.connections(), 8);

    // Without a validator nothing could continue it: no part stays.
    again();
    LoopbackPeer plain({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 100000\r\n") + body_.substr(0, 5000)),
                        kUnavailable});
    useMirrors(&plain, nullptr);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished(60000));
    EXPECT_EQ(events_, std::vector<std::string>{"failed"});
    EXPECT_FALSE(utility::ufile::pathExists(partial()));
    EXPECT_FALSE(utility::ufile::pathExists(utility::resume::recordPathFor(partial())));
}

TEST_F(PlayerDownloadTest, DigestOfTheAnswerDecidesWhichMirrorsFileIsKept)
{
    std::string corrupt = body_;
    corrupt[5000] ^= 0x55;
    LoopbackPeer main({okAnswer(corrupt)});
    LoopbackPeer spare({okAnswer(body_)});
    useMirrors(&main, &spare);
    model_->playerMd5.set(utility::utf8ToWide(md5Text(body_, scratch_)));
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), body_);
    EXPECT_EQ(spare.connections(), 1);
}

TEST_F(PlayerDownloadTest, DigestMismatchOnBothMirrorsKeepsNothing)
{
    LoopbackPeer main({okAnswer(body_)});
    LoopbackPeer spare({okAnswer(body_)});
    useMirrors(&main, &spare);
    model_->playerMd5.set(L"00000000000000000000000000000000");
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"failed"});
    EXPECT_EQ(failure_, DownloadFailure::Refused);
    EXPECT_FALSE(utility::ufile::pathExists(target()));
    EXPECT_FALSE(utility::ufile::pathExists(target() + L".tmp"));
    EXPECT_FALSE(utility::ufile::pathExists(utility::resume::recordPathFor(partial())));
}

TEST_F(PlayerDownloadTest, InstallPressedBeforeAnAnswerUsesTheFallbackOnTheFifthTick)
{
    // The version service accepts and then stays silent; the fallback
    // address lies on the same host.
    LoopbackPeer host({PeerReply("", 20000), okAnswer(body_)});
    ServiceHosts hosts = region::configuredHosts();
    hosts.cnResource = L"127.0.0.1:" + std::to_wstring(host.port());
    region::setHostsForTesting(hosts);
    model_->init(L"");
    model_->setInstallDir(folder_);
    ASSERT_TRUE(pumpUntil([&] { return host.connections() == 1; }, 5000));
    testing_support::LogCapture log;
    const DWORD begin = ::GetTickCount();
    model_->startDownloadPlayer();
    pumpFor(120); // two ticks of 50 ms: still waiting
    EXPECT_TRUE(model_->playerUrl.get().empty());
    ASSERT_TRUE(finished());
    EXPECT_GE(::GetTickCount() - begin, 240u); // the fifth tick
    EXPECT_EQ(model_->playerUrl.get(), region::fallbackInstallerUrl());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    // The silent lookup was cut off, not waited out.
    EXPECT_FALSE(model_->versionWorker.hasThread());
    ASSERT_EQ(host.requests().size(), 2u);
    EXPECT_EQ(host.requests()[0].rfind("GET /kx/tarnwell HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(host.requests()[1].rfind("GET /download/release/rizodi.exe HTTP/1.1\r\n", 0), 0u);
    // The log reaches its file within about half a second.
    std::vector<testing_support::LogEntry> lines;
    pumpUntil([&] { return !(lines = log.lines("VPDownloaderModel::startDownloadPlayer")).empty(); }, 3000);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, "start downloader. bug getting player url");
}

TEST_F(PlayerDownloadTest, SameVersionInstalledInTheChosenFolderNeedsNoDownload)
{
    utility::ufile::makeDir(folder_);
    testing_support::writeFile(folder_ + L"\\vpplayer.exe", "x");
    model_->installedVersion = L"12";
    model_->serverVersion.set(L"12.0.3");
    model_->registeredDir = scratch_ + L"Kolvex";
    std::wstring slashed = folder_;
    for (wchar_t& c : slashed)
        if (c == L'\\') c = L'/';
    model_->setInstallDir(slashed);
    // zodovivevizez.exe is missing: the installation is not complete.
    EXPECT_FALSE(model_->alreadyInstalled());
    testing_support::writeFile(folder_ + L"\\zodovivevizez.exe", "x");
    EXPECT_TRUE(model_->alreadyInstalled());

    model_->playerUrl.set(L"http://127.0.0.1:9/unused");
    model_->startDownloadPlayer();
    // Called directly, not through a posted task.
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});

    model_->installedVersion = L"11.9";
    EXPECT_FALSE(model_->alreadyInstalled());
    model_->installedVersion = L"12";
    model_->registeredDir = scratch_ + L"Other";
    EXPECT_FALSE(model_->alreadyInstalled());
}

// The version lookup failed once and pauses before its next attempt when
// the fifth tick comes: the abort ends the lookup there, so the interface
// thread goes on at once and the next request is already the download.
TEST_F(PlayerDownloadTest, FifthTickDuringThePauseOfTheLookupEndsItAtOnce)
{
    LoopbackPeer host({kUnavailable, okAnswer(body_)});
    ServiceHosts hosts = region::configuredHosts();
    hosts.cnResource = L"127.0.0.1:" + std::to_wstring(host.port());
    region::setHostsForTesting(hosts);
    model_->init(L"");
    model_->setInstallDir(folder_);
    ASSERT_TRUE(pumpUntil([&] { return host.requests().size() == 1; }, 5000));
    const DWORD begin = ::GetTickCount();
    model_->startDownloadPlayer(); // the fifth tick comes 250 ms later, inside the 1000 ms pause
    ASSERT_TRUE(finished());
    EXPECT_LT(::GetTickCount() - begin, 3000u);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), body_);
    // No second lookup: the next request is already the download.
    const auto requests = host.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /download/release/rizodi.exe HTTP/1.1\r\n", 0), 0u);
}

// Whatever keeps the version worker busy, the interface thread waits for
// it only a bounded time after the fifth tick, then downloads from the
// fallback address.
TEST_F(PlayerDownloadTest, WaitForTheVersionWorkerAfterTheFifthTickIsBounded)
{
    LoopbackPeer host({okAnswer(body_)});
    ServiceHosts hosts = region::configuredHosts();
    hosts.cnResource = L"127.0.0.1:" + std::to_wstring(host.port());
    region::setHostsForTesting(hosts);
    std::atomic<bool> release{false};
    ASSERT_TRUE(model_->versionWorker.start(makeFunctionRunable([&release] {
        for (int i = 0; i < 800 && !release; ++i) ::Sleep(10); // deaf to the abort, at most 8 s
    })));
    const DWORD begin = ::GetTickCount();
    model_->startDownloadPlayer();
    const bool done = finished(15000);
    const DWORD took = ::GetTickCount() - begin;
    release = true;
    ASSERT_TRUE(done);
    EXPECT_LT(took, 6000u);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(model_->playerUrl.get(), region::fallbackInstallerUrl());
    ASSERT_TRUE(model_->versionWorker.wait(5000));
}

// The success lines name the download step that succeeded: the main
// mirror's step writes both, the spare mirror's step only the first.
static std::vector<testing_support::LogEntry> successLines(const testing_support::LogCapture& log, const std::string& success)
{
    // Other test processes download too: an "ok" line counts only from the
    // worker that wrote this test's own success line.
    std::vector<testing_support::LogEntry> lines;
    unsigned long worker = 0;
    for (const testing_support::LogEntry& entry : log.linesOf("VPDownloaderModel::", 0)) {
        if (entry.message == success) worker = entry.thread;
        if (entry.message == success || (entry.message == "player download ok by cn" && entry.thread == worker))
            lines.push_back(entry);
    }
    return lines;
}

TEST_F(PlayerDownloadTest, MainMirrorSuccessLinesNameItsStep)
{
    testing_support::LogCapture log;
    const std::string success = "dowload file sucess file= " + testing_support::utf8(target());
    LoopbackPeer main({okAnswer(body_)});
    useMirrors(&main, nullptr);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    std::vector<testing_support::LogEntry> lines;
    ASSERT_TRUE(testing_support::waitUntil([&] { return (lines = successLines(log, success)).size() >= 2; }, 3000));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].message, success);
    EXPECT_EQ(lines[0].function, "VPDownloaderModel::_downloadByCNUrl");
    EXPECT_EQ(lines[1].message, "player download ok by cn");
    EXPECT_EQ(lines[1].function, "VPDownloaderModel::_downloadByCNUrl");
    EXPECT_EQ(lines[1].thread, lines[0].thread);
}

TEST_F(PlayerDownloadTest, SpareMirrorSuccessLineNamesItsStep)
{
    testing_support::LogCapture log;
    const std::string success = "dowload file sucess file= " + testing_support::utf8(target());
    LoopbackPeer main({kUnavailable});
    LoopbackPeer spare({okAnswer(body_)});
    useMirrors(&main, &spare);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished(30000));
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    std::vector<testing_support::LogEntry> lines;
    ASSERT_TRUE(testing_support::waitUntil([&] { return !(lines = successLines(log, success)).empty(); }, 3000));
    ::Sleep(300); // a wrong "ok by cn" line would follow within this
    lines = successLines(log, success);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, success);
    EXPECT_EQ(lines[0].function, "VPDownloaderModel::_downloadByENUrl");
}

// The answer comes after the second tick: the third tick takes it and
// starts the download from the answer's address, not the fallback.
TEST_F(PlayerDownloadTest, AnswerAfterTheSecondTickStartsTheDownloadOnTheThird)
{
    LoopbackPeer main({okAnswer(body_)});
    model_->waitTickMs = 300;
    model_->startDownloadPlayer();
    ASSERT_TRUE(pumpUntil([&] { return model_->waitTicks() == 2; }, 5000));
    EXPECT_EQ(main.connections(), 0);
    useMirrors(&main, nullptr); // as the version worker would
    ASSERT_TRUE(finished());
    EXPECT_EQ(model_->waitTicks(), 3);
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    ASSERT_EQ(main.requests().size(), 1u);
    EXPECT_EQ(main.requests()[0].rfind("GET /main/rizodi.exe HTTP/1.1\r\n", 0), 0u);
    EXPECT_EQ(readFile(target()), body_);
    pumpFor(700);
    EXPECT_EQ(model_->waitTicks(), 3) << "the wait timer is stopped";
}

// Same version, same folder, the player present but zodovivevizez.exe
// missing: not installed, so the download really runs.
TEST_F(PlayerDownloadTest, MissingSecondProgramMeansTheDownloadRuns)
{
    utility::ufile::makeDir(folder_);
    testing_support::writeFile(folder_ + L"\\vpplayer.exe", "x");
    model_->installedVersion = L"12";
    model_->serverVersion.set(L"12");
    model_->registeredDir = folder_;
    LoopbackPeer main({okAnswer(body_)});
    useMirrors(&main, nullptr);
    model_->startDownloadPlayer();
    EXPECT_TRUE(events_.empty()) << "not ready at once";
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(main.connections(), 1);
    EXPECT_EQ(readFile(target()), body_);
    ASSERT_FALSE(reports_.empty());
    EXPECT_EQ(reports_.back().percent, 100);
}

// A relaunch finds the partial and its record: only the rest is asked for,
// and the file is whole afterwards; the record goes with the move.
TEST_F(PlayerDownloadTest, RelaunchContinuesThePartialItsRecordVouchesFor)
{
    LoopbackPeer main({partialAnswer(body_, 60000)});
    useMirrors(&main, nullptr);
    leavePartial(60000, "\"v1\"", main.url(L"/main/rizodi.exe"), kNow - 3600);
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished());
    EXPECT_EQ(events_, std::vector<std::string>{"ready"});
    EXPECT_EQ(readFile(target()), body_);
    EXPECT_FALSE(utility::ufile::pathExists(utility::resume::recordPathFor(partial())));
    ASSERT_EQ(main.requests().size(), 1u);
    EXPECT_NE(main.requests()[0].find("Range: bytes=60000-\r\n"), std::string::npos) << main.requests()[0];
    EXPECT_NE(main.requests()[0].find("If-Range: \"v1\"\r\n"), std::string::npos) << main.requests()[0];
    // The page shows the download from where it stood.
    ASSERT_FALSE(reports_.empty());
    EXPECT_GE(reports_.front().percent, 60);
    EXPECT_EQ(reports_.front().total, 100000);
}

// Whatever does not prove the partial part of the served file starts it
// over: no Range at all, or in the same attempt once the answer shows it.
TEST_F(PlayerDownloadTest, RelaunchStartsOverUnlessRecordAndAnswerFit)
{
    std::string changed = body_;
    changed[70000] ^= 0x33;
    const struct {
        const char* what;
        std::string etag;
        std::int64_t savedAt;
        std::size_t partialBytes; // of the 60000 the record claims
        bool garbled;
        std::vector<PeerReply> replies;
        bool asksRange;
        std::string served;
    } cases[] = {
        {"a new file on the server", "\"v1\"", kNow, 60000, false, {okAnswer(changed, "\"v2\"")}, true, changed},
        {"a record older than 7 days", "\"v1\"", kNow - 8 * 24 * 3600, 60000, false, {okAnswer(body_)}, false, body_},
        {"a record that does not parse", "\"v1\"", kNow, 60000, true, {okAnswer(body_)}, false, body_},
        {"a range answer that does not fit", "\"v1\"", kNow, 60000, false,
         {partialAnswer(body_, 60000, 59000), okAnswer(body_)}, true, body_},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackPeer main(c.replies);
        useMirrors(&main, nullptr);
        leavePartial(60000, c.etag, main.url(L"/main/rizodi.exe"), c.savedAt);
        testing_support::writeFile(partial(), body_.substr(0, c.partialBytes));
        if (c.garbled) testing_support::writeFile(utility::resume::recordPathFor(partial()), "kolvex-resume 1\nurl x\n");
        model_->startDownloadPlayer();
        ASSERT_TRUE(finished());
        EXPECT_EQ(events_, std::vector<std::string>{"ready"});
        EXPECT_EQ(readFile(target()), c.served);
        const std::vector<std::string> requests = main.requests();
        ASSERT_EQ(requests.size(), c.replies.size()) << "in the same attempt";
        EXPECT_EQ(requests.front().find("Range: bytes=60000-") != std::string::npos, c.asksRange) << requests.front();
        EXPECT_EQ(requests.back().find("Range:") != std::string::npos, c.replies.size() == 1 && c.asksRange);
        again();
    }
}

// A sign-in page at both addresses: each attempt ends at its head or its
// first bytes, nothing is kept, and the window learns why.
TEST_F(PlayerDownloadTest, WebPageInsteadOfTheInstallerFailsEveryAttemptAtOnce)
{
    const std::string page = "<!DOCTYPE html><html><body>Sign in to the hotel network</body></html>";
    LoopbackPeer main({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Type: text/html; charset=utf-8\r\n"
                                                             "Content-Length: " + std::to_string(page.size()) + "\r\n") +
                                 page)});
    LoopbackPeer spare({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Type: application/octet-stream\r\n"
                                                              "Content-Length: " + std::to_string(page.size()) + "\r\n") +
                                  page)});
    useMirrors(&main, &spare);
    testing_support::LogCapture log;
    model_->startDownloadPlayer();
    ASSERT_TRUE(finished(60000));
    EXPECT_EQ(events_, std::vector<std::string>{"failed"});
    EXPECT_EQ(failure_, DownloadFailure::WebPage);
    EXPECT_EQ(main.connections(), 4);
    EXPECT_EQ(spare.connections(), 8);
    EXPECT_FALSE(utility::ufile::pathExists(target()));
    EXPECT_FALSE(utility::ufile::pathExists(partial()));
    std::vector<testing_support::LogEntry> lines;
    testing_support::waitUntil([&] { return (lines = log.linesOfAnyThread("VPDownloaderModel::onDownload")).size() >= 12; },
                               3000);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines.front().message, "web page instead of the installer: status 200, Content-Type text/html; charset=utf-8");
    EXPECT_EQ(lines.back().message, "not an installer: the answer begins with \"<!DOCTYPE html><\"");
}
