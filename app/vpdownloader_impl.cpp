#include "app/vpdownloader_impl.h"

#include "common/log.h"
#include "model/instance_key.h"
#include "model/run_outcome.h"
#include "model/vpdownloader_model.h"
#include "ui/vpdownloader_mainframe.h"
#include "utility/file.h"
#include "utility/system.h"

#include <windows.h>

namespace {

constexpr DWORD kStyleVista = 0x86000000;   // WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
constexpr DWORD kStyleXp = 0x860C0000;      // the same with WS_SYSMENU | WS_THICKFRAME
constexpr int kIconResource = 131;

} // namespace

bool VPDownloaderImpl::entrance(const wchar_t* commandLine)
{
    VPDownloaderModel* model = VPDownloaderModel::instance();
    if (model->popupExistPwnd()) {
        run_outcome::record(RunOutcome::AlreadyRunning);
        return false;
    }
    WRITE_LOG(L"player path is %s", utility::ufile::moduleFolder().c_str());
    model->init(commandLine, VPDownloaderModel::VersionWorkerStart::Later);
    showMainFrame();
    ipcWindow_.create(kInstanceKey, this);
    return true;
}

void VPDownloaderImpl::startBackgroundWork()
{
    if (VPDownloaderModel* model = VPDownloaderModel::existing()) model->startVersionWorker();
}

void VPDownloaderImpl::closeMainFrame()
{
    if (mainFrame_) ::PostMessageW(mainFrame_->hwnd(), WM_CLOSE, 0, 0);
}

void VPDownloaderImpl::showMainFrame()
{
    WRITE_LOG(L"player, create main window...");
    if (mainFrameGone_) return;
    const bool made = !mainFrame_;
    if (made) {
        VPDownloaderMainFrame* frame = new VPDownloaderMainFrame();
        frame->setGoneAction([this] {
            mainFrame_ = nullptr;
            mainFrameGone_ = true;
        });
        const DWORD style = utility::usystem::isVistaOrLater() ? kStyleVista : kStyleXp;
        if (!frame->create(nullptr, nullptr, style, 0)) {
            WRITE_LOG(L"main window not created");
            run_outcome::record(RunOutcome::StartFailed);
            // A window that existed for a moment has deleted itself already.
            if (!mainFrameGone_) delete frame;
            mainFrameGone_ = true;
            ::PostQuitMessage(0);
            return;
        }
        mainFrame_ = frame;
        frame->centerWindow();
    }
    mainFrame_->showWindow(true, true);
    // Once the window is visible: the icon is only for the task bar.
    if (made) {
        HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResource));
        if (icon) {
            ::SendMessageW(mainFrame_->hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            ::SendMessageW(mainFrame_->hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        }
    }
    ::BringWindowToTop(mainFrame_->hwnd());
    utility::usystem::showWndOnTop(mainFrame_->hwnd());
}

LRESULT VPDownloaderImpl::onHandleWindowIPC(UINT message, WPARAM, LPARAM)
{
    WRITE_LOG(L"onHandleWindowIPC, msg = %d", static_cast<int>(message));
    if (message == kShowRequestMessage) showMainFrame();
    return 0;
}
