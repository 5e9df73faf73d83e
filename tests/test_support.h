#pragma once
// Helpers shared by the tests: a scratch folder inside the build folder and
// whole-file reads and writes.

#include <string>

namespace testing_support {


// The build folder, with a trailing backslash: the tests' program lives in
// its "tests" folder, the installer and the tools beside it.
std::wstring buildFolder();

// A fresh, empty folder below "<tests folder>\scratch\", named after the
// running test; ends with a backslash.
std::wstring scratchFolder();

std::string readFile(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);

// Runs "\"file\" params" and waits up to timeoutMs; the exit code, or
// 0xFFFFFFFF when it could not start and 0xFFFFFFFE when it did not end.
unsigned long runAndWait(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs = 30000);

// The stand-in for the emulator's programs, copied under the given name
// into folder; returns the copy's path.
std::wstring copyStandinAs(const std::wstring& folder, const wchar_t* name);

} // namespace testing_support
