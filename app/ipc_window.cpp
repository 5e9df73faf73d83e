#include "app/ipc_window.h"

#include "common/log.h"

namespace {

LRESULT CALLBACK ipcWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        IpcWindow* record = static_cast<IpcWindow*>(create->lpCreateParams);
        if (record) {
            record->window = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        }
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message > WM_USER || message == WM_COPYDATA) {
        const IpcWindow* record = reinterpret_cast<const IpcWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (record && record->window == hwnd && record->handler)
            record->handler->onHandleWindowIPC(message, wParam, lParam);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool IpcWindow::create(const wchar_t* className, utility::IWindowIPCHandle* ipcHandler)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = ipcWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    // A class left registered by an earlier window of this process is fine.
    ::RegisterClassW(&windowClass);
    ::CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (!window) {
        WRITE_LOG(L"ipc window not created, error %lu", ::GetLastError());
        return false;
    }
    handler = ipcHandler;
    return true;
}
