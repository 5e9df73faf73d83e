#include "common/log_line.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

namespace {

SYSTEMTIME sampleTime()
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 8;
    t.wHour = 6;
    t.wMinute = 4;
    t.wSecond = 47;
    t.wMilliseconds = 123;
    return t;
}

std::string lineOf(const wchar_t* message, const char* function = "wWinMain", int line = 52,
                   unsigned long thread = 4660)
{
    common::LogStream stream(sampleTime(), thread, function, line);
    stream.appendMessage(message);
    std::size_t size = 0;
    const char* bytes = stream.finish(&size);
    return std::string(bytes, size);
}

std::wstring format(const wchar_t* fmt, ...)
{
    wchar_t out[common::kLogMessageUnits];
    va_list args;
    va_start(args, fmt);
    common::formatLogMessage(out, fmt, args);
    va_end(args);
    return out;
}

bool isValidUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        if (c >= 0xF0) extra = 3;
        else if (c >= 0xE0) extra = 2;
        else if (c >= 0xC0) extra = 1;
        else if (c >= 0x80) return false; // a continuation byte where a character should start
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

TEST(LogLineTest, HeaderFieldsAreTabSeparatedAndLineEndsWithCrLf)
{
    EXPECT_EQ(lineOf(L"commoninit end"), "12-08\t06:04:47.123\t4660\twWinMain\t(52):commoninit end\r\n");
    // Thread ids are padded to four digits but never cut.
    EXPECT_EQ(lineOf(L"x", "a::b", 7, 42), "12-08\t06:04:47.123\t0042\ta::b\t(7):x\r\n");
    EXPECT_EQ(lineOf(L"x", "f", 1, 123456), "12-08\t06:04:47.123\t123456\tf\t(1):x\r\n");
    EXPECT_EQ(lineOf(L""), "12-08\t06:04:47.123\t4660\twWinMain\t(52):\r\n");
}

TEST(LogLineTest, NonAsciiMessagesAreWrittenAsUtf8)
{
    const std::string head = "12-08\t06:04:47.123\t4660\twWinMain\t(52):";
    EXPECT_EQ(lineOf(L"安装目录"), head + "\xE5\xAE\x89\xE8\xA3\x85\xE7\x9B\xAE\xE5\xBD\x95\r\n");
    EXPECT_EQ(lineOf(L"설치"), head + "\xEC\x84\xA4\xEC\xB9\x98\r\n");
    EXPECT_EQ(lineOf(L"ติดตั้ง"), head + u8"ติดตั้ง" + "\r\n");
    // A character outside the basic plane arrives as a surrogate pair.
    EXPECT_EQ(lineOf(L"\xD83D\xDE00"), head + "\xF0\x9F\x98\x80\r\n");
}

TEST(LogLineTest, OverlongMessageIsCutAtACharacterAndStillEndsTheLine)
{
    // 511 Chinese characters need 1533 bytes: far more than fits.
    const std::wstring longText(511, L'中');
    const std::string line = lineOf(longText.c_str());
    ASSERT_LE(line.size(), common::kLogLineBytes);
    EXPECT_GE(line.size(), common::kLogLineBytes - 4);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_TRUE(isValidUtf8(line.substr(0, line.size() - 2)));

    // The longest ASCII message fits whole.
    const std::string head = "12-08\t06:04:47.123\t4660\twWinMain\t(52):";
    EXPECT_EQ(lineOf(std::wstring(511, L'a').c_str()), head + std::string(511, 'a') + "\r\n");
    // A long function name leaves less room for the message, never the line end.
    const std::string longName(900, 'n');
    const std::string squeezed = lineOf(std::wstring(300, L'b').c_str(), longName.c_str());
    EXPECT_EQ(squeezed.size(), common::kLogLineBytes);
    EXPECT_EQ(squeezed.substr(squeezed.size() - 3), "b\r\n");
}

TEST(LogLineTest, UtfCutNeverSplitsASequence)
{
    const std::string s = "a\xE4\xB8\xAD"; // "a" and one three-byte character
    EXPECT_EQ(common::utf8CutLength(s.data(), s.size(), 4), 4u);
    EXPECT_EQ(common::utf8CutLength(s.data(), s.size(), 3), 1u);
    EXPECT_EQ(common::utf8CutLength(s.data(), s.size(), 2), 1u);
    EXPECT_EQ(common::utf8CutLength(s.data(), s.size(), 1), 1u);
    EXPECT_EQ(common::utf8CutLength(s.data(), s.size(), 0), 0u);
}

TEST(LogLineTest, FormattingTakesWideStringsAndKeepsPercentSigns)
{
    EXPECT_EQ(format(L"player path is %s", L"C:\\Kolvex\\"), L"player path is C:\\Kolvex\\");
    EXPECT_EQ(format(L"code %d, size %I64d", -7, 5000000000LL), L"code -7, size 5000000000");
    // Escapes in an argument are text, not a format.
    EXPECT_EQ(format(L"url = %s", L"http://h/a%20b%s%d"), L"url = http://h/a%20b%s%d");
    EXPECT_EQ(format(L"100%%"), L"100%");
}

TEST(LogLineTest, OverlongFormattedMessageIsCutAndTerminated)
{
    const std::wstring longArg(2000, L'x');
    const std::wstring cut = format(L"%s", longArg.c_str());
    EXPECT_EQ(cut, std::wstring(common::kLogMessageUnits - 1, L'x'));

    // The cut never leaves half a surrogate pair behind.
    std::wstring pairs = std::wstring(510, L'y') + L"\xD83D\xDE00";
    const std::wstring cutPair = format(L"%s", pairs.c_str());
    EXPECT_EQ(cutPair, std::wstring(510, L'y'));
}
