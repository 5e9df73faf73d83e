#include "skinui/multi_language.h"

#include "skinui/resources.h"

#include <vector>

namespace SkinUI {

namespace {

// Column of en_US in the shipped tables: the fallback.
const std::size_t kDefaultColumn = 5;

std::vector<std::wstring> splitTabs(const std::wstring& line)
{
    std::vector<std::wstring> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(L'\t', start);
        cells.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) return cells;
        start = tab + 1;
    }
}

std::vector<std::vector<std::wstring>> splitRows(const std::wstring& text)
{
    std::vector<std::vector<std::wstring>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        rows.push_back(splitTabs(line));
        start = end + 1;
    }
    return rows;
}

} // namespace

CMultiLanguage& CMultiLanguage::instance()
{
    static CMultiLanguage table;
    return table;
}

void CMultiLanguage::setLanguageCode(const std::wstring& code)
{
    std::lock_guard<std::mutex> hold(lock_);
    code_ = code;
}

std::wstring CMultiLanguage::languageCode() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return code_;
}

bool CMultiLanguage::loadTable(const std::string& utf8)
{
    const std::vector<std::vector<std::wstring>> rows = splitRows(fromUtf8(utf8));
    if (rows.size() < 2 || rows[0].size() < 2 || rows[1].size() < 2 || rows[0][1] != L"language_code" ||
        rows[1][1] != L"language_name") {
        SKINUI_TRACE(L"multi-language table without its header rows");
        return false;
    }
    std::lock_guard<std::mutex> hold(lock_);
    std::size_t column = kDefaultColumn;
    for (std::size_t i = 2; i < rows[0].size(); ++i) {
        if (!code_.empty() && rows[0][i] == code_) {
            column = i;
            break;
        }
    }
    for (std::size_t r = 2; r < rows.size(); ++r) {
        const std::vector<std::wstring>& row = rows[r];
        // A row cut short before the column has no text for this language.
        if (row.size() <= column || row[1].empty()) continue;
        texts_[row[1]] = row[column];
    }
    return true;
}

bool CMultiLanguage::find(const std::wstring& key, std::wstring& text) const
{
    std::lock_guard<std::mutex> hold(lock_);
    const auto it = texts_.find(key);
    if (it == texts_.end()) return false;
    text = it->second;
    return true;
}

std::wstring CMultiLanguage::textOf(const std::wstring& key)
{
    std::lock_guard<std::mutex> hold(lock_);
    return texts_.emplace(key, key).first->second;
}

std::wstring CMultiLanguage::resolve(const std::wstring& text) const
{
    std::wstring found;
    if (text.size() >= 2 && text[0] == L'@' && find(text.substr(1), found)) return found;
    return text;
}

void CMultiLanguage::clear()
{
    std::lock_guard<std::mutex> hold(lock_);
    texts_.clear();
    code_.clear();
}

} // namespace SkinUI
