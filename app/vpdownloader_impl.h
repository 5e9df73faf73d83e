#pragma once
// The application object: the single-instance test, the model's start, the
// main window and the channel through which a later installer asks this
// one to come to the front. User-interface thread only.

#include "app/ipc_window.h"

class VPDownloaderMainFrame;

class VPDownloaderImpl : public utility::IWindowIPCHandle {
public:
    VPDownloaderImpl() = default;
    VPDownloaderImpl(const VPDownloaderImpl&) = delete;
    VPDownloaderImpl& operator=(const VPDownloaderImpl&) = delete;

    // Command-line text without the program name. True when the process
    // entry is to run the message loop; false when another installer runs.
    // The model's background work waits for startBackgroundWork.
    bool entrance(const wchar_t* commandLine);
    // Once the window is shown and COM and Winsock are up: the version
    // worker starts.
    void startBackgroundWork();
    // Closes the main window as its close button would, without asking.
    void closeMainFrame();

    // Creates the main window on the first call; every call shows it and
    // brings it to the front. Once the window is gone it does nothing.
    void showMainFrame();

    LRESULT onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    VPDownloaderMainFrame* mainFrame_ = nullptr;
    // Set when the main window has been destroyed: a late request finds
    // nothing to show.
    bool mainFrameGone_ = false;
    IpcWindow ipcWindow_;
};
