#include "ui/vpdownloader_mainframe.h"

#include "common/log.h"
#include "model/disk.h"
#include "model/download_rules.h"
#include "model/game_handover.h"
#include "model/run_outcome.h"
#include "model/vpdownloader_model.h"
#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/markup.h"
#include "skinui/resources.h"
#include "tasks/worker_slot.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protocol_wnd.h"
#include "ui/folder_choice.h"
#include "ui/game_page.h"
#include "ui/links.h"
#include "ui/package_job.h"
#include "ui/progress_texts.h"
#include "ui/text/string_bundle.h"
#include "utility/file.h"
#include "utility/process.h"
#include "utility/system.h"
#include "utility/text.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

constexpr const wchar_t* kFontFace = L"微软雅黑";
constexpr UINT kCreepPeriodMs = 1500;
constexpr UINT kRatePeriodMs = 1000;
constexpr int kProgressPage = 2;
constexpr int kPackagePage = 3;
constexpr UINT kInstallBarPeriodMs = 500;
constexpr int kPackageAttempts = 3;
// From this attempt on, plain HTTP over the raw socket.
constexpr int kRawSocketAttempt = 2;
constexpr unsigned long kInstallApkTimeoutMs = 120000;
// The console tool's resolution change; one that takes longer is left.
constexpr unsigned long kResolutionTimeoutMs = 30000;
// How long the teardown waits for the package worker; one still running
// then (inside the console tool) ends with the process.
constexpr DWORD kPackageWorkerWaitMs = 3000;
// The package-install bar's counter lives for the whole process.
int g_installBarCounter = 0;
// The folder dialog always opens at drive C:.
constexpr const wchar_t* kBrowseStart = L"C:";

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM)
{
    if (message == BFFM_INITIALIZED)
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(kBrowseStart));
    return 0;
}

VPDownloaderModel* model() { return VPDownloaderModel::existing(); }

} // namespace

VPDownloaderMainFrame::VPDownloaderMainFrame() { addNotifications(); }

VPDownloaderMainFrame::~VPDownloaderMainFrame() = default;

const wchar_t* VPDownloaderMainFrame::windowClassName() const { return L"updateMainframe"; }

UINT VPDownloaderMainFrame::classStyle() const { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS; }

namespace {

const wchar_t* layoutFile() { return utility::usystem::osMajorVersion() < 6 ? L"mainframe_xp.xml" : L"mainframe.xml"; }

constexpr const wchar_t* kLogoPicture = L"download_logo.png";

} // namespace

std::wstring VPDownloaderMainFrame::skinFile() { return layoutFile(); }

void VPDownloaderMainFrame::preparePictures() { SkinUI::WindowImplBase::preparePictures(layoutFile(), {kLogoPicture}); }

void VPDownloaderMainFrame::addNotifications()
{
    addNotify(L"click", L"installnowbtn", [this](SkinUI::TNotifyUI&) { onInstallButton(); });
    addNotify(L"click", L"userdefinitionBtn", [this](SkinUI::TNotifyUI&) { showCustomInstall(true); });
    addNotify(L"click", L"backBtn", [this](SkinUI::TNotifyUI&) { showCustomInstall(false); });
    addNotify(L"killfocus", L"pathedit", [this](SkinUI::TNotifyUI& msg) { applyChosenFolder(msg.sender->text()); });
    addNotify(L"click", L"browsebtn", [this](SkinUI::TNotifyUI&) { browseForFolder(); });
    addNotify(L"click", L"protocollinkbtn", [this](SkinUI::TNotifyUI&) { showLicenceWindow(); });
    addNotify(L"click", L"addQQGroupBtn", [](SkinUI::TNotifyUI&) { utility::usystem::openUrl(ui::userGroupLink()); });
    addNotify(L"click", L"closebtn", [this](SkinUI::TNotifyUI&) { askExit(); });
    addNotify(L"click", L"homepageBtn", [](SkinUI::TNotifyUI&) { utility::usystem::openUrl(ui::kHomePage); });
    addNotify(L"selectchanged", L"acceptprotocolopt", [this](SkinUI::TNotifyUI&) { refreshInstallState(); });
}

