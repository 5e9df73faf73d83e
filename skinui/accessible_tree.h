#pragma once
// What a screen reader is told about a window's controls: which controls
// are its accessible children, their role, name, value and state, and the
// events a change between two looks at the tree calls for. Plain functions
// over the control tree; the COM object (accessible.h) answers with them.
// Roles, states and events are the MSAA numbers.

#include "skinui/control.h"

#include <map>
#include <string>
#include <vector>

namespace SkinUI {

// Layout attributes read here:
//   role="link" | "graphic" | "text" | "button" | "none"  what the control is
//   accname="..."      its name ("@key" takes the multi-language text)
//   labelledby="name"  the shown text of that control is its name
//   default="true"     the window's default button

// 0 for controls a screen reader does not see (containers, spacers,
// plain pictures).
long accessibleRole(const CControlUI& control);

// The controls with a role, in tree order; child id = index + 1.
std::vector<CControlUI*> accessibleControls(CControlUI& root);
// 0 (the window itself) when the control is not a child.
long childIdOf(CControlUI& root, const CControlUI* control);

std::wstring accessibleName(const CControlUI& control, CControlUI& root);
// The edit's text, the rich edit's whole text, a bar's percentage ("40%");
// false for controls without a value.
bool accessibleValue(const CControlUI& control, std::wstring& value);
// "Press", "Check", "Uncheck", "Jump"; empty when there is none.
std::wstring defaultActionOf(const CControlUI& control);

struct AccessibleContext {
    const CControlUI* focused = nullptr;
    const CControlUI* defaultButton = nullptr;
    // Whether the window has the keyboard focus: only then is a control
    // "focused" for a screen reader.
    bool windowFocused = false;
};
unsigned long accessibleState(const CControlUI& control, const AccessibleContext& context);

// One child as last told.
struct AccessibleItem {
    CControlUI* control = nullptr;
    std::wstring name;
    std::wstring value;
    unsigned long state = 0; // without the passing states (focused, hot, pressed)
};
std::vector<AccessibleItem> describeChildren(CControlUI& root, const AccessibleContext& context);

struct AccessibleEvent {
    unsigned long event = 0;
    CControlUI* control = nullptr; // null: the window itself
};

// Shown or hidden (EVENT_OBJECT_SHOW / HIDE), other state changes, name
// and value changes of shown children, and a reorder of the window when
// children came or went.
std::vector<AccessibleEvent> accessibleChanges(const std::vector<AccessibleItem>& before,
                                               const std::vector<AccessibleItem>& after);

// Value changes of progress bars reach a screen reader at most once a
// second, and the last one always: a change within the second waits.
class CValueThrottle {
public:
    static const unsigned long kIntervalMs = 1000;
    // True: tell now. False: held until due() gives it.
    bool offer(CControlUI* control, unsigned long now, bool final);
    // The held controls whose second has passed; they are no longer held.
    std::vector<CControlUI*> due(unsigned long now);
    bool holding() const;

private:
    struct Entry {
        unsigned long told = 0;
        bool everTold = false;
        bool held = false;
    };
    std::map<CControlUI*, Entry> entries_;
};

} // namespace SkinUI
