#include "utility/http_client.h"
#include "utility/wininet_http_conn.h"

#include "loopback_peer.h"
#include "recording_sink.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

using testing_support::chunked;
using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerReply;

namespace {

using Collect = testing_support::RecordingSink;

Collect overWinInet(const std::wstring& url)
{
    utility::CHttpClientWrapper client;
    client.setConnMode(0);
    Collect sink;
    if (client.open(url, &sink)) client.perform();
    client.closeConnection();
    return sink;
}

} // namespace

TEST(WinInetTest, ChunkedArrivesDecodedAndNoLengthReadsToTheEnd)
{
    std::string big(50000, 'z');
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Transfer-Encoding: chunked\r\n") +
                                 chunked({"abc", big})),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Connection: close\r\n") + "no length here"),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 5\r\nETag: \"f5\"\r\n"
                                                             "Content-Type: application/octet-stream\r\n") + "fives")});
    Collect c = overWinInet(peer.url(L"/chunked"));
    EXPECT_EQ(c.events, "head 200 -1;finished;");
    EXPECT_EQ(c.body, "abc" + big);
    c = overWinInet(peer.url(L"/plain"));
    EXPECT_EQ(c.events, "head 200 -1;finished;");
    EXPECT_EQ(c.body, "no length here");
    utility::CHttpClientWrapper client;
    client.setConnMode(0);
    c = Collect();
    if (client.open(peer.url(L"/length"), &c)) client.perform();
    client.closeConnection();
    EXPECT_EQ(c.events, "head 200 5;finished;");
    EXPECT_EQ(c.body, "fives");
    // The head's other fields come from WinInet itself, as the raw path reads them.
    EXPECT_EQ(client.responseHead().etag, "\"f5\"");
    EXPECT_EQ(client.responseHead().contentType, "application/octet-stream");
    EXPECT_EQ(client.responseHead().lastModified, "");
    // The request carries the client's header text.
    const std::string request = peer.requests().at(0);
    EXPECT_EQ(request.rfind("GET /chunked HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
}

TEST(WinInetTest, RedirectIsFollowedInsideWinInet)
{
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 302 Found", "Location: http://127.0.0.1:{PORT}/final\r\n"
                                                                "Content-Length: 0\r\nConnection: close\r\n")),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 4\r\nConnection: close\r\n") +
                                 "here")});
    Collect c = overWinInet(peer.url(L"/start"));
    EXPECT_EQ(c.events, "head 200 4;finished;");
    EXPECT_EQ(c.body, "here");
    const auto requests = peer.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /final HTTP/1.1\r\n", 0), 0u);
}

TEST(WinInetTest, StatusIsReportedAndFailuresHaveTheirCodes)
{
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 404 Not Found", "Content-Length: 0\r\nConnection: close\r\n"))});
    Collect c = overWinInet(peer.url(L"/x"));
    EXPECT_EQ(c.events.substr(0, 9), "head 404 ");
    // Nothing listens on port 1: WinInet fails at sending.
    c = overWinInet(L"http://127.0.0.1:1/x");
    EXPECT_EQ(c.events, "error 16;");

    // A connection that was never opened refuses everything.
    utility::CWinInetHttpConn* conn = new utility::CWinInetHttpConn();
    EXPECT_FALSE(conn->connect(L"127.0.0.1", 80));
    EXPECT_FALSE(conn->sendRequest(L"", L"/", L""));
    std::string head;
    int status = 0;
    int length = 0;
    EXPECT_FALSE(conn->recvHeader(head, status, length));
    char buffer[4];
    EXPECT_LT(conn->read(buffer, 4), 0);
    conn->release();
}

