// The progress page's texts and bar values for the model's reports.

#include "ui/progress_texts.h"

#include "model/download_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressTextsTest, DownloadReportsGiveAmountPercentAndBar)
{
    struct Case {
        int percent, received, total;
        const wchar_t* amount;
        int bar;
    };
    const Case cases[] = {
        {45, 13107200, 300000000, L"12.50M/286.10M", 33},
        {10, 700, 300000000, L"700.00B/286.10M", 7},
        {50, 500000, 1000000, L"488.28KB/0.95M", 37},
        {0, 1023, 300000000, L"1023.00B/286.10M", 0},
        {0, 1024, 300000000, L"1.00KB/286.10M", 0},
        {0, 1048575, 300000000, L"1024.00KB/286.10M", 0},
        {0, 1048576, 300000000, L"1.00M/286.10M", 0},
        // A first report of 1 or 2 percent shows 2 on the bar, not 0 or 1.
        {1, 3000000, 300000000, L"2.86M/286.10M", 2},
        {2, 6000000, 300000000, L"5.72M/286.10M", 2},
        {3, 9000000, 300000000, L"8.58M/286.10M", 2},
        {4, 12000000, 300000000, L"11.44M/286.10M", 3},
        {100, 300000000, 300000000, L"286.10M/286.10M", 75},
        // The largest total an int report can carry still fits the text.
        {99, 2147483647, 2147483647, L"2048.00M/2048.00M", 74},
    };
    for (const Case& c : cases) {
        const ui::ProgressView view = ui::progressViewFor(c.percent, c.received, c.total);
        ASSERT_EQ(view.kind, ui::ProgressView::Kind::Download) << c.received;
        EXPECT_EQ(view.amount, c.amount) << c.received;
        EXPECT_EQ(view.bar, c.bar) << c.percent;
        EXPECT_EQ(view.percent, c.percent);
    }
}

TEST(ProgressTextsTest, EndOfADownloadShowsTheRealAmountAtFullBar)
{
    // The last block's figures, as the model keeps them, to the page's texts.
    const struct {
        int received, total;
        const wchar_t* amount;
    } cases[] = {
        {805000, 805000, L"786.13KB/0.77M"},
        {805000, -1, L"786.13KB/0.77M"}, // no length announced
        {13107200, 300000000, L"12.50M/286.10M"}, // a body shorter than announced
        {300000000, 300000000, L"286.10M/286.10M"},
        {700, -1, L"700.00B/0.00M"},
    };
    for (const auto& c : cases) {
        const download_rules::Amount end = download_rules::finishedAmount(c.received, c.total);
        const ui::ProgressView view = ui::progressViewFor(100, end.received, end.total);
        ASSERT_EQ(view.kind, ui::ProgressView::Kind::Download) << c.received;
        EXPECT_EQ(view.amount, c.amount) << c.received;
        EXPECT_EQ(view.percent, 100);
        EXPECT_EQ(view.bar, 75);
    }
}

TEST(ProgressTextsTest, VersionWaitAndEmptyReports)
{
    EXPECT_EQ(ui::progressViewFor(-1, 0, 0).kind, ui::ProgressView::Kind::VersionPending);
    EXPECT_EQ(ui::progressViewFor(-1, 5000, 10000).kind, ui::ProgressView::Kind::VersionPending);
    EXPECT_EQ(ui::progressViewFor(30, 0, 300000000).kind, ui::ProgressView::Kind::Unchanged);
    EXPECT_EQ(ui::progressViewFor(30, 5000, 0).kind, ui::ProgressView::Kind::Unchanged);
    EXPECT_EQ(ui::progressViewFor(0, 0, 0).kind, ui::ProgressView::Kind::Unchanged);
}

TEST(ProgressTextsTest, StatusLineEndsInPercentAndBracket)
{
    EXPECT_EQ(ui::downloadStatusText(L"\x6B63\x5728\x4E0B\x8F7D(", 45), L"\x6B63\x5728\x4E0B\x8F7D(45%)");
    EXPECT_EQ(ui::downloadStatusText(L"Label_downloading", 0), L"Label_downloading0%)");
}

TEST(ProgressTextsTest, InstallCreepClimbsFrom75To97AndStays)
{
    int step = 0;
    std::vector<int> seen;
    for (int i = 0; i < 30; ++i) seen.push_back(ui::nextCreepValue(step));
    EXPECT_EQ(seen.front(), 75);
    for (int i = 1; i < 23; ++i) EXPECT_EQ(seen[i], seen[i - 1] + 1) << i;
    // The 23rd step reaches 97; later steps stay there.
    EXPECT_EQ(seen[22], 97);
    for (int i = 23; i < 30; ++i) EXPECT_EQ(seen[i], 97) << i;
    // A restart begins at 75 again.
    step = 0;
    EXPECT_EQ(ui::nextCreepValue(step), 75);
}

TEST(ProgressTextsTest, FinishedInstallationShows99OnlyOnSuccess)
{
    EXPECT_EQ(ui::finishedBarValue(true), 99);
    EXPECT_EQ(ui::finishedBarValue(false), -1);
}

} // namespace
