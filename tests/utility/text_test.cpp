#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

using namespace utility;

namespace {

std::vector<std::wstring> split(const std::wstring& text, const std::wstring& separator)
{
    std::list<std::wstring> pieces;
    splitTrimmed(pieces, text, separator);
    return std::vector<std::wstring>(pieces.begin(), pieces.end());
}

using Pieces = std::vector<std::wstring>;

} // namespace

TEST(TextTest, SplitKeepsEmptyPiecesAndTrimsBlanksOnly)
{
    EXPECT_EQ(split(L"a_b_c", L"_"), (Pieces{L"a", L"b", L"c"}));
    EXPECT_EQ(split(L"a__b", L"_"), (Pieces{L"a", L"", L"b"}));
    EXPECT_EQ(split(L"_a", L"_"), (Pieces{L"", L"a"}));
    EXPECT_EQ(split(L"a_", L"_"), (Pieces{L"a", L""}));
    EXPECT_EQ(split(L" a _ b ", L"_"), (Pieces{L"a", L"b"}));
    EXPECT_EQ(split(L"\ta\t_b\n", L"_"), (Pieces{L"\ta\t", L"b\n"}));
    EXPECT_EQ(split(L"abc", L"_"), (Pieces{L"abc"}));
    EXPECT_EQ(split(L"   ", L"|"), (Pieces{L""}));
    // Multi-character separators are matched whole and without overlap.
    EXPECT_EQ(split(L"a||b|||c", L"||"), (Pieces{L"a", L"b", L"|c"}));
    EXPECT_TRUE(split(L"", L"_").empty());
    EXPECT_TRUE(split(L"a_b", L"").empty());

    std::list<std::wstring> pieces{L"kept"};
    splitTrimmed(pieces, L"x", L"_");
    EXPECT_EQ(pieces.size(), 2u); // appended, not cleared
}

TEST(TextTest, KeyValuesLowerCaseKeysAndKeepEverythingAfterTheFirstSeparator)
{
    std::map<std::wstring, std::wstring> values;
    parseKeyValues(values,
                   {L"Package = x", L"package=y", L"=value", L"novalue", L"key=", L"apkurl=http://h/a?b=c&d=e",
                    L" NAME =Ünïcode Game ", L"ÄBC=1"},
                   L"=");
    EXPECT_EQ(values.size(), 5u);
    EXPECT_EQ(values[L"package"], L"y");
    EXPECT_EQ(values[L"key"], L"");
    EXPECT_EQ(values[L"apkurl"], L"http://h/a?b=c&d=e");
    EXPECT_EQ(values[L"name"], L"Ünïcode Game");
    // Only A to Z are lowered, as the "C" locale does.
    EXPECT_EQ(values.count(L"Äbc"), 1u);

    std::wstring found = L"untouched";
    EXPECT_FALSE(findValue(found, values, L"Package"));
    EXPECT_EQ(found, L"untouched");
    EXPECT_TRUE(findValue(found, values, L"key"));
    EXPECT_EQ(found, L"");
}

TEST(TextTest, TrimRemovesOnlyBlanks)
{
    std::string narrow = "  \tx y\r\n  ";
    trimBlanks(narrow);
    EXPECT_EQ(narrow, "\tx y\r\n");
    std::wstring wide = L"    ";
    trimBlanks(wide);
    EXPECT_EQ(wide, L"");
    wide = L" a ";
    trimBlanks(wide);
    EXPECT_EQ(wide, L"a");
}

TEST(TextTest, ConversionsBetweenUtf16Utf8AndAnsi)
{
    const std::string utf8 = "\xE5\xAE\x89\xE8\xA3\x85 ok";
    EXPECT_EQ(toWide(utf8.c_str(), -1, CP_UTF8), L"安装 ok");
    EXPECT_EQ(toWide(utf8.c_str(), 3, CP_UTF8), L"安");
    EXPECT_EQ(utf8ToWide(utf8), L"安装 ok");
    EXPECT_EQ(utf8ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(toWide(nullptr, -1, CP_UTF8), L"");
    EXPECT_EQ(toWide("abc", -2, CP_UTF8), L"");
    EXPECT_EQ(toWide("", -1, CP_UTF8), L"");
    EXPECT_EQ(wideToUtf8(L"설치 ติดตั้ง"), "\xEC\x84\xA4\xEC\xB9\x98 \xE0\xB8\x95\xE0\xB8\xB4\xE0\xB8\x94\xE0\xB8\x95"
                                            "\xE0\xB8\xB1\xE0\xB9\x89\xE0\xB8\x87");
    // ASCII passes the ANSI code page unchanged both ways.
    EXPECT_EQ(wideToAnsi(L"GET /a?b=1 HTTP/1.1"), "GET /a?b=1 HTTP/1.1");
    EXPECT_EQ(ansiToWide("Host: 127.0.0.1"), L"Host: 127.0.0.1");
    // Invalid UTF-8 is replaced, not dropped silently into an empty text.
    EXPECT_FALSE(utf8ToWide("a\xFF" "b").empty());
}

TEST(TextTest, SuffixesAndSixtyFourBitNumbers)
{
    EXPECT_TRUE(endsWith(std::string("rizodi.exe.tmp"), std::string(".tmp")));
    EXPECT_FALSE(endsWith(std::string("tmp"), std::string(".tmp")));
    EXPECT_FALSE(endsWith(std::wstring(L"A.TMP"), std::wstring(L".tmp")));
    EXPECT_TRUE(endsWith(std::wstring(L"x"), std::wstring()));

    EXPECT_EQ(int64ToWide(0), L"0");
    EXPECT_EQ(int64ToWide(4294967296LL), L"4294967296");
    EXPECT_EQ(int64ToWide(-9223372036854775807LL - 1), L"-9223372036854775808");
    EXPECT_EQ(int64ToWide(9223372036854775807LL), L"9223372036854775807");
}