// Windows ends a blocked InternetReadFile when its handle is closed; Wine
// lets the read run on until the peer closes. Either way the aborted attempt
// fails and the retry loop makes no further attempt.
TEST(WinInetTest, AbortFailsTheAttemptAndEndsTheRetryLoop)
{
    struct Quiet : utility::CHttpClientWrapper::IHttpDownloadSink {
        bool onDownloadProgress(const unsigned char*, int, int, int) override { return true; }
        bool onDownloadFinished() override { return true; }
    } progress;
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 100\r\n") + "0123456789", 1500),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok")});
    utility::CHttpClientWrapper client;
    client.pinConnMode(0);
    // Once the request is in, on a machine of any load.
    std::thread aborter([&client, &peer] {
        for (int i = 0; i < 1000 && peer.requests().empty(); ++i) Sleep(10);
        Sleep(100);
        client.abort();
    });
    const std::wstring file = testing_support::scratchFolder() + L"aborted.bin";
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/slow"), false, 3));
    aborter.join();
    EXPECT_EQ(peer.requests().size(), 1u);
    EXPECT_FALSE(client.isStopped());
}

namespace {

struct OpenedRequest {
    std::wstring verb;
    DWORD flags;
};
std::mutex g_openedLock;
std::vector<OpenedRequest> g_opened;

HINTERNET WINAPI recordingOpenRequest(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version,
                                      LPCWSTR referrer, LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context)
{
    {
        std::lock_guard<std::mutex> guard(g_openedLock);
        g_opened.push_back({verb ? verb : L"", flags});
    }
    return ::HttpOpenRequestW(connection, verb, object, version, referrer, acceptTypes, flags, context);
}

std::vector<OpenedRequest> takeOpened()
{
    std::lock_guard<std::mutex> guard(g_openedLock);
    std::vector<OpenedRequest> out;
    out.swap(g_opened);
    return out;
}

} // namespace

// An https address (in any case) goes through WinInet with the secure GET
// flags 0x84800001; plain GETs and every POST use 0x84000001.
TEST(WinInetTest, HttpsGetCarriesTheSecureFlagAndNothingElseDoes)
{
    utility::setOpenRequestForTesting(&recordingOpenRequest);
    takeOpened();
    {
        // A peer that takes what comes first and hangs up: the TLS
        // handshake fails, after the request was opened.
        PeerReply hangUp("");
        hangUp.headWaitMs = 2000; // a loaded machine may be slow to send its hello
        LoopbackPeer tlsPeer({hangUp});
        Collect c = overWinInet(L"HTTPS://127.0.0.1:" + std::to_wstring(tlsPeer.port()) + L"/secure");
        EXPECT_EQ(c.events.find("finished"), std::string::npos) << c.events;
        std::vector<OpenedRequest> opened = takeOpened();
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].verb, L"GET");
        EXPECT_EQ(opened[0].flags, 0x84800001u);
        // What reached the listener was a TLS handshake record, not a request line.
        ASSERT_FALSE(tlsPeer.requests().empty());
        const std::string first = tlsPeer.requests()[0];
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(static_cast<unsigned char>(first[0]), 0x16u);
    }
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok")});
    Collect c = overWinInet(peer.url(L"/plain"));
    EXPECT_EQ(c.events, "head 200 2;finished;");
    std::vector<OpenedRequest> opened = takeOpened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].flags, 0x84000001u);

    for (int secure = 0; secure < 2; ++secure) {
        utility::CWinInetHttpConn* conn = secure ? new utility::CWinInetHttpsConn() : new utility::CWinInetHttpConn();
        ASSERT_TRUE(conn->open());
        ASSERT_TRUE(conn->connect(L"127.0.0.1", peer.port()));
        const unsigned char body[] = {'a', '=', '1'};
        conn->postRequest(L"/post", L"Content-Type: application/x-www-form-urlencoded\r\n", body, 3);
        conn->release();
        opened = takeOpened();
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].verb, L"POST");
        EXPECT_EQ(opened[0].flags, 0x84000001u) << "secure " << secure;
    }
    utility::setOpenRequestForTesting(nullptr);
}
