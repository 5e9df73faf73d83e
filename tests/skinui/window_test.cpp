// The window base with a hidden native window: notification routing and
// the fixed names, mouse messages to clicks and states, keys to the edit,
// Escape through the loop's pre-translation, the final step, and painting
// after changes made in code.

#include "message_pump.h"
#include "skinui/resources.h"
#include "skinui/window.h"

#include <gtest/gtest.h>

#include <imm.h>

#include <map>
#include <vector>

using namespace SkinUI;

namespace {

class OneFile : public IFileSource {
public:
    explicit OneFile(const char* xml) : xml_(xml) {}
    bool readFile(const std::wstring& name, std::string& bytes) const override
    {
        if (name != L"test.xml") return false;
        bytes = xml_;
        return true;
    }

private:
    const char* xml_;
};

const char kLayout[] =
    "<Window size=\"300,200\" caption=\"0,0,0,30\" mininfo=\"200,100\">"
    "<VerticalLayout bkcolor=\"#FFFFFFFF\">"
    "  <HorizontalLayout height=\"30\">"
    "    <Label name=\"title\" text=\"x\"/>"
    "    <Button name=\"minbtn\" width=\"30\"/>"
    "    <Button name=\"closebtn\" width=\"30\"/>"
    "  </HorizontalLayout>"
    "  <Button name=\"go\" height=\"40\" bkcolor=\"#FF0000FF\"/>"
    "  <Option name=\"accept\" height=\"20\"/>"
    "  <Edit name=\"path\" height=\"30\"/>"
    "  <Button name=\"off\" height=\"20\" enabled=\"false\"/>"
    "  <HorizontalLayout name=\"row\"/>"
    "  <Selection name=\"own\" height=\"10\"/>"
    "</VerticalLayout></Window>";

class TestWindow : public WindowImplBase {
public:
    const wchar_t* windowClassName() const override { return L"SkinUITestWindow"; }
    std::wstring skinFile() override { return L"test.xml"; }
    void initWindow() override { ++initialised; }
    void notify(TNotifyUI& msg) override
    {
        seen.push_back(msg.type + L" " + (msg.sender ? msg.sender->name() : std::wstring()));
        WindowImplBase::notify(msg);
    }
    void onFinalMessage(HWND) override { finalStep = true; }
    CControlUI* createControl(const wchar_t* className) override
    {
        return std::wstring(className) == L"Selection" ? new CButtonUI : nullptr;
    }

    int initialised = 0;
    bool finalStep = false;
    std::vector<std::wstring> seen;
};

LPARAM at(const CControlUI* control)
{
    const RECT& r = control->pos();
    return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setFileSource(&files_);
        setInstance(::GetModuleHandleW(nullptr));
        ASSERT_TRUE(window_.create(nullptr, L"test", WS_POPUP, 0));
        hwnd_ = window_.hwnd();
    }
    void TearDown() override { setFileSource(nullptr); }

    void click(const wchar_t* name)
    {
        const LPARAM p = at(window_.findControl(name));
        ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, p);
        ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, p);
        ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, p);
    }

    OneFile files_{kLayout};
    TestWindow window_;
    HWND hwnd_ = nullptr;
};

} // namespace

