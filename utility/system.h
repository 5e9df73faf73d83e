#pragma once
// Facts about the running Windows system.

namespace utility {
namespace usystem {

// Major version of the system (5 for the XP family, 6 and above for Vista
// and later); 0 when it cannot be read.
unsigned long osMajorVersion();
bool isVistaOrLater();

} // namespace usystem
} // namespace utility
