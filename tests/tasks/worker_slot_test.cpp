#include "tasks/runable.h"
#include "tasks/worker_slot.h"

#include "log_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>

namespace {

struct Counts {
    std::atomic<int> runs{0};
    std::atomic<int> disposed{0};
    std::atomic<DWORD> thread{0};
};

// Runs body on the worker; counts its run and its release.
template <class F>
class CountingTask : public Runable {
public:
    CountingTask(Counts& counts, F body) : counts_(counts), body_(body) {}
    void run() override
    {
        counts_.thread = ::GetCurrentThreadId();
        ++counts_.runs;
        body_();
    }
    void dispose() override
    {
        ++counts_.disposed;
        Runable::dispose();
    }

private:
    Counts& counts_;
    F body_;
};

template <class F>
Runable* countingTask(Counts& counts, F body)
{
    return new CountingTask<F>(counts, body);
}

struct Downloader {
    std::atomic<int> calls{0};
    void work() { ++calls; }
};

} // namespace

TEST(WorkerSlotTest, RunsTheTaskOnItsOwnThreadAndKeepsItUntilReleased)
{
    WorkerSlot slot;
    Counts counts;
    EXPECT_FALSE(slot.hasThread());
    ASSERT_TRUE(slot.start(countingTask(counts, [] {})));
    EXPECT_TRUE(slot.hasThread());
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_EQ(counts.runs, 1);
    EXPECT_NE(counts.thread.load(), ::GetCurrentThreadId());
    EXPECT_EQ(counts.disposed, 0) << "the thread must not release its task";

    EXPECT_TRUE(slot.release());
    EXPECT_EQ(counts.disposed, 1);
    EXPECT_FALSE(slot.hasThread());

    // A released slot starts again, here with a member-function task.
    Downloader downloader;
    ASSERT_TRUE(slot.start(makeMemberFuncRunable(&downloader, &Downloader::work)));
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_EQ(downloader.calls, 1);
}

TEST(WorkerSlotTest, StartWhileAThreadExistsIsRefusedAndTheRefusedTaskIsReleasedUnrun)
{
    WorkerSlot slot;
    Counts first;
    Counts second;
    ASSERT_TRUE(slot.start(countingTask(first, [&slot] {
        for (int i = 0; i < 1000 && !slot.pause(10);) ++i; // until asked to stop, at most ~10 s
    })));
    EXPECT_FALSE(slot.start(countingTask(second, [] {})));
    EXPECT_EQ(second.runs, 0);
    EXPECT_EQ(second.disposed, 1);

    EXPECT_FALSE(slot.release()) << "released under a running thread";
    EXPECT_EQ(first.disposed, 0);

    EXPECT_TRUE(slot.stop(5000));
    EXPECT_EQ(first.runs, 1);
    EXPECT_EQ(first.disposed, 1);
    EXPECT_FALSE(slot.hasThread());
}

TEST(WorkerSlotTest, PauseReturnsAtOnceWhenStopIsRequested)
{
    WorkerSlot slot;
    Counts counts;
    std::atomic<bool> stoppedByFlag{false};
    std::atomic<DWORD> pausedMs{0};
    ASSERT_TRUE(slot.start(countingTask(counts, [&] {
        const DWORD start = ::GetTickCount();
        stoppedByFlag = slot.pause(30000);
        pausedMs = ::GetTickCount() - start;
    })));
    ::Sleep(50);
    slot.requestStop();
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_TRUE(stoppedByFlag);
    EXPECT_LT(pausedMs.load(), 5000u);
}

TEST(WorkerSlotTest, StopEndsAThreadThatIgnoresTheFlagAfterItsWait)
{
    WorkerSlot slot;
    Counts counts;
    ASSERT_TRUE(slot.start(countingTask(counts, [] {
        for (int i = 0; i < 2000; ++i) ::Sleep(10); // ignores the stop flag
    })));
    ::Sleep(20);
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(slot.stop(100));
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_EQ(counts.disposed, 1);
    EXPECT_FALSE(slot.hasThread());
}

TEST(WorkerSlotTest, DestroyingASlotWaitsForItsThreadBeforeReleasingTheTask)
{
    Counts counts;
    std::atomic<bool> finished{false};
    {
        WorkerSlot slot;
        ASSERT_TRUE(slot.start(countingTask(counts, [&] {
            ::Sleep(100);
            finished = true;
        })));
    }
    EXPECT_TRUE(finished);
    EXPECT_EQ(counts.disposed, 1);
}

// Whatever a task throws ends only its own thread: the process lives on,
// the slot sees its thread end, and the log says why, once per thread.
TEST(WorkerSlotTest, AnExceptionThrownByTheTaskEndsOnlyItsThreadAndIsLogged)
{
    testing_support::LogCapture log;
    WorkerSlot slot;
    Counts counts;
    ASSERT_TRUE(slot.start(countingTask(counts, [] { throw std::runtime_error("answer parse"); })));
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_TRUE(slot.release());
    EXPECT_EQ(counts.runs, 1);
    EXPECT_EQ(counts.disposed, 1);
    const DWORD first = counts.thread;

    ASSERT_TRUE(slot.start(countingTask(counts, [] { throw std::bad_alloc(); })));
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_TRUE(slot.release());
    const DWORD second = counts.thread;
    ASSERT_TRUE(slot.start(countingTask(counts, [] { throw 42; })));
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_TRUE(slot.release());
    EXPECT_EQ(counts.runs, 3);
    Counts after;
    ASSERT_TRUE(slot.start(countingTask(after, [] {})));
    ASSERT_TRUE(slot.wait(5000));
    EXPECT_EQ(after.runs, 1) << "the slot keeps working";

    const auto linesOf = [&log](DWORD thread) {
        return log.linesOf("WorkerSlot::threadProc", thread);
    };
    std::vector<testing_support::LogEntry> lines;
    ASSERT_TRUE(testing_support::waitUntil([&] { return !(lines = linesOf(first)).empty(); }, 3000));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message, "worker task ended by an exception: answer parse");
    ASSERT_TRUE(testing_support::waitUntil([&] { return !(lines = linesOf(second)).empty(); }, 3000));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].message.rfind("worker task ended by an exception: ", 0), 0u);
}
