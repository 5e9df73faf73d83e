// Display scaling without a window: the arithmetic, the order of picture
// scales, the awareness fallbacks, resizing pictures, and the shipped
// layouts laid out and measured at 100 to 200 %.

#include "shipped_skin.h"
#include "skinui/dpi.h"
#include "skinui/painter.h"
#include "skinui/resample.h"
#include "skinui/scale.h"
#include "skinui/text_fit.h"
#include "skinui/xml_document.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <map>

using namespace SkinUI;

namespace {

const int kDpis[] = {96, 120, 144, 168, 192};

std::string narrow(const std::wstring& text) { return utility::wideToUtf8(text); }

} // namespace

TEST(DisplayScale, ValuesRoundOnceAndComeBack)
{
    struct Case {
        int value, dpi, pixels;
    } cases[] = {{610, 96, 610}, {610, 120, 763}, {610, 144, 915}, {610, 168, 1068}, {610, 192, 1220},
                 {1, 120, 1},    {1, 144, 2},     {2, 120, 3},     {-1, 144, -1},     {-10, 120, -12},
                 {7, 0, 7},      {7, 9000, 35},   {0, 192, 0}};
    for (const Case& c : cases) EXPECT_EQ(scaleValue(c.value, c.dpi), c.pixels) << c.value << " at " << c.dpi;
    for (int dpi : kDpis) {
        int previous = scaleValue(-50, dpi);
        for (int v = -49; v <= 700; ++v) {
            const int p = scaleValue(v, dpi);
            ASSERT_GE(p, previous) << v << " at " << dpi; // never backwards: no overlap
            ASSERT_EQ(unscaleValue(p, dpi), v) << v << " at " << dpi;
            previous = p;
        }
    }
    const RECT r = scaleRect(RECT{40, 16, 550, 88}, 120);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 688);
    EXPECT_EQ(r.bottom, 110);
    EXPECT_FLOAT_EQ(scaleFontSize(12, 144), 18.0f);
}

TEST(DisplayScale, PictureScalesNearestAtOrAboveFirst)
{
    const std::map<int, std::vector<int>> order = {{96, {100, 150, 200}},  {120, {150, 200, 100}},
                                                   {144, {150, 200, 100}}, {168, {200, 150, 100}},
                                                   {192, {200, 150, 100}}, {288, {200, 150, 100}}};
    for (const auto& entry : order) EXPECT_EQ(pictureScales(entry.first), entry.second) << entry.first;
    EXPECT_EQ(pictureVariant(L"shadow.png", 100), L"shadow.png");
    EXPECT_EQ(pictureVariant(L"shadow.png", 150), L"shadow@1.5x.png");
    EXPECT_EQ(pictureVariant(L"msg/msg_close_btn.png", 200), L"msg/msg_close_btn@2x.png");
    EXPECT_EQ(pictureVariant(L"scrollbar.bmp", 200), L"scrollbar@2x.bmp");
    EXPECT_EQ(pictureVariant(L"v1.0/logo", 150), L"v1.0/logo@1.5x");
}

TEST(DisplayScale, AwarenessFallsBackInOrderAndStopsWhereSetBefore)
{
    const DWORD kInvalid = ERROR_INVALID_PARAMETER, kDenied = ERROR_ACCESS_DENIED, kMissing = ERROR_PROC_NOT_FOUND;
    struct Case {
        const char* system;
        std::vector<DWORD> answers; // v2, v1, system
        DpiAwareness expected;
        int tried;
    } cases[] = {
        {"Windows 10 1703 on", {0, 0, 0}, DpiAwareness::PerMonitorV2, 1},
        {"Windows 10 1607", {kInvalid, 0, 0}, DpiAwareness::PerMonitor, 2},
        {"Windows 7", {kMissing, kMissing, 0}, DpiAwareness::System, 3},
        {"Windows XP", {kMissing, kMissing, kMissing}, DpiAwareness::Unaware, 3},
        // Wine 8 refuses v2 as invalid and v1 as set: what is set holds.
        {"Wine 8", {kInvalid, kDenied, 0}, DpiAwareness::System, 2},
        {"manifest read", {kDenied, 0, 0}, DpiAwareness::System, 1},
    };
    for (const Case& c : cases) {
        int tried = 0;
        std::vector<AwarenessStep> steps;
        const DpiAwareness levels[] = {DpiAwareness::PerMonitorV2, DpiAwareness::PerMonitor, DpiAwareness::System};
        for (int i = 0; i < 3; ++i) {
            const DWORD answer = c.answers[i];
            steps.push_back({levels[i], [&tried, answer] {
                                 ++tried;
                                 return answer;
                             }});
        }
        EXPECT_EQ(chooseAwareness(steps, [] { return DpiAwareness::System; }), c.expected) << c.system;
        EXPECT_EQ(tried, c.tried) << c.system;
    }
}