TEST_F(WindowTest, CreatesFromTheLayoutAndRoutesNotifications)
{
    EXPECT_EQ(window_.initialised, 1);
    RECT r;
    ::GetWindowRect(hwnd_, &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_FALSE(::GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_LAYERED);
    // A class of the window's own, made through the builder callback.
    EXPECT_TRUE(dynamic_cast<CButtonUI*>(window_.findControl(L"own")));

    int handled = 0;
    window_.addNotify(L"click", L"go", [&](TNotifyUI& msg) {
        ++handled;
        EXPECT_EQ(msg.sender, window_.findControl(L"go"));
    });
    click(L"go");
    EXPECT_EQ(handled, 1);
    ASSERT_EQ(window_.seen.size(), 1u);
    EXPECT_EQ(window_.seen[0], L"click go");

    // Pressed, then released elsewhere: no click.
    ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(window_.findControl(L"go")));
    EXPECT_TRUE(window_.findControl(L"go")->hasState(CControlUI::kPushed));
    ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(window_.findControl(L"path")));
    EXPECT_FALSE(window_.findControl(L"go")->hasState(CControlUI::kPushed));
    EXPECT_EQ(handled, 1);

    // A disabled button neither clicks nor turns hot.
    click(L"off");
    EXPECT_EQ(window_.seen.size(), 1u);
    EXPECT_FALSE(window_.findControl(L"off")->hasState(CControlUI::kHot));

    // The option toggles and says so before its click.
    auto* accept = dynamic_cast<COptionUI*>(window_.findControl(L"accept"));
    click(L"accept");
    EXPECT_TRUE(accept->isSelected());
    click(L"accept");
    EXPECT_FALSE(accept->isSelected());
    const std::vector<std::wstring> tail(window_.seen.end() - 4, window_.seen.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"selectchanged accept", L"click accept", L"selectchanged accept",
                                               L"click accept"}));

    // Hover follows the mouse.
    ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, at(window_.findControl(L"go")));
    EXPECT_TRUE(window_.findControl(L"go")->hasState(CControlUI::kHot));
    ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, at(window_.findControl(L"title")));
    EXPECT_FALSE(window_.findControl(L"go")->hasState(CControlUI::kHot));
    // The caption drags where no control takes the mouse.
    POINT title = {20, 10};
    ::ClientToScreen(hwnd_, &title);
    EXPECT_EQ(::SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(title.x, title.y)), HTCAPTION);
    POINT button = {285, 10};
    ::ClientToScreen(hwnd_, &button);
    EXPECT_EQ(::SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(button.x, button.y)), HTCLIENT);
}

TEST_F(WindowTest, FixedNamesUnlessTheTableNamesThem)
{
    click(L"minbtn");
    EXPECT_TRUE(::IsIconic(hwnd_));
    ::ShowWindow(hwnd_, SW_RESTORE);
    ::ShowWindow(hwnd_, SW_HIDE);

    int own = 0;
    window_.addNotify(L"click", L"closebtn", [&](TNotifyUI&) { ++own; });
    click(L"closebtn");
    testing_support::pumpFor(50);
    EXPECT_EQ(own, 1);
    EXPECT_TRUE(::IsWindow(hwnd_));
    EXPECT_FALSE(window_.finalStep);
}

TEST_F(WindowTest, CloseButtonClosesWithResultOneAndRunsTheFinalStep)
{
    EXPECT_EQ(WindowImplBase::fromHandle(hwnd_), &window_);
    EXPECT_EQ(WindowImplBase::fromHandle(::GetDesktopWindow()), nullptr);
    click(L"closebtn");
    EXPECT_TRUE(testing_support::pumpUntil([&] { return window_.finalStep; }, 2000));
    EXPECT_FALSE(::IsWindow(hwnd_));
    EXPECT_EQ(window_.closeResult(), 1u);
    EXPECT_EQ(window_.hwnd(), nullptr);
    EXPECT_EQ(WindowImplBase::fromHandle(hwnd_), nullptr);
}

