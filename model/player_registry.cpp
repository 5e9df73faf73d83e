#include "model/player_registry.h"

#include "common/log.h"
#include "common/unique_reg_key.h"

#include <windows.h>

#include <algorithm>

namespace helper {
namespace registry {

namespace {

constexpr DWORD kValueBytes = 2048;
constexpr std::size_t kValueUnits = kValueBytes / sizeof(wchar_t);


} // namespace

std::wstring readUserValue(const wchar_t* subKey, const std::wstring& valueName)
{
    common::UniqueRegKey key;
    LONG result = ::RegCreateKeyW(HKEY_CURRENT_USER, subKey, key.out());
    if (result != ERROR_SUCCESS) {
        WRITE_LOG(L"open reg key failed! error = %d.", static_cast<int>(result));
        return std::wstring();
    }
    wchar_t buffer[kValueUnits] = {};
    DWORD size = kValueBytes;
    result = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                &size);
    // A value larger than the buffer leaves it undefined: treat it as missing.
    if (result != ERROR_SUCCESS) return std::wstring();
    // Whatever its type, the value may fill the buffer without a final zero.
    return std::wstring(buffer, std::find(buffer, buffer + kValueUnits, L'\0'));
}

} // namespace registry
} // namespace helper
