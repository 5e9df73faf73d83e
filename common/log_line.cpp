#include "common/log_line.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace common {

namespace {

constexpr std::size_t kLineEndBytes = 2;

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

} // namespace

void formatLogMessage(wchar_t (&out)[kLogMessageUnits], const wchar_t* format, va_list args)
{
    out[0] = L'\0';
    if (!format) return;
    // The C runtime's own formatter: "%s" takes a wide string here, as the
    // callers' formats expect.
    const int n = _vsnwprintf(out, kLogMessageUnits - 1, format, args);
    out[kLogMessageUnits - 1] = L'\0';
    if (n < 0 || static_cast<std::size_t>(n) >= kLogMessageUnits - 1) {
        const std::size_t len = std::wcslen(out);
        if (len > 0 && isHighSurrogate(out[len - 1])) out[len - 1] = L'\0';
    }
}

std::size_t utf8CutLength(const char* utf8, std::size_t size, std::size_t limit)
{
    if (size <= limit) return size;
    std::size_t cut = limit;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

LogStream::LogStream(const SYSTEMTIME& now, unsigned long threadId, const char* function, int line)
{
    const int n = std::snprintf(buffer_, sizeof(buffer_) - kLineEndBytes,
                                "%02d-%02d\t%02d:%02d:%02d.%03d\t%04lu\t%s\t(%d):", now.wMonth, now.wDay,
                                now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, threadId,
                                function ? function : "", line);
    if (n > 0)
        used_ = static_cast<std::size_t>(n) < sizeof(buffer_) - kLineEndBytes
                    ? static_cast<std::size_t>(n)
                    : sizeof(buffer_) - kLineEndBytes - 1;
}

LogStream::LogStream(const char* function, int line)
    : LogStream(
          [] {
              SYSTEMTIME now;
              ::GetLocalTime(&now);
              return now;
          }(),
          ::GetCurrentThreadId(), function, line)
{
}

void LogStream::appendBytes(const char* bytes, std::size_t size)
{
    const std::size_t room = sizeof(buffer_) - kLineEndBytes - used_;
    const std::size_t take = utf8CutLength(bytes, size, room);
    std::memcpy(buffer_ + used_, bytes, take);
    used_ += take;
}

void LogStream::appendMessage(const wchar_t* message)
{
    if (!message || finished_) return;
    // 511 UTF-16 units need at most 3 bytes each in UTF-8.
    char utf8[kLogMessageUnits * 3];
    const int len = static_cast<int>(::wcsnlen(message, kLogMessageUnits - 1));
    if (len == 0) return;
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, message, len, utf8, sizeof(utf8), nullptr, nullptr);
    if (n > 0) appendBytes(utf8, static_cast<std::size_t>(n));
}

const char* LogStream::finish(std::size_t* size)
{
    if (!finished_) {
        buffer_[used_++] = '\r';
        buffer_[used_++] = '\n';
        finished_ = true;
    }
    if (size) *size = used_;
    return buffer_;
}

} // namespace common
