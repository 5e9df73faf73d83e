#pragma once
// What the game-package worker works on: the install folder and game list
// copied when it starts, its HTTP client, and the way back to the window.
// The window and the worker thread share it, so the thread never touches a
// freed window, model or client. Once stopped (the window's teardown) it
// posts nothing more and starts no program.

#include "model/game_record.h"
#include "utility/http_client.h"
#include "utility/process.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ui {

// The most a package may hold: what the client's byte counters can count.
constexpr std::int64_t kMaxPackageBytes = 0x7FFFFFFF;

// Whether a package download may go on: a length of -1 means none was
// announced; any other negative length, or more than limit announced or
// received, is refused.
bool packageSizeAcceptable(std::int64_t received, std::int64_t total, std::int64_t limit);

class PackageJob final : public utility::CHttpClientWrapper::IHttpDownloadSink {
public:
    // What the window does on its own thread; the job only posts them.
    struct Reports {
        std::function<void()> packageCounter;
        // The installation begins with the named game.
        std::function<void(const std::wstring& appName)> installState;
        std::function<void(std::int64_t received, std::int64_t total)> downloadProgress;
        // An empty package: none arrived, the player starts as for no game.
        std::function<void(const std::wstring& package)> startWithPackage;
        // The games whose packages could not be fetched, for a moment on the page.
        std::function<void(const std::wstring& names)> packagesMissing;
    };
    // Carries a task to the user-interface thread under the window's key.
    using Poster = std::function<void(std::function<void()>)>;
    using Executor = std::function<utility::process::RunEnd(const std::wstring& file, const std::wstring& params,
                                                            unsigned long timeoutMs)>;

    PackageJob(std::wstring installDir, std::vector<GameRecord> games, Reports reports, Poster poster);
    PackageJob(const PackageJob&) = delete;
    PackageJob& operator=(const PackageJob&) = delete;

    const std::wstring& installDir() const { return installDir_; }
    const std::vector<GameRecord>& games() const { return games_; }
    // The package files, in list order: install folder + "\" + a safe name + ".apk".
    const std::vector<std::wstring>& packageFiles() const { return files_; }
    std::wstring consoleProgram() const { return installDir_ + L"\\vpconsole.exe"; }

    // Any thread: ends a running download and every later step.
    void stop();
    bool stopped() const { return stopped_.load(); }

    // Worker side. False (the task dropped) once stopped.
    bool post(std::function<void()> task);
    // Starts a program unless stopped; false when stopped or it failed. One
    // that outlives its time is logged and left running.
    bool run(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs);
    // A fresh attempt: the size refusal is logged once per attempt.
    void beginAttempt() { refusalLogged_ = false; }

    utility::CHttpClientWrapper apkHttp;
    // Seams for the tests; set before the worker starts.
    Executor execute;
    std::function<std::uint32_t()> tickCount;
    std::int64_t maxPackageBytes = kMaxPackageBytes;
    int attemptPauseMs = 1000;
    int installDelayMs = 500;
    // How long the page names the games that could not be fetched.
    int missingNoticeMs = 2000;

    // Throttled download progress, on the worker thread.
    bool onDownloadProgress(const unsigned char* data, int size, int received, int total) override;
    bool onDownloadFinished() override { return true; }

    Reports reports;

private:
    const std::wstring installDir_;
    const std::vector<GameRecord> games_;
    const std::vector<std::wstring> files_;
    Poster poster_;
    std::atomic<bool> stopped_{false};
    std::uint32_t lastSinkTick_ = 0;
    bool refusalLogged_ = false;
};

} // namespace ui
