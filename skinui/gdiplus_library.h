#pragma once
// GDI+ for the painter, loaded at run time from the system's own copy: the
// program imports it through delay-load stubs, and the stubs are told which
// file to use. Only the painter calls this.

#include <cstdint>
#include <string>

namespace SkinUI {

// Loads gdiplus.dll once, by full path (the system folder, else the newest
// copy in the system's side-by-side store, where Windows XP keeps it) and
// hands it to the delay-load stubs. False when neither exists: the painter
// must then make no GDI+ call. Thread-safe.
bool loadGdiplus();

// Version of a side-by-side folder name such as
// "x86_Microsoft.Windows.GdiPlus_6595b64144ccf1df_1.0.2600.5512_x-ww_dfb54e0c",
// four 16-bit parts in one number; 0 when the name carries none.
std::uint64_t sideBySideVersion(const std::wstring& folderName);

} // namespace SkinUI
