#pragma once
// The process-wide download and install model, reached only through its
// get-or-create accessor.

#include "common/unique_handle.h"
#include "model/download_rules.h"
#include "model/game_record.h"
#include "model/model_callbacks.h"
#include "model/shared_field.h"
#include "platform/system_library.h"
#include "tasks/ui_task_dispatcher.h"
#include "tasks/worker_slot.h"
#include "ui/text/string_bundle.h"
#include "utility/http_client.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class VPDownloaderModel final : private utility::CHttpClientWrapper::IHttpDownloadSink {
public:
    // Creates the model on first use (user-interface thread only).
    static VPDownloaderModel* instance();
    // The model if it exists, without creating it.
    static VPDownloaderModel* existing();
    // Shuts the model down, destroys it and forgets it.
    static void destroy();

    VPDownloaderModel(const VPDownloaderModel&) = delete;
    VPDownloaderModel& operator=(const VPDownloaderModel&) = delete;

    // First call of the application: true when another installer runs (it
    // has been asked to come to the front); false when this one is the
    // first, which then holds the named mutex until the model is destroyed.
    bool popupExistPwnd();

    // Once, on the user-interface thread: launch parameters from the file
    // name, installed version and install folder, then the command line;
    // then the version worker starts, unless asked to wait: the installer
    // shows its window first and then calls startVersionWorker, so that the
    // worker does not take the processor and the network from the start.
    enum class VersionWorkerStart { Now, Later };
    void init(const wchar_t* commandLine, VersionWorkerStart start = VersionWorkerStart::Now);
    void startVersionWorker();

    std::wstring getInstallDir() const { return installDir.get(); }
    // The window validates the folder before it hands it over.
    void setInstallDir(const std::wstring& folder) { installDir.set(folder); }

    // Stops what the model runs; safe to call more than once. False when a
    // worker did not end in time: the model must then outlive it.
    bool shutdown();

    // User-interface thread: the install button and the wait for the version
    // answer. Downloads the emulator's installer unless it is installed.
    void startDownloadPlayer();
    // The same version is installed in the chosen folder with its programs.
    bool alreadyInstalled() const;

    // Installation and launch of the emulator (user-interface thread).
    void startInstallPlayer();
    // After a failed installation: runs it again from the downloaded file
    // (through onPlayerReady), or fetches the file again when it is gone.
    void retryInstallation();
    // True when the shell took the player.
    bool launchPlayer(const std::wstring& arguments);
    bool launchPlayerForPackage();

    // Ticks of the wait for the version answer so far (user-interface thread).
    int waitTicks() const { return waitTicks_; }

    // The window's texts (user-interface thread): the whole bundle as one
    // text; a later id wins, a malformed bundle leaves the table as it was.
    void loadStringBundle(const std::wstring& document);
    // The text of id, or the id itself when the bundle lacks it.
    std::wstring stringById(const std::wstring& id) const;

    // Key of the model's posted tasks: unique to this model object, so a
    // later model never inherits the cancellation of an earlier one.
    OwnerKey ownerKey() const { return ownerKey_; }

    // Launch parameters. openId is written by init only; package and
    // gameTasks may still change on the version worker (game lookup).
    std::wstring openId = L"100";
    SharedField<std::wstring> package;
    SharedField<std::vector<GameRecord>> gameTasks;

    // Install location; the registry values are written by init only.
    std::wstring installedVersion;
    std::wstring registeredDir;
    SharedField<std::wstring> installDir;

    // Version answer, written by the version worker; playerUrl last, so a
    // reader that sees it also sees the others.
    SharedField<std::wstring> serverVersion;
    SharedField<std::wstring> spareUrl;
    SharedField<std::wstring> playerMd5;
    SharedField<std::wstring> playerUrl;

    // Download state shared by the download worker and the switch check.
    std::atomic<int> progress{0};
    std::atomic<bool> usingMainUrl{true};
    std::atomic<DWORD> cnStartTick{0};
    std::atomic<DWORD> lastProgressTick{0};

    utility::CHttpClientWrapper versionClient;
    utility::CHttpClientWrapper mainClient;
    utility::CHttpClientWrapper spareClient;
    // The game lookup's client: a member, so that the shutdown and the wait
    // for the version answer can end it like the others.
    utility::CHttpClientWrapper gameClient;

    WorkerSlot versionWorker;
    WorkerSlot downloadWorker;
    WorkerSlot installWorker;
    // Timer ids of the dispatcher, 0 when not running.
    UINT_PTR waitTimer = 0;
    UINT_PTR switchTimer = 0;

    // Set by the window before they can fire.
    ModelCallbacks callbacks;

    // The system tool that ends the emulator's processes, by its full path
    // (by name alone Windows would look in the installer's own folder
    // first); tests name a stand-in that journals its runs.
    std::wstring taskkillProgram = platform::systemFolderFile(L"taskkill.exe");
    // Publishers whose signature the emulator's installer must carry before
    // it runs: SHA-256 (lower-case hex) of each signing certificate. Empty:
    // no signature check. Set by the build; tests replace it before any
    // worker starts (the workers only read it).
    std::vector<std::string> acceptedPublishers;
    // The tick count behind elapsed times and progress throttling; tests
    // put the clock where they need it.
    std::function<std::uint32_t()> tickCount = [] { return static_cast<std::uint32_t>(::GetTickCount()); };
    // Periods of the wait for the version answer and of the mirror switch
    // check; tests shorten them.
    UINT waitTickMs = 1000;
    UINT switchCheckMs = 10000;
    // How long the emulator's installer may run; tests shorten it.
    unsigned long installerTimeoutMs = 120000;

