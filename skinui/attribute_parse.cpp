#include "skinui/attribute_parse.h"

#include <cwchar>
#include <cwctype>

namespace SkinUI {

namespace {

bool parseHex(const std::wstring& digits, DWORD& value)
{
    DWORD v = 0;
    for (wchar_t c : digits) {
        unsigned d;
        if (c >= L'0' && c <= L'9') d = c - L'0';
        else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
        else return false;
        v = (v << 4) | d;
    }
    value = v;
    return true;
}

std::wstring trimmed(const std::wstring& text)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && std::iswspace(text[b])) ++b;
    while (e > b && std::iswspace(text[e - 1])) --e;
    return text.substr(b, e - b);
}

// Comma-separated integers, exactly count of them.
bool parseInts(const std::wstring& text, int* out, int count)
{
    int values[4] = {0, 0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t comma = text.find(L',', start);
        const bool last = i == count - 1;
        if (last != (comma == std::wstring::npos)) return false;
        if (!parseInt(text.substr(start, last ? std::wstring::npos : comma - start), values[i])) return false;
        start = comma + 1;
    }
    for (int i = 0; i < count; ++i) out[i] = values[i];
    return true;
}

} // namespace

bool parseColor(const std::wstring& text, DWORD& color)
{
    const std::wstring t = trimmed(text);
    if (t.size() == 9 && t[0] == L'#') return parseHex(t.substr(1), color);
    if (t.size() == 7 && t[0] == L'#') return parseHex(t.substr(1), color);
    if (t.size() == 10 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) return parseHex(t.substr(2), color);
    return false;
}

bool parseInt(const std::wstring& text, int& value)
{
    const std::wstring t = trimmed(text);
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == L'-';
    if (negative) ++i;
    if (i >= t.size() || t.size() - i > 9) return false;
    int v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < L'0' || t[i] > L'9') return false;
        v = v * 10 + (t[i] - L'0');
    }
    value = negative ? -v : v;
    return true;
}

bool parseRect(const std::wstring& text, RECT& rect)
{
    int v[4];
    if (!parseInts(text, v, 4)) return false;
    rect = {v[0], v[1], v[2], v[3]};
    return true;
}

bool parseSize(const std::wstring& text, SIZE& size)
{
    int v[2];
    if (!parseInts(text, v, 2)) return false;
    size = {v[0], v[1]};
    return true;
}

bool parseBool(const std::wstring& text, bool& value)
{
    const std::wstring t = trimmed(text);
    if (t == L"true") value = true;
    else if (t == L"false") value = false;
    else return false;
    return true;
}

bool parseImage(const std::wstring& text, CImageDesc& image)
{
    CImageDesc result;
    result.text = text;
    const std::wstring t = trimmed(text);
    if (t.find(L'=') == std::wstring::npos) {
        result.file = t;
        image = result;
        return true;
    }
    std::size_t pos = 0;
    while (pos < t.size()) {
        while (pos < t.size() && std::iswspace(t[pos])) ++pos;
        if (pos >= t.size()) break;
        const std::size_t eq = t.find(L'=', pos);
        if (eq == std::wstring::npos) return false;
        const std::wstring key = trimmed(t.substr(pos, eq - pos));
        pos = eq + 1;
        while (pos < t.size() && std::iswspace(t[pos])) ++pos;
        std::wstring value;
        if (pos < t.size() && (t[pos] == L'\'' || t[pos] == L'"')) {
            const std::size_t close = t.find(t[pos], pos + 1);
            if (close == std::wstring::npos) return false;
            value = t.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        } else {
            const std::size_t end = t.find_first_of(L" \t\r\n", pos);
            value = t.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
            pos = end == std::wstring::npos ? t.size() : end;
        }
        if (key == L"file") result.file = value;
        else if (key == L"source") {
            if (!parseRect(value, result.source)) return false;
            result.hasSource = true;
        } else if (key == L"dest") {
            if (!parseRect(value, result.dest)) return false;
            result.hasDest = true;
        } else if (key == L"corner") {
            if (!parseRect(value, result.corner)) return false;
        } else if (key == L"mask") {
            if (!parseColor(value, result.mask)) return false;
            result.hasMask = true;
        }
        // Other keys (fade, hole, tiling) do not change where pixels come from.
    }
    if (result.file.empty()) return false;
    image = result;
    return true;
}

bool parseAttributeList(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& pairs)
{
    std::vector<std::pair<std::wstring, std::wstring>> result;
    std::size_t pos = 0;
    for (;;) {
        while (pos < text.size() && std::iswspace(text[pos])) ++pos;
        if (pos >= text.size()) break;
        const std::size_t eq = text.find(L'=', pos);
        if (eq == std::wstring::npos) return false;
        const std::wstring name = trimmed(text.substr(pos, eq - pos));
        std::size_t open = eq + 1;
        while (open < text.size() && std::iswspace(text[open])) ++open;
        if (name.empty() || open >= text.size() || text[open] != L'"') return false;
        const std::size_t close = text.find(L'"', open + 1);
        if (close == std::wstring::npos) return false;
        result.emplace_back(name, text.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    pairs.swap(result);
    return true;
}

} // namespace SkinUI
