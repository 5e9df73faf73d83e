#include "utility/http_client.h"
#include "utility/wininet_http_conn.h"

#include "loopback_peer.h"
#include "recording_sink.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

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
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 5\r\n") + "fives")});
    Collect c = overWinInet(peer.url(L"/chunked"));
    EXPECT_EQ(c.events, "head 200 -1;finished;");
    EXPECT_EQ(c.body, "abc" + big);
    c = overWinInet(peer.url(L"/plain"));
    EXPECT_EQ(c.events, "head 200 -1;finished;");
    EXPECT_EQ(c.body, "no length here");
    c = overWinInet(peer.url(L"/length"));
    EXPECT_EQ(c.events, "head 200 5;finished;");
    EXPECT_EQ(c.body, "fives");
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
    std::thread aborter([&client] {
        Sleep(300);
        client.abort();
    });
    const std::wstring file = testing_support::scratchFolder() + L"aborted.bin";
    EXPECT_FALSE(client.downloadFileWithRetry(&progress, file, peer.url(L"/slow"), false, 3));
    aborter.join();
    EXPECT_EQ(peer.requests().size(), 1u);
    EXPECT_FALSE(client.isStopped());
}
