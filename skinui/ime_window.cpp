#include "skinui/ime_window.h"

#include <imm.h>

#include <cwchar>

namespace SkinUI {

void placeImeComposition(HWND window, const RECT& caret, const std::wstring& face)
{
    HIMC context = ::ImmGetContext(window);
    if (!context) return;
    COMPOSITIONFORM form = {};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos.x = caret.left;
    form.ptCurrentPos.y = caret.top;
    ::ImmSetCompositionWindow(context, &form);
    LOGFONTW font = {};
    font.lfHeight = -(caret.bottom - caret.top);
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    ::ImmSetCompositionFontW(context, &font);
    ::ImmReleaseContext(window, context);
}

} // namespace SkinUI
