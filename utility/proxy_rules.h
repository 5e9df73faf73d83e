#pragma once
// How Windows reads a user's proxy settings, as plain functions: the proxy
// list ("host:port" or "http=host:port;https=..."), the bypass list
// (wildcards, <local>, <-loopback>), and the order in which automatic
// detection, a configuration script and a fixed proxy are asked. Any thread.

#include <functional>
#include <string>
#include <vector>

namespace utility {
namespace proxy {

struct Endpoint {
    std::wstring host;
    int port = 0;

    bool operator==(const Endpoint& other) const { return host == other.host && port == other.port; }
    std::wstring text() const;
};

// The user's Internet settings, as the system's Internet options hold them.
struct Settings {
    bool autoDetect = false;
    std::wstring autoConfigUrl;
    std::wstring proxy;  // empty when no fixed proxy is enabled
    std::wstring bypass; // "*.example.com;<local>"
};

// The proxies for plain http of a proxy list, in order: its "http=" entries,
// or, when it has none, the entries for every scheme. A configuration
// script's answer ("PROXY a:1; DIRECT") reads the same way. Entries for
// other schemes, SOCKS and malformed entries are passed over.
std::vector<Endpoint> httpProxies(const std::wstring& list);

// Whether the bypass list sends this host (and port) of an http address
// past the proxy. Loopback hosts bypass it unless the list holds
// <-loopback>.
bool bypassed(const std::wstring& bypassList, const std::wstring& host, int port);

enum class Source {
    None,     // no proxy configured
    Bypassed, // configured, but not for this host
    Detected, // automatic detection
    Script,   // the configuration script
    Fixed,    // the fixed proxy
};

struct Decision {
    Source source = Source::None;
    std::vector<Endpoint> proxies; // in order; direct comes after them
};

// Runs the configuration script for url: the script's address, or empty for
// automatic detection. True with the proxy list (empty: direct) when a
// script answered.
using ScriptRunner = std::function<bool(const std::wstring& url, const std::wstring& scriptUrl, std::wstring& list)>;

// The decision for an http address, in the order Windows asks: detection,
// then the script, then the fixed proxy with its bypass list.
Decision decide(const Settings& settings, const std::wstring& url, const ScriptRunner& runScript);

// "127.0.0.1:3128 (fixed)", "direct (bypass list)": for the log.
std::wstring describe(const Decision& decision);

} // namespace proxy
} // namespace utility
