// Installing the emulator with its own silent installer, and starting it.

#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "model/download_rules.h"
#include "utility/process.h"
#include "utility/signature.h"

namespace {

constexpr unsigned long kTaskkillTimeoutMs = 2000;

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

void VPDownloaderModel::_threadInstallPlayer()
{
    const std::wstring folder = installDir.get();
    const std::wstring arguments = download_rules::installerArguments(openId, folder);
    const std::wstring installer = folder + L"\\rizodi.exe";
    killPlayerProcesses();
    // Checked again right before it runs, and held so that it cannot be
    // replaced in between.
    const common::UniqueHandle held = utility::signature::holdUnchanged(installer);
    const bool success =
        _signatureAccepted(installer) && utility::process::execute(installer, arguments, installerTimeoutMs);
    WRITE_LOG(L"_threadProcInstallPlayer install vppayer end. sucess = %d", success ? 1 : 0);
    postToUi(makeFunctionRunable([this, success] {
        if (callbacks.onInstallFinished) callbacks.onInstallFinished(success);
    }));
}

void VPDownloaderModel::launchPlayer(const std::wstring& arguments)
{
    utility::process::shell(installDir.get() + L"\\vpplayer.exe", arguments);
}

void VPDownloaderModel::launchPlayerForPackage()
{
    launchPlayer(download_rules::playerArgumentsForPackage(package.get()));
}
