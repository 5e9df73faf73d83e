// The game-package worker without a window: real downloads from a loopback
// peer into a scratch folder, the console tool and the window's tasks
// recorded instead of run.

#include "ui/game_page.h"
#include "ui/package_job.h"
#include "ui/vpdownloader_mainframe.h"

#include "../utility/loopback_peer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using testing_support::chunked;
using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerPiece;
using testing_support::PeerReply;

namespace {

std::string body(std::size_t size, char seed)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>(seed + (i * 7) % 91);
    return out;
}

std::string ok(const std::string& bytes)
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(bytes.size()) + "\r\n") + bytes;
}

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

GameRecord record(const std::wstring& url, const std::wstring& package, const std::wstring& name,
                  const std::wstring& resolution = std::wstring())
{
    GameRecord game;
    game.url = url;
    game.package = package;
    game.name = name;
    game.resolution = resolution;
    return game;
}

// Runs the worker as the window would, with everything it hands to the
// window or to other programs recorded in order.
class WorkerRun {
public:
    WorkerRun(const std::wstring& folder, std::vector<GameRecord> games)
    {
        ui::PackageJob::Reports reports;
        reports.packageCounter = [this] { note(L"counter"); };
        reports.installState = [this](const std::wstring& name) { note(L"install state " + name); };
        reports.packagesMissing = [this](const std::wstring& names) { note(L"missing " + names); };
        reports.downloadProgress = [this](std::int64_t received, std::int64_t total) {
            note(L"progress " + std::to_wstring(received) + L"/" + std::to_wstring(total));
        };
        reports.startWithPackage = [this](const std::wstring& package) { note(L"start " + package); };
        // Tasks run in the order posted, as the dispatcher runs them.
        auto poster = [this](std::function<void()> task) { task(); };
        job = std::make_shared<ui::PackageJob>(folder, std::move(games), std::move(reports), poster);
        job->attemptPauseMs = 20;
        job->installDelayMs = 0;
        job->apkHttp.setTcpTimeout(3000);
        job->missingNoticeMs = 0;
        job->execute = [this](const std::wstring& file, const std::wstring& params, unsigned long timeoutMs) {
            note(L"run " + file + L" " + params + L" " + std::to_wstring(timeoutMs));
            utility::process::RunEnd end;
            end.kind = params.compare(0, hangOn.size(), hangOn) == 0 && !hangOn.empty()
                           ? utility::process::RunEnd::Kind::TimedOut
                           : utility::process::RunEnd::Kind::Exited;
            return end;
        };
    }

    void work() { VPDownloaderMainFrame::_threadDownloadApk(*job); }

    std::vector<std::wstring> events() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return events_;
    }
    // The events without the progress reports.
    std::vector<std::wstring> steps() const
    {
        std::vector<std::wstring> out;
        for (const std::wstring& e : events())
            if (e.compare(0, 9, L"progress ") != 0) out.push_back(e);
        return out;
    }
    int count(const std::wstring& prefix) const
    {
        int n = 0;
        for (const std::wstring& e : events()) n += e.compare(0, prefix.size(), prefix) == 0;
        return n;
    }

    std::shared_ptr<ui::PackageJob> job;
    // Console commands beginning so outlive their time.
    std::wstring hangOn;

private:
    void note(const std::wstring& text)
    {
        std::lock_guard<std::mutex> guard(lock_);
        events_.push_back(text);
    }
    mutable std::mutex lock_;
    std::vector<std::wstring> events_;
};

std::wstring installCommand(const std::wstring& file)
{
    return L"installapk --index 0 --filename \"" + file + L"\" --wait --hide";
}

} // namespace

TEST(GamePackageSizeTest, RefusesNegativeAbsurdAndOverLimitSizes)
{
    const std::int64_t limit = 1000;
    EXPECT_TRUE(ui::packageSizeAcceptable(0, 1000, limit));
    EXPECT_TRUE(ui::packageSizeAcceptable(1000, 1000, limit));
    EXPECT_TRUE(ui::packageSizeAcceptable(500, -1, limit)) << "no length announced";
    EXPECT_FALSE(ui::packageSizeAcceptable(1001, -1, limit)) << "more received than the limit";
    EXPECT_FALSE(ui::packageSizeAcceptable(10, 1001, limit)) << "more announced than the limit";
    EXPECT_FALSE(ui::packageSizeAcceptable(10, -2, limit));
    EXPECT_FALSE(ui::packageSizeAcceptable(10, -2147483647LL - 1, limit));
    EXPECT_FALSE(ui::packageSizeAcceptable(-1, 100, limit));
    EXPECT_TRUE(ui::packageSizeAcceptable(0x7FFFFFFF, 0x7FFFFFFF, ui::kMaxPackageBytes));
}

