#include "model/vpdownloader_model.h"

#include "common/log.h"
#include "model/accepted_publishers.h"
#include "model/disk.h"
#include "model/launch_params.h"
#include "model/player_registry.h"
#include "utility/file.h"

namespace {

std::atomic<VPDownloaderModel*> g_model{nullptr};

constexpr const wchar_t* kDefaultOpenId = L"100";
// The package word of the plain installer's file name, not a package.
constexpr const wchar_t* kNoPackageWord = L"kx";
constexpr const wchar_t* kDefaultSubFolder = L"Bexmoor\\vpplayer2\\";
// Each worker gets this long to end at shutdown.
constexpr DWORD kWorkerStopMs = 1000;

} // namespace

// Small numbers that no object address can take, one per model ever made.
std::atomic<OwnerKey> g_nextOwnerKey{1};

VPDownloaderModel::VPDownloaderModel()
    : acceptedPublishers{KOLVEX_ACCEPTED_PUBLISHER_LIST}, ownerKey_(g_nextOwnerKey.fetch_add(1))
{
}

VPDownloaderModel* VPDownloaderModel::instance()
{
    VPDownloaderModel* model = g_model.load();
    if (!model) {
        model = new VPDownloaderModel();
        g_model.store(model);
    }
    return model;
}

VPDownloaderModel* VPDownloaderModel::existing() { return g_model.load(); }

void VPDownloaderModel::destroy()
{
    VPDownloaderModel* model = g_model.exchange(nullptr);
    if (!model) return;
    if (!model->shutdown()) {
        // A worker may still touch it: kept until the process ends.
        WRITE_LOG(L"a worker is still running, the model is left to the process end");
        return;
    }
    delete model;
}

void VPDownloaderModel::init(const wchar_t* commandLine, VersionWorkerStart start)
{
    const std::wstring stem = utility::ufile::fileTitle(utility::ufile::modulePath());
    WRITE_LOG(L"VPDownloaderModel::exe filename= %s", stem.c_str());

    const std::wstring words = cleanFileNameStem(stem);
    const FileNameParams fromName = splitFileNameParams(words);
    if (!sameWords(fromName, splitFileNameParams(stem))) WRITE_LOG(L"file name words taken from %s", words.c_str());
    if (fromName.complete) {
        WRITE_LOG(L"model. type: %s, package:%s, openID:%s", fromName.type.c_str(), fromName.package.c_str(),
                  fromName.openId.c_str());
        if (!fromName.openId.empty() && openId == kDefaultOpenId) openId = fromName.openId;
        if (!fromName.package.empty() && fromName.package != kNoPackageWord && package.get().empty())
            package.set(fromName.package);
    }
    WRITE_LOG(L"openid is %s, package is %s", openId.c_str(), package.get().c_str());

    installedVersion = helper::registry::readPlayerValue(L"Version");
    _calcInstallPath();

    const CommandLineParams fromCommandLine = parseCommandLineParams(commandLine);
    if (fromCommandLine.any) {
        if (!fromCommandLine.apkurl.empty()) {
            GameRecord record;
            record.url = fromCommandLine.apkurl;
            record.package = fromCommandLine.package;
            record.name = fromCommandLine.name;
            gameTasks.update([&record](std::vector<GameRecord>& tasks) { tasks.push_back(record); });
        }
        WRITE_LOG(L"cmdline is %s, %s, %s", fromCommandLine.name.c_str(), fromCommandLine.package.c_str(),
                  fromCommandLine.apkurl.c_str());
    }

    if (start == VersionWorkerStart::Now) startVersionWorker();
}

void VPDownloaderModel::startVersionWorker()
{
    versionWorker.start(makeMemberFuncRunable(this, &VPDownloaderModel::_threadCheckVersion));
}

void VPDownloaderModel::_calcInstallPath()
{
    registeredDir = helper::registry::readPlayerValue(L"InstallDir");
    installDir.set(registeredDir);
    WRITE_LOG(L"read from reg: path is %s", registeredDir.c_str());
    if (!registeredDir.empty()) return;
    const std::wstring folder = helper::disk::maxFreeSpaceDrive() + kDefaultSubFolder;
    installDir.set(folder);
    WRITE_LOG(L"get install path from MaxFreeSpace: %s", folder.c_str());
}

bool VPDownloaderModel::shutdown()
{
    _stopTimer(waitTimer);
    _stopTimer(switchTimer);
    // Ends blocked transfers first, so the workers can return. The client a
    // worker turns to next is stopped before the one it is blocked in: a
    // worker woken by the stop must find no server left to ask.
    gameClient.stop();
    spareClient.stop();
    versionClient.stop();
    mainClient.stop();
    bool allEnded = true;
    for (WorkerSlot* worker : {&versionWorker, &installWorker, &downloadWorker}) {
        // A worker stuck elsewhere is left to end with the process: ending a
        // thread forcibly could leave the heap or the log locked.
        if (worker->wait(kWorkerStopMs))
            worker->release();
        else
            allEnded = false;
    }
    // No task still queued for the model may run after it is gone.
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->cancelOwner(ownerKey());
    return allEnded;
}

void VPDownloaderModel::loadStringBundle(const std::wstring& document) { strings_.load(document); }

std::wstring VPDownloaderModel::stringById(const std::wstring& id) const { return strings_.stringById(id); }
