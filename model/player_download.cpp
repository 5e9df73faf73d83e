// The emulator installer's download: version answer, main mirror, switch to
// the spare mirror when the main one is slow, check and rename, reports.

#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "model/download_rules.h"
#include "model/run_outcome.h"
#include "model/region_profile.h"
#include "model/version_answer.h"
#include "utility/file.h"
#include "utility/file_digest.h"
#include "utility/resume_record.h"
#include "utility/signature.h"
#include "utility/text.h"

namespace {

constexpr int kWaitTicksForAnswer = 5;
constexpr int kMainTries = 2;
constexpr int kSpareResumeTries = 1;
constexpr int kSpareFreshTries = 3;
// How long the user-interface thread waits for the version worker after
// aborting its lookup: the worker then ends at once unless a game lookup
// runs behind it, which must not hold the window for long.
constexpr DWORD kVersionWorkerEndMs = 2000;

} // namespace

void VPDownloaderModel::_threadCheckVersion()
{
    std::string body;
    if (!versionClient.getToString(body, region::playerVersionLookupUrl())) return;
    VersionAnswer answer;
    answer.ver = serverVersion.get();
    answer.urlSpare = spareUrl.get();
    answer.md5 = playerMd5.get();
    answer.url = playerUrl.get();
    if (!parseVersionAnswer(body, answer)) {
        WRITE_LOG(L"version answer is not json: %s", utility::utf8ToWide(body.substr(0, 200)).c_str());
        return;
    }
    serverVersion.set(answer.ver);
    spareUrl.set(answer.urlSpare);
    playerMd5.set(answer.md5);
    // Last: the user-interface thread takes a main address as the answer.
    playerUrl.set(answer.url);
    if (gameTasks.get().empty()) _getPackageByOpenID();
}

void VPDownloaderModel::startDownloadPlayer()
{
    if (playerUrl.get().empty()) {
        WRITE_LOG(L"start downloader. bug getting player url");
        if (waitTimer == 0) {
            if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance())
                waitTimer = dispatcher->startTimerTask(
                    makeMemberFuncRunable(this, &VPDownloaderModel::_onWaitForUrlTick), waitTickMs);
        }
        return;
    }
    if (alreadyInstalled()) {
        if (acceptedPublishers.empty()) {
            if (callbacks.onPlayerReady) callbacks.onPlayerReady();
            return;
        }
        // The folder comes from a value any program of the user may change:
        // its installer runs only with an accepted signature.
        downloadWorker.start(makeMemberFuncRunable(this, &VPDownloaderModel::_threadCheckInstalledPlayer));
        return;
    }
    downloadWorker.start(makeMemberFuncRunable(this, &VPDownloaderModel::_threadDownloadPlayer));
}

void VPDownloaderModel::_onWaitForUrlTick()
{
    const int n = ++waitTicks_;
    if (n < kWaitTicksForAnswer && playerUrl.get().empty()) return;
    // Ends a lookup that still hangs or pauses; the wait covers what runs
    // behind it on that worker, but only for a bounded time.
    versionClient.abort();
    // Without a version answer no game lookup is to follow. A running one
    // is waited for only a bounded time: it goes on behind the download,
    // and its list is needed only once the installation has ended.
    if (playerUrl.get().empty()) gameClient.stop();
    if (versionWorker.wait(kVersionWorkerEndMs))
        versionWorker.release();
    else
        WRITE_LOG(L"version worker still busy after %d ms, going on without it", static_cast<int>(kVersionWorkerEndMs));
    if (playerUrl.get().empty()) playerUrl.set(region::fallbackInstallerUrl());
    startDownloadPlayer();
    _stopTimer(waitTimer);
}

void VPDownloaderModel::_stopTimer(UINT_PTR& timerId)
{
    if (timerId == 0) return;
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->killTimerTask(timerId);
    timerId = 0;
}

void VPDownloaderModel::_threadCheckInstalledPlayer()
{
    if (_signatureAccepted(installDir.get() + L"\\rizodi.exe")) {
        postToUi(makeFunctionRunable([this] {
            if (callbacks.onPlayerReady) callbacks.onPlayerReady();
        }));
        return;
    }
    _threadDownloadPlayer();
}

