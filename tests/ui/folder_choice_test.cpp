// The path page's decisions without a window: text tidying, the folder a
// typed or chosen text becomes, what the page shows, which check stops the
// install button.

#include "ui/folder_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ReplaceCase {
    const wchar_t* text;
    const wchar_t* pattern;
    const wchar_t* replacement;
    const wchar_t* expected;
};

TEST(FolderChoiceTest, ReplaceAllSearchesOnPastEachReplacement)
{
    const ReplaceCase cases[] = {
        {L"D:/a/b", L"/", L"\\", L"D:\\a\\b"},
        {L"a\\\\b", L"\\\\", L"\\", L"a\\b"},
        // Three in a row: the first pair is halved, the search goes on
        // behind it and finds no second pair.
        {L"a\\\\\\b", L"\\\\", L"\\", L"a\\\\b"},
        // Four: the search starts again one place behind the second pair,
        // which is left as it is.
        {L"a\\\\\\\\b", L"\\\\", L"\\", L"a\\\\\\b"},
        // A replacement that holds the pattern is not searched again.
        {L"xx", L"x", L"xx", L"xxxx"},
        {L"a/b", L"/", L"//", L"a//b"},
        {L"abc", L"", L"-", L"abc"},
        {L"", L"/", L"\\", L""},
    };
    for (const ReplaceCase& c : cases) {
        std::wstring text = c.text;
        ui::replaceAll(text, c.pattern, c.replacement);
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

TEST(FolderChoiceTest, TidyFolderTextTurnsSlashesHalvesPairsCutsBlanksAndEndsWithBackslash)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"D:/Games", L"D:\\Games\\"},
        {L" D:\\Games ", L"D:\\Games\\"},
        {L"D:\\\\Games\\\\", L"D:\\Games\\"},
        {L"D:\\Games\\", L"D:\\Games\\"},
        {L"/D:/Games/ ", L"\\D:\\Games\\"},
        {L"   ", L""},
        {L"", L""},
        // Only U+0020 counts as a blank.
        {L"\tD:\\x", L"\tD:\\x\\"},
    };
    for (const auto& c : cases) {
        std::wstring text = c.first;
        ui::tidyFolderText(text);
        EXPECT_EQ(text, c.second) << c.first;
    }
}

// Drives D: and E: exist; a root is a drive letter, colon and backslash.
ui::FolderChecks checks()
{
    ui::FolderChecks result;
    result.isValid = [](const std::wstring& text) {
        std::size_t at = text.find_first_not_of(L' ');
        return at != std::wstring::npos && text.size() >= at + 3 &&
               (text[at] == L'D' || text[at] == L'E') && text[at + 1] == L':';
    };
    result.isDriveRoot = [](const std::wstring& text) {
        return text.size() == 3 && text[1] == L':' && text[2] == L'\\';
    };
    return result;
}

TEST(FolderChoiceTest, ComposedFolderGetsMakerAndSubFolderWhereNeeded)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"D:\\", L"D:\\Bexmoor\\vpplayer2\\"},
        {L"D:/Games", L"D:\\Games\\vpplayer2\\"},
        {L"D:\\Games\\vpplayer2", L"D:\\Games\\vpplayer2\\"},
        {L"D:\\Games\\MyVpplayer2", L"D:\\Games\\MyVpplayer2\\"},
        {L" D:\\Games ", L"D:\\Games\\vpplayer2\\"},
        {L" D:/Kolvex Games/ ", L"D:\\Kolvex Games\\vpplayer2\\"},
        {L"E:\\vpplayer2\\sub", L"E:\\vpplayer2\\sub\\vpplayer2\\"},
        // An invalid folder is kept as typed; only the sub-folder is added.
        {L"Q:\\Games\\", L"Q:\\Games\\vpplayer2\\"},
        {L"Q:\\no such drive", L"Q:\\no such drive\\vpplayer2\\"},
        {L"Q:\\Games\\vpplayer2", L"Q:\\Games\\vpplayer2\\"},
        {L"", L"vpplayer2\\"},
    };
    for (const auto& c : cases) {
        std::wstring folder = L"unchanged";
        EXPECT_TRUE(ui::composeChosenFolder(c.first, L"C:\\old\\vpplayer2\\", checks(), folder)) << c.first;
        EXPECT_EQ(folder, c.second) << c.first;
    }
}

TEST(FolderChoiceTest, TextEqualToTheCurrentFolderChangesNothing)
{
    std::wstring folder = L"unchanged";
    EXPECT_FALSE(ui::composeChosenFolder(L"D:\\Games\\vpplayer2\\", L"D:\\Games\\vpplayer2\\", checks(), folder));
    EXPECT_EQ(folder, L"unchanged");
    // The comparison is exact: another case is a change.
    EXPECT_TRUE(ui::composeChosenFolder(L"d:\\Games\\vpplayer2\\", L"D:\\Games\\vpplayer2\\", checks(), folder));
    EXPECT_EQ(folder, L"d:\\Games\\vpplayer2\\");
}

TEST(FolderChoiceTest, PageStateFollowsFolderAndLicence)
{
    struct Case {
        bool valid, accepted, error, enabled;
    };
    const Case cases[] = {
        {true, true, false, true},
        {true, false, false, false},
        {false, true, true, false},
        {false, false, true, false},
    };
    for (const Case& c : cases) {
        const ui::InstallState state = ui::installStateFor(c.valid, c.accepted);
        EXPECT_EQ(state.showError, c.error) << c.valid << c.accepted;
        EXPECT_EQ(state.installEnabled, c.enabled) << c.valid << c.accepted;
    }
    const ui::InstallState valid = ui::installStateFor(true, false);
    EXPECT_EQ(valid.editNormal, L"file='browse_button.png' source='0,0,10,10' corner='4,4,4,4'");
    EXPECT_EQ(valid.editHot, L"file='browse_button.png' source='10,0,20,10' corner='4,4,4,4'");
    EXPECT_EQ(valid.editFocused, L"file='browse_button.png' source='20,0,30,10' corner='4,4,4,4'");
    const ui::InstallState invalid = ui::installStateFor(false, true);
    for (const std::wstring& image : {invalid.editNormal, invalid.editHot, invalid.editFocused})
        EXPECT_EQ(image, L"file='error_edit_bg.png' source='0,0,10,10' corner='4,4,4,4'");
}

TEST(FolderChoiceTest, FirstFailingCheckNamesTheErrorBox)
{
    struct Case {
        bool accepted, valid;
        double freeMB;
        const wchar_t* id;
    };
    const Case cases[] = {
        {true, true, 1024.0, L""},
        {true, true, 50000.0, L""},
        {true, true, 1023.99, L"MsgBox_disk_notEnough"},
        {true, true, 0.0, L"MsgBox_disk_notEnough"},
        {true, false, 50000.0, L"MsgBox_error_path"},
        {false, false, 0.0, L"MsgBox_accept_protocol"},
        {false, true, 50000.0, L"MsgBox_accept_protocol"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::installBlocker(c.accepted, c.valid, c.freeMB), c.id) << c.accepted << c.valid << c.freeMB;
}

} // namespace
