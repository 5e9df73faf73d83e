#pragma once
// File operations and path helpers. Both '\' and '/' count as separators
// when a path is taken apart; failures are logged, never thrown.

#include <string>

namespace utility {
namespace ufile {

// Replaces an existing target; copies across volumes.
bool moveFile(const std::wstring& from, const std::wstring& to);
void removeFile(const std::wstring& path);
// Creates the folder and every missing parent.
void makeDir(const std::wstring& path);
bool pathExists(const std::wstring& path);

// Full path of the running program's file.
std::wstring modulePath();
// Folder of the running program, with a trailing separator.
std::wstring moduleFolder();
// Tests stand in for the program's own path (e.g. a setup file name that
// carries launch parameters); an empty text returns to the real one.
void setModulePathForTesting(const std::wstring& path);

std::wstring parentFolder(const std::wstring& path);
std::wstring fileTitle(const std::wstring& path);
// Whether first is a leading part of second, ignoring all separators.
bool isPathPrefix(const std::wstring& first, const std::wstring& second);

} // namespace ufile
} // namespace utility
