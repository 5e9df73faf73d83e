#pragma once
// The record kept beside a partial download (its name + ".resume") that lets
// a later run continue it: where it came from, the size of the whole file,
// the server's validator, how much of it is safely on disk and when that was
// written. The decisions are plain functions; reads are bounded.

#include <cstdint>
#include <string>
#include <vector>

namespace utility {
namespace resume {

constexpr std::size_t kMaxRecordBytes = 4096;
// A longer validator is not kept: it would not be sent back either.
constexpr std::size_t kMaxValidatorBytes = 256;
constexpr std::int64_t kMaxAgeSeconds = 7 * 24 * 3600;

struct Record {
    std::wstring url;
    std::int64_t total = 0;   // bytes of the whole file
    std::string etag;         // strong ETag as the server sent it, or empty
    std::string lastModified; // HTTP date as the server sent it, or empty
    std::int64_t have = 0;    // bytes of the partial known to be on disk
    std::int64_t savedAt = 0; // seconds since 1970, UTC
};

std::wstring recordPathFor(const std::wstring& partialFile);

std::string format(const Record& record);
// False for anything but one whole record as format writes it.
bool parse(const std::string& text, Record& record);

// A header value that may be kept and sent back: printable ASCII, bounded.
bool sendableValue(const std::string& value);
// The If-Range value: the strong ETag, else Last-Modified; empty when there
// is neither (a weak ETag cannot vouch for bytes).
std::string validatorOf(const std::string& etag, const std::string& lastModified);

enum class Verdict { Continue, Nothing, NoValidator, SizeMismatch, TooOld, OtherAddress };
const wchar_t* verdictText(Verdict verdict);

// Whether the partial file (partialSize bytes) may be continued from
// record.have with a request to url; sameFileUrls name the addresses that
// serve the same file (the server still has to confirm it is).
Verdict judge(const Record& record, std::int64_t partialSize, std::int64_t now, const std::wstring& url,
              const std::vector<std::wstring>& sameFileUrls);

// "bytes first-last/total"; false for anything else (also "*" forms).
bool parseContentRange(const std::string& text, std::int64_t& first, std::int64_t& last, std::int64_t& total);
// Whether a 206 answer continues the partial at offset: its range runs from
// there to the end of a file of the record's size, and it carries the very
// validator the request named.
bool rangeFits(const std::string& contentRange, const std::string& etag, const std::string& lastModified,
               const Record& record, std::int64_t offset);

// The record file; false when it is missing, larger than kMaxRecordBytes,
// unreadable or malformed.
bool readRecordFile(const std::wstring& path, Record& record);
// Deletes the record of a partial file, if there is one.
void removeRecordFile(const std::wstring& partialFile);
// Written and flushed to the disk; false (the system's error kept) on failure.
bool writeRecordFile(const std::wstring& path, const Record& record);
// Seconds since 1970 from the system clock.
std::int64_t systemSeconds();

} // namespace resume
} // namespace utility
