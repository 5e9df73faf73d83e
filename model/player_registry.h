#pragma once
// The emulator's registry key under the current user: this program reads
// its values and creates the key empty when it is missing.

#include <string>

namespace helper {
namespace registry {

constexpr const wchar_t* kPlayerKey = L"Software\\Bexmoor2\\vpplayer";

// The value as text up to its first zero, whatever its stored type; empty
// when the key cannot be opened or the value is missing or too long.
std::wstring readPlayerValue(const std::wstring& valueName);

} // namespace registry
} // namespace helper
