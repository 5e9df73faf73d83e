#pragma once
// Paints a window's control tree with a painter: background colour and
// image, the state image of buttons, options and edits, text (plain or
// mark-up), progress fill, the rich edit's wrapped text and scroll thumb.

#include "skinui/layout_builder.h"
#include "skinui/painter.h"

namespace SkinUI {

struct CPaintOptions {
    // The edit caret is drawn only in the "on" half of its blink.
    bool caretOn = true;
    // Only controls that meet this rectangle are painted; null for all.
    const RECT* dirty = nullptr;
    // The control that shows the focus ring, drawn over everything; null
    // while the ring is hidden.
    const CControlUI* focusRing = nullptr;
};

// The layered image first (the window's shadow), then the tree.
void paintWindow(CPainter& painter, CWindowLayout& layout, const CPaintOptions& options);
void paintControl(CPainter& painter, CControlUI& control, const CWindowLayout& layout, const CPaintOptions& options);

// Where a control's focus ring lies: just around it, as far out at dpi as
// the ring is wide. Repainting a control covers this much.
RECT focusRingRect(const CControlUI& control, int dpi);

// The text rectangle of a control: its rectangle less its text padding.
RECT textRect(const CControlUI& control);
// The caret of an edit in window pixels, as the last paint placed it.
RECT editCaretRect(CPainter& painter, const CEditUI& edit);
// Index of the character boundary of an edit nearest to window x.
std::size_t editHitTest(CPainter& painter, const CEditUI& edit, int x);
// The thumb of a rich edit's scroll bar in window coordinates; empty when
// the text fits.
RECT richEditThumb(const CRichEditUI& edit, const CWindowLayout& layout);

} // namespace SkinUI
