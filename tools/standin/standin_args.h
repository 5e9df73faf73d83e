#pragma once
// The command lines the stand-in accepts, as plain functions.

#include <string>

namespace standin {

// The argument text of a command line: everything after the program's
// (possibly quoted) name and the one blank that follows it.
std::wstring argumentText(const std::wstring& commandLine);

// "RIZODI" for "C:\x\rizodi.exe".
std::wstring upperTitle(const std::wstring& fileName);

struct InstallerArgs {
    std::wstring openId;
    std::wstring path; // unquoted; may hold blanks
};

// "-silence -downloader -openid=<id> -path=<folder>"
bool parseInstallerArgs(const std::wstring& args, InstallerArgs& out);

// "modify --index 0 --resolution <r>" or
// "installapk --index 0 --filename \"<file>\" --wait --hide"
bool isConsoleCommand(const std::wstring& args);

// "/F /IM <process name> /T"
bool isTaskkillCommand(const std::wstring& args);

// How many starts of fileName the journal text records ("<file name>\t..." lines).
int countRuns(const std::string& journal, const std::wstring& fileName);
// The first word of an argument text in capitals ("MODIFY" for a
// console tool's "modify --index 0 ..."); letters only.
std::wstring upperVerb(const std::wstring& args);

} // namespace standin
