#pragma once
// The embedded Authenticode signature of a program file, as Windows judges
// it, and its signer. wintrust.dll and crypt32.dll are loaded at run time
// from the system folder. Any thread; a check reads the whole file.

#include "common/unique_handle.h"
#include "utility/signature_rules.h"

#include <string>
#include <vector>

namespace utility {
namespace signature {

// Opens the file for reading so that, while the handle lives, nobody can
// write, rename or delete it (others may still read and run it). Empty when
// it cannot be opened.
common::UniqueHandle holdUnchanged(const std::wstring& path);

// WinVerifyTrust's answer for the file (no user interface) and the SHA-256
// of the first signer's certificate.
Evidence examine(const std::wstring& path);

// examine, then decide. Logs nothing: the caller says what the verdict means.
Verdict check(const std::wstring& path, const std::vector<std::string>& accepted, Evidence* seen = nullptr);

} // namespace signature
} // namespace utility
