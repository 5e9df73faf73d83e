// The toolkit's multi-language table (UTF-8, TAB-separated), then a look-up.
#include "skinui/multi_language.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SkinUI::CMultiLanguage& table = SkinUI::CMultiLanguage::instance();
    table.clear();
    table.loadTable(std::string(reinterpret_cast<const char*>(data), size));
    std::wstring text;
    table.find(L"confirm", text);
    table.resolve(L"@prompt");
    return 0;
}