TEST_F(WindowTest, BorderStylesGiveNoFrameTheLayoutKeepsItsSize)
{
    TestWindow framed;
    ASSERT_TRUE(framed.create(nullptr, L"framed", WS_POPUP | WS_BORDER | WS_SYSMENU, 0));
    RECT client = {}, outer = {};
    ::GetClientRect(framed.hwnd(), &client);
    ::GetWindowRect(framed.hwnd(), &outer);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(outer.right - outer.left, 300);
    EXPECT_EQ(::GetWindowLongW(framed.hwnd(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(::GetWindowLongW(framed.hwnd(), GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(WindowTest, EscapeClosesThroughPreTranslation)
{
    MSG msg = {};
    msg.hwnd = hwnd_;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_ESCAPE;
    EXPECT_TRUE(WindowImplBase::translateMessage(&msg));
    EXPECT_TRUE(testing_support::pumpUntil([&] { return window_.finalStep; }, 2000));
    // Other keys and other windows' messages are left to the loop.
    msg.wParam = 'A';
    EXPECT_FALSE(WindowImplBase::translateMessage(&msg));
}

TEST_F(WindowTest, EditTakesKeysAndSaysWhenItLosesTheFocus)
{
    auto* edit = dynamic_cast<CEditUI*>(window_.findControl(L"path"));
    ASSERT_TRUE(edit);
    ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(edit));
    ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(edit));
    EXPECT_TRUE(edit->hasState(CControlUI::kFocused));
    for (wchar_t c : std::wstring(L"C:\\abc")) ::SendMessageW(hwnd_, WM_CHAR, c, 0);
    ::SendMessageW(hwnd_, WM_CHAR, 0x08, 0); // the character of Backspace is no text
    ::SendMessageW(hwnd_, WM_KEYDOWN, VK_BACK, 0);
    ::SendMessageW(hwnd_, WM_KEYDOWN, VK_HOME, 0);
    ::SendMessageW(hwnd_, WM_KEYDOWN, VK_DELETE, 0);
    ::SendMessageW(hwnd_, WM_CHAR, L'D', 0);
    ::SendMessageW(hwnd_, WM_KEYDOWN, VK_END, 0);
    ::SendMessageW(hwnd_, WM_CHAR, 0x6E38, 0); // an IME result
    EXPECT_EQ(edit->text(), L"D:\\ab\x6E38");
    EXPECT_TRUE(window_.seen.empty());

    ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(window_.findControl(L"title")));
    ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(window_.findControl(L"title")));
    EXPECT_FALSE(edit->hasState(CControlUI::kFocused));
    ASSERT_EQ(window_.seen.size(), 1u);
    EXPECT_EQ(window_.seen[0], L"killfocus path");
    // Keys without a focused edit change nothing.
    ::SendMessageW(hwnd_, WM_CHAR, L'x', 0);
    EXPECT_EQ(edit->text(), L"D:\\ab\x6E38");
}

TEST_F(WindowTest, ChangesInCodeRepaintAndAddedControlsTakePart)
{
    const CSurface& surface = window_.paintNow();
    const RECT go = window_.findControl(L"go")->pos();
    EXPECT_EQ(surface.pixel(go.left + 5, go.top + 5), 0xFF0000FFu);
    window_.findControl(L"go")->setAttribute(L"bkcolor", L"#FF00FF00");
    testing_support::pumpFor(50); // the repaint is posted
    EXPECT_EQ(surface.pixel(go.left + 5, go.top + 5), 0xFF00FF00u);

    std::unique_ptr<CButtonUI> added(new CButtonUI);
    added->setName(L"added");
    added->setAttribute(L"width", L"50");
    EXPECT_TRUE(window_.addControl(L"row", std::move(added)));
    EXPECT_FALSE(window_.addControl(L"nothere", std::unique_ptr<CControlUI>(new CButtonUI)));
    testing_support::pumpFor(50);
    CControlUI* found = window_.findControl(L"added");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->pos().right - found->pos().left, 50);
    click(L"added");
    EXPECT_EQ(window_.seen.back(), L"click added");

    // Hiding a control lays the window out again.
    const LONG before = window_.findControl(L"path")->pos().top;
    window_.findControl(L"accept")->setVisible(false);
    testing_support::pumpFor(50);
    EXPECT_EQ(window_.findControl(L"path")->pos().top, before - 20);
}

TEST_F(WindowTest, MovedToAnotherScaleTakesTheSuggestedRectangleAndItsPixels)
{
    RECT before;
    ::GetWindowRect(hwnd_, &before);
    // The system asks for the size at the new scale first, then moves.
    SIZE asked = {0, 0};
    EXPECT_TRUE(::SendMessageW(hwnd_, 0x02E4 /* WM_GETDPISCALEDSIZE */, 192, reinterpret_cast<LPARAM>(&asked)));
    EXPECT_EQ(asked.cx, 600);
    EXPECT_EQ(asked.cy, 400);
    RECT suggested = {before.left + 7, before.top + 5, before.left + 7 + asked.cx, before.top + 5 + asked.cy};
    ::SendMessageW(hwnd_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    RECT now;
    ::GetWindowRect(hwnd_, &now);
    EXPECT_TRUE(::EqualRect(&now, &suggested));
    EXPECT_EQ(window_.dpi(), 192);
    EXPECT_EQ(window_.paintNow().width(), 600);
    // Every rectangle doubled from the layout: "go" sits under the 30-unit title bar.
    const RECT go = window_.findControl(L"go")->pos();
    EXPECT_EQ(go.top, 60);
    EXPECT_EQ(go.bottom, 140);
    EXPECT_EQ(window_.paintNow().pixel(go.left + 5, go.bottom - 2), 0xFF0000FFu);
    click(L"go");
    EXPECT_EQ(window_.seen.back(), L"click go");
    MINMAXINFO limits = {};
    ::SendMessageW(hwnd_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 400);
    EXPECT_EQ(limits.ptMinTrackSize.y, 200);
    POINT title = {20, 50}; // below 30, within 60: the caption at 200 %
    ::ClientToScreen(hwnd_, &title);
    EXPECT_EQ(::SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(title.x, title.y)), HTCAPTION);

    // A window it owns opens at its scale, over it.
    TestWindow child;
    ASSERT_TRUE(child.create(hwnd_, L"child", WS_POPUP, 0));
    RECT inner;
    ::GetWindowRect(child.hwnd(), &inner);
    EXPECT_EQ(child.dpi(), 192);
    EXPECT_EQ(inner.right - inner.left, 600);
    EXPECT_EQ(inner.left, now.left);

    // Back at 100 %: the layout's own size.
    ::SendMessageW(hwnd_, 0x02E0, MAKEWPARAM(96, 96), 0);
    ::GetWindowRect(hwnd_, &now);
    EXPECT_EQ(now.right - now.left, 300);
    EXPECT_EQ(window_.findControl(L"go")->pos().top, 30);
}

TEST_F(WindowTest, InputMethodWritesBesideTheCaretAtTheWindowsScale)
{
    RECT suggested = {0, 0, 600, 400};
    ::SendMessageW(hwnd_, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    auto* edit = dynamic_cast<CEditUI*>(window_.findControl(L"path"));
    ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, at(edit));
    ::SendMessageW(hwnd_, WM_LBUTTONUP, 0, at(edit));
    for (wchar_t c : std::wstring(L"C:\\")) ::SendMessageW(hwnd_, WM_CHAR, c, 0);
    window_.paintNow();
    ::SendMessageW(hwnd_, WM_IME_STARTCOMPOSITION, 0, 0);
    HIMC context = ::ImmGetContext(hwnd_);
    ASSERT_TRUE(context);
    COMPOSITIONFORM form = {};
    LOGFONTW font = {};
    const bool placed = ::ImmGetCompositionWindow(context, &form) && ::ImmGetCompositionFontW(context, &font);
    ::ImmReleaseContext(hwnd_, context);
    ASSERT_TRUE(placed);
    // After the typed text, inside the edit, a line of the 12-pixel font at 200 %.
    const RECT& r = edit->pos();
    EXPECT_GT(form.ptCurrentPos.x, r.left + 10);
    EXPECT_LT(form.ptCurrentPos.x, r.right);
    EXPECT_GE(form.ptCurrentPos.y, r.top);
    EXPECT_LT(form.ptCurrentPos.y, r.bottom);
    EXPECT_GE(-font.lfHeight, 24);
}
