#pragma once
// Launch parameters carried by the installer's own file name
// ("<type>_<package>_<openID>.exe") and by its command line
// ("name=...|package=...|apkurl=...").

#include <string>

struct FileNameParams {
    bool complete = false; // at least three pieces
    std::wstring type;
    std::wstring package;
    std::wstring openId;
};

// The stem is the file name without folder and extension.
FileNameParams splitFileNameParams(const std::wstring& stem);

struct CommandLineParams {
    bool any = false; // at least one key=value piece
    std::wstring name;
    std::wstring package;
    std::wstring apkurl;
};

// The text as the process entry receives it, without the program name;
// null gives nothing.
CommandLineParams parseCommandLineParams(const wchar_t* commandLine);
