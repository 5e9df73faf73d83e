// What screen readers are told (roles, names, states, change events, the
// bar's pace), and a hidden window driven by keys and by its accessible
// object as a reader in this process would.

#include "message_pump.h"
#include "skinui/accessible_tree.h"
#include "skinui/render.h"
#include "skinui/resources.h"
#include "skinui/window.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinUI;

namespace {

const char kLayout[] =
    "<Window size=\"300,260\"><VerticalLayout bkcolor=\"#FFFFFFFF\">"
    "  <Control name=\"logo\" height=\"20\" role=\"graphic\" accname=\"Logo\"/>"
    "  <Control height=\"5\"/>"
    "  <HorizontalLayout height=\"30\">"
    "    <Option name=\"tick\" width=\"20\" height=\"20\" padding=\"10,5,0,0\" selected=\"true\" labelledby=\"says\"/>"
    "    <Label name=\"says\" role=\"none\" showhtml=\"true\" text=\"I &lt;u&gt;agree&lt;/u&gt;\"/>"
    "    <Button name=\"link\" float=\"true\" pos=\"60,0,100,30\" role=\"link\" accname=\"Licence\"/></HorizontalLayout>"
    "  <HorizontalLayout height=\"24\"><Button name=\"go\" text=\"Install\" default=\"true\"/>"
    "    <Button name=\"close\" width=\"40\" tooltip=\"Close window\"/></HorizontalLayout>"
    "  <Edit name=\"path\" height=\"24\" accname=\"Folder\" text=\"C:\\x\"/>"
    "  <Progress name=\"bar\" height=\"8\" value=\"40\"/>"
    "  <Label name=\"empty\" height=\"10\"/>"
    "  <RichEdit name=\"text\" height=\"60\" vscrollbar=\"true\" readonly=\"true\"/>"
    "  <Button name=\"hidden\" height=\"10\" visible=\"false\" text=\"H\"/>"
    "</VerticalLayout></Window>";

class OneLayout : public IFileSource {
public:
    bool readFile(const std::wstring& name, std::string& bytes) const override
    {
        bytes = kLayout;
        return name == L"a11y.xml";
    }
};

class A11yWindow : public WindowImplBase {
public:
    const wchar_t* windowClassName() const override { return L"SkinUIA11yTest"; }
    std::wstring skinFile() override { return L"a11y.xml"; }
    void notify(TNotifyUI& msg) override
    {
        seen.push_back(msg.type + L" " + msg.sender->name());
        WindowImplBase::notify(msg);
    }
    std::vector<std::wstring> seen;
};

VARIANT child(long id)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

class A11yTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setFileSource(&files_);
        setInstance(::GetModuleHandleW(nullptr));
        ASSERT_TRUE(window_.create(nullptr, L"A11y", WS_POPUP, 0));
        testing_support::pumpFor(50);
        std::wstring lines;
        for (int i = 0; i < 40; ++i) lines += L"line " + std::to_wstring(i) + L"\n";
        c(L"text")->setText(lines);
    }
    void TearDown() override { setFileSource(nullptr); }
    CControlUI* c(const wchar_t* name) { return window_.findControl(name); }
    void key(WPARAM vk, UINT message = WM_KEYDOWN)
    {
        ::SendMessageW(window_.hwnd(), message, vk, message == WM_KEYUP ? 0xC0000001 : 1);
        testing_support::pumpFor(20);
    }
    OneLayout files_;
    A11yWindow window_;
};

} // namespace

