#pragma once
// Runs the calling thread's message loop for a bounded time, so tasks of a
// dispatcher created on the test thread get dispatched.

#include <windows.h>

#include <functional>

namespace testing_support {

// Pumps until done() holds or timeoutMs has passed; returns done().
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void pumpFor(DWORD ms)
{
    pumpUntil([] { return false; }, ms);
}

} // namespace testing_support
