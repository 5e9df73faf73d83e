// Speed and time left against recorded series of progress reports: a
// steady download, one that stalls, one with a burst, one that starts over.

#include "ui/transfer_rate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::int64_t kRate = 1000000; // bytes a second
constexpr std::int64_t kTotal = 30 * kRate;

struct Seen {
    std::uint32_t at;
    ui::RateEstimate estimate;
};

// Feeds reports (tick, received) and reads the figures each second, as the
// window's timer does.
std::vector<Seen> play(const std::vector<std::pair<std::uint32_t, std::int64_t>>& reports, std::uint32_t until,
                       std::int64_t total = kTotal)
{
    ui::TransferRate rate;
    std::vector<Seen> seen;
    std::size_t next = 0;
    // Ticks near the wrap of the counter.
    const std::uint32_t base = 0xFFFFF000u;
    for (std::uint32_t t = 0; t <= until; t += 1000) {
        while (next < reports.size() && reports[next].first <= t) {
            rate.add(base + reports[next].first, reports[next].second, total);
            ++next;
        }
        seen.push_back({t, rate.estimate(base + t)});
    }
    return seen;
}

std::vector<std::pair<std::uint32_t, std::int64_t>> steady(std::uint32_t from, std::uint32_t to)
{
    std::vector<std::pair<std::uint32_t, std::int64_t>> reports;
    for (std::uint32_t t = from; t <= to; t += 1000) reports.push_back({t, (t / 1000) * kRate});
    return reports;
}

} // namespace

TEST(TransferRateTest, SteadyDownloadShowsItsSpeedAndCountsDown)
{
    const std::vector<Seen> seen = play(steady(0, 20000), 20000);
    for (const Seen& s : seen) {
        // Nothing in the first seconds: no figure is worth showing yet.
        EXPECT_EQ(s.estimate.shown, s.at >= ui::TransferRate::kFirstFigureMs) << s.at;
        if (!s.estimate.shown) continue;
        EXPECT_NEAR(s.estimate.bytesPerSecond, kRate, 1) << s.at;
        EXPECT_EQ(s.estimate.secondsLeft, static_cast<int>(30 - s.at / 1000)) << s.at;
    }
}

TEST(TransferRateTest, StallLowersTheSpeedToNothingAndDropsTheTimeLeft)
{
    const std::vector<Seen> seen = play(steady(0, 10000), 20000);
    double last = kRate;
    for (const Seen& s : seen) {
        if (s.at <= 10000) continue;
        ASSERT_TRUE(s.estimate.shown);
        // Falls second by second as the stall fills the window, never jumps up.
        EXPECT_LE(s.estimate.bytesPerSecond, last) << s.at;
        last = s.estimate.bytesPerSecond;
    }
    EXPECT_NEAR(seen[12].estimate.bytesPerSecond, 0.75 * kRate, 1); // 6 MB over the last 8 s
    EXPECT_EQ(seen.back().estimate.bytesPerSecond, 0);
    EXPECT_EQ(seen.back().estimate.secondsLeft, -1);
    EXPECT_EQ(ui::rateText(seen.back().estimate, {}), L"0 B/s");
}

TEST(TransferRateTest, BurstMovesTheFiguresLittleAndPassesWithTheWindow)
{
    // At 10 s one report brings five seconds' worth (a proxy's buffer let go).
    auto reports = steady(0, 20000);
    for (auto& report : reports)
        if (report.first >= 10000) report.second += 4 * kRate;
    const std::vector<Seen> seen = play(reports, 20000, kTotal + 4 * kRate);
    for (const Seen& s : seen) {
        if (!s.estimate.shown) continue;
        EXPECT_GE(s.estimate.bytesPerSecond, kRate - 1) << s.at;
        EXPECT_LE(s.estimate.bytesPerSecond, 1.5 * kRate + 1) << s.at;
    }
    EXPECT_NEAR(seen[18].estimate.bytesPerSecond, kRate, 1);
}

TEST(TransferRateTest, StartingOverWaitsForANewFigureAndUnknownTotalsGiveNoTimeLeft)
{
    // A new address starts the count from nothing at 10 s.
    auto reports = steady(0, 9000);
    for (std::uint32_t t = 10000; t <= 20000; t += 1000) reports.push_back({t, (t - 10000) / 1000 * kRate / 2});
    const std::vector<Seen> seen = play(reports, 20000);
    EXPECT_TRUE(seen[9].estimate.shown);
    EXPECT_FALSE(seen[12].estimate.shown);
    EXPECT_NEAR(seen[13].estimate.bytesPerSecond, kRate / 2, 1);
    EXPECT_EQ(play(steady(0, 10000), 10000, 0).back().estimate.secondsLeft, -1);
    // A trickle shows nothing until the window has passed.
    const std::vector<Seen> trickle = play({{0, 0}, {1000, 100}, {3000, 300}, {9000, 900}}, 9000);
    EXPECT_FALSE(trickle[3].estimate.shown);
    EXPECT_TRUE(trickle[8].estimate.shown);
}

TEST(TransferRateTest, TextsRoundTheFiguresToWhatAUserReads)
{
    const ui::RateTexts texts{L"{n} s", L"{n} min", L"{h} h {m} min"};
    const std::pair<ui::RateEstimate, const wchar_t*> cases[] = {
        {{true, 512, -1}, L"512 B/s"},
        {{true, 500 * 1024, 41}, L"500 KB/s  45 s"},
        {{true, 1.44 * 1024 * 1024, 55}, L"1.4 MB/s  55 s"},
        {{true, 12.0 * 1024 * 1024, 56}, L"12.0 MB/s  1 min"},
        {{true, 1024, 3569}, L"1 KB/s  59 min"},
        {{true, 1024, 3570}, L"1 KB/s  1 h 0 min"},
        {{true, 1024, 7 * 3600 + 20 * 60}, L"1 KB/s  7 h 20 min"},
        {{false, 1024, 10}, L""},
    };
    for (const auto& c : cases) EXPECT_EQ(ui::rateText(c.first, texts), c.second) << c.first.secondsLeft;
    // A bundle text with the number more than once, or not at all.
    EXPECT_EQ(ui::rateText({true, 100, 120}, {L"", L"{n}/{n}", L""}), L"100 B/s  2/2");
    EXPECT_EQ(ui::rateText({true, 100, 120}, {L"", L"soon", L""}), L"100 B/s  soon");
}
