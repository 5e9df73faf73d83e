#include "utility/http_client.h"

#include "utility/http_sinks.h"

#include "loopback_peer.h"
#include "recording_sink.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using testing_support::chunked;
using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerPiece;
using testing_support::PeerReply;
using utility::CHttpClientWrapper;

namespace {

// Records every progress call; refuses blocks on request.
class Progress : public CHttpClientWrapper::IHttpDownloadSink {
public:
    bool onDownloadProgress(const unsigned char*, int size, int received, int total) override
    {
        calls.push_back({size, received, total});
        return refuseFrom < 0 || static_cast<int>(calls.size()) <= refuseFrom;
    }
    bool onDownloadFinished() override
    {
        ++finished;
        return true;
    }
    struct Call {
        int size, received, total;
    };
    std::vector<Call> calls;
    int finished = 0;
    int refuseFrom = -1; // refuse every call after this many
};

using Recorder = testing_support::RecordingSink;

std::string ok(const std::string& body)
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body;
}

std::string pattern(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return out;
}

// One transfer through open/perform/closeConnection with a recording sink.
Recorder transfer(CHttpClientWrapper& client, const std::wstring& url)
{
    Recorder sink;
    if (client.open(url, &sink)) client.perform();
    client.closeConnection();
    return sink;
}

// Cuts a transfer from another thread once the peer has seen its first
// request, plus delayMs; a loaded machine may take long to get there.
class Cutter {
public:
    template <class F>
    Cutter(const LoopbackPeer& peer, DWORD delayMs, F cut)
        : thread_([this, &peer, delayMs, cut] {
              for (int i = 0; i < 1000 && peer.requests().empty(); ++i) Sleep(10);
              Sleep(delayMs);
              cutAt_ = GetTickCount();
              cut();
          })
    {
    }
    ~Cutter() { join(); }
    void join()
    {
        if (thread_.joinable()) thread_.join();
    }
    // Time since the cut; join first.
    DWORD sinceCut() const { return GetTickCount() - cutAt_.load(); }

private:
    std::atomic<DWORD> cutAt_{0};
    std::thread thread_;
};

bool isRawRequest(const std::string& request)
{
    return request.find("\r\nHost:127.0.0.1\r\n") != std::string::npos;
}

} // namespace

TEST(HttpClientTest, BodiesAreFramedAndShortOnesFail)
{
    CHttpClientWrapper client;
    client.setConnMode(1);
    const std::string big = pattern(100000);
    LoopbackPeer peer({PeerReply(ok(big)),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                                 chunked({"hello", big})),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 10\r\n") + "short"),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "") + "until close"),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 0\r\n") + "zero means close"),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + "5\r\nhel"),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 3\r\n") + "abcEXTRA")});
    Recorder r = transfer(client, peer.url(L"/length"));
    EXPECT_EQ(r.events, "head 200 100000;finished;");
    EXPECT_EQ(r.body, big);
    r = transfer(client, peer.url(L"/chunked"));
    EXPECT_EQ(r.events, "head 200 -1;finished;");
    EXPECT_EQ(r.body, "hello" + big);
    r = transfer(client, peer.url(L"/short"));
    EXPECT_EQ(r.events, "head 200 10;error 19;");
    r = transfer(client, peer.url(L"/noLength"));
    EXPECT_EQ(r.events, "head 200 -1;finished;");
    EXPECT_EQ(r.body, "until close");
    r = transfer(client, peer.url(L"/zero"));
    EXPECT_EQ(r.events, "head 200 0;finished;");
    EXPECT_EQ(r.body, "zero means close");
    r = transfer(client, peer.url(L"/cutChunk"));
    EXPECT_EQ(r.events, "head 200 -1;error 19;");
    r = transfer(client, peer.url(L"/extra"));
    EXPECT_EQ(r.events, "head 200 3;finished;");
    EXPECT_EQ(r.body, "abc");
}

