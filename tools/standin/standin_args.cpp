#include "tools/standin/standin_args.h"

namespace standin {

namespace {

bool startsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::wstring& text, const std::wstring& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

std::wstring argumentText(const std::wstring& commandLine)
{
    std::size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        at = close == std::wstring::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find_first_of(L" \t");
        if (at == std::wstring::npos) at = commandLine.size();
    }
    if (at < commandLine.size() && (commandLine[at] == L' ' || commandLine[at] == L'\t')) ++at;
    return commandLine.substr(at);
}

std::wstring upperTitle(const std::wstring& fileName)
{
    std::wstring title = fileName.substr(0, fileName.rfind(L'.'));
    for (wchar_t& c : title)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return title;
}

bool parseInstallerArgs(const std::wstring& args, InstallerArgs& out)
{
    const std::wstring head = L"-silence -downloader -openid=";
    const std::wstring pathKey = L" -path=";
    if (!startsWith(args, head)) return false;
    const std::size_t at = args.find(pathKey, head.size());
    if (at == std::wstring::npos) return false;
    out.openId = args.substr(head.size(), at - head.size());
    out.path = args.substr(at + pathKey.size());
    return !out.openId.empty() && out.openId.find(L' ') == std::wstring::npos && !out.path.empty();
}

bool isConsoleCommand(const std::wstring& args)
{
    const std::wstring modify = L"modify --index 0 --resolution ";
    if (startsWith(args, modify)) return args.size() > modify.size();
    const std::wstring install = L"installapk --index 0 --filename \"";
    const std::wstring tail = L"\" --wait --hide";
    return startsWith(args, install) && endsWith(args, tail) && args.size() > install.size() + tail.size();
}

bool isTaskkillCommand(const std::wstring& args)
{
    const std::wstring head = L"/F /IM ";
    const std::wstring tail = L" /T";
    return startsWith(args, head) && endsWith(args, tail) && args.size() > head.size() + tail.size() &&
           args.find(L' ', head.size()) == args.size() - tail.size();
}

int countRuns(const std::string& journal, const std::wstring& fileName)
{
    std::string prefix;
    for (wchar_t c : fileName) prefix += static_cast<char>(c < 0x80 ? c : '?');
    prefix += '\t';
    int runs = 0;
    for (std::size_t at = 0; at < journal.size();) {
        if (journal.compare(at, prefix.size(), prefix) == 0) ++runs;
        const std::size_t end = journal.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return runs;
}

std::wstring upperVerb(const std::wstring& args)
{
    std::wstring verb;
    for (wchar_t c : args) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c < L'A' || c > L'Z') break;
        verb += c;
    }
    return verb;
}

} // namespace standin
