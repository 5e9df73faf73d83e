#pragma once
// The installer's one window: licence and folder on the start page, then
// download and installation progress, driven by the model. It deletes
// itself when its native window is gone and then ends the message loop.
// User-interface thread only; workers reach it through posted tasks.

#include "model/game_record.h"
#include "model/model_callbacks.h"
#include "skinui/window.h"
#include "tasks/ui_task_dispatcher.h"
#include "ui/transfer_rate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ProtocolWnd;
class WorkerSlot;
namespace ui {
class PackageJob;
}

class VPDownloaderMainFrame : public SkinUI::WindowImplBase {
public:
    VPDownloaderMainFrame();
    ~VPDownloaderMainFrame() override;

    // Decodes the window's pictures ahead of its first paint; any thread,
    // also while the window is being made.
    static void preparePictures();

    const wchar_t* windowClassName() const override;
    UINT classStyle() const override;
    std::wstring skinFile() override;
    void initWindow() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onFinalMessage(HWND hwnd) override;

    // Runs in the final step, before the object is deleted: whoever keeps a
    // pointer to the window forgets it there.
    void setGoneAction(std::function<void()> action) { goneAction_ = std::move(action); }

    void selectPage(int index);
    void showCustomInstall(bool custom);

    // The path page.
    void refreshInstallState();
    void applyChosenFolder(const std::wstring& text);
    bool validateBeforeInstall();

    // The model's reports.
    void onProgress(int percent, int received, int total);
    void onPlayerReady();
    void onDownloadFailed(DownloadFailure why);
    void onInstallFinished(const InstallReport& report);
    // The failed installation's retry button.
    void retryInstallation();

    // The game-package worker's body: downloads each package, sets the
    // resolution, installs the packages with the console tool and asks for
    // the player's start. Touches only the job.
    static void _threadDownloadApk(ui::PackageJob& job);

    // Native timer of the package-install bar.
    static constexpr UINT_PTR kApkInstallTimer = 800;

private:
    void addNotifications();
    void nameForScreenReaders();
    void onInstallButton();
    void browseForFolder();
    void showLicenceWindow();
    void askExit();
    void creepStep();
    void stopCreep();
    void teardown();
    // Speed and time left beside the amount, refreshed once a second while
    // the download runs (so a stall shows).
    void showRate(int received, int total);
    void refreshRate();
    void stopRate();

    // Game packages (page 3).
    void endInstallation();
    void startPackageWorker(const std::vector<GameRecord>& games, const std::wstring& installDir);
    void stopPackageWorker();
    void onPackageCounter();
    void onPackageInstallState(const std::wstring& appName);
    void onPackagesMissing(const std::wstring& names);
    void onPackageInstallBarStep();
    void onPackageProgress(std::int64_t received, std::int64_t total);
    void onStartWithPackage(const std::wstring& package);

    std::wstring text(const std::wstring& id) const;
    void setControlText(const wchar_t* control, const std::wstring& value);
    bool controlVisible(const wchar_t* control) const;
    void setControlVisible(const wchar_t* control, bool visible);
    bool licenceAccepted() const;
    void setBar(int value);
    // The progress page's status line, logged as the user sees it.
    void setStatusLine(const std::wstring& value);
    // Records that the emulator was started, or why it was not.
    void notePlayerStart(bool started);
    // Page 3's bar.
    void setPackageBar(int value);

    UINT_PTR creepTimerId_ = 0;
    int creepStep_ = 0;
    ui::TransferRate rate_;
    UINT_PTR rateTimerId_ = 0;
    std::wstring rateShown_;
    ProtocolWnd* licenceWindow_ = nullptr;
    // The game-package worker and what it works on; a worker that does not
    // end in time at the teardown is left to the process end, and keeps its
    // job alive for that long.
    std::unique_ptr<WorkerSlot> apkWorker_;
    std::shared_ptr<ui::PackageJob> apkJob_;
    // Its address is the owner key of this window's posted tasks.
    char postKey_ = 0;
    int apkIndex_ = 0;
    UINT_PTR apkInstallTimerId_ = 0;
    std::wstring appName_;
    std::function<void()> goneAction_;
};
