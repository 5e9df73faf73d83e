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
    if (SkinUI::CControlUI* edit = findControl(L"protocoledit"))
        edit->setText(ui::dialogs::loadLicenceText(SkinUI::instance()));
}

void ProtocolWnd::onFinalMessage(HWND hwnd)
{
    SkinUI::WindowImplBase::onFinalMessage(hwnd);
    // Moved out first: the action may be the last reference to anything.
    std::function<void()> action = std::move(closeAction_);
    if (action) action();
    delete this;
}
