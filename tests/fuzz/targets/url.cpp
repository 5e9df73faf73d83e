// The URL splitter over any text.
#include "fuzz_input.h"
#include "utility/url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const utility::UrlParts parts = utility::splitUrl(fuzz::wideUnits(data, size));
    (void)parts;
    return 0;
}
