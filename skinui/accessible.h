#pragma once
// A window's answer to screen readers: an IAccessible for its client area
// whose children are the controls (accessible_tree.h), given out through
// WM_GETOBJECT, and the events that tell readers of changes.
// User-interface thread only: calls from a reader in another process
// arrive there through COM's message dispatch.

#include "skinui/accessible_tree.h"
#include "skinui/control.h"

#include <windows.h>

struct IAccessible;

namespace SkinUI {

// What the accessible object needs of its window.
class IAccessibleHost {
public:
    virtual ~IAccessibleHost() = default;
    virtual HWND accessibleWindow() const = 0;
    virtual CControlUI* accessibleRoot() const = 0;
    virtual CControlUI* focusedControl() const = 0;
    virtual CControlUI* defaultControl() const = 0;
    // The focus and the default button as the tree's states read them.
    virtual AccessibleContext accessibleContext() const = 0;
    // ROLE_SYSTEM_CLIENT, or ROLE_SYSTEM_DIALOG for a box.
    virtual long clientRole() const = 0;
    // Both run later, from the window's own messages: the reader's call
    // returns first, whatever the action opens.
    virtual void requestDefaultAction(CControlUI& control) = 0;
    virtual void requestFocus(CControlUI& control) = 0;
};

class CAccessibleObject;

// The window's reference to its object. Made on the first WM_GETOBJECT;
// disconnect() in the window's teardown cuts the object off the window
// (every call then fails with CO_E_OBJNOTCONNECTED) and drops the window's
// reference.
class CAccessibleLink {
public:
    explicit CAccessibleLink(IAccessibleHost& host) : host_(host) {}
    ~CAccessibleLink() { disconnect(); }
    CAccessibleLink(const CAccessibleLink&) = delete;
    CAccessibleLink& operator=(const CAccessibleLink&) = delete;

    // WM_GETOBJECT: an answer for OBJID_CLIENT, 0 for anything else.
    LRESULT answer(WPARAM wParam, LPARAM objectId);
    void disconnect();
    // The object with a reference for the caller; null when it cannot be
    // made (tests and in-process use).
    IAccessible* acquire();

private:
    IAccessibleHost& host_;
    CAccessibleObject* object_ = nullptr;
    // After disconnect() nothing is given out again.
    bool closed_ = false;
};

// NotifyWinEvent for a control of the window (null: the window's client
// object itself).
void raiseAccessibleEvent(HWND hwnd, CControlUI& root, unsigned long event, const CControlUI* control);

} // namespace SkinUI
