#include "ui/dialogs/protocol_wnd.h"

#include "skinui/resources.h"
#include "ui/dialogs/licence_text.h"
#include "utility/system.h"

ProtocolWnd::ProtocolWnd()
{
    addNotify(L"click", L"confirmprotocolbtn", [this](SkinUI::TNotifyUI&) { close(1); });
}

ProtocolWnd::~ProtocolWnd() = default;

void ProtocolWnd::setCloseAction(std::function<void()> action) { closeAction_ = std::move(action); }

const wchar_t* ProtocolWnd::windowClassName() const { return L"protocolwnd"; }

std::wstring ProtocolWnd::skinFile()
{
    return utility::usystem::osMajorVersion() < 6 ? L"protocolwnd_xp.xml" : L"protocolwnd.xml";
}

void ProtocolWnd::initWindow()
{
    SkinUI::CControlUI* edit = findControl(L"protocoledit");
    if (!edit) return;
    edit->setText(ui::dialogs::loadLicenceText(SkinUI::instance()));
    // The text is what the window is about: it has the focus (the arrows
    // scroll it at once, Enter presses the confirm button), and a screen
    // reader calls it by the window's name.
    wchar_t name[256] = {};
    ::GetWindowTextW(hwnd(), name, 256);
    edit->setAttribute(L"accname", name);
    focusControl(edit);
}

void ProtocolWnd::onFinalMessage(HWND hwnd)
{
    SkinUI::WindowImplBase::onFinalMessage(hwnd);
    // Moved out first: the action may be the last reference to anything.
    std::function<void()> action = std::move(closeAction_);
    if (action) action();
    delete this;
}