TEST(GameEndOfInstallationTest, FirstRecordDecidesAndUnsafeHandoversAreDropped)
{
    EXPECT_EQ(ui::endOfInstallation({}).decision.form, GameHandover::None);

    GameRecord store = record(L"http://h/a.apk", L"com.a", L"A");
    store.fromAppStore = true;
    store.icon = L"http://h/a.png";
    store.gameId = L"7";
    const ui::EndOfInstallation storeEnd = ui::endOfInstallation({store, record(L"", L"com.b", L"B")});
    EXPECT_EQ(storeEnd.decision.form, GameHandover::StoreForm);
    EXPECT_EQ(storeEnd.decision.arguments, L"apk=|show=true|package=com.a|downloadapkurl=http://h/a.apk;S.package=com.a;"
                                           L"S.appname=A;S.appicon=http://h/a.png;S.appsize=96");
    EXPECT_EQ(storeEnd.droppedField, nullptr);

    GameRecord byId;
    byId.gameId = L"501";
    EXPECT_EQ(ui::endOfInstallation({byId}).decision.arguments, L"apk=|show=true|package=|downloadgameid=501");
    EXPECT_EQ(ui::endOfInstallation({record(L"", L"com.c", L"C")}).decision.arguments,
              L"apk=|show=true|package=com.c|downloadpackage=com.c");

    const ui::EndOfInstallation fetch = ui::endOfInstallation({record(L"http://h/x.apk", L"", L"X"), byId});
    EXPECT_EQ(fetch.decision.form, GameHandover::FetchPackages);
    EXPECT_TRUE(fetch.decision.arguments.empty());

    // A value that would add keys to the player's text: not handed over.
    store.name = L"A;S.package=evil";
    const ui::EndOfInstallation dropped = ui::endOfInstallation({store});
    EXPECT_EQ(dropped.decision.form, GameHandover::None);
    EXPECT_TRUE(dropped.decision.arguments.empty());
    ASSERT_NE(dropped.droppedField, nullptr);
    EXPECT_EQ(std::wstring(dropped.droppedField), L"name");
    GameRecord byPackage = record(L"", L"com.c|show=false", L"C");
    EXPECT_EQ(ui::endOfInstallation({byPackage}).decision.form, GameHandover::None);
}

TEST(GamePackageWorkerTest, TwoGamesAreFetchedThenResolutionThenInstalledInListOrder)
{
    const std::string first = body(150000, 'a');
    const std::string second = body(90000, 'k');
    LoopbackPeer peer1({PeerReply(ok(first))});
    LoopbackPeer peer2({PeerReply(ok(second))});
    const std::wstring folder = testing_support::scratchFolder() + L"Kolvex";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    WorkerRun run(folder, {record(peer1.url(L"/apk/one.apk"), L"com.example.one", L"Game One", L"1280x720"),
                     record(peer2.url(L"/apk/two.apk"), L"com.example.two", L"Game Two")});
    run.work();

    const std::wstring console = folder + L"\\vpconsole.exe";
    const std::wstring file1 = folder + L"\\Game One.apk";
    const std::wstring file2 = folder + L"\\Game Two.apk";
    const std::vector<std::wstring> expected = {
        L"counter",
        L"counter",
        L"run " + console + L" modify --index 0 --resolution 1280x720 30000",
        L"install state Game One",
        L"run " + console + L" " + installCommand(file1) + L" 120000",
        L"run " + console + L" " + installCommand(file2) + L" 120000",
        L"start com.example.two",
    };
    EXPECT_EQ(run.steps(), expected);
    EXPECT_EQ(testing_support::readFile(file1), first);
    EXPECT_EQ(testing_support::readFile(file2), second);
    EXPECT_FALSE(exists(file1 + L".tmp"));
    EXPECT_FALSE(exists(file2 + L".tmp"));
    // Each download ends with the report that completes it, after its counter.
    const std::vector<std::wstring> events = run.events();
    const auto at = [&events](const std::wstring& e) { return std::find(events.begin(), events.end(), e) - events.begin(); };
    EXPECT_LT(at(L"progress 150000/150000"), at(L"progress 90000/90000"));
    EXPECT_LT(at(L"progress 90000/90000"), at(L"install state Game One"));
    EXPECT_EQ(peer1.connections(), 1) << "no second request after a success";
}