TEST(HttpClientTest, FailedStepsReportTheirCodes)
{
    CHttpClientWrapper client;
    client.setConnMode(1);
    client.setTcpTimeout(1000);
    // Nothing listens on port 1.
    Recorder r = transfer(client, L"http://127.0.0.1:1/x");
    EXPECT_EQ(r.events, "error 12;");
    LoopbackPeer peer({PeerReply("HTTP/1.1 200 OK\r\n"),
                       PeerReply(httpHead("HTTP/1.1 302 Found", "Location: http://127.0.0.1:{PORT}/loop\r\n"))});
    r = transfer(client, peer.url(L"/cut"));
    EXPECT_EQ(r.events, "error 17;");
    r = transfer(client, peer.url(L"/loop"));
    EXPECT_EQ(r.events, "error 17;");
}

TEST(HttpClientTest, FileDownloadWritesTheBodyAndReportsProgress)
{
    const std::wstring file = testing_support::scratchFolder() + L"out.bin";
    const std::string body = pattern(70000);
    LoopbackPeer peer({PeerReply(ok(body))});
    CHttpClientWrapper client;
    client.setConnMode(1);
    Progress progress;
    ASSERT_TRUE(client.downloadFile(peer.url(L"/file"), file, &progress));
    EXPECT_EQ(testing_support::readFile(file), body);
    ASSERT_EQ(progress.calls.size(), 3u);
    EXPECT_EQ(progress.calls[0].size, 32768);
    EXPECT_EQ(progress.calls[2].received, 70000);
    EXPECT_EQ(progress.calls[2].total, 70000);
    EXPECT_EQ(progress.finished, 1);
    const std::string request = peer.requests().at(0);
    EXPECT_EQ(request, "GET /file HTTP/1.1\r\nHost:127.0.0.1\r\nCache-Control:no-cache\r\nPragma:no-cache\r\n"
                       "Content-Type: application/x-www-form-urlencoded\r\nUser-Agent: okhttp/3.5.0L\r\n\r\n");
}

TEST(HttpClientTest, NotFoundCreatesNoFileAndReportsNoError)
{
    const std::wstring file = testing_support::scratchFolder() + L"missing.bin";
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 404 Not Found", "Content-Length: 3\r\n") + "no!")});
    CHttpClientWrapper client;
    client.setConnMode(1);
    Progress progress;
    EXPECT_FALSE(client.downloadFile(peer.url(L"/f"), file, &progress));
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(progress.calls.empty());

    // The file sink itself: the refused head is its last word.
    utility::CHttpDownload2FileSink sink(file, nullptr, &progress, 0);
    EXPECT_FALSE(sink.onHttpRecvHeader(404, 3));
    EXPECT_FALSE(sink.onHttpRecvHeader(199, 3));
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HttpClientTest, ResumeAppendsOnPartialContentAndStartsOverOtherwise)
{
    const std::wstring file = testing_support::scratchFolder() + L"resume.bin";
    const std::string whole = pattern(3000);
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 206 Partial Content", "Content-Length: 2000\r\n") +
                                 whole.substr(1000)),
                       PeerReply(ok(whole))});
    CHttpClientWrapper client;
    client.setHeader(L"Range", L"bytes=1-");
    Progress progress;

    testing_support::writeFile(file, whole.substr(0, 1000));
    client.pinConnMode(1);
    ASSERT_TRUE(client.downloadFileWithRetry(&progress, file, peer.url(L"/r"), true, 1));
    EXPECT_EQ(testing_support::readFile(file), whole);
    ASSERT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(progress.calls[0].received, 3000);
    EXPECT_EQ(progress.calls[0].total, 3000);
    EXPECT_NE(peer.requests().at(0).find("\r\nRange: bytes=1000-\r\n"), std::string::npos);

    // The server ignores the range and sends everything: never appended.
    testing_support::writeFile(file, whole.substr(0, 1000));
    progress.calls.clear();
    ASSERT_TRUE(client.downloadFileWithRetry(&progress, file, peer.url(L"/r"), true, 1));
    EXPECT_EQ(testing_support::readFile(file), whole);
    ASSERT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(progress.calls[0].received, 3000);
    EXPECT_EQ(progress.calls[0].total, 3000);

    // Without resume the Range header is gone and the file is replaced.
    ASSERT_TRUE(client.downloadFileWithRetry(&progress, file, peer.url(L"/r"), false, 1));
    EXPECT_EQ(peer.requests().at(2).find("Range"), std::string::npos);
    EXPECT_EQ(client.headers().count(L"Range"), 0u);
    EXPECT_EQ(testing_support::readFile(file), whole);
}

