#pragma once
// The libraries a program takes through delay-load stubs (cmake/
// delay_imports.cmake) are loaded at their first call. The stubs would load
// them by bare name, which Windows XP also looks for in the program's folder
// (a downloads folder, writable by others); this hook gives them the system
// folder's copy by full path instead.
//
// useSystemFolderForDelayLoads() comes right after restrictLibrarySearch()
// in every program entry, before any delay-loaded call.

#include "platform/system_library.h"

#include <windows.h>
#include <delayimp.h>

#include <cstring>

namespace platform {

// The library's module for the stubs; null (the stubs then load it by bare
// name under the narrowed search) when the system folder lacks it.
inline FARPROC WINAPI systemFolderDelayLoad(unsigned notice, PDelayLoadInfo info)
{
    if (notice != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
    // Library names are plain ASCII ("ws2_32.dll").
    wchar_t name[64] = {};
    for (std::size_t i = 0; info->szDll[i]; ++i) {
        const unsigned char c = static_cast<unsigned char>(info->szDll[i]);
        if (i + 1 >= sizeof(name) / sizeof(name[0]) || c >= 0x80 || c == '\\' || c == '/') return nullptr;
        name[i] = static_cast<wchar_t>(c);
    }
    HMODULE module = loadSystemLibrary(name);
    FARPROC answer = nullptr;
    static_assert(sizeof(answer) == sizeof(module), "a module handle travels as the answer");
    std::memcpy(&answer, &module, sizeof answer);
    return answer;
}

inline void useSystemFolderForDelayLoads() { __pfnDliNotifyHook2 = systemFolderDelayLoad; }

} // namespace platform
