#include "ui/progress_texts.h"

#include <cwchar>

namespace ui {

namespace {

constexpr int kCreepStart = 75;
constexpr int kCreepLastStep = 22;

// "%0.2f" of the quotient, rounded to single precision first.
std::wstring twoDecimals(double dividend, double divisor)
{
    wchar_t text[24] = {};
    std::swprintf(text, 24, L"%0.2f", static_cast<double>(static_cast<float>(dividend / divisor)));
    return text;
}

} // namespace

ProgressView progressViewFor(int percent, int received, int total)
{
    ProgressView view;
    if (percent == -1) {
        view.kind = ProgressView::Kind::VersionPending;
        return view;
    }
    if (received == 0 || total == 0) return view;
    view.kind = ProgressView::Kind::Download;
    std::wstring amount;
    if (received < 1024)
        amount = twoDecimals(received, 1) + L"B";
    else if (received < 1048576)
        amount = twoDecimals(received, 1024) + L"KB";
    else
        amount = twoDecimals(received, 1048576) + L"M";
    view.amount = amount + L"/" + twoDecimals(total, 1048576) + L"M";
    view.percent = percent;
    // A first report of 1 or 2 percent would leave the bar at 0 or 1.
    const int shown = percent == 1 || percent == 2 ? 3 : percent;
    view.bar = static_cast<int>(shown * 0.75);
    return view;
}

std::wstring downloadStatusText(const std::wstring& downloadingLabel, int percent)
{
    return downloadingLabel + std::to_wstring(percent) + L"%)";
}

int nextCreepValue(int& step)
{
    if (step >= kCreepLastStep) step = kCreepLastStep;
    const int value = step + kCreepStart;
    ++step;
    return value;
}

int finishedBarValue(bool success) { return success ? 99 : -1; }

} // namespace ui
