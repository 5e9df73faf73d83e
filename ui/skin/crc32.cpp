#include "ui/skin/crc32.h"

namespace ui {
namespace skin {

namespace {

struct CrcTable {
    std::uint32_t entries[256];
    CrcTable()
    {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
            entries[i] = c;
        }
    }
};

} // namespace

std::uint32_t crc32(const void* data, std::size_t size)
{
    static const CrcTable table;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = table.entries[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

} // namespace skin
} // namespace ui
