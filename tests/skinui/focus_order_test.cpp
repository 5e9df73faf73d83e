// Tab order, focus moves and key commands over a laid-out tree, no window.

#include "skinui/focus_order.h"
#include "skinui/layout_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinUI;

namespace {

// A title row, a folder row, a tick box 6 pixels lower than the link and
// the button of its row, a floating link, and controls that are skipped.
const wchar_t kLayout[] =
    L"<Window size=\"400,300\"><VerticalLayout>"
    L"  <HorizontalLayout height=\"30\"><Label text=\"t\"/>"
    L"    <Button name=\"min\" width=\"30\"/><Button name=\"close\" width=\"30\"/></HorizontalLayout>"
    L"  <HorizontalLayout height=\"30\"><Edit name=\"path\"/><Button name=\"browse\" width=\"60\"/></HorizontalLayout>"
    L"  <Button name=\"install\" height=\"40\" default=\"true\"/>"
    L"  <HorizontalLayout height=\"30\">"
    L"    <Option name=\"tick\" width=\"18\" height=\"18\" padding=\"0,6,0,0\"/>"
    L"    <Label width=\"200\"/><Button name=\"link\" float=\"true\" pos=\"100,0,150,30\"/>"
    L"    <Button name=\"custom\" width=\"80\"/><Button name=\"back\" width=\"80\" visible=\"false\"/></HorizontalLayout>"
    L"  <Button name=\"off\" height=\"20\" enabled=\"false\"/>"
    L"  <Button name=\"inert\" height=\"20\" mouse=\"false\"/>"
    L"  <RichEdit name=\"text\" height=\"60\"/>"
    L"</VerticalLayout></Window>";

class FocusOrder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CDialogBuilder::buildFromText(kLayout, layout_));
        layout_.layout();
    }
    CControlUI* c(const wchar_t* name) { return layout_.findControl(name); }
    std::wstring names(const std::vector<CControlUI*>& chain)
    {
        std::wstring out;
        for (CControlUI* control : chain) out += (out.empty() ? L"" : L" ") + control->name();
        return out;
    }
    CWindowLayout layout_;
};

} // namespace

TEST_F(FocusOrder, ReadingOrderSkipsWhatCannotTakeTheFocusAndWraps)
{
    EXPECT_EQ(names(focusChain(*layout_.root)), L"min close path browse install tick link custom text");
    const std::vector<CControlUI*> chain = focusChain(*layout_.root);
    EXPECT_EQ(nextInChain(chain, c(L"text"), true), c(L"min"));
    EXPECT_EQ(nextInChain(chain, c(L"min"), false), c(L"text"));
    EXPECT_EQ(nextInChain(chain, nullptr, true), c(L"min"));
    EXPECT_EQ(nextInChain(chain, nullptr, false), c(L"text"));
    EXPECT_EQ(nextInChain({}, nullptr, true), nullptr);
    // Arrows stay within a container and wrap there.
    EXPECT_EQ(nextInRow(chain, c(L"custom"), true), c(L"tick"));
    EXPECT_EQ(nextInRow(chain, c(L"tick"), false), c(L"custom"));
    EXPECT_EQ(nextInRow(chain, c(L"browse"), true), c(L"path"));
    EXPECT_EQ(nextInRow(chain, nullptr, true), nullptr);
    EXPECT_EQ(defaultButton(*layout_.root), c(L"install"));
    c(L"install")->setEnabled(false);
    EXPECT_EQ(defaultButton(*layout_.root), nullptr);
}

TEST_F(FocusOrder, TabOrderAttributeComesFirstAndHiddenFocusPassesOn)
{
    c(L"close")->setAttribute(L"taborder", L"2");
    c(L"path")->setAttribute(L"taborder", L"-1");
    EXPECT_EQ(names(focusChain(*layout_.root)), L"path min browse install tick link custom text close");
    c(L"close")->setAttribute(L"taborder", L"0");
    c(L"path")->setAttribute(L"taborder", L"0");
    // The custom button hides and the back button takes its place: the
    // focus goes to the one now standing there.
    c(L"custom")->setVisible(false);
    c(L"back")->setVisible(true);
    layout_.layout();
    EXPECT_EQ(successorOf(*layout_.root, *c(L"custom")), c(L"back"));
    // A hidden last control hands over to the first.
    c(L"text")->setVisible(false);
    layout_.layout();
    EXPECT_EQ(successorOf(*layout_.root, *c(L"text")), c(L"min"));
    EXPECT_FALSE(canTakeFocus(*c(L"text")));
}

TEST(FocusKeys, CommandsFollowWhatHasTheFocus)
{
    const struct {
        NavKey key;
        bool shift, alt;
        FocusKind focused;
        KeyCommand expected;
    } cases[] = {
        {NavKey::Tab, false, false, FocusKind::None, KeyCommand::NextFocus},
        {NavKey::Tab, true, false, FocusKind::Edit, KeyCommand::PreviousFocus},
        {NavKey::Enter, false, false, FocusKind::Button, KeyCommand::ActivateFocused},
        {NavKey::Enter, false, false, FocusKind::Option, KeyCommand::ActivateDefault},
        {NavKey::Space, false, false, FocusKind::Option, KeyCommand::PressFocused},
        {NavKey::Space, false, false, FocusKind::Edit, KeyCommand::None},
        {NavKey::Left, false, false, FocusKind::Button, KeyCommand::PreviousInRow},
        {NavKey::Down, false, false, FocusKind::Option, KeyCommand::NextInRow},
        {NavKey::Down, false, false, FocusKind::Text, KeyCommand::LineDown},
        {NavKey::Up, false, false, FocusKind::Edit, KeyCommand::None},
        {NavKey::PageDown, false, false, FocusKind::Text, KeyCommand::PageDown},
        {NavKey::End, false, false, FocusKind::Button, KeyCommand::None},
        {NavKey::Tab, false, true, FocusKind::Button, KeyCommand::None},
    };
    for (const auto& k : cases)
        EXPECT_EQ(keyCommand(k.key, k.shift, k.alt, k.focused), k.expected) << static_cast<int>(k.key);
    EXPECT_TRUE(showsFocusCues(NavKey::Tab) && showsFocusCues(NavKey::Up));
    EXPECT_FALSE(showsFocusCues(NavKey::Enter) || showsFocusCues(NavKey::Space));
}

TEST(FocusKeys, ThumbPositionToScrollOffset)
{
    const struct {
        int top, travel, maxScroll, expected;
    } cases[] = {{0, 100, 500, 0}, {50, 100, 500, 250}, {100, 100, 500, 500}, {140, 100, 500, 500},
                 {-20, 100, 500, 0}, {1, 3, 10, 3},     {10, 0, 500, 0},     {10, 100, 0, 0}};
    for (const auto& t : cases) EXPECT_EQ(scrollForThumb(t.top, t.travel, t.maxScroll), t.expected) << t.top;
}
