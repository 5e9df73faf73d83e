// The message box with its real window over an owner window: the order of
// action, hiding and closing, the open-box registry, the owner's disabled
// holds, the icon room, the close button, an owner destroyed under a box,
// and mark-up text kept inside the box.

#include "dialog_fixture.h"
#include "skinui/markup.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/message_box_window.h"
#include "ui/dialogs/open_boxes.h"

#include <string>
#include <vector>

using msg::MessageBoxWindow;
using msg::OpenBoxRegistry;
using testing_support::pumpUntil;

namespace {

class MessageBoxTest : public testing_support::DialogTest {
protected:
    // The one box open over the owner.
    MessageBoxWindow* onlyBox()
    {
        const std::vector<HWND> boxes = windowsOf(L"MessageBoxWindow");
        if (boxes.size() != 1) {
            ADD_FAILURE() << boxes.size() << " boxes open";
            return nullptr;
        }
        return dynamic_cast<MessageBoxWindow*>(SkinUI::WindowImplBase::fromHandle(boxes[0]));
    }

    static SkinUI::CControlUI* button(MessageBoxWindow& box, std::size_t index)
    {
        SkinUI::CControlUI* row = box.findControl(L"bottombar");
        return row && row->asContainer() ? row->asContainer()->itemAt(index + 1) : nullptr;
    }

    bool allClosed()
    {
        return pumpUntil([&] { return windowsOf(L"MessageBoxWindow").empty(); }, 3000);
    }
};

SelectionInfo selection(const std::wstring& text, std::function<void()> action, bool defaultLook)
{
    SelectionInfo info;
    info.text = text;
    info.action = std::move(action);
    info.defaultLook = defaultLook;
    return info;
}

} // namespace

TEST_F(MessageBoxTest, ButtonActionRunsFirstThenTheBoxClosesAndItsTextLeavesTheRegistry)
{
    const std::wstring text = L"Do you want to stop install ?";
    for (std::size_t chosen = 0; chosen < 2; ++chosen) {
        std::vector<std::wstring> seen;
        HWND boxWindow = nullptr;
        auto record = [&](const wchar_t* name) {
            return [&, name] {
                // While the action runs the box is still shown and registered,
                // and its owner still held.
                seen.push_back(std::wstring(name) + (::IsWindowVisible(boxWindow) ? L" shown" : L" hidden") +
                               (OpenBoxRegistry::instance().contains(text) ? L" registered" : L"") +
                               (::IsWindowEnabled(owner_) ? L" owner-enabled" : L""));
            };
        };
        msg::showMessageBox(owner_, L"", L"Prompt", text, selection(L"Sure", record(L"sure"), false),
                            selection(L"Cancel", record(L"cancel"), true));
        MessageBoxWindow* box = onlyBox();
        ASSERT_TRUE(box);
        boxWindow = box->hwnd();
        EXPECT_EQ(::GetWindow(boxWindow, GW_OWNER), owner_);
        EXPECT_FALSE(::IsWindowEnabled(owner_));
        EXPECT_TRUE(OpenBoxRegistry::instance().contains(text));

        // The same text again shows nothing while the first box is open.
        msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", text);
        EXPECT_EQ(windowsOf(L"MessageBoxWindow").size(), 1u);

        SkinUI::CControlUI* target = button(*box, chosen);
        ASSERT_TRUE(target);
        click(*box, *target);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], std::wstring(chosen == 0 ? L"sure" : L"cancel") + L" shown registered");
        EXPECT_TRUE(allClosed());
        EXPECT_FALSE(OpenBoxRegistry::instance().contains(text));
        EXPECT_TRUE(::IsWindowEnabled(owner_));
    }
    // Closed, the same text can be shown again.
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", text);
    EXPECT_EQ(windowsOf(L"MessageBoxWindow").size(), 1u);
}

