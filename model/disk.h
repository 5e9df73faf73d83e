#pragma once
// Which fixed drive suits the emulator best, whether a folder text is a
// usable install folder, and how much space its drive has free. Stateless;
// runs on the calling thread.

#include <list>
#include <string>

namespace helper {
namespace disk {

// Roots ("C:\") of the fixed drives that are not hot-pluggable, in the
// system's order.
std::list<std::wstring> listCandidateDrives();
// Drive name ("C:"). A device that cannot be opened is not hot-pluggable;
// one whose query fails is.
bool isHotplugDevice(const std::wstring& driveName);
// Drive name ("C:"): whether the volume supports TRIM.
bool isSSD(const std::wstring& driveName);
// Free MiB of the root, times 1000 for a solid-state drive with more than
// 30 GiB free; 0 for file systems other than FAT32 and NTFS.
double CalcAvaliableSpace(const std::wstring& root);
// Root of the best-scoring candidate, or empty when none scores above 0.
std::wstring maxFreeSpaceDrive();

// Lower case, "\" separators, no doubled, leading or trailing "\".
std::wstring normalizePath(const std::wstring& path);
bool isValidInstallPath(const std::wstring& path);
// Free MiB on the drive of the folder's first three units; 0 on failure.
double freeSpaceMB(const std::wstring& path);

} // namespace disk
} // namespace helper
