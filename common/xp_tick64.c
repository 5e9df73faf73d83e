/* The threads runtime imports GetTickCount64, which Windows XP lacks: the
 * program would not even load there. This object supplies the import slot
 * itself; the first call picks the system's function when it exists and a
 * GetTickCount-based one otherwise. Linked only into 32-bit programs. */

#include <windows.h>

static volatile LONG g_lock;
static DWORD g_last;
static ULONGLONG g_high;

/* 64-bit ticks from the 32-bit counter, noticing each wrap (every 49.7 days). */
static ULONGLONG WINAPI tick64FromTick32(void)
{
    ULONGLONG result;
    DWORD now;
    while (InterlockedExchange(&g_lock, 1) != 0) Sleep(0);
    now = GetTickCount();
    if (now < g_last) g_high += 0x100000000ULL;
    g_last = now;
    result = g_high + now;
    InterlockedExchange(&g_lock, 0);
    return result;
}

typedef ULONGLONG(WINAPI* Tick64Fn)(void);

static ULONGLONG WINAPI resolveTick64(void);

/* The name the linker looks for when code calls the imported function. */
Tick64Fn kolvexTick64Slot __asm__("__imp__GetTickCount64@0") = resolveTick64;

static ULONGLONG WINAPI resolveTick64(void)
{
    Tick64Fn fn = (Tick64Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64");
    if (!fn) fn = tick64FromTick32;
    InterlockedExchangePointer((PVOID volatile*)&kolvexTick64Slot, (PVOID)fn);
    return fn();
}
