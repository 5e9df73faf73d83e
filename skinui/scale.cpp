#include "skinui/scale.h"

#include <climits>

namespace SkinUI {

namespace {

const int kMaxDpi = 480;
const int kPictureScales[] = {100, 150, 200};

long long floorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int toInt(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v); }

} // namespace

int clampDpi(int dpi)
{
    if (dpi <= kLayoutDpi) return kLayoutDpi;
    return dpi > kMaxDpi ? kMaxDpi : dpi;
}

int scaleValue(int value, int dpi)
{
    dpi = clampDpi(dpi);
    if (dpi == kLayoutDpi) return value;
    // floor(value * dpi / 96 + 1/2) in integers.
    return toInt(floorDiv(2LL * value * dpi + kLayoutDpi, 2LL * kLayoutDpi));
}

int unscaleValue(int pixels, int dpi)
{
    dpi = clampDpi(dpi);
    if (dpi == kLayoutDpi) return pixels;
    return toInt(floorDiv(2LL * pixels * kLayoutDpi + dpi, 2LL * dpi));
}

RECT scaleRect(const RECT& rect, int dpi)
{
    return RECT{scaleValue(rect.left, dpi), scaleValue(rect.top, dpi), scaleValue(rect.right, dpi),
                scaleValue(rect.bottom, dpi)};
}

SIZE scaleSize(const SIZE& size, int dpi) { return SIZE{scaleValue(size.cx, dpi), scaleValue(size.cy, dpi)}; }

float scaleFontSize(int size, int dpi) { return static_cast<float>(size) * clampDpi(dpi) / kLayoutDpi; }

std::vector<int> pictureScales(int dpi)
{
    const int wanted = clampDpi(dpi) * 100 / kLayoutDpi;
    std::vector<int> order;
    for (int percent : kPictureScales)
        if (percent >= wanted) order.push_back(percent);
    for (int i = static_cast<int>(sizeof kPictureScales / sizeof kPictureScales[0]); i-- > 0;)
        if (kPictureScales[i] < wanted) order.push_back(kPictureScales[i]);
    return order;
}

std::wstring pictureVariant(const std::wstring& file, int percent)
{
    if (percent == 100) return file;
    std::wstring tag = L"@" + std::to_wstring(percent / 100);
    if (percent % 100 != 0) tag += L"." + std::to_wstring(percent % 100 / 10);
    tag += L"x";
    // The tag goes before the extension of the last path part.
    const std::size_t slash = file.find_last_of(L"/\\");
    const std::size_t dot = file.rfind(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    if (!hasExtension) return file + tag;
    return file.substr(0, dot) + tag + file.substr(dot);
}

} // namespace SkinUI
