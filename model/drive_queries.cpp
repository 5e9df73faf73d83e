#include "model/drive_queries.h"

#include "common/unique_handle.h"

#include <winioctl.h>

#include <atomic>

namespace helper {
namespace disk {

namespace {

// Layouts of the storage queries, declared here because the system headers
// offer them only for newer Windows versions.
struct PropertyQuery {
    DWORD propertyId;
    DWORD queryType;
    BYTE additional[1];
};
struct TrimDescriptor {
    DWORD version;
    DWORD size;
    BYTE trimEnabled;
};
struct HotplugInfo {
    DWORD size;
    BYTE mediaRemovable;
    BYTE mediaHotplug;
    BYTE deviceHotplug;
    BYTE writeCacheEnableOverride;
};
static_assert(sizeof(PropertyQuery) == 12, "STORAGE_PROPERTY_QUERY is 12 bytes");
static_assert(sizeof(TrimDescriptor) == 12, "DEVICE_TRIM_DESCRIPTOR is 12 bytes");
static_assert(sizeof(HotplugInfo) == 8, "STORAGE_HOTPLUG_INFO is 8 bytes");

constexpr DWORD kTrimProperty = 8; // StorageDeviceTrimProperty
constexpr DWORD kStandardQuery = 0;
constexpr DWORD kQueryProperty = CTL_CODE(IOCTL_STORAGE_BASE, 0x0500, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD kGetHotplugInfo = CTL_CODE(IOCTL_STORAGE_BASE, 0x0305, METHOD_BUFFERED, FILE_ANY_ACCESS);

common::UniqueHandle openVolume(const std::wstring& driveName)
{
    const std::wstring device = L"\\\\.\\" + driveName;
    return common::UniqueHandle(::CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                              nullptr));
}

class SystemDrives : public DriveQueries {
public:
    DWORD logicalDriveStrings(DWORD bufferUnits, wchar_t* buffer) const override
    {
        return ::GetLogicalDriveStringsW(bufferUnits, buffer);
    }

    UINT driveType(const std::wstring& root) const override { return ::GetDriveTypeW(root.c_str()); }

    bool freeBytes(const std::wstring& root, std::uint64_t& available) const override
    {
        ULARGE_INTEGER caller = {};
        if (!::GetDiskFreeSpaceExW(root.c_str(), &caller, nullptr, nullptr)) return false;
        available = caller.QuadPart;
        return true;
    }

    bool fileSystemName(const std::wstring& root, std::wstring& name) const override
    {
        wchar_t buffer[1024] = {};
        if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, buffer, 1024))
            return false;
        buffer[1023] = L'\0';
        name = buffer;
        return true;
    }

    TrimAnswer queryTrim(const std::wstring& driveName) const override
    {
        TrimAnswer answer;
        common::UniqueHandle volume = openVolume(driveName);
        if (!volume) return answer;
        answer.opened = true;
        PropertyQuery query = {kTrimProperty, kStandardQuery, {0}};
        TrimDescriptor descriptor = {};
        DWORD returned = 0;
        // The answer byte stays 0 when the query fails, as on older systems.
        ::DeviceIoControl(volume.get(), kQueryProperty, &query, sizeof(query), &descriptor, sizeof(descriptor),
                          &returned, nullptr);
        answer.trimEnabled = descriptor.trimEnabled == 1;
        return answer;
    }

    HotplugAnswer queryHotplug(const std::wstring& driveName) const override
    {
        HotplugAnswer answer;
        common::UniqueHandle volume = openVolume(driveName);
        if (!volume) return answer;
        answer.opened = true;
        HotplugInfo info = {};
        DWORD returned = 0;
        answer.answered = ::DeviceIoControl(volume.get(), kGetHotplugInfo, nullptr, 0, &info, sizeof(info),
                                            &returned, nullptr) != FALSE;
        answer.mediaRemovable = info.mediaRemovable != 0;
        answer.deviceHotplug = info.deviceHotplug != 0;
        return answer;
    }
};

const SystemDrives g_systemDrives;
std::atomic<const DriveQueries*> g_override{nullptr};

} // namespace

const DriveQueries& driveQueries()
{
    const DriveQueries* queries = g_override.load();
    return queries ? *queries : g_systemDrives;
}

void setDriveQueriesForTesting(const DriveQueries* queries) { g_override.store(queries); }

} // namespace disk
} // namespace helper
