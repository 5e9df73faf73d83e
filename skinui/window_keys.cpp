// The window base's keyboard side: the focus among the controls, keys as
// clicks, Tab order, the focus ring's UI state, the rich edit's scroll
// thumb, and what screen readers are told. window.cpp dispatches here.

#include "skinui/window.h"

#include "skinui/render.h"
#include "skinui/resources.h"

#include <oleacc.h>

#include <algorithm>

namespace SkinUI {

namespace {

const UINT kAlertMessage = WM_APP + 0x3A1;
const UINT kAccessRequestMessage = WM_APP + 0x3A2;
const UINT_PTR kValueTimer = 0x5C02;
const WPARAM kRequestAction = 0;
const WPARAM kRequestFocus = 1;
// Bit 30 of a key message: the key was already down (a repeat).
const LPARAM kRepeatBit = 1 << 30;

bool keyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

NavKey navKeyOf(WPARAM key)
{
    switch (key) {
    case VK_TAB: return NavKey::Tab;
    case VK_RETURN: return NavKey::Enter;
    case VK_SPACE: return NavKey::Space;
    case VK_LEFT: return NavKey::Left;
    case VK_RIGHT: return NavKey::Right;
    case VK_UP: return NavKey::Up;
    case VK_DOWN: return NavKey::Down;
    case VK_PRIOR: return NavKey::PageUp;
    case VK_NEXT: return NavKey::PageDown;
    case VK_HOME: return NavKey::Home;
    case VK_END: return NavKey::End;
    default: return NavKey::Other;
    }
}

bool inTree(CControlUI& node, const CControlUI* control)
{
    if (&node == control) return true;
    if (CContainerUI* container = node.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i)
            if (inTree(*container->itemAt(i), control)) return true;
    return false;
}

} // namespace

void WindowImplBase::initAccess()
{
    BOOL always = FALSE;
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
    // A window opened by a keyboard user shows the ring from the start.
    const WindowImplBase* owner = fromHandle(::GetWindow(hwnd_, GW_OWNER));
    focusCues_ = always || (owner && owner->focusCuesShown());
    treeChanged_ = true;
    // The first focus and the first look at the tree come after the
    // initialisation step and whatever its caller adds. The window was
    // painted whole just before: only the step after a change is wanted.
    postRepaintStep();
}

void WindowImplBase::closeAccess()
{
    ::KillTimer(hwnd_, kValueTimer);
    accessible_.disconnect();
    spacePressed_ = nullptr;
    thumbDragged_ = nullptr;
}

bool WindowImplBase::handleAccessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    switch (message) {
    case WM_GETOBJECT:
        result = accessible_.answer(wParam, lParam);
        return result != 0;
    case WM_CHANGEUISTATE:
        // The toolkit's windows are top-level: they take the change
        // themselves, as Windows does for a window without a parent.
        ::SendMessageW(hwnd_, WM_UPDATEUISTATE, wParam, 0);
        return true;
    case WM_UPDATEUISTATE:
        onUiState(wParam);
        return false;
    case WM_SETFOCUS:
        focusChanged();
        repaintRing();
        return false;
    case WM_KILLFOCUS:
        if (spacePressed_) spacePressed_->setState(CControlUI::kPushed, false);
        spacePressed_ = nullptr;
        repaintRing();
        return false;
    case WM_KEYUP:
        return onNavigationKeyUp(wParam);
    case WM_TIMER:
        if (wParam != kValueTimer) return false;
        tellHeldValues();
        return true;
    default:
        if (message == kAlertMessage) {
            ::NotifyWinEvent(EVENT_SYSTEM_ALERT, hwnd_, OBJID_CLIENT, CHILDID_SELF);
            return true;
        }
        if (message == kAccessRequestMessage) {
            onAccessibleRequest(wParam, lParam);
            return true;
        }
        return false;
    }
}

bool WindowImplBase::focusControl(CControlUI* control)
{
    if (control && (!layout_.root || !inTree(*layout_.root, control) || !canTakeFocus(*control))) return false;
    wantsFirstFocus_ = false;
    setFocusControl(control);
    return true;
}

void WindowImplBase::focusChanged()
{
    if (focused_ && layout_.root && hwnd_ && ::GetFocus() == hwnd_)
        raiseAccessibleEvent(hwnd_, *layout_.root, EVENT_OBJECT_FOCUS, focused_);
}

bool WindowImplBase::onNavigationKey(WPARAM key, LPARAM flags)
{
    const NavKey nav = navKeyOf(key);
    const KeyCommand command = keyCommand(nav, keyHeld(VK_SHIFT), keyHeld(VK_MENU), focusKindOf(focused_));
    if (command == KeyCommand::None) return false;
    if (showsFocusCues(nav)) showFocusCues();
    // A held Enter presses once.
    if (nav == NavKey::Enter && (flags & kRepeatBit)) return true;
    runKeyCommand(command);
    return true;
}

