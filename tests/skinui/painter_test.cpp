// Painting off screen: pixels of the premultiplied bitmap after drawing
// colours, skin pictures (cells, nine-grid, dest, mask), text with the
// CJK fallback, mark-up, and whole layouts in their control states.

#include "skinui/painter.h"
#include "skinui/render.h"
#include "skinui/resources.h"
#include "skinui/window.h"
#include "shipped_skin.h"
#include "test_support.h"
#include "ui/skin/skin_files.h"
#include "utility/file.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <thread>
#include <vector>

using namespace SkinUI;

namespace {

DWORD alphaOf(DWORD p) { return p >> 24; }
DWORD redOf(DWORD p) { return (p >> 16) & 0xFF; }
DWORD greenOf(DWORD p) { return (p >> 8) & 0xFF; }
DWORD blueOf(DWORD p) { return p & 0xFF; }

// Premultiplied pixel close to an opaque colour.
::testing::AssertionResult closeTo(DWORD pixel, DWORD rgb, int tolerance = 6)
{
    const int d[4] = {static_cast<int>(alphaOf(pixel)) - 255, static_cast<int>(redOf(pixel)) - static_cast<int>((rgb >> 16) & 0xFF),
                      static_cast<int>(greenOf(pixel)) - static_cast<int>((rgb >> 8) & 0xFF),
                      static_cast<int>(blueOf(pixel)) - static_cast<int>(rgb & 0xFF)};
    for (int v : d)
        if (v > tolerance || v < -tolerance) {
            char text[64];
            snprintf(text, sizeof text, "pixel %08lX, wanted FF%06lX", static_cast<unsigned long>(pixel),
                     static_cast<unsigned long>(rgb));
            return ::testing::AssertionFailure() << text;
        }
    return ::testing::AssertionSuccess();
}

// Pixels of a rectangle darker than mid-grey (text on white).
int darkPixels(const CSurface& surface, const RECT& r)
{
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const DWORD p = surface.pixel(x, y);
            if (alphaOf(p) > 0 && redOf(p) + greenOf(p) + blueOf(p) < 3 * 128) ++count;
        }
    return count;
}

class SkinPainting : public testing_support::SkinPictureTest {
protected:
    // Paints a layout of the skin at its own size.
    void paint(CWindowLayout& layout, CSurface& surface, bool caretOn = true)
    {
        ASSERT_TRUE(surface.resize(layout.size.cx, layout.size.cy));
        CPainter painter(surface);
        CPaintOptions options;
        options.caretOn = caretOn;
        paintWindow(painter, layout, options);
    }

    std::unique_ptr<CPainter> painterFor(CSurface& surface) { return std::unique_ptr<CPainter>(new CPainter(surface)); }
};

RECT centre(const RECT& r) { return RECT{(r.left + r.right) / 2, (r.top + r.bottom) / 2, 0, 0}; }

} // namespace

TEST(PainterTest, ColoursArePremultipliedAndClipped)
{
    CSurface surface;
    ASSERT_TRUE(surface.resize(40, 30));
    EXPECT_EQ(surface.pixel(5, 5), 0u);
    {
        CPainter painter(surface);
        painter.fillRect(RECT{0, 0, 20, 30}, 0xFF268FD6);
        painter.fillRect(RECT{20, 0, 40, 30}, 0x80FF0000);
        painter.fillRect(RECT{0, 0, 40, 30}, 0x00FFFFFF); // alpha zero draws nothing
        const RECT clip = {0, 0, 10, 10};
        painter.setClip(&clip);
        painter.fillRect(RECT{0, 0, 40, 30}, 0xFF000000);
        painter.setClip(nullptr);
    }
    EXPECT_TRUE(closeTo(surface.pixel(15, 15), 0x268FD6, 0));
    EXPECT_TRUE(closeTo(surface.pixel(5, 5), 0x000000, 0));
    const DWORD half = surface.pixel(30, 15);
    EXPECT_NEAR(static_cast<int>(alphaOf(half)), 128, 2);
    EXPECT_NEAR(static_cast<int>(redOf(half)), 128, 2); // premultiplied red
    EXPECT_EQ(greenOf(half), 0u);
    EXPECT_EQ(surface.pixel(40, 0), 0u);
    EXPECT_EQ(surface.pixel(-1, 0), 0u);
    EXPECT_FALSE(surface.resize(0, 10));
}

