// The label mark-up parser and the edit's text operations, without a window.

#include "skinui/controls.h"
#include "skinui/markup.h"

#include <gtest/gtest.h>

using namespace SkinUI;

TEST(MarkupTest, NestedColourAndUnderline)
{
    const auto runs = parseMarkup(L"Read and agree Kolvex <c #0492D3><u #0492D3>license</u></c> now");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, L"Read and agree Kolvex ");
    EXPECT_FALSE(runs[0].hasColor);
    EXPECT_FALSE(runs[0].underline);
    EXPECT_EQ(runs[1].text, L"license");
    EXPECT_TRUE(runs[1].hasColor);
    EXPECT_EQ(runs[1].color, 0xFF0492D3u);
    EXPECT_TRUE(runs[1].underline);
    EXPECT_TRUE(runs[1].hasUnderlineColor);
    EXPECT_EQ(runs[2].text, L" now");
    EXPECT_FALSE(runs[2].hasColor);

    // Inner colour wins and the outer one comes back after it closes.
    const auto inner = parseMarkup(L"<c #FF0000>a<c #00FF00>b</c>c</c>d");
    ASSERT_EQ(inner.size(), 4u);
    EXPECT_EQ(inner[0].color, 0xFFFF0000u);
    EXPECT_EQ(inner[1].color, 0xFF00FF00u);
    EXPECT_EQ(inner[2].color, 0xFFFF0000u);
    EXPECT_FALSE(inner[3].hasColor);

    const auto plainUnderline = parseMarkup(L"<u>x</u>");
    ASSERT_EQ(plainUnderline.size(), 1u);
    EXPECT_TRUE(plainUnderline[0].underline);
    EXPECT_FALSE(plainUnderline[0].hasUnderlineColor);
    EXPECT_EQ(stripMarkup(L"\x5DF2<c #0492D3><u #0492D3>\x8BB8</u></c>"), L"\x5DF2\x8BB8");
}

TEST(MarkupTest, MalformedTagsKeepTheirTextAndNeverLoseCharacters)
{
    // Not tags of the mark-up: shown as written.
    EXPECT_EQ(stripMarkup(L"a < b and c > d"), L"a < b and c > d");
    EXPECT_EQ(stripMarkup(L"<b>bold</b>"), L"<b>bold</b>");
    EXPECT_EQ(stripMarkup(L"<c>no colour</c>"), L"<c>no colour");
    EXPECT_EQ(stripMarkup(L"<c #12>short</c>"), L"<c #12>short");
    EXPECT_EQ(stripMarkup(L"<c #GGGGGG>bad</c>"), L"<c #GGGGGG>bad");
    EXPECT_EQ(stripMarkup(L"<cx #FF0000>x"), L"<cx #FF0000>x");
    EXPECT_EQ(stripMarkup(L"tail <c #FF0000"), L"tail <c #FF0000");
    EXPECT_EQ(stripMarkup(L"<<c #FF0000>x"), L"<x");
    EXPECT_EQ(stripMarkup(L""), L"");

    // An unclosed tag lasts to the end; a stray closing tag is dropped.
    const auto open = parseMarkup(L"a<c #FF0000>b");
    ASSERT_EQ(open.size(), 2u);
    EXPECT_TRUE(open[1].hasColor);
    const auto stray = parseMarkup(L"a</u>b</c>c");
    ASSERT_EQ(stray.size(), 1u);
    EXPECT_EQ(stray[0].text, L"abc");

    // Crossed tags: closing the colour also ends the underline opened in it.
    const auto crossed = parseMarkup(L"<c #FF0000>r<u>ru</c>u?</u>x");
    ASSERT_GE(crossed.size(), 2u);
    EXPECT_EQ(crossed[0].text, L"r");
    EXPECT_EQ(crossed[1].text, L"ru");
    EXPECT_TRUE(crossed[1].underline);
    EXPECT_EQ(crossed.back().text, L"u?x");
    EXPECT_FALSE(crossed.back().underline);
    EXPECT_FALSE(crossed.back().hasColor);
}

