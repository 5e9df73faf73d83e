// The licence window as the main window drives it: one window at a time,
// the licence text from the resource, read-only and scrollable, the layout
// by the system's major version.

#include "dialog_fixture.h"
#include "ui/dialogs/licence_text.h"
#include "ui/dialogs/message_box.h"
#include "ui/dialogs/protocol_wnd.h"
#include "utility/system.h"
#include "utility/text.h"

#include <windowsx.h>

using testing_support::pumpUntil;

namespace {

class ProtocolWndTest : public testing_support::DialogTest {
protected:
    void TearDown() override
    {
        utility::usystem::setOsMajorVersionForTesting(0);
        DialogTest::TearDown();
    }

    // The main window's link handler.
    void openLicence()
    {
        if (!licence_) {
            licence_ = new ProtocolWnd;
            if (!licence_->create(owner_, L"protocolWnd", WS_POPUP | WS_BORDER | WS_SYSMENU, 0)) {
                delete licence_;
                licence_ = nullptr;
                return;
            }
            licence_->centerWindow();
            licence_->setCloseAction([this] { licence_ = nullptr; });
            ++created_;
        }
        licence_->showWindow(true, true);
    }

    ProtocolWnd* licence_ = nullptr;
    int created_ = 0;
};

} // namespace

TEST(LicenceTextTest, BytesBecomeTextWithoutTheMark)
{
    const unsigned char bytes[] = {0xFF, 0xFE, 'K', 0, 0x2F, 0x8B, '\r', 0, '\n', 0, 'x'};
    const std::wstring text = ui::dialogs::licenceFromBytes(bytes, sizeof(bytes));
    EXPECT_EQ(text, std::wstring(L"K\x8B2F\r\n")) << "odd last byte dropped, CR LF kept";
    EXPECT_EQ(ui::dialogs::licenceFromBytes(bytes, 2), L"");
    EXPECT_EQ(ui::dialogs::licenceFromBytes(nullptr, 10), L"");
}

