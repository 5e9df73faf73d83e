#pragma once
// The display's DPI as the system tells it to a DPI-aware program, and the
// declaration of that awareness at run time for systems that do not read
// it from the manifest. Every function is looked up at run time: the
// program starts on Windows XP, which has none of them and keeps 96.

#include <windows.h>

#include <functional>
#include <vector>

namespace SkinUI {

enum class DpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

// "unaware", "system", "per-monitor", "per-monitor v2".
const wchar_t* awarenessName(DpiAwareness awareness);

// One way of declaring the awareness: apply gives 0 on success, else the
// system's error (ERROR_PROC_NOT_FOUND where the function is missing).
struct AwarenessStep {
    DpiAwareness level;
    std::function<DWORD()> apply;
};

// Tries the steps in order; the first that succeeds gives the level. A
// step refused with ERROR_ACCESS_DENIED finds the awareness set before
// (by the manifest): current() tells which, and no later step is tried.
// No step succeeds: Unaware.
DpiAwareness chooseAwareness(const std::vector<AwarenessStep>& steps, const std::function<DpiAwareness()>& current);

// Per-monitor v2, else per-monitor, else system-aware. Call it first in
// the process, before any window exists.
DpiAwareness enableDpiAwareness();

// The DPI of the window's monitor (Windows 8.1 on), else the system's.
int windowDpi(HWND window);
// The DPI of the primary monitor at log-on: 96 on XP and for a process
// the system treats as unaware.
int systemDpi();

} // namespace SkinUI
