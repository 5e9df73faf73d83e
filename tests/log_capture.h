#pragma once
// Reads back the lines one thread of this process added to the log file
// since the capture began; other test processes write the same file.

#include "common/log.h"
#include "test_support.h"
#include "utility/text.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

struct LogEntry {
    std::string function;
    std::string message; // UTF-8, without the line end
    unsigned long thread = 0;
};

class LogCapture {
public:
    LogCapture() : path_(common::productDataFolder() + L"\\log\\vpinstall.log")
    {
        common::startLog(1);
        start_ = readFile(path_).size();
    }

    // Lines of the calling thread whose function starts with prefix.
    std::vector<LogEntry> lines(const std::string& functionPrefix) const
    {
        return linesOf(functionPrefix, static_cast<unsigned long>(::GetCurrentThreadId()));
    }

    // Lines of every thread (workers log too) whose function starts with
    // prefix; other test processes may add lines, so callers look for words
    // of their own, such as their scratch folder.
    std::vector<LogEntry> linesOfAnyThread(const std::string& functionPrefix) const
    {
        return linesOf(functionPrefix, 0);
    }

    // The same for one given thread, or for any thread when threadId is 0.
    std::vector<LogEntry> linesOf(const std::string& functionPrefix, unsigned long threadId) const
    {
        std::string text = readFile(path_);
        // The file is emptied when it reaches its size limit.
        text = text.size() >= start_ ? text.substr(start_) : text;
        std::vector<LogEntry> entries;
        std::size_t at = 0;
        for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", at)) {
            const std::string line = text.substr(at, end - at);
            at = end + 2;
            // Month-day, time and thread id, each ended by a tab; then the function.
            const std::size_t dateEnd = line.find('\t');
            const std::size_t tidStart = dateEnd == std::string::npos ? dateEnd : line.find('\t', dateEnd + 1);
            const std::size_t tidEnd = tidStart == std::string::npos ? tidStart : line.find('\t', tidStart + 1);
            if (tidEnd == std::string::npos) continue;
            const unsigned long tid = std::strtoul(line.substr(tidStart + 1, tidEnd - tidStart - 1).c_str(), nullptr, 10);
            if (threadId != 0 && tid != threadId) continue;
            const std::size_t nameStart = tidEnd + 1;
            const std::size_t nameEnd = line.find('\t', nameStart);
            const std::size_t colon = nameEnd == std::string::npos ? nameEnd : line.find("):", nameEnd);
            if (nameEnd == std::string::npos || colon == std::string::npos) continue;
            LogEntry entry{line.substr(nameStart, nameEnd - nameStart), line.substr(colon + 2), tid};
            if (entry.function.compare(0, functionPrefix.size(), functionPrefix) == 0) entries.push_back(entry);
        }
        return entries;
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
    std::wstring path_;
    std::size_t start_ = 0;
};

// Polls, bounded, until done() holds; for lines that workers write.
template <class F>
bool waitUntil(F done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::Sleep(50);
    }
    return true;
}

inline std::string utf8(const std::wstring& text) { return utility::wideToUtf8(text); }

} // namespace testing_support
