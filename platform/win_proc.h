#pragma once
// The one way to take a function from a system library at run time. The
// function type must carry the Windows calling convention: in the 32-bit
// program a plain (cdecl) type does not compile, so a pointer can never be
// called with the wrong convention.
//   using SetDirsFn = BOOL WINAPI(DWORD);
//   auto set = platform::procAddress<SetDirsFn>(kernel, "SetDefaultDllDirectories");

#include <windows.h>

#include <cstring>

namespace platform {

template <typename Fn>
struct WinApiFunction; // no definition: only WINAPI function types are accepted

template <typename R, typename... Args>
struct WinApiFunction<R WINAPI(Args...)> {
    using Pointer = R(WINAPI*)(Args...);
};

// Null when the library is null or lacks the function.
template <typename Fn>
typename WinApiFunction<Fn>::Pointer procAddress(HMODULE module, const char* name)
{
    using Pointer = typename WinApiFunction<Fn>::Pointer;
    if (!module) return nullptr;
    FARPROC raw = ::GetProcAddress(module, name);
    static_assert(sizeof(Pointer) == sizeof(raw), "function pointers of one size");
    Pointer typed;
    std::memcpy(&typed, &raw, sizeof typed); // no cast between function types
    return typed;
}

} // namespace platform
