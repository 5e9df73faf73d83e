// Layout files to control trees, hand-computed geometry, and the
// operations the installer's windows perform on controls.

#include "skinui/layout_builder.h"
#include "skinui/multi_language.h"
#include "skinui/resources.h"

#include <gtest/gtest.h>

#include <map>

using namespace SkinUI;

namespace {

class TableSource : public IFileSource {
public:
    std::map<std::wstring, std::string> files;
    bool readFile(const std::wstring& name, std::string& bytes) const override
    {
        const auto it = files.find(name);
        if (it == files.end()) return false;
        bytes = it->second;
        return true;
    }
};

const char kScrollbar[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScrollbarConfig>\n"
                          "<Image name=\"scrollbar.bmp\" mask=\"#FFFF00FF\"/>\n"
                          "<Default name=\"VScrollBar\" value=\"width=&quot;8&quot;\"/>\n"
                          "<Default name=\"Button\" value=\"textcolor=&quot;#FF010203&quot; "
                          "align=&quot;center&quot;\"/>\n</ScrollbarConfig>\n";

// A main-window shaped layout; every rectangle below is worked out by hand.
const char kFrame[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Window size=\"610,480\" caption=\"0,0,0,40\" mininfo=\"400,300\" roundcorner=\"4,4\" "
    "layeredimage=\"file='shadow.png' corner='10,10,10,10'\">\n"
    "  <Font id=\"0\" name=\"\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91\" size=\"12\" default=\"true\"/>\n"
    "  <Font id=\"1\" name=\"Arial\" size=\"14\" bold=\"true\" italic=\"true\"/>\n"
    "  <Include source=\"scrollbar.xml\"/>\n"
    "  <VerticalLayout name=\"root\" inset=\"10,10,10,10\" bkcolor=\"#FFFFFFFF\">\n"
    "    <HorizontalLayout name=\"titlebar\" height=\"40\" bkcolor=\"#FF0492D3\">\n"
    "      <Label name=\"title\" text=\"@prompt\" padding=\"10,0,0,0\" width=\"200\" font=\"1\" textcolor=\"#FFFFFF\"/>\n"
    "      <Control name=\"titlegap\"/>\n"
    "      <Button name=\"minbtn\" width=\"30\" height=\"30\" padding=\"0,5,0,0\" "
    "normalimage=\"file='sys.png' source='0,0,30,30'\" hotimage=\"file='sys.png' source='30,0,60,30'\" "
    "pushedimage=\"file='sys.png' source='60,0,90,30'\"/>\n"
    "      <Button name=\"closebtn\" width=\"30\" height=\"30\" padding=\"0,5,5,0\" normalimage=\"close.png\"/>\n"
    "    </HorizontalLayout>\n"
    "    <TabLayout name=\"pages\">\n"
    "      <VerticalLayout name=\"page0\">\n"
    "        <Control height=\"100\"/>\n"
    "        <Button name=\"installnowbtn\" width=\"200\" height=\"50\" padding=\"195,0,0,0\" text=\"@confirm\"/>\n"
    "        <Control name=\"gap\"/>\n"
    "        <HorizontalLayout name=\"licencerow\" height=\"30\" childpadding=\"4\">\n"
    "          <Option name=\"accept\" width=\"18\" height=\"18\" selected=\"true\" padding=\"0,6,0,0\"/>\n"
    "          <Label name=\"protocol\" showhtml=\"true\" text=\"&lt;c #0492D3&gt;licence&lt;/c&gt;\"/>\n"
    "        </HorizontalLayout>\n"
    "      </VerticalLayout>\n"
    "      <VerticalLayout name=\"page1\">\n"
    "        <Edit name=\"pathedit\" height=\"30\" padding=\"20,20,20,0\" maxchar=\"260\"/>\n"
    "      </VerticalLayout>\n"
    "      <VerticalLayout name=\"page2\">\n"
    "        <Progress name=\"progress\" height=\"10\" value=\"30\" foreimage=\"bar.png\" padding=\"20,100,20,0\"/>\n"
    "        <Label name=\"floatlabel\" float=\"true\" pos=\"50,200,0,0\" width=\"100\" height=\"20\"/>\n"
    "        <Label name=\"floatrect\" float=\"true\" pos=\"5,6,105,46\"/>\n"
    "      </VerticalLayout>\n"
    "      <VerticalLayout name=\"page3\">\n"
    "        <RichEdit name=\"licence\" multiline=\"true\" vscrollbar=\"true\" autovscroll=\"true\" rich=\"false\" "
    "readonly=\"true\"/>\n"
    "      </VerticalLayout>\n"
    "    </TabLayout>\n"
    "  </VerticalLayout>\n"
    "</Window>\n";

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source_.files[L"scrollbar.xml"] = kScrollbar;
        source_.files[L"frame.xml"] = kFrame;
        setFileSource(&source_);
        CMultiLanguage::instance().clear();
        CMultiLanguage::instance().loadTable("Code\tlanguage_code\tzh_CN\tzh_TW\tko_KR\ten_US\r\n"
                                             "Language\tlanguage_name\ta\tb\tc\td\r\n"
                                             "common\tconfirm\t\xE7\xA1\xAE\xE5\xAE\x9A\tx\ty\tConfirm\r\n");
        ASSERT_TRUE(CDialogBuilder::build(L"frame.xml", frame_));
        frame_.layout();
    }
    void TearDown() override
    {
        setFileSource(nullptr);
        CMultiLanguage::instance().clear();
    }

    CControlUI& find(const wchar_t* name)
    {
        CControlUI* control = frame_.findControl(name);
        EXPECT_TRUE(control) << "no control named " << testing::PrintToString(std::wstring(name));
        static CControlUI none;
        return control ? *control : none;
    }

    TableSource source_;
    CWindowLayout frame_;
};

void expectRect(const RECT& actual, LONG l, LONG t, LONG r, LONG b)
{
    EXPECT_EQ(actual.left, l);
    EXPECT_EQ(actual.top, t);
    EXPECT_EQ(actual.right, r);
    EXPECT_EQ(actual.bottom, b);
}

} // namespace

