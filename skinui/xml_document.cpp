#include "skinui/xml_document.h"

#include <cwchar>

namespace SkinUI {

namespace {

// Deeper documents are refused rather than risking the stack.
const int kMaxDepth = 200;

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool isNameStart(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' || c >= 0x80;
}

bool isNameChar(wchar_t c) { return isNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.'; }

} // namespace

bool CXmlElement::hasAttribute(const std::wstring& name) const
{
    for (const Attribute& a : attributes_)
        if (a.first == name) return true;
    return false;
}

std::wstring CXmlElement::attribute(const std::wstring& name) const
{
    for (const Attribute& a : attributes_)
        if (a.first == name) return a.second;
    return std::wstring();
}

class CXmlParser {
public:
    explicit CXmlParser(const std::wstring& text) : s_(text) {}

    std::unique_ptr<CXmlElement> document();
    const std::wstring& error() const { return error_; }

private:
    bool fail(const wchar_t* why)
    {
        if (error_.empty()) {
            wchar_t where[32];
            std::swprintf(where, 32, L" at %u", static_cast<unsigned>(pos_));
            error_ = std::wstring(why) + where;
        }
        return false;
    }
    bool atEnd() const { return pos_ >= s_.size(); }
    bool startsWith(const wchar_t* token) const { return s_.compare(pos_, std::wcslen(token), token) == 0; }
    void skipSpace()
    {
        while (!atEnd() && isSpace(s_[pos_])) ++pos_;
    }
    // Skips from the current position past the closing token.
    bool skipPast(const wchar_t* close, const wchar_t* what)
    {
        const std::size_t end = s_.find(close, pos_);
        if (end == std::wstring::npos) return fail(what);
        pos_ = end + std::wcslen(close);
        return true;
    }
    bool skipMisc(); // comments, declarations, processing instructions
    bool name(std::wstring& out);
    bool entity(std::wstring& out);
    bool element(CXmlElement& element, int depth);
    bool attributes(CXmlElement& element, bool& selfClosed);
    bool content(CXmlElement& element, int depth);

    const std::wstring& s_;
    std::size_t pos_ = 0;
    std::wstring error_;
};

bool CXmlParser::skipMisc()
{
    for (;;) {
        skipSpace();
        if (startsWith(L"<?")) {
            if (!skipPast(L"?>", L"unterminated declaration")) return false;
        } else if (startsWith(L"<!--")) {
            pos_ += 4;
            if (!skipPast(L"-->", L"unterminated comment")) return false;
        } else if (startsWith(L"<!DOCTYPE")) {
            if (!skipPast(L">", L"unterminated document type")) return false;
        } else {
            return true;
        }
    }
}

bool CXmlParser::name(std::wstring& out)
{
    const std::size_t start = pos_;
    if (atEnd() || !isNameStart(s_[pos_])) return fail(L"name expected");
    while (!atEnd() && isNameChar(s_[pos_])) ++pos_;
    out.assign(s_, start, pos_ - start);
    return true;
}

bool CXmlParser::entity(std::wstring& out)
{
    const std::size_t end = s_.find(L';', pos_);
    if (end == std::wstring::npos || end - pos_ > 12) return fail(L"bad entity");
    const std::wstring ref = s_.substr(pos_ + 1, end - pos_ - 1);
    if (ref == L"lt") out.push_back(L'<');
    else if (ref == L"gt") out.push_back(L'>');
    else if (ref == L"amp") out.push_back(L'&');
    else if (ref == L"quot") out.push_back(L'"');
    else if (ref == L"apos") out.push_back(L'\'');
    else if (ref.size() >= 2 && ref[0] == L'#') {
        const bool hex = ref[1] == L'x';
        const std::size_t first = hex ? 2 : 1;
        if (first >= ref.size()) return fail(L"bad character reference");
        unsigned long code = 0;
        for (std::size_t i = first; i < ref.size(); ++i) {
            const wchar_t c = ref[i];
            unsigned digit;
            if (c >= L'0' && c <= L'9') digit = c - L'0';
            else if (hex && c >= L'a' && c <= L'f') digit = c - L'a' + 10;
            else if (hex && c >= L'A' && c <= L'F') digit = c - L'A' + 10;
            else return fail(L"bad character reference");
            code = code * (hex ? 16 : 10) + digit;
        }
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return fail(L"character reference out of range");
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));
        }
    } else {
        return fail(L"unknown entity");
    }
    pos_ = end + 1;
    return true;
}

