// Runs the built installer as a user would start it and reads its log.

#include "common/log.h"
#include "common/unique_handle.h"
#include "test_support.h"
#include "utility/file.h"
#include "utility/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>
#include <string>

namespace {

// The installer's main window in the process, or null.
HWND mainWindowOf(DWORD processId)
{
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"updateMainframe", nullptr); w;
         w = ::FindWindowExW(nullptr, w, L"updateMainframe", nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(w, &owner);
        if (owner == processId) return w;
    }
    return nullptr;
}

struct InstallerRun {
    bool windowShown = false;
    unsigned long exitCode = 0xFFFFFFFF;
};

// Starts the installer as a user would, waits for its window to be shown,
// closes it as the system would, and waits for the process to end.
InstallerRun runInstaller()
{
    InstallerRun run;
    std::wstring commandLine = L"\"" + testing_support::buildFolder() + L"KolvexSetup.exe\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return run;
    common::UniqueHandle process(pi.hProcess);
    common::UniqueHandle thread(pi.hThread);
    HWND window = nullptr;
    for (int i = 0; i < 300 && !window; ++i) {
        if (::WaitForSingleObject(process.get(), 100) == WAIT_OBJECT_0) break;
        window = mainWindowOf(pi.dwProcessId);
        if (window && !::IsWindowVisible(window)) window = nullptr;
    }
    run.windowShown = window != nullptr;
    if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 0xFFFFFFFE);
        return run;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    run.exitCode = code;
    return run;
}

} // namespace

// One run for all the checks: two installers at once would meet the
// single-instance rule.
TEST(EntryTest, InstallerLogsItsStartShowsItsWindowWithTheProposedFolderAndEndsAsClosedByTheUser)
{
    const std::wstring log = common::productDataFolder() + L"\\log\\vpinstall.log";
    const std::string before = testing_support::readFile(log);

    const InstallerRun run = runInstaller();
    EXPECT_TRUE(run.windowShown);
    // 0 is kept for a run that started the emulator.
    EXPECT_EQ(run.exitCode, 1u);

    const std::string after = testing_support::readFile(log);
    // The file may have been emptied at 1 MiB; otherwise the run appended.
    const std::string added = after.size() > before.size() && after.compare(0, before.size(), before) == 0
                                  ? after.substr(before.size())
                                  : after;
    const std::regex start("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\twWinMain\\t\\(\\d+\\):"
                           "downloader start\\. version is : 1\\.10 \\*{19}\\r\\n");
    const std::regex init("\\d\\d-\\d\\d\\t\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d{4,}\\twWinMain\\t\\(\\d+\\):"
                          "commoninit end\\r\\n");
    EXPECT_TRUE(std::regex_search(added, start)) << added;
    EXPECT_TRUE(std::regex_search(added, init)) << added;
    EXPECT_LT(added.find("downloader start"), added.find("commoninit end"));

    // The installer's lines only: other test processes log to the same file.
    const std::string folder = utility::wideToUtf8(testing_support::buildFolder());
    const std::size_t entrance = added.find("\tVPDownloaderImpl::entrance\t");
    ASSERT_NE(entrance, std::string::npos) << added;
    // The thread field just before the function name.
    const std::size_t tidStart = added.rfind('\t', entrance - 1) + 1;
    const std::string tid = added.substr(tidStart, entrance - tidStart);
    std::string ours;
    for (std::size_t at = 0, end = 0; (end = added.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = added.substr(at, end + 2 - at);
        if (line.find("\t" + tid + "\t") != std::string::npos) ours += line.substr(line.find("):") + 2);
    }
    const std::string expected = "CCmdLine::popupExistPwnd not exist\r\n"
                                 "player path is " + folder + "\r\n"
                                 "VPDownloaderModel::exe filename= KolvexSetup\r\n"
                                 "openid is 100, package is \r\n"
                                 "read from reg: path is ";
    EXPECT_NE(ours.find(expected), std::string::npos) << ours;
    EXPECT_NE(ours.find("player, create main window...\r\n"), std::string::npos) << ours;
    EXPECT_TRUE(utility::endsWith(ours, std::string("exit code 1 (closed by the user)\r\n"))) << ours;
}