TEST_F(LayoutTest, WindowAttributesFontsAndIncludedDefaults)
{
    EXPECT_EQ(frame_.size.cx, 610);
    EXPECT_EQ(frame_.size.cy, 480);
    expectRect(frame_.caption, 0, 0, 0, 40);
    EXPECT_EQ(frame_.minInfo.cx, 400);
    EXPECT_EQ(frame_.roundCorner.cy, 4);
    ASSERT_TRUE(frame_.hasLayeredImage);
    EXPECT_EQ(frame_.layeredImage.file, L"shadow.png");
    expectRect(frame_.layeredImage.corner, 10, 10, 10, 10);

    ASSERT_EQ(frame_.fonts.size(), 2u);
    EXPECT_EQ(frame_.fonts[0].face, L"微软雅黑");
    EXPECT_TRUE(frame_.fonts[0].isDefault);
    EXPECT_EQ(frame_.fonts[1].id, 1);
    EXPECT_EQ(frame_.fonts[1].size, 14);
    EXPECT_TRUE(frame_.fonts[1].bold);
    EXPECT_TRUE(frame_.fonts[1].italic);
    EXPECT_FALSE(frame_.fonts[1].underline);

    EXPECT_EQ(frame_.defaults[L"VScrollBar"], L"width=\"8\"");
    ASSERT_EQ(frame_.images.size(), 1u);
    EXPECT_EQ(frame_.images[0], L"scrollbar.bmp");
    // Defaults of a class apply before the element's own attributes.
    EXPECT_EQ(find(L"minbtn").textColor(), 0xFF010203u);
    EXPECT_EQ(find(L"minbtn").textStyle() & (DT_LEFT | DT_CENTER | DT_RIGHT), static_cast<UINT>(DT_CENTER));
    EXPECT_EQ(find(L"title").textColor(), 0x00FFFFFFu);
}

TEST_F(LayoutTest, GeometryMatchesHandComputedRectangles)
{
    expectRect(find(L"root").pos(), 0, 0, 610, 480);
    expectRect(find(L"titlebar").pos(), 10, 10, 600, 50);
    expectRect(find(L"title").pos(), 20, 10, 220, 50);
    expectRect(find(L"titlegap").pos(), 220, 10, 535, 50);
    expectRect(find(L"minbtn").pos(), 535, 15, 565, 45);
    expectRect(find(L"closebtn").pos(), 565, 15, 595, 45);
    expectRect(find(L"pages").pos(), 10, 50, 600, 470);
    expectRect(find(L"page0").pos(), 10, 50, 600, 470);
    expectRect(find(L"installnowbtn").pos(), 205, 150, 405, 200);
    expectRect(find(L"gap").pos(), 10, 200, 600, 440);
    expectRect(find(L"licencerow").pos(), 10, 440, 600, 470);
    expectRect(find(L"accept").pos(), 10, 446, 28, 464);
    expectRect(find(L"protocol").pos(), 32, 440, 600, 470);

    // Hidden pages are placed when they are shown.
    CTabLayoutUI* pages = dynamic_cast<CTabLayoutUI*>(&find(L"pages"));
    ASSERT_TRUE(pages);
    ASSERT_TRUE(pages->selectItem(2));
    expectRect(find(L"progress").pos(), 30, 150, 580, 160);
    expectRect(find(L"floatlabel").pos(), 60, 250, 160, 270);
    expectRect(find(L"floatrect").pos(), 15, 56, 115, 96);
    CProgressUI* progress = dynamic_cast<CProgressUI*>(&find(L"progress"));
    ASSERT_TRUE(progress);
    expectRect(progress->filledRect(), 30, 150, 195, 160);
}

