#pragma once
// Reads back the lines one thread of this process added to the log file
// since the capture began; other test processes write the same file.

#include "common/log.h"
#include "test_support.h"
#include "utility/text.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

struct LogEntry {
    std::string function;
    std::string message; // UTF-8, without the line end
};

class LogCapture {
public:
    LogCapture() : path_(common::productDataFolder() + L"\\log\\vpinstall.log")
    {
        common::startLog(1);
        start_ = readFile(path_).size();
    }

    // Lines of the calling thread whose function starts with prefix.
    std::vector<LogEntry> lines(const std::string& functionPrefix) const { return collect(functionPrefix, true); }

    // Lines of every thread (workers log too) whose function starts with
    // prefix; other test processes may add lines, so callers look for words
    // of their own, such as their scratch folder.
    std::vector<LogEntry> linesOfAnyThread(const std::string& functionPrefix) const
    {
        return collect(functionPrefix, false);
    }

    // Waits, bounded, until a line with this message has been written.
    std::vector<LogEntry> waitFor(const std::string& functionPrefix, const std::string& message,
                                  DWORD timeoutMs = 5000) const
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            std::vector<LogEntry> entries = lines(functionPrefix);
            for (const LogEntry& entry : entries)
                if (entry.message == message) return entries;
            if (::GetTickCount() - start >= timeoutMs) return entries;
            ::Sleep(50);
        }
    }

private:
    std::vector<LogEntry> collect(const std::string& functionPrefix, bool ownThreadOnly) const
    {
        std::string text = readFile(path_);
        // The file is emptied when it reaches its size limit.
        text = text.size() >= start_ ? text.substr(start_) : text;
        char thread[32];
        std::snprintf(thread, sizeof(thread), "\t%04lu\t", static_cast<unsigned long>(::GetCurrentThreadId()));
        std::vector<LogEntry> entries;
        std::size_t at = 0;
        for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", at)) {
            const std::string line = text.substr(at, end - at);
            at = end + 2;
            // Month-day, time and thread id, each ended by a tab; then the function.
            std::size_t tid = line.find('\t');
            if (tid != std::string::npos) tid = line.find('\t', tid + 1);
            if (tid == std::string::npos) continue;
            if (ownThreadOnly && line.compare(tid, std::strlen(thread), thread) != 0) continue;
            const std::size_t threadEnd = line.find('\t', tid + 1);
            if (threadEnd == std::string::npos) continue;
            const std::size_t nameStart = threadEnd + 1;
            const std::size_t nameEnd = line.find('\t', nameStart);
            const std::size_t colon = line.find("):", nameEnd);
            if (nameEnd == std::string::npos || colon == std::string::npos) continue;
            LogEntry entry{line.substr(nameStart, nameEnd - nameStart), line.substr(colon + 2)};
            if (entry.function.compare(0, functionPrefix.size(), functionPrefix) == 0) entries.push_back(entry);
        }
        return entries;
    }

    std::wstring path_;
    std::size_t start_ = 0;
};

inline std::string utf8(const std::wstring& text) { return utility::wideToUtf8(text); }

} // namespace testing_support
