#pragma once
// The process-wide download and install model, reached only through its
// get-or-create accessor.

class VPDownloaderModel {
public:
    // Creates the model on first use (user-interface thread only).
    static VPDownloaderModel* instance();
    // The model if it exists, without creating it.
    static VPDownloaderModel* existing();
    // Shuts the model down, destroys it and forgets it.
    static void destroy();

    VPDownloaderModel(const VPDownloaderModel&) = delete;
    VPDownloaderModel& operator=(const VPDownloaderModel&) = delete;

    // Stops what the model runs; safe to call more than once.
    void shutdown();

private:
    VPDownloaderModel() = default;
    ~VPDownloaderModel() = default;
};
