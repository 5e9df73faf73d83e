#pragma once
// Starts a program through the shell of the user's desktop: the desktop's
// folder view hands out the shell's dispatch object, whose ShellExecute
// runs inside the desktop's process, at the level the user logged on with,
// not at this (elevated) process's level.
//
// User-interface thread, COM initialised (single-threaded apartment); the
// call waits for the desktop's process.

#include <windows.h>

#include <string>

namespace utility {
namespace usystem {

// Each step of the way, in order; Done when all went through.
enum class DesktopShellStep {
    ShellWindows,    // the shell's window list (CoCreateInstance)
    DesktopWindow,   // its desktop entry (FindWindowSW, SWC_DESKTOP)
    ShellBrowser,    // the desktop's browser (IServiceProvider, top-level browser)
    ShellView,       // its active view
    ViewDispatch,    // the view background's dispatch object
    FolderView,      // IShellFolderViewDual of it
    Application,     // the shell's dispatch object
    ShellDispatch,   // IShellDispatch2 of it
    Execute,         // IShellDispatch2::ShellExecute
    Done,
};

struct DesktopShellResult {
    DesktopShellStep failedAt = DesktopShellStep::Done;
    HRESULT error = S_OK;
    bool ok() const { return failedAt == DesktopShellStep::Done; }
};

// The step's name for the log ("FindWindowSW", ...).
const wchar_t* desktopShellStepName(DesktopShellStep step);

// Opens file (a program or an address) with the verb "open" and the
// parameters, shown normally, through the desktop's shell.
DesktopShellResult executeThroughDesktopShell(const std::wstring& file, const std::wstring& parameters);

} // namespace usystem
} // namespace utility