void VPDownloaderMainFrame::initWindow()
{
    setDefaultFont(kFontFace, 12, false, false, false);
    for (int id = 0; id <= 6; ++id) addFont(id, kFontFace, 12 + 2 * id, false, false, false);

    VPDownloaderModel* owner = model();
    std::wstring bundle;
    if (owner && ui::text::readBundleDocument(ui::text::kBundleFile, bundle) && !bundle.empty())
        owner->loadStringBundle(bundle);
    ::SetWindowTextW(hwnd(), text(L"Title_wndTitle").c_str());

    static const wchar_t* const kTexts[][2] = {
        {L"progress_download_label", L"progress_download_label"},
        {L"progress_install_label", L"progress_install_label"},
        {L"progress_finish_label", L"progress_finish_label"},
        {L"loadingprogresslabel", L"progress_downloading_label"},
        {L"pathErrorLabel", L"Label_path_error"},
        {L"LicenseAgreementText", L"protocol_accept"},
        {L"tastenowbtn", L"Button_start_player"},
        {L"confirmprotocolbtn", L"sure"},
        {L"installnowbtn", L"Button_install_fast"},
        {L"userdefinitionBtn", L"Button_install_define"},
        {L"backBtn", L"Button_install_back"},
        {L"browsebtn", L"browser"},
        {L"homepageBtn", L"homepage"},
    };
    for (const auto& row : kTexts) setControlText(row[0], text(row[1]));
    nameForScreenReaders();

    refreshInstallState();
    if (owner) setControlText(L"pathedit", owner->getInstallDir());
    if (SkinUI::CControlUI* logo = findControl(L"logoControl")) logo->setBkImage(kLogoPicture);

    if (!owner) return;
    owner->callbacks.onPlayerReady = [this] { onPlayerReady(); };
    owner->callbacks.onDownloadFailed = [this](DownloadFailure why) { onDownloadFailed(why); };
    owner->callbacks.onProgress = [this](int percent, int received, int total) { onProgress(percent, received, total); };
    owner->callbacks.onInstallFinished = [this](const InstallReport& report) { onInstallFinished(report); };
}

LRESULT VPDownloaderMainFrame::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kApkInstallTimer) onPackageInstallBarStep();
    if (message == WM_DESTROY) teardown();
    return SkinUI::WindowImplBase::handleMessage(message, wParam, lParam);
}

void VPDownloaderMainFrame::onFinalMessage(HWND hwnd)
{
    SkinUI::WindowImplBase::onFinalMessage(hwnd);
    if (goneAction_) goneAction_();
    delete this;
    ::PostQuitMessage(0);
}

void VPDownloaderMainFrame::teardown()
{
    if (apkInstallTimerId_) {
        ::KillTimer(hwnd(), apkInstallTimerId_);
        apkInstallTimerId_ = 0;
    }
    stopCreep();
    stopRate();
    // First, so that the package worker posts and starts nothing more while
    // the model is shut down.
    if (apkJob_) apkJob_->stop();
    // The model's workers and timers end before the window they report to.
    VPDownloaderModel::destroy();
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->cancelOwner(ownerKeyOf(&postKey_));
    stopPackageWorker();
}

// Controls that show a picture, or no text of their own, are named from
// the bundle for screen readers.
void VPDownloaderMainFrame::nameForScreenReaders()
{
    static const wchar_t* const kNames[][2] = {
        {L"closebtn", L"Acc_close"},
        {L"minbtn", L"Acc_minimize"},
        {L"addQQGroupBtn", L"Acc_qqgroup"},
        {L"protocollinkbtn", L"Acc_licence_link"},
        {L"pathedit", L"Label_choice_path"},
    };
    for (const auto& row : kNames)
        if (SkinUI::CControlUI* c = findControl(row[0])) c->setAttribute(L"accname", text(row[1]));
}

// --- pages

void VPDownloaderMainFrame::selectPage(int index)
{
    WRITE_LOG(L"select page %d", index);
    if (auto* tab = dynamic_cast<SkinUI::CTabLayoutUI*>(findControl(L"maintab"))) tab->selectItem(index);
    showCustomInstall(!controlVisible(L"userdefinitionBtn"));
}

void VPDownloaderMainFrame::showCustomInstall(bool custom)
{
    setControlVisible(L"userdefinitionsui", custom);
    setControlVisible(L"userdefinitionBtn", !custom);
    setControlVisible(L"backBtn", custom);
    setControlVisible(L"direction_right", !custom);
    setControlVisible(L"direction_left", custom);
    setControlText(L"installnowbtn", text(custom ? L"Button_install_now" : L"Button_install_fast"));
}

