#pragma once
// The emulator's registry key under the current user: this program reads
// its values and creates the key empty when it is missing.

#include <string>

namespace helper {
namespace registry {

constexpr const wchar_t* kPlayerKey = L"Software\\Bexmoor2\\vpplayer";

// A value of a key under the current user, as text up to its first zero,
// whatever its stored type. The key is created when it is missing. Empty
// when the key cannot be opened or the value is missing or too long.
std::wstring readUserValue(const wchar_t* subKey, const std::wstring& valueName);

inline std::wstring readPlayerValue(const std::wstring& valueName) { return readUserValue(kPlayerKey, valueName); }

} // namespace registry
} // namespace helper
