#pragma once
// The toolkit's multi-language table: key -> text in the current language,
// process-wide, filled from TAB-separated tables.

#include <map>
#include <mutex>
#include <string>

namespace SkinUI {

class CMultiLanguage {
public:
    static CMultiLanguage& instance();

    // A code that no table lists selects en_US.
    void setLanguageCode(const std::wstring& code);
    std::wstring languageCode() const;

    // Adds the rows of one table (UTF-8); later rows and tables replace
    // earlier texts. False when the table lacks its two header rows.
    bool loadTable(const std::string& utf8);

    bool find(const std::wstring& key, std::wstring& text) const;
    // A missing key is added with itself as its text.
    std::wstring textOf(const std::wstring& key);
    // "@key" with a known key yields its text; anything else stays as written.
    std::wstring resolve(const std::wstring& text) const;

    void clear();

private:
    mutable std::mutex lock_;
    std::wstring code_;
    std::map<std::wstring, std::wstring> texts_;
};

} // namespace SkinUI