TEST_F(LayoutTest, RemainingSpaceIsSharedAndNothingGoesNegative)
{
    CContainerUI* row = find(L"titlebar").asContainer();
    ASSERT_TRUE(row);
    // Two flexible children share 315 pixels; the last takes the odd one.
    std::unique_ptr<CControlUI> extra = CDialogBuilder::createControl(L"Button");
    ASSERT_TRUE(extra);
    extra->setName(L"extra");
    ASSERT_TRUE(row->add(std::move(extra)));
    frame_.layout();
    expectRect(find(L"titlegap").pos(), 220, 10, 377, 50);
    // The new button sits after closebtn, which keeps its width.
    expectRect(find(L"closebtn").pos(), 407, 15, 437, 45);
    expectRect(find(L"extra").pos(), 442, 10, 600, 50);

    // A window too small for the fixed parts leaves flexible parts empty.
    frame_.layout(100, 60);
    const RECT& gap = find(L"titlegap").pos();
    EXPECT_EQ(gap.right - gap.left, 0);
    const RECT& pages = find(L"pages").pos();
    EXPECT_EQ(pages.bottom - pages.top, 0);
}

TEST_F(LayoutTest, AttributesSetInCodeMeanWhatTheyMeanInALayout)
{
    CControlUI& title = find(L"title");
    EXPECT_TRUE(title.setAttribute(L"width", L"150"));
    frame_.layout();
    expectRect(title.pos(), 20, 10, 170, 50);
    EXPECT_TRUE(title.setAttribute(L"textpadding", L"1,2,3,4"));
    expectRect(title.textPadding(), 1, 2, 3, 4);
    EXPECT_TRUE(title.setAttribute(L"align", L"right"));
    EXPECT_TRUE(title.setAttribute(L"valign", L"bottom"));
    EXPECT_EQ(title.textStyle() & (DT_RIGHT | DT_BOTTOM | DT_SINGLELINE), static_cast<UINT>(DT_RIGHT | DT_BOTTOM | DT_SINGLELINE));
    EXPECT_TRUE(title.setAttribute(L"multiline", L"true"));
    EXPECT_EQ(title.textStyle() & (DT_WORDBREAK | DT_SINGLELINE), static_cast<UINT>(DT_WORDBREAK));
    EXPECT_TRUE(title.setAttribute(L"height", L"12"));
    EXPECT_EQ(title.fixedHeight(), 12);
    EXPECT_TRUE(title.setAttribute(L"visible", L"false"));
    EXPECT_FALSE(title.isVisible());
    EXPECT_TRUE(title.setAttribute(L"bkimage", L"logo.png"));
    ASSERT_TRUE(title.image(L"bkimage"));
    EXPECT_EQ(title.image(L"bkimage")->file, L"logo.png");
    EXPECT_EQ(title.attribute(L"bkimage"), L"logo.png");
    EXPECT_TRUE(title.setAttribute(L"cursor", L"hand")); // unknown: kept as text
    EXPECT_EQ(title.attribute(L"cursor"), L"hand");

    EXPECT_FALSE(title.setAttribute(L"width", L"wide"));
    EXPECT_FALSE(title.setAttribute(L"padding", L"1,2,3"));
    EXPECT_FALSE(title.setAttribute(L"align", L"middle"));
    EXPECT_FALSE(title.setAttribute(L"textcolor", L"red"));
    EXPECT_FALSE(title.setAttribute(L"bkimage", L"file='' source='0,0,1,1'"));
    EXPECT_EQ(title.fixedWidth(), 150);

    CButtonUI* button = dynamic_cast<CButtonUI*>(&find(L"closebtn"));
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->setNormalImage(L"file='btn.png' source='0,0,10,10'"));
    EXPECT_TRUE(button->setHotImage(L"file='btn.png' source='10,0,20,10'"));
    EXPECT_TRUE(button->setPushedImage(L"file='btn.png' source='20,0,30,10'"));
    expectRect(button->image(L"hotimage")->source, 10, 0, 20, 10);
    expectRect(button->image(L"pushedimage")->source, 20, 0, 30, 10);
}

