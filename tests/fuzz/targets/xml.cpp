// The XML reader of the layouts and bundles, over UTF-16 units.
#include "fuzz_input.h"
#include "skinui/xml_document.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SkinUI::CXmlDocument document;
    if (!document.parse(fuzz::wideUnits(data, size))) {
        if (document.root()) __builtin_trap(); // a failed parse has no root
        return 0;
    }
    // Every element reachable, without recursion.
    std::vector<const SkinUI::CXmlElement*> open{document.root()};
    while (!open.empty()) {
        const SkinUI::CXmlElement* element = open.back();
        open.pop_back();
        element->attribute(L"name");
        for (const auto& child : element->children()) open.push_back(child.get());
    }
    return 0;
}