bool WindowImplBase::onNavigationKeyUp(WPARAM key)
{
    if (key != VK_SPACE || !spacePressed_) return false;
    CControlUI* pressed = spacePressed_;
    spacePressed_ = nullptr;
    pressed->setState(CControlUI::kPushed, false);
    // Released where it was pressed, as a mouse click must be.
    if (pressed == focused_ && pressed->isEnabled()) clickControl(*pressed);
    return true;
}

void WindowImplBase::runKeyCommand(KeyCommand command)
{
    CControlUI* root = layout_.root.get();
    if (!root) return;
    switch (command) {
    case KeyCommand::NextFocus:
    case KeyCommand::PreviousFocus:
        focusControl(nextInChain(focusChain(*root), focused_, command == KeyCommand::NextFocus));
        return;
    case KeyCommand::NextInRow:
    case KeyCommand::PreviousInRow:
        if (CControlUI* next = nextInRow(focusChain(*root), focused_, command == KeyCommand::NextInRow))
            focusControl(next);
        return;
    case KeyCommand::ActivateFocused:
        if (focused_) activateControl(*focused_);
        return;
    case KeyCommand::PressFocused:
        if (!focused_ || spacePressed_) return;
        spacePressed_ = focused_;
        spacePressed_->setState(CControlUI::kPushed, true);
        return;
    case KeyCommand::ActivateDefault:
        if (CControlUI* button = defaultControl()) activateControl(*button);
        return;
    case KeyCommand::LineUp:
    case KeyCommand::LineDown:
    case KeyCommand::PageUp:
    case KeyCommand::PageDown:
    case KeyCommand::Top:
    case KeyCommand::Bottom:
        if (CRichEditUI* text = dynamic_cast<CRichEditUI*>(focused_)) scrollText(*text, command);
        return;
    case KeyCommand::None:
        return;
    }
}

void WindowImplBase::clickControl(CControlUI& control)
{
    if (COptionUI* option = dynamic_cast<COptionUI*>(&control)) {
        // A check box toggles; an option of a group only turns on.
        const bool was = option->isSelected();
        if (option->group().empty() || !was) {
            option->setSelected(!was);
            sendNotify(option, L"selectchanged");
        }
    }
    sendNotify(&control, L"click");
}

void WindowImplBase::activateControl(CControlUI& control)
{
    // Focus first, as a click moves it: an edit being left hands its text
    // over before the button acts on it.
    if (canTakeFocus(control)) focusControl(&control);
    if (!control.isEnabled() || !isShown(control) || !dynamic_cast<CButtonUI*>(&control)) return;
    clickControl(control);
}

void WindowImplBase::scrollText(CRichEditUI& text, KeyCommand command)
{
    const int line = painter_ ? std::max(painter_->lineHeight(text.font()), 8) : 16;
    const int page = std::max<int>(text.pos().bottom - text.pos().top - line, line);
    const int all = text.contentHeight() + 1;
    switch (command) {
    case KeyCommand::LineUp: text.scrollBy(-line); break;
    case KeyCommand::LineDown: text.scrollBy(line); break;
    case KeyCommand::PageUp: text.scrollBy(-page); break;
    case KeyCommand::PageDown: text.scrollBy(page); break;
    case KeyCommand::Top: text.scrollBy(-all); break;
    case KeyCommand::Bottom: text.scrollBy(all); break;
    default: break;
    }
}

void WindowImplBase::showFocusCues()
{
    if (!focusCues_ && hwnd_) ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void WindowImplBase::onUiState(WPARAM wParam)
{
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS)) return;
    const WORD action = LOWORD(wParam);
    const bool before = focusCues_;
    if (action == UIS_CLEAR) focusCues_ = true;
    else if (action == UIS_SET) focusCues_ = false;
    if (focusCues_ != before) repaintRing();
}

void WindowImplBase::repaintRing()
{
    if (!focused_) return;
    const RECT ring = focusRingRect(*focused_, dpi_);
    scheduleRepaint(&ring, false);
}

void WindowImplBase::afterChange()
{
    keepFocusUsable();
    tellReaders();
}

void WindowImplBase::keepFocusUsable()
{
    CControlUI* root = layout_.root.get();
    if (!root) return;
    // A control that was hidden or disabled gives the focus on.
    if (focused_ && !canTakeFocus(*focused_)) setFocusControl(successorOf(*root, *focused_));
    if (!wantsFirstFocus_) return;
    wantsFirstFocus_ = false;
    if (focused_) return;
    CControlUI* first = defaultControl();
    if (!first || !canTakeFocus(*first)) {
        const std::vector<CControlUI*> chain = focusChain(*root);
        first = chain.empty() ? nullptr : chain.front();
    }
    if (first) setFocusControl(first);
}

