// Linked into a twin of the installer (the same entry and code) whose
// drives all report 1023 MiB free: the low-space check seen through the
// real window. Set before the entry runs, for the whole process.

#include "model/fake_drives.h"

namespace {

std::vector<testing_support::FakeDrive> lowSpaceDrives()
{
    std::vector<testing_support::FakeDrive> drives;
    for (wchar_t letter = L'C'; letter <= L'Z'; ++letter)
        drives.push_back(testing_support::fixedDrive(std::wstring(1, letter) + L":\\", 1023));
    return drives;
}

testing_support::FakeDrives g_drives(lowSpaceDrives());

} // namespace
