// The 7z reader against archives made by 7zz at build time, hand-built
// archives for the cases 7zz never writes, and damaged or hostile input.

#include "test_support.h"
#include "ui/skin/crc32.h"
#include "ui/skin/seven_zip.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

using ui::skin::FileTable;
using ui::skin::unpackSevenZip;

namespace {

std::wstring dataFolder() { return utility::ufile::moduleFolder() + L"data\\"; }

std::string readData(const wchar_t* name)
{
    const std::string bytes = testing_support::readFile(dataFolder() + name);
    EXPECT_FALSE(bytes.empty()) << "missing build-time archive";
    return bytes;
}

std::string numbersText()
{
    std::string text;
    for (int i = 1; i <= 3000; ++i) text += std::to_string(i) + "\n";
    return text;
}

void putLe(std::string& s, std::size_t at, std::uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t crcOf(const std::string& s) { return ui::skin::crc32(s.data(), s.size()); }

// Signature header with correct CRCs in front of packed streams and header.
std::string buildArchive(const std::string& packed, const std::string& header)
{
    std::string a(32, '\0');
    const char sig[] = {'7', 'z', '\xBC', '\xAF', '\x27', '\x1C', 0, 4};
    a.replace(0, 8, sig, 8);
    putLe(a, 12, packed.size(), 8);
    putLe(a, 20, header.size(), 8);
    putLe(a, 28, crcOf(header), 4);
    putLe(a, 8, ui::skin::crc32(a.data() + 12, 20), 4);
    return a + packed + header;
}

// 7z's variable-length number.
std::string num(std::uint64_t v)
{
    if (v < 0x80) return std::string(1, static_cast<char>(v));
    if (v < 0x4000) return std::string{static_cast<char>(0x80 | (v >> 8)), static_cast<char>(v & 0xFF)};
    std::string s(1, '\xFF');
    s.resize(9);
    putLe(s, 1, v, 8);
    return s;
}

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    putLe(s, 0, v, 4);
    return s;
}

std::string utf16Name(const char* ascii)
{
    std::string s;
    for (const char* p = ascii; *p; ++p) s += std::string{*p, '\0'};
    return s + std::string(2, '\0');
}

// Streams info of one stored (copy) folder of the given sizes, with an
// optional sub-streams record.
std::string storedStreams(std::uint64_t packSize, std::uint64_t unpackSize, const std::string& folderCrc,
                          const std::string& subStreams = "")
{
    std::string s = "\x06" + num(0) + num(1) + "\x09" + num(packSize) + std::string(1, '\0');
    s += "\x07\x0B" + num(1) + std::string(1, '\0') + "\x01\x01" + std::string(1, '\0');
    s += "\x0C" + num(unpackSize);
    if (!folderCrc.empty()) s += "\x0A\x01" + folderCrc;
    return s + std::string(1, '\0') + subStreams + std::string(1, '\0');
}

// One stored file "a.txt", header plain.
std::string storedArchive(const std::string& content, std::uint32_t fileCrc)
{
    std::string header = "\x01\x04" + storedStreams(content.size(), content.size(), le32(fileCrc));
    const std::string names = std::string(1, '\0') + utf16Name("a.txt");
    header += "\x05" + num(1) + "\x11" + num(names.size()) + names + std::string(2, '\0');
    return buildArchive(content, header);
}

bool refused(const std::string& archive)
{
    FileTable files;
    files[L"stale"] = "x";
    const bool ok = unpackSevenZip(archive.data(), archive.size(), files);
    EXPECT_TRUE(ok || files.empty()) << "a refused archive must leave no entries";
    return !ok;
}

// The reason of a refusal; empty when the archive was accepted.
std::string refusal(const std::string& archive)
{
    FileTable files;
    std::wstring why;
    const bool ok = unpackSevenZip(archive.data(), archive.size(), files, ui::skin::SevenZipLimits(), &why);
    EXPECT_TRUE(ok || files.empty());
    return utility::wideToUtf8(why);
}

unsigned nextHeaderKind(const std::string& archive)
{
    std::uint64_t offset = 0;
    for (int i = 0; i < 8; ++i) offset |= static_cast<std::uint64_t>(static_cast<unsigned char>(archive[12 + i])) << (8 * i);
    return static_cast<unsigned char>(archive.at(32 + offset));
}

} // namespace

