#include "ui/text/string_bundle.h"

#include "common/log.h"
#include "skinui/resources.h"
#include "skinui/xml_document.h"

namespace ui {
namespace text {

const wchar_t* const kBundleFile = L"language\\downloader_cn.xml";

bool StringBundle::load(const std::wstring& document)
{
    SkinUI::CXmlDocument xml;
    if (!xml.parse(document) || !xml.root()) {
        WRITE_LOG(L"string bundle not loaded: %s", xml.error().c_str());
        return false;
    }
    for (const auto& child : xml.root()->children()) {
        if (child->name() != L"String") continue;
        const std::wstring id = child->attribute(L"id");
        const std::wstring& text = child->text();
        if (id.empty() || text.empty()) continue;
        table_[id] = text;
    }
    return true;
}

std::wstring StringBundle::stringById(const std::wstring& id) const
{
    const auto found = table_.find(id);
    return found == table_.end() ? id : found->second;
}

std::wstring bundleDocument(const std::string& bytes)
{
    // A byte-order mark at the start is dropped.
    return SkinUI::fromUtf8(bytes);
}

bool readBundleDocument(const std::wstring& name, std::wstring& document)
{
    std::string bytes;
    if (!SkinUI::loadFile(name, bytes)) {
        WRITE_LOG(L"string bundle %s not found", name.c_str());
        return false;
    }
    document = bundleDocument(bytes);
    return true;
}

std::wstring shownBundleText(const std::wstring& id)
{
    static StringBundle bundle;
    static bool read = false;
    if (!read) {
        read = true;
        std::wstring document;
        if (readBundleDocument(kBundleFile, document)) bundle.load(document);
    }
    return bundle.stringById(id);
}

} // namespace text
} // namespace ui
