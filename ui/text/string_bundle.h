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

} // namespace text
} // namespace ui