TEST_F(A11yTest, ChildrenRolesNamesValuesAndStates)
{
    CControlUI& root = *window_.layout().root;
    AccessibleContext context;
    context.focused = c(L"go");
    context.defaultButton = c(L"go");
    context.windowFocused = true;
    const struct {
        const wchar_t* control;
        long role;
        const wchar_t* name;
        const wchar_t* value;
        unsigned long has, lacks;
    } cases[] = {
        {L"logo", ROLE_SYSTEM_GRAPHIC, L"Logo", nullptr, STATE_SYSTEM_READONLY, STATE_SYSTEM_FOCUSABLE},
        {L"tick", ROLE_SYSTEM_CHECKBUTTON, L"I agree", nullptr, STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSABLE, 0},
        {L"link", ROLE_SYSTEM_LINK, L"Licence", nullptr, STATE_SYSTEM_LINKED, STATE_SYSTEM_INVISIBLE},
        {L"go", ROLE_SYSTEM_PUSHBUTTON, L"Install", nullptr,
         STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT | STATE_SYSTEM_FOCUSABLE, 0},
        {L"close", ROLE_SYSTEM_PUSHBUTTON, L"Close window", nullptr, STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_FOCUSED},
        {L"path", ROLE_SYSTEM_TEXT, L"Folder", L"C:\\x", STATE_SYSTEM_FOCUSABLE, STATE_SYSTEM_READONLY},
        {L"bar", ROLE_SYSTEM_PROGRESSBAR, L"", L"40%", STATE_SYSTEM_READONLY, STATE_SYSTEM_FOCUSABLE},
        {L"empty", ROLE_SYSTEM_STATICTEXT, L"", nullptr, STATE_SYSTEM_INVISIBLE, 0},
        {L"text", ROLE_SYSTEM_TEXT, L"", nullptr, STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE, 0},
        {L"hidden", ROLE_SYSTEM_PUSHBUTTON, L"H", nullptr, STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_FOCUSABLE},
    };
    std::vector<CControlUI*> expected;
    for (const auto& k : cases) {
        CControlUI& control = *c(k.control);
        expected.push_back(&control);
        EXPECT_EQ(accessibleRole(control), k.role) << k.control;
        EXPECT_EQ(accessibleName(control, root), k.name) << k.control;
        std::wstring value;
        EXPECT_EQ(accessibleValue(control, value), k.value != nullptr || k.role == ROLE_SYSTEM_TEXT) << k.control;
        if (k.value) {
            EXPECT_EQ(value, k.value) << k.control;
        }
        const unsigned long state = accessibleState(control, context);
        EXPECT_EQ(state & k.has, k.has) << k.control;
        EXPECT_EQ(state & k.lacks, 0u) << k.control;
    }
    // The label that names the tick box, containers and spacers are not
    // children of their own.
    EXPECT_EQ(accessibleControls(root), expected);
    EXPECT_EQ(defaultActionOf(*c(L"tick")), L"Uncheck");
    EXPECT_EQ(defaultActionOf(*c(L"link")), L"Jump");
    EXPECT_EQ(defaultActionOf(*c(L"bar")), L"");
}

TEST_F(A11yTest, ChangesBecomeEventsAndTheBarKeepsItsPace)
{
    CControlUI& root = *window_.layout().root;
    const std::vector<AccessibleItem> before = describeChildren(root, AccessibleContext());
    dynamic_cast<COptionUI*>(c(L"tick"))->setSelected(false);
    c(L"path")->setText(L"D:\\");
    c(L"hidden")->setVisible(true);
    c(L"close")->setVisible(false);
    c(L"close")->setText(L"X"); // not told while hidden
    std::vector<std::wstring> told;
    for (const AccessibleEvent& e : accessibleChanges(before, describeChildren(root, AccessibleContext())))
        told.push_back(std::to_wstring(e.event) + L" " + e.control->name());
    const auto event = [](DWORD id, const wchar_t* name) { return std::to_wstring(id) + L" " + name; };
    EXPECT_EQ(told, (std::vector<std::wstring>{event(EVENT_OBJECT_STATECHANGE, L"tick"), event(EVENT_OBJECT_HIDE, L"close"),
                                               event(EVENT_OBJECT_VALUECHANGE, L"path"),
                                               event(EVENT_OBJECT_SHOW, L"hidden")}));

    CValueThrottle pace;
    CControlUI* bar = c(L"bar");
    EXPECT_TRUE(pace.offer(bar, 100, false));
    EXPECT_FALSE(pace.offer(bar, 600, false));
    EXPECT_TRUE(pace.holding());
    EXPECT_TRUE(pace.due(1099).empty());
    EXPECT_EQ(pace.due(1100), std::vector<CControlUI*>{bar});
    EXPECT_FALSE(pace.holding());
    EXPECT_FALSE(pace.offer(bar, 1500, false));
    EXPECT_TRUE(pace.offer(bar, 1600, true)); // the end is told at once
    EXPECT_FALSE(pace.holding());
}

