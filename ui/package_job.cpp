#include "ui/package_job.h"

#include "common/log.h"
#include "model/game_handover.h"
#include "ui/game_page.h"
#include "utility/process.h"

#include <windows.h>

namespace ui {

namespace {

std::vector<std::wstring> packageFilesIn(const std::wstring& folder, const std::vector<GameRecord>& games)
{
    std::vector<std::wstring> files;
    for (const std::wstring& stem : packageFileStems(games)) files.push_back(folder + L"\\" + stem + L".apk");
    return files;
}

} // namespace

bool packageSizeAcceptable(std::int64_t received, std::int64_t total, std::int64_t limit)
{
    if (total < -1 || total > limit) return false;
    return received >= 0 && received <= limit;
}

PackageJob::PackageJob(std::wstring installDir, std::vector<GameRecord> games, Reports reportsToPost, Poster poster)
    : execute(utility::process::run),
      tickCount([] { return static_cast<std::uint32_t>(::GetTickCount()); }),
      reports(std::move(reportsToPost)),
      installDir_(std::move(installDir)),
      games_(std::move(games)),
      files_(packageFilesIn(installDir_, games_)),
      poster_(std::move(poster))
{
}

void PackageJob::stop()
{
    stopped_.store(true);
    apkHttp.stop();
}

bool PackageJob::post(std::function<void()> task)
{
    if (!task || stopped() || !poster_) return false;
    poster_(std::move(task));
    return true;
}

bool PackageJob::run(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs)
{
    if (stopped()) return false;
    const utility::process::RunEnd end = execute(file, params, timeoutMs);
    if (end.kind == utility::process::RunEnd::Kind::TimedOut)
        WRITE_LOG(L"console tool still running after %d ms, going on without it", static_cast<int>(timeoutMs));
    return end.succeeded();
}

bool PackageJob::onDownloadProgress(const unsigned char*, int, int received, int total)
{
    if (stopped()) return false;
    if (!packageSizeAcceptable(received, total, maxPackageBytes)) {
        if (!refusalLogged_)
            WRITE_LOG(L"package refused: %d bytes received, %d announced, at most %d", received, total,
                      static_cast<int>(maxPackageBytes));
        refusalLogged_ = true;
        return false;
    }
    const std::uint32_t now = tickCount();
    if (!packageProgressDue(now, lastSinkTick_, received, total)) return true;
    lastSinkTick_ = now;
    if (reports.downloadProgress) {
        auto progress = reports.downloadProgress;
        const std::int64_t got = received;
        const std::int64_t size = total;
        post([progress, got, size] { progress(got, size); });
    }
    return true;
}

} // namespace ui