TEST(DisplayScale, ResizingAveragesOrInterpolatesAndNeverBleeds)
{
    const DWORD red = 0xFFFF0000, black = 0xFF000000, white = 0xFFFFFFFF, clear = 0;
    // Row of 6: red | black black white white | red; the part is the middle 4.
    const std::vector<DWORD> row = {red, black, black, white, white, red};
    const RECT middle = {1, 0, 5, 1};
    EXPECT_EQ(resamplePart(row.data(), 6, 1, middle, 2, 1), (std::vector<DWORD>{black, white}));
    EXPECT_EQ(resamplePart(row.data(), 6, 1, middle, 1, 1), (std::vector<DWORD>{0xFF808080}));
    const std::vector<DWORD> grown = resamplePart(row.data(), 6, 1, middle, 11, 1);
    ASSERT_EQ(grown.size(), 11u);
    EXPECT_EQ(grown.front(), black);
    EXPECT_EQ(grown.back(), white);
    for (std::size_t i = 0; i < grown.size(); ++i) {
        EXPECT_EQ((grown[i] >> 16) & 0xFF, grown[i] & 0xFF) << "red from outside the part at " << i;
        if (i) {
            EXPECT_GE(grown[i] & 0xFF, grown[i - 1] & 0xFF) << i;
        }
    }
    // Premultiplied pixels stay valid, and flat parts stay flat.
    const std::vector<DWORD> half = {0x80800000, clear, 0x80008000, clear};
    for (DWORD p : resamplePart(half.data(), 2, 2, RECT{0, 0, 2, 2}, 3, 5))
        for (int shift = 0; shift < 24; shift += 8) EXPECT_LE((p >> shift) & 0xFF, p >> 24);
    const std::vector<DWORD> flat(9, 0x80402010);
    EXPECT_TRUE(uniformPart(flat.data(), 3, RECT{0, 0, 3, 3}));
    EXPECT_FALSE(uniformPart(row.data(), 6, middle));
    for (DWORD p : resamplePart(flat.data(), 3, 3, RECT{0, 0, 3, 3}, 7, 2)) EXPECT_EQ(p, 0x80402010u);
}

