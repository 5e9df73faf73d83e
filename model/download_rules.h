#pragma once
// The decisions of the player download and installation, as plain functions:
// when to switch mirrors, how progress is reported, which command lines run.

#include "model/model_callbacks.h"
#include "model/run_outcome.h"

#include <cstdint>
#include <string>
#include <vector>

namespace download_rules {

// Stand-in total while a server announces no length.
constexpr int kUnknownTotal = 300000000;
constexpr std::uint32_t kProgressIntervalMs = 1000;

struct SwitchDecision {
    bool useSpare = false;
    // Log format (elapsed, progress) when switching; null otherwise.
    const wchar_t* logFormat = nullptr;
};

// The band for the elapsed time of a main-mirror download decides alone:
// over 3 minutes always, over 2 below 50 %, over 1 below 20 %, over half a
// minute below 5 %, never earlier.
SwitchDecision switchBand(std::uint32_t elapsedMs, int progress);

// Elapsed milliseconds between two tick counts, correct across the wrap.
inline std::uint32_t elapsedTicks(std::uint32_t now, std::uint32_t start) { return now - start; }

// Whether a block at tick now is reported, given the last reported tick.
bool progressDue(std::uint32_t now, std::uint32_t lastReported);
// The total shown for a transfer; total -1 means none was announced.
int reportedTotal(int received, int total);
// Percent, computed in double precision and truncated.
int progressPercent(int received, int total);

struct Amount {
    int received = 0;
    int total = 0;
};
// What the end of a download shows, from the last block's figures (total -1
// when none was announced): the bytes that arrived out of the announced
// total, or out of themselves when there was none or a smaller one.
Amount finishedAmount(int received, int total);

// Leading decimal integer of a version text ("3.9" -> 3; none -> 0).
int leadingInteger(const std::wstring& text);

// "-silence -downloader -openid=<id> -path=<folder>", the folder unquoted.
std::wstring installerArguments(const std::wstring& openId, const std::wstring& installDir);
// Player text for the launch package; empty without a package.
std::wstring playerArgumentsForPackage(const std::wstring& package);
// The emulator's processes ended before installing, in order.
const std::vector<std::wstring>& processesToEnd();
std::wstring taskkillArguments(const std::wstring& processName);

// The answer to the installer's address is a web page (a network's sign-in
// page, a proxy's error page): Content-Type text/html or XHTML, whatever
// its parameters and case.
bool isWebPageType(const std::string& contentType);
// Whether the first bytes of a download can begin a Windows program ("MZ");
// fewer than two bytes are judged by what there is.
bool startsLikeProgram(const unsigned char* data, int size);
// The first bytes for the log: printable ASCII as it is, other bytes \xNN.
std::wstring firstBytesText(const unsigned char* data, int size);

// How the calls of one download ended, counted by the download worker.
struct DownloadTally {
    int webPages = 0;     // calls whose every answer was refused as a web page
    int otherEnds = 0;    // calls that failed otherwise (network, server)
    int refusedFiles = 0; // whole files refused by the digest or signature check
    bool diskFull = false;
};
// Why the download failed: a full disk first, then a refused file; a web
// page only when nothing else was met.
DownloadFailure failureOf(const DownloadTally& tally);
RunOutcome outcomeOf(DownloadFailure failure);

// What the window does once the emulator's installer has run: go on only
// when the player is there (an installer may end non-zero after
// installing), and never after an installer that did not run.
struct AfterInstall {
    bool goOn = false;
    RunOutcome stopAs = RunOutcome::InstallFailed;
    const wchar_t* reason = L""; // for the log
};
AfterInstall afterInstallation(InstallerEnd end, bool playerPresent);

} // namespace download_rules
