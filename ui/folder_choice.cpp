#include "ui/folder_choice.h"

#include <algorithm>
#include <cwctype>

namespace ui {

namespace {

constexpr const wchar_t* kSubFolder = L"vpplayer2\\";
constexpr const wchar_t* kMakerFolder = L"Bexmoor\\";

bool containsIgnoringCase(const std::wstring& text, const std::wstring& part)
{
    if (part.empty()) return true;
    if (text.size() < part.size()) return false;
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && std::towlower(text[at + i]) == std::towlower(part[i])) ++i;
        if (i == part.size()) return true;
    }
    return false;
}

// The last folder name of a text that ends with "\" (its final character is
// taken to be that "\").
std::wstring lastElement(const std::wstring& text)
{
    if (text.size() < 2) return std::wstring();
    const std::size_t cut = text.rfind(L'\\', text.size() - 2);
    const std::size_t begin = cut == std::wstring::npos ? 0 : cut + 1;
    return text.substr(begin, text.size() - 1 - begin);
}

} // namespace

void replaceAll(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement)
{
    if (pattern.empty()) return;
    // Never inside the replacement: one that holds the pattern would grow
    // the text for ever.
    const std::size_t skip = std::max(pattern.size(), replacement.size());
    for (std::size_t at = text.find(pattern); at != std::wstring::npos; at = text.find(pattern, at + skip))
        text.replace(at, pattern.size(), replacement);
}

void tidyFolderText(std::wstring& text)
{
    replaceAll(text, L"/", L"\\");
    replaceAll(text, L"\\\\", L"\\");
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) {
        text.clear();
        return;
    }
    text = text.substr(first, text.find_last_not_of(L' ') - first + 1);
    if (text.back() != L'\\') text += L'\\';
}

bool composeChosenFolder(const std::wstring& text, const std::wstring& current, const FolderChecks& checks,
                         std::wstring& folder)
{
    if (text == current) return false;
    folder = text;
    if (checks.isDriveRoot(folder)) folder += std::wstring(kMakerFolder) + kSubFolder;
    if (checks.isValid(folder)) tidyFolderText(folder);
    // An invalid text is not tidied; its last name still ends at a "\", so
    // the sub-folder does not run into it.
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    if (!containsIgnoringCase(lastElement(folder), L"vpplayer2")) folder += kSubFolder;
    return true;
}

InstallState installStateFor(bool folderValid, bool licenceAccepted)
{
    InstallState state;
    state.showError = !folderValid;
    state.installEnabled = folderValid && licenceAccepted;
    if (folderValid) {
        state.editNormal = L"file='browse_button.png' source='0,0,10,10' corner='4,4,4,4'";
        state.editHot = L"file='browse_button.png' source='10,0,20,10' corner='4,4,4,4'";
        state.editFocused = L"file='browse_button.png' source='20,0,30,10' corner='4,4,4,4'";
    } else {
        state.editNormal = state.editHot = state.editFocused =
            L"file='error_edit_bg.png' source='0,0,10,10' corner='4,4,4,4'";
    }
    return state;
}

std::wstring installBlocker(bool licenceAccepted, bool folderValid, double freeMB)
{
    if (!licenceAccepted) return L"MsgBox_accept_protocol";
    if (!folderValid) return L"MsgBox_error_path";
    if (freeMB < kMinFreeMB) return L"MsgBox_disk_notEnough";
    return std::wstring();
}

} // namespace ui
