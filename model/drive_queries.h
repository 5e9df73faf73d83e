#pragma once
// The machine's drives as the disk functions see them. The real thing asks
// Windows; tests stand in invented drives.

#include <windows.h>

#include <cstdint>
#include <string>

namespace helper {
namespace disk {

struct TrimAnswer {
    bool opened = false;      // the volume device could be opened
    bool trimEnabled = false; // the TRIM byte of the answer was 1
};

struct HotplugAnswer {
    bool opened = false;    // the volume device could be opened
    bool answered = false;  // the hot-plug query succeeded
    bool mediaRemovable = false;
    bool deviceHotplug = false;
};

class DriveQueries {
public:
    virtual ~DriveQueries() = default;
    // As GetLogicalDriveStringsW: needed length when the buffer is too small.
    virtual DWORD logicalDriveStrings(DWORD bufferUnits, wchar_t* buffer) const = 0;
    virtual UINT driveType(const std::wstring& root) const = 0;
    // Bytes available to the calling user.
    virtual bool freeBytes(const std::wstring& root, std::uint64_t& available) const = 0;
    virtual bool fileSystemName(const std::wstring& root, std::wstring& name) const = 0;
    // Drive name: letter and colon.
    virtual TrimAnswer queryTrim(const std::wstring& driveName) const = 0;
    virtual HotplugAnswer queryHotplug(const std::wstring& driveName) const = 0;
};

// The queries in use: the real ones unless a test has set others.
const DriveQueries& driveQueries();
// Null returns to the real queries. The object must outlive its use.
void setDriveQueriesForTesting(const DriveQueries* queries);

} // namespace disk
} // namespace helper
