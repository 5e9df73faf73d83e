// The label mark-up: whatever the text, the runs hold exactly the text
// without its tags, and an escaped text is shown exactly as it was.
#include "fuzz_input.h"
#include "skinui/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = fuzz::wideUnits(data, size);
    std::wstring joined;
    for (const SkinUI::CTextRun& run : SkinUI::parseMarkup(text)) joined += run.text;
    if (joined != SkinUI::stripMarkup(text)) __builtin_trap();
    if (SkinUI::stripMarkup(SkinUI::escapeMarkup(text)) != text) __builtin_trap();
    return 0;
}
