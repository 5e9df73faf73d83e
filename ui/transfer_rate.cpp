#include "ui/transfer_rate.h"

#include <cmath>
#include <cwchar>

namespace ui {

namespace {

// Past this the figure says nothing a user can plan with.
constexpr double kMaxSecondsLeft = 100.0 * 3600;
// Less than this over the window is no speed worth showing yet.
constexpr std::int64_t kMinBytes = 1024;

std::wstring replaced(std::wstring text, const wchar_t* name, int value)
{
    const std::wstring key = name;
    for (std::size_t at = text.find(key); at != std::wstring::npos; at = text.find(key, at))
        text.replace(at, key.size(), std::to_wstring(value));
    return text;
}

std::wstring speedText(double bytesPerSecond)
{
    wchar_t text[32] = {};
    if (bytesPerSecond < 1024)
        std::swprintf(text, 32, L"%d B/s", static_cast<int>(bytesPerSecond));
    else if (bytesPerSecond < 1024 * 1024)
        std::swprintf(text, 32, L"%d KB/s", static_cast<int>(bytesPerSecond / 1024));
    else
        std::swprintf(text, 32, L"%.1f MB/s", bytesPerSecond / (1024 * 1024));
    return text;
}

} // namespace

void TransferRate::reset()
{
    samples_.clear();
    total_ = 0;
}

void TransferRate::add(std::uint32_t nowMs, std::int64_t received, std::int64_t total)
{
    if (!samples_.empty() && received < samples_.back().received) reset();
    if (samples_.empty()) startedAt_ = nowMs;
    total_ = total;
    samples_.push_back({nowMs, received});
    // One sample older than the window stays: the window's first bytes count from it.
    while (samples_.size() > 2 && nowMs - samples_[1].at >= kWindowMs) samples_.pop_front();
}

RateEstimate TransferRate::estimate(std::uint32_t nowMs) const
{
    RateEstimate estimate;
    if (samples_.size() < 2 || nowMs - startedAt_ < kFirstFigureMs) return estimate;
    // The window reaches back from now, so a stall with no reports lowers the speed.
    const std::uint32_t windowStart = nowMs - kWindowMs;
    const Sample* base = &samples_.front();
    for (const Sample& sample : samples_)
        if (static_cast<std::int32_t>(sample.at - windowStart) <= 0) base = &sample;
    const std::uint32_t span = nowMs - base->at;
    const std::int64_t bytes = samples_.back().received - base->received;
    if (span == 0) return estimate;
    if (bytes < kMinBytes && nowMs - startedAt_ < kWindowMs) return estimate;
    estimate.shown = true;
    estimate.bytesPerSecond = static_cast<double>(bytes) * 1000.0 / span;
    const std::int64_t left = total_ - samples_.back().received;
    if (total_ > 0 && left >= 0 && estimate.bytesPerSecond >= 1) {
        const double seconds = left / estimate.bytesPerSecond;
        if (seconds <= kMaxSecondsLeft) estimate.secondsLeft = static_cast<int>(std::ceil(seconds));
    }
    return estimate;
}

std::wstring rateText(const RateEstimate& estimate, const RateTexts& texts)
{
    if (!estimate.shown) return std::wstring();
    std::wstring text = speedText(estimate.bytesPerSecond);
    const int s = estimate.secondsLeft;
    if (s < 0) return text;
    const int minutes = (s + 30) / 60;
    std::wstring left;
    if (s <= 55)
        left = replaced(texts.secondsLeft, L"{n}", (s + 4) / 5 * 5);
    else if (minutes < 60)
        left = replaced(texts.minutesLeft, L"{n}", minutes);
    else
        left = replaced(replaced(texts.hoursLeft, L"{h}", minutes / 60), L"{m}", minutes % 60);
    return text + L"  " + left;
}

} // namespace ui
