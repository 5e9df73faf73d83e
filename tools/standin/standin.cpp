// Stand-in for the emulator's programs in tests and the demo. It acts by its
// own file name: rizodi.exe (silent installer), vpplayer.exe (player),
// vpconsole.exe (console tool), zodovivevizez.exe, taskkill.exe and
// iexplore.exe (the browser, journal only). Every start appends
// "<file name>\t<argument text>" to standin-journal.txt beside the copy that
// ran. STANDIN_<NAME>_EXIT and STANDIN_<NAME>_SLEEP_MS (NAME = RIZODI, ...)
// or STANDIN_EXIT and STANDIN_SLEEP_MS set its exit code and run time;
// STANDIN_<NAME>_<VERB>_SLEEP_MS the run time of one command (VERB = MODIFY
// for the console tool's "modify ..."); STANDIN_<NAME>_FAIL_RUNS=N makes
// the first N starts recorded in the journal end with 1 having done
// nothing (an installer that installs nothing); STANDIN_INSTALL_VERSION and
// STANDIN_REGISTRY_KEY what the installer records.

#include "common/unique_handle.h"
#include "common/unique_reg_key.h"
#include "tools/standin/standin_args.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace {

constexpr int kBadCommandLine = 2;
constexpr int kInstallFailed = 3;
constexpr int kUnknownName = 4;
constexpr int kFailedRun = 1;

std::wstring ownPath()
{
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring environmentValue(const std::wstring& name)
{
    wchar_t buffer[64] = {};
    const DWORD n = ::GetEnvironmentVariableW(name.c_str(), buffer, 64);
    return n > 0 && n < 64 ? std::wstring(buffer, n) : std::wstring();
}

// The per-name setting first, then the general one.
int setting(const std::wstring& upperTitle, const wchar_t* key, int fallback)
{
    std::wstring value = environmentValue(L"STANDIN_" + upperTitle + L"_" + key);
    if (value.empty()) value = environmentValue(std::wstring(L"STANDIN_") + key);
    return value.empty() ? fallback : _wtoi(value.c_str());
}

std::string readJournal(const std::wstring& folder)
{
    common::UniqueHandle file(::CreateFileW((folder + L"standin-journal.txt").c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (file && text.size() < (1u << 20) && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

void appendJournal(const std::wstring& folder, const std::wstring& fileName, const std::wstring& args)
{
    const std::wstring text = fileName + L"\t" + args + L"\r\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], size, nullptr,
                          nullptr);
    // Appending writes land whole even when several copies run at once.
    common::UniqueHandle file(::CreateFileW((folder + L"standin-journal.txt").c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

bool writeRegistryText(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// "Installs" the emulator: the programs are copies of this stand-in.
int install(const std::wstring& self, const standin::InstallerArgs& args, const std::wstring& version)
{
    ::SHCreateDirectoryExW(nullptr, args.path.c_str(), nullptr);
    const std::wstring folder = args.path.back() == L'\\' ? args.path : args.path + L"\\";
    for (const wchar_t* name : {L"vpplayer.exe", L"vpconsole.exe", L"zodovivevizez.exe"})
        if (!::CopyFileW(self.c_str(), (folder + name).c_str(), FALSE)) return kInstallFailed;
    // Tests running side by side each name a key of their own.
    std::wstring keyName = environmentValue(L"STANDIN_REGISTRY_KEY");
    if (keyName.empty()) keyName = L"Software\\Bexmoor2\\vpplayer";
    common::UniqueRegKey key;
    if (::RegCreateKeyW(HKEY_CURRENT_USER, keyName.c_str(), key.out()) != ERROR_SUCCESS)
        return kInstallFailed;
    const bool ok =
        writeRegistryText(key.get(), L"Version", version) && writeRegistryText(key.get(), L"InstallDir", args.path);
    return ok ? 0 : kInstallFailed;
}

} // namespace

int wmain()
{
    const std::wstring self = ownPath();
    const std::size_t slash = self.find_last_of(L"\\/");
    const std::wstring folder = self.substr(0, slash + 1);
    const std::wstring fileName = self.substr(slash + 1);
    const std::wstring args = standin::argumentText(::GetCommandLineW());
    appendJournal(folder, fileName, args);

    const std::wstring title = standin::upperTitle(fileName);
    const std::wstring verb = standin::upperVerb(args);
    const std::wstring verbSleep = verb.empty() ? std::wstring() : environmentValue(L"STANDIN_" + title + L"_" + verb + L"_SLEEP_MS");
    const int sleepMs = verbSleep.empty() ? setting(title, L"SLEEP_MS", 0) : _wtoi(verbSleep.c_str());
    if (sleepMs > 0) ::Sleep(static_cast<DWORD>(sleepMs));
    if (standin::countRuns(readJournal(folder), fileName) <= setting(title, L"FAIL_RUNS", 0)) return kFailedRun;

    int code = 0;
    if (title == L"RIZODI") {
        standin::InstallerArgs parsed;
        if (!standin::parseInstallerArgs(args, parsed)) return kBadCommandLine;
        std::wstring version = environmentValue(L"STANDIN_INSTALL_VERSION");
        code = install(self, parsed, version.empty() ? L"12.0.3" : version);
    } else if (title == L"VPCONSOLE") {
        if (!standin::isConsoleCommand(args)) return kBadCommandLine;
    } else if (title == L"TASKKILL") {
        if (!standin::isTaskkillCommand(args)) return kBadCommandLine;
        code = 128; // as the real tool answers for a process that is not running
    } else if (title != L"VPPLAYER" && title != L"ZODOVIVEVIZEZ" && title != L"IEXPLORE" && title != L"STANDIN") {
        return kUnknownName;
    }
    return code != 0 ? code : setting(title, L"EXIT", 0);
}
