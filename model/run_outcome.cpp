#include "model/run_outcome.h"

#include <mutex>

namespace run_outcome {

namespace {

std::mutex g_lock;
RunEnd g_end;

} // namespace

int exitCode(RunOutcome outcome) { return static_cast<int>(outcome); }

const wchar_t* reason(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::PlayerStarted: return L"the emulator was started";
    case RunOutcome::UserClosed: return L"closed by the user";
    case RunOutcome::DownloadFailed: return L"download failed";
    case RunOutcome::DiskFull: return L"disk full";
    case RunOutcome::WebPage: return L"a web page instead of the installer";
    case RunOutcome::InstallerRefused: return L"installer refused";
    case RunOutcome::InstallFailed: return L"installation failed";
    case RunOutcome::AlreadyRunning: return L"another installer runs";
    case RunOutcome::StartFailed: return L"start-up failed";
    case RunOutcome::PlayerNotStarted: return L"the emulator could not be started";
    }
    return L"?";
}

std::wstring logLine(const RunEnd& end)
{
    std::wstring line = L"exit code " + std::to_wstring(exitCode(end.outcome)) + L" (" + reason(end.outcome);
    if (end.detail != 0) line += L", " + std::to_wstring(end.detail);
    return line + L")";
}

void record(RunOutcome outcome, unsigned long detail)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_end.outcome = outcome;
    g_end.detail = detail;
}

void clear()
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_end = RunEnd();
}

RunEnd current()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_end;
}

} // namespace run_outcome