void VPDownloaderModel::_threadDownloadPlayer()
{
    const std::wstring folder = installDir.get();
    if (!utility::ufile::pathExists(folder)) utility::ufile::makeDir(folder);
    lastProgressTick = 0;
    tally_ = download_rules::DownloadTally();
    lastReceived_ = 0;
    lastTotal_ = -1;
    const std::wstring target = folder + L"\\rizodi.exe";
    const std::wstring temporary = target + L".tmp";
    // A partial left by an earlier run is continued where its record
    // vouches for it; both mirrors serve the same file.
    std::vector<std::wstring> addresses;
    for (const std::wstring& url : {playerUrl.get(), spareUrl.get()})
        if (!url.empty()) addresses.push_back(url);
    mainClient.resumeWithRecords(addresses);
    spareClient.resumeWithRecords(addresses);
    if (_useCopyBeside(target)) return;
    // No other mirror against a full disk.
    if (_downloadByCNUrl(target) || (!tally_.diskFull && _downloadByENUrl(target))) return;
    // A partial whose record can continue it is kept for a later run;
    // nothing else half-written stays behind.
    if (utility::ufile::pathExists(temporary) &&
        !utility::ufile::pathExists(utility::resume::recordPathFor(temporary)))
        utility::ufile::removeFile(temporary);
    // Stopped by the shutdown: nobody is left to tell.
    if (mainClient.isStopped()) return;
    const DownloadFailure why = download_rules::failureOf(tally_);
    WRITE_LOG(L"no address delivered the installer: %s", run_outcome::reason(download_rules::outcomeOf(why)));
    postToUi(makeFunctionRunable([this, why] {
        // Nothing is downloading any more: the switch check has nothing to watch.
        _stopTimer(switchTimer);
        if (callbacks.onDownloadFailed) callbacks.onDownloadFailed(why);
    }));
}

bool VPDownloaderModel::_fetch(utility::CHttpClientWrapper& client, const std::wstring& url,
                               const std::wstring& target, bool resume, int tries)
{
    if (client.downloadFileWithRetry(this, target + L".tmp", url, resume, tries)) return _acceptDownload(target);
    switch (client.lastDownloadEnd()) {
    case utility::CHttpClientWrapper::DownloadEnd::Refused: ++tally_.webPages; break;
    case utility::CHttpClientWrapper::DownloadEnd::DiskFull: tally_.diskFull = true; break;
    default: ++tally_.otherEnds; break;
    }
    return false;
}

bool VPDownloaderModel::_downloadByCNUrl(const std::wstring& target)
{
    const std::wstring url = playerUrl.get();
    if (url.empty()) return false;
    usingMainUrl = true;
    cnStartTick = tickCount();
    // Timers live on the user-interface thread.
    postToUi(makeFunctionRunable([this] {
        if (switchTimer != 0 || !usingMainUrl) return;
        if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance())
            switchTimer = dispatcher->startTimerTask(makeMemberFuncRunable(this, &VPDownloaderModel::_onSwitchCheck),
                                                     switchCheckMs);
    }));
    WRITE_LOG(L"start download player playerurl is %s", url.c_str());
    if (!_fetch(mainClient, url, target, true, kMainTries)) return false;
    WRITE_LOG(L"dowload file sucess file= %s", target.c_str());
    if (!_placeDownload(target)) return false;
    WRITE_LOG(L"player download ok by cn");
    return true;
}

bool VPDownloaderModel::_downloadByENUrl(const std::wstring& target)
{
    const std::wstring url = spareUrl.get();
    if (url.empty()) return false;
    usingMainUrl = false;
    lastProgressTick = 0;
    WRITE_LOG(L"start download player playerurl is %s", url.c_str());
    // First continue what the main mirror left behind, then start over.
    const bool fetched = _fetch(spareClient, url, target, true, kSpareResumeTries) ||
                         (!tally_.diskFull && _fetch(spareClient, url, target, false, kSpareFreshTries));
    if (!fetched) return false;
    WRITE_LOG(L"dowload file sucess file= %s", target.c_str());
    return _placeDownload(target);
}

bool VPDownloaderModel::_acceptDownload(const std::wstring& target)
{
    const std::wstring temporary = target + L".tmp";
    if (_fileAccepted(temporary)) return true;
    _dropDownload(temporary);
    return false;
}

bool VPDownloaderModel::_fileAccepted(const std::wstring& file) const
{
    // This file runs elevated: when the service names a digest, the bytes must match it.
    const std::wstring expected = playerMd5.get();
    if (utility::ufile::isMd5Text(expected)) {
        std::wstring actual;
        if (!utility::ufile::md5OfFile(file, actual) || !utility::ufile::sameMd5(actual, expected)) {
            WRITE_LOG(L"md5 mismatch, file = %s expect = %s actual = %s", file.c_str(), expected.c_str(),
                      actual.c_str());
            return false;
        }
    }
    return _signatureAccepted(file);
}

