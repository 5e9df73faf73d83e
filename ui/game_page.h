#pragma once
// What the game-package page shows, as plain functions: the download label
// with its mark-up and the bar, and the install bar's creep.

#include "model/game_handover.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

struct PackageProgressView {
    std::wstring label; // with the colour mark-up of the percentage
    int bar = 0;
};

// downloading: the bundle's "progress_downloading_label2" text; appName is
// shown as it is, mark-up included; index: the
// number of the package being fetched (from 1); count: packages in all.
// A total of 0 or less (none announced) shows 0M and 0%.
PackageProgressView packageDownloadProgress(const std::wstring& downloading, const std::wstring& appName, int index,
                                            std::size_t count, std::int64_t received, std::int64_t total);

// Whether a progress report at tick now is forwarded: once a second, and
// always the one that completes the download.
bool packageProgressDue(std::uint32_t now, std::uint32_t lastForwarded, std::int64_t received, std::int64_t total);

struct InstallBarStep {
    int value = 0;
    bool stop = false; // the bar has reached its end: the timer ends
};

// One tick of the package-install bar (the counter lives for the process):
// 3 at once, then one a tick up to 98.
InstallBarStep packageInstallBarStep(int& counter);

// How the installation ends, from the first record. A record whose value
// would change the keys of the player's argument text is not handed over:
// droppedField then names that value and the run ends as without a game.
struct EndOfInstallation {
    HandoverDecision decision;
    const wchar_t* droppedField = nullptr;
};
EndOfInstallation endOfInstallation(const std::vector<GameRecord>& games);

} // namespace ui
