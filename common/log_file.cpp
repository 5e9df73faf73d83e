#include "common/log_file.h"

namespace common {

LogFile::LogFile(const std::wstring& path)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
{
    if (!file_) return;
    unsigned char head[2] = {0, 0};
    DWORD got = 0;
    if (::ReadFile(file_.get(), head, sizeof(head), &got, nullptr) && got == 2 && head[0] == 0xFF &&
        head[1] == 0xFE)
        truncate();
}

void LogFile::truncate()
{
    ::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN);
    ::SetEndOfFile(file_.get());
}

void LogFile::append(const char* data, std::size_t size)
{
    if (!file_ || size == 0) return;
    ::SetFilePointer(file_.get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    ::WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr);
    ::FlushFileBuffers(file_.get());
    const DWORD length = ::GetFileSize(file_.get(), nullptr);
    if (length != INVALID_FILE_SIZE && length >= kLogFileLimit) truncate();
}

} // namespace common