TEST(HttpClientTest, RetriesUseRawThenWinInetAndStopAtSuccess)
{
    const std::wstring file = testing_support::scratchFolder() + L"retry.bin";
    {
        LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 500 Oops", "Content-Length: 0\r\nConnection: close\r\n"))});
        CHttpClientWrapper client;
        Progress progress;
        EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/r"), false, 2));
        const auto requests = peer.requests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_TRUE(isRawRequest(requests[0]));
        EXPECT_TRUE(isRawRequest(requests[1]));
        EXPECT_FALSE(isRawRequest(requests[2]));
        EXPECT_FALSE(isRawRequest(requests[3]));
        // WinInet sends the caller's User-Agent, as its own agent is empty.
        EXPECT_NE(requests[3].find("User-Agent: okhttp/3.5.0L\r\n"), std::string::npos);
        EXPECT_EQ(client.connMode(), 0);
    }
    {
        LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 9\r\n") + "cut"),
                           PeerReply(ok("second"))});
        CHttpClientWrapper client;
        Progress progress;
        EXPECT_TRUE(client.downloadFileWithRetry(&progress, file, peer.url(L"/r"), false, 3));
        EXPECT_EQ(peer.requests().size(), 2u);
        EXPECT_EQ(testing_support::readFile(file), "second");
        CHttpClientWrapper none;
        EXPECT_FALSE(none.downloadFileWithRetry(&progress, file, peer.url(L"/r"), false, 0));
        EXPECT_EQ(peer.requests().size(), 2u);
    }
}

TEST(HttpClientTest, RefusedFirstBlockFailsWithNothingWritten)
{
    const std::wstring file = testing_support::scratchFolder() + L"refused.bin";
    LoopbackPeer peer({PeerReply(ok("payload"))});
    CHttpClientWrapper client;
    client.setConnMode(1);
    Progress progress;
    progress.refuseFrom = 0;

    struct FileSinkProbe : utility::IHttpClientSink {
        utility::CHttpDownload2FileSink inner;
        std::vector<int> errors;
        explicit FileSinkProbe(const std::wstring& f, Progress* p) : inner(f, nullptr, p, 0) {}
        void onHttpError(int code, int e) override
        {
            errors.push_back(code);
            inner.onHttpError(code, e);
        }
        bool onHttpRecvHeader(int s, int l) override { return inner.onHttpRecvHeader(s, l); }
        bool onHttpRecvData(const unsigned char* d, int n) override { return inner.onHttpRecvData(d, n); }
        void onHttpFinished() override { inner.onHttpFinished(); }
    } probe(file, &progress);
    ASSERT_TRUE(client.open(peer.url(L"/x"), &probe));
    EXPECT_FALSE(client.perform());
    client.closeConnection();
    EXPECT_EQ(probe.errors, std::vector<int>{19});
    EXPECT_EQ(progress.calls.size(), 1u);
    EXPECT_EQ(progress.finished, 0);
    EXPECT_EQ(testing_support::readFile(file), "");
}

TEST(HttpClientTest, StopCutsABlockedReceiveAndEveryLaterTransferFails)
{
    const std::wstring file = testing_support::scratchFolder() + L"stopped.bin";
    // Ten bytes of a hundred, then silence.
    PeerReply stall(httpHead("HTTP/1.1 200 OK", "Content-Length: 100\r\n") + "0123456789", 10000);
    LoopbackPeer peer({stall, PeerReply(ok("fine"))});
    CHttpClientWrapper client;
    Progress progress;
    Cutter stopper(peer, 300, [&client] { client.stop(); });
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/s"), false, 3));
    stopper.join();
    EXPECT_LT(stopper.sinceCut(), 2500u);
    EXPECT_EQ(peer.requests().size(), 1u);
    EXPECT_TRUE(client.isStopped());

    // Later transfers fail at their first block, even against a healthy peer.
    progress.calls.clear();
    EXPECT_FALSE(client.downloadFile(peer.url(L"/s"), file, &progress));
    EXPECT_TRUE(progress.calls.empty());
    std::string text = "old";
    EXPECT_FALSE(client.getToString(text, peer.url(L"/s")));
    EXPECT_EQ(text, "");
    const DWORD pauseStart = GetTickCount();
    client.pause(5000);
    EXPECT_LT(GetTickCount() - pauseStart, 1000u);
}

