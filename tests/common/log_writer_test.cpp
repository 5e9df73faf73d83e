#include "common/log_writer.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

using testing_support::readFile;
using testing_support::scratchFolder;

TEST(LogWriterTest, LinesBeyondTheThresholdAreDroppedNotBlocked)
{
    const std::wstring path = scratchFolder() + L"queue.log";
    common::LogWriter writer(path); // not started: nothing drains the queue
    const std::string line(100, 'q');
    int accepted = 0;
    int dropped = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) (writer.enqueue(line.data(), line.size()) ? accepted : dropped)++;
    const auto spent = std::chrono::steady_clock::now() - begin;
    // Lines are taken while no more than 4096 bytes are pending.
    EXPECT_EQ(accepted, 41);
    EXPECT_EQ(dropped, 159);
    EXPECT_EQ(writer.pendingBytes(), 4100u);
    EXPECT_LT(spent, std::chrono::seconds(1));

    writer.start();
    writer.stop();
    EXPECT_EQ(readFile(path).size(), 4100u);
}

TEST(LogWriterTest, PendingLinesReachTheFileWithinAboutHalfASecond)
{
    const std::wstring path = scratchFolder() + L"timer.log";
    common::LogWriter writer(path);
    writer.start();
    writer.enqueue("tick\r\n", 6);
    std::string content;
    for (int i = 0; i < 40 && content.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        content = readFile(path);
    }
    EXPECT_EQ(content, "tick\r\n");
    writer.stop();
}

TEST(LogWriterTest, LinesFromTwoThreadsStayWholeAndInOrder)
{
    const std::wstring path = scratchFolder() + L"threads.log";
    common::LogWriter writer(path);
    writer.start();
    constexpr int kLines = 400;
    auto produce = [&writer](char tag) {
        for (int i = 0; i < kLines; ++i) {
            std::ostringstream line;
            line << tag << ' ' << i << ' ' << std::string(40, tag) << "\r\n";
            const std::string s = line.str();
            // Retry dropped lines so that every one must arrive.
            while (!writer.enqueue(s.data(), s.size())) std::this_thread::yield();
        }
    };
    std::thread a(produce, 'A');
    std::thread b(produce, 'B');
    a.join();
    b.join();
    writer.stop();

    std::istringstream in(readFile(path));
    std::string line;
    int next[2] = {0, 0};
    while (std::getline(in, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        const char tag = line[0];
        ASSERT_TRUE(tag == 'A' || tag == 'B') << line;
        std::istringstream fields(line);
        char t = 0;
        int n = -1;
        std::string rest;
        fields >> t >> n >> rest;
        EXPECT_EQ(n, next[tag - 'A']) << "out of order: " << line;
        EXPECT_EQ(rest, std::string(40, tag)) << "torn line: " << line;
        next[tag - 'A'] = n + 1;
    }
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
}

TEST(LogWriterTest, StopWritesWhatIsPendingAndLaterStopsAreHarmless)
{
    const std::wstring path = scratchFolder() + L"stop.log";
    common::LogWriter writer(path);
    writer.start();
    writer.enqueue("one\r\n", 5);
    writer.enqueue("two\r\n", 5);
    writer.stop();
    EXPECT_EQ(readFile(path), "one\r\ntwo\r\n");
    writer.stop();
    writer.start(); // a stopped writer does not start again
    writer.enqueue("three\r\n", 7);
    Sleep(700);
    EXPECT_EQ(readFile(path), "one\r\ntwo\r\n");
}

TEST(LogWriterTest, APathSourceIsAskedOnTheWritersThreadAndLinesQueuedMeanwhileArrive)
{
    const std::wstring path = scratchFolder() + L"source.log";
    const DWORD caller = ::GetCurrentThreadId();
    DWORD asker = caller;
    int asked = 0;
    {
        common::LogWriter writer([&] {
            asker = ::GetCurrentThreadId();
            ++asked;
            return path;
        });
        // Queued before the writer knows its file.
        writer.enqueue("early\r\n", 7);
        writer.start();
        writer.enqueue("later\r\n", 7);
        writer.stop();
    }
    EXPECT_EQ(asked, 1);
    EXPECT_NE(asker, caller);
    EXPECT_EQ(readFile(path), "early\r\nlater\r\n");
}
