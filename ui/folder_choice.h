#pragma once
// What the path page decides, apart from drawing: how a typed or chosen
// folder text becomes the install folder, what the page shows for a folder,
// and which check stops the install button. Plain functions, any thread.

#include <functional>
#include <string>

namespace ui {

// Replaces each pattern, searching on after the replacement's start plus the
// pattern's length (the replacement's when longer): three backslashes in a
// row become two, four become three. An empty pattern changes nothing.
void replaceAll(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement);

// "/" to "\", doubled "\" halved, blanks (U+0020) cut at both ends, and a
// final "\" on a text that is not empty.
void tidyFolderText(std::wstring& text);

// The outside facts the composition needs; the window passes the disk
// checks and the shell's root test.
struct FolderChecks {
    std::function<bool(const std::wstring&)> isValid;
    std::function<bool(const std::wstring&)> isDriveRoot;
};

// The install folder for a text the user typed or chose. False when the text
// is the current folder already: nothing changes and nothing is refreshed.
bool composeChosenFolder(const std::wstring& text, const std::wstring& current, const FolderChecks& checks,
                         std::wstring& folder);

// What the page shows for the install folder and the licence option.
struct InstallState {
    bool showError = false;
    bool installEnabled = false;
    // Images of the folder edit: normal, hot, focused.
    std::wstring editNormal;
    std::wstring editHot;
    std::wstring editFocused;
};
InstallState installStateFor(bool folderValid, bool licenceAccepted);

// The least free space an installation needs, in MiB.
constexpr double kMinFreeMB = 1024.0;

// Text id of the error box of the first failing check before an
// installation starts; empty when every check passes.
std::wstring installBlocker(bool licenceAccepted, bool folderValid, double freeMB);

} // namespace ui
