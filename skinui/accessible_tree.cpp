#include "skinui/accessible_tree.h"

#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/focus_order.h"
#include "skinui/markup.h"
#include "skinui/multi_language.h"

#include <oleacc.h>

#include <algorithm>

namespace SkinUI {

namespace {

// States that pass with the mouse and the keyboard; they get no state
// event of their own.
const unsigned long kPassingStates = STATE_SYSTEM_FOCUSED | STATE_SYSTEM_HOTTRACKED | STATE_SYSTEM_PRESSED;
const unsigned long kShownStates = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_FOCUSABLE;

void collect(CControlUI& control, std::vector<CControlUI*>& out)
{
    if (accessibleRole(control) != 0) out.push_back(&control);
    if (CContainerUI* container = control.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i) collect(*container->itemAt(i), out);
}

// The text as the user reads it: multi-language keys resolved, mark-up
// dropped, line breaks as blanks.
std::wstring shownText(const CControlUI& control)
{
    std::wstring text = control.displayText();
    if (control.showHtml()) text = stripMarkup(text);
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

bool isSelectedOption(const CControlUI& control)
{
    const auto* option = dynamic_cast<const COptionUI*>(&control);
    return option && option->isSelected();
}

const AccessibleItem* itemOf(const std::vector<AccessibleItem>& items, const CControlUI* control)
{
    for (const AccessibleItem& item : items)
        if (item.control == control) return &item;
    return nullptr;
}

} // namespace

long accessibleRole(const CControlUI& control)
{
    const std::wstring role = control.attribute(L"role");
    if (role == L"none" || dynamic_cast<const CContainerUI*>(&control)) return 0;
    if (role == L"link") return ROLE_SYSTEM_LINK;
    if (role == L"graphic") return ROLE_SYSTEM_GRAPHIC;
    if (role == L"text") return ROLE_SYSTEM_STATICTEXT;
    if (role == L"button") return ROLE_SYSTEM_PUSHBUTTON;
    if (const auto* option = dynamic_cast<const COptionUI*>(&control))
        return option->group().empty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
    if (dynamic_cast<const CButtonUI*>(&control)) return ROLE_SYSTEM_PUSHBUTTON;
    if (dynamic_cast<const CEditUI*>(&control) || dynamic_cast<const CRichEditUI*>(&control)) return ROLE_SYSTEM_TEXT;
    if (dynamic_cast<const CProgressUI*>(&control)) return ROLE_SYSTEM_PROGRESSBAR;
    if (dynamic_cast<const CLabelUI*>(&control)) return ROLE_SYSTEM_STATICTEXT;
    return 0;
}

std::vector<CControlUI*> accessibleControls(CControlUI& root)
{
    std::vector<CControlUI*> out;
    collect(root, out);
    return out;
}

long childIdOf(CControlUI& root, const CControlUI* control)
{
    if (!control) return 0;
    const std::vector<CControlUI*> all = accessibleControls(root);
    const auto found = std::find(all.begin(), all.end(), control);
    return found == all.end() ? 0 : static_cast<long>(found - all.begin()) + 1;
}

std::wstring accessibleName(const CControlUI& control, CControlUI& root)
{
    const std::wstring given = control.attribute(L"accname");
    if (!given.empty()) return CMultiLanguage::instance().resolve(given);
    const std::wstring label = control.attribute(L"labelledby");
    if (!label.empty())
        if (const CControlUI* by = root.findControl(label)) return shownText(*by);
    // An edit's text is its value, not its name.
    if (!dynamic_cast<const CEditUI*>(&control) && !dynamic_cast<const CRichEditUI*>(&control)) {
        const std::wstring text = shownText(control);
        if (!text.empty()) return text;
    }
    return control.tooltip();
}

bool accessibleValue(const CControlUI& control, std::wstring& value)
{
    if (const auto* edit = dynamic_cast<const CEditUI*>(&control)) {
        value = edit->shownText();
        return true;
    }
    if (dynamic_cast<const CRichEditUI*>(&control)) {
        value = control.displayText();
        return true;
    }
    if (const auto* bar = dynamic_cast<const CProgressUI*>(&control)) {
        const int range = bar->maxValue() - bar->minValue();
        const int percent = range > 0 ? static_cast<int>((bar->value() - bar->minValue()) * 100LL / range) : 0;
        value = std::to_wstring(percent) + L"%";
        return true;
    }
    return false;
}

std::wstring defaultActionOf(const CControlUI& control)
{
    switch (accessibleRole(control)) {
    case ROLE_SYSTEM_LINK: return L"Jump";
    case ROLE_SYSTEM_PUSHBUTTON: return L"Press";
    case ROLE_SYSTEM_CHECKBUTTON: return isSelectedOption(control) ? L"Uncheck" : L"Check";
    case ROLE_SYSTEM_RADIOBUTTON: return L"Check";
    default: return std::wstring();
    }
}

unsigned long accessibleState(const CControlUI& control, const AccessibleContext& context)
{
    unsigned long state = 0;
    const long role = accessibleRole(control);
    // A label that shows nothing is nothing to the reader either.
    const bool empty = role == ROLE_SYSTEM_STATICTEXT && shownText(control).empty();
    if (!isShown(control) || empty) state |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    if (!control.isEnabled()) state |= STATE_SYSTEM_UNAVAILABLE;
    if (canTakeFocus(control)) state |= STATE_SYSTEM_FOCUSABLE;
    if (&control == context.focused && context.windowFocused && canTakeFocus(control)) state |= STATE_SYSTEM_FOCUSED;
    if (isSelectedOption(control)) state |= STATE_SYSTEM_CHECKED;
    if (&control == context.defaultButton) state |= STATE_SYSTEM_DEFAULT;
    if (control.hasState(CControlUI::kHot)) state |= STATE_SYSTEM_HOTTRACKED;
    if (control.hasState(CControlUI::kPushed)) state |= STATE_SYSTEM_PRESSED;
    if (role == ROLE_SYSTEM_LINK) state |= STATE_SYSTEM_LINKED;
    if (const auto* edit = dynamic_cast<const CEditUI*>(&control)) {
        if (edit->isReadOnly()) state |= STATE_SYSTEM_READONLY;
        if (edit->isPassword()) state |= STATE_SYSTEM_PROTECTED;
    }
    if (const auto* rich = dynamic_cast<const CRichEditUI*>(&control))
        if (rich->isReadOnly()) state |= STATE_SYSTEM_READONLY;
    if (role == ROLE_SYSTEM_PROGRESSBAR || role == ROLE_SYSTEM_STATICTEXT || role == ROLE_SYSTEM_GRAPHIC)
        state |= STATE_SYSTEM_READONLY;
    return state;
}

std::vector<AccessibleItem> describeChildren(CControlUI& root, const AccessibleContext& context)
{
    std::vector<AccessibleItem> items;
    for (CControlUI* control : accessibleControls(root)) {
        AccessibleItem item;
        item.control = control;
        item.name = accessibleName(*control, root);
        accessibleValue(*control, item.value);
        item.state = accessibleState(*control, context) & ~kPassingStates;
        items.push_back(item);
    }
    return items;
}

std::vector<AccessibleEvent> accessibleChanges(const std::vector<AccessibleItem>& before,
                                               const std::vector<AccessibleItem>& after)
{
    std::vector<AccessibleEvent> events;
    bool reordered = before.size() != after.size();
    for (const AccessibleItem& now : after) {
        const bool shown = (now.state & STATE_SYSTEM_INVISIBLE) == 0;
        const AccessibleItem* was = itemOf(before, now.control);
        if (!was) {
            reordered = true;
            if (shown) events.push_back(AccessibleEvent{EVENT_OBJECT_SHOW, now.control});
            continue;
        }
        const bool wasShown = (was->state & STATE_SYSTEM_INVISIBLE) == 0;
        if (shown != wasShown)
            events.push_back(AccessibleEvent{static_cast<unsigned long>(shown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE),
                                             now.control});
        // What a hidden control says or is is not heard until it shows.
        if (!shown) continue;
        if ((now.state & ~kShownStates) != (was->state & ~kShownStates))
            events.push_back(AccessibleEvent{EVENT_OBJECT_STATECHANGE, now.control});
        if (now.name != was->name) events.push_back(AccessibleEvent{EVENT_OBJECT_NAMECHANGE, now.control});
        if (now.value != was->value) events.push_back(AccessibleEvent{EVENT_OBJECT_VALUECHANGE, now.control});
    }
    if (!reordered)
        for (const AccessibleItem& was : before) reordered = reordered || !itemOf(after, was.control);
    if (reordered) events.push_back(AccessibleEvent{EVENT_OBJECT_REORDER, nullptr});
    return events;
}

bool CValueThrottle::offer(CControlUI* control, unsigned long now, bool final)
{
    Entry& entry = entries_[control];
    if (final || !entry.everTold || now - entry.told >= kIntervalMs) {
        entry.told = now;
        entry.everTold = true;
        entry.held = false;
        return true;
    }
    entry.held = true;
    return false;
}

std::vector<CControlUI*> CValueThrottle::due(unsigned long now)
{
    std::vector<CControlUI*> out;
    for (auto& pair : entries_) {
        Entry& entry = pair.second;
        if (entry.held && now - entry.told >= kIntervalMs) {
            entry.held = false;
            entry.told = now;
            out.push_back(pair.first);
        }
    }
    return out;
}

bool CValueThrottle::holding() const
{
    for (const auto& pair : entries_)
        if (pair.second.held) return true;
    return false;
}


} // namespace SkinUI