void VPDownloaderModel::_dropDownload(const std::wstring& temporary)
{
    ++tally_.refusedFiles;
    // Neither the bytes nor a record that would build on them stay.
    utility::ufile::removeFile(temporary);
    utility::resume::removeRecordFile(temporary);
}

bool VPDownloaderModel::_placeDownload(const std::wstring& target)
{
    if (!utility::ufile::moveFile(target + L".tmp", target)) return false;
    utility::resume::removeRecordFile(target + L".tmp");
    postToUi(makeFunctionRunable([this] {
        _stopTimer(switchTimer);
        if (callbacks.onPlayerReady) callbacks.onPlayerReady();
    }));
    return true;
}

bool VPDownloaderModel::_signatureAccepted(const std::wstring& file) const
{
    if (acceptedPublishers.empty()) return true;
    utility::signature::Evidence seen;
    const utility::signature::Verdict verdict = utility::signature::check(file, acceptedPublishers, &seen);
    if (verdict == utility::signature::Verdict::Accepted) return true;
    const std::wstring publisher = seen.signerDigest.empty() ? L"none" : utility::utf8ToWide(seen.signerDigest);
    WRITE_LOG(L"signature refused, file = %s reason = %s result = 0x%08X publisher = %s", file.c_str(),
              utility::signature::verdictText(verdict), static_cast<unsigned>(seen.trustResult), publisher.c_str());
    return false;
}

void VPDownloaderModel::_onSwitchCheck()
{
    const bool useSpare = _needUseEnUrl();
    WRITE_LOG(L"_needUseEnUrl %d", useSpare ? 1 : 0);
    if (!useSpare) return;
    mainClient.abort();
    _stopTimer(switchTimer);
}

bool VPDownloaderModel::_needUseEnUrl()
{
    const int percent = progress;
    if (percent >= 100 || !usingMainUrl || spareUrl.get().empty()) return false;
    const std::uint32_t elapsed = download_rules::elapsedTicks(tickCount(), cnStartTick);
    const download_rules::SwitchDecision decision = download_rules::switchBand(elapsed, percent);
    if (decision.logFormat) WRITE_LOG(decision.logFormat, static_cast<int>(elapsed), percent);
    return decision.useSpare;
}

bool VPDownloaderModel::onDownloadHead(const utility::HttpResponseHead& head)
{
    if (!download_rules::isWebPageType(head.contentType)) return true;
    WRITE_LOG(L"web page instead of the installer: status %d, Content-Type %s", head.status,
              utility::utf8ToWide(head.contentType.substr(0, 100)).c_str());
    return false;
}

bool VPDownloaderModel::onDownloadProgress(const unsigned char* data, int size, int received, int total)
{
    // What begins the file must be able to begin a program.
    if (received == size && !download_rules::startsLikeProgram(data, size)) {
        WRITE_LOG(L"not an installer: the answer begins with \"%s\"", download_rules::firstBytesText(data, size).c_str());
        return false;
    }
    lastReceived_ = received;
    lastTotal_ = total;
    const std::uint32_t now = tickCount();
    if (!download_rules::progressDue(now, lastProgressTick)) return true;
    // Never 0, which marks a download that has just started.
    lastProgressTick = now != 0 ? now : 1;
    _postProgress(received, download_rules::reportedTotal(received, total));
    return true;
}

bool VPDownloaderModel::onDownloadFinished()
{
    progress = 100;
    const download_rules::Amount amount = download_rules::finishedAmount(lastReceived_, lastTotal_);
    _postProgress(amount.received, amount.total, true);
    return true;
}

void VPDownloaderModel::_postProgress(int received, int total, bool finished)
{
    postToUi(makeFunctionRunable([this, received, total, finished] {
        progress = finished ? 100 : download_rules::progressPercent(received, total);
        if (callbacks.onProgress) callbacks.onProgress(progress, received, total);
    }));
}

bool VPDownloaderModel::alreadyInstalled() const
{
    const std::wstring folder = installDir.get();
    const std::wstring version = serverVersion.get();
    if (folder.empty() || version.empty()) return false;
    if (download_rules::leadingInteger(installedVersion) != download_rules::leadingInteger(version)) return false;
    if (!utility::ufile::isPathPrefix(folder, registeredDir)) return false;
    return utility::ufile::pathExists(folder + L"\\vpplayer.exe") &&
           utility::ufile::pathExists(folder + L"\\zodovivevizez.exe");
}
