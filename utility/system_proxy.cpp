#include "utility/system_proxy.h"

#include "platform/system_library.h"
#include "platform/win_proc.h"

#include <windows.h>
#include <winhttp.h> // types only: every function is looked up at run time

namespace utility {
namespace proxy {

namespace {

// Bounds of one script fetch: a script server that hangs must not hold the
// download worker for longer than this.
constexpr int kResolveMs = 5000;
constexpr int kConnectMs = 5000;
constexpr int kSendMs = 5000;
constexpr int kReceiveMs = 10000;

template <typename Fn>
using ProcPointer = typename platform::WinApiFunction<Fn>::Pointer;

using GetIeConfigFn = BOOL WINAPI(WINHTTP_CURRENT_USER_IE_PROXY_CONFIG*);
using OpenFn = HINTERNET WINAPI(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
using CloseFn = BOOL WINAPI(HINTERNET);
using SetTimeoutsFn = BOOL WINAPI(HINTERNET, int, int, int, int);
using GetProxyForUrlFn = BOOL WINAPI(HINTERNET, LPCWSTR, WINHTTP_AUTOPROXY_OPTIONS*, WINHTTP_PROXY_INFO*);

struct WinHttp {
    // Loaded once and kept for the run: a worker the shutdown could not
    // wait for may still be inside one of its functions at exit.
    HMODULE module = platform::loadSystemLibrary(L"winhttp.dll");
    ProcPointer<GetIeConfigFn> getIeConfig =
        platform::procAddress<GetIeConfigFn>(module, "WinHttpGetIEProxyConfigForCurrentUser");
    ProcPointer<OpenFn> open = platform::procAddress<OpenFn>(module, "WinHttpOpen");
    ProcPointer<CloseFn> close = platform::procAddress<CloseFn>(module, "WinHttpCloseHandle");
    ProcPointer<SetTimeoutsFn> setTimeouts = platform::procAddress<SetTimeoutsFn>(module, "WinHttpSetTimeouts");
    ProcPointer<GetProxyForUrlFn> getProxyForUrl =
        platform::procAddress<GetProxyForUrlFn>(module, "WinHttpGetProxyForUrl");
};

const WinHttp& winHttp()
{
    static const WinHttp library;
    return library;
}

// Takes a string WinHTTP allocated, and frees it.
std::wstring take(LPWSTR text)
{
    if (!text) return std::wstring();
    std::wstring value(text);
    ::GlobalFree(text);
    return value;
}

class Session {
public:
    Session(const WinHttp& library)
        : library_(library),
          handle_(library.open && library.close
                      ? library.open(L"Kolvex", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0)
                      : nullptr)
    {
    }
    ~Session()
    {
        if (handle_) library_.close(handle_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HINTERNET get() const { return handle_; }

private:
    const WinHttp& library_;
    HINTERNET handle_;
};

} // namespace

bool readSystemSettings(Settings& settings)
{
    const WinHttp& library = winHttp();
    if (!library.getIeConfig) return false;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!library.getIeConfig(&config)) return false;
    settings.autoDetect = config.fAutoDetect != FALSE;
    settings.autoConfigUrl = take(config.lpszAutoConfigUrl);
    settings.proxy = take(config.lpszProxy);
    settings.bypass = take(config.lpszProxyBypass);
    return true;
}

bool runSystemScript(const std::wstring& url, const std::wstring& scriptUrl, std::wstring& list)
{
    const WinHttp& library = winHttp();
    if (!library.getProxyForUrl) return false;
    Session session(library);
    if (!session.get()) return false;
    if (library.setTimeouts) library.setTimeouts(session.get(), kResolveMs, kConnectMs, kSendMs, kReceiveMs);
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (scriptUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = scriptUrl.c_str();
    }
    // A script behind the company's sign-in gets the user's own.
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (!library.getProxyForUrl(session.get(), url.c_str(), &options, &info)) return false;
    const std::wstring proxy = take(info.lpszProxy);
    take(info.lpszProxyBypass);
    list = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxy : std::wstring();
    return true;
}

} // namespace proxy
} // namespace utility
