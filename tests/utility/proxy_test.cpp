// The proxy decision as Windows makes it (lists, bypass rules, the order of
// detection, script and fixed proxy), and the raw transport through a
// proxy: absolute-form request, direct when the proxy cannot be reached,
// WinInet at once when the proxy wants a sign-in.

#include "utility/http_client.h"
#include "utility/http_wire.h"
#include "utility/proxy_routes.h"

#include "loopback_peer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerReply;
using utility::CHttpClientWrapper;
namespace proxy = utility::proxy;

namespace {

std::wstring endpoints(const std::vector<proxy::Endpoint>& list)
{
    std::wstring text;
    for (const proxy::Endpoint& e : list) text += (text.empty() ? L"" : L" ") + e.text();
    return text;
}

proxy::ProxyRoutes fixedRoutes(const std::wstring& list, const std::wstring& bypass)
{
    return proxy::ProxyRoutes(
        [list, bypass](proxy::Settings& settings) {
            settings.proxy = list;
            settings.bypass = bypass;
            return true;
        },
        nullptr);
}

class Quiet : public CHttpClientWrapper::IHttpDownloadSink {
public:
    bool onDownloadProgress(const unsigned char*, int, int, int) override { return true; }
    bool onDownloadFinished() override { return true; }
};

std::string ok(const std::string& body)
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body;
}

} // namespace

TEST(ProxyRulesTest, ProxyListsReadAsWindowsReadsThem)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"proxy.corp:3128", L"proxy.corp:3128"},
        {L"http://proxy.corp/", L"proxy.corp:80"},
        // Per scheme: only http= serves plain http; the rest is WinInet's.
        {L"http=a:1;https=b:2;ftp=c:3", L"a:1"},
        {L"https=b:2;socks=s:1080", L""},
        {L"HTTP=a:1 http=b:2", L"a:1 b:2"},
        // An entry for every scheme counts only without an http= one.
        {L"all:1;https=b:2", L"all:1"},
        {L"all:1;http=a:1", L"a:1"},
        // A script's answer.
        {L"SOCKS s:1080; PROXY a:1; PROXY b:2; DIRECT", L"a:1 b:2"},
        {L"[::1]:8080", L"[::1]:8080"},
        // Malformed entries are passed over, never guessed at.
        {L"a:0;b:65536;c:x;d:;:80;e f:1", L"e:80 f:1"},
        {L" ; ;", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(endpoints(proxy::httpProxies(c.first)), c.second) << c.first;
}

