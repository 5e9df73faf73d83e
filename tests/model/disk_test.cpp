#include "model/disk.h"

#include "fake_drives.h"

#include <gtest/gtest.h>

using helper::disk::CalcAvaliableSpace;
using helper::disk::listCandidateDrives;
using helper::disk::maxFreeSpaceDrive;
using testing_support::FakeDrive;
using testing_support::FakeDrives;
using testing_support::fixedDrive;

TEST(DiskScoreTest, SolidStateDriveWithMoreThan30GiBFreeWinsByFactor1000)
{
    FakeDrives drives({fixedDrive(L"C:\\", 40000, true), fixedDrive(L"D:\\", 300000)});
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"C:\\"), 40000000.0);
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"D:\\"), 300000.0);
    EXPECT_EQ(maxFreeSpaceDrive(), L"C:\\");
}

TEST(DiskScoreTest, SolidStateDriveAtOrBelow30GiBCountsItsPlainMiB)
{
    FakeDrives drives({fixedDrive(L"C:\\", 20000, true), fixedDrive(L"D:\\", 300000),
                       fixedDrive(L"E:\\", 30720, true), fixedDrive(L"F:\\", 30721, true)});
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"C:\\"), 20000.0);
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"E:\\"), 30720.0);
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"F:\\"), 30721000.0);
    FakeDrives two({fixedDrive(L"C:\\", 20000, true), fixedDrive(L"D:\\", 300000)});
    EXPECT_EQ(maxFreeSpaceDrive(), L"D:\\");
}

TEST(DiskScoreTest, OnlyFat32AndNtfsCountUnlessTheVolumeCannotBeAsked)
{
    FakeDrive exfat = fixedDrive(L"C:\\", 900000);
    exfat.fileSystem = L"exFAT";
    FakeDrive lowerNtfs = fixedDrive(L"D:\\", 800000);
    lowerNtfs.fileSystem = L"ntfs";
    FakeDrive fat32 = fixedDrive(L"E:\\", 100);
    fat32.fileSystem = L"FAT32";
    FakeDrive unknownVolume = fixedDrive(L"F:\\", 50);
    unknownVolume.volumeKnown = false;
    FakeDrive unknownSpace = fixedDrive(L"G:\\", 700000);
    unknownSpace.freeKnown = false;
    FakeDrives drives({exfat, lowerNtfs, fat32, unknownVolume, unknownSpace});

    EXPECT_EQ(CalcAvaliableSpace(L"C:\\"), 0.0);
    EXPECT_EQ(CalcAvaliableSpace(L"D:\\"), 0.0);
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"E:\\"), 100.0);
    EXPECT_DOUBLE_EQ(CalcAvaliableSpace(L"F:\\"), 50.0);
    EXPECT_EQ(CalcAvaliableSpace(L"G:\\"), 0.0);
    EXPECT_EQ(maxFreeSpaceDrive(), L"E:\\");
}

TEST(DiskScoreTest, TiesGoToTheEarlierDriveAndNothingQualifyingGivesEmpty)
{
    {
        FakeDrives drives({fixedDrive(L"C:\\", 5000), fixedDrive(L"D:\\", 5000)});
        EXPECT_EQ(maxFreeSpaceDrive(), L"C:\\");
    }
    {
        FakeDrive exfat = fixedDrive(L"C:\\", 900000);
        exfat.fileSystem = L"exFAT";
        FakeDrives drives({exfat, fixedDrive(L"D:\\", 0)});
        EXPECT_EQ(maxFreeSpaceDrive(), L"");
    }
    {
        FakeDrives none({});
        EXPECT_TRUE(listCandidateDrives().empty());
        EXPECT_EQ(maxFreeSpaceDrive(), L"");
    }
}

TEST(DiskCandidateTest, OnlyFixedDrivesThatAreNotHotPluggableRemain)
{
    std::vector<FakeDrive> list;
    const UINT otherTypes[] = {DRIVE_UNKNOWN, DRIVE_NO_ROOT_DIR, DRIVE_REMOVABLE, DRIVE_REMOTE, DRIVE_CDROM,
                               DRIVE_RAMDISK};
    wchar_t letter = L'H';
    for (UINT type : otherTypes) {
        FakeDrive drive = fixedDrive(std::wstring(1, letter++) + L":\\", 900000);
        drive.type = type;
        list.push_back(drive);
    }
    FakeDrive usb = fixedDrive(L"C:\\", 900000);
    usb.deviceHotplug = true;
    FakeDrive card = fixedDrive(L"D:\\", 900000);
    card.mediaRemovable = true;
    FakeDrive unanswered = fixedDrive(L"E:\\", 900000);
    unanswered.hotplugAnswered = false;
    FakeDrive unopened = fixedDrive(L"F:\\", 10);
    unopened.opens = false;
    FakeDrive mediaHotplugOnly = fixedDrive(L"G:\\", 20); // that flag is not examined
    list.insert(list.end(), {usb, card, unanswered, unopened, mediaHotplugOnly});
    FakeDrives drives(list);

    EXPECT_EQ(listCandidateDrives(), (std::list<std::wstring>{L"F:\\", L"G:\\"}));
    EXPECT_EQ(maxFreeSpaceDrive(), L"G:\\");
}

TEST(DiskCandidateTest, OnlyHotPluggableUsbDiskGivesNoDrive)
{
    FakeDrive usb = fixedDrive(L"C:\\", 900000, true);
    usb.deviceHotplug = true;
    FakeDrives drives({usb});
    EXPECT_TRUE(listCandidateDrives().empty());
    EXPECT_EQ(maxFreeSpaceDrive(), L"");
}

