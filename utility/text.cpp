#include "utility/text.h"

#include <cwctype>
#include <string>

namespace utility {

namespace {

template <typename String>
void trimBlanksOf(String& text)
{
    const auto first = text.find_first_not_of(typename String::value_type(' '));
    if (first == String::npos) {
        text.clear();
        return;
    }
    const auto last = text.find_last_not_of(typename String::value_type(' '));
    text = text.substr(first, last - first + 1);
}

template <typename String>
bool endsWithOf(const String& text, const String& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

void trimBlanks(std::string& text) { trimBlanksOf(text); }

void trimBlanks(std::wstring& text) { trimBlanksOf(text); }

std::wstring lowered(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

void splitTrimmed(std::list<std::wstring>& pieces, const std::wstring& text, const std::wstring& separator)
{
    if (text.empty() || separator.empty()) return;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        std::wstring piece = text.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start);
        trimBlanks(piece);
        pieces.push_back(piece);
        if (at == std::wstring::npos) return;
        start = at + separator.size();
    }
}

void parseKeyValues(std::map<std::wstring, std::wstring>& values, const std::list<std::wstring>& list,
                    const std::wstring& separator)
{
    if (separator.empty()) return;
    for (const std::wstring& item : list) {
        const std::size_t at = item.find(separator);
        if (at == std::wstring::npos) continue;
        std::wstring key = item.substr(0, at);
        trimBlanks(key);
        if (key.empty()) continue;
        for (wchar_t& c : key)
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        std::wstring value = item.substr(at + separator.size());
        trimBlanks(value);
        values[key] = value;
    }
}

bool findValue(std::wstring& value, const std::map<std::wstring, std::wstring>& values, const std::wstring& key)
{
    const auto it = values.find(key);
    if (it == values.end()) return false;
    value = it->second;
    return true;
}

bool endsWith(const std::string& text, const std::string& suffix) { return endsWithOf(text, suffix); }

bool endsWith(const std::wstring& text, const std::wstring& suffix) { return endsWithOf(text, suffix); }

std::wstring int64ToWide(std::int64_t value) { return std::to_wstring(value); }

} // namespace utility