TEST(ProxyRulesTest, BypassListWildcardsLocalAndLoopback)
{
    struct Case {
        const wchar_t* list;
        const wchar_t* host;
        int port;
        bool bypassed;
    };
    const Case cases[] = {
        {L"*.EXAMPLE.com", L"Cdn.Example.COM", 80, true},
        {L"*.example.com", L"example.com", 80, false},
        {L"10.*", L"110.1.2.3", 80, false},
        {L"exact.host", L"exact.host.evil", 80, false},
        // <local>: a name without a dot.
        {L"<local>", L"intranet", 80, true},
        {L"<local>", L"intranet.corp", 80, false},
        // Scheme and port narrow an entry; separators as users type them.
        {L"https://*.corp", L"a.corp", 80, false},
        {L"x.com , http://a.corp:8080", L"a.corp", 8080, true},
        {L"a.corp:8080;;", L"a.corp", 80, false},
        // Loopback never goes to a proxy, unless <-loopback> says so.
        {L"", L"127.8.9.10", 80, true},
        {L"", L"LOCALHOST", 80, true},
        {L"", L"127.0.0.1.evil.com", 80, false},
        {L"<-loopback>", L"127.0.0.1", 80, false},
        {L"<-loopback>;127.*", L"127.0.0.1", 80, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(proxy::bypassed(c.list, c.host, c.port), c.bypassed) << c.list << L" / " << c.host << L":" << c.port;
}

TEST(ProxyRulesTest, DetectionThenScriptThenFixedProxy)
{
    // Settings as Windows keeps them; what detection and the script answer
    // (null: nothing); the decision; the scripts asked ("d" detection, "s").
    struct Case {
        proxy::Settings settings;
        const wchar_t *url, *detected, *scripted, *described, *asked;
    };
    const wchar_t* pac = L"http://s/p.pac";
    const Case cases[] = {
        {{false, L"", L"", L""}, L"http://a.com/x", nullptr, nullptr, L"direct", L""},
        {{false, L"", L"p:1", L""}, L"http://a.com/x", nullptr, nullptr, L"p:1 (fixed), then direct", L""},
        {{false, L"", L"p:1", L"*.com"}, L"http://a.com/x", nullptr, nullptr, L"direct (bypass list)", L""},
        {{true, L"", L"p:1", L""}, L"http://a.com/x", L"d:1", nullptr, L"d:1 (detected), then direct", L"d"},
        {{true, pac, L"p:1", L""}, L"http://a.com/x", nullptr, L"s:1", L"s:1 (script), then direct", L"ds"},
        {{true, pac, L"p:1", L""}, L"http://a.com/x", nullptr, nullptr, L"p:1 (fixed), then direct", L"ds"},
        {{false, pac, L"", L""}, L"http://a.com/x", nullptr, L"", L"direct (script)", L"s"},
        // Loopback asks no script at all.
        {{true, pac, L"p:1", L""}, L"http://127.0.0.1:1/x", L"d:1", L"s:1", L"direct (bypass list)", L""},
        {{false, L"", L"p:1", L"<-loopback>"}, L"http://127.0.0.1:1/x", nullptr, nullptr, L"p:1 (fixed), then direct",
         L""},
    };
    for (const Case& c : cases) {
        std::wstring asked;
        const proxy::ScriptRunner run = [&](const std::wstring& url, const std::wstring& script, std::wstring& list) {
            EXPECT_EQ(url, c.url);
            asked += script.empty() ? L"d" : L"s";
            const wchar_t* answer = script.empty() ? c.detected : c.scripted;
            if (answer) list = answer;
            return answer != nullptr;
        };
        EXPECT_EQ(proxy::describe(proxy::decide(c.settings, c.url, run)), c.described) << c.url;
        EXPECT_EQ(asked, c.asked) << c.described;
    }
}

TEST(ProxyRulesTest, RequestThroughAProxyNamesTheWholeAddress)
{
    using utility::http::absoluteTarget;
    EXPECT_EQ(absoluteTarget(L"vendor.invalid", 18080, L"/main/rizodi.exe?x=1"),
              L"http://vendor.invalid:18080/main/rizodi.exe?x=1");
    EXPECT_EQ(absoluteTarget(L"vendor.invalid", 80, L"/a"), L"http://vendor.invalid/a");
    // An address without a path was the whole address already.
    EXPECT_EQ(absoluteTarget(L"h", 80, L"http://h"), L"http://h");
    // Host and the caller's lines stay as they are.
    const std::wstring text = utility::http::buildRequestText(
        L"vendor.invalid", absoluteTarget(L"vendor.invalid", 18080, L"/f"), L"Range: bytes=5-\r\n");
    EXPECT_EQ(text, L"GET http://vendor.invalid:18080/f HTTP/1.1\r\nContent-Type:application/x-www-form-urlencoded\r\n"
                    L"Host:vendor.invalid\r\nCache-Control:no-cache\r\nPragma:no-cache\r\nRange: bytes=5-\r\n"
                    L"User-Agent:okhttp/3.5.0L\r\n\r\n");
}

TEST(ProxyClientTest, RawRequestsGoThroughTheProxyAndFallBackDirect)
{
    const std::wstring file = testing_support::scratchFolder() + L"through.bin";
    Quiet quiet;
    {
        // The proxy answers for a host no resolver knows.
        LoopbackPeer proxyPeer({PeerReply(httpHead("HTTP/1.1 206 Partial Content",
                                                   "Content-Range: bytes 5-13/14\r\nContent-Length: 9\r\n") +
                                          "via proxy")});
        proxy::ProxyRoutes routes = fixedRoutes(L"127.0.0.1:" + std::to_wstring(proxyPeer.port()), L"");
        CHttpClientWrapper client;
        client.setProxyRoutes(&routes);
        client.pinConnMode(1);
        testing_support::writeFile(file, "12345");
        ASSERT_TRUE(client.downloadFileWithRetry(&quiet, file, L"http://vendor.kolvex.invalid:18080/f?a=1", true, 1));
        EXPECT_EQ(testing_support::readFile(file), "12345via proxy");
        const auto requests = proxyPeer.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].rfind("GET http://vendor.kolvex.invalid:18080/f?a=1 HTTP/1.1\r\n", 0), 0u) << requests[0];
        EXPECT_NE(requests[0].find("\r\nHost:vendor.kolvex.invalid\r\n"), std::string::npos);
        EXPECT_NE(requests[0].find("\r\nRange: bytes=5-\r\n"), std::string::npos);
    }
    {
        // Nothing listens at the proxy: the same attempt goes direct, and
        // the next attempt starts direct.
        LoopbackPeer vendor({PeerReply(ok("direct"))});
        // A port on which nothing listens any more.
        const int unreachable = LoopbackPeer({PeerReply("")}).port();
        proxy::ProxyRoutes routes = fixedRoutes(L"127.0.0.1:" + std::to_wstring(unreachable), L"<-loopback>");
        const std::wstring url = vendor.url(L"/f");
        ASSERT_FALSE(routes.planFor(url).routes.front().direct());
        CHttpClientWrapper client;
        client.setProxyRoutes(&routes);
        std::string body;
        ASSERT_TRUE(client.getToString(body, url));
        EXPECT_EQ(body, "direct");
        ASSERT_TRUE(client.getToString(body, url));
        EXPECT_EQ(vendor.requests().size(), 2u);
        EXPECT_EQ(vendor.requests()[0].rfind("GET /f HTTP/1.1\r\n", 0), 0u);
        const proxy::Plan plan = routes.planFor(url);
        ASSERT_EQ(plan.routes.size(), 2u);
        EXPECT_TRUE(plan.routes[0].direct());
        EXPECT_EQ(plan.routes[1].proxy.port, unreachable);
    }
}