TEST(GamePackageWorkerTest, OversizedNegativeAndAbsurdPackagesFailTheirAttemptsCleanly)
{
    const std::string big = body(3000, 'z');
    // Within the limit: only the announced length is wrong.
    const std::string small = body(1000, 'y');
    const struct {
        const char* what;
        std::string reply;
    } cases[] = {
        {"announced above the limit", ok(big)},
        {"no length, more than the limit", httpHead("HTTP/1.1 200 OK", "") + big},
        {"chunked, more than the limit", httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                                             chunked({big.substr(0, 1500), big.substr(1500)})},
        {"negative length", httpHead("HTTP/1.1 200 OK", "Content-Length: -5\r\n") + small},
        {"absurd length", httpHead("HTTP/1.1 200 OK", "Content-Length: 3000000000\r\n") + small},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackPeer peer({PeerReply(c.reply)});
        const std::wstring folder = testing_support::scratchFolder() + L"Kolvex";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        WorkerRun run(folder, {record(peer.url(L"/apk/big.apk"), L"com.example.big", L"Big")});
        run.job->maxPackageBytes = 2000;
        run.work();
        const std::wstring file = folder + L"\\Big.apk";
        EXPECT_FALSE(exists(file));
        EXPECT_FALSE(exists(file + L".tmp"));
        EXPECT_GE(peer.connections(), 3) << "three attempts";
        EXPECT_EQ(run.job->apkHttp.connMode(), 1) << "the third over the raw socket";
        // The run goes on without it: the console tool never sees it, the
        // page names it, the player starts as for no game.
        EXPECT_EQ(run.steps(), (std::vector<std::wstring>{L"counter", L"missing Big", L"start "}));
        for (const std::wstring& e : run.events()) {
            if (e.compare(0, 9, L"progress ") == 0) {
                EXPECT_LE(std::stoll(e.substr(9)), 2000);
            }
        }
    }
}

TEST(GamePackageWorkerTest, HostileNamesStayInsideTheFolderAndKeepTheCommandLine)
{
    LoopbackPeer peer({PeerReply(ok(body(1000, 'h')))});
    const std::wstring folder = testing_support::scratchFolder() + L"Kolvex";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    WorkerRun run(folder, {record(peer.url(L"/a.apk"), L"com.a", L"..\\..\\CON\" --evil \"x"),
                     record(peer.url(L"/b.apk"), L"com.b", L"NUL"), record(peer.url(L"/c.apk"), L"com.c", L"../../up"),
                     record(peer.url(L"/d.apk"), L"com.d", L"C:\\Windows\\evil")});
    run.work();
    ASSERT_EQ(run.job->packageFiles().size(), 4u);
    for (const std::wstring& file : run.job->packageFiles()) {
        SCOPED_TRACE(std::string(file.begin(), file.end()));
        const std::wstring name = file.substr(folder.size() + 1);
        EXPECT_EQ(file.compare(0, folder.size() + 1, folder + L"\\"), 0);
        EXPECT_EQ(name.find_first_of(L"\\/:\"<>|?*"), std::wstring::npos);
        EXPECT_EQ(testing_support::readFile(file).size(), 1000u) << "downloaded into the folder";
        EXPECT_EQ(run.count(L"run " + folder + L"\\vpconsole.exe " + installCommand(file)), 1);
    }
    // Nothing landed beside or above the install folder.
    const std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW((parent + L"\\*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
        names.push_back(found.cFileName);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L".", L"..", L"Kolvex"}));
}

