// The player-version answer.
#include "model/version_answer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    VersionAnswer answer;
    parseVersionAnswer(std::string(reinterpret_cast<const char*>(data), size), answer);
    return 0;
}
