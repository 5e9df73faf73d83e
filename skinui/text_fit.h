#pragma once
// Whether the texts of a laid-out window fit their boxes with the fonts a
// painter makes for the window's DPI: a check for layouts and texts at
// every display scale (tests, the gallery tool).

#include "skinui/control.h"
#include "skinui/painter.h"

#include <string>
#include <vector>

namespace SkinUI {

struct CTextFit {
    std::wstring name;
    // Pixels the text takes and the text rectangle offers: one line's
    // width and height, or the wrapped height of a multi-line text.
    int neededWidth = 0;
    int roomWidth = 0;
    int neededHeight = 0;
    int roomHeight = 0;
    bool fits() const { return neededWidth <= roomWidth && neededHeight <= roomHeight; }
};

// Every shown label, button and option under root with a text. Edits are
// left out: their text scrolls.
std::vector<CTextFit> measureTexts(CPainter& painter, CControlUI& root);

} // namespace SkinUI