TEST(LicenceTextTest, ProgramCarriesTheChineseThenEnglishLicence)
{
    HMODULE program = ::LoadLibraryExW((testing_support::buildFolder() + L"KolvexSetup.exe").c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program);
    const std::wstring text = ui::dialogs::loadLicenceText(program);
    ::FreeLibrary(program);
    ASSERT_GT(text.size(), 3000u);
    EXPECT_NE(text[0], 0xFEFF);
    // Simplified Chinese first ("许可协议"), the English text after it.
    const std::size_t chinese = text.find(L"\x8BB8\x53EF\x534F\x8BAE");
    const std::size_t english = text.find(L"End User Licence Agreement");
    ASSERT_NE(chinese, std::wstring::npos);
    ASSERT_NE(english, std::wstring::npos);
    EXPECT_LT(chinese, english);
    EXPECT_NE(text.find(L"Kolvex"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\n"), std::wstring::npos);
    // A module without the resource gives no text.
    EXPECT_EQ(ui::dialogs::loadLicenceText(::GetModuleHandleW(L"kernel32.dll")), L"");
}

TEST_F(ProtocolWndTest, LayoutFollowsTheSystemsMajorVersion)
{
    ProtocolWnd window;
    utility::usystem::setOsMajorVersionForTesting(5);
    EXPECT_EQ(window.skinFile(), L"protocolwnd_xp.xml");
    EXPECT_FALSE(utility::usystem::isVistaOrLater());
    utility::usystem::setOsMajorVersionForTesting(6);
    EXPECT_EQ(window.skinFile(), L"protocolwnd.xml");
    EXPECT_TRUE(utility::usystem::isVistaOrLater());
    utility::usystem::setOsMajorVersionForTesting(0);
    EXPECT_GE(utility::usystem::osMajorVersion(), 5u) << "the system's own answer again";
    EXPECT_EQ(window.windowClassName(), std::wstring(L"protocolwnd"));
}

TEST_F(ProtocolWndTest, OneWindowAtATimeAndAFreshOneAfterConfirm)
{
    openLicence();
    ASSERT_TRUE(licence_);
    ProtocolWnd* first = licence_;
    openLicence();
    EXPECT_EQ(licence_, first);
    EXPECT_EQ(windowsOf(L"protocolwnd").size(), 1u);
    EXPECT_TRUE(::IsWindowVisible(first->hwnd()));

    auto* edit = dynamic_cast<SkinUI::CRichEditUI*>(first->findControl(L"protocoledit"));
    ASSERT_TRUE(edit);
    const std::wstring text = ui::dialogs::loadLicenceText(::GetModuleHandleW(nullptr));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(edit->text(), text);
    EXPECT_TRUE(edit->isReadOnly());

    // Confirm closes it; the close action clears the reference.
    click(*first, *first->findControl(L"confirmprotocolbtn"));
    ASSERT_TRUE(pumpUntil([&] { return licence_ == nullptr; }, 3000));
    EXPECT_TRUE(windowsOf(L"protocolwnd").empty());
    openLicence();
    ASSERT_TRUE(licence_);
    EXPECT_EQ(created_, 2);
    EXPECT_EQ(windowsOf(L"protocolwnd").size(), 1u);
}

TEST_F(ProtocolWndTest, TypingChangesNothingAndTheWheelScrolls)
{
    openLicence();
    ASSERT_TRUE(licence_);
    auto* edit = dynamic_cast<SkinUI::CRichEditUI*>(licence_->findControl(L"protocoledit"));
    ASSERT_TRUE(edit);
    licence_->paintNow();
    const std::wstring before = edit->text();
    const RECT r = edit->pos();
    const LPARAM inside = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(licence_->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, inside);
    ::SendMessageW(licence_->hwnd(), WM_LBUTTONUP, 0, inside);
    for (wchar_t c : std::wstring(L"typed")) ::SendMessageW(licence_->hwnd(), WM_CHAR, c, 1);
    ::SendMessageW(licence_->hwnd(), WM_KEYDOWN, VK_BACK, 1);
    ::SendMessageW(licence_->hwnd(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(edit->text(), before);

    ASSERT_GT(edit->contentHeight(), r.bottom - r.top) << "the licence is longer than the box";
    EXPECT_EQ(edit->scrollY(), 0);
    POINT screen = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(licence_->hwnd(), &screen);
    ::SendMessageW(licence_->hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_GT(edit->scrollY(), 0);
    for (int i = 0; i < 2000; ++i)
        ::SendMessageW(licence_->hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(edit->scrollY(), edit->maxScroll()) << "not past the end";
}

TEST_F(ProtocolWndTest, XpLayoutOnMajorVersionFive)
{
    utility::usystem::setOsMajorVersionForTesting(5);
    openLicence();
    ASSERT_TRUE(licence_);
    RECT window;
    ::GetWindowRect(licence_->hwnd(), &window);
    EXPECT_EQ(window.right - window.left, 580);
    EXPECT_EQ(window.bottom - window.top, 450);
    EXPECT_EQ(licence_->findControl(L"confirmprotocolbtn")->displayText(), L"Confirm");
}

namespace {

// A toolkit window as owner, as the main window is.
class ScaledOwner : public SkinUI::WindowImplBase {
public:
    const wchar_t* windowClassName() const override { return L"KolvexScaledOwner"; }
    std::wstring skinFile() override { return L"msg/xml_messagebox.xml"; }
};

SIZE sizeOf(HWND window)
{
    RECT r;
    ::GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

} // namespace

TEST_F(ProtocolWndTest, DialogsOpenAtTheirOwnersScaleAndFollowItsMoves)
{
    // The licence at 100 % first, for its text's height.
    openLicence();
    ASSERT_TRUE(licence_);
    auto* edit = dynamic_cast<SkinUI::CRichEditUI*>(licence_->findControl(L"protocoledit"));
    licence_->paintNow();
    const int textAt96 = edit->contentHeight();
    licence_->close(1);
    ASSERT_TRUE(pumpUntil([&] { return licence_ == nullptr; }, 3000));

    ScaledOwner owner;
    ASSERT_TRUE(owner.create(nullptr, L"owner", WS_POPUP, 0));
    RECT moved = {40, 30, 40 + 615, 30 + 315};
    ::SendMessageW(owner.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&moved));
    ASSERT_EQ(owner.dpi(), 144);

    msg::showMessageBox(owner.hwnd(), L"", L"Prompt", L"scaled", msg::makeConfirmSelection(nullptr),
                        msg::makeConfirmSelection(nullptr));
    ASSERT_EQ(windowsOf(L"MessageBoxWindow").size(), 1u);
    const HWND box = windowsOf(L"MessageBoxWindow")[0];
    EXPECT_EQ(sizeOf(box).cx, 615);
    EXPECT_EQ(sizeOf(box).cy, 315);
    auto* boxWindow = SkinUI::WindowImplBase::fromHandle(box);
    ASSERT_TRUE(boxWindow);
    boxWindow->paintNow();
    // The buttons made in code are laid out at the box's scale too.
    const RECT bar = boxWindow->findControl(L"bottombar")->pos();
    EXPECT_EQ(bar.bottom - bar.top, 78);

    ProtocolWnd* licence = new ProtocolWnd;
    ASSERT_TRUE(licence->create(owner.hwnd(), L"protocolWnd", WS_POPUP | WS_BORDER | WS_SYSMENU, 0));
    EXPECT_EQ(sizeOf(licence->hwnd()).cx, 915);
    EXPECT_EQ(sizeOf(licence->hwnd()).cy, 720);
    licence->paintNow();
    edit = dynamic_cast<SkinUI::CRichEditUI*>(licence->findControl(L"protocoledit"));
    // The licence text's font is made for 150 %: its text grows with it.
    EXPECT_NEAR(edit->contentHeight(), textAt96 * 1.5, textAt96 * 0.1);

    // Each dialog follows its own move to another monitor.
    RECT back = {0, 0, 610, 480};
    ::SendMessageW(licence->hwnd(), 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(sizeOf(licence->hwnd()).cx, 610);
    EXPECT_EQ(licence->findControl(L"protocoledit")->pos().left, 38);
    ::DestroyWindow(licence->hwnd());
}
