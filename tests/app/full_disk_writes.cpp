// Linked into a twin of the installer (the same entry and code) for
// machines where a test cannot mount a small file system: every file
// write fails as on a full disk once the process has written its room.
// Set before the entry runs, for the whole process.

#include "utility/http_sinks.h"

#include <windows.h>

#include <atomic>

namespace {

// Less than the stand-in installer, more than its first blocks.
std::atomic<long long> g_room{300 * 1024};

BOOL WINAPI writeUntilFull(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (g_room.fetch_sub(size) < static_cast<long long>(size)) {
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return ::WriteFile(file, data, size, written, overlapped);
}

struct FullDisk {
    FullDisk() { utility::setWriteFileForTesting(writeUntilFull); }
} g_fullDisk;

} // namespace
