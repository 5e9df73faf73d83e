#pragma once
// Value forms of layout attributes: colours, rectangles, sizes, booleans
// and image descriptions. Each returns false on a malformed value and
// leaves its output untouched.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace SkinUI {

// "#AARRGGBB", "#RRGGBB" (alpha zero) or "0xAARRGGBB".
bool parseColor(const std::wstring& text, DWORD& color);
// "l,t,r,b"; blanks around the numbers are allowed.
bool parseRect(const std::wstring& text, RECT& rect);
// "w,h".
bool parseSize(const std::wstring& text, SIZE& size);
bool parseInt(const std::wstring& text, int& value);
// "true" / "false".
bool parseBool(const std::wstring& text, bool& value);

// A picture and how to draw it: a bare file name, or quoted key=value
// pairs (file, source, dest, corner, mask).
struct CImageDesc {
    std::wstring file;
    bool hasSource = false;
    RECT source = {0, 0, 0, 0};
    bool hasDest = false;
    RECT dest = {0, 0, 0, 0};
    RECT corner = {0, 0, 0, 0};
    bool hasMask = false;
    DWORD mask = 0;
    // As written, so the attribute can be read back.
    std::wstring text;
};

bool parseImage(const std::wstring& text, CImageDesc& image);

// name="value" pairs as in a Default element's value.
bool parseAttributeList(const std::wstring& text, std::vector<std::pair<std::wstring, std::wstring>>& pairs);

} // namespace SkinUI
