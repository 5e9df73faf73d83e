#include "ui/dialogs/licence_text.h"

#include "common/log.h"

#include <cstring>

namespace ui {
namespace dialogs {

std::wstring licenceFromBytes(const void* data, std::size_t size)
{
    if (!data) return std::wstring();
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], data, text.size() * sizeof(wchar_t));
    if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
    return text;
}

std::wstring loadLicenceText(HMODULE module)
{
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(kLicenceResourceId), L"TXT");
    if (!found) {
        WRITE_LOG(L"no licence resource: error %lu", ::GetLastError());
        return std::wstring();
    }
    // A loaded resource lives as long as its module; nothing to free.
    HGLOBAL loaded = ::LoadResource(module, found);
    const DWORD size = ::SizeofResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        WRITE_LOG(L"licence resource not loaded: error %lu", ::GetLastError());
        return std::wstring();
    }
    return licenceFromBytes(data, size);
}

} // namespace dialogs
} // namespace ui