class SevenZipArchives : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(SevenZipArchives, UnpacksEveryFileWithItsBytesAndSkipsFolders)
{
    const std::string archive = readData(GetParam());
    FileTable files;
    ASSERT_TRUE(unpackSevenZip(archive.data(), archive.size(), files));
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(files[L"hello.txt"], "Hello, skin!\n");
    EXPECT_EQ(files.count(L"empty.txt"), 1u);
    EXPECT_EQ(files[L"empty.txt"], "");
    EXPECT_EQ(files[L"sub/deeper/note.txt"], "\xE4\xB8\xAD\xE6\x96\x87 \xC3\xBCn\xC3\xAF" "code\r\nline two\r\n");
    EXPECT_EQ(files[L"sub/numbers.txt"], numbersText());
    EXPECT_EQ(files.count(L"emptydir"), 0u);
}

INSTANTIATE_TEST_SUITE_P(BuiltBy7zz, SevenZipArchives,
                         ::testing::Values(L"plain.7z", L"encoded.7z", L"nonsolid.7z"));

TEST(SevenZipTest, BuildTimeArchivesCoverPlainAndPackedHeaders)
{
    // Guards the suite itself: if the packer changed its defaults, one of
    // the two header kinds would go untested.
    EXPECT_EQ(nextHeaderKind(readData(L"plain.7z")), 0x01u);
    EXPECT_EQ(nextHeaderKind(readData(L"encoded.7z")), 0x17u);
    EXPECT_EQ(nextHeaderKind(readData(L"nonsolid.7z")), 0x17u);
}

TEST(SevenZipTest, EveryTruncationIsRefused)
{
    for (const wchar_t* name : {L"plain.7z", L"encoded.7z"}) {
        const std::string archive = readData(name);
        for (std::size_t n = 0; n < archive.size(); ++n)
            EXPECT_TRUE(refused(archive.substr(0, n))) << "length " << n;
    }
}

TEST(SevenZipTest, DamagedSignatureHeaderOrDataIsRefused)
{
    const std::string archive = readData(L"plain.7z");
    std::string badSignature = archive;
    badSignature[1] = 'Z';
    EXPECT_TRUE(refused(badSignature));
    std::string badStartCrc = archive;
    badStartCrc[9] ^= 0x10;
    EXPECT_TRUE(refused(badStartCrc));
    std::string badHeader = archive;
    badHeader[archive.size() - 3] ^= 0x01;
    EXPECT_TRUE(refused(badHeader));
    // Every byte of the packed data is covered by the files' checksums.
    for (std::size_t at = 32; at < 40; ++at) {
        std::string badData = archive;
        badData[at] ^= 0x20;
        EXPECT_TRUE(refused(badData)) << "offset " << at;
    }
}

TEST(SevenZipTest, StoredFileIsReadAndItsCrcChecked)
{
    const std::string content = "stored!";
    FileTable files;
    const std::string good = storedArchive(content, crcOf(content));
    ASSERT_TRUE(unpackSevenZip(good.data(), good.size(), files));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[L"a.txt"], content);

    EXPECT_EQ(refusal(storedArchive(content, crcOf(content) ^ 1)), "folder CRC mismatch");
}

TEST(SevenZipTest, SolidFolderIsSplitIntoFilesEachWithItsOwnCrc)
{
    const std::string end(1, '\0');
    const auto archive = [&](std::uint32_t secondCrc) {
        // One stored folder "helloworld" without a folder checksum; two
        // streams of 5 bytes with their own checksums.
        const std::string streams = storedStreams(
            10, 10, "", "\x08\x0D" + num(2) + "\x09" + num(5) + "\x0A\x01" + le32(crcOf("hello")) + le32(secondCrc) + end);
        const std::string names = end + utf16Name("a.txt") + utf16Name("dir\\b.txt");
        const std::string files = "\x05" + num(2) + "\x11" + num(names.size()) + names + end;
        return buildArchive("helloworld", "\x01\x04" + streams + files + end);
    };
    FileTable files;
    const std::string good = archive(crcOf("world"));
    ASSERT_TRUE(unpackSevenZip(good.data(), good.size(), files));
    EXPECT_EQ(files, (FileTable{{L"a.txt", "hello"}, {L"dir/b.txt", "world"}}));
    EXPECT_EQ(refusal(archive(crcOf("world") + 1)), "file CRC mismatch");
}

TEST(SevenZipTest, ArchiveWithoutEntriesIsEmptyButValid)
{
    FileTable files;
    const std::string empty = buildArchive("", "");
    EXPECT_TRUE(unpackSevenZip(empty.data(), empty.size(), files));
    EXPECT_TRUE(files.empty());
    const std::string headerOnly = buildArchive("", std::string("\x01\x00", 2));
    EXPECT_TRUE(unpackSevenZip(headerOnly.data(), headerOnly.size(), files));
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(unpackSevenZip(nullptr, 0, files));

    // Only an empty file and a folder: no streams at all.
    const std::string end(1, '\0');
    const std::string names = end + utf16Name("e.txt") + utf16Name("d");
    const std::string noStreams = "\x05" + num(2) + "\x0E" + num(1) + "\xC0" + "\x0F" + num(1) + "\x80" + "\x11" +
                                  num(names.size()) + names + end;
    const std::string onlyEmpty = buildArchive("", "\x01" + noStreams + end);
    ASSERT_TRUE(unpackSevenZip(onlyEmpty.data(), onlyEmpty.size(), files));
    EXPECT_EQ(files, (FileTable{{L"e.txt", ""}}));
}

