// The XML reader: what the string bundle and the layouts rely on, and the
// malformed documents it must refuse.

#include "skinui/xml_document.h"

#include <gtest/gtest.h>

using SkinUI::CXmlDocument;
using SkinUI::CXmlElement;

TEST(XmlDocumentTest, ReadsBundleShapedDocument)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.parse(L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                          L"<!-- bundle -->\r\n"
                          L"<StringBundle ver=\"100\">\r\n"
                          L"  <String id=\"sure\">确定</String>\r\n"
                          L"  <!-- <String id=\"hidden\">x</String> -->\r\n"
                          L"  <String id='single' note=\"a 'b'\">it&apos;s</String>\r\n"
                          L"  <Other/>\r\n"
                          L"</StringBundle>\r\n<!-- trailing -->\r\n"))
        << doc.error();
    const CXmlElement* root = doc.root();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name(), L"StringBundle");
    EXPECT_EQ(root->attribute(L"ver"), L"100");
    ASSERT_EQ(root->children().size(), 3u);
    EXPECT_EQ(root->children()[0]->name(), L"String");
    EXPECT_EQ(root->children()[0]->attribute(L"id"), L"sure");
    EXPECT_EQ(root->children()[0]->text(), L"确定");
    EXPECT_EQ(root->children()[1]->attribute(L"id"), L"single");
    EXPECT_EQ(root->children()[1]->attribute(L"note"), L"a 'b'");
    EXPECT_EQ(root->children()[1]->text(), L"it's");
    EXPECT_EQ(root->children()[2]->name(), L"Other");
    EXPECT_TRUE(root->children()[2]->children().empty());
    EXPECT_FALSE(root->children()[2]->hasAttribute(L"id"));
    EXPECT_EQ(root->children()[2]->attribute(L"id"), L"");
}

TEST(XmlDocumentTest, DecodesEntitiesInTextAndAttributes)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.parse(L"<a v=\"&lt;c #0492D3&gt;&amp;&quot;&apos;&#65;&#x42;&#x1F600;\">"
                          L"&lt;c #0492D3&gt;&lt;u #0492D3&gt;license&lt;/u&gt;&lt;/c&gt;"
                          L"<![CDATA[<raw&>]]></a>"))
        << doc.error();
    EXPECT_EQ(doc.root()->attribute(L"v"), L"<c #0492D3>&\"'AB\xD83D\xDE00");
    EXPECT_EQ(doc.root()->text(), L"<c #0492D3><u #0492D3>license</u></c><raw&>");
}

TEST(XmlDocumentTest, NestedElementsKeepDocumentOrder)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.parse(L"<Window><A><B x='1'/><C/></A><D></D></Window>")) << doc.error();
    const CXmlElement& a = *doc.root()->children()[0];
    ASSERT_EQ(a.children().size(), 2u);
    EXPECT_EQ(a.children()[0]->name(), L"B");
    EXPECT_EQ(a.children()[0]->attribute(L"x"), L"1");
    EXPECT_EQ(a.children()[1]->name(), L"C");
    EXPECT_EQ(doc.root()->children()[1]->name(), L"D");
}

TEST(XmlDocumentTest, RefusesMalformedDocumentsWithAReason)
{
    const wchar_t* const bad[] = {
        L"",                                  // empty
        L"   \r\n ",                          // no root
        L"<?xml version=\"1.0\"?><!-- c -->", // declaration only
        L"<a/><b/>",                          // second root
        L"<a></a>text",                       // text after the root
        L"text<a/>",                          // text before the root
        L"<a><b></a>",                        // mismatched
        L"<a><b></c></a>",                    // mismatched, otherwise balanced
        L"<a><b>",                            // unterminated element
        L"<a",                                // unterminated tag
        L"<a x='1></a>",                      // unterminated value
        L"<a x=1/>",                          // unquoted value
        L"<a x='1' x='2'/>",                  // repeated attribute
        L"<a x='1'y='2'/>",                   // no space between attributes
        L"<a>&bogus;</a>",                    // unknown entity
        L"<a>&amp</a>",                       // entity without end
        L"<a>&#0;</a>",                       // reference out of range
        L"<a>&#xD800;</a>",                   // lone surrogate
        L"<a>&#x110000;</a>",                 // beyond Unicode
        L"<a>&#12a;</a>",                     // bad digit
        L"<a><!-- open </a>",                 // unterminated comment
        L"<a x='<'/>",                        // '<' inside a value
        L"<1a/>",                             // bad name
    };
    for (const wchar_t* text : bad) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.parse(text)) << "accepted: " << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(doc.root(), nullptr);
        EXPECT_FALSE(doc.error().empty());
    }
}

TEST(XmlDocumentTest, DeepNestingIsRefusedNotOverflowed)
{
    std::wstring deep;
    for (int i = 0; i < 100000; ++i) deep += L"<a>";
    CXmlDocument doc;
    EXPECT_FALSE(doc.parse(deep));
    std::wstring fine;
    for (int i = 0; i < 50; ++i) fine += L"<a>";
    for (int i = 0; i < 50; ++i) fine += L"</a>";
    EXPECT_TRUE(doc.parse(fine)) << doc.error();
}

TEST(XmlDocumentTest, ReparseReplacesTheOldRoot)
{
    CXmlDocument doc;
    ASSERT_TRUE(doc.parse(L"<first/>"));
    EXPECT_FALSE(doc.parse(L"<broken>"));
    EXPECT_EQ(doc.root(), nullptr);
    ASSERT_TRUE(doc.parse(L"<second/>"));
    EXPECT_EQ(doc.root()->name(), L"second");
    EXPECT_TRUE(doc.error().empty());
}