TEST(HttpClientTest, StopEndsAPauseBetweenAttemptsAndAbortEndsTheLoop)
{
    const std::wstring file = testing_support::scratchFolder() + L"paused.bin";
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 503 Busy", "Content-Length: 0\r\n"))});
    {
        CHttpClientWrapper client;
        Progress progress;
        Cutter stopper(peer, 200, [&client] { client.stop(); }); // inside the first 1000 ms pause
        EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/p"), false, 5));
        stopper.join();
        EXPECT_LT(stopper.sinceCut(), 700u);
        EXPECT_EQ(peer.requests().size(), 1u);
    }
    {
        LoopbackPeer slow({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 50\r\n") + "x", 10000)});
        CHttpClientWrapper client;
        Progress progress;
        Cutter aborter(slow, 200, [&client] { client.abort(); });
        EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, slow.url(L"/a"), false, 5));
        aborter.join();
        EXPECT_LT(aborter.sinceCut(), 1500u);
        EXPECT_EQ(slow.requests().size(), 1u);
        EXPECT_FALSE(client.isStopped());
    }
}

TEST(HttpClientTest, GetToStringRetriesAndKeepsOnlyTheLastBody)
{
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 20\r\n") + "partial"),
                       PeerReply(httpHead("HTTP/1.1 404 Nope", "Content-Length: 0\r\n")),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                                 chunked({"{\"a\":", "1}"}))});
    CHttpClientWrapper client;
    std::string out;
    ASSERT_TRUE(client.getToString(out, peer.url(L"/v?x=1")));
    EXPECT_EQ(out, "{\"a\":1}");
    const auto requests = peer.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const std::string& request : requests) EXPECT_TRUE(isRawRequest(request));
}

TEST(HttpClientTest, ResumedSizesThatWouldPassTwoGibFailCleanly)
{
    const std::wstring file = testing_support::scratchFolder() + L"huge.bin";
    testing_support::writeFile(file, "0123456789");
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 206 Partial Content", "Content-Length: 2147483640\r\n") + "x")});
    CHttpClientWrapper client;
    client.pinConnMode(1);
    Progress progress;
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/h"), true, 1));
    EXPECT_TRUE(progress.calls.empty());
    EXPECT_EQ(testing_support::readFile(file), "0123456789");
}

// Aborts and stops land at every stage of an attempt; the connection is
// never freed under the worker, and every cut attempt fails.
TEST(HttpClientTest, StopsAndAbortsRacingTheWorkerAreSafe)
{
    PeerReply trickle(httpHead("HTTP/1.1 200 OK", "Content-Length: 40\r\n"));
    for (int i = 0; i < 8; ++i) trickle.pieces.push_back({"abcde", 15});
    LoopbackPeer peer({trickle}, 30000, 64);
    const std::wstring file = testing_support::scratchFolder() + L"race.bin";
    int failed = 0;
    for (int round = 0; round < 24; ++round) {
        CHttpClientWrapper client;
        client.setConnMode(1);
        Progress progress;
        const bool useStop = round % 2 == 1;
        std::thread cutter([&client, round, useStop] {
            Sleep(static_cast<DWORD>((round * 7) % 130));
            if (useStop) client.stop();
            else client.abort();
        });
        const bool ok = client.downloadFile(peer.url(L"/race"), file, &progress);
        cutter.join();
        if (!ok) ++failed;
        else EXPECT_EQ(testing_support::readFile(file), "abcdeabcdeabcdeabcdeabcdeabcdeabcdeabcde");
    }
    // The body takes over 100 ms, so most cuts land inside it.
    EXPECT_GT(failed, 12);
}