namespace {

class ScaledSkin : public testing_support::SkinPictureTest {
protected:
    // The main layout with the texts its window sets (simplified Chinese
    // bundle), the custom view shown when asked.
    void buildMain(CWindowLayout& layout, bool custom)
    {
        ASSERT_TRUE(CDialogBuilder::build(L"mainframe.xml", layout));
        std::string bytes;
        ASSERT_TRUE(loadFile(L"language/downloader_cn.xml", bytes));
        CXmlDocument bundle;
        ASSERT_TRUE(bundle.parse(fromUtf8(bytes)));
        std::map<std::wstring, std::wstring> texts;
        for (const auto& child : bundle.root()->children()) texts[child->attribute(L"id")] = child->text();
        const std::pair<const wchar_t*, const wchar_t*> shown[] = {
            {L"progress_download_label", L"progress_download_label"}, {L"progress_install_label", L"progress_install_label"},
            {L"progress_finish_label", L"progress_finish_label"},     {L"loadingprogresslabel", L"progress_downloading_label"},
            {L"pathErrorLabel", L"Label_path_error"},                 {L"LicenseAgreementText", L"protocol_accept"},
            {L"tastenowbtn", L"Button_start_player"},                 {L"userdefinitionBtn", L"Button_install_define"},
            {L"backBtn", L"Button_install_back"},                     {L"browsebtn", L"browser"},
            {L"homepageBtn", L"homepage"},                            {L"apkinstallprogresslabel", L"Label_installingapp_waiting"},
            {L"installnowbtn", custom ? L"Button_install_now" : L"Button_install_fast"}};
        for (const auto& pair : shown) layout.findControl(pair.first)->setText(texts[pair.second]);
        layout.findControl(L"downloadProgressLabel")->setText(L"286.10M/286.10M");
        layout.findControl(L"apkfilenamelabel")->setText(L"com.example.game.apk");
        for (const wchar_t* name : {L"userdefinitionsui", L"errorpathnoticeui", L"backBtn"})
            layout.findControl(name)->setVisible(custom);
        layout.findControl(L"userdefinitionBtn")->setVisible(!custom);
    }

};

// Children of the line layouts that touch in layout units touch in
// pixels, and those apart stay apart; every control sits where its box
// scales to, inside its parent.
void expectTouchingAndNested(CControlUI& control, int dpi, const std::string& where)
{
    const RECT expected = scaleRect(control.box(), dpi);
    EXPECT_TRUE(EqualRect(&expected, &control.pos())) << where << " " << narrow(control.name());
    CContainerUI* container = control.asContainer();
    if (!container) return;
    std::vector<CControlUI*> shown;
    for (std::size_t i = 0; i < container->count(); ++i)
        if (container->itemAt(i)->isVisible()) shown.push_back(container->itemAt(i));
    for (CControlUI* child : shown) {
        const RECT& c = child->pos();
        const RECT& p = control.pos();
        const RECT& cb = child->box();
        const RECT& pb = control.box();
        if (cb.left >= pb.left && cb.right <= pb.right && cb.top >= pb.top && cb.bottom <= pb.bottom) {
            EXPECT_TRUE(c.left >= p.left && c.right <= p.right && c.top >= p.top && c.bottom <= p.bottom)
                << where << " " << narrow(child->name()) << " leaves " << narrow(control.name());
        }
        expectTouchingAndNested(*child, dpi, where);
    }
    const bool line = dynamic_cast<CHorizontalLayoutUI*>(&control) || dynamic_cast<CVerticalLayoutUI*>(&control);
    for (std::size_t i = 0; line && i + 1 < shown.size(); ++i) {
        const RECT& a = shown[i]->box();
        const RECT& b = shown[i + 1]->box();
        const RECT& pa = shown[i]->pos();
        const RECT& pb = shown[i + 1]->pos();
        const bool vertical = dynamic_cast<CVerticalLayoutUI*>(&control) != nullptr;
        const LONG gap = vertical ? b.top - a.bottom : b.left - a.right;
        const LONG scaledGap = vertical ? pb.top - pa.bottom : pb.left - pa.right;
        if (gap == 0) {
            EXPECT_EQ(scaledGap, 0) << where << " " << narrow(shown[i]->name()) << " | " << narrow(shown[i + 1]->name());
        } else if (gap > 0) {
            EXPECT_GT(scaledGap, 0) << where << " " << narrow(shown[i + 1]->name());
        }
    }
}

} // namespace

TEST_F(ScaledSkin, LayoutsTouchNestAndSizeAtEveryScale)
{
    for (int dpi : kDpis) {
        for (bool custom : {false, true}) {
            CWindowLayout layout;
            buildMain(layout, custom);
            const SIZE size = scaleSize(layout.size, dpi);
            EXPECT_EQ(size.cx, (610 * dpi + 48) / 96);
            layout.layout(size.cx, size.cy, dpi);
            const std::string where = "mainframe at " + std::to_string(dpi) + (custom ? " custom" : "");
            expectTouchingAndNested(*layout.root, dpi, where);
            // A page chosen after the layout pass is placed at the same scale.
            auto* tab = dynamic_cast<CTabLayoutUI*>(layout.findControl(L"maintab"));
            ASSERT_TRUE(tab && tab->selectItem(2));
            expectTouchingAndNested(*layout.root, dpi, where + " page 2");
            const RECT bar = layout.findControl(L"installprogressbar")->pos();
            EXPECT_EQ(bar.left, scaleValue(50, dpi)) << where;
            EXPECT_EQ(bar.right, size.cx - scaleValue(50, dpi)) << where;
        }
        for (const wchar_t* file : {L"protocolwnd.xml", L"msg/xml_messagebox.xml"}) {
            CWindowLayout layout;
            ASSERT_TRUE(CDialogBuilder::build(file, layout));
            const SIZE size = scaleSize(layout.size, dpi);
            layout.layout(size.cx, size.cy, dpi);
            expectTouchingAndNested(*layout.root, dpi, narrow(file) + " at " + std::to_string(dpi));
        }
    }
}

