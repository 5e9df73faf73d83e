#pragma once
// Building one log line: header, UTF-8 message, CR LF, inside a fixed
// 1024-byte array. Pure functions of their inputs, so tests can check the
// format byte for byte.

#include <windows.h>

#include <cstdarg>
#include <cstddef>

namespace common {

constexpr std::size_t kLogLineBytes = 1024;
constexpr std::size_t kLogMessageUnits = 512; // formatted message, terminator included

// Formats into out[kLogMessageUnits]; an over-long result is cut, never in
// the middle of a surrogate pair. Always terminated.
void formatLogMessage(wchar_t (&out)[kLogMessageUnits], const wchar_t* format, va_list args);

class LogStream {
public:
    // Writes the header for the given local time and thread id.
    LogStream(const SYSTEMTIME& now, unsigned long threadId, const char* function, int line);
    // Header with the current local time and the calling thread's id.
    LogStream(const char* function, int line);

    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // Appends the message as UTF-8, cut at a character boundary so that the
    // line end still fits.
    void appendMessage(const wchar_t* message);
    // Appends CR LF (room for it is always kept) and returns the whole line.
    const char* finish(std::size_t* size);

private:
    void appendBytes(const char* bytes, std::size_t size);

    char buffer_[kLogLineBytes];
    std::size_t used_ = 0;
    bool finished_ = false;
};

// Length of the longest prefix of utf8[0, size) that is at most limit bytes
// and does not end inside a multi-byte sequence.
std::size_t utf8CutLength(const char* utf8, std::size_t size, std::size_t limit);

} // namespace common
