// The skin the program ships: every layout the windows open, with the
// control names, pages and sizes the windows rely on, every picture they
// name, and the four string bundles.

#include "skinui/layout_builder.h"
#include "skinui/resources.h"
#include "skinui/scale.h"
#include "skinui/xml_document.h"
#include "shipped_skin.h"
#include "test_support.h"
#include "ui/skin/skin_files.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <set>

using ui::skin::SkinFiles;

namespace {

std::string narrow(const std::wstring& text) { return utility::wideToUtf8(text); }

class ShippedSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        files_ = testing_support::shippedSkin().release();
    }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }
    void SetUp() override { SkinUI::setFileSource(files_); }
    void TearDown() override { SkinUI::setFileSource(nullptr); }

    void build(const wchar_t* file, SkinUI::CWindowLayout& layout)
    {
        ASSERT_TRUE(SkinUI::CDialogBuilder::build(file, layout)) << narrow(file);
        ASSERT_TRUE(layout.root) << narrow(file);
        layout.layout();
    }

    static SkinFiles* files_;
};

SkinFiles* ShippedSkin::files_ = nullptr;

void expectNamed(const SkinUI::CWindowLayout& layout, const std::vector<const wchar_t*>& names, const wchar_t* file)
{
    for (const wchar_t* name : names) EXPECT_TRUE(layout.findControl(name)) << narrow(file) << " lacks " << narrow(name);
}

// The page of "maintab" that holds the control, or -1.
int pageOf(const SkinUI::CWindowLayout& layout, const wchar_t* name)
{
    SkinUI::CContainerUI* tab = layout.findControl(L"maintab")->asContainer();
    for (std::size_t i = 0; i < tab->count(); ++i)
        if (tab->itemAt(i)->findControl(name)) return static_cast<int>(i);
    return -1;
}

void collectImages(SkinUI::CControlUI& control, std::set<std::wstring>& files)
{
    static const wchar_t* const kImages[] = {L"bkimage",       L"normalimage",   L"hotimage",
                                             L"pushedimage",   L"disabledimage", L"selectedimage",
                                             L"selectedhotimage", L"foreimage",  L"focusedimage"};
    for (const wchar_t* which : kImages)
        if (const SkinUI::CImageDesc* image = control.image(which)) files.insert(image->file);
    if (SkinUI::CContainerUI* container = control.asContainer())
        for (std::size_t i = 0; i < container->count(); ++i) collectImages(*container->itemAt(i), files);
}

// Width and height from a PNG's or BMP's header; 0x0 for anything else.
SIZE pictureSize(const std::string& bytes)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 24 && bytes.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) == 0)
        return SIZE{(byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19),
                    (byte(20) << 24) | (byte(21) << 16) | (byte(22) << 8) | byte(23)};
    if (bytes.size() >= 26 && bytes.compare(0, 2, "BM") == 0) {
        const LONG w = static_cast<LONG>(byte(18) | (byte(19) << 8) | (byte(20) << 16) | (byte(21) << 24));
        const LONG h = static_cast<LONG>(byte(22) | (byte(23) << 8) | (byte(24) << 16) | (byte(25) << 24));
        return SIZE{w, h < 0 ? -h : h};
    }
    return SIZE{0, 0};
}

const wchar_t* const kLayouts[] = {L"mainframe.xml", L"mainframe_xp.xml", L"protocolwnd.xml", L"protocolwnd_xp.xml",
                                   L"msg/xml_messagebox.xml"};

} // namespace