TEST_F(MessageBoxTest, ButtonsInOrderWithTheirLooksAndTheConfirmText)
{
    msg::showMessageBox(owner_, L"", L"Prompt", L"two", selection(L"Sure", nullptr, false),
                        msg::makeConfirmSelection(nullptr));
    MessageBoxWindow* box = onlyBox();
    ASSERT_TRUE(box);
    auto* first = dynamic_cast<msg::CSelectionUI*>(button(*box, 0));
    auto* second = dynamic_cast<msg::CSelectionUI*>(button(*box, 1));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->text(), L"Sure");
    ASSERT_TRUE(first->image(L"normalimage"));
    EXPECT_EQ(first->image(L"normalimage")->file, L"msg/msg_button_sup.png");
    // "confirm" of the multi-language table, en_US as no language is set.
    EXPECT_EQ(second->text(), L"Confirm");
    EXPECT_EQ(second->image(L"hotimage")->file, L"msg/msg_button_def.png");
    EXPECT_EQ(second->fixedHeight(), 29);
    EXPECT_TRUE(second->showHtml());
    box->paintNow();
    // Both inside the box, side by side, right of the row's spacer.
    const RECT a = first->pos(), b = second->pos();
    EXPECT_LT(a.right, b.left);
    EXPECT_LE(b.right, 410);
    EXPECT_GT(a.right - a.left, 60);
}

TEST_F(MessageBoxTest, TwoBoxesHoldTheOwnerUntilTheLastCloses)
{
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", L"first");
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", L"second");
    std::vector<HWND> boxes = windowsOf(L"MessageBoxWindow");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(msg::OwnerHolds::instance().holds(owner_), 2);
    for (std::size_t i = 0; i < 2; ++i) {
        auto* box = dynamic_cast<MessageBoxWindow*>(SkinUI::WindowImplBase::fromHandle(boxes[i]));
        ASSERT_TRUE(box);
        click(*box, *button(*box, 0));
        ASSERT_TRUE(pumpUntil([&] { return !::IsWindow(boxes[i]); }, 3000));
        // Never enabled under a box that is still open.
        EXPECT_EQ(::IsWindowEnabled(owner_) != FALSE, i == 1) << "after closing box " << i;
    }
    EXPECT_EQ(OpenBoxRegistry::instance().size(), 0u);
}

TEST_F(MessageBoxTest, EmptyIconPathGivesTheIconsRoomToTheText)
{
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"", L"with icon");
    MessageBoxWindow* box = onlyBox();
    ASSERT_TRUE(box);
    SkinUI::CControlUI* icon = box->findControl(L"msgiconimage");
    SkinUI::CControlUI* label = box->findControl(L"descriptlabel");
    ASSERT_TRUE(icon && label);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(icon->image(L"bkimage")->file, L"msg/msg_error_icon.png");
    EXPECT_EQ(label->fixedWidth(), 273);
    // No title given: the layout's "@prompt" in the table's language.
    EXPECT_EQ(box->findControl(L"titlelabel")->displayText(), L"Prompt");
    box->setIcon(L"msg/msg_warning_icon.png");
    EXPECT_EQ(icon->image(L"bkimage")->file, L"msg/msg_warning_icon.png");
    click(*box, *button(*box, 0));
    ASSERT_TRUE(allClosed());

    msg::showMessageBox(owner_, L"", L"Prompt", L"without icon", selection(L"a", nullptr, false),
                        selection(L"b", nullptr, true));
    box = onlyBox();
    ASSERT_TRUE(box);
    icon = box->findControl(L"msgiconimage");
    label = box->findControl(L"descriptlabel");
    EXPECT_FALSE(icon->isVisible());
    EXPECT_EQ(label->fixedWidth(), 329);
    const RECT pad = label->textPadding();
    EXPECT_EQ(pad.left, 20);
    EXPECT_EQ(pad.top, 0);
    EXPECT_EQ(pad.right, 0);
    EXPECT_EQ(pad.bottom, 16);
    EXPECT_EQ(label->textStyle() & (DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER), UINT(DT_WORDBREAK | DT_VCENTER));
    box->paintNow();
    EXPECT_EQ(label->pos().left, 50) << "the label starts where the icon was";
}

TEST_F(MessageBoxTest, CloseButtonAndEscapeRunTheCloseActionNotAButtonAction)
{
    for (int way = 0; way < 2; ++way) {
        int closed = 0, chosen = 0;
        msg::IMessageBox* made = msg::createMessageBox(owner_, msg::kMessageBoxLayout);
        ASSERT_TRUE(made);
        made->setText(L"close me");
        made->setCloseCallback([&] { ++closed; });
        made->addSelection(selection(L"ok", [&] { ++chosen; }, true));
        auto* box = dynamic_cast<MessageBoxWindow*>(made);
        ASSERT_TRUE(box);
        if (way == 0) {
            click(*box, *box->findControl(L"closebtn"));
        } else {
            MSG key = {};
            key.hwnd = box->hwnd();
            key.message = WM_KEYDOWN;
            key.wParam = VK_ESCAPE;
            EXPECT_TRUE(SkinUI::WindowImplBase::translateMessage(&key));
        }
        ASSERT_TRUE(allClosed()) << "way " << way;
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(chosen, 0);
        EXPECT_TRUE(::IsWindowEnabled(owner_));
        EXPECT_FALSE(OpenBoxRegistry::instance().contains(L"close me"));
    }
}

