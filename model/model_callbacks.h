#pragma once
// The window's handlers of the model's reports, always called on the
// user-interface thread.

#include <functional>

struct ModelCallbacks {
    std::function<void(int percent, int received, int total)> onProgress;
    std::function<void()> onPlayerReady;
    std::function<void()> onDownloadFailed;
    std::function<void(bool success)> onInstallFinished;
};
