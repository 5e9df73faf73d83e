#include "model/launch_params.h"

#include "utility/text.h"

#include <list>
#include <map>

namespace {

// Shorter texts keep their quotes.
constexpr std::size_t kMaxUnquotedUnits = 5;

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x00A0 || c == 0x3000; }

} // namespace

std::wstring cleanFileNameStem(const std::wstring& stem)
{
    std::wstring text;
    for (wchar_t c : stem)
        if (!isBlank(c)) text.push_back(c);
    // "(digits)" at the very end: the counter of a second copy.
    if (text.size() >= 3 && text.back() == L')') {
        std::size_t open = text.size() - 1;
        while (open > 0 && text[open - 1] >= L'0' && text[open - 1] <= L'9') --open;
        if (open > 0 && open < text.size() - 1 && text[open - 1] == L'(') text.erase(open - 1);
    }
    return text;
}

bool sameWords(const FileNameParams& a, const FileNameParams& b)
{
    return a.complete == b.complete && a.type == b.type && a.package == b.package && a.openId == b.openId;
}

FileNameParams splitFileNameParams(const std::wstring& stem)
{
    FileNameParams params;
    std::list<std::wstring> pieces;
    utility::splitTrimmed(pieces, stem, L"_");
    if (pieces.size() < 3) return params;
    auto it = pieces.begin();
    params.complete = true;
    params.type = *it++;
    params.package = *it++;
    params.openId = *it;
    return params;
}

CommandLineParams parseCommandLineParams(const wchar_t* commandLine)
{
    CommandLineParams params;
    if (!commandLine) return params;
    std::wstring text = commandLine;
    if (text.size() > kMaxUnquotedUnits) {
        if (text.front() == L'"') text.erase(0, 1);
        if (!text.empty() && text.back() == L'"') text.pop_back();
    }
    std::list<std::wstring> pieces;
    utility::splitTrimmed(pieces, text, L"|");
    std::map<std::wstring, std::wstring> values;
    utility::parseKeyValues(values, pieces, L"=");
    if (values.empty()) return params;
    params.any = true;
    utility::findValue(params.name, values, L"name");
    utility::findValue(params.package, values, L"package");
    utility::findValue(params.apkurl, values, L"apkurl");
    return params;
}