TEST_F(MessageBoxTest, OwnerDestroyedUnderAnOpenBoxTakesTheBoxAlong)
{
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", L"owner goes");
    ASSERT_EQ(windowsOf(L"MessageBoxWindow").size(), 1u);
    ::DestroyWindow(owner_);
    EXPECT_TRUE(allClosed());
    EXPECT_FALSE(OpenBoxRegistry::instance().contains(L"owner goes"));
    EXPECT_EQ(msg::OwnerHolds::instance().holds(owner_), 0);

    // A button whose action destroys the owner: the box goes during its own
    // click and must not be touched afterwards.
    owner_ = makeOwner();
    bool ran = false;
    msg::showErrorBox(owner_, selection(L"quit", [&] { ran = ::DestroyWindow(owner_) != FALSE; }, true), L"Error",
                      L"action destroys the owner");
    MessageBoxWindow* box = onlyBox();
    ASSERT_TRUE(box);
    click(*box, *button(*box, 0));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(allClosed());
    EXPECT_EQ(OpenBoxRegistry::instance().size(), 0u);
}

TEST_F(MessageBoxTest, LongMarkupWrapsInsideTheLabel)
{
    std::wstring text = L"<c #30E030>";
    for (int i = 0; i < 40; ++i) text += L"word" + std::to_wstring(i) + L" ";
    text += L"</c>";
    msg::showErrorBox(owner_, msg::makeConfirmSelection(nullptr), L"Error", text);
    MessageBoxWindow* box = onlyBox();
    ASSERT_TRUE(box);
    const SkinUI::CSurface& surface = box->paintNow();
    const RECT label = box->findControl(L"descriptlabel")->pos();
    // Green text pixels: where the mark-up colour shows (nothing else of
    // the box is green).
    auto green = [&](int x, int y) {
        const DWORD p = surface.pixel(x, y);
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return g > 100 && g > r + 50 && g > b + 50;
    };
    int inside = 0, outside = 0, rowsWithText = 0;
    for (int y = 0; y < surface.height(); ++y) {
        bool rowHas = false;
        for (int x = 0; x < surface.width(); ++x) {
            if (!green(x, y)) continue;
            const bool in = x >= label.left && x < label.right && y >= label.top && y < label.bottom;
            (in ? inside : outside)++;
            rowHas = rowHas || in;
        }
        rowsWithText += rowHas ? 1 : 0;
    }
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0) << "text drawn outside the label";
    // Several lines, not one long line cut at the edge.
    EXPECT_GT(rowsWithText, 40);
}

TEST_F(MessageBoxTest, TheSafeButtonHasTheFocusAndEnterPressesIt)
{
    std::vector<std::wstring> ran;
    msg::showMessageBox(owner_, L"", L"Prompt <c #FFFFFF>x</c>", L"leave?",
                        selection(L"Sure", [&] { ran.push_back(L"sure"); }, false),
                        selection(L"Cancel", [&] { ran.push_back(L"cancel"); }, true));
    MessageBoxWindow* box = onlyBox();
    ASSERT_TRUE(box);
    // Screen readers hear the title as the window's name.
    wchar_t name[64] = {};
    ::GetWindowTextW(box->hwnd(), name, 64);
    EXPECT_STREQ(name, L"Prompt x");
    ASSERT_TRUE(pumpUntil([&] { return box->focused() == button(*box, 1); }, 2000));
    ::SendMessageW(box->hwnd(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(allClosed());
    EXPECT_EQ(ran, std::vector<std::wstring>{L"cancel"});

    // A lone grey button is the safe one too.
    msg::showErrorBox(owner_, selection(L"Ok", [&] { ran.push_back(L"ok"); }, false), L"Error", L"failed");
    box = onlyBox();
    ASSERT_TRUE(box);
    ASSERT_TRUE(pumpUntil([&] { return box->focused() == button(*box, 0); }, 2000));
    ::SendMessageW(box->hwnd(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(allClosed());
    EXPECT_EQ(ran.back(), L"ok");
}
