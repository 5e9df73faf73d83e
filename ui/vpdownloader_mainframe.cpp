#include "ui/vpdownloader_mainframe.h"

#include "common/log.h"
#include "model/disk.h"
#include "model/vpdownloader_model.h"
#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/resources.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protocol_wnd.h"
#include "ui/folder_choice.h"
#include "ui/links.h"
#include "ui/progress_texts.h"
#include "ui/text/string_bundle.h"
#include "utility/system.h"
#include "utility/text.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace {

constexpr const wchar_t* kFontFace = L"微软雅黑";
constexpr UINT kCreepPeriodMs = 1500;
constexpr int kProgressPage = 2;
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
    if (owner && ui::text::readBundleDocument(L"language\\downloader_cn.xml", bundle) && !bundle.empty())
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

    refreshInstallState();
    if (owner) setControlText(L"pathedit", owner->getInstallDir());
    if (SkinUI::CControlUI* logo = findControl(L"logoControl")) logo->setBkImage(kLogoPicture);

    if (!owner) return;
    owner->callbacks.onPlayerReady = [this] { onPlayerReady(); };
    owner->callbacks.onDownloadFailed = [this] { onDownloadFailed(); };
    owner->callbacks.onProgress = [this](int percent, int received, int total) { onProgress(percent, received, total); };
    owner->callbacks.onInstallFinished = [this](bool success) { onInstallFinished(success); };
}

LRESULT VPDownloaderMainFrame::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
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
    stopCreep();
    // The model's workers and timers end before the window they report to.
    VPDownloaderModel::destroy();
    if (UiTaskDispatcher* dispatcher = UiTaskDispatcher::instance()) dispatcher->cancelOwner(ownerKeyOf(&postKey_));
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
        if (!window->create(hwnd(), L"protocolWnd", 0x80880000, 0)) {
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
        return;
    }
}

void VPDownloaderMainFrame::onPlayerReady()
{
    setControlText(L"loadingprogresslabel", text(L"Label_installing_waiting"));
    setControlVisible(L"downloadProgressLabel", false);
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

void VPDownloaderMainFrame::onDownloadFailed()
{
    WRITE_LOG(L"download failed, showing the error box");
    SelectionInfo homePage;
    homePage.text = text(L"go_homePage");
    homePage.action = [] { utility::usystem::openUrl(ui::kHomePage); };
    msg::showErrorBox(hwnd(), homePage, text(L"error"), text(L"download_error_content"));
}

void VPDownloaderMainFrame::onInstallFinished(bool success)
{
    stopCreep();
    const int bar = ui::finishedBarValue(success);
    if (bar >= 0) setBar(bar);
    // Whatever the installer answered, the emulator is started and the
    // installer's work is done.
    if (VPDownloaderModel* owner = model()) owner->launchPlayerForPackage();
    ::PostQuitMessage(0);
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

void VPDownloaderMainFrame::setBar(int value)
{
    auto* bar = dynamic_cast<SkinUI::CProgressUI*>(findControl(L"installprogressbar"));
    if (!bar || bar->value() == value) return;
    bar->setValue(value);
    // What the user saw, for support and for the window's tests.
    WRITE_LOG(L"installprogressbar %d", value);
}