TEST(MarkupTest, EscapedTextIsShownExactlyAsGivenBesideRealMarkUp)
{
    EXPECT_EQ(escapeMarkup(L"<c #ff0000>a & b</c>"), L"&lt;c #ff0000&gt;a &amp; b&lt;/c&gt;");
    for (const wchar_t* text : {L"<c #ff0000>red</c>", L"</c>tail", L"a & b &lt; c"}) {
        // The escaped text keeps its characters and takes the look around it.
        const auto runs = parseMarkup(L"<c #268fd6>" + escapeMarkup(text) + L"</c>!");
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[0].text, text);
        EXPECT_TRUE(runs[0].hasColor);
    }
    // Stray ampersands stay as written.
    EXPECT_EQ(stripMarkup(L"&lt&gt;&amp"), L"&lt>&amp");
}

TEST(EditTextTest, TypingErasingAndCaretMovement)
{
    CEditUI edit;
    EXPECT_TRUE(edit.insert(L"D:\\Gams"));
    EXPECT_EQ(edit.caret(), 7u);
    edit.moveCaret(-1, false);
    EXPECT_TRUE(edit.insert(L"e"));
    EXPECT_EQ(edit.text(), L"D:\\Games");
    EXPECT_TRUE(edit.eraseBackward());
    EXPECT_EQ(edit.text(), L"D:\\Gams");
    EXPECT_TRUE(edit.eraseForward());
    EXPECT_EQ(edit.text(), L"D:\\Gam");
    EXPECT_FALSE(edit.eraseForward());
    edit.setCaret(0, false);
    EXPECT_FALSE(edit.eraseBackward());
    edit.moveCaret(-5, false);
    EXPECT_EQ(edit.caret(), 0u);
    edit.moveCaret(100, false);
    EXPECT_EQ(edit.caret(), 6u);
    // Control characters (Enter, Tab, Backspace as WM_CHAR) are not text.
    EXPECT_FALSE(edit.insert(L"\r\t\b"));
    EXPECT_EQ(edit.text(), L"D:\\Gam");
    // IME results arrive as characters.
    EXPECT_TRUE(edit.insert(L"\x6E38\x620F"));
    EXPECT_EQ(edit.text(), L"D:\\Gam\x6E38\x620F");
}

TEST(EditTextTest, SelectionReplaceLimitsAndCodeSetText)
{
    CEditUI edit;
    edit.setAttribute(L"maxchar", L"10");
    edit.insert(L"abcdef");
    edit.setCaret(1, false);
    edit.setCaret(4, true);
    EXPECT_EQ(edit.selectedText(), L"bcd");
    edit.moveCaret(-1, true);
    EXPECT_EQ(edit.selectedText(), L"bc");
    EXPECT_TRUE(edit.insert(L"XYZ"));
    EXPECT_EQ(edit.text(), L"aXYZdef");
    EXPECT_FALSE(edit.hasSelection());
    // Arrows without Shift collapse a selection to its side.
    edit.setCaret(1, false);
    edit.setCaret(3, true);
    edit.moveCaret(-1, false);
    EXPECT_EQ(edit.caret(), 1u);
    EXPECT_FALSE(edit.hasSelection());

    edit.selectAll();
    EXPECT_EQ(edit.selectedText(), L"aXYZdef");
    EXPECT_TRUE(edit.eraseBackward());
    EXPECT_EQ(edit.text(), L"");
    EXPECT_TRUE(edit.insert(L"0123456789abc"));
    EXPECT_EQ(edit.text(), L"0123456789");
    EXPECT_FALSE(edit.insert(L"x"));
    edit.setCaret(2, false);
    edit.setCaret(4, true);
    EXPECT_TRUE(edit.insert(L"xyz")); // two replaced: room for two only
    EXPECT_EQ(edit.text(), L"01xy456789");

    // Text set from code shorter than the caret: positions stay inside it.
    edit.setText(L"ab");
    EXPECT_EQ(edit.caret(), 2u);
    EXPECT_EQ(edit.anchor(), 2u);
    EXPECT_TRUE(edit.insert(L"c"));
    EXPECT_EQ(edit.text(), L"abc");

    CEditUI readOnly;
    readOnly.setAttribute(L"readonly", L"true");
    readOnly.setText(L"fixed");
    EXPECT_FALSE(readOnly.insert(L"x"));
    EXPECT_FALSE(readOnly.eraseBackward());
    EXPECT_EQ(readOnly.text(), L"fixed");
}