TEST_F(LayoutTest, TextsStateAndControlKinds)
{
    EXPECT_EQ(find(L"installnowbtn").text(), L"@confirm");
    EXPECT_EQ(find(L"installnowbtn").displayText(), L"Confirm");
    // A missing key shows the text as written.
    EXPECT_EQ(find(L"title").displayText(), L"@prompt");
    EXPECT_EQ(find(L"protocol").text(), L"<c #0492D3>licence</c>");
    EXPECT_TRUE(find(L"protocol").showHtml());
    find(L"title").setText(L"@confirm");
    EXPECT_EQ(find(L"title").displayText(), L"Confirm");

    CControlUI& button = find(L"installnowbtn");
    button.setEnabled(false);
    EXPECT_FALSE(button.isEnabled());
    button.setVisible(false);
    EXPECT_FALSE(button.isVisible());

    EXPECT_STREQ(find(L"pathedit").className(), L"Edit");
    EXPECT_EQ(dynamic_cast<CEditUI&>(find(L"pathedit")).maxChars(), 260);
    CRichEditUI& licence = dynamic_cast<CRichEditUI&>(find(L"licence"));
    EXPECT_TRUE(licence.isMultiLine());
    EXPECT_TRUE(licence.hasVScrollBar());
    EXPECT_TRUE(licence.autoVScroll());
    EXPECT_FALSE(licence.isRich());
    EXPECT_TRUE(licence.isReadOnly());

    EXPECT_EQ(frame_.findControl(L"nothing"), nullptr);
    EXPECT_EQ(frame_.findControl(L""), nullptr);
}

TEST_F(LayoutTest, TabPagesProgressAndOptions)
{
    CTabLayoutUI& pages = dynamic_cast<CTabLayoutUI&>(find(L"pages"));
    EXPECT_EQ(pages.currentSelection(), 0);
    EXPECT_TRUE(find(L"page0").isVisible());
    EXPECT_FALSE(find(L"page1").isVisible());
    EXPECT_TRUE(pages.selectItem(3));
    EXPECT_FALSE(find(L"page0").isVisible());
    EXPECT_TRUE(find(L"page3").isVisible());
    EXPECT_FALSE(pages.selectItem(4));
    EXPECT_FALSE(pages.selectItem(-1));
    EXPECT_EQ(pages.currentSelection(), 3);
    EXPECT_TRUE(pages.setAttribute(L"selectedid", L"1"));
    EXPECT_TRUE(find(L"page1").isVisible());

    CProgressUI& progress = dynamic_cast<CProgressUI&>(find(L"progress"));
    EXPECT_EQ(progress.value(), 30);
    ASSERT_TRUE(progress.image(L"foreimage"));
    progress.setValue(150);
    EXPECT_EQ(progress.value(), 100);
    progress.setValue(-5);
    EXPECT_EQ(progress.value(), 0);
    EXPECT_TRUE(progress.setAttribute(L"value", L"55"));
    EXPECT_EQ(progress.value(), 55);

    COptionUI& accept = dynamic_cast<COptionUI&>(find(L"accept"));
    EXPECT_TRUE(accept.isSelected());
    accept.setSelected(false);
    EXPECT_FALSE(accept.isSelected());

    // Options of one group exclude each other.
    CContainerUI& row = *find(L"licencerow").asContainer();
    for (const wchar_t* name : {L"a", L"b"}) {
        std::unique_ptr<CControlUI> option = CDialogBuilder::createControl(L"Option");
        option->setName(name);
        EXPECT_TRUE(option->setAttribute(L"group", L"g"));
        row.add(std::move(option));
    }
    COptionUI& a = dynamic_cast<COptionUI&>(find(L"a"));
    COptionUI& b = dynamic_cast<COptionUI&>(find(L"b"));
    a.setSelected(true);
    b.setSelected(true);
    EXPECT_FALSE(a.isSelected());
    EXPECT_TRUE(b.isSelected());
    accept.setSelected(true);
    EXPECT_TRUE(b.isSelected());
}

