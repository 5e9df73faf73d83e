#include "skinui/markup.h"

namespace SkinUI {

namespace {

struct Look {
    bool hasColor = false;
    DWORD color = 0;
    bool underline = false;
    bool hasUnderlineColor = false;
    DWORD underlineColor = 0;
};

struct Open {
    wchar_t tag;
    Look before;
};

// "#RRGGBB" (blanks around allowed) as an opaque colour.
bool parseTagColor(const std::wstring& text, DWORD& color)
{
    std::size_t b = text.find_first_not_of(L' ');
    std::size_t e = text.find_last_not_of(L' ');
    if (b == std::wstring::npos) return false;
    const std::wstring value = text.substr(b, e - b + 1);
    if (value.size() != 7 || value[0] != L'#') return false;
    DWORD rgb = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const wchar_t c = value[i];
        int digit = -1;
        if (c >= L'0' && c <= L'9') digit = c - L'0';
        else if (c >= L'a' && c <= L'f') digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F') digit = c - L'A' + 10;
        if (digit < 0) return false;
        rgb = (rgb << 4) | static_cast<DWORD>(digit);
    }
    color = 0xFF000000u | rgb;
    return true;
}

bool sameLook(const CTextRun& run, const Look& look)
{
    return run.hasColor == look.hasColor && run.color == look.color && run.underline == look.underline &&
           run.hasUnderlineColor == look.hasUnderlineColor && run.underlineColor == look.underlineColor;
}

void append(std::vector<CTextRun>& runs, const Look& look, const std::wstring& text)
{
    if (text.empty()) return;
    if (!runs.empty() && sameLook(runs.back(), look)) {
        runs.back().text += text;
        return;
    }
    CTextRun run;
    run.text = text;
    run.hasColor = look.hasColor;
    run.color = look.color;
    run.underline = look.underline;
    run.hasUnderlineColor = look.hasUnderlineColor;
    run.underlineColor = look.underlineColor;
    runs.push_back(run);
}

// Applies one tag body ("c #0492D3", "/u", ...); false when it is not a
// tag of the mark-up, so the caller shows it as text.
bool applyTag(const std::wstring& body, Look& look, std::vector<Open>& open)
{
    if (body.empty()) return false;
    if (body[0] == L'/') {
        if (body.size() != 2 || (body[1] != L'c' && body[1] != L'u')) return false;
        // Closes the innermost tag of that name; tags opened inside it
        // end with it.
        for (std::size_t i = open.size(); i-- > 0;) {
            if (open[i].tag == body[1]) {
                look = open[i].before;
                open.resize(i);
                break;
            }
        }
        return true;
    }
    const wchar_t tag = body[0];
    if (tag != L'c' && tag != L'u') return false;
    const std::wstring rest = body.substr(1);
    if (!rest.empty() && rest[0] != L' ') return false;
    DWORD color = 0;
    const bool hasColor = rest.find_first_not_of(L' ') != std::wstring::npos;
    if (hasColor && !parseTagColor(rest, color)) return false;
    if (tag == L'c' && !hasColor) return false;
    open.push_back(Open{tag, look});
    if (tag == L'c') {
        look.hasColor = true;
        look.color = color;
    } else {
        look.underline = true;
        look.hasUnderlineColor = hasColor;
        look.underlineColor = color;
    }
    return true;
}

// The character an entity at text[i] stands for, and its length; 0 when
// there is none.
std::size_t entityAt(const std::wstring& text, std::size_t i, wchar_t& character)
{
    static const struct {
        const wchar_t* name;
        wchar_t character;
    } kEntities[] = {{L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&amp;", L'&'}};
    for (const auto& entity : kEntities) {
        const std::size_t length = std::char_traits<wchar_t>::length(entity.name);
        if (text.compare(i, length, entity.name) == 0) {
            character = entity.character;
            return length;
        }
    }
    return 0;
}

} // namespace

std::vector<CTextRun> parseMarkup(const std::wstring& text)
{
    std::vector<CTextRun> runs;
    std::vector<Open> open;
    Look look;
    std::wstring pending;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == L'<') {
            const std::size_t close = text.find(L'>', i + 1);
            const std::size_t nextOpen = text.find(L'<', i + 1);
            if (close != std::wstring::npos && (nextOpen == std::wstring::npos || close < nextOpen)) {
                Look after = look;
                std::vector<Open> afterOpen = open;
                if (applyTag(text.substr(i + 1, close - i - 1), after, afterOpen)) {
                    append(runs, look, pending);
                    pending.clear();
                    look = after;
                    open.swap(afterOpen);
                    i = close + 1;
                    continue;
                }
            }
        }
        wchar_t character = 0;
        if (const std::size_t length = text[i] == L'&' ? entityAt(text, i, character) : 0) {
            pending += character;
            i += length;
            continue;
        }
        pending += text[i++];
    }
    append(runs, look, pending);
    return runs;
}

std::wstring stripMarkup(const std::wstring& text)
{
    std::wstring plain;
    for (const CTextRun& run : parseMarkup(text)) plain += run.text;
    return plain;
}

std::wstring escapeMarkup(const std::wstring& text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        case L'&': escaped += L"&amp;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

} // namespace SkinUI
