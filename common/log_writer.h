#pragma once
// Queue of finished log lines and the one thread that writes them: callers
// never wait for the disk, and lines reach it within about half a second.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace common {

constexpr std::size_t kLogFlushThreshold = 4096;

class LogWriter {
public:
    // The thread is started by start(); a writer that is never started only
    // queues, which lets tests look at the queue alone.
    explicit LogWriter(std::wstring path);
    // The path is asked for on the writer's thread, at the first write:
    // working it out may load libraries and make folders.
    explicit LogWriter(std::function<std::wstring()> pathSource);
    ~LogWriter();

    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    void start();
    // Writes what is pending and ends the thread; later lines stay queued.
    void stop();

    // False when the line was dropped because too much is pending already.
    bool enqueue(const char* line, std::size_t size);
    std::size_t pendingBytes();

private:
    void run();
    void writeUntilStopped();

    const std::function<std::wstring()> pathSource_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::string pending_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace common
