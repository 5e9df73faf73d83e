#include "utility/tcp_http_conn.h"

#include "loopback_peer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <thread>

using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerReply;

namespace {

struct Exchange {
    bool sent = false;
    bool headOk = false;
    int status = 0;
    int length = 0;
    std::string head;
    std::string body;
};

// One GET over the raw transport, body read plainly to the end.
Exchange get(const LoopbackPeer& peer, const std::wstring& path, const std::wstring& headers = L"",
             int timeoutMs = 5000)
{
    Exchange result;
    utility::CTcpHttpConn* conn = new utility::CTcpHttpConn(timeoutMs);
    if (conn->open() && conn->connect(L"127.0.0.1", peer.port())) {
        result.sent = conn->sendRequest(L"127.0.0.1", path, headers);
        result.headOk = result.sent && conn->recvHeader(result.head, result.status, result.length);
        char buffer[4096];
        for (int n; result.headOk && (n = conn->read(buffer, sizeof(buffer))) > 0;)
            result.body.append(buffer, static_cast<std::size_t>(n));
    }
    conn->release();
    return result;
}

std::string redirectTo(const std::string& code, const std::string& location)
{
    return httpHead("HTTP/1.1 " + code + " Moved", "Location: " + location + "\r\nContent-Length: 0\r\n");
}

} // namespace

TEST(TcpHttpConnTest, RequestGoesOutByteForByte)
{
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 2\r\n") + "ok")});
    const Exchange ex = get(peer, L"/f?a=1",
                            L"Content-Type: application/x-www-form-urlencoded\r\nRange: bytes=1000-\r\n"
                            L"User-Agent: okhttp/3.5.0L\r\n");
    ASSERT_TRUE(ex.headOk);
    EXPECT_EQ(ex.status, 200);
    EXPECT_EQ(ex.length, 2);
    EXPECT_EQ(ex.body, "ok");
    ASSERT_EQ(peer.requests().size(), 1u);
    EXPECT_EQ(peer.requests()[0], "GET /f?a=1 HTTP/1.1\r\n"
                                  "Host:127.0.0.1\r\n"
                                  "Cache-Control:no-cache\r\n"
                                  "Pragma:no-cache\r\n"
                                  "Content-Type: application/x-www-form-urlencoded\r\n"
                                  "Range: bytes=1000-\r\n"
                                  "User-Agent: okhttp/3.5.0L\r\n"
                                  "\r\n");
}

TEST(TcpHttpConnTest, RedirectsAreFollowedWithoutTheCallersHeaders)
{
    LoopbackPeer peer({PeerReply(redirectTo("301", "http://127.0.0.1:{PORT}/second")),
                       PeerReply(httpHead("HTTP/1.1 302 Found", "Content-Location: /nowhere\r\n"
                                                                "location: http://127.0.0.1:{PORT}/third?q=1\r\n")),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 4\r\n") + "done")});
    const Exchange ex = get(peer, L"/first", L"Range: bytes=10-\r\n");
    ASSERT_TRUE(ex.headOk);
    EXPECT_EQ(ex.status, 200);
    EXPECT_EQ(ex.length, 4);
    EXPECT_EQ(ex.body, "done");
    const auto requests = peer.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("Range: bytes=10-"), std::string::npos);
    EXPECT_EQ(requests[1], "GET /second HTTP/1.1\r\nContent-Type:application/x-www-form-urlencoded\r\n"
                           "Host:127.0.0.1\r\nCache-Control:no-cache\r\nPragma:no-cache\r\n"
                           "User-Agent:okhttp/3.5.0L\r\n\r\n");
    EXPECT_EQ(requests[2].substr(0, 24), "GET /third?q=1 HTTP/1.1\r");
}

TEST(TcpHttpConnTest, BrokenRedirectsFailAndOtherStatusesAreReturned)
{
    {   // Relative Location: no host to go to.
        LoopbackPeer peer({PeerReply(redirectTo("302", "/relative"))});
        EXPECT_FALSE(get(peer, L"/").headOk);
        EXPECT_EQ(peer.connections(), 1);
    }
    {   // No Location at all (Content-Location is not one).
        LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 302 Found", "Content-Location: http://127.0.0.1:{PORT}/x\r\n"))});
        EXPECT_FALSE(get(peer, L"/").headOk);
        EXPECT_EQ(peer.connections(), 1);
    }
    {   // A loop ends after a bounded number of hops.
        LoopbackPeer peer({PeerReply(redirectTo("302", "http://127.0.0.1:{PORT}/again"))});
        EXPECT_FALSE(get(peer, L"/").headOk);
        EXPECT_EQ(peer.connections(), 9);
    }
    for (const char* code : {"303", "307", "308"}) {
        LoopbackPeer peer({PeerReply(redirectTo(code, "http://127.0.0.1:{PORT}/x"))});
        const Exchange ex = get(peer, L"/");
        ASSERT_TRUE(ex.headOk) << code;
        EXPECT_EQ(ex.status, std::atoi(code));
        EXPECT_EQ(ex.length, 0);
        EXPECT_EQ(peer.connections(), 1);
    }
}

TEST(TcpHttpConnTest, BadHeadsFail)
{
    const std::vector<std::string> heads = {
        "HTTP/1.1\r\n\r\n",                                   // no blank
        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n",            // cut off
        "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", // 2 GiB or more
        "HTTP/1.1 200 OK\r\nX: " + std::string(70000, 'x') + "\r\n\r\n",
    };
    for (const std::string& head : heads) {
        LoopbackPeer peer({PeerReply(head)});
        EXPECT_FALSE(get(peer, L"/").headOk) << head.substr(0, 40);
    }
    // Lower-case length counts; chunked bodies report no length.
    LoopbackPeer lower({PeerReply("HTTP/1.1 200 OK\r\ncontent-length: 3\r\n\r\nabc")});
    EXPECT_EQ(get(lower, L"/").length, 3);
    LoopbackPeer chunkedPeer(
        {PeerReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n")});
    EXPECT_EQ(get(chunkedPeer, L"/").length, -1);
}

TEST(TcpHttpConnTest, SilentPeerTimesOutAndCloseCutsABlockedReceive)
{
    {
        LoopbackPeer peer({PeerReply("HTTP/1.1 200", 5000)});
        const DWORD start = GetTickCount();
        EXPECT_FALSE(get(peer, L"/", L"", 300).headOk);
        EXPECT_LT(GetTickCount() - start, 3000u);
    }
    {
        LoopbackPeer peer({PeerReply("", 5000)});
        utility::CTcpHttpConn* conn = new utility::CTcpHttpConn();
        ASSERT_TRUE(conn->open());
        ASSERT_TRUE(conn->connect(L"127.0.0.1", peer.port()));
        ASSERT_TRUE(conn->sendRequest(L"127.0.0.1", L"/", L""));
        std::thread closer([conn] {
            Sleep(200);
            conn->close();
        });
        const DWORD start = GetTickCount();
        std::string head;
        int status = 0;
        int length = 0;
        EXPECT_FALSE(conn->recvHeader(head, status, length));
        EXPECT_LT(GetTickCount() - start, 2000u);
        closer.join();
        conn->release();
    }
    // Nothing listens: connect fails; an empty host fails at once.
    utility::CTcpHttpConn* conn = new utility::CTcpHttpConn(1000);
    ASSERT_TRUE(conn->open());
    EXPECT_FALSE(conn->open());
    EXPECT_FALSE(conn->connect(L"", 80));
    EXPECT_FALSE(conn->connect(L"127.0.0.1", 1));
    EXPECT_FALSE(conn->postRequest(L"/", L"", nullptr, 0));
    conn->release();
}
