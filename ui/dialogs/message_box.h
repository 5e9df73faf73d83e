#pragma once
// The skinned message box. It never blocks its caller: its owner takes no
// input while the box is open, and each button carries its own action.
// User-interface thread only.

#include <windows.h>

#include <functional>
#include <string>

// One button of a box.
struct SelectionInfo {
    std::wstring text;
    std::function<void()> action; // may be empty: the button only closes the box
    bool defaultLook = true;      // the blue button; false: the grey one
};

namespace msg {

class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // An empty path hides the icon and gives its room to the text.
    virtual void setIcon(const std::wstring& picture) = 0;
    virtual void setTitle(const std::wstring& title) = 0;
    // The text (with mark-up) is also the box's key among the open boxes.
    virtual void setText(const std::wstring& text) = 0;
    virtual void setCloseCallback(std::function<void()> action) = 0;
    virtual void addSelection(const SelectionInfo& selection) = 0;
};

// Creates, centres and shows a box owned by owner; null when the window
// cannot be made.
IMessageBox* createMessageBox(HWND owner, const std::wstring& layout);

// Both do nothing while a box with the same text is open.
void showErrorBox(HWND owner, const SelectionInfo& button, const std::wstring& title, const std::wstring& text);
void showMessageBox(HWND owner, const std::wstring& iconPath, const std::wstring& title, const std::wstring& text,
                    const SelectionInfo& first, const SelectionInfo& second);

// The default-look button with the multi-language "confirm" text.
SelectionInfo makeConfirmSelection(std::function<void()> action);

} // namespace msg
