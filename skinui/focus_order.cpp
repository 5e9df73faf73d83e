#include "skinui/focus_order.h"

#include "skinui/containers.h"
#include "skinui/controls.h"

#include <algorithm>

namespace SkinUI {

namespace {

struct Place {
    CControlUI* control;
    int order;
    RECT rect;
    std::size_t tree;
};

int tabOrder(const CControlUI& control)
{
    int order = 0;
    return parseInt(control.attribute(L"taborder"), order) ? order : 0;
}

bool flag(const CControlUI& control, const wchar_t* name)
{
    bool on = false;
    return parseBool(control.attribute(name), on) && on;
}

void collect(CControlUI& control, std::vector<Place>& out, std::size_t& tree, const CControlUI* extra)
{
    const std::size_t index = tree++;
    if (&control == extra || canTakeFocus(control)) out.push_back(Place{&control, tabOrder(control), control.pos(), index});
    if (CContainerUI* container = control.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i) collect(*container->itemAt(i), out, tree, extra);
}

int middle(const RECT& r) { return (r.top + r.bottom) / 2; }

// Lines first, then left to right; see focusChain.
void readingOrder(std::vector<Place>& places)
{
    std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
        if (a.order != b.order) return a.order < b.order;
        if (a.rect.top != b.rect.top) return a.rect.top < b.rect.top;
        return a.tree < b.tree;
    });
    std::size_t start = 0;
    while (start < places.size()) {
        const Place& first = places[start];
        std::size_t end = start + 1;
        while (end < places.size() && places[end].order == first.order && middle(places[end].rect) < first.rect.bottom)
            ++end;
        std::stable_sort(places.begin() + static_cast<std::ptrdiff_t>(start), places.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Place& a, const Place& b) {
                             if (a.rect.left != b.rect.left) return a.rect.left < b.rect.left;
                             return a.tree < b.tree;
                         });
        start = end;
    }
}

std::vector<Place> ordered(CControlUI& root, const CControlUI* extra)
{
    std::vector<Place> places;
    std::size_t tree = 0;
    collect(root, places, tree, extra);
    readingOrder(places);
    return places;
}

} // namespace

bool isShown(const CControlUI& control)
{
    for (const CControlUI* c = &control; c; c = c->parent())
        if (!c->isVisible()) return false;
    return true;
}

bool canTakeFocus(const CControlUI& control)
{
    if (focusKindOf(&control) == FocusKind::None) return false;
    const RECT& r = control.pos();
    return control.isEnabled() && control.isMouseEnabled() && r.right > r.left && r.bottom > r.top && isShown(control);
}

std::vector<CControlUI*> focusChain(CControlUI& root)
{
    std::vector<CControlUI*> chain;
    for (const Place& place : ordered(root, nullptr)) chain.push_back(place.control);
    return chain;
}

CControlUI* nextInChain(const std::vector<CControlUI*>& chain, const CControlUI* current, bool forward)
{
    if (chain.empty()) return nullptr;
    const auto found = std::find(chain.begin(), chain.end(), current);
    if (found == chain.end()) return forward ? chain.front() : chain.back();
    const std::size_t at = static_cast<std::size_t>(found - chain.begin());
    const std::size_t n = chain.size();
    return chain[forward ? (at + 1) % n : (at + n - 1) % n];
}

CControlUI* nextInRow(const std::vector<CControlUI*>& chain, const CControlUI* current, bool forward)
{
    if (!current) return nullptr;
    std::vector<CControlUI*> row;
    for (CControlUI* c : chain)
        if (c->parent() == current->parent()) row.push_back(c);
    if (std::find(row.begin(), row.end(), current) == row.end()) return nullptr;
    return nextInChain(row, current, forward);
}

CControlUI* successorOf(CControlUI& root, const CControlUI& gone)
{
    const std::vector<Place> places = ordered(root, &gone);
    const auto at = std::find_if(places.begin(), places.end(), [&](const Place& p) { return p.control == &gone; });
    if (at == places.end()) return nullptr;
    const std::size_t n = places.size();
    const std::size_t index = static_cast<std::size_t>(at - places.begin());
    for (std::size_t step = 1; step < n; ++step) {
        CControlUI* candidate = places[(index + step) % n].control;
        if (candidate != &gone) return candidate;
    }
    return nullptr;
}

CControlUI* defaultButton(CControlUI& root)
{
    if (flag(root, L"default") && root.isEnabled() && isShown(root)) return &root;
    if (CContainerUI* container = root.asContainer()) {
        for (std::size_t i = 0; i < container->count(); ++i)
            if (CControlUI* found = defaultButton(*container->itemAt(i))) return found;
    }
    return nullptr;
}

FocusKind focusKindOf(const CControlUI* control)
{
    if (!control) return FocusKind::None;
    if (dynamic_cast<const COptionUI*>(control)) return FocusKind::Option;
    if (dynamic_cast<const CButtonUI*>(control)) return FocusKind::Button;
    if (dynamic_cast<const CEditUI*>(control)) return FocusKind::Edit;
    if (dynamic_cast<const CRichEditUI*>(control)) return FocusKind::Text;
    return FocusKind::None;
}

KeyCommand keyCommand(NavKey key, bool shift, bool alt, FocusKind focused)
{
    if (alt) return KeyCommand::None;
    const bool button = focused == FocusKind::Button || focused == FocusKind::Option;
    const bool text = focused == FocusKind::Text;
    switch (key) {
    case NavKey::Tab: return shift ? KeyCommand::PreviousFocus : KeyCommand::NextFocus;
    // Enter presses a focused push button; elsewhere it is the window's
    // default button, as in a Windows dialog.
    case NavKey::Enter: return focused == FocusKind::Button ? KeyCommand::ActivateFocused : KeyCommand::ActivateDefault;
    case NavKey::Space: return button ? KeyCommand::PressFocused : KeyCommand::None;
    case NavKey::Left: return button ? KeyCommand::PreviousInRow : KeyCommand::None;
    case NavKey::Right: return button ? KeyCommand::NextInRow : KeyCommand::None;
    case NavKey::Up: return button ? KeyCommand::PreviousInRow : text ? KeyCommand::LineUp : KeyCommand::None;
    case NavKey::Down: return button ? KeyCommand::NextInRow : text ? KeyCommand::LineDown : KeyCommand::None;
    case NavKey::PageUp: return text ? KeyCommand::PageUp : KeyCommand::None;
    case NavKey::PageDown: return text ? KeyCommand::PageDown : KeyCommand::None;
    case NavKey::Home: return text ? KeyCommand::Top : KeyCommand::None;
    case NavKey::End: return text ? KeyCommand::Bottom : KeyCommand::None;
    case NavKey::Other: return KeyCommand::None;
    }
    return KeyCommand::None;
}

bool showsFocusCues(NavKey key)
{
    return key == NavKey::Tab || key == NavKey::Left || key == NavKey::Right || key == NavKey::Up ||
           key == NavKey::Down;
}

int scrollForThumb(int thumbTop, int travel, int maxScroll)
{
    if (travel <= 0 || maxScroll <= 0) return 0;
    const int top = std::min(std::max(thumbTop, 0), travel);
    // Rounded, so the thumb dragged to the end reaches the end.
    return static_cast<int>((static_cast<long long>(top) * maxScroll + travel / 2) / travel);
}

} // namespace SkinUI
