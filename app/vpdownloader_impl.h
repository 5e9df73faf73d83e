#pragma once
// The application object: starts the model and, later, the windows.

class VPDownloaderImpl {
public:
    VPDownloaderImpl() = default;
    VPDownloaderImpl(const VPDownloaderImpl&) = delete;
    VPDownloaderImpl& operator=(const VPDownloaderImpl&) = delete;

    // Command-line text without the program name. True when the process
    // entry is to run the message loop.
    bool entrance(const wchar_t* commandLine);
};
