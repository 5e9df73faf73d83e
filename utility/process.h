#pragma once
// Starting other programs: through the shell (elevated where the system
// knows elevation), directly and hidden, or directly with a wait.

#include "common/unique_handle.h"

#include <string>

namespace utility {
namespace process {

// "\"file\"" and, when params are given, one blank and the params as they are.
std::wstring commandLine(const std::wstring& file, const std::wstring& params);
// "open" before Windows Vista (major version below 6), "runas" from then on.
const wchar_t* shellVerb(unsigned long majorVersion);

// Hands the program to the shell, hidden; true when the shell took it.
bool shell(const std::wstring& file, const std::wstring& params);
// Starts the program hidden in a new console; empty on failure.
common::UniqueHandle create(const std::wstring& file, const std::wstring& params);
// How a program run with a wait ended; code is its exit code when it
// exited, else the system error (0 for a time-out).
struct RunEnd {
    enum class Kind { Exited, TimedOut, NotStarted, WaitFailed };
    Kind kind = Kind::NotStarted;
    unsigned long code = 0;
    bool succeeded() const { return kind == Kind::Exited && code == 0; }
};

// Starts and waits up to timeoutMs (INFINITE: no limit); true only for a
// program that ended in time with exit code 0. One that outlives the time
// is left running. When end is given, it tells how the run ended.
bool execute(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs, RunEnd* end = nullptr);
// execute, told as its end.
RunEnd run(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs);

} // namespace process
} // namespace utility
