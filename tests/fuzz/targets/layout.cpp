// A layout file through the XML reader and the layout builder, then laid
// out at its own size and at a small and a huge one.
#include "fuzz_input.h"
#include "skinui/layout_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SkinUI::CWindowLayout layout;
    if (!SkinUI::CDialogBuilder::buildFromText(fuzz::wideUnits(data, size), layout)) return 0;
    layout.layout();
    layout.layout(1, 1);
    layout.layout(100000, 100000);
    layout.findControl(L"installnowbtn");
    return 0;
}
