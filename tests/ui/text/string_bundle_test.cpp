// The string bundle: loading rules, look-ups and entities; the bundle file
// and the model's use of it are in string_bundle_sources_test.cpp.

#include "skinui/markup.h"
#include "ui/text/string_bundle.h"
#include "utility/text.h"

#include <gtest/gtest.h>

using ui::text::StringBundle;

namespace {

const wchar_t kBundle[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    L"<StringBundle ver=\"100\">\r\n"
    L"  <String id=\"sure\">Sure</String>\r\n"
    L"  <String id='cancel'>Cancel</String>\r\n"
    L"  <!-- a comment between elements -->\r\n"
    L"  <String>no id</String>\r\n"
    L"  <String id=\"\">empty id</String>\r\n"
    L"  <String id=\"blank\"></String>\r\n"
    L"  <Other id=\"other\">not a String</Other>\r\n"
    L"  <String id=\"nested\"><String id=\"inner\">deeper</String>outer</String>\r\n"
    L"  <String id=\"protocol_accept\">Read and agree Kolvex &lt;c #0492D3&gt;&lt;u #0492D3&gt;license&lt;/u&gt;&lt;/c&gt;</String>\r\n"
    L"  <String id=\"sure\">Sure again</String>\r\n"
    L"</StringBundle>\r\n";

} // namespace

TEST(StringBundleTest, LoadsStringElementsLaterIdWinsOthersSkipped)
{
    StringBundle bundle;
    ASSERT_TRUE(bundle.load(kBundle));
    EXPECT_EQ(bundle.stringById(L"sure"), L"Sure again");
    EXPECT_EQ(bundle.stringById(L"cancel"), L"Cancel");
    // Without an id, with an empty id or text, or not a String: skipped, so
    // the look-up gives the id back.
    EXPECT_EQ(bundle.stringById(L""), L"");
    EXPECT_EQ(bundle.stringById(L"blank"), L"blank");
    EXPECT_EQ(bundle.stringById(L"other"), L"other");
    // Only children of the root count.
    EXPECT_EQ(bundle.stringById(L"inner"), L"inner");
    EXPECT_EQ(bundle.stringById(L"nested"), L"outer");
    EXPECT_EQ(bundle.stringById(L"Missing_id"), L"Missing_id");
}

TEST(StringBundleTest, EntitiesBecomeMarkupThatTheLabelRenders)
{
    StringBundle bundle;
    ASSERT_TRUE(bundle.load(kBundle));
    const std::wstring text = bundle.stringById(L"protocol_accept");
    EXPECT_EQ(text, L"Read and agree Kolvex <c #0492D3><u #0492D3>license</u></c>");
    const std::vector<SkinUI::CTextRun> runs = SkinUI::parseMarkup(text);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, L"Read and agree Kolvex ");
    EXPECT_FALSE(runs[0].hasColor);
    EXPECT_EQ(runs[1].text, L"license");
    EXPECT_TRUE(runs[1].hasColor);
    EXPECT_EQ(runs[1].color, 0xFF0492D3u);
    EXPECT_TRUE(runs[1].underline);
}

TEST(StringBundleTest, MalformedDocumentLeavesTheTableAsItWas)
{
    StringBundle bundle;
    ASSERT_TRUE(bundle.load(L"<StringBundle><String id=\"a\">first</String></StringBundle>"));
    for (const wchar_t* bad : {L"", L"<?xml version=\"1.0\"?>", L"<StringBundle><String id=\"a\">x</StringBundle>",
                               L"<StringBundle/><StringBundle/>", L"<StringBundle><String id=\"a\">second</String>"}) {
        EXPECT_FALSE(bundle.load(bad)) << utility::wideToUtf8(bad);
        EXPECT_EQ(bundle.stringById(L"a"), L"first");
    }
    // A second good bundle adds to the first and replaces its ids.
    ASSERT_TRUE(bundle.load(L"<B><String id=\"a\">second</String><String id=\"b\">new</String></B>"));
    EXPECT_EQ(bundle.stringById(L"a"), L"second");
    EXPECT_EQ(bundle.stringById(L"b"), L"new");
}
