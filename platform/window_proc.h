#pragma once
// The one way to give an existing window a new window procedure. The
// parameter's type carries the Windows calling convention, so a procedure
// declared without CALLBACK does not compile in the 32-bit program; the
// conversion to and from the window's long value happens here only.

#include <windows.h>

#include <cstring>

namespace platform {

// The previous procedure, or null when the window refused.
inline WNDPROC setWindowProc(HWND window, WNDPROC procedure)
{
    const LONG_PTR previous = ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    WNDPROC typed;
    static_assert(sizeof typed == sizeof previous, "a window procedure fits the window's long value");
    std::memcpy(&typed, &previous, sizeof typed);
    return typed;
}

} // namespace platform