TEST_F(A11yTest, KeysMoveTheFocusPressAndScrollAndTheRingShowsOnlyAfterThem)
{
    // The first focus is the default button. The ring follows the system's
    // setting at first (Wine shows it always), then the UI state.
    EXPECT_EQ(window_.focused(), c(L"go"));
    BOOL always = FALSE;
    ::SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &always, 0);
    EXPECT_EQ(window_.focusCuesShown(), always != FALSE);
    ::SendMessageW(window_.hwnd(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_FALSE(window_.focusCuesShown());
    // Only the window with the keyboard shows its ring.
    window_.showWindow(true, true);
    ::SetFocus(window_.hwnd());
    ASSERT_EQ(::GetFocus(), window_.hwnd());
    const RECT ring = focusRingRect(*c(L"close"), window_.dpi());
    const POINT edge = {ring.left, (ring.top + ring.bottom) / 2};
    EXPECT_NE(window_.paintNow().pixel(edge.x, edge.y), 0xFF1B1B1Bu);
    key(VK_TAB);
    EXPECT_EQ(window_.focused(), c(L"close"));
    EXPECT_TRUE(window_.focusCuesShown());
    EXPECT_EQ(window_.paintNow().pixel(edge.x, edge.y), 0xFF1B1B1Bu);
    EXPECT_EQ(window_.paintNow().pixel(edge.x + 2, edge.y), 0xFFFFFFFFu);
    ::SetFocus(nullptr);
    EXPECT_NE(window_.paintNow().pixel(edge.x, edge.y), 0xFF1B1B1Bu);
    ::SetFocus(window_.hwnd());
    key(VK_LEFT);
    EXPECT_EQ(window_.focused(), c(L"go"));

    // Space presses on the way down and clicks on the way up; Enter on the
    // tick box is the default button's.
    window_.focusControl(c(L"tick"));
    key(VK_SPACE);
    EXPECT_TRUE(c(L"tick")->hasState(CControlUI::kPushed));
    EXPECT_TRUE(window_.seen.empty());
    key(VK_SPACE, WM_KEYUP);
    EXPECT_FALSE(dynamic_cast<COptionUI*>(c(L"tick"))->isSelected());
    key(VK_RETURN);
    // An edit hands its text over before Enter presses the default button.
    window_.focusControl(c(L"path"));
    key(VK_RETURN);
    EXPECT_EQ(window_.seen, (std::vector<std::wstring>{L"selectchanged tick", L"click tick", L"click go",
                                                       L"killfocus path", L"click go"}));
    EXPECT_EQ(window_.focused(), c(L"go"));

    // The focused control hidden: the next one takes the focus.
    c(L"go")->setVisible(false);
    testing_support::pumpFor(50);
    EXPECT_EQ(window_.focused(), c(L"close"));

    auto* text = dynamic_cast<CRichEditUI*>(c(L"text"));
    window_.focusControl(text);
    window_.paintNow();
    ASSERT_GT(text->maxScroll(), 0);
    key(VK_NEXT);
    EXPECT_GT(text->scrollY(), 0);
    key(VK_END);
    EXPECT_EQ(text->scrollY(), text->maxScroll());
    key(VK_HOME);
    // The thumb dragged half its way down shows the middle of the text.
    window_.paintNow();
    const RECT thumb = richEditThumb(*text, window_.layout());
    const int x = (thumb.left + thumb.right) / 2, y = thumb.top + 2;
    const int travel = (text->pos().bottom - text->pos().top) - (thumb.bottom - thumb.top);
    ::SendMessageW(window_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    ::SendMessageW(window_.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + travel / 2));
    ::SendMessageW(window_.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y + travel / 2));
    EXPECT_NEAR(text->scrollY(), text->maxScroll() / 2, text->maxScroll() / 10 + 1);
}

TEST_F(A11yTest, TheAccessibleObjectActsAsAClickAndIsCutOffWithItsWindow)
{
    IAccessible* object = window_.accessibleObject();
    ASSERT_NE(object, nullptr);
    long count = 0;
    EXPECT_EQ(object->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 10);
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(child(4), &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), L"Install");
    ::SysFreeString(name);
    EXPECT_EQ(object->get_accName(child(99), &name), E_INVALIDARG);

    // Hit test and navigation in screen coordinates and tree order.
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(object->accLocation(&left, &top, &width, &height, child(3)), S_OK);
    VARIANT found;
    EXPECT_EQ(object->accHitTest(left + width / 2, top + height / 2, &found), S_OK);
    EXPECT_EQ(found.lVal, 3);
    EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, child(3), &found), S_OK);
    EXPECT_EQ(found.lVal, 4);
    EXPECT_EQ(object->accNavigate(NAVDIR_LASTCHILD, child(CHILDID_SELF), &found), S_OK);
    EXPECT_EQ(found.lVal, 9); // the hidden button is skipped
    EXPECT_EQ(object->accNavigate(NAVDIR_RIGHT, child(4), &found), S_OK);
    EXPECT_EQ(found.lVal, 5);

    // The default action runs from the window's own messages.
    EXPECT_EQ(object->accDoDefaultAction(child(2)), S_OK);
    EXPECT_TRUE(dynamic_cast<COptionUI*>(c(L"tick"))->isSelected());
    EXPECT_TRUE(testing_support::pumpUntil([&] { return window_.seen.size() == 2; }, 2000));
    EXPECT_FALSE(dynamic_cast<COptionUI*>(c(L"tick"))->isSelected());
    EXPECT_EQ(object->accDoDefaultAction(child(7)), DISP_E_MEMBERNOTFOUND); // the bar
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, child(6)), S_OK);
    EXPECT_TRUE(testing_support::pumpUntil([&] { return window_.focused() == c(L"path"); }, 2000));

    ::DestroyWindow(window_.hwnd());
    EXPECT_EQ(object->get_accName(child(4), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accDoDefaultAction(child(2)), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(window_.accessibleObject(), nullptr);
    object->Release();
}