TEST(ProxyClientTest, SignInAtTheProxyHandsTheAddressToWinInetAtOnce)
{
    // The raw attempt meets the proxy's 407; WinInet (no proxy in this
    // prefix) reaches the vendor directly.
    LoopbackPeer proxyPeer({PeerReply(httpHead("HTTP/1.1 407 Proxy Authentication Required",
                                               "Proxy-Authenticate: Basic realm=\"x\"\r\nContent-Length: 0\r\n"))});
    LoopbackPeer vendor({PeerReply(ok("signed in"))});
    proxy::ProxyRoutes routes = fixedRoutes(L"127.0.0.1:" + std::to_wstring(proxyPeer.port()), L"<-loopback>");
    const std::wstring url = vendor.url(L"/f");
    const std::wstring file = testing_support::scratchFolder() + L"signin.bin";
    Quiet quiet;
    CHttpClientWrapper client;
    client.setProxyRoutes(&routes);
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(client.downloadFileWithRetry(&quiet, file, url, false, 2));
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_EQ(testing_support::readFile(file), "signed in");
    ASSERT_EQ(proxyPeer.requests().size(), 1u);
    ASSERT_EQ(vendor.requests().size(), 1u);
    // WinInet's request: it sends an Accept line, the raw transport none.
    EXPECT_NE(vendor.requests()[0].find("Accept: */*"), std::string::npos);
    // The second raw attempt was WinInet's, with no pause before it.
    EXPECT_LT(elapsed, 1000u);
    EXPECT_FALSE(routes.planFor(url).raw);
    // Another client's raw attempt for that address goes to WinInet too.
    std::string body;
    CHttpClientWrapper other;
    other.setProxyRoutes(&routes);
    EXPECT_TRUE(other.getToString(body, url));
    EXPECT_EQ(proxyPeer.requests().size(), 1u);
}