private:
    VPDownloaderModel();
    ~VPDownloaderModel() = default;

    void _calcInstallPath();
    void _threadCheckVersion();
    void _getPackageByOpenID();
    bool _lookupGamesOnce(const std::wstring& url, std::string& body);
    void _takeGameAnswer(const std::string& body);
    void _onWaitForUrlTick();
    void _threadDownloadPlayer();
    bool _downloadByCNUrl(const std::wstring& target);
    bool _downloadByENUrl(const std::wstring& target);
    // One call of a client; its end is counted for the failure report.
    bool _fetch(utility::CHttpClientWrapper& client, const std::wstring& url, const std::wstring& target, bool resume,
                int tries);
    // Checks the finished ".tmp" file; a file that fails is deleted.
    // Whether the file matches the answer's digest and carries an accepted
    // signature; a refusal is logged with its reason, the file left as it is.
    bool _fileAccepted(const std::wstring& file) const;
    bool _acceptDownload(const std::wstring& target);
    // A refused ".tmp" file goes, with its record.
    void _dropDownload(const std::wstring& temporary);
    // Moves the checked ".tmp" file onto the target and tells the window.
    bool _placeDownload(const std::wstring& target);
    // Whether the file carries an accepted publisher's intact signature (or
    // the build checks none); a refusal is logged with its reason.
    bool _signatureAccepted(const std::wstring& file) const;
    // Download worker, when the same version is installed: runs the
    // installed installer if it passes the signature check, else downloads.
    void _threadCheckInstalledPlayer();
    // Download worker: a rizodi.exe beside this program, copied into place
    // when it passes a download's checks; false (logged why) otherwise.
    bool _useCopyBeside(const std::wstring& target);
    struct CopyFailure {
        const wchar_t* what = nullptr; // null: copied whole
        DWORD error = 0;
    };
    CopyFailure _copyFile(const std::wstring& from, const std::wstring& to);
    void _onSwitchCheck();
    bool _needUseEnUrl();
    // A finished report shows 100 % whatever the amounts say.
    void _postProgress(int received, int total, bool finished = false);
    void _stopTimer(UINT_PTR& timerId);

    bool onDownloadProgress(const unsigned char* data, int size, int received, int total) override;
    bool onDownloadFinished() override;
    // Refuses a web page at the installer's address.
    bool onDownloadHead(const utility::HttpResponseHead& head) override;
    void _threadInstallPlayer();
    void killPlayerProcesses();
    // Runs the callback on the user-interface thread, unless the model has
    // gone by then.
    void postToUi(Runable* task);

    const OwnerKey ownerKey_;
    // Held while this installer is the first one.
    common::UniqueHandle instanceMutex_;
    ui::text::StringBundle strings_;
    // Ticks of the wait for the version answer.
    int waitTicks_ = 0;
    // The last block's figures, for the report at the end (download worker).
    int lastReceived_ = 0;
    int lastTotal_ = -1;
    // How the calls of the running download ended (download worker only).
    download_rules::DownloadTally tally_;
};
