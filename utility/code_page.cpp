// The conversions between UTF-16 and the byte encodings, through the
// system's code pages; the rest of the text helpers need no system.

#include "utility/text.h"

#include <windows.h>

namespace utility {

std::wstring toWide(const char* text, int length, unsigned codePage)
{
    if (!text || length < -1) return std::wstring();
    int needed = ::MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (length == -1 && needed > 0) --needed; // the NUL that the call counted
    if (needed <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    const int inputLength = length == -1 ? static_cast<int>(std::char_traits<char>::length(text)) : length;
    ::MultiByteToWideChar(codePage, 0, text, inputLength, &out[0], needed);
    return out;
}

std::wstring ansiToWide(const std::string& text)
{
    return toWide(text.data(), static_cast<int>(text.size()), CP_ACP);
}

std::wstring utf8ToWide(const std::string& text)
{
    return toWide(text.data(), static_cast<int>(text.size()), CP_UTF8);
}

namespace {

std::string fromWide(const std::wstring& text, unsigned codePage)
{
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int needed = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], needed, nullptr, nullptr);
    return out;
}

} // namespace

std::string wideToAnsi(const std::wstring& text) { return fromWide(text, CP_ACP); }

std::string wideToUtf8(const std::wstring& text) { return fromWide(text, CP_UTF8); }

} // namespace utility