TEST_F(ScaledSkin, TextsFitAndGrowWithTheirBoxes)
{
    std::map<std::wstring, int> widthAt96;
    for (int dpi : kDpis) {
        for (int page : {0, 2, 3}) {
            for (bool custom : {false, true}) {
                if (page != 0 && custom) continue;
                CWindowLayout layout;
                buildMain(layout, custom);
                const SIZE size = scaleSize(layout.size, dpi);
                dynamic_cast<CTabLayoutUI*>(layout.findControl(L"maintab"))->selectItem(page);
                layout.layout(size.cx, size.cy, dpi);
                CSurface surface;
                ASSERT_TRUE(surface.resize(size.cx, size.cy));
                CPainter painter(surface);
                painter.setDpi(dpi);
                painter.setFonts(layout.fonts);
                const std::vector<CTextFit> fits = measureTexts(painter, *layout.root);
                EXPECT_GE(fits.size(), 2u);
                for (const CTextFit& fit : fits) {
                    EXPECT_TRUE(fit.fits()) << narrow(fit.name) << " at " << dpi << ": needs " << fit.neededWidth << "x"
                                            << fit.neededHeight << ", has " << fit.roomWidth << "x" << fit.roomHeight;
                    // Fonts are made for the DPI: the text grows with its box.
                    if (dpi == 96) {
                        widthAt96[fit.name] = fit.neededWidth;
                    } else if (widthAt96[fit.name] > 20) {
                        EXPECT_NEAR(fit.neededWidth * 96.0 / dpi, widthAt96[fit.name], widthAt96[fit.name] * 0.12 + 2)
                            << narrow(fit.name) << " at " << dpi;
                    }
                }
            }
        }
    }
}

TEST_F(ScaledSkin, PicturesOfTheScaleAndTheOldScaleDroppedOnAMove)
{
    // The browse button's 2x cell has a 2-pixel border: drawn from it, the
    // second column is the border colour itself, not a blend.
    CImageDesc browse;
    ASSERT_TRUE(parseImage(L"file='browse_btn.png' source='0,0,10,10' corner='4,4,4,4'", browse));
    CSurface surface;
    ASSERT_TRUE(surface.resize(200, 80));
    {
        CPainter painter(surface);
        painter.setDpi(192);
        ASSERT_TRUE(painter.drawImage(browse, RECT{0, 0, 160, 64}));
        EXPECT_EQ(surface.pixel(1, 32), 0xFFD8DEE4u);
        EXPECT_EQ(surface.pixel(2, 32), 0xFFFFFFFFu);
        EXPECT_EQ(surface.pixel(158, 32), 0xFFD8DEE4u);
        EXPECT_EQ(cachedPictureCount(200), 1u);
        EXPECT_EQ(cachedPictureCount(100), 0u);

        // 125 %: the 1.5x cell made smaller, smoothly: one border pixel, no
        // hard step copied twice.
        surface.clear();
        painter.setDpi(120);
        ASSERT_TRUE(painter.drawImage(browse, RECT{0, 0, 100, 40}));
        EXPECT_EQ(cachedPictureCount(150), 1u);
        EXPECT_EQ(cachedPictureCount(200), 0u) << "the 2x pictures stay after the move";
        EXPECT_EQ(surface.pixel(2, 20), 0xFFFFFFFFu);

        // Another window still at 200 % keeps its pictures.
        CSurface other;
        ASSERT_TRUE(other.resize(10, 10));
        CPainter second(other);
        second.setDpi(192);
        ASSERT_TRUE(second.drawImage(browse, RECT{0, 0, 10, 10}));
        painter.setDpi(96);
        EXPECT_EQ(cachedPictureCount(200), 1u);
        EXPECT_EQ(cachedPictureCount(150), 0u);
    }
    // Text is made at the DPI, not stretched.
    CPainter at96(surface);
    CPainter at192(surface);
    at192.setDpi(192);
    const std::wstring text = L"Kolvex \x5B89\x88C5";
    EXPECT_NEAR(at192.textWidth(text, text.size(), 0), 2 * at96.textWidth(text, text.size(), 0), 3);
    EXPECT_NEAR(at192.lineHeight(0), 2 * at96.lineHeight(0), 2);
}
