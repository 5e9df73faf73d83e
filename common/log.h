#pragma once
// The one log of the program: one file per user under the product family's
// application-data folder, written by a background thread.

#include "common/func_name.h"

#include <string>

namespace common {

// Log file of each tool of the product family, relative to the base folder;
// empty for a number without a file.
std::wstring logRelativePath(int moduleNumber);

// "<application data>\Bexmoor2", worked out once.
const std::wstring& productDataFolder();

// Starts the writer for the given module and installs the sink. A second
// call creates nothing new.
void startLog(int moduleNumber);
// Writes what is pending and ends the writer; called before the process returns.
void stopLog();

// The sink: formats, builds the line and queues it.
void logPrint(const char* function, int line, const wchar_t* format, ...);
// The log call: does nothing until startLog has run.
void writeLog(const char* function, int line, const wchar_t* format, ...);

} // namespace common

// Logs under the enclosing function's qualified name and the source line.
#define WRITE_LOG(...) ::common::writeLog(KOLVEX_FUNC_NAME, __LINE__, __VA_ARGS__)
