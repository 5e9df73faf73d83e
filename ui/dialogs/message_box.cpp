#include "ui/dialogs/message_box.h"

#include "common/log.h"
#include "skinui/markup.h"
#include "skinui/multi_language.h"
#include "ui/dialogs/message_box_window.h"
#include "ui/dialogs/open_boxes.h"
#include "ui/text/string_bundle.h"

#include <memory>
#include <vector>

namespace msg {

const wchar_t* const kMessageBoxLayout = L"msg/xml_messagebox.xml";

namespace {

const int kErrorIcon = 2;

// The row shares its free space with the spacer in front: a button gets
// room for its text and its padding, and never less than a comfortable
// minimum. Wide (CJK) characters take about one em at the button's font.
int buttonWidth(const std::wstring& text)
{
    int width = 40;
    for (wchar_t c : text) width += c >= 0x2E80 ? 13 : 7;
    return width < 88 ? 88 : width;
}

// What a screen reader calls the icon: the bundle's word for its kind.
std::wstring iconName(const std::wstring& picture)
{
    if (picture == iconPicture(2)) return ui::text::shownBundleText(L"MsgBox_error");
    if (picture == iconPicture(1)) return ui::text::shownBundleText(L"Acc_warning");
    if (picture == iconPicture(0)) return ui::text::shownBundleText(L"MSGBox_noice");
    return std::wstring();
}

} // namespace

std::wstring iconPicture(int kind)
{
    switch (kind) {
    case 0: return L"msg/msg_notice_icon.png";
    case 1: return L"msg/msg_warning_icon.png";
    case 2: return L"msg/msg_error_icon.png";
    default: return std::wstring();
    }
}

CSelectionUI::CSelectionUI(const SelectionInfo& info) : info_(info)
{
    setText(info.text);
    setAttribute(L"height", L"29");
    setAttribute(L"valign", L"vcenter");
    setAttribute(L"align", L"center");
    setAttribute(L"width", std::to_wstring(buttonWidth(info.text)));
    setAttribute(L"textpadding", L"20,0,20,0");
    setAttribute(L"padding", L"5,4,15,0");
    setAttribute(L"showhtml", L"true");
    const std::wstring file = info.defaultLook ? L"msg/msg_button_def.png" : L"msg/msg_button_sup.png";
    setNormalImage(L"file='" + file + L"' source='0,0,10,10' corner='4,4,4,4'");
    setHotImage(L"file='" + file + L"' source='10,0,20,10' corner='4,4,4,4'");
    setPushedImage(L"file='" + file + L"' source='20,0,30,10' corner='4,4,4,4'");
    setAttribute(L"textcolor", L"#00FFFFFF");
}

MessageBoxWindow::MessageBoxWindow(HWND owner, const std::wstring& layout) : owner_(owner), layout_(layout)
{
    OwnerHolds::instance().hold(owner_);
    holding_ = true;
    setDialogRole(true);
}

void MessageBoxWindow::initWindow()
{
    // Screen readers name the box by its title, and its picture-only close
    // button by the bundle's word.
    if (SkinUI::CControlUI* title = findControl(L"titlelabel")) ::SetWindowTextW(hwnd(), title->displayText().c_str());
    if (SkinUI::CControlUI* close = findControl(L"closebtn"))
        close->setAttribute(L"accname", ui::text::shownBundleText(L"Acc_close"));
    if (SkinUI::CControlUI* icon = findControl(L"msgiconimage")) {
        icon->setAttribute(L"role", L"graphic");
        icon->setAttribute(L"accname", iconName(icon->image(L"bkimage") ? icon->image(L"bkimage")->file : L""));
    }
}

MessageBoxWindow::~MessageBoxWindow()
{
    releaseOwner();
    if (hasKey_) OpenBoxRegistry::instance().remove(key_);
}

void MessageBoxWindow::releaseOwner()
{
    if (!holding_) return;
    holding_ = false;
    OwnerHolds::instance().release(owner_);
}

bool MessageBoxWindow::runGuarded(const std::function<void()>& action)
{
    if (!action) return true;
    ++running_;
    action();
    --running_;
    if (gone_ && running_ == 0) {
        delete this;
        return false;
    }
    return !gone_;
}

void MessageBoxWindow::runCloseAction()
{
    // Copied: the action may replace itself while it runs.
    std::function<void()> action = closeAction_;
    if (!runGuarded(action)) return;
    close(1);
}

void MessageBoxWindow::notify(SkinUI::TNotifyUI& msg)
{
    if (msg.type == L"click" && msg.sender) {
        if (msg.sender->name() == L"closebtn") {
            runCloseAction();
            return;
        }
        if (CSelectionUI* selection = dynamic_cast<CSelectionUI*>(msg.sender)) {
            // The action is copied: it lives in the button, which the box
            // owns, and the box may be destroyed while it runs.
            const std::function<void()> action = selection->info().action;
            if (!runGuarded(action)) return;
            // Hidden, the box loses the activation; the owner gets it back
            // when the close request enables it.
            wasActive_ = wasActive_ || ::GetForegroundWindow() == hwnd();
            showWindow(false, false);
            close(1);
            return;
        }
    }
    SkinUI::WindowImplBase::notify(msg);
}

LRESULT MessageBoxWindow::messageHandler(UINT message, WPARAM wParam, LPARAM, bool& handled)
{
    // Escape is the close button.
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        handled = true;
        runCloseAction();
    }
    return 0;
}

