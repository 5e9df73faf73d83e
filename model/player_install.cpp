// Installing the emulator with its own silent installer, and starting it.

#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "model/download_rules.h"
#include "utility/file.h"
#include "utility/process.h"
#include "utility/signature.h"

namespace {

constexpr unsigned long kTaskkillTimeoutMs = 2000;
// A worker that has posted its last report ends within this.
constexpr DWORD kWorkerEndMs = 2000;

} // namespace

void VPDownloaderModel::postToUi(Runable* task)
{
    UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance();
    if (!dispatcher) {
        task->dispose();
        return;
    }
    dispatcher->post(ownerKey(), task);
}

void VPDownloaderModel::startInstallPlayer()
{
    installWorker.start(makeMemberFuncRunable(this, &VPDownloaderModel::_threadInstallPlayer));
}

void VPDownloaderModel::killPlayerProcesses()
{
    // A process that is not running makes taskkill fail; the next follows.
    for (const std::wstring& name : download_rules::processesToEnd())
        utility::process::execute(taskkillProgram, download_rules::taskkillArguments(name), kTaskkillTimeoutMs);
}

void VPDownloaderModel::retryInstallation()
{
    // The earlier workers have posted their last report; they end at once.
    for (WorkerSlot* worker : {&installWorker, &downloadWorker}) {
        if (!worker->hasThread()) continue;
        if (!worker->wait(kWorkerEndMs)) {
            WRITE_LOG(L"retry refused: the last run is still busy");
            return;
        }
        worker->release();
    }
    if (utility::ufile::pathExists(installDir.get() + L"\\rizodi.exe")) {
        WRITE_LOG(L"installation run again from the downloaded file");
        if (callbacks.onPlayerReady) callbacks.onPlayerReady();
        return;
    }
    WRITE_LOG(L"installer file gone: downloading it again");
    startDownloadPlayer();
}

void VPDownloaderModel::_threadInstallPlayer()
{
    const std::wstring folder = installDir.get();
    const std::wstring arguments = download_rules::installerArguments(openId, folder);
    const std::wstring installer = folder + L"\\rizodi.exe";
    killPlayerProcesses();
    InstallReport report;
    {
        // Checked again right before it runs, and held so that it cannot be
        // replaced in between.
        common::UniqueHandle held = utility::signature::holdUnchanged(installer);
        if (_signatureAccepted(installer)) {
            const utility::process::RunEnd run = utility::process::run(installer, arguments, installerTimeoutMs);
            report.code = run.code;
            switch (run.kind) {
            case utility::process::RunEnd::Kind::Exited:
                report.end = run.code == 0 ? InstallerEnd::Succeeded : InstallerEnd::ExitCode;
                break;
            case utility::process::RunEnd::Kind::TimedOut: report.end = InstallerEnd::TimedOut; break;
            case utility::process::RunEnd::Kind::NotStarted:
            case utility::process::RunEnd::Kind::WaitFailed: report.end = InstallerEnd::NotStarted; break;
            }
        } else {
            report.end = InstallerEnd::Refused;
            // Not kept: a retry fetches it again.
            held.reset();
            if (utility::ufile::pathExists(installer)) utility::ufile::removeFile(installer);
        }
    }
    report.playerPresent = utility::ufile::pathExists(folder + L"\\vpplayer.exe");
    const bool success = report.end == InstallerEnd::Succeeded;
    WRITE_LOG(L"_threadProcInstallPlayer install vppayer end. sucess = %d", success ? 1 : 0);
    postToUi(makeFunctionRunable([this, report] {
        if (callbacks.onInstallFinished) callbacks.onInstallFinished(report);
    }));
}

bool VPDownloaderModel::launchPlayer(const std::wstring& arguments)
{
    return utility::process::shell(installDir.get() + L"\\vpplayer.exe", arguments);
}

bool VPDownloaderModel::launchPlayerForPackage()
{
    return launchPlayer(download_rules::playerArgumentsForPackage(package.get()));
}
