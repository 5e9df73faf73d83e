// The string bundle loader over a bundle file's bytes, then the look-ups
// the window makes and the mark-up its label renders.
#include "skinui/markup.h"
#include "ui/text/string_bundle.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring document = ui::text::bundleDocument(std::string(reinterpret_cast<const char*>(data), size));
    ui::text::StringBundle bundle;
    const bool loaded = bundle.load(document);
    static const wchar_t* const ids[] = {L"Title_wndTitle", L"protocol_accept", L"sure", L"homepage", L""};
    std::wstring texts[sizeof ids / sizeof ids[0]];
    for (std::size_t i = 0; i < sizeof ids / sizeof ids[0]; ++i) {
        texts[i] = bundle.stringById(ids[i]);
        // A bundle that did not load leaves every id as it was asked.
        if (!loaded && texts[i] != ids[i]) __builtin_trap();
        SkinUI::parseMarkup(texts[i]);
    }
    // The same bundle loaded again over itself changes no text.
    if (bundle.load(document) != loaded) __builtin_trap();
    for (std::size_t i = 0; i < sizeof ids / sizeof ids[0]; ++i)
        if (bundle.stringById(ids[i]) != texts[i]) __builtin_trap();
    return 0;
}
