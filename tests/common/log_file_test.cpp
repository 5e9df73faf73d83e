#include "common/log_file.h"

#include "test_support.h"

#include <gtest/gtest.h>

using testing_support::readFile;
using testing_support::scratchFolder;
using testing_support::writeFile;

TEST(LogFileTest, FileStartingWithUtf16MarkIsEmptiedOthersAreAppendedTo)
{
    const std::wstring folder = scratchFolder();
    const std::wstring utf16 = folder + L"old.log";
    writeFile(utf16, std::string("\xFF\xFE" "a\0b\0", 6));
    {
        common::LogFile file(utf16);
        ASSERT_TRUE(file.isOpen());
        file.append("new\r\n", 5);
    }
    EXPECT_EQ(readFile(utf16), "new\r\n");

    const std::wstring plain = folder + L"plain.log";
    writeFile(plain, "earlier\r\n");
    {
        common::LogFile file(plain);
        file.append("later\r\n", 7);
        file.append("last\r\n", 6);
    }
    EXPECT_EQ(readFile(plain), "earlier\r\nlater\r\nlast\r\n");

    // A lone 0xFF is not a byte-order mark.
    const std::wstring oneByte = folder + L"one.log";
    writeFile(oneByte, "\xFF");
    { common::LogFile(oneByte).append("x", 1); }
    EXPECT_EQ(readFile(oneByte), "\xFFx");
}

TEST(LogFileTest, MissingFileIsCreated)
{
    const std::wstring path = scratchFolder() + L"fresh.log";
    { common::LogFile(path).append("line\r\n", 6); }
    EXPECT_EQ(readFile(path), "line\r\n");
}

TEST(LogFileTest, ReachingOneMebibyteEmptiesTheFileAfterThatWrite)
{
    const std::wstring path = scratchFolder() + L"big.log";
    writeFile(path, std::string(common::kLogFileLimit - 10, 'o'));
    common::LogFile file(path);
    file.append("0123456789", 9); // one byte short of the limit: kept
    EXPECT_EQ(readFile(path).size(), common::kLogFileLimit - 1);
    file.append("ab", 2); // crosses the limit: emptied right after
    EXPECT_EQ(readFile(path).size(), 0u);
    file.append("next\r\n", 6);
    EXPECT_EQ(readFile(path), "next\r\n");
}