void VPDownloaderMainFrame::onInstallButton()
{
    if (!validateBeforeInstall()) return;
    WRITE_LOG(L"install pressed, folder %s", model()->getInstallDir().c_str());
    selectPage(kProgressPage);
    model()->startDownloadPlayer();
}

void VPDownloaderMainFrame::showLicenceWindow()
{
    if (!licenceWindow_) {
        ProtocolWnd* window = new ProtocolWnd();
        // The window deletes itself; on failure it never existed.
        // Named for screen readers in the shown language.
        if (!window->create(hwnd(), text(L"Acc_licence_title").c_str(), 0x80880000, 0)) {
            WRITE_LOG(L"licence window not created");
            delete window;
            return;
        }
        window->centerWindow();
        window->setCloseAction([this] { licenceWindow_ = nullptr; });
        licenceWindow_ = window;
    }
    WRITE_LOG(L"licence window shown");
    licenceWindow_->showWindow(true, true);
}

void VPDownloaderMainFrame::askExit()
{
    WRITE_LOG(L"exit question");
    SelectionInfo sure;
    sure.text = text(L"sure");
    sure.defaultLook = false;
    HWND window = hwnd();
    sure.action = [window] {
        ::PostMessageW(window, WM_CLOSE, 1, 0);
        ::PostQuitMessage(0);
    };
    SelectionInfo cancel;
    cancel.text = text(L"cancel");
    msg::showMessageBox(window, std::wstring(), text(L"MSGBox_noice"), text(L"MsgBox_exit"), sure, cancel);
}

// --- path page

void VPDownloaderMainFrame::refreshInstallState()
{
    VPDownloaderModel* owner = model();
    if (!owner) return;
    const std::wstring folder = owner->getInstallDir();
    const bool valid = helper::disk::isValidInstallPath(folder);
    SkinUI::CControlUI* edit = findControl(L"pathedit");
    if (edit && edit->text() != folder) edit->setText(folder);
    const ui::InstallState state = ui::installStateFor(valid, licenceAccepted());
    setControlVisible(L"errorpathnoticeui", state.showError);
    if (SkinUI::CControlUI* install = findControl(L"installnowbtn")) install->setEnabled(state.installEnabled);
    showCustomInstall(!controlVisible(L"userdefinitionBtn"));
    if (edit) {
        edit->setAttribute(L"normalimage", state.editNormal);
        edit->setAttribute(L"hotimage", state.editHot);
        edit->setAttribute(L"focusedimage", state.editFocused);
    }
}

void VPDownloaderMainFrame::applyChosenFolder(const std::wstring& chosen)
{
    VPDownloaderModel* owner = model();
    if (!owner) return;
    ui::FolderChecks checks;
    checks.isValid = [](const std::wstring& folder) { return helper::disk::isValidInstallPath(folder); };
    checks.isDriveRoot = [](const std::wstring& folder) { return ::PathIsRootW(folder.c_str()) != FALSE; };
    std::wstring folder;
    if (!ui::composeChosenFolder(chosen, owner->getInstallDir(), checks, folder)) return;
    WRITE_LOG(L"install folder chosen: %s", folder.c_str());
    owner->setInstallDir(folder);
    setControlText(L"pathedit", folder);
    refreshInstallState();
}

void VPDownloaderMainFrame::browseForFolder()
{
    wchar_t displayName[MAX_PATH] = {};
    const std::wstring title = text(L"Label_choice_path");
    BROWSEINFOW info = {};
    info.hwndOwner = hwnd();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = browseCallback;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    const bool havePath = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (havePath) applyChosenFolder(path);
}

bool VPDownloaderMainFrame::validateBeforeInstall()
{
    VPDownloaderModel* owner = model();
    if (!owner) return false;
    const std::wstring folder = owner->getInstallDir();
    const bool valid = helper::disk::isValidInstallPath(folder);
    const std::wstring blocker =
        ui::installBlocker(licenceAccepted(), valid, valid ? helper::disk::freeSpaceMB(folder) : 0.0);
    if (blocker.empty()) return true;
    WRITE_LOG(L"install refused: %s", blocker.c_str());
    msg::showErrorBox(hwnd(), msg::makeConfirmSelection(nullptr), text(L"MsgBox_error"), text(blocker));
    return false;
}

