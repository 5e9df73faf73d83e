#include "utility/file.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace utility::ufile;
using testing_support::readFile;
using testing_support::scratchFolder;
using testing_support::writeFile;

TEST(FileTest, MoveReplacesAnExistingTargetAndReportsFailure)
{
    const std::wstring folder = scratchFolder();
    writeFile(folder + L"rizodi.exe.tmp", "new installer");
    writeFile(folder + L"rizodi.exe", "old installer");
    EXPECT_TRUE(moveFile(folder + L"rizodi.exe.tmp", folder + L"rizodi.exe"));
    EXPECT_EQ(readFile(folder + L"rizodi.exe"), "new installer");
    EXPECT_FALSE(pathExists(folder + L"rizodi.exe.tmp"));

    EXPECT_FALSE(moveFile(folder + L"missing.tmp", folder + L"other"));
    EXPECT_FALSE(pathExists(folder + L"other"));
}

TEST(FileTest, RemoveAndExists)
{
    const std::wstring folder = scratchFolder();
    writeFile(folder + L"stale.tmp", "x");
    EXPECT_TRUE(pathExists(folder + L"stale.tmp"));
    EXPECT_TRUE(pathExists(folder)); // folders count too
    removeFile(folder + L"stale.tmp");
    EXPECT_FALSE(pathExists(folder + L"stale.tmp"));
    removeFile(folder + L"stale.tmp"); // logged, harmless
}

TEST(FileTest, MakeDirCreatesEveryMissingLevel)
{
    const std::wstring folder = scratchFolder();
    const std::wstring deep = folder + L"one\\two/three";
    makeDir(deep);
    EXPECT_TRUE(pathExists(folder + L"one\\two\\three"));
    makeDir(deep); // exists: nothing to do
    EXPECT_TRUE(pathExists(deep));

    // A level that is a file cannot become a folder.
    writeFile(folder + L"blocker", "x");
    makeDir(folder + L"blocker\\below");
    EXPECT_FALSE(pathExists(folder + L"blocker\\below"));
}

TEST(FileTest, ParentFolderDropsOneTrailingSeparatorFirst)
{
    EXPECT_EQ(parentFolder(L"C:\\a\\b\\"), L"C:\\a\\");
    EXPECT_EQ(parentFolder(L"C:\\a\\b"), L"C:\\a\\");
    EXPECT_EQ(parentFolder(L"C:/a/b.exe"), L"C:/a/");
    // The last backslash wins over a later '/'.
    EXPECT_EQ(parentFolder(L"C:\\a/b"), L"C:\\");
    EXPECT_EQ(parentFolder(L"C:\\"), L"");
    EXPECT_EQ(parentFolder(L"a"), L"");
    EXPECT_EQ(parentFolder(L""), L"");
    EXPECT_EQ(parentFolder(L"name"), L"");
}

TEST(FileTest, FileTitleIsTheLastElementWithoutItsExtension)
{
    EXPECT_EQ(fileTitle(L"C:\\d\\Setup_com.example.game_12345.exe"), L"Setup_com.example.game_12345");
    EXPECT_EQ(fileTitle(L"C:/d/a.b.c"), L"a.b");
    EXPECT_EQ(fileTitle(L"C:\\d\\noext"), L"noext");
    EXPECT_EQ(fileTitle(L"Setup.exe"), L"");
    EXPECT_EQ(fileTitle(L"C:\\d\\"), L"");
}

TEST(FileTest, PathPrefixIgnoresSeparatorsButNotCase)
{
    EXPECT_TRUE(isPathPrefix(L"C:\\a\\b", L"C:/a/b/c"));
    EXPECT_TRUE(isPathPrefix(L"C:\\a\\b\\", L"C:\\a\\b"));
    EXPECT_FALSE(isPathPrefix(L"C:\\a\\b", L"C:\\a"));
    EXPECT_FALSE(isPathPrefix(L"A", L"a"));
    EXPECT_TRUE(isPathPrefix(L"", L"anything"));
    EXPECT_TRUE(isPathPrefix(L"\\\\", L""));
    // A plain character prefix, not an element prefix.
    EXPECT_TRUE(isPathPrefix(L"C:\\Prog", L"C:\\Program Files"));
}

TEST(FileTest, ModuleFolderFollowsTheTestSeam)
{
    const std::wstring real = moduleFolder();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.back(), L'\\');
    EXPECT_TRUE(pathExists(real + L"kolvex_tests.exe"));

    setModulePathForTesting(L"D:\\Downloads\\Setup_com.example.game_12345.exe");
    EXPECT_EQ(moduleFolder(), L"D:\\Downloads\\");
    EXPECT_EQ(fileTitle(modulePath()), L"Setup_com.example.game_12345");
    setModulePathForTesting(L"");
    EXPECT_EQ(moduleFolder(), real);
}