TEST(SevenZipTest, LimitsBoundWhatAnArchiveMayDeclare)
{
    const std::string archive = readData(L"encoded.7z");
    FileTable files;
    std::wstring why;
    ui::skin::SevenZipLimits tight;
    tight.maxUnpackedBytes = 1000; // the archive holds about 14 kB
    EXPECT_FALSE(unpackSevenZip(archive.data(), archive.size(), files, tight, &why));
    EXPECT_EQ(why, L"unpacked size too large");
    tight = ui::skin::SevenZipLimits();
    tight.maxEntries = 3; // five entries, the folder among them
    EXPECT_FALSE(unpackSevenZip(archive.data(), archive.size(), files, tight, &why));
    EXPECT_EQ(why, L"count out of range");
    EXPECT_TRUE(unpackSevenZip(archive.data(), archive.size(), files, ui::skin::SevenZipLimits(), &why));
    EXPECT_EQ(why, L"");
}

TEST(SevenZipTest, HostileHeadersAreRefusedBeforeAllocating)
{
    const std::string end(1, '\0');
    const std::string names = end + utf16Name("a.txt");
    const std::string files = "\x05" + num(1) + "\x11" + num(names.size()) + names + end;

    // A folder that claims a terabyte.
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + storedStreams(3, 1ull << 40, "") + files + end)),
              "unpacked size too large");
    // More entries than any skin has.
    EXPECT_EQ(refusal(buildArchive("", "\x01\x05" + num(1ull << 60) + end + end)), "count out of range");
    // Packed data placed beyond the input.
    std::string beyond = "\x06" + num(1000) + num(1) + "\x09" + num(3) + end;
    beyond += "\x07\x0B" + num(1) + end + "\x01\x01" + end + "\x0C" + num(3) + end + end;
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + beyond + files + end)), "packed data outside the archive");
    // A method this reader does not know (LZMA2).
    std::string lzma2 = "\x06" + num(0) + num(1) + "\x09" + num(3) + end;
    lzma2 += "\x07\x0B" + num(1) + end + "\x01\x21\x21\x01\x18" + "\x0C" + num(3) + end + end;
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + lzma2 + files + end)), "unsupported compression method");
    // Two coders in one folder (a filter chain).
    std::string chain = "\x06" + num(0) + num(1) + "\x09" + num(3) + end;
    chain += "\x07\x0B" + num(1) + end + "\x02\x01" + end + "\x01" + end + "\x0C" + num(3) + num(3) + end + end;
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + chain + files + end)), "unsupported coder chain");
    // A stream but no file for it, and a file but no stream.
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + storedStreams(3, 3, "") + end)), "streams without files");
    EXPECT_EQ(refusal(buildArchive("", "\x01" + files + end)), "more files than streams");
    // Sub-stream sizes larger than their folder.
    const std::string sub = storedStreams(3, 3, "", "\x08\x0D" + num(2) + "\x09" + num(9) + end);
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + sub + files + end)), "streams exceed their folder");
    // A property size running past the header.
    EXPECT_EQ(refusal(buildArchive("", "\x01\x05" + num(1) + "\x11" + num(500) + end)), "field runs past the header");
    // Names for fewer entries than declared.
    const std::string twoFiles = "\x05" + num(2) + "\x0E" + num(1) + "\xC0" + "\x0F" + num(1) + "\xC0" + "\x11" +
                                 num(names.size()) + names + end;
    EXPECT_EQ(refusal(buildArchive("", "\x01" + twoFiles + end)), "names do not match entries");
    // The control: the same shapes with sane values are accepted.
    EXPECT_EQ(refusal(buildArchive("abc", "\x01\x04" + storedStreams(3, 3, "") + files + end)), "");
}

TEST(SevenZipTest, PackedHeaderThatUnpacksToItselfStopsAfterAFewRounds)
{
    // A stored folder whose content is the packed header itself: a loop
    // unless nesting is bounded.
    // Fix point: the header's own size must match what it declares.
    std::string packed;
    for (std::size_t size = 8; size < 64; ++size) {
        const std::string candidate = "\x17" + storedStreams(size, size, "");
        if (candidate.size() == size) packed = candidate;
    }
    ASSERT_FALSE(packed.empty());
    EXPECT_EQ(refusal(buildArchive(packed, packed)), "packed headers nested too deeply");
}

