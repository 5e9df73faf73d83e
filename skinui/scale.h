#pragma once
// Display scaling: layouts are written in 96-DPI units and shown in the
// pixels of the window's monitor. Plain arithmetic, no window needed.

#include <windows.h>

#include <string>
#include <vector>

namespace SkinUI {

const int kLayoutDpi = 96;

// Junk or unknown (0) is 96; the rest is kept within 96..480 (500 %).
int clampDpi(int dpi);

// A coordinate or length in layout units at dpi: value * dpi / 96, halves
// up. Monotonic, so edges that meet in layout units meet in pixels too.
int scaleValue(int value, int dpi);
// Pixels back to the nearest layout unit.
int unscaleValue(int pixels, int dpi);
// Each edge scaled on its own: one rounding per rectangle, so touching
// rectangles stay touching and none grows into its neighbour.
RECT scaleRect(const RECT& rect, int dpi);
SIZE scaleSize(const SIZE& size, int dpi);
// A font size in pixels at dpi, not rounded: the font is made at that size.
float scaleFontSize(int size, int dpi);

// Pictures are drawn at 100, 150 and 200 %; "name.png" at 150 % is
// "name@1.5x.png", at 200 % "name@2x.png". The scales to try at a DPI:
// the nearest at or above first, then the larger ones, then the smaller
// ones from the largest down.
std::vector<int> pictureScales(int dpi);
std::wstring pictureVariant(const std::wstring& file, int percent);

} // namespace SkinUI
