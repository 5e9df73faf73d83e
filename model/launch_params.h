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

// The stem without a browser's copy counter at its end (" (1)", "(12)")
// and without blanks: neither is part of the words.
std::wstring cleanFileNameStem(const std::wstring& stem);

// The stem is the file name without folder and extension.
FileNameParams splitFileNameParams(const std::wstring& stem);
bool sameWords(const FileNameParams& a, const FileNameParams& b);

struct CommandLineParams {
    bool any = false; // at least one key=value piece
    std::wstring name;
    std::wstring package;
    std::wstring apkurl;
};

// The text as the process entry receives it, without the program name;
// null gives nothing.
CommandLineParams parseCommandLineParams(const wchar_t* commandLine);
