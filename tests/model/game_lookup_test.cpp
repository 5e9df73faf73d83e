// The game lookup by openID after the version answer, against loopback
// peers for the version and game-information services.

#include "model/region_profile.h"
#include "model/vpdownloader_model.h"

#include "test_support.h"
#include "utility/loopback_peer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

using testing_support::httpHead;
using testing_support::LoopbackPeer;
using testing_support::PeerReply;

namespace {

std::string okAnswer(const std::string& body)
{
    return httpHead("HTTP/1.1 200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body;
}

const PeerReply kUnavailable(httpHead("HTTP/1.1 503 Service Unavailable", "Content-Length: 0\r\n"));
const char kVersion[] = "{\"pkz\":{\"ver\":\"12.0.3\",\"url\":\"http://127.0.0.1:9/main/rizodi.exe\"}}";
const char kStoreGame[] =
    "{\"result\":[{\"app_download_url\":\"http://h/a.apk\",\"app_package_name\":\"com.example.a\","
    "\"gamename\":\"A\",\"from_appstore\":\"1\"}]}";

class GameLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UiTaskDispatcher::create();
        VPDownloaderModel::destroy();
        model_ = VPDownloaderModel::instance();
    }

    void TearDown() override
    {
        VPDownloaderModel::destroy();
        region::resetHostsForTesting();
    }

    // Starts the model as the entry does; the version worker runs the
    // lookup after the answer. True when it has ended.
    bool runLookup(const std::wstring& openId, LoopbackPeer& version, LoopbackPeer& games,
                   const wchar_t* commandLine = L"", DWORD timeoutMs = 15000)
    {
        ServiceHosts hosts = region::configuredHosts();
        hosts.cnResource = L"127.0.0.1:" + std::to_wstring(version.port());
        hosts.info = L"127.0.0.1:" + std::to_wstring(games.port());
        region::setHostsForTesting(hosts);
        model_->openId = openId;
        model_->init(commandLine);
        return model_->versionWorker.wait(timeoutMs);
    }

    VPDownloaderModel* model_ = nullptr;
};

} // namespace

TEST_F(GameLookupTest, DefaultOpenIdMakesNoRequest)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer games({okAnswer(kStoreGame)});
    ASSERT_TRUE(runLookup(L"100", version, games));
    EXPECT_FALSE(model_->playerUrl.get().empty());
    EXPECT_EQ(games.connections(), 0);
    EXPECT_TRUE(model_->gameTasks.get().empty());
}

TEST_F(GameLookupTest, FirstAnswerIsTakenOnceWithoutASecondRequest)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer games({okAnswer(kStoreGame)});
    ASSERT_TRUE(runLookup(L"12345", version, games));
    const std::vector<GameRecord> tasks = model_->gameTasks.get();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].package, L"com.example.a");
    EXPECT_TRUE(tasks[0].fromAppStore);
    EXPECT_EQ(model_->package.get(), L"com.example.a");
    ASSERT_EQ(games.requests().size(), 1u);
    EXPECT_EQ(games.requests()[0].rfind("GET /getGameInfo2?appid=12345 HTTP/1.1\r\n", 0), 0u);
}

TEST_F(GameLookupTest, FailedAttemptsArePausedASecondAndTheThirdAnswerIsUsed)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer games({kUnavailable, kUnavailable, okAnswer(kStoreGame)});
    const DWORD begin = ::GetTickCount();
    ASSERT_TRUE(runLookup(L"12345", version, games));
    EXPECT_GE(::GetTickCount() - begin, 1900u) << "two pauses of a second";
    EXPECT_EQ(games.requests().size(), 3u);
    EXPECT_EQ(model_->gameTasks.get().size(), 1u);
}

TEST_F(GameLookupTest, ThreeFailuresLeaveListAndPackageAsTheyWere)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer down({kUnavailable});
    ASSERT_TRUE(runLookup(L"123456", version, down, L"", 20000));
    EXPECT_EQ(down.requests().size(), 3u);
    EXPECT_TRUE(model_->gameTasks.get().empty());
    EXPECT_TRUE(model_->package.get().empty());
}

TEST_F(GameLookupTest, AnAnswerWithoutListEndsTheAttempts)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer games({okAnswer("<html>busy</html>"), okAnswer(kStoreGame)});
    ASSERT_TRUE(runLookup(L"12345", version, games));
    EXPECT_EQ(games.requests().size(), 1u);
    EXPECT_TRUE(model_->gameTasks.get().empty());
}

TEST_F(GameLookupTest, AGameFromTheCommandLineSkipsTheLookup)
{
    LoopbackPeer version({okAnswer(kVersion)});
    LoopbackPeer games({okAnswer(kStoreGame)});
    ASSERT_TRUE(runLookup(L"12345", version, games, L"name=N|package=com.cmd|apkurl=http://h/c.apk"));
    EXPECT_EQ(games.connections(), 0);
    const std::vector<GameRecord> tasks = model_->gameTasks.get();
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0].package, L"com.cmd");
}