// --- progress

void VPDownloaderMainFrame::onProgress(int percent, int received, int total)
{
    const ui::ProgressView view = ui::progressViewFor(percent, received, total);
    switch (view.kind) {
    case ui::ProgressView::Kind::Unchanged:
        return;
    case ui::ProgressView::Kind::VersionPending:
        setControlText(L"loadingprogresslabel", text(L"Label_getversion_info"));
        setControlText(L"downloadProgressLabel", std::wstring());
        return;
    case ui::ProgressView::Kind::Download:
        setControlText(L"downloadProgressLabel", view.amount);
        setControlText(L"loadingprogresslabel", ui::downloadStatusText(text(L"Label_downloading"), view.percent));
        setBar(view.bar);
        showRate(received, total);
        return;
    }
}

void VPDownloaderMainFrame::showRate(int received, int total)
{
    // The end of the body: nothing more to estimate.
    if (received >= total) {
        stopRate();
        setControlText(L"downloadRateLabel", std::wstring());
        return;
    }
    rate_.add(::GetTickCount(), received, total == download_rules::kUnknownTotal ? 0 : total);
    if (!rateTimerId_)
        if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance())
            rateTimerId_ = dispatcher->startTimerTask(makeFunctionRunable([this] { refreshRate(); }), kRatePeriodMs);
    refreshRate();
}

void VPDownloaderMainFrame::refreshRate()
{
    ui::RateTexts texts;
    texts.secondsLeft = text(L"Label_time_left_seconds");
    texts.minutesLeft = text(L"Label_time_left_minutes");
    texts.hoursLeft = text(L"Label_time_left_hours");
    const std::wstring shown = ui::rateText(rate_.estimate(::GetTickCount()), texts);
    if (shown == rateShown_) return;
    // The first figure only: one line a second would drown the log.
    if (rateShown_.empty()) WRITE_LOG(L"download rate shown: %s", shown.c_str());
    rateShown_ = shown;
    setControlText(L"downloadRateLabel", shown);
}

void VPDownloaderMainFrame::stopRate()
{
    if (rateTimerId_)
        if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->killTimerTask(rateTimerId_);
    rateTimerId_ = 0;
    rate_.reset();
    rateShown_.clear();
}

void VPDownloaderMainFrame::onPlayerReady()
{
    setControlText(L"loadingprogresslabel", text(L"Label_installing_waiting"));
    setControlVisible(L"downloadProgressLabel", false);
    stopRate();
    setControlVisible(L"downloadRateLabel", false);
    stopCreep();
    if (VPDownloaderModel* owner = model()) owner->startInstallPlayer();
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance())
        creepTimerId_ = dispatcher->startTimerTask(makeFunctionRunable([this] { creepStep(); }), kCreepPeriodMs);
    creepStep_ = 0;
}

void VPDownloaderMainFrame::creepStep() { setBar(ui::nextCreepValue(creepStep_)); }

void VPDownloaderMainFrame::stopCreep()
{
    if (!creepTimerId_) return;
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->killTimerTask(creepTimerId_);
    creepTimerId_ = 0;
}

void VPDownloaderMainFrame::onDownloadFailed(DownloadFailure why)
{
    stopRate();
    setControlText(L"downloadRateLabel", std::wstring());
    run_outcome::record(download_rules::outcomeOf(why));
    setStatusLine(text(L"Label_download_failed"));
    SelectionInfo button;
    button.text = text(L"go_homePage");
    // On a network that wants a sign-in, the browser also brings up its page.
    button.action = [] { utility::usystem::openUrl(ui::kHomePage); };
    const wchar_t* content = L"download_error_content";
    switch (why) {
    case DownloadFailure::DiskFull:
        content = L"MsgBox_disk_notEnough";
        button = msg::makeConfirmSelection(nullptr);
        break;
    case DownloadFailure::WebPage: content = L"download_webpage_content"; break;
    case DownloadFailure::Refused: content = L"install_refused_content"; break;
    case DownloadFailure::Network: break;
    }
    WRITE_LOG(L"download failed, showing the error box: %s", content);
    msg::showErrorBox(hwnd(), button, text(L"error"), text(content));
}

