#include "utility/resume_record.h"

#include "utility/text.h"

namespace utility {
namespace resume {

namespace {

constexpr const char* kMagic = "kolvex-resume 1";
// 18 digits stay far below the 64-bit limit.
constexpr std::size_t kMaxDigits = 18;
// A clock that runs a little behind the one that wrote the record is no reason to start over.
constexpr std::int64_t kClockSlackSeconds = 24 * 3600;

bool parseCount(const std::string& text, std::int64_t& value)
{
    // One way to write each number, so a record reads back as it was written.
    if (text.empty() || text.size() > kMaxDigits || (text[0] == '0' && text.size() > 1)) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// The value of the line "key value" (the value may be empty); false when
// the line names another key.
bool takeLine(const std::string& line, const char* key, std::string& value)
{
    const std::string prefix = std::string(key) + " ";
    if (line.compare(0, prefix.size(), prefix) != 0) return false;
    value = line.substr(prefix.size());
    return true;
}

bool isWeakEtag(const std::string& etag) { return etag.size() >= 2 && etag[0] == 'W' && etag[1] == '/'; }

} // namespace

std::wstring recordPathFor(const std::wstring& partialFile) { return partialFile + L".resume"; }

std::string format(const Record& record)
{
    return std::string(kMagic) + "\n" + "url " + wideToUtf8(record.url) + "\n" +
           "total " + std::to_string(record.total) + "\n" + "etag " + record.etag + "\n" +
           "last-modified " + record.lastModified + "\n" + "have " + std::to_string(record.have) + "\n" +
           "saved " + std::to_string(record.savedAt) + "\n";
}

bool parse(const std::string& text, Record& record)
{
    if (text.size() > kMaxRecordBytes) return false;
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return false; // cut off: written only in part
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (lines.size() != 7 || lines[0] != kMagic) return false;
    Record parsed;
    std::string url, total, have, saved;
    if (!takeLine(lines[1], "url", url) || !takeLine(lines[2], "total", total) ||
        !takeLine(lines[3], "etag", parsed.etag) || !takeLine(lines[4], "last-modified", parsed.lastModified) ||
        !takeLine(lines[5], "have", have) || !takeLine(lines[6], "saved", saved))
        return false;
    if (url.empty() || !parseCount(total, parsed.total) || !parseCount(have, parsed.have) ||
        !parseCount(saved, parsed.savedAt))
        return false;
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20) return false;
    parsed.url = utf8ToWide(url);
    if (wideToUtf8(parsed.url) != url) return false; // not UTF-8
    // Both go back to the server in a header.
    if ((!parsed.etag.empty() && !sendableValue(parsed.etag)) ||
        (!parsed.lastModified.empty() && !sendableValue(parsed.lastModified)))
        return false;
    record = parsed;
    return true;
}

bool sendableValue(const std::string& value)
{
    if (value.empty() || value.size() > kMaxValidatorBytes) return false;
    for (char c : value)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

std::string validatorOf(const std::string& etag, const std::string& lastModified)
{
    if (sendableValue(etag) && !isWeakEtag(etag)) return etag;
    if (sendableValue(lastModified)) return lastModified;
    return std::string();
}

const wchar_t* verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Continue: return L"continued";
    case Verdict::Nothing: return L"nothing to continue";
    case Verdict::NoValidator: return L"the server named no validator";
    case Verdict::SizeMismatch: return L"its size does not match the record";
    case Verdict::TooOld: return L"its record is older than 7 days";
    case Verdict::OtherAddress: return L"it came from another address";
    }
    return L"?";
}

Verdict judge(const Record& record, std::int64_t partialSize, std::int64_t now, const std::wstring& url,
              const std::vector<std::wstring>& sameFileUrls)
{
    if (validatorOf(record.etag, record.lastModified).empty()) return Verdict::NoValidator;
    if (record.total <= 0 || record.have > record.total || partialSize < record.have || partialSize > record.total)
        return Verdict::SizeMismatch;
    if (now - record.savedAt > kMaxAgeSeconds || record.savedAt - now > kClockSlackSeconds) return Verdict::TooOld;
    // The same address, or two that serve the same file.
    bool recordListed = false;
    bool askedListed = false;
    for (const std::wstring& listed : sameFileUrls) {
        recordListed = recordListed || record.url == listed;
        askedListed = askedListed || url == listed;
    }
    if (record.url != url && !(recordListed && askedListed)) return Verdict::OtherAddress;
    // A whole file is checked by a fresh download rather than a range past its end.
    if (record.have <= 0 || record.have == record.total) return Verdict::Nothing;
    return Verdict::Continue;
}

bool parseContentRange(const std::string& text, std::int64_t& first, std::int64_t& last, std::int64_t& total)
{
    const std::string unit = "bytes ";
    if (text.compare(0, unit.size(), unit) != 0) return false;
    const std::size_t dash = text.find('-', unit.size());
    const std::size_t slash = text.find('/', unit.size());
    if (dash == std::string::npos || slash == std::string::npos || dash > slash) return false;
    return parseCount(text.substr(unit.size(), dash - unit.size()), first) &&
           parseCount(text.substr(dash + 1, slash - dash - 1), last) && parseCount(text.substr(slash + 1), total) &&
           first <= last && last < total;
}

bool rangeFits(const std::string& contentRange, const std::string& etag, const std::string& lastModified,
               const Record& record, std::int64_t offset)
{
    std::int64_t first = 0, last = 0, total = 0;
    if (!parseContentRange(contentRange, first, last, total)) return false;
    if (first != offset || total != record.total || last != total - 1) return false;
    const std::string sent = validatorOf(record.etag, record.lastModified);
    return !sent.empty() && (sent == etag || sent == lastModified);
}

} // namespace resume
} // namespace utility
