#include "ui/game_page.h"

#include <gtest/gtest.h>

TEST(GamePageTest, DownloadLabelAndBarFollowTheAmounts)
{
    const struct {
        int index;
        std::size_t count;
        std::int64_t received;
        std::int64_t total;
        const wchar_t* label;
        int bar;
    } cases[] = {
        {1, 1, 900000, 10000000, L"正在下载Game\uFF1A878KB / 9M (<c #268fd6>9%</c>)", 9},
        {1, 2, 12 * 1048576 + 5, 80 * 1048576, L"正在下载Game (1/2)\uFF1A12M / 80M (<c #268fd6>15%</c>)", 15},
        {2, 2, 1048576, 1048576, L"正在下载Game (2/2)\uFF1A1M / 1M (<c #268fd6>100%</c>)", 99},
        {1, 1, 15000, 1000000, L"正在下载Game\uFF1A14KB / 0M (<c #268fd6>1%</c>)", 3},
        {1, 1, 25000, 1000000, L"正在下载Game\uFF1A24KB / 0M (<c #268fd6>2%</c>)", 3},
        {1, 1, 0, 1000000, L"正在下载Game\uFF1A0KB / 0M (<c #268fd6>0%</c>)", 0},
        // No length announced, or a hostile one: no division, nothing absurd shown.
        {1, 1, 5000, -1, L"正在下载Game\uFF1A4KB / 0M (<c #268fd6>0%</c>)", 0},
        {1, 1, 5000, 0, L"正在下载Game\uFF1A4KB / 0M (<c #268fd6>0%</c>)", 0},
        {1, 1, 3000000000LL, 2000000000LL, L"正在下载Game\uFF1A2861M / 1907M (<c #268fd6>150%</c>)", 99},
    };
    for (const auto& c : cases) {
        const ui::PackageProgressView v = ui::packageDownloadProgress(L"正在下载", L"Game", c.index, c.count, c.received, c.total);
        EXPECT_EQ(v.label, c.label);
        EXPECT_EQ(v.bar, c.bar) << c.received;
    }
}

TEST(GamePageTest, ProgressIsForwardedOnceASecondAndAtTheEnd)
{
    EXPECT_TRUE(ui::packageProgressDue(5000, 0, 10, 100)) << "the first report";
    EXPECT_FALSE(ui::packageProgressDue(5999, 5000, 10, 100));
    EXPECT_TRUE(ui::packageProgressDue(6000, 5000, 10, 100));
    EXPECT_TRUE(ui::packageProgressDue(5001, 5000, 100, 100)) << "the completing report always";
    EXPECT_FALSE(ui::packageProgressDue(700, 0xFFFFFF00u, 10, 100)) << "956 ms across the wrap";
    EXPECT_TRUE(ui::packageProgressDue(800, 0xFFFFFF00u, 10, 100)) << "1056 ms across the wrap";
    EXPECT_FALSE(ui::packageProgressDue(5001, 5000, 10, -1));
}

TEST(GamePageTest, InstallBarStartsAtThreeAndStopsAtNinetyEight)
{
    int counter = 0;
    std::vector<int> values;
    bool stopped = false;
    for (int tick = 0; tick < 200 && !stopped; ++tick) {
        const ui::InstallBarStep step = ui::packageInstallBarStep(counter);
        values.push_back(step.value);
        stopped = step.stop;
    }
    ASSERT_TRUE(stopped);
    EXPECT_EQ(values.front(), 3);
    EXPECT_EQ(values[1], 4);
    EXPECT_EQ(values.back(), 98);
    EXPECT_EQ(values.size(), 96u) << "3, 4, ... 98: about 48 s at 500 ms";
    // The counter lives for the process: a later tick stays at the end.
    EXPECT_EQ(ui::packageInstallBarStep(counter).value, 98);
}