// Random cuts of valid answers through the whole raw path: a transfer that
// reports success always delivered the exact body.
TEST(HttpClientTest, CutAnswersNeverPassAsWholeThroughTheRawPath)
{
    std::string payload = pattern(5000);
    const std::string answers[] = {
        ok(payload),
        httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") + chunked({payload.substr(0, 1234),
                                                                                 payload.substr(1234)}),
    };
    std::vector<PeerReply> replies;
    std::vector<bool> whole;
    unsigned seed = 7;
    for (int i = 0; i < 40; ++i) {
        seed = seed * 1103515245u + 12345u;
        const std::string& answer = answers[i % 2];
        // The first two stay whole: the positive path of each framing.
        const std::size_t cut = i < 2 ? answer.size() : (seed >> 8) % (answer.size() + 1);
        PeerReply reply;
        // Split in two sends so the client also sees a partial read.
        reply.pieces.push_back({answer.substr(0, cut / 2), 0});
        reply.pieces.push_back({answer.substr(cut / 2, cut - cut / 2), 5});
        replies.push_back(reply);
        whole.push_back(cut == answer.size());
    }
    LoopbackPeer peer(replies, 30000, 64);
    CHttpClientWrapper client;
    client.setConnMode(1);
    int passed = 0;
    for (int i = 0; i < 40; ++i) {
        const Recorder r = transfer(client, peer.url(L"/cut"));
        const bool finished = r.events.find("finished;") != std::string::npos;
        if (finished) {
            EXPECT_EQ(r.body, payload) << "round " << i;
            ++passed;
        }
        if (whole[static_cast<std::size_t>(i)]) {
            EXPECT_TRUE(finished) << "round " << i;
        }
    }
    EXPECT_GE(passed, 2);
    EXPECT_LT(passed, 6);
}

// An abort or a stop that lands in the pause between two attempts ends the
// retry loop there, and the pause wakes at once, for both retry loops.
TEST(HttpClientTest, AbortOrStopBetweenAttemptsEndsEitherRetryLoopAtOnce)
{
    const std::wstring file = testing_support::scratchFolder() + L"between.bin";
    for (int round = 0; round < 4; ++round) {
        const bool useStop = round % 2 == 1;
        const bool toString = round >= 2;
        LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 503 Busy", "Content-Length: 0\r\n"))});
        CHttpClientWrapper client;
        Progress progress;
        // Inside the first 1000 ms pause (or, on a loaded machine, the attempt).
        Cutter cutter(peer, 200, [&client, useStop] {
            if (useStop) client.stop();
            else client.abort();
        });
        std::string text;
        const bool ok = toString ? client.getToString(text, peer.url(L"/v"))
                                 : client.downloadFileWithRetry(&progress, file, peer.url(L"/p"), false, 3);
        cutter.join();
        EXPECT_FALSE(ok) << "round " << round;
        EXPECT_LT(cutter.sinceCut(), 1000u) << "round " << round; // not the five further attempts
        EXPECT_EQ(peer.connections(), 1) << "round " << round;
    }
}

// An abort ends the call it lands in, or the next one when none runs; the
// call after that runs normally. A stop ends every call for good.
TEST(HttpClientTest, AnAbortEndsOneCallAndAStopEveryCall)
{
    const std::wstring file = testing_support::scratchFolder() + L"pending.bin";
    LoopbackPeer peer({PeerReply(ok("fine"))});
    CHttpClientWrapper client;
    client.setConnMode(1);
    Progress progress;
    client.abort();
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/a"), false, 2));
    EXPECT_EQ(peer.connections(), 0);
    ASSERT_TRUE(client.downloadFileWithRetry(&progress, file, peer.url(L"/a"), false, 2));
    EXPECT_EQ(testing_support::readFile(file), "fine");
    client.abort();
    std::string text;
    EXPECT_FALSE(client.getToString(text, peer.url(L"/a")));
    ASSERT_TRUE(client.getToString(text, peer.url(L"/a")));
    EXPECT_EQ(text, "fine");
    EXPECT_EQ(peer.connections(), 2);

    // A pause wakes at once on an abort that is still pending.
    client.abort();
    DWORD start = GetTickCount();
    client.pause(3000);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_FALSE(client.downloadFile(peer.url(L"/a"), file, &progress));
    start = GetTickCount();
    std::thread waker([&client] {
        Sleep(200);
        client.abort();
    });
    client.pause(3000);
    waker.join();
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(client.downloadFile(peer.url(L"/a"), file, &progress));

    client.stop();
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(client.getToString(text, peer.url(L"/a")));
        EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/a"), false, 1));
    }
    EXPECT_EQ(peer.connections(), 2);
}

