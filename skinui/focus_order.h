#pragma once
// Which control takes the keyboard focus and what a key does: plain
// decisions over a control tree, no window. The window (window_keys.cpp)
// carries them out.

#include "skinui/control.h"

#include <vector>

namespace SkinUI {

// The control and all its ancestors are visible.
bool isShown(const CControlUI& control);
// A button, option, edit or rich edit that is shown, enabled, takes the
// mouse and has room on the screen.
bool canTakeFocus(const CControlUI& control);

// The controls that take the focus, in the order Tab visits them: the
// "taborder" attribute first (lower first, 0 when missing), then reading
// order: lines from top to bottom (a control whose middle lies within the
// first control of a line joins that line), left to right within a line;
// tree order breaks ties.
std::vector<CControlUI*> focusChain(CControlUI& root);

// The next (or previous) control of the chain after current, wrapping;
// with no current (or one not in the chain), the first (or last).
CControlUI* nextInChain(const std::vector<CControlUI*>& chain, const CControlUI* current, bool forward);

// Among the controls of the chain that share current's container, the
// next (or previous) one, wrapping: arrows move within a row of buttons.
CControlUI* nextInRow(const std::vector<CControlUI*>& chain, const CControlUI* current, bool forward);

// Where the focus goes when the focused control can no longer have it:
// the first control of the chain that comes after gone's place (its last
// rectangle), wrapping; null for an empty chain.
CControlUI* successorOf(CControlUI& root, const CControlUI& gone);

// The window's default button: the first shown, enabled control with
// "default" set to true.
CControlUI* defaultButton(CControlUI& root);

enum class NavKey { Tab, Enter, Space, Left, Right, Up, Down, PageUp, PageDown, Home, End, Other };
// What has the focus, as far as keys care.
enum class FocusKind { None, Button, Option, Edit, Text };

enum class KeyCommand {
    None,
    NextFocus,
    PreviousFocus,
    ActivateFocused,  // as a click, at once
    PressFocused,     // Space: pressed now, a click when released
    ActivateDefault,  // the default button
    NextInRow,
    PreviousInRow,
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    Top,
    Bottom,
};

FocusKind focusKindOf(const CControlUI* control);

// The command of a key press. Edits handle their own editing keys before
// this is asked; Alt combinations belong to the system.
KeyCommand keyCommand(NavKey key, bool shift, bool alt, FocusKind focused);

// Whether a key shows the focus ring, as on Windows: Tab and the arrows.
bool showsFocusCues(NavKey key);

// Scroll offset for a dragged scroll thumb: thumbTop pixels down a travel
// of travel pixels, over a text that scrolls up to maxScroll.
int scrollForThumb(int thumbTop, int travel, int maxScroll);

} // namespace SkinUI
