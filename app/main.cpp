// Process entry: platform services, the log, then the application.

#include "app/version.h"
#include "app/vpdownloader_impl.h"
#include "common/log.h"
#include "model/run_outcome.h"
#include "model/vpdownloader_model.h"
#include "platform/delay_load.h"
#include "platform/system_library.h"
#include "skinui/dpi.h"
#include "skinui/window.h"
#include "tasks/ui_task_dispatcher.h"
#include "ui/skin/skin_setup.h"
#include "ui/vpdownloader_mainframe.h"

#include <windows.h>
#include <objbase.h>
#include <winsock2.h>

#include <exception>
#include <thread>

#ifndef KOLVEX_SKIN_FOLDER_OVERRIDE
#error "KOLVEX_SKIN_FOLDER_OVERRIDE (0 or 1) comes from the build"
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    // First: the program runs elevated from a folder others can write into.
    const platform::LibrarySearch librarySearch = platform::restrictLibrarySearch();
    platform::useSystemFolderForDelayLoads();
    // Before any window: where the manifest's DPI setting is not read.
    const SkinUI::DpiAwareness dpiAwareness = SkinUI::enableDpiAwareness();

    common::startLog(1);
    WRITE_LOG(L"downloader start. version is : %s *******************", KOLVEX_VERSION_TEXT);
    WRITE_LOG(L"commoninit end");
    if (librarySearch != platform::LibrarySearch::SystemFolderOnly)
        WRITE_LOG(L"library search not limited to the system folder, mode = %d", static_cast<int>(librarySearch));
    WRITE_LOG(L"display scaling: %s, %d dpi", SkinUI::awarenessName(dpiAwareness), SkinUI::systemDpi());

    // The skin is unpacked while this thread makes its first window, which
    // starts the system's display driver. Joined before anything reads it.
    const ui::skin::SkinFolder skinFolder =
        KOLVEX_SKIN_FOLDER_OVERRIDE ? ui::skin::SkinFolder::Used : ui::skin::SkinFolder::Ignored;
    std::thread skin;
    try {
        skin = std::thread([instance, skinFolder] {
            try {
                ui::skin::setupSkin(instance, skinFolder);
            } catch (...) {
                WRITE_LOG(L"skin set-up stopped by an error");
            }
        });
    } catch (const std::exception&) {
        ui::skin::setupSkin(instance, skinFolder);
    }
    // Its hidden window belongs to this thread, so tasks run in its loop.
    UiTaskDispatcher::create();
    if (skin.joinable()) skin.join();
    WRITE_LOG(L"skinInit2 end");
    // The window's pictures are decoded while the rest starts up and the
    // system makes the window, so its first paint only draws. Joined below,
    // before anything it reads goes away.
    std::thread pictures;
    try {
        // Decoding needs no COM: the thread does not load it at start.
        pictures = std::thread([] {
            try {
                VPDownloaderMainFrame::preparePictures();
            } catch (...) {
                // The window decodes what is missing when it paints.
            }
        });
    } catch (const std::exception&) {
        WRITE_LOG(L"no thread to prepare the pictures; the window decodes them itself");
    }

    // Lives until the entry returns: the channel window keeps its address.
    VPDownloaderImpl application;
    bool comStarted = false;
    if (application.entrance(commandLine)) {
        // COM and Winsock wait until the window is shown: nothing before
        // needs them (each loads its libraries), and the links, the folder
        // dialog and the workers all come later.
        if (FAILED(::CoInitialize(nullptr))) {
            ::MessageBoxW(nullptr, L"启动错误", L"CoInitialize 失败", MB_OK);
            run_outcome::record(RunOutcome::StartFailed);
            application.closeMainFrame();
        } else {
            comStarted = true;
            WSADATA wsaData;
            ::WSAStartup(MAKEWORD(2, 2), &wsaData);
            application.startBackgroundWork();
        }
        SkinUI::WindowImplBase::messageLoop();
    }

    if (pictures.joinable()) pictures.join();
    VPDownloaderModel::destroy();
    if (comStarted) ::CoUninitialize();
    // Once, as the last line: how the run ended.
    const RunEnd end = run_outcome::current();
    WRITE_LOG(L"%s", run_outcome::logLine(end).c_str());
    // The last lines before a normal exit must reach the file.
    common::stopLog();
    return run_outcome::exitCode(end.outcome);
}
