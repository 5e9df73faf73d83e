#pragma once
// CRC-32 (IEEE, reflected), as 7z archives store it.

#include <cstddef>
#include <cstdint>

namespace ui {
namespace skin {

std::uint32_t crc32(const void* data, std::size_t size);

} // namespace skin
} // namespace ui
