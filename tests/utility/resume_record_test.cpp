// The record beside a partial download: its text, and the decisions that
// let a partial be continued.

#include "utility/resume_record.h"

#include <gtest/gtest.h>

using namespace utility::resume;

namespace {

constexpr std::int64_t kNow = 1700000000;

Record sample()
{
    Record record;
    record.url = L"http://mirror.example/main/rizodi.exe";
    record.total = 1000;
    record.etag = "\"abc\"";
    record.have = 600;
    record.savedAt = kNow - 100;
    return record;
}

} // namespace

TEST(ResumeRecordTest, RecordReadsBackAndAnythingElseIsRefused)
{
    Record record = sample();
    record.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    const std::string text = format(record);
    Record back;
    ASSERT_TRUE(parse(text, back));
    EXPECT_EQ(back.url, record.url);
    EXPECT_EQ(back.total, 1000);
    EXPECT_EQ(back.etag, record.etag);
    EXPECT_EQ(back.lastModified, record.lastModified);
    EXPECT_EQ(back.have, 600);
    EXPECT_EQ(back.savedAt, record.savedAt);

    // The text on disk outlives a release: it stays as it is.
    EXPECT_EQ(format(sample()), "kolvex-resume 1\nurl http://mirror.example/main/rizodi.exe\ntotal 1000\n"
                                "etag \"abc\"\nlast-modified \nhave 600\nsaved 1699999900\n");
    // Anything but one whole record is refused (the fuzz target tries the rest).
    const std::string bad[] = {
        "",
        text.substr(0, text.size() - 1),                          // cut off by a power cut
        text + "have 700\n",                                      // a line more
        "kolvex-resume 2" + text.substr(text.find('\n')),        // another format
        text.substr(0, text.find("total")) + "total 1e3" + text.substr(text.find("\netag")), // not a number
        text.substr(0, text.find("etag")) + "etag \"a\rb\"" + text.substr(text.find("\nlast")), // not sendable
        text + std::string(kMaxRecordBytes, ' '),                 // too large
    };
    for (const std::string& c : bad) EXPECT_FALSE(parse(c, back)) << c;
}

TEST(ResumeRecordTest, OnlyAVouchedPartialIsContinued)
{
    const std::wstring url = sample().url;
    const std::wstring spare = L"http://spare.example/spare/rizodi.exe";
    const struct {
        const char* what;
        void (*change)(Record&);
        std::int64_t partial;
        const wchar_t* askedUrl;
        Verdict verdict;
    } cases[] = {
        {"as recorded", [](Record&) {}, 600, nullptr, Verdict::Continue},
        {"the spare serving the same file", [](Record&) {}, 600, L"http://spare.example/spare/rizodi.exe", Verdict::Continue},
        {"an unknown address", [](Record&) {}, 600, L"http://elsewhere/rizodi.exe", Verdict::OtherAddress},
        {"no validator", [](Record& r) { r.etag.clear(); }, 600, nullptr, Verdict::NoValidator},
        {"a weak ETag alone", [](Record& r) { r.etag = "W/\"abc\""; }, 600, nullptr, Verdict::NoValidator},
        {"a weak ETag and a date", [](Record& r) { r.etag = "W/\"abc\""; r.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT"; },
         600, nullptr, Verdict::Continue},
        {"a partial shorter than the record", [](Record&) {}, 599, nullptr, Verdict::SizeMismatch},
        {"a partial longer than the file", [](Record&) {}, 1001, nullptr, Verdict::SizeMismatch},
        {"more had than the file holds", [](Record& r) { r.have = 1200; }, 1200, nullptr, Verdict::SizeMismatch},
        {"exactly 7 days old", [](Record& r) { r.savedAt = kNow - kMaxAgeSeconds; }, 600, nullptr, Verdict::Continue},
        {"older than 7 days", [](Record& r) { r.savedAt = kNow - kMaxAgeSeconds - 1; }, 600, nullptr, Verdict::TooOld},
        {"written 2 days ahead of this clock", [](Record& r) { r.savedAt = kNow + 2 * 86400; }, 600, nullptr,
         Verdict::TooOld},
        {"nothing on disk yet", [](Record& r) { r.have = 0; }, 0, nullptr, Verdict::Nothing},
        {"the whole file", [](Record& r) { r.have = 1000; }, 1000, nullptr, Verdict::Nothing},
    };
    for (const auto& c : cases) {
        Record record = sample();
        c.change(record);
        EXPECT_EQ(judge(record, c.partial, kNow, c.askedUrl ? c.askedUrl : url, {url, spare}), c.verdict) << c.what;
    }
    // Without the list only the recorded address continues.
    EXPECT_EQ(judge(sample(), 600, kNow, spare, {}), Verdict::OtherAddress);
}

TEST(ResumeRecordTest, RangeAnswerMustContinueTheRecordedFile)
{
    const Record record = sample();
    Record byDate = sample();
    byDate.etag.clear();
    byDate.lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    const struct {
        const char* what;
        const Record* record;
        const char* contentRange;
        const char* etag;
        const char* lastModified;
        bool fits;
    } cases[] = {
        {"the rest of the same file", &record, "bytes 600-999/1000", "\"abc\"", "", true},
        {"the same file by its date", &byDate, "bytes 600-999/1000", "", "Tue, 15 Nov 1994 08:12:31 GMT", true},
        {"another start", &record, "bytes 0-999/1000", "\"abc\"", "", false},
        {"not to the end", &record, "bytes 600-899/1000", "\"abc\"", "", false},
        {"another size", &record, "bytes 600-1199/1200", "\"abc\"", "", false},
        {"another ETag", &record, "bytes 600-999/1000", "\"xyz\"", "", false},
        {"no validator in the answer", &record, "bytes 600-999/1000", "", "", false},
        {"an unknown size", &record, "bytes 600-999/*", "\"abc\"", "", false},
        {"unsatisfiable form", &record, "bytes */1000", "\"abc\"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rangeFits(c.contentRange, c.etag, c.lastModified, *c.record, 600), c.fits) << c.what;
    EXPECT_EQ(validatorOf("W/\"x\"", ""), "");
    EXPECT_EQ(validatorOf("\"x\"", "date"), "\"x\"");
    EXPECT_EQ(recordPathFor(L"C:\\k\\rizodi.exe.tmp"), L"C:\\k\\rizodi.exe.tmp.resume");
}