void VPDownloaderMainFrame::onInstallFinished(const InstallReport& report)
{
    stopCreep();
    const download_rules::AfterInstall after = download_rules::afterInstallation(report.end, report.playerPresent);
    if (!after.goOn) {
        WRITE_LOG(L"installation failed: %s, code %d", after.reason, static_cast<int>(report.code));
        run_outcome::record(after.stopAs, report.code);
        setStatusLine(text(L"Label_install_failed"));
        SelectionInfo retry;
        retry.text = text(L"Button_retry");
        // The box closes with its owner, so it never outlives the window.
        retry.action = [this] { retryInstallation(); };
        const wchar_t* content = after.stopAs == RunOutcome::InstallerRefused ? L"install_refused_content"
                                                                               : L"install_error_content";
        msg::showErrorBox(hwnd(), retry, text(L"error"), text(content));
        return;
    }
    if (*after.reason) WRITE_LOG(L"installation: %s, code %d", after.reason, static_cast<int>(report.code));
    const int bar = ui::finishedBarValue(report.end == InstallerEnd::Succeeded);
    if (bar >= 0) setBar(bar);
    // The emulator is there: it is started (with its game) and the
    // installer's work is done.
    endInstallation();
}

void VPDownloaderMainFrame::retryInstallation()
{
    VPDownloaderModel* owner = model();
    if (!owner) return;
    WRITE_LOG(L"retry pressed");
    run_outcome::clear();
    // Shown while the file is fetched again; running it again shows the installation's texts.
    setStatusLine(text(L"progress_downloading_label"));
    setControlVisible(L"downloadProgressLabel", true);
    setControlVisible(L"downloadRateLabel", true);
    owner->retryInstallation();
}

// --- game packages

void VPDownloaderMainFrame::endInstallation()
{
    VPDownloaderModel* owner = model();
    if (!owner) {
        ::PostQuitMessage(0);
        return;
    }
    const std::vector<GameRecord> games = owner->gameTasks.get();
    const ui::EndOfInstallation end = ui::endOfInstallation(games);
    if (end.droppedField)
        WRITE_LOG(L"game record dropped: its %s holds an argument separator", end.droppedField);
    const std::wstring& arguments = end.decision.arguments;
    switch (end.decision.form) {
    case GameHandover::None:
        notePlayerStart(owner->launchPlayerForPackage());
        break;
    case GameHandover::StoreForm:
        WRITE_LOG(L"start player for the store: %s", arguments.c_str());
        notePlayerStart(utility::process::shell(owner->getInstallDir() + L"\\vpplayer.exe", arguments));
        break;
    case GameHandover::GameIdForm:
    case GameHandover::PackageForm:
        WRITE_LOG(L"start player for the game: %s", arguments.c_str());
        notePlayerStart(owner->launchPlayer(arguments));
        break;
    case GameHandover::FetchPackages:
        selectPage(kPackagePage);
        setControlText(L"apkinstallprogresslabel",
                       text(L"progress_downloading_label") + SkinUI::escapeMarkup(games.front().name));
        appName_ = games.front().name;
        startPackageWorker(games, owner->getInstallDir());
        return; // the worker's last task ends the run
    }
    ::PostQuitMessage(0);
}

void VPDownloaderMainFrame::startPackageWorker(const std::vector<GameRecord>& games, const std::wstring& installDir)
{
    if (apkWorker_ && apkWorker_->hasThread()) return;
    apkIndex_ = 0;
    ui::PackageJob::Reports reports;
    reports.packageCounter = [this] { onPackageCounter(); };
    reports.installState = [this](const std::wstring& appName) { onPackageInstallState(appName); };
    reports.packagesMissing = [this](const std::wstring& names) { onPackagesMissing(names); };
    reports.downloadProgress = [this](std::int64_t received, std::int64_t total) { onPackageProgress(received, total); };
    reports.startWithPackage = [this](const std::wstring& package) { onStartWithPackage(package); };
    const OwnerKey key = ownerKeyOf(&postKey_);
    // Posted under the window's key: the teardown drops whatever is queued.
    auto poster = [key](std::function<void()> task) {
        if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance())
            dispatcher->post(key, makeFunctionRunable(std::move(task)));
    };
    // The worker works on copies: the model may be gone before it ends.
    apkJob_ = std::make_shared<ui::PackageJob>(installDir, games, std::move(reports), poster);
    if (!apkWorker_) apkWorker_.reset(new WorkerSlot);
    std::shared_ptr<ui::PackageJob> job = apkJob_;
    WRITE_LOG(L"package worker for %d games", static_cast<int>(games.size()));
    if (!apkWorker_->start(makeFunctionRunable([job] { _threadDownloadApk(*job); })))
        WRITE_LOG(L"package worker not started");
}