AccessibleContext WindowImplBase::accessibleContext() const
{
    AccessibleContext context;
    context.focused = focused_;
    context.defaultButton = defaultControl();
    context.windowFocused = hwnd_ && ::GetFocus() == hwnd_;
    return context;
}

void WindowImplBase::tellReaders()
{
    CControlUI* root = layout_.root.get();
    if (!root || !hwnd_ || (!treeChanged_ && toldOnce_)) return;
    treeChanged_ = false;
    std::vector<AccessibleItem> now = describeChildren(*root, accessibleContext());
    if (toldOnce_) {
        for (const AccessibleEvent& change : accessibleChanges(toldItems_, now)) {
            if (change.event == EVENT_OBJECT_VALUECHANGE)
                if (const CProgressUI* bar = dynamic_cast<const CProgressUI*>(change.control)) {
                    if (!valueThrottle_.offer(change.control, ::GetTickCount(), bar->value() >= bar->maxValue())) {
                        ::SetTimer(hwnd_, kValueTimer, CValueThrottle::kIntervalMs, nullptr);
                        continue;
                    }
                }
            raiseAccessibleEvent(hwnd_, *root, change.event, change.control);
        }
    }
    toldItems_ = std::move(now);
    toldOnce_ = true;
}

void WindowImplBase::tellHeldValues()
{
    CControlUI* root = layout_.root.get();
    if (!root) return;
    for (CControlUI* control : valueThrottle_.due(::GetTickCount()))
        raiseAccessibleEvent(hwnd_, *root, EVENT_OBJECT_VALUECHANGE, control);
    if (!valueThrottle_.holding()) ::KillTimer(hwnd_, kValueTimer);
}

CControlUI* WindowImplBase::defaultControl() const { return layout_.root ? defaultButton(*layout_.root) : nullptr; }

long WindowImplBase::clientRole() const { return dialogRole_ ? ROLE_SYSTEM_DIALOG : ROLE_SYSTEM_CLIENT; }

void WindowImplBase::requestDefaultAction(CControlUI& control)
{
    ::PostMessageW(hwnd_, kAccessRequestMessage, kRequestAction, reinterpret_cast<LPARAM>(&control));
}

void WindowImplBase::requestFocus(CControlUI& control)
{
    ::PostMessageW(hwnd_, kAccessRequestMessage, kRequestFocus, reinterpret_cast<LPARAM>(&control));
}

void WindowImplBase::onAccessibleRequest(WPARAM kind, LPARAM value)
{
    CControlUI* control = reinterpret_cast<CControlUI*>(value);
    // The tree may have changed since the request was made.
    if (!layout_.root || !inTree(*layout_.root, control)) return;
    if (kind == kRequestFocus) focusControl(control);
    else if (kind == kRequestAction) activateControl(*control);
}

void WindowImplBase::announceAlert()
{
    if (hwnd_) ::PostMessageW(hwnd_, kAlertMessage, 0, 0);
}

IAccessible* WindowImplBase::accessibleObject() { return hwnd_ ? accessible_.acquire() : nullptr; }

bool WindowImplBase::beginThumbDrag(CControlUI* over, POINT pt)
{
    CRichEditUI* text = dynamic_cast<CRichEditUI*>(over);
    if (!text) return false;
    const RECT thumb = richEditThumb(*text, layout_);
    // The bar's column runs from the thumb's left edge to the control's.
    if (thumb.right <= thumb.left || pt.x < thumb.left) return false;
    if (canTakeFocus(*text)) focusControl(text);
    if (pt.y < thumb.top) {
        scrollText(*text, KeyCommand::PageUp);
    } else if (pt.y >= thumb.bottom) {
        scrollText(*text, KeyCommand::PageDown);
    } else {
        thumbDragged_ = text;
        thumbGrab_ = pt.y - thumb.top;
        thumbTravel_ = (text->pos().bottom - text->pos().top) - (thumb.bottom - thumb.top);
        ::SetCapture(hwnd_);
    }
    return true;
}

bool WindowImplBase::dragThumb(POINT pt)
{
    if (!thumbDragged_) return false;
    CRichEditUI& text = *thumbDragged_;
    const int target = scrollForThumb(pt.y - thumbGrab_ - text.pos().top, thumbTravel_, text.maxScroll());
    text.scrollBy(target - text.scrollY());
    return true;
}

void WindowImplBase::endThumbDrag() { thumbDragged_ = nullptr; }

} // namespace SkinUI
