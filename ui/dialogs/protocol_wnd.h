#pragma once
// The licence window: the licence text, read-only and scrollable, and one
// button that closes it. It deletes itself when its native window is gone.

#include "skinui/window.h"

#include <functional>
#include <string>

class ProtocolWnd : public SkinUI::WindowImplBase {
public:
    ProtocolWnd();
    ~ProtocolWnd() override;

    // Runs once the native window is gone, before the object is deleted.
    void setCloseAction(std::function<void()> action);

    const wchar_t* windowClassName() const override;
    std::wstring skinFile() override;
    void initWindow() override;
    void onFinalMessage(HWND hwnd) override;

private:
    std::function<void()> closeAction_;
};
