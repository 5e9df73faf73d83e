// The Wine prefix the tests run in must look like a Windows machine whose
// drives all lie inside the build folder: what a test or a user click
// writes to a proposed folder must never land in the host's own folders.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <list>
#include <string>
#include <vector>

#include "model/disk.h"
#include "test_support.h"

namespace {

std::vector<std::wstring> driveRoots()
{
    wchar_t list[512] = {};
    const DWORD n = ::GetLogicalDriveStringsW(511, list);
    std::vector<std::wstring> roots;
    for (const wchar_t* p = list; n > 0 && n < 512 && *p; p += roots.back().size() + 1) roots.emplace_back(p);
    return roots;
}

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file written through one name of a folder must appear through the other.
bool sameFolder(const std::wstring& a, const std::wstring& b, const wchar_t* probeName)
{
    const std::wstring probe = a + probeName;
    testing_support::writeFile(probe, "probe");
    const bool seen = testing_support::readFile(b + probeName) == "probe";
    ::DeleteFileW(probe.c_str());
    return seen;
}

} // namespace

TEST(WinePrefixTest, NoDriveShowsTheHostRoot)
{
    const std::vector<std::wstring> roots = driveRoots();
    ASSERT_FALSE(roots.empty());
    for (const std::wstring& root : roots) {
        SCOPED_TRACE(root);
        EXPECT_FALSE(exists(root + L"etc\\passwd"));
        EXPECT_FALSE(exists(root + L"proc\\self"));
        EXPECT_FALSE(exists(root + L"usr\\lib"));
    }
    EXPECT_EQ(::GetDriveTypeW(L"Z:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

TEST(WinePrefixTest, DrivesLieInsideTheBuildFolder)
{
    const std::wstring build = testing_support::buildFolder();
    ASSERT_GE(build.size(), 3u);
    // The programs and test data: the build folder is a network drive.
    EXPECT_EQ(::GetDriveTypeW(build.substr(0, 3).c_str()), static_cast<UINT>(DRIVE_REMOTE)) << build;
    EXPECT_EQ(build.size(), 3u) << "the build folder is the root of its drive";
    EXPECT_EQ(::GetDriveTypeW(L"C:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(::GetDriveTypeW(L"D:\\"), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_TRUE(sameFolder(L"C:\\", build + L"wineprefix\\drive_c\\", L"prefix-probe-c.txt"));
    EXPECT_TRUE(sameFolder(L"D:\\", build + L"wineprefix\\drive_d\\", L"prefix-probe-d.txt"));
}

TEST(WinePrefixTest, ProposedInstallFolderIsOnDriveD)
{
    // Wine cannot answer the hot-plug query for C:, which therefore counts
    // as removable; D:'s volume does not open, so it counts as fixed.
    const std::list<std::wstring> candidates = helper::disk::listCandidateDrives();
    EXPECT_EQ(candidates, std::list<std::wstring>{L"D:\\"});
    const std::wstring drive = helper::disk::maxFreeSpaceDrive();
    std::printf("drive scan proposes: %ls\n", drive.c_str());
    EXPECT_EQ(drive, L"D:\\");
}
