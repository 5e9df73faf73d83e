// The layout attribute values: colours, rectangles, sizes, numbers,
// booleans, image descriptions and attribute lists. The first byte picks
// the reader, the rest is the value as 16-bit units.
#include "fuzz_input.h"
#include "skinui/attribute_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::wstring text = fuzz::wideUnits(data + 1, size - 1);
    switch (data[0] % 7) {
    case 0: {
        DWORD color = 0;
        SkinUI::parseColor(text, color);
        break;
    }
    case 1: {
        RECT rect = {0, 0, 0, 0};
        SkinUI::parseRect(text, rect);
        break;
    }
    case 2: {
        SIZE extent = {0, 0};
        SkinUI::parseSize(text, extent);
        break;
    }
    case 3: {
        int value = 0;
        SkinUI::parseInt(text, value);
        break;
    }
    case 4: {
        bool value = false;
        SkinUI::parseBool(text, value);
        break;
    }
    case 5: {
        SkinUI::CImageDesc image;
        SkinUI::parseImage(text, image);
        break;
    }
    default: {
        std::vector<std::pair<std::wstring, std::wstring>> pairs;
        SkinUI::parseAttributeList(text, pairs);
    }
    }
    return 0;
}