TEST(GamePackageWorkerTest, StopDuringADownloadEndsTheRunWithoutInstallingOrPosting)
{
    // Over the raw socket the stop cuts the transfer at once. WinInet under
    // Wine finishes the block it is reading first (32 KiB, here about three
    // seconds); the run still ends without installing or posting.
    const struct {
        int mode;
        DWORD boundMs;
    } modes[] = {{1, 2000}, {0, 6000}};
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        // A first block at once, then the body comes slowly for seconds: the
        // stop arrives while it flows.
        PeerReply slow;
        slow.pieces.push_back({httpHead("HTTP/1.1 200 OK", "Content-Length: 200000\r\n") + body(40000, 's'), 0});
        for (int i = 0; i < 80; ++i) slow.pieces.push_back({body(1000, 't'), 100});
        LoopbackPeer peer({slow});
        const std::wstring folder = testing_support::scratchFolder() + L"Kolvex";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        WorkerRun run(folder, {record(peer.url(L"/slow.apk"), L"com.slow", L"Slow", L"1280x720"),
                               record(peer.url(L"/next.apk"), L"com.next", L"Next")});
        run.job->apkHttp.setConnMode(m.mode);
        std::thread worker([&run] { run.work(); });
        for (int i = 0; i < 100 && run.count(L"progress ") == 0; ++i) ::Sleep(50);
        EXPECT_GE(run.count(L"progress "), 1);
        ::Sleep(300);
        const DWORD stoppedAt = ::GetTickCount();
        run.job->stop();
        worker.join();
        EXPECT_LT(::GetTickCount() - stoppedAt, m.boundMs);
        const std::size_t seen = run.events().size();
        EXPECT_EQ(run.count(L"run "), 0) << "no console tool after the stop";
        EXPECT_EQ(run.count(L"start "), 0);
        EXPECT_EQ(run.count(L"install state"), 0);
        EXPECT_EQ(run.count(L"missing"), 0);
        EXPECT_EQ(run.count(L"counter"), 1) << "the second game is not begun";
        EXPECT_FALSE(run.job->post([] {})) << "nothing is posted once stopped";
        EXPECT_EQ(run.events().size(), seen);
        EXPECT_FALSE(exists(folder + L"\\Slow.apk"));
        EXPECT_FALSE(exists(folder + L"\\Slow.apk.tmp"));
        EXPECT_FALSE(exists(folder + L"\\Next.apk"));
    }
}

// One of two packages cannot be fetched and the resolution step hangs: the
// run goes on past both with the package that did arrive.
TEST(GamePackageWorkerTest, MissingPackageIsNotInstalledAndAHangingResolutionIsLeft)
{
    const std::string second = body(5000, 'q');
    LoopbackPeer gone({PeerReply(httpHead("HTTP/1.1 404 Not Found", "Content-Length: 0\r\n"))});
    LoopbackPeer peer({PeerReply(ok(second))});
    const std::wstring folder = testing_support::scratchFolder() + L"Kolvex";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    WorkerRun run(folder, {record(gone.url(L"/apk/one.apk"), L"com.example.one", L"<c #ff0000>One</c>", L"1280x720"),
                           record(peer.url(L"/apk/two.apk"), L"com.example.two", L"Game Two")});
    run.hangOn = L"modify";
    run.work();
    const std::wstring console = folder + L"\\vpconsole.exe";
    const std::vector<std::wstring> expected = {
        L"counter",
        L"counter",
        L"missing <c #ff0000>One</c>",
        L"run " + console + L" modify --index 0 --resolution 1280x720 30000",
        L"install state Game Two",
        L"run " + console + L" " + installCommand(folder + L"\\Game Two.apk") + L" 120000",
        L"start com.example.two",
    };
    EXPECT_EQ(run.steps(), expected);
    EXPECT_EQ(gone.connections(), 3);
    EXPECT_FALSE(exists(run.job->packageFiles()[0]));

    // The name is shown as it came, never as mark-up.
    const ui::PackageProgressView view = ui::packageDownloadProgress(L"DL ", L"<c #ff0000>One</c> & co", 1, 1, 512, 1024);
    EXPECT_EQ(view.label, L"DL &lt;c #ff0000&gt;One&lt;/c&gt; &amp; co\uFF1A0KB / 0M (<c #268fd6>50%</c>)");
}