// A stopped client opens no connection and leaves the target file as it is.
TEST(HttpClientTest, StoppedClientNeverConnectsNorTouchesTheFile)
{
    const std::wstring file = testing_support::scratchFolder() + L"rizodi.exe.tmp";
    LoopbackPeer peer({PeerReply(ok("replacement"))});
    CHttpClientWrapper client;
    client.stop();
    testing_support::writeFile(file, "partial bytes");
    Progress progress;
    EXPECT_FALSE(client.downloadFile(peer.url(L"/f"), file, &progress));
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/f"), false, 2));
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/f"), true, 2));
    std::string text = "old";
    EXPECT_FALSE(client.getToString(text, peer.url(L"/f")));
    EXPECT_EQ(text, "");
    Sleep(100);
    EXPECT_EQ(peer.connections(), 0);
    EXPECT_EQ(testing_support::readFile(file), "partial bytes");
    EXPECT_TRUE(progress.calls.empty());

    // The file sink itself refuses to create the file once stopped.
    std::atomic<bool> stopped{true};
    utility::CHttpDownload2FileSink sink(file, &stopped, &progress, 0);
    EXPECT_FALSE(sink.onHttpRecvHeader(200, 5));
    EXPECT_EQ(testing_support::readFile(file), "partial bytes");
}

// Service answers are held in memory: at most 1 MiB, whether announced or
// reached while reading; more fails the attempt.
TEST(HttpClientTest, MemorySinkHoldsAtMostOneMebibyte)
{
    const int limit = 1 << 20;
    {
        std::string target;
        utility::CHttpDownload2MemSink sink(&target, nullptr);
        EXPECT_TRUE(sink.onHttpRecvHeader(200, limit));
        EXPECT_TRUE(sink.onHttpRecvHeader(200, -1));
        EXPECT_FALSE(sink.onHttpRecvHeader(200, limit + 1));
        EXPECT_FALSE(sink.onHttpRecvHeader(200, 2147483647));
        const std::string block(65536, 'j');
        for (int i = 0; i < 16; ++i)
            ASSERT_TRUE(sink.onHttpRecvData(reinterpret_cast<const unsigned char*>(block.data()), 65536));
        EXPECT_EQ(target.size(), static_cast<std::size_t>(limit));
        const unsigned char one = 'x';
        EXPECT_FALSE(sink.onHttpRecvData(&one, 1));
        EXPECT_EQ(target.size(), static_cast<std::size_t>(limit));
    }
    const std::string exact(limit, 'e');
    const std::string over(limit + 1, 'o');
    LoopbackPeer peer({PeerReply(ok(exact)),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                                 chunked({over.substr(0, 1000), over.substr(1000)})),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 1048577\r\n") + "{}", 10000)});
    CHttpClientWrapper client;
    client.setConnMode(1);
    const auto fetch = [&client, &peer](std::string& out) {
        Recorder events;
        utility::CHttpDownload2MemSink sink(&out, nullptr);
        struct Both : utility::IHttpClientSink {
            Recorder& r;
            utility::CHttpDownload2MemSink& s;
            Both(Recorder& r, utility::CHttpDownload2MemSink& s) : r(r), s(s) {}
            void onHttpError(int c, int e) override { r.onHttpError(c, e), s.onHttpError(c, e); }
            bool onHttpRecvHeader(int st, int l) override { return r.onHttpRecvHeader(st, l) && s.onHttpRecvHeader(st, l); }
            bool onHttpRecvData(const unsigned char* d, int n) override { return s.onHttpRecvData(d, n); }
            void onHttpFinished() override { r.onHttpFinished(); }
        } both(events, sink);
        if (client.open(peer.url(L"/v"), &both)) client.perform();
        client.closeConnection();
        return events.events;
    };
    std::string out;
    EXPECT_EQ(fetch(out), "head 200 1048576;finished;");
    EXPECT_EQ(out, exact);
    out.clear();
    EXPECT_EQ(fetch(out), "head 200 -1;error 19;");
    EXPECT_LE(out.size(), static_cast<std::size_t>(limit)) << "the block that would pass the limit is refused";
    // Refused at the head, without waiting for the body.
    out.clear();
    const DWORD start = GetTickCount();
    EXPECT_EQ(fetch(out), "head 200 1048577;");
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_EQ(out, "");
}