TEST_F(SkinPainting, ImageCellsNineGridDestAndMask)
{
    CSurface surface;
    ASSERT_TRUE(surface.resize(200, 100));
    CPainter painter(surface);
    CImageDesc normal, hot, dest, missing, thumb;
    ASSERT_TRUE(parseImage(L"file='installnow_bg.png' source='0,0,10,10' corner='4,4,4,4'", normal));
    ASSERT_TRUE(parseImage(L"file='installnow_bg.png' source='10,0,20,10' corner='4,4,4,4'", hot));
    ASSERT_TRUE(parseImage(L"file='installnow_bg.png' source='0,0,10,10' dest='10,10,20,20'", dest));
    ASSERT_TRUE(parseImage(L"nothing_here.png", missing));
    ASSERT_TRUE(parseImage(L"file='scrollbar.bmp' source='0,0,8,16' mask='#FFFF00FF'", thumb));

    EXPECT_TRUE(painter.drawImage(normal, RECT{0, 0, 100, 40}));
    EXPECT_TRUE(painter.drawImage(hot, RECT{100, 0, 200, 40}));
    EXPECT_TRUE(painter.drawImage(dest, RECT{0, 50, 100, 100}));
    EXPECT_FALSE(painter.drawImage(missing, RECT{100, 50, 150, 100}));
    EXPECT_TRUE(painter.drawImage(thumb, RECT{160, 50, 168, 66}));

    // The cell is stretched in the middle; its rounded corners keep 4 px.
    EXPECT_TRUE(closeTo(surface.pixel(50, 20), 0x268FD6));
    EXPECT_TRUE(closeTo(surface.pixel(2, 20), 0x268FD6));
    EXPECT_TRUE(closeTo(surface.pixel(50, 1), 0x268FD6));
    EXPECT_LT(alphaOf(surface.pixel(0, 0)), 200u);
    EXPECT_TRUE(closeTo(surface.pixel(150, 20), 0x45A3E2));
    // No seam where the nine pieces meet.
    for (int y = 1; y < 39; ++y) EXPECT_TRUE(closeTo(surface.pixel(50, y), 0x268FD6)) << "row " << y;
    for (int x = 1; x < 99; ++x) EXPECT_TRUE(closeTo(surface.pixel(x, 20), 0x268FD6)) << "column " << x;
    // dest: only the 10x10 square at 10,10 inside the control.
    EXPECT_TRUE(closeTo(surface.pixel(15, 65), 0x268FD6));
    EXPECT_EQ(surface.pixel(5, 55), 0u);
    EXPECT_EQ(surface.pixel(25, 65), 0u);
    EXPECT_EQ(surface.pixel(125, 75), 0u);
    // Mask: the magenta around the thumb is transparent, the thumb grey.
    EXPECT_EQ(surface.pixel(160, 50), 0u);
    EXPECT_TRUE(closeTo(surface.pixel(163, 58), 0xC3CAD2));
    for (int x = 160; x < 168; ++x)
        for (int y = 50; y < 66; ++y) {
            const DWORD p = surface.pixel(x, y);
            EXPECT_FALSE(alphaOf(p) == 255 && redOf(p) == 255 && blueOf(p) == 255 && greenOf(p) == 0) << x << "," << y;
        }
}