bool CXmlParser::attributes(CXmlElement& element, bool& selfClosed)
{
    for (;;) {
        const std::size_t before = pos_;
        skipSpace();
        if (atEnd()) return fail(L"unterminated tag");
        if (s_[pos_] == L'>') {
            ++pos_;
            selfClosed = false;
            return true;
        }
        if (startsWith(L"/>")) {
            pos_ += 2;
            selfClosed = true;
            return true;
        }
        if (pos_ == before) return fail(L"space expected between attributes");
        CXmlElement::Attribute attribute;
        if (!name(attribute.first)) return false;
        skipSpace();
        if (atEnd() || s_[pos_] != L'=') return fail(L"'=' expected");
        ++pos_;
        skipSpace();
        if (atEnd() || (s_[pos_] != L'"' && s_[pos_] != L'\'')) return fail(L"quoted value expected");
        const wchar_t quote = s_[pos_++];
        while (!atEnd() && s_[pos_] != quote) {
            if (s_[pos_] == L'<') return fail(L"'<' in attribute value");
            if (s_[pos_] == L'&') {
                if (!entity(attribute.second)) return false;
            } else {
                attribute.second.push_back(s_[pos_++]);
            }
        }
        if (atEnd()) return fail(L"unterminated attribute value");
        ++pos_;
        if (element.hasAttribute(attribute.first)) return fail(L"repeated attribute");
        element.attributes_.push_back(std::move(attribute));
    }
}

bool CXmlParser::element(CXmlElement& element, int depth)
{
    if (depth > kMaxDepth) return fail(L"elements nested too deeply");
    ++pos_; // '<'
    if (!name(element.name_)) return false;
    bool selfClosed = false;
    if (!attributes(element, selfClosed)) return false;
    return selfClosed || content(element, depth);
}

bool CXmlParser::content(CXmlElement& element, int depth)
{
    for (;;) {
        if (atEnd()) return fail(L"unterminated element");
        const wchar_t c = s_[pos_];
        if (c == L'&') {
            if (!entity(element.text_)) return false;
        } else if (c != L'<') {
            element.text_.push_back(c);
            ++pos_;
        } else if (startsWith(L"</")) {
            pos_ += 2;
            std::wstring closing;
            if (!name(closing)) return false;
            if (closing != element.name_) return fail(L"mismatched closing tag");
            skipSpace();
            if (atEnd() || s_[pos_] != L'>') return fail(L"unterminated closing tag");
            ++pos_;
            return true;
        } else if (startsWith(L"<!--")) {
            pos_ += 4;
            if (!skipPast(L"-->", L"unterminated comment")) return false;
        } else if (startsWith(L"<![CDATA[")) {
            pos_ += 9;
            const std::size_t end = s_.find(L"]]>", pos_);
            if (end == std::wstring::npos) return fail(L"unterminated CDATA");
            element.text_.append(s_, pos_, end - pos_);
            pos_ = end + 3;
        } else if (startsWith(L"<?")) {
            if (!skipPast(L"?>", L"unterminated processing instruction")) return false;
        } else {
            std::unique_ptr<CXmlElement> child(new CXmlElement);
            if (!this->element(*child, depth + 1)) return false;
            element.children_.push_back(std::move(child));
        }
    }
}

std::unique_ptr<CXmlElement> CXmlParser::document()
{
    if (!s_.empty() && s_[0] == 0xFEFF) pos_ = 1;
    if (!skipMisc()) return nullptr;
    if (atEnd()) {
        fail(L"no root element");
        return nullptr;
    }
    if (s_[pos_] != L'<') {
        fail(L"text outside the root element");
        return nullptr;
    }
    std::unique_ptr<CXmlElement> root(new CXmlElement);
    if (!element(*root, 0)) return nullptr;
    if (!skipMisc()) return nullptr;
    if (!atEnd()) {
        fail(s_[pos_] == L'<' ? L"second root element" : L"text after the root element");
        return nullptr;
    }
    return root;
}

bool CXmlDocument::parse(const std::wstring& text)
{
    root_.reset();
    error_.clear();
    if (text.empty()) {
        error_ = L"empty document";
        return false;
    }
    CXmlParser parser(text);
    root_ = parser.document();
    if (!root_) error_ = parser.error();
    return root_ != nullptr;
}

} // namespace SkinUI