TEST_F(ShippedSkin, MainWindowLayoutsHoldEveryControlOnItsPage)
{
    for (const wchar_t* file : {L"mainframe.xml", L"mainframe_xp.xml"}) {
        SkinUI::CWindowLayout layout;
        build(file, layout);
        expectNamed(layout,
                    {L"logoControl", L"titlename", L"addQQGroupBtn", L"minbtn", L"closebtn", L"maintab"}, file);
        ASSERT_TRUE(layout.findControl(L"maintab"));
        ASSERT_EQ(layout.findControl(L"maintab")->asContainer()->count(), 5u) << narrow(file);
        const std::vector<std::pair<int, std::vector<const wchar_t*>>> pages = {
            {0,
             {L"userdefinitionsui", L"pathedit", L"browsebtn", L"errorpathnoticeui", L"pathErrorLabel",
              L"protocoleLayout", L"acceptprotocolopt", L"LicenseAgreementText", L"protocollinkbtn",
              L"userdefinitionBtn", L"backBtn", L"direction_left", L"direction_right", L"installnowbtn"}},
            {1, {L"protocoledit", L"confirmprotocolbtn"}},
            {2,
             {L"loadingprogresslabel", L"installprogressbar", L"progress_download_label", L"progress_install_label",
              L"progress_finish_label", L"downloadProgressLabel", L"homepageBtn"}},
            {3, {L"apkinstallprogresslabel", L"apkfilenamelabel", L"apkinstallprogressbar"}},
            {4, {L"tastenowbtn"}},
        };
        for (const auto& page : pages)
            for (const wchar_t* name : page.second)
                EXPECT_EQ(pageOf(layout, name), page.first) << narrow(file) << ": " << narrow(name);

        EXPECT_EQ(layout.findControl(L"addQQGroupBtn")->tooltip(), L"加入官方QQ群");
        EXPECT_EQ(layout.findControl(L"downloadProgressLabel")->text(), L"0/0M");
        EXPECT_FALSE(layout.findControl(L"userdefinitionsui")->isVisible());
        EXPECT_FALSE(layout.findControl(L"backBtn")->isVisible());
        EXPECT_FALSE(layout.findControl(L"direction_left")->isVisible());
        EXPECT_TRUE(layout.findControl(L"direction_right")->isVisible());
        auto* accept = dynamic_cast<SkinUI::COptionUI*>(layout.findControl(L"acceptprotocolopt"));
        ASSERT_TRUE(accept);
        EXPECT_TRUE(accept->isSelected());
        EXPECT_TRUE(layout.findControl(L"LicenseAgreementText")->showHtml());
        EXPECT_TRUE(layout.findControl(L"apkinstallprogresslabel")->showHtml());
        EXPECT_TRUE(dynamic_cast<SkinUI::CEditUI*>(layout.findControl(L"pathedit")));
        EXPECT_TRUE(dynamic_cast<SkinUI::CRichEditUI*>(layout.findControl(L"protocoledit")));
        for (const wchar_t* bar : {L"installprogressbar", L"apkinstallprogressbar"}) {
            auto* progress = dynamic_cast<SkinUI::CProgressUI*>(layout.findControl(bar));
            ASSERT_TRUE(progress) << narrow(bar);
            EXPECT_EQ(progress->minValue(), 0);
            EXPECT_EQ(progress->maxValue(), 100);
            EXPECT_EQ(progress->value(), 0);
            EXPECT_TRUE(progress->image(L"foreimage"));
        }
    }
}