void VPDownloaderMainFrame::stopPackageWorker()
{
    if (!apkWorker_) return;
    if (apkWorker_->wait(kPackageWorkerWaitMs)) {
        apkWorker_.reset();
        return;
    }
    WRITE_LOG(L"package worker still running after %d ms, it ends with the process",
              static_cast<int>(kPackageWorkerWaitMs));
    // Deliberately kept: the thread still runs its task, which holds the job.
    static_cast<void>(apkWorker_.release());
}

void VPDownloaderMainFrame::_threadDownloadApk(ui::PackageJob& job)
{
    const std::vector<GameRecord>& games = job.games();
    const std::vector<std::wstring>& files = job.packageFiles();
    std::wstring resolution;
    std::vector<bool> fetched(games.size(), false);
    for (std::size_t i = 0; i < games.size() && !job.stopped(); ++i) {
        const GameRecord& game = games[i];
        job.post(job.reports.packageCounter);
        // The last one given wins.
        if (!game.resolution.empty()) resolution = game.resolution;
        const std::wstring partial = files[i] + L".tmp";
        for (int attempt = 0; attempt < kPackageAttempts; ++attempt) {
            WRITE_LOG(L"download yyyyy");
            if (attempt == kRawSocketAttempt) job.apkHttp.setConnMode(1);
            job.beginAttempt();
            if (job.apkHttp.downloadFile(game.url, partial, &job)) {
                fetched[i] = utility::ufile::moveFile(partial, files[i]);
                break;
            }
            // A refused or broken transfer leaves no part behind.
            if (utility::ufile::pathExists(partial)) utility::ufile::removeFile(partial);
            job.apkHttp.pause(job.attemptPauseMs);
            if (job.apkHttp.isStopped()) break;
        }
    }
    if (job.stopped()) {
        WRITE_LOG(L"package worker stopped before the installation");
        return;
    }

    // What could not be fetched is named for a moment and not installed.
    std::wstring missing;
    std::size_t firstFetched = games.size();
    for (std::size_t i = 0; i < games.size(); ++i) {
        if (fetched[i] && firstFetched == games.size()) firstFetched = i;
        if (!fetched[i]) missing += (missing.empty() ? L"" : L", ") + games[i].name;
    }
    if (!missing.empty()) {
        WRITE_LOG(L"packages not fetched: %s", missing.c_str());
        auto notice = job.reports.packagesMissing;
        if (notice) job.post([notice, missing] { notice(missing); });
        job.apkHttp.pause(job.missingNoticeMs);
    }

    std::wstring package;
    if (firstFetched < games.size()) {
        if (!resolution.empty()) {
            WRITE_LOG(L"setup resolution %s", resolution.c_str());
            const std::wstring params = resolutionParameters(resolution);
            if (params.empty())
                WRITE_LOG(L"resolution not set: not a plain value");
            else
                job.run(job.consoleProgram(), params, kResolutionTimeoutMs);
        }
        auto installState = job.reports.installState;
        const std::wstring firstName = games[firstFetched].name;
        if (installState) job.post([installState, firstName] { installState(firstName); });
        job.apkHttp.pause(job.installDelayMs);

        for (std::size_t i = 0; i < games.size() && !job.stopped(); ++i) {
            if (!fetched[i]) continue;
            const std::wstring params = installApkParameters(files[i]);
            if (params.empty())
                WRITE_LOG(L"package not installed, its file name cannot be quoted: %s", files[i].c_str());
            else
                job.run(job.consoleProgram(), params, kInstallApkTimeoutMs);
            package = games[i].package;
        }
    }
    if (job.stopped()) {
        WRITE_LOG(L"package worker stopped during the installation");
        return;
    }
    auto start = job.reports.startWithPackage;
    if (start) job.post([start, package] { start(package); });
}

void VPDownloaderMainFrame::onPackageCounter() { ++apkIndex_; }

