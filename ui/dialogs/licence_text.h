#pragma once
// The licence text the program carries: resource "TXT" 132, UTF-16 LE
// with a byte-order mark.

#include <windows.h>

#include <string>

namespace ui {
namespace dialogs {

const int kLicenceResourceId = 132;

// The text of the module's licence resource without its byte-order mark;
// empty when the resource is missing or cannot be loaded.
std::wstring loadLicenceText(HMODULE module);

// UTF-16 LE bytes to text: an odd last byte is dropped, a leading mark too.
std::wstring licenceFromBytes(const void* data, std::size_t size);

} // namespace dialogs
} // namespace ui
