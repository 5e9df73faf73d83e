#pragma once
// The current user's proxy settings and configuration scripts, through
// WinHTTP's functions for them. winhttp.dll is loaded at run time from the
// system folder; where it (or a function) is missing, there is no proxy.
// Any thread; a script is fetched and run within fixed time-outs.

#include "utility/proxy_rules.h"

#include <string>

namespace utility {
namespace proxy {

// The Internet options of the current user; false when they cannot be read.
bool readSystemSettings(Settings& settings);

// The script's answer for url (scriptUrl empty: automatic detection), as
// ScriptRunner describes it.
bool runSystemScript(const std::wstring& url, const std::wstring& scriptUrl, std::wstring& list);

} // namespace proxy
} // namespace utility
