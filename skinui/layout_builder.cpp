#include "skinui/layout_builder.h"

#include "skinui/resources.h"
#include "skinui/scale.h"

namespace SkinUI {

namespace {

// Includes may include; a file that includes itself stops here.
const int kMaxIncludeDepth = 8;

class Builder {
public:
    Builder(CWindowLayout& layout, IDialogBuilderCallback* callback) : layout_(layout), callback_(callback) {}

    void window(const CXmlElement& element);

private:
    // Adds what the element declares at window level or to parent.
    void item(const CXmlElement& element, CContainerUI* parent, int includeDepth);
    void include(const CXmlElement& element, CContainerUI* parent, int includeDepth);
    std::unique_ptr<CControlUI> control(const CXmlElement& element, int includeDepth);
    void place(std::unique_ptr<CControlUI> control, CContainerUI* parent);
    CFontDesc font(const CXmlElement& element) const;

    CWindowLayout& layout_;
    IDialogBuilderCallback* callback_;
};

void Builder::window(const CXmlElement& element)
{
    for (const CXmlElement::Attribute& a : element.attributes()) {
        bool ok = true;
        if (a.first == L"size") ok = parseSize(a.second, layout_.size);
        else if (a.first == L"caption") ok = parseRect(a.second, layout_.caption);
        else if (a.first == L"mininfo") ok = parseSize(a.second, layout_.minInfo);
        else if (a.first == L"roundcorner") ok = parseSize(a.second, layout_.roundCorner);
        else if (a.first == L"layeredimage") ok = layout_.hasLayeredImage = parseImage(a.second, layout_.layeredImage);
        if (!ok) SKINUI_TRACE(L"bad window attribute %s: %s", a.first.c_str(), a.second.c_str());
    }
    for (const auto& child : element.children()) item(*child, nullptr, 0);
}

CFontDesc Builder::font(const CXmlElement& element) const
{
    CFontDesc font;
    for (const CXmlElement::Attribute& a : element.attributes()) {
        if (a.first == L"id") parseInt(a.second, font.id);
        else if (a.first == L"name") font.face = a.second;
        else if (a.first == L"size") parseInt(a.second, font.size);
        else if (a.first == L"bold") parseBool(a.second, font.bold);
        else if (a.first == L"underline") parseBool(a.second, font.underline);
        else if (a.first == L"italic") parseBool(a.second, font.italic);
        else if (a.first == L"default") parseBool(a.second, font.isDefault);
    }
    return font;
}

void Builder::item(const CXmlElement& element, CContainerUI* parent, int includeDepth)
{
    const std::wstring& name = element.name();
    if (name == L"Font") {
        layout_.fonts.push_back(font(element));
    } else if (name == L"Default") {
        layout_.defaults[element.attribute(L"name")] = element.attribute(L"value");
    } else if (name == L"Image") {
        layout_.images.push_back(element.attribute(L"name"));
    } else if (name == L"Include") {
        include(element, parent, includeDepth);
    } else {
        place(control(element, includeDepth), parent);
    }
}

void Builder::include(const CXmlElement& element, CContainerUI* parent, int includeDepth)
{
    const std::wstring source = element.attribute(L"source");
    if (includeDepth >= kMaxIncludeDepth) {
        SKINUI_TRACE(L"includes nested too deeply at %s", source.c_str());
        return;
    }
    std::string bytes;
    CXmlDocument doc;
    if (!loadFile(source, bytes)) {
        SKINUI_TRACE(L"included file missing: %s", source.c_str());
        return;
    }
    if (!doc.parse(fromUtf8(bytes))) {
        SKINUI_TRACE(L"included file %s unreadable: %s", source.c_str(), doc.error().c_str());
        return;
    }
    // A configuration file contributes its items; any other root is a
    // control (tree) placed where the Include stands.
    const CXmlElement& root = *doc.root();
    if (root.name() == L"ScrollbarConfig" || root.name() == L"Window") {
        for (const auto& child : root.children()) item(*child, parent, includeDepth + 1);
    } else {
        item(root, parent, includeDepth + 1);
    }
}

std::unique_ptr<CControlUI> Builder::control(const CXmlElement& element, int includeDepth)
{
    std::unique_ptr<CControlUI> made = CDialogBuilder::createControl(element.name());
    if (!made && callback_) made.reset(callback_->createControl(element.name().c_str()));
    if (!made) {
        // Keeps the tree's names and geometry for classes this toolkit
        // does not know.
        SKINUI_TRACE(L"unknown control class %s", element.name().c_str());
        made = element.children().empty() ? std::unique_ptr<CControlUI>(new CControlUI)
                                          : std::unique_ptr<CControlUI>(new CContainerUI);
    }
    const auto defaults = layout_.defaults.find(element.name());
    if (defaults != layout_.defaults.end()) made->applyAttributeList(defaults->second);
    for (const CXmlElement::Attribute& a : element.attributes()) made->setAttribute(a.first, a.second);
    CContainerUI* container = made->asContainer();
    if (!container && !element.children().empty())
        SKINUI_TRACE(L"%s cannot hold children; they are skipped", element.name().c_str());
    if (container)
        for (const auto& child : element.children()) item(*child, container, includeDepth);
    return made;
}

void Builder::place(std::unique_ptr<CControlUI> control, CContainerUI* parent)
{
    if (parent) {
        parent->add(std::move(control));
    } else if (!layout_.root) {
        layout_.root = std::move(control);
    } else {
        SKINUI_TRACE(L"a window has one root control; %s is skipped", control->className());
    }
}

} // namespace

void CWindowLayout::layout(int width, int height, int dpi)
{
    if (!root) return;
    root->setPos(RECT{0, 0, unscaleValue(width, dpi), unscaleValue(height, dpi)});
    root->scaleTo(dpi);
}

void CWindowLayout::clear() { *this = CWindowLayout(); }

bool CDialogBuilder::build(const std::wstring& file, CWindowLayout& layout, IDialogBuilderCallback* callback)
{
    layout.clear();
    std::string bytes;
    if (!loadFile(file, bytes)) {
        SKINUI_TRACE(L"layout file missing: %s", file.c_str());
        return false;
    }
    if (!buildFromText(fromUtf8(bytes), layout, callback)) {
        SKINUI_TRACE(L"layout file %s not used", file.c_str());
        return false;
    }
    return true;
}

bool CDialogBuilder::buildFromText(const std::wstring& xml, CWindowLayout& layout, IDialogBuilderCallback* callback)
{
    layout.clear();
    CXmlDocument doc;
    if (!doc.parse(xml)) {
        SKINUI_TRACE(L"layout unreadable: %s", doc.error().c_str());
        return false;
    }
    if (doc.root()->name() != L"Window") {
        SKINUI_TRACE(L"layout root is %s, not Window", doc.root()->name().c_str());
        return false;
    }
    Builder(layout, callback).window(*doc.root());
    return true;
}

std::unique_ptr<CControlUI> CDialogBuilder::createControl(const std::wstring& className)
{
    if (className == L"Control") return std::unique_ptr<CControlUI>(new CControlUI);
    if (className == L"Container") return std::unique_ptr<CControlUI>(new CContainerUI);
    if (className == L"VerticalLayout") return std::unique_ptr<CControlUI>(new CVerticalLayoutUI);
    if (className == L"HorizontalLayout") return std::unique_ptr<CControlUI>(new CHorizontalLayoutUI);
    if (className == L"TabLayout") return std::unique_ptr<CControlUI>(new CTabLayoutUI);
    if (className == L"Label") return std::unique_ptr<CControlUI>(new CLabelUI);
    if (className == L"Button") return std::unique_ptr<CControlUI>(new CButtonUI);
    if (className == L"Option") return std::unique_ptr<CControlUI>(new COptionUI);
    if (className == L"Edit") return std::unique_ptr<CControlUI>(new CEditUI);
    if (className == L"RichEdit") return std::unique_ptr<CControlUI>(new CRichEditUI);
    if (className == L"Progress") return std::unique_ptr<CControlUI>(new CProgressUI);
    return nullptr;
}

} // namespace SkinUI
