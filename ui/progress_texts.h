#pragma once
// What the progress page shows for the model's reports: amount texts, the
// status line's percent, the bar values of the download, the installation
// creep and the end. Plain functions, any thread.

#include <string>

namespace ui {

struct ProgressView {
    enum class Kind {
        Unchanged,      // nothing to show (no bytes yet, or no total)
        VersionPending, // the model still asks for the version answer
        Download,       // amount, status percent and bar below
    };
    Kind kind = Kind::Unchanged;
    std::wstring amount; // "12.50M/286.10M"
    int percent = 0;
    int bar = 0;         // 0 to 75
};

ProgressView progressViewFor(int percent, int received, int total);

// The status line: the bundle's "downloading (" text, the percent, "%)".
std::wstring downloadStatusText(const std::wstring& downloadingLabel, int percent);

// The bar while the silent installation runs: 75 after the first step, one
// more each step up to 97, where it stays. Advances step.
int nextCreepValue(int& step);

// The bar once the installation reported: 99 on success (never 100); on
// failure the bar keeps its value (-1).
int finishedBarValue(bool success);

} // namespace ui
