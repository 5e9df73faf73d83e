#include "utility/url.h"

#include <cwchar>
#include <cwctype>

namespace utility {

namespace {

bool startsWithNoCase(const std::wstring& text, const wchar_t* prefix)
{
    const std::size_t length = std::wcslen(prefix);
    if (text.size() < length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
    return true;
}

} // namespace

UrlParts splitUrl(const std::wstring& url)
{
    struct Scheme {
        const wchar_t* prefix;
        std::uint16_t port;
    };
    static const Scheme kSchemes[] = {
        {L"http://", 80}, {L"https://", 443}, {L"\r\nhttp://", 80}, {L"\r\nhttps://", 443}};

    UrlParts parts;
    std::size_t skip = 0;
    for (const Scheme& scheme : kSchemes) {
        if (startsWithNoCase(url, scheme.prefix)) {
            parts.port = scheme.port;
            skip = std::wcslen(scheme.prefix);
            break;
        }
    }

    const std::size_t slash = url.find(L'/', skip);
    std::wstring authority;
    if (slash == std::wstring::npos) {
        authority = url.substr(skip);
        parts.path = url; // the absolute form goes into the request line
    } else {
        authority = url.substr(skip, slash - skip);
        parts.path = url.substr(slash);
    }

    const std::size_t colon = authority.find(L':');
    if (colon == std::wstring::npos) {
        parts.host = authority;
    } else {
        parts.host = authority.substr(0, colon);
        // Read the way _wtoi reads, kept in 16 bits.
        parts.port = static_cast<std::uint16_t>(std::wcstol(authority.c_str() + colon + 1, nullptr, 10));
    }
    return parts;
}

} // namespace utility
