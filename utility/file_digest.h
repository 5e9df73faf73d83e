#pragma once
// MD5 of a file, to check a download against the digest its service names.

#include <string>

namespace utility {
namespace ufile {

// Lower-case hexadecimal MD5 of the file's bytes; false when the file cannot
// be read or the system offers no MD5.
bool md5OfFile(const std::wstring& path, std::wstring& hexDigest);
// Whether text is 32 hexadecimal digits (either case).
bool isMd5Text(const std::wstring& text);
// Case-insensitive comparison of two digests.
bool sameMd5(const std::wstring& a, const std::wstring& b);

} // namespace ufile
} // namespace utility