TEST_F(SkinPainting, ChineseTextUsesAnInstalledCjkFaceAndMarkupColours)
{
    const std::wstring face = resolveFontFace(L"\x5FAE\x8F6F\x96C5\x9ED1");
    EXPECT_FALSE(face.empty());
    EXPECT_EQ(resolveFontFace(face), face);

    // Two different characters must give two different glyphs: a missing
    // face draws the same box for both.
    CSurface a, b;
    ASSERT_TRUE(a.resize(40, 30));
    ASSERT_TRUE(b.resize(40, 30));
    for (CSurface* s : {&a, &b}) {
        CPainter painter(*s);
        CFontDesc font;
        font.id = 0;
        font.face = L"\x5FAE\x8F6F\x96C5\x9ED1";
        font.size = 20;
        font.isDefault = true;
        painter.setFonts({font});
        painter.fillRect(RECT{0, 0, 40, 30}, 0xFFFFFFFF);
        painter.drawText(s == &a ? L"\x5DF2" : L"\x540C", RECT{0, 0, 40, 30}, 0, 0xFF000000,
                         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    const int inkA = darkPixels(a, RECT{0, 0, 40, 30});
    const int inkB = darkPixels(b, RECT{0, 0, 40, 30});
    EXPECT_GT(inkA, 15);
    EXPECT_GT(inkB, 15);
    int differing = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) differing += (a.pixel(x, y) != b.pixel(x, y));
    EXPECT_GT(differing, 20);

    // Mark-up: the coloured, underlined word in its colour, an underline
    // row under it, and the rest in the label's colour.
    CSurface m;
    ASSERT_TRUE(m.resize(300, 40));
    {
        CPainter painter(m);
        painter.fillRect(RECT{0, 0, 300, 40}, 0xFFFFFFFF);
        painter.drawMarkup(parseMarkup(L"Read <c #FF0000><u #0000FF>license</u></c>"), RECT{0, 0, 300, 40}, 0,
                           0xFF000000, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    int red = 0, blueRow = 0, blackish = 0;
    for (int y = 0; y < 40; ++y) {
        int blueInRow = 0;
        for (int x = 0; x < 300; ++x) {
            const DWORD p = m.pixel(x, y);
            if (redOf(p) > 200 && greenOf(p) < 80 && blueOf(p) < 80) ++red;
            if (blueOf(p) > 200 && redOf(p) < 60 && greenOf(p) < 60) ++blueInRow;
            if (x < 30 && redOf(p) < 80 && greenOf(p) < 80 && blueOf(p) < 80) ++blackish;
        }
        blueRow = std::max(blueRow, blueInRow);
    }
    EXPECT_GT(red, 20);
    EXPECT_GT(blueRow, 25); // the underline spans the word
    EXPECT_GT(blackish, 10);
}

TEST_F(SkinPainting, WrappedMarkupTallerThanItsBoxStartsAtTheTopAndStaysInside)
{
    CSurface m;
    ASSERT_TRUE(m.resize(200, 120));
    std::wstring text = L"<c #FF0000>";
    for (int i = 0; i < 30; ++i) text += L"word ";
    text += L"</c>";
    const RECT box = {20, 30, 120, 70};
    {
        CPainter painter(m);
        painter.fillRect(RECT{0, 0, 200, 120}, 0xFFFFFFFF);
        painter.drawMarkup(parseMarkup(text), box, 0, 0xFF000000, DT_LEFT | DT_VCENTER | DT_WORDBREAK);
    }
    int outside = 0, topRows = 0, rows = 0;
    for (int y = 0; y < 120; ++y) {
        bool inRow = false;
        for (int x = 0; x < 200; ++x) {
            const DWORD p = m.pixel(x, y);
            if (!(redOf(p) > 150 && greenOf(p) < 120 && blueOf(p) < 120)) continue;
            if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) ++outside;
            else inRow = true;
        }
        rows += inRow;
        if (inRow && y < box.top + 8) ++topRows;
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(rows, 20) << "more than one line";
    EXPECT_GT(topRows, 0) << "the first line sits at the top of the box";
}

TEST_F(SkinPainting, LongWrappedTextMeasuresEveryLine)
{
    CSurface m;
    ASSERT_TRUE(m.resize(300, 200));
    CPainter painter(m);
    std::wstring text;
    for (int i = 0; i < 120; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    const int line = painter.lineHeight(0);
    ASSERT_GT(line, 5);
    const int height = painter.measureWrapped(text, 280, 0);
    EXPECT_GE(height, 120 * line);
    EXPECT_LE(height, 122 * line);
    // Blank lines count as lines; drawing reports the same height.
    EXPECT_NEAR(painter.measureWrapped(L"a\n\nb", 280, 0), 3 * painter.measureWrapped(L"a", 280, 0), 2);
    EXPECT_EQ(painter.drawWrapped(text, RECT{0, 0, 300, 200}, 0, 0xFF000000, 500), height);
}

TEST_F(SkinPainting, MainLayoutShadowBodyButtonStatesAndOption)
{
    CWindowLayout layout;
    ASSERT_TRUE(CDialogBuilder::build(L"mainframe.xml", layout));
    layout.layout();
    CSurface surface;
    paint(layout, surface);

    // Shadow: soft, translucent margin; the body opaque white.
    const DWORD shadow = surface.pixel(5, 240);
    EXPECT_GT(alphaOf(shadow), 0u);
    EXPECT_LT(alphaOf(shadow), 140u);
    EXPECT_LT(alphaOf(surface.pixel(0, 0)), alphaOf(shadow));
    EXPECT_TRUE(closeTo(surface.pixel(300, 400), 0xFFFFFF, 0));
    // Banner picture at the top of the body.
    EXPECT_EQ(alphaOf(surface.pixel(40, 100)), 255u);
    EXPECT_GT(blueOf(surface.pixel(40, 100)), redOf(surface.pixel(40, 100)) + 60);

    CControlUI* install = layout.findControl(L"installnowbtn");
    ASSERT_TRUE(install);
    const RECT at = centre(install->pos());
    // Left of the text, still inside the button.
    const int probeX = install->pos().left + 12;
    EXPECT_TRUE(closeTo(surface.pixel(probeX, at.top), 0x268FD6));
    for (int y = install->pos().top + 1; y < install->pos().bottom - 1; ++y)
        EXPECT_TRUE(closeTo(surface.pixel(probeX, y), 0x268FD6)) << "seam at row " << y;
    int white = 0;
    for (int x = install->pos().left; x < install->pos().right; ++x) white += closeTo(surface.pixel(x, at.top), 0xFFFFFF, 40);
    EXPECT_GT(white, 3) << "button text";

    install->setState(CControlUI::kHot, true);
    paint(layout, surface);
    EXPECT_TRUE(closeTo(surface.pixel(probeX, at.top), 0x45A3E2));
    install->setState(CControlUI::kPushed, true);
    paint(layout, surface);
    EXPECT_TRUE(closeTo(surface.pixel(probeX, at.top), 0x1C77B5));
    install->setState(CControlUI::kHot | CControlUI::kPushed, false);
    install->setEnabled(false);
    paint(layout, surface);
    EXPECT_TRUE(closeTo(surface.pixel(probeX, at.top), 0xA9CFEA));

    // The licence option: blue when selected, white when not.
    auto* accept = dynamic_cast<COptionUI*>(layout.findControl(L"acceptprotocolopt"));
    ASSERT_TRUE(accept);
    const RECT box = accept->pos();
    EXPECT_TRUE(closeTo(surface.pixel(box.left + 3, box.top + 3), 0x268FD6, 10));
    accept->setSelected(false);
    paint(layout, surface);
    EXPECT_TRUE(closeTo(surface.pixel(box.left + 3, box.top + 3), 0xFFFFFF, 10));

    // The licence line is drawn with ink where its label is.
    EXPECT_GT(darkPixels(surface, layout.findControl(L"LicenseAgreementText")->pos()), 0);
}

TEST_F(SkinPainting, ProgressEditAndRichEditStates)
{
    CWindowLayout layout;
    ASSERT_TRUE(CDialogBuilder::build(L"mainframe_xp.xml", layout));
    layout.layout();
    auto* tab = dynamic_cast<CTabLayoutUI*>(layout.findControl(L"maintab"));
    ASSERT_TRUE(tab);

    tab->selectItem(2);
    auto* bar = dynamic_cast<CProgressUI*>(layout.findControl(L"installprogressbar"));
    ASSERT_TRUE(bar);
    bar->setValue(50);
    CSurface surface;
    paint(layout, surface);
    const RECT r = bar->pos();
    const int y = (r.top + r.bottom) / 2;
    const int width = r.right - r.left;
    EXPECT_TRUE(closeTo(surface.pixel(r.left + width / 4, y), 0x268FD6));
    EXPECT_TRUE(closeTo(surface.pixel(r.left + width * 3 / 4, y), 0xE6EEF5));

    // Edit: typed text, selection band and caret only while focused.
    tab->selectItem(0);
    layout.findControl(L"userdefinitionsui")->setVisible(true);
    layout.layout();
    auto* edit = dynamic_cast<CEditUI*>(layout.findControl(L"pathedit"));
    ASSERT_TRUE(edit);
    edit->setText(L"D:\\Games");
    paint(layout, surface);
    const int inkUnfocused = darkPixels(surface, edit->pos());
    EXPECT_GT(inkUnfocused, 10);
    edit->setState(CControlUI::kFocused, true);
    edit->setCaret(edit->text().size(), false);
    paint(layout, surface, true);
    const int withCaret = darkPixels(surface, edit->pos());
    paint(layout, surface, false);
    EXPECT_GT(withCaret, darkPixels(surface, edit->pos()));
    // The focused border is the accent colour.
    EXPECT_TRUE(closeTo(surface.pixel((edit->pos().left + edit->pos().right) / 2, edit->pos().top), 0x268FD6, 8));
    edit->selectAll();
    paint(layout, surface, false);
    const RECT e = textRect(*edit);
    const DWORD band = surface.pixel(e.left + 2, (e.top + e.bottom) / 2 - 6);
    EXPECT_GT(blueOf(band), redOf(band) + 40) << std::hex << band;

    // A text longer than the edit scrolls to keep the caret in view, and
    // back when the caret goes home.
    edit->setText(L"D:\\" + std::wstring(120, L'W') + L"\\end");
    edit->setCaret(edit->text().size(), false);
    paint(layout, surface, true);
    EXPECT_GT(edit->scrollX(), 0);
    const RECT tr = textRect(*edit);
    EXPECT_GT(darkPixels(surface, RECT{tr.right - 30, tr.top, tr.right, tr.bottom}), 5) << "text end and caret";
    EXPECT_EQ(editHitTest(*painterFor(surface), *edit, tr.right - 1), edit->text().size());
    edit->setCaret(0, false);
    paint(layout, surface, true);
    EXPECT_EQ(edit->scrollX(), 0);

    // Rich edit: a long text gets a thumb; scrolling moves text and thumb.
    tab->selectItem(1);
    auto* rich = dynamic_cast<CRichEditUI*>(layout.findControl(L"protocoledit"));
    ASSERT_TRUE(rich);
    std::wstring text;
    for (int i = 0; i < 60; ++i) text += L"Line " + std::to_wstring(i) + L" of the licence text.\r\n";
    rich->setText(text);
    paint(layout, surface);
    EXPECT_GT(rich->contentHeight(), rich->pos().bottom - rich->pos().top);
    const RECT thumb = richEditThumb(*rich, layout);
    ASSERT_GT(thumb.bottom, thumb.top);
    EXPECT_EQ(thumb.top, rich->pos().top);
    std::vector<DWORD> before;
    for (int yy = rich->pos().top; yy < rich->pos().top + 40; ++yy) before.push_back(surface.pixel(rich->pos().left + 20, yy));
    EXPECT_TRUE(rich->scrollBy(45));
    paint(layout, surface);
    EXPECT_GT(richEditThumb(*rich, layout).top, thumb.top);
    std::vector<DWORD> after;
    for (int yy = rich->pos().top; yy < rich->pos().top + 40; ++yy) after.push_back(surface.pixel(rich->pos().left + 20, yy));
    EXPECT_NE(before, after);
    EXPECT_TRUE(rich->scrollBy(-100000));
    EXPECT_EQ(rich->scrollY(), 0);
    rich->scrollBy(1000000);
    EXPECT_EQ(rich->scrollY(), rich->maxScroll());

    // Wrapped lines keep clear of the scroll bar's column.
    // One long word: broken by characters, every line runs to the edge.
    const std::wstring wide(1500, L'W');
    rich->setText(wide);
    rich->scrollBy(-100000);
    paint(layout, surface);
    const RECT column = richEditThumb(*rich, layout);
    ASSERT_GT(column.bottom, column.top);
    int inBar = 0, inText = 0;
    for (int yy = column.bottom + 2; yy < rich->pos().bottom; ++yy)
        for (int xx = rich->pos().left; xx < rich->pos().right; ++xx) {
            const DWORD p = surface.pixel(xx, yy);
            const bool ink = alphaOf(p) > 200 && redOf(p) < 150 && greenOf(p) < 150 && blueOf(p) < 150;
            if (ink) ++(xx >= column.left - 2 ? inBar : inText);
        }
    EXPECT_GT(inText, 500);
    EXPECT_EQ(inBar, 0);
}

TEST_F(SkinPainting, EveryShippedLayoutPaintsAndMessageBoxShowsItsIcon)
{
    for (const wchar_t* file : {L"mainframe.xml", L"mainframe_xp.xml", L"protocolwnd.xml", L"protocolwnd_xp.xml",
                                L"msg/xml_messagebox.xml"}) {
        CWindowLayout layout;
        ASSERT_TRUE(CDialogBuilder::build(file, layout));
        layout.layout();
        CSurface surface;
        paint(layout, surface);
        int opaque = 0;
        for (int y = 0; y < surface.height(); y += 7)
            for (int x = 0; x < surface.width(); x += 7) opaque += alphaOf(surface.pixel(x, y)) == 255;
        EXPECT_GT(opaque, 1000) << "nothing painted";
        if (std::wstring(file) == L"msg/xml_messagebox.xml") {
            const RECT icon = layout.findControl(L"msgiconimage")->pos();
            EXPECT_TRUE(closeTo(surface.pixel(icon.left + 18, icon.top + 4), 0xE5484D, 12));
            EXPECT_TRUE(closeTo(surface.pixel(200, 5), 0x171A21, 0)); // title bar
        }
    }
}

TEST_F(SkinPainting, PicturesPreparedOnAnotherThreadPaintTheSameWindow)
{
    auto paintMain = [this](std::vector<DWORD>& pixels) {
        CWindowLayout layout;
        ASSERT_TRUE(CDialogBuilder::build(L"mainframe.xml", layout));
        layout.findControl(L"logoControl")->setBkImage(L"download_logo.png");
        layout.layout();
        CSurface surface;
        paint(layout, surface);
        pixels.clear();
        for (int y = 0; y < layout.size.cy; ++y)
            for (int x = 0; x < layout.size.cx; ++x) pixels.push_back(surface.pixel(x, y));
    };
    std::vector<DWORD> alone;
    paintMain(alone);
    ASSERT_FALSE(alone.empty());

    // While a worker decodes, the window is built and painted as at start.
    clearImageCache();
    std::thread worker([] {
        const HRESULT com = ::CoInitialize(nullptr);
        WindowImplBase::preparePictures(L"mainframe.xml", {L"download_logo.png", L"no-such-picture.png"});
        if (SUCCEEDED(com)) ::CoUninitialize();
    });
    std::vector<DWORD> meanwhile;
    paintMain(meanwhile);
    worker.join();
    std::vector<DWORD> after;
    paintMain(after);
    EXPECT_TRUE(meanwhile == alone);
    EXPECT_TRUE(after == alone);

    // Prepared before the first paint: the same pixels again.
    clearImageCache();
    WindowImplBase::preparePictures(L"mainframe.xml", {L"download_logo.png"});
    std::vector<DWORD> prepared;
    paintMain(prepared);
    EXPECT_TRUE(prepared == alone);
}