LRESULT MessageBoxWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        runCloseAction();
        return 0;
    }
    if (message == WM_CLOSE) {
        // The owner takes input again before the box goes, so the system
        // hands the activation back to it.
        releaseOwner();
        const bool active = wasActive_ || ::GetForegroundWindow() == hwnd();
        if (active && owner_ && ::IsWindow(owner_) && ::IsWindowEnabled(owner_) && ::IsWindowVisible(owner_))
            ::SetForegroundWindow(owner_);
    }
    return SkinUI::WindowImplBase::handleMessage(message, wParam, lParam);
}

void MessageBoxWindow::onFinalMessage(HWND)
{
    // Also when the box goes with its destroyed owner, without a close.
    releaseOwner();
    if (hasKey_) OpenBoxRegistry::instance().remove(key_);
    hasKey_ = false;
    if (running_ > 0) {
        gone_ = true; // deleted when the running action returns
        return;
    }
    delete this;
}

void MessageBoxWindow::setIcon(const std::wstring& picture)
{
    SkinUI::CControlUI* icon = findControl(L"msgiconimage");
    if (!picture.empty()) {
        if (icon) {
            icon->setBkImage(picture);
            icon->setAttribute(L"accname", iconName(picture));
            icon->setVisible(true);
        }
        return;
    }
    if (icon) icon->setVisible(false);
    if (SkinUI::CControlUI* label = findControl(L"descriptlabel")) {
        label->setAttribute(L"width", L"329");
        label->setAttribute(L"textpadding", L"20,0,0,16");
    }
}

void MessageBoxWindow::setTitle(const std::wstring& title)
{
    // No title keeps the layout's own ("@prompt").
    if (title.empty()) return;
    if (SkinUI::CControlUI* label = findControl(L"titlelabel")) label->setText(title);
    ::SetWindowTextW(hwnd(), SkinUI::stripMarkup(title).c_str());
}

void MessageBoxWindow::setText(const std::wstring& text)
{
    if (SkinUI::CControlUI* label = findControl(L"descriptlabel")) {
        label->setAttribute(L"align", L"left");
        label->setAttribute(L"valign", L"vcenter");
        label->setAttribute(L"multiline", L"true");
        label->setAttribute(L"showhtml", L"true");
        label->setText(text);
    }
    OpenBoxRegistry& registry = OpenBoxRegistry::instance();
    if (hasKey_) registry.remove(key_);
    key_ = text;
    hasKey_ = true;
    registry.add(key_);
}

void MessageBoxWindow::setCloseCallback(std::function<void()> action) { closeAction_ = std::move(action); }

void MessageBoxWindow::addSelection(const SelectionInfo& selection)
{
    if (!addControl(L"bottombar", std::unique_ptr<SkinUI::CControlUI>(new CSelectionUI(selection)))) {
        WRITE_LOG(L"no button row in the message box");
        return;
    }
    chooseSafeButton();
}

void MessageBoxWindow::chooseSafeButton()
{
    SkinUI::CControlUI* row = findControl(L"bottombar");
    SkinUI::CContainerUI* buttons = row ? row->asContainer() : nullptr;
    if (!buttons) return;
    std::vector<CSelectionUI*> selections;
    for (std::size_t i = 0; i < buttons->count(); ++i)
        if (auto* selection = dynamic_cast<CSelectionUI*>(buttons->itemAt(i))) selections.push_back(selection);
    // The blue one when there is one; a lone button is the safe one anyway.
    bool chosen = false;
    for (CSelectionUI* selection : selections) {
        const bool safe = !chosen && (selection->info().defaultLook || selections.size() == 1);
        selection->setAttribute(L"default", safe ? L"true" : L"false");
        chosen = chosen || safe;
    }
}

IMessageBox* createMessageBox(HWND owner, const std::wstring& layout)
{
    MessageBoxWindow* box = new MessageBoxWindow(owner, layout);
    if (!box->create(owner, nullptr, WS_POPUP | WS_SYSMENU | WS_CLIPSIBLINGS, 0)) {
        WRITE_LOG(L"message box not created: error %lu", ::GetLastError());
        delete box;
        return nullptr;
    }
    box->centerWindow();
    box->showWindow(true, true);
    // Heard once the caller has filled the box.
    box->announceAlert();
    return box;
}

namespace {

IMessageBox* openBox(HWND owner, const std::wstring& icon, const std::wstring& title, const std::wstring& text)
{
    if (OpenBoxRegistry::instance().contains(text)) return nullptr;
    IMessageBox* box = createMessageBox(owner, kMessageBoxLayout);
    if (!box) return nullptr;
    box->setIcon(icon);
    box->setTitle(title);
    box->setText(text);
    return box;
}

} // namespace

void showErrorBox(HWND owner, const SelectionInfo& button, const std::wstring& title, const std::wstring& text)
{
    if (IMessageBox* box = openBox(owner, iconPicture(kErrorIcon), title, text)) box->addSelection(button);
}

void showMessageBox(HWND owner, const std::wstring& iconPath, const std::wstring& title, const std::wstring& text,
                    const SelectionInfo& first, const SelectionInfo& second)
{
    if (IMessageBox* box = openBox(owner, iconPath, title, text)) {
        box->addSelection(first);
        box->addSelection(second);
    }
}

SelectionInfo makeConfirmSelection(std::function<void()> action)
{
    SelectionInfo info;
    info.text = SkinUI::CMultiLanguage::instance().textOf(L"confirm");
    info.action = std::move(action);
    info.defaultLook = true;
    return info;
}

} // namespace msg
