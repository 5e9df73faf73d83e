// The threads runtime imports GetTickCount64, which Windows XP lacks: the
// program would not even load there. This object supplies the import slot
// itself; the first call picks the system's function when it exists and a
// GetTickCount-based one otherwise. Linked only into 32-bit programs.

#include "platform/win_proc.h"

#include <windows.h>

namespace {

using Tick64Fn = ULONGLONG WINAPI();

volatile LONG g_lock;
DWORD g_last;
ULONGLONG g_high;

// 64-bit ticks from the 32-bit counter, noticing each wrap (every 49.7 days).
ULONGLONG WINAPI tick64FromTick32()
{
    while (::InterlockedExchange(&g_lock, 1) != 0) ::Sleep(0);
    const DWORD now = ::GetTickCount();
    if (now < g_last) g_high += 0x100000000ULL;
    g_last = now;
    const ULONGLONG result = g_high + now;
    ::InterlockedExchange(&g_lock, 0);
    return result;
}

ULONGLONG WINAPI resolveTick64();

} // namespace

// The name the linker looks for when code calls the imported function; the
// runtime calls through it with the Windows calling convention.
Tick64Fn* kolvexTick64Slot __asm__("__imp__GetTickCount64@0") = resolveTick64;

namespace {

ULONGLONG WINAPI resolveTick64()
{
    Tick64Fn* fn = platform::procAddress<Tick64Fn>(::GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    if (!fn) fn = tick64FromTick32;
    __atomic_store_n(&kolvexTick64Slot, fn, __ATOMIC_SEQ_CST);
    return fn();
}

} // namespace