void VPDownloaderMainFrame::onPackageInstallState(const std::wstring& appName)
{
    appName_ = appName;
    const std::wstring label = text(L"Label_installingapp_waiting") + SkinUI::escapeMarkup(appName_);
    setControlText(L"apkinstallprogresslabel", label);
    WRITE_LOG(L"apkinstallprogresslabel %s", label.c_str());
    apkInstallTimerId_ = ::SetTimer(hwnd(), kApkInstallTimer, kInstallBarPeriodMs, nullptr);
    if (!apkInstallTimerId_) WRITE_LOG(L"set timer failed! error = %d.", static_cast<int>(::GetLastError()));
}

void VPDownloaderMainFrame::onPackagesMissing(const std::wstring& names)
{
    const std::wstring label = text(L"Label_app_download_failed") + SkinUI::escapeMarkup(names);
    setControlText(L"apkinstallprogresslabel", label);
    WRITE_LOG(L"apkinstallprogresslabel %s", label.c_str());
}

void VPDownloaderMainFrame::onPackageInstallBarStep()
{
    const ui::InstallBarStep step = ui::packageInstallBarStep(g_installBarCounter);
    if (step.stop && apkInstallTimerId_) {
        ::KillTimer(hwnd(), apkInstallTimerId_);
        apkInstallTimerId_ = 0;
    }
    setPackageBar(step.value);
}

void VPDownloaderMainFrame::onPackageProgress(std::int64_t received, std::int64_t total)
{
    const std::size_t count = apkJob_ ? apkJob_->games().size() : 0;
    const ui::PackageProgressView view =
        ui::packageDownloadProgress(text(L"progress_downloading_label2"), appName_, apkIndex_, count, received, total);
    setControlText(L"apkinstallprogresslabel", view.label);
    setPackageBar(view.bar);
    // What the user saw, for support and for the window's tests.
    WRITE_LOG(L"apkinstallprogresslabel %s", view.label.c_str());
}

void VPDownloaderMainFrame::onStartWithPackage(const std::wstring& package)
{
    VPDownloaderModel* owner = model();
    if (package.empty() && owner) {
        // No package arrived: the player starts as for no game.
        WRITE_LOG(L"start player without a fetched package");
        notePlayerStart(owner->launchPlayerForPackage());
    } else {
        const std::wstring folder = apkJob_ ? apkJob_->installDir() : std::wstring();
        const std::wstring arguments = packageStartArguments(package);
        WRITE_LOG(L"start player with %s", arguments.c_str());
        notePlayerStart(utility::process::shell(folder + L"\\vpplayer.exe", arguments));
    }
    ::PostQuitMessage(0);
}

void VPDownloaderMainFrame::notePlayerStart(bool started)
{
    run_outcome::record(started ? RunOutcome::PlayerStarted : RunOutcome::PlayerNotStarted);
}

// --- helpers

std::wstring VPDownloaderMainFrame::text(const std::wstring& id) const
{
    const VPDownloaderModel* owner = model();
    return owner ? owner->stringById(id) : id;
}

void VPDownloaderMainFrame::setControlText(const wchar_t* control, const std::wstring& value)
{
    if (SkinUI::CControlUI* c = findControl(control)) c->setText(value);
}

bool VPDownloaderMainFrame::controlVisible(const wchar_t* control) const
{
    const SkinUI::CControlUI* c = findControl(control);
    return c && c->isVisible();
}

void VPDownloaderMainFrame::setControlVisible(const wchar_t* control, bool visible)
{
    if (SkinUI::CControlUI* c = findControl(control)) c->setVisible(visible);
}

bool VPDownloaderMainFrame::licenceAccepted() const
{
    const auto* option = dynamic_cast<const SkinUI::COptionUI*>(findControl(L"acceptprotocolopt"));
    return option && option->isSelected();
}

void VPDownloaderMainFrame::setPackageBar(int value)
{
    if (auto* bar = dynamic_cast<SkinUI::CProgressUI*>(findControl(L"apkinstallprogressbar"))) bar->setValue(value);
}

void VPDownloaderMainFrame::setStatusLine(const std::wstring& value)
{
    setControlText(L"loadingprogresslabel", value);
    WRITE_LOG(L"loadingprogresslabel %s", value.c_str());
}

void VPDownloaderMainFrame::setBar(int value)
{
    auto* bar = dynamic_cast<SkinUI::CProgressUI*>(findControl(L"installprogressbar"));
    if (!bar || bar->value() == value) return;
    bar->setValue(value);
    // What the user saw, for support and for the window's tests.
    WRITE_LOG(L"installprogressbar %d", value);
}
