#pragma once
// Speed and time left of a download from its progress reports: the bytes
// of a sliding window of the last seconds, so that one slow or fast report
// barely moves the figures; nothing until the transfer has run long enough
// to give a figure worth showing. Plain functions and a value type, any
// thread (the window feeds it on the user-interface thread).

#include <cstdint>
#include <deque>
#include <string>

namespace ui {

struct RateEstimate {
    bool shown = false;          // false: show nothing yet
    double bytesPerSecond = 0;
    int secondsLeft = -1;        // -1: unknown (no total, or stalled)
};

class TransferRate {
public:
    static constexpr std::uint32_t kWindowMs = 8000;
    static constexpr std::uint32_t kFirstFigureMs = 3000;

    // What the transfer has received so far, at a tick; total 0 or less:
    // unknown. A count below the last one (a new address started over)
    // starts the estimate over.
    void add(std::uint32_t nowMs, std::int64_t received, std::int64_t total);
    // The figures at a tick: between reports (a stall) the speed falls.
    RateEstimate estimate(std::uint32_t nowMs) const;
    void reset();

private:
    struct Sample {
        std::uint32_t at;
        std::int64_t received;
    };
    std::deque<Sample> samples_;
    std::uint32_t startedAt_ = 0;
    std::int64_t total_ = 0;
};

// The bundle's texts for the figures; "{n}", "{h}" and "{m}" stand for the
// numbers.
struct RateTexts {
    std::wstring secondsLeft; // "about {n} s left"
    std::wstring minutesLeft; // "about {n} min left"
    std::wstring hoursLeft;   // "about {h} h {m} min left"
};

// "1.4 MB/s  about 3 min left"; empty when nothing is shown. Seconds in
// steps of five up to 55, then whole minutes, then hours and minutes.
std::wstring rateText(const RateEstimate& estimate, const RateTexts& texts);

} // namespace ui
