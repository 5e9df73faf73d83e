#pragma once
// The small mark-up of "showhtml" labels: <c #RRGGBB>coloured</c> and
// <u [#RRGGBB]>underlined</u>, nested; "&lt;", "&gt;" and "&amp;" stand for
// "<", ">" and "&". Anything else that looks like a tag is shown as
// written, so a stray "<" never loses text.

#include <windows.h>

#include <string>
#include <vector>

namespace SkinUI {

struct CTextRun {
    std::wstring text;
    bool hasColor = false;
    DWORD color = 0; // 0xAARRGGBB, alpha always 0xFF
    bool underline = false;
    bool hasUnderlineColor = false;
    DWORD underlineColor = 0;
};

// Runs in reading order; neighbouring runs with the same look are merged.
// An unclosed tag lasts to the end; a closing tag without its opening one
// is dropped.
std::vector<CTextRun> parseMarkup(const std::wstring& text);

// The same text without any tag.
std::wstring stripMarkup(const std::wstring& text);

// Text that a label shows exactly as given, whatever tags it holds: every
// text from outside goes through it before it joins mark-up.
std::wstring escapeMarkup(const std::wstring& text);

} // namespace SkinUI