TEST(SevenZipTest, RandomMutationsAreRefusedOrLeaveTheContentsUnchanged)
{
    std::mt19937 random(20261209);
    int refusals = 0;
    for (const wchar_t* name : {L"plain.7z", L"encoded.7z", L"nonsolid.7z"}) {
        const std::string archive = readData(name);
        FileTable original;
        ASSERT_TRUE(unpackSevenZip(archive.data(), archive.size(), original));
        std::uint64_t offset = 0;
        for (int i = 0; i < 8; ++i)
            offset |= static_cast<std::uint64_t>(static_cast<unsigned char>(archive[12 + i])) << (8 * i);
        const std::size_t headerStart = static_cast<std::size_t>(32 + offset);
        for (int round = 0; round < 1500; ++round) {
            std::string mutated = archive;
            const int changes = 1 + round % 4;
            for (int k = 0; k < changes; ++k) {
                // Half the rounds hit the header and re-seal its CRCs, so the
                // parser itself meets the damage rather than the checksum.
                const bool header = round % 2 == 0;
                const std::size_t lo = header ? headerStart : 0;
                const std::size_t at = lo + random() % (mutated.size() - lo);
                mutated[at] = static_cast<char>(random() & 0xFF);
            }
            if (round % 2 == 0) {
                putLe(mutated, 28, ui::skin::crc32(mutated.data() + headerStart, mutated.size() - headerStart), 4);
                putLe(mutated, 8, ui::skin::crc32(mutated.data() + 12, 20), 4);
            }
            FileTable files;
            const bool ok = unpackSevenZip(mutated.data(), mutated.size(), files);
            if (!ok) {
                EXPECT_TRUE(files.empty());
                ++refusals;
            } else if (round % 2 == 1) {
                // Unsealed damage can only pass where it changes nothing.
                EXPECT_EQ(files, original) << "round " << round;
            }
        }
    }
    EXPECT_GT(refusals, 3000);
}

// With three streams the second size is checked against what the first
// left of the folder, not against the whole folder: 2 and 2 of 3 bytes
// must be refused before the last size wraps.
TEST(SevenZipTest, SubStreamSizesMustFitWhatIsLeftOfTheirFolder)
{
    const std::string end(1, '\0');
    const auto archive = [&end](std::uint64_t first, std::uint64_t second) {
        const std::string sizes = "\x09" + num(first) + num(second);
        const std::string streams = storedStreams(3, 3, "", "\x08\x0D" + num(3) + sizes + end);
        const std::string names = end + utf16Name("a") + utf16Name("b") + utf16Name("c");
        const std::string files = "\x05" + num(3) + "\x11" + num(names.size()) + names + end;
        return buildArchive("abc", "\x01\x04" + streams + files + end);
    };
    FileTable files;
    const std::string good = archive(1, 1);
    ASSERT_TRUE(unpackSevenZip(good.data(), good.size(), files));
    EXPECT_EQ(files, (FileTable{{L"a", "a"}, {L"b", "b"}, {L"c", "c"}}));
    const std::string firstTakesAll = archive(3, 0);
    ASSERT_TRUE(unpackSevenZip(firstTakesAll.data(), firstTakesAll.size(), files));
    EXPECT_EQ(files, (FileTable{{L"a", "abc"}, {L"b", ""}, {L"c", ""}}));

    EXPECT_EQ(refusal(archive(2, 2)), "streams exceed their folder");
    EXPECT_EQ(refusal(archive(1, 3)), "streams exceed their folder");
    EXPECT_EQ(refusal(archive(3, 1)), "streams exceed their folder");
}

// Limits looser than memory allows still never let an exception out: the
// archive is refused whole.
TEST(SevenZipTest, SizesBeyondWhatMemoryHoldsAreRefusedWithoutThrowing)
{
    const std::string end(1, '\0');
    const std::string names = end + utf16Name("a.txt");
    const std::string files = "\x05" + num(1) + "\x11" + num(names.size()) + names + end;
    ui::skin::SevenZipLimits loose;
    loose.maxUnpackedBytes = ~0ull;
    for (const std::uint64_t size : {1ull << 62, ~0ull - 1}) {
        const std::string archive = buildArchive("abc", "\x01\x04" + storedStreams(3, size, "") + files + end);
        FileTable table;
        table[L"stale"] = "x";
        std::wstring why;
        bool ok = true;
        EXPECT_NO_THROW(ok = unpackSevenZip(archive.data(), archive.size(), table, loose, &why)) << size;
        EXPECT_FALSE(ok) << size;
        EXPECT_TRUE(table.empty()) << size;
        EXPECT_FALSE(why.empty()) << size;
    }
}
