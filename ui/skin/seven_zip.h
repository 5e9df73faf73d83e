#pragma once
// Reader of the skin package: a 7z archive held in memory, LZMA-packed
// (or stored), with a plain or an LZMA-packed header. Every file is
// unpacked and checked against its CRC-32; a damaged or hostile archive is
// refused as a whole.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace ui {
namespace skin {

// Entry name ("/" separators) -> bytes.
using FileTable = std::map<std::wstring, std::string>;

struct SevenZipLimits {
    // Sum of every unpacked folder; a header that declares more is refused
    // before anything is allocated.
    std::uint64_t maxUnpackedBytes = 64u << 20;
    std::uint64_t maxHeaderBytes = 4u << 20;
    std::uint32_t maxEntries = 1u << 16;
};

// Fills files with every file entry (folders are skipped, empty files kept).
// On any fault the table is left empty, the reason is logged once, and the
// result is false (why, if given, receives the reason). An archive without
// entries is valid. Never throws.
bool unpackSevenZip(const void* data, std::size_t size, FileTable& files,
                    const SevenZipLimits& limits = SevenZipLimits(), std::wstring* why = nullptr);

} // namespace skin
} // namespace ui
