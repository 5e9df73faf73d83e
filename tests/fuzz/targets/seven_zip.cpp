// The skin package reader with its LZMA decoding and checksums.
#include "ui/skin/seven_zip.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ui::skin::SevenZipLimits limits;
    limits.maxUnpackedBytes = 8u << 20;
    limits.maxHeaderBytes = 1u << 20;
    limits.maxEntries = 4096;
    ui::skin::FileTable files;
    std::wstring why;
    const bool ok = ui::skin::unpackSevenZip(data, size, files, limits, &why);
    // A refused archive leaves nothing behind.
    if (!ok && !files.empty()) __builtin_trap();
    return 0;
}
