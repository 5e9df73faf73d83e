// The record beside a partial download, read back from a folder anyone may
// write into: whatever it holds, what parses writes back to the same text,
// and what it would send back to a server is one clean header value.
#include "utility/resume_record.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    utility::resume::Record record;
    if (!utility::resume::parse(text, record)) return 0;
    if (utility::resume::format(record) != text) __builtin_trap();
    const std::string validator = utility::resume::validatorOf(record.etag, record.lastModified);
    if (!validator.empty() && !utility::resume::sendableValue(validator)) __builtin_trap();
    return 0;
}
