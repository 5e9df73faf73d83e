#pragma once
// Resizing a part of a picture for display scaling: the average of the
// covered source pixels when shrinking, linear between the nearest ones
// when growing. Never reads outside the part, so the pieces of a nine-grid
// meet without seams. Premultiplied 0xAARRGGBB pixels, no window needed.

#include <windows.h>

#include <vector>

namespace SkinUI {

// pixels: width x height, row after row. part: the source rectangle, kept
// inside the picture. Returns outWidth x outHeight pixels; empty when either
// side is empty.
std::vector<DWORD> resamplePart(const DWORD* pixels, int width, int height, RECT part, int outWidth, int outHeight);

// Whether every pixel of the part is the same.
bool uniformPart(const DWORD* pixels, int width, const RECT& part);

} // namespace SkinUI
