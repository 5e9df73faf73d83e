#pragma once
// What the fuzz targets make of their input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// 16-bit units, little-endian, as the program's text holds them on
// Windows; an odd last byte is dropped.
inline std::wstring wideUnits(const std::uint8_t* data, std::size_t size)
{
    std::wstring text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Splits a byte stream into the pieces a peer's sends arrive in: the first
// eight bytes seed the piece sizes, the rest is the stream.
inline std::vector<std::string> peerPieces(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    std::size_t at = 0;
    for (; at < size && at < 8; ++at) seed = (seed << 8) ^ data[at] ^ (seed >> 56);
    std::vector<std::string> pieces;
    while (at < size) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        // Mostly small pieces, now and then a large one.
        std::size_t length = (seed & 7) == 0 ? 1 + (seed >> 8) % 40000 : 1 + (seed >> 8) % 64;
        if (length > size - at) length = size - at;
        pieces.emplace_back(reinterpret_cast<const char*>(data + at), length);
        at += length;
    }
    return pieces;
}

} // namespace fuzz
