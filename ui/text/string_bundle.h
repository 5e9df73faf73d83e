#pragma once
// The window's texts by id, from a string bundle ("language\downloader_cn.xml").

#include <map>
#include <string>

namespace ui {
namespace text {

class StringBundle {
public:
    // Adds the bundle's String elements (a later id wins). False, with the
    // table unchanged, when the text is not a well-formed document.
    bool load(const std::wstring& document);
    // The text of id; a missing id gives the id itself.
    std::wstring stringById(const std::wstring& id) const;

private:
    std::map<std::wstring, std::wstring> table_;
};

// The bundle the installer shows, relative to the skin.
extern const wchar_t* const kBundleFile;

// The document a bundle file's bytes hold: UTF-8, a byte-order mark at the
// start dropped.
std::wstring bundleDocument(const std::string& bytes);

// The text of id in the shown bundle (kBundleFile), read on first use:
// for the dialogs, which have no model to ask. User-interface thread only.
std::wstring shownBundleText(const std::wstring& id);

// Reads a bundle through the skin's file lookup (the "skin" folder beside
// the program first, then the package) as UTF-16; false when missing.
bool readBundleDocument(const std::wstring& name, std::wstring& document);

} // namespace text
} // namespace ui
