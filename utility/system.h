#pragma once
// Facts about the running Windows system, and the desktop helpers.

#include <windows.h>

#include <string>

namespace utility {
namespace usystem {

// Major version of the system (5 for the XP family, 6 and above for Vista
// and later); 0 when it cannot be read.
unsigned long osMajorVersion();
bool isVistaOrLater();
// Tests open the XP layouts on purpose: a major version other than 0
// replaces the system's answer until it is set back to 0.
void setOsMajorVersionForTesting(unsigned long major);

// Brings the window to the front even against the foreground rules.
void showWndOnTop(HWND window);
// Opens the address in the user's browser; Internet Explorer when no
// handler takes it.
void openUrl(const std::wstring& url);

} // namespace usystem
} // namespace utility
