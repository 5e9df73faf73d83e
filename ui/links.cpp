#include "ui/links.h"

namespace ui {

const wchar_t* const kHomePage = L"https://www.kolvex.com/";

namespace {

constexpr const char* kGroupJson = "{\"groupUin\":528614307,\"ticket\":null}";

} // namespace

std::wstring userGroupLink()
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring link = L"tencent://groupwpa/?subcmd=all&param=";
    for (const char* c = kGroupJson; *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        link += kDigits[byte >> 4];
        link += kDigits[byte & 0x0F];
    }
    return link;
}

} // namespace ui