TEST_F(ShippedSkin, XpVariantsAreSmallerFlatAndKeepTheirOwnDifferences)
{
    SkinUI::CWindowLayout main, xp;
    build(L"mainframe.xml", main);
    build(L"mainframe_xp.xml", xp);
    EXPECT_EQ(main.size.cx, 610);
    EXPECT_EQ(main.size.cy, 480);
    EXPECT_TRUE(main.hasLayeredImage);
    EXPECT_EQ(main.layeredImage.file, L"shadow.png");
    EXPECT_EQ(main.roundCorner.cx, 4);
    EXPECT_EQ(xp.size.cx, 590);
    EXPECT_EQ(xp.size.cy, 460);
    EXPECT_FALSE(xp.hasLayeredImage);
    EXPECT_EQ(xp.roundCorner.cx, 0);

    // The white body sits 10 pixels in on the shadowed window, flush on XP.
    EXPECT_EQ(main.findControl(L"bodyui")->pos().left, 10);
    EXPECT_EQ(main.findControl(L"bodyui")->pos().bottom, 470);
    EXPECT_EQ(xp.findControl(L"bodyui")->pos().left, 0);
    EXPECT_EQ(xp.findControl(L"bodyui")->pos().bottom, 460);

    EXPECT_FALSE(main.findControl(L"progress_homepage"));
    EXPECT_TRUE(xp.findControl(L"progress_homepage"));
    EXPECT_EQ(main.findControl(L"acceptprotocolopt")->image(L"normalimage")->file, L"checkbox_unselected.png");
    EXPECT_EQ(main.findControl(L"acceptprotocolopt")->image(L"selectedimage")->file, L"checkbox_selected.png");
    EXPECT_EQ(main.findControl(L"acceptprotocolopt")->fixedWidth(), 18);
    EXPECT_EQ(xp.findControl(L"acceptprotocolopt")->image(L"normalimage")->file, L"check_box_downloader.png");
    EXPECT_EQ(xp.findControl(L"acceptprotocolopt")->fixedWidth(), 14);

    // Progress-page labels 20 pixels lower, measured from the pages' top.
    auto topInPage = [](SkinUI::CWindowLayout& layout, const wchar_t* name) {
        static_cast<SkinUI::CTabLayoutUI*>(layout.findControl(L"maintab"))->selectItem(2);
        return layout.findControl(name)->pos().top - layout.findControl(L"maintab")->pos().top;
    };
    for (const wchar_t* label : {L"loadingprogresslabel", L"progress_download_label", L"downloadProgressLabel"})
        EXPECT_EQ(topInPage(xp, label) - topInPage(main, label), 20) << narrow(label);
}

TEST_F(ShippedSkin, LicenceAndMessageBoxLayoutsMatchTheirWindows)
{
    SkinUI::CWindowLayout protocol, protocolXp, box;
    build(L"protocolwnd.xml", protocol);
    build(L"protocolwnd_xp.xml", protocolXp);
    build(L"msg/xml_messagebox.xml", box);

    EXPECT_EQ(protocol.size.cx, 610);
    EXPECT_EQ(protocol.size.cy, 480);
    EXPECT_EQ(protocol.minInfo.cx, 590);
    EXPECT_EQ(protocol.minInfo.cy, 430);
    EXPECT_TRUE(protocol.hasLayeredImage);
    EXPECT_EQ(protocolXp.size.cx, 580);
    EXPECT_EQ(protocolXp.size.cy, 450);
    EXPECT_FALSE(protocolXp.hasLayeredImage);
    ASSERT_EQ(protocol.fonts.size(), 3u);
    EXPECT_EQ(protocol.fonts[1].size, 16);
    EXPECT_EQ(protocol.fonts[2].size, 14);
    EXPECT_FALSE(protocol.findControl(L"closebtn"));

    const RECT& edit = protocol.findControl(L"protocoledit")->pos();
    EXPECT_EQ(edit.left, 38);
    EXPECT_EQ(edit.top, 45);
    EXPECT_EQ(edit.right - edit.left, 534);
    EXPECT_EQ(edit.bottom - edit.top, 358);
    EXPECT_EQ(protocolXp.findControl(L"protocoledit")->pos().left, 23);
    const RECT& sure = protocol.findControl(L"confirmprotocolbtn")->pos();
    EXPECT_EQ(sure.left, 15 + 250);
    EXPECT_EQ(sure.top, 282 + 138);
    EXPECT_EQ(sure.right - sure.left, 80);
    EXPECT_EQ(protocol.findControl(L"confirmprotocolbtn")->text(), L"Sure");
    EXPECT_EQ(protocolXp.findControl(L"confirmprotocolbtn")->text(), L"@confirm");
    auto* rich = dynamic_cast<SkinUI::CRichEditUI*>(protocol.findControl(L"protocoledit"));
    ASSERT_TRUE(rich);
    EXPECT_TRUE(rich->isReadOnly() && rich->isMultiLine() && rich->hasVScrollBar() && rich->autoVScroll());

    EXPECT_EQ(box.size.cx, 410);
    EXPECT_EQ(box.size.cy, 210);
    EXPECT_EQ(box.caption.bottom, 200);
    expectNamed(box, {L"titlelabel", L"closebtn", L"msgiconimage", L"descriptlabel", L"bottombar"},
                L"msg/xml_messagebox.xml");
    EXPECT_EQ(box.findControl(L"titlelabel")->text(), L"@prompt");
    EXPECT_EQ(box.findControl(L"descriptlabel")->fixedWidth(), 273);
    EXPECT_EQ(box.findControl(L"msgiconimage")->image(L"bkimage")->file, L"msg/msg_error_icon.png");
    EXPECT_EQ(box.findControl(L"bottombar")->pos().bottom - box.findControl(L"bottombar")->pos().top, 52);
    // The scroll-bar look reaches the rich edit's window through the include.
    EXPECT_EQ(protocol.defaults.count(L"VScrollBar"), 1u);
}

