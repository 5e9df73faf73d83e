#pragma once
// The decisions of the player download and installation, as plain functions:
// when to switch mirrors, how progress is reported, which command lines run.

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

} // namespace download_rules
