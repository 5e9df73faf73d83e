#pragma once
// Invented drives behind the disk functions' seam.

#include "model/drive_queries.h"

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

namespace testing_support {

constexpr std::uint64_t kMiB = 1048576;

struct FakeDrive {
    std::wstring root; // "C:\"
    UINT type = DRIVE_FIXED;
    bool freeKnown = true;
    std::uint64_t freeBytes = 0;
    bool volumeKnown = true;
    std::wstring fileSystem = L"NTFS";
    bool opens = true;
    bool trim = false;
    bool hotplugAnswered = true;
    bool mediaRemovable = false;
    bool deviceHotplug = false;
};

inline FakeDrive fixedDrive(const std::wstring& root, std::uint64_t freeMiB, bool ssd = false)
{
    FakeDrive drive;
    drive.root = root;
    drive.freeBytes = freeMiB * kMiB;
    drive.trim = ssd;
    return drive;
}

class FakeDrives : public helper::disk::DriveQueries {
public:
    explicit FakeDrives(std::vector<FakeDrive> drives) : drives_(std::move(drives))
    {
        helper::disk::setDriveQueriesForTesting(this);
    }
    ~FakeDrives() override { helper::disk::setDriveQueriesForTesting(nullptr); }
    FakeDrives(const FakeDrives&) = delete;
    FakeDrives& operator=(const FakeDrives&) = delete;

    // Root lists handed out by successive calls, the last one repeating;
    // by default the roots of the drives.
    std::vector<std::wstring> listings;
    mutable int listCalls = 0;

    DWORD logicalDriveStrings(DWORD bufferUnits, wchar_t* buffer) const override
    {
        std::wstring list;
        if (listings.empty()) {
            for (const FakeDrive& drive : drives_) list += drive.root + L'\0';
        } else {
            list = listings[std::min<std::size_t>(listCalls, listings.size() - 1)];
        }
        ++listCalls;
        list += L'\0';
        const DWORD needed = static_cast<DWORD>(list.size());
        if (!buffer || bufferUnits < needed) return needed;
        list.copy(buffer, needed);
        return needed - 1;
    }

    UINT driveType(const std::wstring& root) const override
    {
        const FakeDrive* drive = find(root);
        return drive ? drive->type : DRIVE_NO_ROOT_DIR;
    }

    bool freeBytes(const std::wstring& root, std::uint64_t& available) const override
    {
        const FakeDrive* drive = find(root);
        if (!drive || !drive->freeKnown) return false;
        available = drive->freeBytes;
        return true;
    }

    bool fileSystemName(const std::wstring& root, std::wstring& name) const override
    {
        const FakeDrive* drive = find(root);
        if (!drive || !drive->volumeKnown) return false;
        name = drive->fileSystem;
        return true;
    }

    helper::disk::TrimAnswer queryTrim(const std::wstring& driveName) const override
    {
        helper::disk::TrimAnswer answer;
        const FakeDrive* drive = find(driveName + L"\\");
        if (!drive || !drive->opens) return answer;
        answer.opened = true;
        answer.trimEnabled = drive->trim;
        return answer;
    }

    helper::disk::HotplugAnswer queryHotplug(const std::wstring& driveName) const override
    {
        helper::disk::HotplugAnswer answer;
        const FakeDrive* drive = find(driveName + L"\\");
        if (!drive || !drive->opens) return answer;
        answer.opened = true;
        answer.answered = drive->hotplugAnswered;
        answer.mediaRemovable = drive->mediaRemovable;
        answer.deviceHotplug = drive->deviceHotplug;
        return answer;
    }

private:
    // Roots are matched without regard to case, as Windows does.
    const FakeDrive* find(const std::wstring& root) const
    {
        for (const FakeDrive& drive : drives_) {
            if (drive.root.size() != root.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < root.size() && same; ++i)
                same = std::towlower(drive.root[i]) == std::towlower(root[i]);
            if (same) return &drive;
        }
        return nullptr;
    }

    std::vector<FakeDrive> drives_;
};

} // namespace testing_support
