#pragma once
// Splits an absolute URL into what the transports need. Never fails and
// decodes nothing: the path goes on the wire exactly as written.

#include <cstdint>
#include <string>

namespace utility {

struct UrlParts {
    std::wstring host;
    std::uint16_t port = 80;
    std::wstring path;
};

UrlParts splitUrl(const std::wstring& url);

} // namespace utility