TEST_F(ShippedSkin, EveryNamedPictureShips)
{
    // Besides the layouts: the pictures the dialogs and the folder edit set
    // from code.
    std::set<std::wstring> named = {L"msg/msg_notice_icon.png", L"msg/msg_warning_icon.png", L"msg/msg_error_icon.png",
                                    L"msg/msg_button_def.png",  L"msg/msg_button_sup.png",   L"scrollbar.bmp",
                                    L"error_edit_bg.png"};
    for (const wchar_t* file : kLayouts) {
        SkinUI::CWindowLayout layout;
        build(file, layout);
        collectImages(*layout.root, named);
        if (layout.hasLayeredImage) named.insert(layout.layeredImage.file);
    }
    EXPECT_GE(named.size(), 27u);
    for (const wchar_t* once : {L"error_icon_small.png", L"bg_white.png", L"button_bg.png", L"progress_tip_bg.png",
                                L"btn_bg_normal.png", L"btn_bg_disable.png"})
        EXPECT_EQ(named.count(once), 1u) << narrow(once);
    std::string bytes;
    for (const std::wstring& file : named) {
        ASSERT_TRUE(files_->readFile(file, bytes)) << narrow(file);
        const bool png = bytes.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) == 0;
        const bool bmp = bytes.compare(0, 2, "BM") == 0;
        EXPECT_TRUE(utility::endsWith(file, L".png") ? png : bmp) << narrow(file);
        // Drawn again for 150 % and 200 %, at exactly that scale, so the
        // layouts' cells and corners land on whole pixels.
        const SIZE base = pictureSize(bytes);
        ASSERT_GT(base.cx, 0) << narrow(file);
        for (int percent : {150, 200}) {
            const std::wstring variant = SkinUI::pictureVariant(file, percent);
            ASSERT_TRUE(files_->readFile(variant, bytes)) << narrow(variant);
            const SIZE size = pictureSize(bytes);
            EXPECT_EQ(size.cx, base.cx * percent / 100) << narrow(variant);
            EXPECT_EQ(size.cy, base.cy * percent / 100) << narrow(variant);
        }
    }
}

TEST_F(ShippedSkin, FourBundlesHoldTheSameIdsInTheSameOrder)
{
    std::vector<std::vector<std::wstring>> ids;
    std::wstring englishAccept;
    for (const wchar_t* file : {L"language/downloader_cn.xml", L"language/downloader_en.xml",
                                L"language/downloader_kr.xml", L"language/downloader_tw.xml"}) {
        std::string bytes;
        ASSERT_TRUE(files_->readFile(file, bytes)) << narrow(file);
        SkinUI::CXmlDocument doc;
        ASSERT_TRUE(doc.parse(SkinUI::fromUtf8(bytes))) << narrow(file);
        EXPECT_EQ(doc.root()->name(), L"StringBundle");
        EXPECT_EQ(doc.root()->attribute(L"ver"), L"100");
        ids.emplace_back();
        for (const auto& child : doc.root()->children()) {
            EXPECT_EQ(child->name(), L"String");
            EXPECT_FALSE(child->text().empty()) << narrow(child->attribute(L"id"));
            ids.back().push_back(child->attribute(L"id"));
            if (std::wstring(file).find(L"_en") != std::wstring::npos && child->attribute(L"id") == L"protocol_accept")
                englishAccept = child->text();
        }
    }
    ASSERT_EQ(ids[0].size(), 47u);
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_EQ(ids[i], ids[0]);
    EXPECT_EQ(englishAccept, L"Read and agree Kolvex <c #0492D3><u #0492D3>license</u></c>");
}
