#include "common/log_writer.h"

#include "common/log_file.h"

#include <chrono>
#include <memory>

namespace common {

LogWriter::LogWriter(std::wstring path) : pathSource_([path] { return path; }) {}

LogWriter::LogWriter(std::function<std::wstring()> pathSource) : pathSource_(std::move(pathSource)) {}

LogWriter::~LogWriter() { stop(); }

void LogWriter::start()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (thread_.joinable() || stop_) return;
    thread_ = std::thread(&LogWriter::run, this);
}

void LogWriter::stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!thread_.joinable()) return;
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool LogWriter::enqueue(const char* line, std::size_t size)
{
    bool wakeWriter = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (pending_.size() > kLogFlushThreshold) return false;
        pending_.append(line, size);
        wakeWriter = pending_.size() >= kLogFlushThreshold;
    }
    if (wakeWriter) wake_.notify_one();
    return true;
}

std::size_t LogWriter::pendingBytes()
{
    std::lock_guard<std::mutex> guard(lock_);
    return pending_.size();
}

void LogWriter::run()
{
    // No exception may leave a thread body; the log cannot report its own.
    try {
        writeUntilStopped();
    } catch (...) {
    }
}

void LogWriter::writeUntilStopped()
{
    // Opened with the first batch, about half a second in: the program's
    // start does not share the processor with working out the path.
    std::unique_ptr<LogFile> file;
    std::string batch;
    for (;;) {
        bool stopping = false;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait_for(guard, std::chrono::milliseconds(500),
                           [this] { return stop_ || pending_.size() >= kLogFlushThreshold; });
            batch.swap(pending_);
            stopping = stop_;
        }
        // Written outside the lock, so a logging thread never waits for the disk.
        if (!file && !batch.empty()) file.reset(new LogFile(pathSource_ ? pathSource_() : std::wstring()));
        if (file) file->append(batch.data(), batch.size());
        batch.clear();
        if (stopping) return;
    }
}

} // namespace common
