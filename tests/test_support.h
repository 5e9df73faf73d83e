#pragma once
// Helpers shared by the tests: a scratch folder inside the build folder and
// whole-file reads and writes.

#include <string>

namespace testing_support {

// A fresh, empty folder below "<tests folder>\scratch\", named after the
// running test; ends with a backslash.
std::wstring scratchFolder();

std::string readFile(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);

// The stand-in for the emulator's programs, copied under the given name
// into folder; returns the copy's path.
std::wstring copyStandinAs(const std::wstring& folder, const wchar_t* name);

} // namespace testing_support
