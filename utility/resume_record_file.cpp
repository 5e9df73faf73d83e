// The resume record on disk.

#include "utility/resume_record.h"

#include "common/unique_handle.h"
#include "utility/file.h"

#include <windows.h>

namespace utility {
namespace resume {

void removeRecordFile(const std::wstring& partialFile)
{
    const std::wstring record = recordPathFor(partialFile);
    if (ufile::pathExists(record)) ufile::removeFile(record);
}

bool readRecordFile(const std::wstring& path, Record& record)
{
    common::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > static_cast<LONGLONG>(kMaxRecordBytes))
        return false;
    std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) || read != text.size())
        return false;
    return parse(text, record);
}

bool writeRecordFile(const std::wstring& path, const Record& record)
{
    const std::string text = format(record);
    common::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size() && ::FlushFileBuffers(file.get());
}

std::int64_t systemSeconds()
{
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    // 100 ns units since 1601 to seconds since 1970.
    return static_cast<std::int64_t>(ticks.QuadPart / 10000000ULL) - 11644473600LL;
}

} // namespace resume
} // namespace utility
