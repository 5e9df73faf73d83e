#pragma once
// The hidden top-level window through which a later installer reaches the
// running one: every private message (above WM_USER) and WM_COPYDATA it
// receives goes to its handler. User-interface thread only; the window is
// never shown and lives until the process ends.

#include <windows.h>

namespace utility {

class IWindowIPCHandle {
public:
    virtual ~IWindowIPCHandle() = default;
    virtual LRESULT onHandleWindowIPC(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

} // namespace utility

struct IpcWindow {
    HWND window = nullptr;
    utility::IWindowIPCHandle* handler = nullptr;

    // Registers the class and creates the window; false, with no handler
    // kept, when the window could not be made. The record must stay where
    // it is while the window exists.
    bool create(const wchar_t* className, utility::IWindowIPCHandle* ipcHandler);
};
