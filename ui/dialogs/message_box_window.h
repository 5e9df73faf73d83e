#pragma once
// The message box window behind msg::IMessageBox, and its button. Both
// belong to the user-interface thread.

#include "skinui/controls.h"
#include "skinui/window.h"
#include "ui/dialogs/message_box.h"

#include <functional>
#include <string>

namespace msg {

extern const wchar_t* const kMessageBoxLayout; // "msg/xml_messagebox.xml"

// Icon kind -> picture: 0 notice, 1 warning, 2 error; empty for others.
std::wstring iconPicture(int kind);

// A button made from a SelectionInfo; it keeps the action.
class CSelectionUI : public SkinUI::CButtonUI {
public:
    explicit CSelectionUI(const SelectionInfo& info);
    const SelectionInfo& info() const { return info_; }
    void runAction() const
    {
        if (info_.action) info_.action();
    }

private:
    SelectionInfo info_;
};

// Disables its owner from construction until it is asked to close (or is
// destroyed); deletes itself once its native window is gone.
class MessageBoxWindow : public SkinUI::WindowImplBase, public IMessageBox {
public:
    MessageBoxWindow(HWND owner, const std::wstring& layout);
    ~MessageBoxWindow() override;

    const wchar_t* windowClassName() const override { return L"MessageBoxWindow"; }
    UINT classStyle() const override { return CS_HREDRAW | CS_VREDRAW; }
    std::wstring skinFile() override { return layout_; }
    void initWindow() override;
    void notify(SkinUI::TNotifyUI& msg) override;
    LRESULT messageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onFinalMessage(HWND hwnd) override;

    void setIcon(const std::wstring& picture) override;
    void setTitle(const std::wstring& title) override;
    void setText(const std::wstring& text) override;
    void setCloseCallback(std::function<void()> action) override;
    void addSelection(const SelectionInfo& selection) override;

    HWND owner() const { return owner_; }

private:
    // Runs an action that may destroy this box (through its owner); false
    // when the box is gone afterwards and must not be touched.
    bool runGuarded(const std::function<void()>& action);
    void releaseOwner();
    // Marks the button that Enter presses and that has the focus first.
    void chooseSafeButton();
    void runCloseAction();

    HWND owner_;
    std::wstring layout_;
    std::function<void()> closeAction_;
    std::wstring key_;
    bool hasKey_ = false;
    bool holding_ = false;
    int running_ = 0;
    bool wasActive_ = false;
    bool gone_ = false;
};

} // namespace msg
