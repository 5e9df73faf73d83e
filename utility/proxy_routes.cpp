#include "utility/proxy_routes.h"

#include "common/log.h"
#include "utility/system_proxy.h"
#include "utility/text.h"
#include "utility/url.h"


namespace utility {
namespace proxy {

std::wstring addressOf(const std::wstring& url)
{
    const UrlParts parts = splitUrl(url);
    return L"http://" + lowered(parts.host) + L":" + std::to_wstring(parts.port);
}

ProxyRoutes::ProxyRoutes() : ProxyRoutes(readSystemSettings, runSystemScript) {}

ProxyRoutes::ProxyRoutes(SettingsReader readSettings, ScriptRunner runScript)
    : readSettings_(std::move(readSettings)), runScript_(std::move(runScript))
{
}

ProxyRoutes& ProxyRoutes::system()
{
    // Never destroyed: a worker the shutdown could not wait for may still ask at exit.
    static ProxyRoutes* routes = new ProxyRoutes();
    return *routes;
}

ProxyRoutes::Entry& ProxyRoutes::entryFor(const std::wstring& url, std::unique_lock<std::mutex>&)
{
    const std::wstring address = addressOf(url);
    auto found = entries_.find(address);
    if (found != entries_.end()) return found->second;
    if (!settingsRead_) {
        settingsRead_ = true;
        if (readSettings_ && !readSettings_(settings_)) settings_ = Settings();
    }
    const Decision decision = decide(settings_, url, runScript_);
    WRITE_LOG(L"proxy for %s: %s", address.c_str(), describe(decision).c_str());
    Entry entry;
    for (const Endpoint& endpoint : decision.proxies) entry.routes.push_back(Route{endpoint});
    entry.routes.push_back(Route{});
    return entries_.emplace(address, entry).first->second;
}

Plan ProxyRoutes::planFor(const std::wstring& url)
{
    std::unique_lock<std::mutex> held(lock_);
    const Entry& entry = entryFor(url, held);
    Plan plan;
    plan.raw = !entry.signIn;
    // The route that worked first, then the others in their order.
    plan.routes.push_back(entry.routes[entry.preferred]);
    for (std::size_t i = 0; i < entry.routes.size(); ++i)
        if (i != entry.preferred) plan.routes.push_back(entry.routes[i]);
    return plan;
}

void ProxyRoutes::worked(const std::wstring& url, const Route& route)
{
    std::unique_lock<std::mutex> held(lock_);
    Entry& entry = entryFor(url, held);
    for (std::size_t i = 0; i < entry.routes.size(); ++i) {
        if (!(entry.routes[i] == route) || i == entry.preferred) continue;
        entry.preferred = i;
        WRITE_LOG(L"route for %s from now on: %s", addressOf(url).c_str(),
                  route.direct() ? L"direct" : route.proxy.text().c_str());
    }
}

void ProxyRoutes::signInRequired(const std::wstring& url)
{
    std::unique_lock<std::mutex> held(lock_);
    Entry& entry = entryFor(url, held);
    if (entry.signIn) return;
    entry.signIn = true;
    WRITE_LOG(L"proxy asks for a sign-in on %s; WinInet goes on with the user's credentials",
              addressOf(url).c_str());
}

} // namespace proxy
} // namespace utility
