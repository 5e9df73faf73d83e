#pragma once
// The raw transport's way to each server for the whole run: one proxy
// decision per address (logged once), the route that worked first on the
// next attempt, and the addresses whose proxy asked for a sign-in, which
// only WinInet can answer (with the user's own credentials).
//
// Thread rules: every member may be called from any thread. Decisions are
// made one at a time, each by the first caller for its address, under the
// lock (a script runs within WinHTTP's time-outs); other callers wait.

#include "utility/proxy_rules.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace utility {
namespace proxy {

// Through a proxy, or direct (empty proxy host).
struct Route {
    Endpoint proxy;
    bool direct() const { return proxy.host.empty(); }
    bool operator==(const Route& other) const { return proxy == other.proxy; }
};

struct Plan {
    // False once the proxy asked for a sign-in: WinInet takes the attempt.
    bool raw = true;
    std::vector<Route> routes; // tried in order within one attempt
};

class ProxyRoutes {
public:
    using SettingsReader = std::function<bool(Settings&)>;

    // The system's settings and scripts.
    ProxyRoutes();
    // Tests give fixed settings and a script of their own.
    ProxyRoutes(SettingsReader readSettings, ScriptRunner runScript);

    // The one the installer's clients share.
    static ProxyRoutes& system();

    Plan planFor(const std::wstring& url);
    // A response came back over this route: later attempts start with it.
    void worked(const std::wstring& url, const Route& route);
    // The proxy answered 407: raw attempts for this address give way.
    void signInRequired(const std::wstring& url);

private:
    struct Entry {
        std::vector<Route> routes;
        std::size_t preferred = 0;
        bool signIn = false;
    };
    Entry& entryFor(const std::wstring& url, std::unique_lock<std::mutex>& held);

    SettingsReader readSettings_;
    ScriptRunner runScript_;
    // Decisions are made under it: scripts run once per address.
    std::mutex lock_;
    bool settingsRead_ = false;
    Settings settings_;
    std::map<std::wstring, Entry> entries_;
};

// "http://host:port" in lower case: what one decision covers.
std::wstring addressOf(const std::wstring& url);

} // namespace proxy
} // namespace utility
