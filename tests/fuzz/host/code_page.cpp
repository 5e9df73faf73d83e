// Host stand-in for the system's code-page conversions: UTF-8 <-> UTF-16
// units as Windows makes them (invalid bytes become U+FFFD, characters
// beyond the BMP become surrogate pairs); the ANSI code page is Latin-1.

#include "utility/text.h"

namespace utility {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::wstring fromUtf8(const unsigned char* p, std::size_t n)
{
    std::wstring out;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        unsigned long cp = 0;
        std::size_t len = 0;
        if (b < 0x80) { cp = b; len = 1; }
        else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; len = 2; }
        else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; len = 3; }
        else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; len = 4; }
        else { out.push_back(kReplacement); ++i; continue; }
        if (i + len > n) { out.push_back(kReplacement); ++i; continue; }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        const unsigned long minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(cp));
        }
        i += len;
    }
    return out;
}

void appendUtf8(std::string& out, unsigned long cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::wstring toWide(const char* text, int length, unsigned)
{
    if (!text || length < -1) return std::wstring();
    const std::size_t n = length == -1 ? std::char_traits<char>::length(text) : static_cast<std::size_t>(length);
    return fromUtf8(reinterpret_cast<const unsigned char*>(text), n);
}

std::wstring utf8ToWide(const std::string& text)
{
    return fromUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

std::wstring ansiToWide(const std::string& text)
{
    std::wstring out;
    for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c));
    return out;
}

std::string wideToUtf8(const std::wstring& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long unit = static_cast<unsigned long>(text[i]) & 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
            const unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFF;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
    return out;
}

std::string wideToAnsi(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

} // namespace utility