TEST(LayoutFileTest, MissingBrokenOrForeignFilesGiveAnEmptyWindow)
{
    TableSource source;
    source.files[L"broken.xml"] = "<Window><VerticalLayout></Window>";
    source.files[L"other.xml"] = "<ScrollbarConfig/>";
    source.files[L"self.xml"] = "<Window><VerticalLayout name=\"v\"><Include source=\"loop.xml\"/></VerticalLayout></Window>";
    source.files[L"loop.xml"] = "<Window><Include source=\"loop.xml\"/><Font id=\"3\"/></Window>";
    source.files[L"odd.xml"] = "<Window><Slider name=\"s\" width=\"5\"/><Label name=\"second\"/></Window>";
    setFileSource(&source);
    CWindowLayout layout;
    EXPECT_FALSE(CDialogBuilder::build(L"missing.xml", layout));
    EXPECT_EQ(layout.root, nullptr);
    EXPECT_EQ(layout.findControl(L"anything"), nullptr);
    EXPECT_FALSE(CDialogBuilder::build(L"broken.xml", layout));
    EXPECT_FALSE(CDialogBuilder::build(L"other.xml", layout));

    // An include that includes itself stops at a bounded depth.
    ASSERT_TRUE(CDialogBuilder::build(L"self.xml", layout));
    ASSERT_TRUE(layout.findControl(L"v"));
    EXPECT_EQ(layout.fonts.size(), 8u);

    // An unknown class keeps its name and size; a second root is dropped.
    ASSERT_TRUE(CDialogBuilder::build(L"odd.xml", layout));
    ASSERT_TRUE(layout.findControl(L"s"));
    EXPECT_EQ(layout.findControl(L"s")->fixedWidth(), 5);
    EXPECT_EQ(layout.findControl(L"second"), nullptr);
    setFileSource(nullptr);
    EXPECT_FALSE(CDialogBuilder::build(L"odd.xml", layout));
    EXPECT_EQ(CDialogBuilder::createControl(L"Slider"), nullptr);
}

TEST(AttributeParseTest, ColoursInAllThreeNotations)
{
    DWORD c = 7;
    EXPECT_TRUE(parseColor(L"#FF0492D3", c));
    EXPECT_EQ(c, 0xFF0492D3u);
    EXPECT_TRUE(parseColor(L"#0492d3", c));
    EXPECT_EQ(c, 0x000492D3u);
    EXPECT_TRUE(parseColor(L"0X80112233", c));
    EXPECT_EQ(c, 0x80112233u);
    EXPECT_TRUE(parseColor(L"0xFFFF00FF", c));
    EXPECT_EQ(c, 0xFFFF00FFu);
    for (const wchar_t* bad : {L"", L"#", L"#12345", L"#1234567", L"red", L"#GG000000", L"0x123", L"FF0492D3"}) {
        c = 7;
        EXPECT_FALSE(parseColor(bad, c)) << testing::PrintToString(std::wstring(bad));
        EXPECT_EQ(c, 7u);
    }
}

TEST(AttributeParseTest, ImageDescriptions)
{
    CImageDesc image;
    ASSERT_TRUE(parseImage(L"bg.png", image));
    EXPECT_EQ(image.file, L"bg.png");
    EXPECT_FALSE(image.hasSource);

    ASSERT_TRUE(parseImage(L"file='b.png' source='0,0,10,10' dest='1,2,11,12' corner='2,2,2,2' mask='#FFFF00FF'", image));
    EXPECT_EQ(image.file, L"b.png");
    EXPECT_TRUE(image.hasSource);
    expectRect(image.source, 0, 0, 10, 10);
    EXPECT_TRUE(image.hasDest);
    expectRect(image.dest, 1, 2, 11, 12);
    expectRect(image.corner, 2, 2, 2, 2);
    EXPECT_TRUE(image.hasMask);
    EXPECT_EQ(image.mask, 0xFFFF00FFu);

    ASSERT_TRUE(parseImage(L"file='m.png' mask=0xFF00FF00 fade='200'", image));
    EXPECT_EQ(image.mask, 0xFF00FF00u);
    EXPECT_FALSE(image.hasSource);

    EXPECT_FALSE(parseImage(L"file='b.png' source='0,0,10'", image));
    EXPECT_FALSE(parseImage(L"file='b.png", image));
    EXPECT_FALSE(parseImage(L"source='0,0,1,1'", image));
    EXPECT_FALSE(parseImage(L"file='b.png' mask='blue'", image));
    EXPECT_EQ(image.file, L"m.png"); // untouched by failures

    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    ASSERT_TRUE(parseAttributeList(L"width=\"8\" bkimage=\"file='a.png' source='0,0,1,1'\"", pairs));
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].second, L"file='a.png' source='0,0,1,1'");
    EXPECT_FALSE(parseAttributeList(L"width=8", pairs));
    EXPECT_FALSE(parseAttributeList(L"width=\"8", pairs));
}
