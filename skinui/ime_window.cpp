#include "skinui/ime_window.h"

#include "platform/system_library.h"

#include <imm.h>

namespace SkinUI {

namespace {

using GetContextFn = HIMC WINAPI(HWND);
using ReleaseContextFn = BOOL WINAPI(HWND, HIMC);
using SetWindowFn = BOOL WINAPI(HIMC, LPCOMPOSITIONFORM);
using SetFontFn = BOOL WINAPI(HIMC, LPLOGFONTW);

// Not on XP's list of known libraries: taken from the system folder at run
// time, never from beside the program.
HMODULE imm32()
{
    static const HMODULE module = platform::loadSystemLibrary(L"imm32.dll");
    return module;
}

} // namespace

void placeImeComposition(HWND window, const RECT& caret, const std::wstring& face)
{
    auto getContext = platform::procAddress<GetContextFn>(imm32(), "ImmGetContext");
    auto releaseContext = platform::procAddress<ReleaseContextFn>(imm32(), "ImmReleaseContext");
    auto setWindow = platform::procAddress<SetWindowFn>(imm32(), "ImmSetCompositionWindow");
    auto setFont = platform::procAddress<SetFontFn>(imm32(), "ImmSetCompositionFontW");
    if (!getContext || !releaseContext || !setWindow || !setFont) return;
    HIMC context = getContext(window);
    if (!context) return;
    COMPOSITIONFORM form = {};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos.x = caret.left;
    form.ptCurrentPos.y = caret.top;
    setWindow(context, &form);
    LOGFONTW font = {};
    font.lfHeight = -(caret.bottom - caret.top);
    font.lfCharSet = DEFAULT_CHARSET;
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    setFont(context, &font);
    releaseContext(window, context);
}

} // namespace SkinUI
