#include "utility/http_client.h"
#include "utility/http_sinks.h"

#include "common/log.h"

#include "loopback_peer.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerReply;

namespace {

struct Accept : utility::CHttpClientWrapper::IHttpDownloadSink {
    bool onDownloadProgress(const unsigned char*, int, int, int) override { return true; }
    bool onDownloadFinished() override { return true; }
};

// Whether the added log text holds a line from that function with exactly that message.
bool hasLine(const std::string& log, const std::string& function, const std::string& message)
{
    std::string escaped;
    for (char c : message) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) escaped += '\\';
        escaped += c;
    }
    const std::regex line("\\t" + function + "\\t\\(\\d+\\):" + escaped + "\\r\\n");
    return std::regex_search(log, line);
}

} // namespace

// Runs in its own process under ctest, so it may start the log.
TEST(HttpSinkLogTest, SinksLogTheirLinesWordForWord)
{
    const std::wstring path = common::productDataFolder() + L"\\log\\vpinstall.log";
    const std::string before = testing_support::readFile(path);
    common::startLog(1);

    const std::wstring folder = testing_support::scratchFolder();
    LoopbackPeer peer({PeerReply(httpHead("HTTP/1.1 404 Not Found", "Content-Length: 0\r\nConnection: close\r\n")),
                       PeerReply(httpHead("HTTP/1.1 200 OK", "Content-Length: 4\r\n") + "data")});
    utility::CHttpClientWrapper client;
    client.setConnMode(1);
    Accept progress;
    EXPECT_FALSE(client.downloadFile(peer.url(L"/a"), folder + L"a.bin", &progress));
    EXPECT_TRUE(client.downloadFile(peer.url(L"/b"), folder + L"b.bin", &progress));
    client.setTcpTimeout(1000);
    EXPECT_FALSE(client.downloadFile(L"http://127.0.0.1:1/c", folder + L"c.bin", &progress));

    const std::wstring noFolder = folder + L"missing\\x.bin";
    utility::CHttpDownload2FileSink created(noFolder, nullptr, &progress, 0);
    EXPECT_FALSE(created.onHttpRecvHeader(200, 5));
    utility::CHttpDownload2FileSink resumed(noFolder, nullptr, &progress, 10);
    EXPECT_FALSE(resumed.onHttpRecvHeader(206, 5));
    std::string text;
    utility::CHttpDownload2MemSink memory(&text, nullptr);
    EXPECT_FALSE(memory.onHttpRecvHeader(500, 0));
    memory.onHttpError(17, 5);
    common::stopLog();

    const std::string after = testing_support::readFile(path);
    ASSERT_GT(after.size(), before.size());
    const std::string added = after.substr(before.size());
    const std::string file = "utility::CHttpDownload2FileSink::";
    EXPECT_TRUE(hasLine(added, file + "onHttpRecvHeader", "onHttpRecvHeader status 404, total 0")) << added;
    EXPECT_TRUE(hasLine(added, file + "onHttpRecvHeader", "onHttpRecvHeader error"));
    EXPECT_TRUE(hasLine(added, file + "onHttpRecvHeader", "onHttpRecvHeader status 200, total 4"));
    EXPECT_TRUE(hasLine(added, file + "onHttpFinished", "http finish, recv = 4, total = 4"));
    EXPECT_TRUE(std::regex_search(added, std::regex("\\t" + file + "onHttpError\\t\\(\\d+\\):"
                                                    "CHttpDownload2FileSink code 12, error = \\d+\\r\\n")));
    EXPECT_TRUE(std::regex_search(added, std::regex("\\t" + file + "onHttpRecvHeader\\t\\(\\d+\\):"
                                                    "create file error; filename .*missing\\\\x\\.bin "
                                                    "lasterror:3\\r\\n")));
    EXPECT_TRUE(hasLine(added, file + "onHttpRecvHeader", "downloader error open file error: lasterror 3"));
    EXPECT_TRUE(hasLine(added, "utility::CHttpDownload2MemSink::onHttpRecvHeader", "onHttpRecvHeader status 500"));
    EXPECT_TRUE(hasLine(added, "utility::CHttpDownload2MemSink::onHttpError", "CHttpDownload2MemSink code 17, error = 5"));
}
