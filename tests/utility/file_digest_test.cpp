#include "utility/file_digest.h"

#include "test_support.h"

#include <gtest/gtest.h>

using namespace utility::ufile;

TEST(FileDigestTest, Md5OfFilesSmallAndSpanningSeveralBlocks)
{
    const std::wstring folder = testing_support::scratchFolder();
    std::wstring digest;
    testing_support::writeFile(folder + L"empty", "");
    ASSERT_TRUE(md5OfFile(folder + L"empty", digest));
    EXPECT_EQ(digest, L"d41d8cd98f00b204e9800998ecf8427e");

    testing_support::writeFile(folder + L"abc", "abc");
    ASSERT_TRUE(md5OfFile(folder + L"abc", digest));
    EXPECT_EQ(digest, L"900150983cd24fb0d6963f7d28e17f72");

    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7 + 3) % 256);
    testing_support::writeFile(folder + L"big", big);
    ASSERT_TRUE(md5OfFile(folder + L"big", digest));
    EXPECT_EQ(digest, L"d7f02347e9fd18d5b486e864a9d37c08");

    digest = L"untouched";
    EXPECT_FALSE(md5OfFile(folder + L"missing", digest));
}

TEST(FileDigestTest, DigestTextsAreCheckedAndComparedWithoutCase)
{
    EXPECT_TRUE(isMd5Text(L"d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_TRUE(isMd5Text(L"D41D8CD98F00B204E9800998ECF8427E"));
    EXPECT_FALSE(isMd5Text(L"d41d8cd98f00b204e9800998ecf8427"));
    EXPECT_FALSE(isMd5Text(L"g41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_FALSE(isMd5Text(L""));
    EXPECT_TRUE(sameMd5(L"ABCdef", L"abcDEF"));
    EXPECT_FALSE(sameMd5(L"abc", L"abd"));
    EXPECT_FALSE(sameMd5(L"abc", L"abcd"));
}
