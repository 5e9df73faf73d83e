#pragma once
// A small XML document reader over UTF-16 text in memory: declaration,
// elements, attributes in either quote, text, comments, CDATA, the five
// named entities and numeric character references. Failures are reported
// through the result and error(), never thrown.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace SkinUI {

class CXmlElement {
public:
    using Attribute = std::pair<std::wstring, std::wstring>;

    const std::wstring& name() const { return name_; }
    const std::vector<Attribute>& attributes() const { return attributes_; }
    bool hasAttribute(const std::wstring& name) const;
    // Decoded value; empty when the attribute is absent.
    std::wstring attribute(const std::wstring& name) const;
    // The character data directly inside the element, decoded.
    const std::wstring& text() const { return text_; }
    const std::vector<std::unique_ptr<CXmlElement>>& children() const { return children_; }

private:
    friend class CXmlParser;
    std::wstring name_;
    std::vector<Attribute> attributes_;
    std::wstring text_;
    std::vector<std::unique_ptr<CXmlElement>> children_;
};

class CXmlDocument {
public:
    // Replaces what an earlier parse left; on failure there is no root.
    bool parse(const std::wstring& text);
    const CXmlElement* root() const { return root_.get(); }
    // Why the last parse failed, with the offset into the text.
    const std::wstring& error() const { return error_; }

private:
    std::unique_ptr<CXmlElement> root_;
    std::wstring error_;
};

} // namespace SkinUI
