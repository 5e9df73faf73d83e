#pragma once
// The log file on disk: opened for appending, emptied when it starts with a
// UTF-16 byte-order mark (an older tool's format), and emptied again once it
// reaches 1 MiB so that it never grows without bound.

#include "common/unique_handle.h"

#include <cstddef>
#include <string>

namespace common {

constexpr unsigned long kLogFileLimit = 1024 * 1024;

class LogFile {
public:
    explicit LogFile(const std::wstring& path);

    bool isOpen() const { return static_cast<bool>(file_); }
    // Writes the batch at the end; empties the file when it has reached the
    // limit. Failures are swallowed: logging never stops the program.
    void append(const char* data, std::size_t size);

private:
    void truncate();

    UniqueHandle file_;
};

} // namespace common
