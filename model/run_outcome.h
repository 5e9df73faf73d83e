#pragma once
// How a run of the installer ended, as its exit code tells it: one small,
// stable number per way, 0 when the emulator was started. The window records
// it as the run goes (any thread); the entry writes it to the log once and
// returns it.

#include <string>

enum class RunOutcome : int {
    PlayerStarted = 0,
    UserClosed = 1,
    DownloadFailed = 2,
    DiskFull = 3,
    WebPage = 4,
    InstallerRefused = 5,
    InstallFailed = 6,
    AlreadyRunning = 7,
    StartFailed = 8,
    PlayerNotStarted = 9,
};

struct RunEnd {
    RunOutcome outcome = RunOutcome::UserClosed;
    // The Windows error or the program's exit code behind it; 0 when none.
    unsigned long detail = 0;
};

namespace run_outcome {

int exitCode(RunOutcome outcome);
const wchar_t* reason(RunOutcome outcome);
// "exit code 6 (installation failed, 1)"; the detail only when there is one.
std::wstring logLine(const RunEnd& end);

// A later record replaces an earlier one: a retry that succeeds wins.
void record(RunOutcome outcome, unsigned long detail = 0);
// Forgets the record (a retry starts).
void clear();
// The record, or the user closing the window when there is none.
RunEnd current();

} // namespace run_outcome
