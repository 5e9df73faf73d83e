#pragma once
// The window's handlers of the model's reports, always called on the
// user-interface thread.

#include <functional>

// Why the emulator's installer could not be fetched.
enum class DownloadFailure {
    Network,  // no address delivered it
    DiskFull, // the install folder's drive ran full; the partial is kept
    WebPage,  // every answer was a web page (a sign-in or proxy page)
    Refused,  // what arrived failed the digest or signature check
};

// How the emulator's installer run ended.
enum class InstallerEnd {
    Succeeded,  // exit code 0
    ExitCode,   // another exit code
    TimedOut,   // still running after its limit; left running
    NotStarted, // it could not be started
    Refused,    // its signature was refused, so it was not run
};

struct InstallReport {
    InstallerEnd end = InstallerEnd::NotStarted;
    // The exit code, or the system error when it did not start; 0 otherwise.
    unsigned long code = 0;
    // Whether the player program is in the install folder afterwards.
    bool playerPresent = false;
};

struct ModelCallbacks {
    std::function<void(int percent, int received, int total)> onProgress;
    std::function<void()> onPlayerReady;
    std::function<void(DownloadFailure why)> onDownloadFailed;
    std::function<void(const InstallReport& report)> onInstallFinished;
};
