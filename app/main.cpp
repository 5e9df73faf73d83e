// Process entry: platform services, the log, then the application.

#include "app/version.h"
#include "app/vpdownloader_impl.h"
#include "common/log.h"
#include "model/run_outcome.h"
#include "model/vpdownloader_model.h"
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    // First: the program runs elevated from a folder others can write into.
    const platform::LibrarySearch librarySearch = platform::restrictLibrarySearch();
    // Before any window: where the manifest's DPI setting is not read.
    const SkinUI::DpiAwareness dpiAwareness = SkinUI::enableDpiAwareness();
    if (FAILED(::CoInitialize(nullptr))) {
        ::MessageBoxW(nullptr, L"启动错误", L"CoInitialize 失败", MB_OK);
        return run_outcome::exitCode(RunOutcome::StartFailed);
    }
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);

    common::startLog(1);
    // Its hidden window belongs to this thread, so tasks run in its loop.
    UiTaskDispatcher::create();
    WRITE_LOG(L"downloader start. version is : %s *******************", KOLVEX_VERSION_TEXT);
    WRITE_LOG(L"commoninit end");
    if (librarySearch != platform::LibrarySearch::SystemFolderOnly)
        WRITE_LOG(L"library search not limited to the system folder, mode = %d", static_cast<int>(librarySearch));
    WRITE_LOG(L"display scaling: %s, %d dpi", SkinUI::awarenessName(dpiAwareness), SkinUI::systemDpi());

    ui::skin::setupSkin(instance);
    WRITE_LOG(L"skinInit2 end");
    // The window's pictures are decoded while the rest starts up and the
    // system makes the window, so its first paint only draws. Joined below,
    // before anything it reads goes away.
    std::thread pictures;
    try {
        pictures = std::thread([] {
            const HRESULT com = ::CoInitialize(nullptr);
            try {
                VPDownloaderMainFrame::preparePictures();
            } catch (...) {
                // The window decodes what is missing when it paints.
            }
            if (SUCCEEDED(com)) ::CoUninitialize();
        });
    } catch (const std::exception&) {
        WRITE_LOG(L"no thread to prepare the pictures; the window decodes them itself");
    }

    // Lives until the entry returns: the channel window keeps its address.
    VPDownloaderImpl application;
    if (application.entrance(commandLine)) SkinUI::WindowImplBase::messageLoop();

    if (pictures.joinable()) pictures.join();
    VPDownloaderModel::destroy();
    ::CoUninitialize();
    // Once, as the last line: how the run ended.
    const RunEnd end = run_outcome::current();
    WRITE_LOG(L"%s", run_outcome::logLine(end).c_str());
    // The last lines before a normal exit must reach the file.
    common::stopLog();
    return run_outcome::exitCode(end.outcome);
}
