#pragma once
// The addresses behind the window's links.

#include <string>

namespace ui {

// The product's home page (home-page button and the download error box).
extern const wchar_t* const kHomePage;

// The QQ messenger's link that opens the product's user group: scheme
// "tencent", command "groupwpa", the group named by a small JSON text in
// hexadecimal.
std::wstring userGroupLink();

} // namespace ui
