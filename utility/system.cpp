#include "utility/system.h"

#include <windows.h>

namespace utility {
namespace usystem {

unsigned long osMajorVersion()
{
    // The extended structure first; very old systems only know the basic one.
    OSVERSIONINFOEXW extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) return extended.dwMajorVersion;
    OSVERSIONINFOW basic = {};
    basic.dwOSVersionInfoSize = sizeof(basic);
    if (::GetVersionExW(&basic)) return basic.dwMajorVersion;
    return 0;
}

bool isVistaOrLater() { return osMajorVersion() > 5; }

} // namespace usystem
} // namespace utility
