#include "skinui/dpi.h"

#include "platform/system_library.h"
#include "skinui/scale.h"

namespace SkinUI {

namespace {

// Awareness contexts are handles with fixed values (Windows 10 1607 on).
using Context = HANDLE;
const Context kContextSystem = reinterpret_cast<Context>(static_cast<INT_PTR>(-2));
const Context kContextPerMonitor = reinterpret_cast<Context>(static_cast<INT_PTR>(-3));
const Context kContextPerMonitorV2 = reinterpret_cast<Context>(static_cast<INT_PTR>(-4));
const int kProcessPerMonitorAware = 2; // PROCESS_PER_MONITOR_DPI_AWARE (shcore)

using SetContextFn = BOOL WINAPI(Context);
using GetThreadContextFn = Context WINAPI();
using AwarenessOfContextFn = int WINAPI(Context);
using ContextsEqualFn = BOOL WINAPI(Context, Context);
using SetProcessAwareFn = BOOL WINAPI();
using IsProcessAwareFn = BOOL WINAPI();
using DpiForWindowFn = UINT WINAPI(HWND);
using DpiForSystemFn = UINT WINAPI();
using ShcoreSetAwarenessFn = HRESULT WINAPI(int);
using ShcoreGetAwarenessFn = HRESULT WINAPI(HANDLE, int*);
using MonitorFromWindowFn = HMONITOR WINAPI(HWND, DWORD);
using DpiForMonitorFn = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);

HMODULE user32() { return ::GetModuleHandleW(L"user32.dll"); }

// Windows 8.1 on; loaded once from the system folder and kept.
HMODULE shcore()
{
    static const HMODULE module = platform::loadSystemLibrary(L"shcore.dll");
    return module;
}

DWORD fromBool(BOOL ok) { return ok ? 0 : ::GetLastError(); }

DWORD fromResult(HRESULT result)
{
    if (SUCCEEDED(result)) return 0;
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result);
}

DWORD setContext(Context context)
{
    auto set = platform::procAddress<SetContextFn>(user32(), "SetProcessDpiAwarenessContext");
    return set ? fromBool(set(context)) : ERROR_PROC_NOT_FOUND;
}

bool processAware()
{
    auto isAware = platform::procAddress<IsProcessAwareFn>(user32(), "IsProcessDPIAware");
    return isAware && isAware();
}

DpiAwareness currentAwareness()
{
    auto getThread = platform::procAddress<GetThreadContextFn>(user32(), "GetThreadDpiAwarenessContext");
    auto awarenessOf = platform::procAddress<AwarenessOfContextFn>(user32(), "GetAwarenessFromDpiAwarenessContext");
    auto equal = platform::procAddress<ContextsEqualFn>(user32(), "AreDpiAwarenessContextsEqual");
    if (getThread && awarenessOf) {
        const Context context = getThread();
        if (equal && equal(context, kContextPerMonitorV2)) return DpiAwareness::PerMonitorV2;
        switch (awarenessOf(context)) {
        case 1: return DpiAwareness::System;
        case 2: return DpiAwareness::PerMonitor;
        default: return DpiAwareness::Unaware;
        }
    }
    if (auto get = platform::procAddress<ShcoreGetAwarenessFn>(shcore(), "GetProcessDpiAwareness")) {
        int value = 0;
        if (SUCCEEDED(get(nullptr, &value)))
            return value == 2 ? DpiAwareness::PerMonitor : value == 1 ? DpiAwareness::System : DpiAwareness::Unaware;
    }
    return processAware() ? DpiAwareness::System : DpiAwareness::Unaware;
}

} // namespace

const wchar_t* awarenessName(DpiAwareness awareness)
{
    switch (awareness) {
    case DpiAwareness::System: return L"system";
    case DpiAwareness::PerMonitor: return L"per-monitor";
    case DpiAwareness::PerMonitorV2: return L"per-monitor v2";
    default: return L"unaware";
    }
}

DpiAwareness chooseAwareness(const std::vector<AwarenessStep>& steps, const std::function<DpiAwareness()>& current)
{
    for (const AwarenessStep& step : steps) {
        const DWORD error = step.apply ? step.apply() : ERROR_PROC_NOT_FOUND;
        if (error == 0) return step.level;
        if (error == ERROR_ACCESS_DENIED) return current ? current() : DpiAwareness::Unaware;
    }
    return DpiAwareness::Unaware;
}

DpiAwareness enableDpiAwareness()
{
    // Wine 8 refuses the v2 value as invalid (87): the next step follows.
    const std::vector<AwarenessStep> steps = {
        {DpiAwareness::PerMonitorV2, [] { return setContext(kContextPerMonitorV2); }},
        {DpiAwareness::PerMonitor, [] { return setContext(kContextPerMonitor); }},
        {DpiAwareness::PerMonitor,
         [] {
             auto set = platform::procAddress<ShcoreSetAwarenessFn>(shcore(), "SetProcessDpiAwareness");
             return set ? fromResult(set(kProcessPerMonitorAware)) : static_cast<DWORD>(ERROR_PROC_NOT_FOUND);
         }},
        {DpiAwareness::System, [] { return setContext(kContextSystem); }},
        {DpiAwareness::System,
         [] {
             auto set = platform::procAddress<SetProcessAwareFn>(user32(), "SetProcessDPIAware");
             return set ? fromBool(set()) : static_cast<DWORD>(ERROR_PROC_NOT_FOUND);
         }},
    };
    return chooseAwareness(steps, currentAwareness);
}

int windowDpi(HWND window)
{
    if (window) {
        if (auto forWindow = platform::procAddress<DpiForWindowFn>(user32(), "GetDpiForWindow"))
            if (const UINT dpi = forWindow(window)) return clampDpi(static_cast<int>(dpi));
        auto monitorOf = platform::procAddress<MonitorFromWindowFn>(user32(), "MonitorFromWindow");
        auto forMonitor = platform::procAddress<DpiForMonitorFn>(shcore(), "GetDpiForMonitor");
        if (monitorOf && forMonitor && processAware()) {
            UINT x = 0, y = 0;
            const HMONITOR monitor = monitorOf(window, MONITOR_DEFAULTTONEAREST);
            if (monitor && SUCCEEDED(forMonitor(monitor, 0 /* effective */, &x, &y)) && x > 0)
                return clampDpi(static_cast<int>(x));
        }
    }
    return systemDpi();
}

int systemDpi()
{
    if (auto forSystem = platform::procAddress<DpiForSystemFn>(user32(), "GetDpiForSystem"))
        if (const UINT dpi = forSystem()) return clampDpi(static_cast<int>(dpi));
    // XP has no awareness at all: its look stays the 96-DPI one.
    if (!processAware()) return kLayoutDpi;
    HDC screen = ::GetDC(nullptr);
    if (!screen) return kLayoutDpi;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return clampDpi(dpi);
}

} // namespace SkinUI