TEST(DiskCandidateTest, DriveListThatGrowsBetweenTheCallsIsReadAgainWithinBounds)
{
    {
        FakeDrives drives({fixedDrive(L"C:\\", 1), fixedDrive(L"D:\\", 2)});
        drives.listings = {std::wstring(L"C:\\\0", 4), std::wstring(L"C:\\\0D:\\\0", 8)};
        EXPECT_EQ(listCandidateDrives(), (std::list<std::wstring>{L"C:\\", L"D:\\"}));
        EXPECT_EQ(drives.listCalls, 3);
    }
    {
        // Keeps growing: gives up after a few tries instead of overrunning.
        FakeDrives drives({fixedDrive(L"C:\\", 1), fixedDrive(L"D:\\", 2), fixedDrive(L"E:\\", 3),
                           fixedDrive(L"F:\\", 4)});
        drives.listings = {std::wstring(L"C:\\\0", 4), std::wstring(L"C:\\\0D:\\\0", 8),
                           std::wstring(L"C:\\\0D:\\\0E:\\\0", 12), std::wstring(L"C:\\\0D:\\\0E:\\\0F:\\\0", 16),
                           std::wstring(L"C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0", 20)};
        EXPECT_TRUE(listCandidateDrives().empty());
        EXPECT_LE(drives.listCalls, 4);
    }
}

TEST(DiskSsdTest, TrimSupportMakesASolidStateDrive)
{
    FakeDrive unopened = fixedDrive(L"E:\\", 1, true);
    unopened.opens = false;
    FakeDrives drives({fixedDrive(L"C:\\", 1, true), fixedDrive(L"D:\\", 1, false), unopened});
    EXPECT_TRUE(helper::disk::isSSD(L"C:"));
    EXPECT_FALSE(helper::disk::isSSD(L"D:"));
    EXPECT_FALSE(helper::disk::isSSD(L"E:"));
    EXPECT_FALSE(helper::disk::isSSD(L"Q:"));
}

TEST(DiskPathTest, NormalisedFormIsLowerCaseWithSingleInnerBackslashes)
{
    using helper::disk::normalizePath;
    EXPECT_EQ(normalizePath(L"D:/Games//Kolvex\\\\\\Player\\"), L"d:\\games\\kolvex\\player");
    EXPECT_EQ(normalizePath(L"\\\\Server\\Share"), L"server\\share");
    EXPECT_EQ(normalizePath(L"D:\\"), L"d:");
    EXPECT_EQ(normalizePath(L"\\\\"), L"");
    EXPECT_EQ(normalizePath(L""), L"");
}

TEST(DiskPathTest, ValidInstallFolders)
{
    FakeDrive full = fixedDrive(L"E:\\", 0);
    FakeDrives drives({fixedDrive(L"C:\\", 100), fixedDrive(L"D:\\", 100), full});
    using helper::disk::isValidInstallPath;

    EXPECT_TRUE(isValidInstallPath(L"D:\\Bexmoor\\vpplayer2\\"));
    EXPECT_TRUE(isValidInstallPath(L"D:/GAMES//Kolvex\\\\Player"));
    EXPECT_TRUE(isValidInstallPath(L"  d:\\Program Files\\Kolvex  "));
    EXPECT_TRUE(isValidInstallPath(L"C:\\a"));

    EXPECT_FALSE(isValidInstallPath(L"D:\\")) << "root only";
    EXPECT_FALSE(isValidInstallPath(L"D:"));
    EXPECT_FALSE(isValidInstallPath(L""));
    EXPECT_FALSE(isValidInstallPath(L"D:\\Ga*mes"));
    EXPECT_FALSE(isValidInstallPath(L"D:\\Games\\x:y"));
    for (const wchar_t* bad : {L"D:\\a?", L"D:\\a\"b", L"D:\\a<b", L"D:\\a>b", L"D:\\a|b"})
        EXPECT_FALSE(isValidInstallPath(bad)) << bad;
    EXPECT_FALSE(isValidInstallPath(L"D:\\Games\\   \\Kolvex")) << "blank-only folder name";
    EXPECT_FALSE(isValidInstallPath(L"Q:\\Games")) << "missing drive";
    EXPECT_FALSE(isValidInstallPath(L"E:\\Games")) << "no free space";
    EXPECT_FALSE(isValidInstallPath(L"\\\\server\\share\\Games")) << "network share";
    EXPECT_FALSE(isValidInstallPath(L"Games\\Kolvex")) << "relative";
}

TEST(DiskPathTest, FreeSpaceOfTheFoldersDriveInMiB)
{
    FakeDrive unknown = fixedDrive(L"E:\\", 5);
    unknown.freeKnown = false;
    FakeDrives drives({fixedDrive(L"D:\\", 1536), unknown});
    EXPECT_DOUBLE_EQ(helper::disk::freeSpaceMB(L"D:\\Games\\Kolvex"), 1536.0);
    EXPECT_DOUBLE_EQ(helper::disk::freeSpaceMB(L"d:\\"), 1536.0);
    EXPECT_EQ(helper::disk::freeSpaceMB(L"E:\\Games"), 0.0);
    EXPECT_EQ(helper::disk::freeSpaceMB(L"Q:\\Games"), 0.0);
    EXPECT_EQ(helper::disk::freeSpaceMB(L""), 0.0);
}
