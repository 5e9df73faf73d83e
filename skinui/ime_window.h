#pragma once
// Where the input method shows what is being typed into a toolkit edit:
// beside its caret, in the edit's face at the window's pixel size. The
// edit is drawn by the toolkit, so the system cannot know either.

#include <windows.h>

#include <string>

namespace SkinUI {

// caret: the caret's rectangle in the window's client pixels.
void placeImeComposition(HWND window, const RECT& caret, const std::wstring& face);

} // namespace SkinUI
