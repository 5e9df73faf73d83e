// The game lookup by openID on the version worker, after the version answer.

#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "model/game_answer.h"
#include "model/region_profile.h"
#include "utility/http_sinks.h"

namespace {

constexpr int kLookupTries = 3;
constexpr int kLookupPauseMs = 1000;
// The default openID "100" never qualifies.
constexpr std::size_t kMinOpenIdLength = 5;

} // namespace

bool VPDownloaderModel::_lookupGamesOnce(const std::wstring& url, std::string& body)
{
    body.clear();
    utility::CHttpDownload2MemSink sink(&body, nullptr);
    bool ok = false;
    if (gameClient.open(url, &sink)) {
        std::string head;
        int status = 0;
        int length = 0;
        ok = gameClient.sendAndRecvHeader(head, status, length) && gameClient.recvBody(head, length);
    }
    gameClient.closeConnection();
    return ok;
}

void VPDownloaderModel::_getPackageByOpenID()
{
    if (openId.size() >= kMinOpenIdLength) {
        WRITE_LOG(L"start get package.");
        const std::wstring url = region::gameLookupUrl(openId);
        for (int attempt = 0; attempt < kLookupTries && !gameClient.isStopped(); ++attempt) {
            std::string body;
            if (_lookupGamesOnce(url, body)) {
                _takeGameAnswer(body);
                break;
            }
            gameClient.pause(kLookupPauseMs);
        }
        gameClient.stop();
    }
    WRITE_LOG(L"package is %s", package.get().c_str());
}

void VPDownloaderModel::_takeGameAnswer(const std::string& body)
{
    GameAnswer answer;
    if (!parseGameAnswer(body, answer)) {
        WRITE_LOG(L"game answer has no game list");
        return;
    }
    for (const std::wstring& field : answer.dropped)
        WRITE_LOG(L"game record dropped: its %s holds an argument separator", field.c_str());
    if (answer.packageGiven) package.set(answer.lastPackage);
    gameTasks.update([&answer](std::vector<GameRecord>& tasks) {
        tasks.insert(tasks.end(), answer.games.begin(), answer.games.end());
    });
}
