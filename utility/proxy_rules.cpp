#include "utility/proxy_rules.h"

#include "utility/text.h"
#include "utility/url.h"


namespace utility {
namespace proxy {

namespace {

std::wstring trimmed(const std::wstring& text)
{
    const std::size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

std::vector<std::wstring> split(const std::wstring& text, const wchar_t* separators)
{
    std::vector<std::wstring> pieces;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = text.find_first_of(separators, at);
        const std::wstring piece = trimmed(text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at));
        if (!piece.empty()) pieces.push_back(piece);
        if (end == std::wstring::npos) break;
        at = end + 1;
    }
    return pieces;
}

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() && lowered(text.substr(0, prefix.size())) == prefix;
}

bool allDigits(const std::wstring& text)
{
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return false;
    return true;
}

// "host", "host:port", "[v6]:port", with an optional "http://" and a
// trailing "/". False for anything else.
bool parseEndpoint(std::wstring text, Endpoint& endpoint)
{
    if (startsWithNoCase(text, L"http://")) text.erase(0, 7);
    while (!text.empty() && text.back() == L'/') text.pop_back();
    std::wstring host = text;
    std::wstring port;
    if (!text.empty() && text[0] == L'[') {
        const std::size_t close = text.find(L']');
        if (close == std::wstring::npos) return false;
        host = text.substr(0, close + 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != L':') return false;
            port = text.substr(close + 2);
            if (port.empty()) return false;
        }
    } else {
        const std::size_t colon = text.find(L':');
        if (colon != std::wstring::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty()) return false;
        }
    }
    if (host.empty() || host.find_first_of(L" \t/\\@=") != std::wstring::npos) return false;
    int number = 80;
    if (!port.empty()) {
        if (!allDigits(port) || port.size() > 5) return false;
        number = std::stoi(port);
        if (number < 1 || number > 65535) return false;
    }
    endpoint.host = host;
    endpoint.port = number;
    return true;
}

// '*' stands for any run of characters, itself included; nothing else is special.
bool wildcardMatch(const std::wstring& pattern, const std::wstring& text)
{
    std::size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool isLoopback(const std::wstring& host)
{
    if (host == L"localhost" || endsWith(host, std::wstring(L".localhost"))) return true;
    if (host == L"[::1]" || host == L"::1") return true;
    if (host.compare(0, 4, L"127.") != 0) return false;
    const std::vector<std::wstring> parts = split(host, L".");
    if (parts.size() != 4) return false;
    for (const std::wstring& part : parts)
        if (!allDigits(part) || part.size() > 3) return false;
    return true;
}

bool entryMatches(std::wstring entry, const std::wstring& host, int port)
{
    if (entry == L"<local>") return !host.empty() && host.find_first_of(L".:") == std::wstring::npos;
    if (entry[0] == L'<') return false; // <-loopback> and the like decide nothing here
    const std::size_t scheme = entry.find(L"://");
    if (scheme != std::wstring::npos) {
        if (entry.substr(0, scheme) != L"http") return false;
        entry.erase(0, scheme + 3);
    }
    const std::size_t colon = entry.rfind(L':');
    const std::size_t bracket = entry.rfind(L']');
    if (colon != std::wstring::npos && (bracket == std::wstring::npos || colon > bracket) &&
        allDigits(entry.substr(colon + 1))) {
        if (entry.size() - colon - 1 > 5 || std::stoi(entry.substr(colon + 1)) != port) return false;
        entry.erase(colon);
    }
    return !entry.empty() && wildcardMatch(entry, host);
}

const wchar_t* sourceText(Source source)
{
    switch (source) {
    case Source::None: return L"none";
    case Source::Bypassed: return L"bypass list";
    case Source::Detected: return L"detected";
    case Source::Script: return L"script";
    case Source::Fixed: return L"fixed";
    }
    return L"";
}

} // namespace

std::wstring Endpoint::text() const { return host + L":" + std::to_wstring(port); }

std::vector<Endpoint> httpProxies(const std::wstring& list)
{
    std::vector<Endpoint> forHttp;
    std::vector<Endpoint> forAll;
    for (const std::wstring& segment : split(list, L";")) {
        // A script's answer: "PROXY host:port", "DIRECT", "SOCKS host:port".
        const std::wstring head = lowered(segment.substr(0, segment.find_first_of(L" \t")));
        if (head == L"direct" || head == L"socks" || head == L"socks4" || head == L"socks5" || head == L"https") continue;
        if (head == L"proxy" || head == L"http") {
            Endpoint endpoint;
            if (parseEndpoint(trimmed(segment.substr(head.size())), endpoint)) forAll.push_back(endpoint);
            continue;
        }
        // The Internet options' form; blanks separate entries too.
        for (const std::wstring& entry : split(segment, L" \t")) {
            Endpoint endpoint;
            const std::size_t equals = entry.find(L'=');
            if (equals == std::wstring::npos) {
                if (parseEndpoint(entry, endpoint)) forAll.push_back(endpoint);
            } else if (lowered(trimmed(entry.substr(0, equals))) == L"http") {
                if (parseEndpoint(trimmed(entry.substr(equals + 1)), endpoint)) forHttp.push_back(endpoint);
            }
        }
    }
    return forHttp.empty() ? forAll : forHttp;
}

bool bypassed(const std::wstring& bypassList, const std::wstring& host, int port)
{
    const std::wstring name = lowered(host);
    const std::vector<std::wstring> entries = split(lowered(bypassList), L"; ,\t\r\n");
    bool loopbackRule = false;
    for (const std::wstring& entry : entries) {
        if (entry == L"<-loopback>") loopbackRule = true;
        if (entryMatches(entry, name, port)) return true;
    }
    return !loopbackRule && isLoopback(name);
}

Decision decide(const Settings& settings, const std::wstring& url, const ScriptRunner& runScript)
{
    const UrlParts parts = splitUrl(url);
    Decision decision;
    // Loopback (and what the list names) never goes through a script or proxy.
    if (bypassed(settings.bypass, parts.host, parts.port) &&
        (settings.autoDetect || !settings.autoConfigUrl.empty() || !settings.proxy.empty())) {
        decision.source = Source::Bypassed;
        return decision;
    }
    std::wstring list;
    if (settings.autoDetect && runScript && runScript(url, std::wstring(), list)) {
        decision.source = Source::Detected;
        decision.proxies = httpProxies(list);
        return decision;
    }
    if (!settings.autoConfigUrl.empty() && runScript && runScript(url, settings.autoConfigUrl, list)) {
        decision.source = Source::Script;
        decision.proxies = httpProxies(list);
        return decision;
    }
    decision.proxies = httpProxies(settings.proxy);
    if (!decision.proxies.empty()) decision.source = Source::Fixed;
    return decision;
}

std::wstring describe(const Decision& decision)
{
    if (decision.proxies.empty())
        return decision.source == Source::None ? L"direct" : std::wstring(L"direct (") + sourceText(decision.source) + L")";
    std::wstring text;
    for (const Endpoint& endpoint : decision.proxies) text += (text.empty() ? L"" : L", ") + endpoint.text();
    return text + L" (" + sourceText(decision.source) + L"), then direct";
}

} // namespace proxy
} // namespace utility
