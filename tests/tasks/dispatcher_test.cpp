// Tasks carried to the test thread, which owns the dispatcher and pumps
// its messages.

#include "message_pump.h"
#include "tasks/runable.h"
#include "tasks/ui_task_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using testing_support::pumpFor;
using testing_support::pumpUntil;

namespace {

struct Journal {
    std::vector<int> ran; // touched on the dispatcher's thread only
    std::vector<DWORD> threads;
    std::atomic<int> disposed{0};
};

class ProbeTask : public Runable {
public:
    ProbeTask(Journal& journal, int id) : journal_(journal), id_(id) {}
    void run() override
    {
        journal_.ran.push_back(id_);
        journal_.threads.push_back(::GetCurrentThreadId());
    }
    void dispose() override
    {
        ++journal_.disposed;
        Runable::dispose();
    }

private:
    Journal& journal_;
    int id_;
};

int keyA, keyB; // their addresses serve as owner keys

} // namespace

TEST(UiTaskDispatcherTest, TasksRunOnceOnItsThreadInPostingOrderAcrossThreads)
{
    UiTaskDispatcher dispatcher;
    ASSERT_TRUE(dispatcher.valid());
    Journal journal;
    for (int i = 1; i <= 5; ++i) dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, i));
    std::thread worker([&] {
        for (int i = 6; i <= 10; ++i) dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, i));
    });
    worker.join();
    dispatcher.post(ownerKeyOf(&keyB), new ProbeTask(journal, 11));

    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == 11; }, 5000));
    pumpFor(50);
    EXPECT_EQ(journal.ran, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    for (DWORD thread : journal.threads) EXPECT_EQ(thread, ::GetCurrentThreadId());
    EXPECT_EQ(journal.disposed, 11);
}

TEST(UiTaskDispatcherTest, ConcurrentPostersEachKeepTheirOrderAndEveryTaskRunsOnce)
{
    UiTaskDispatcher dispatcher;
    Journal journal;
    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, t * 1000 + i));
        });
    // Dispatch while they post.
    pumpUntil([&] { return journal.disposed == kThreads * kEach; }, 5000);
    for (std::thread& poster : posters) poster.join();
    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == kThreads * kEach; }, 5000));

    ASSERT_EQ(journal.ran.size(), static_cast<std::size_t>(kThreads * kEach));
    std::vector<int> next(kThreads, 0);
    for (int id : journal.ran) {
        const int t = id / 1000;
        EXPECT_EQ(id % 1000, next[t]) << "poster " << t << " out of order";
        next[t] = id % 1000 + 1;
    }
}

TEST(UiTaskDispatcherTest, CancelledOwnerDropsQueuedAndLaterTasksAndReleasesThem)
{
    UiTaskDispatcher dispatcher;
    Journal journal;
    dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 1));
    dispatcher.post(ownerKeyOf(&keyB), new ProbeTask(journal, 2));
    dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 3));
    dispatcher.cancelOwner(ownerKeyOf(&keyA));
    dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 4));

    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == 4; }, 5000));
    EXPECT_EQ(journal.ran, std::vector<int>{2});

    // Stays cancelled; the other owner goes on.
    dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 5));
    dispatcher.post(ownerKeyOf(&keyB), new ProbeTask(journal, 6));
    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == 6; }, 5000));
    EXPECT_EQ(journal.ran, (std::vector<int>{2, 6}));
}

TEST(UiTaskDispatcherTest, OwnerCancelledBeforeItEverPostedGetsNothingRun)
{
    UiTaskDispatcher dispatcher;
    Journal journal;
    dispatcher.cancelOwner(ownerKeyOf(&keyA));
    dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 1));
    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == 1; }, 5000));
    EXPECT_TRUE(journal.ran.empty());
}

TEST(UiTaskDispatcherTest, TaskPostedByAWorkerAndStillQueuedWhenItsOwnerIsCancelledNeverRuns)
{
    UiTaskDispatcher dispatcher;
    Journal journal;
    std::thread worker([&] { dispatcher.post(ownerKeyOf(&keyB), new ProbeTask(journal, 1)); });
    worker.join(); // queued, not yet dispatched: nobody pumped
    dispatcher.cancelOwner(ownerKeyOf(&keyB));
    ASSERT_TRUE(pumpUntil([&] { return journal.disposed == 1; }, 5000));
    EXPECT_TRUE(journal.ran.empty());
}

TEST(UiTaskDispatcherTest, FunctionTaskMayPostFurtherTasksAndReleasesWhatItCaptured)
{
    UiTaskDispatcher dispatcher;
    std::vector<int> ran;
    auto captured = std::make_shared<int>(7);
    dispatcher.post(ownerKeyOf(&keyA), makeFunctionRunable([&dispatcher, &ran, captured] {
                        ran.push_back(*captured);
                        dispatcher.post(ownerKeyOf(&keyA), makeFunctionRunable([&ran] { ran.push_back(8); }));
                    }));
    ASSERT_TRUE(pumpUntil([&] { return ran.size() == 2; }, 5000));
    EXPECT_EQ(ran, (std::vector<int>{7, 8}));
    EXPECT_EQ(captured.use_count(), 1) << "the task's copy was not released";
}

TEST(UiTaskDispatcherTest, TimerTaskRepeatsUntilKilledAndKillingUnknownOrDeadIdsIsHarmless)
{
    UiTaskDispatcher dispatcher;
    Journal journal;
    dispatcher.killTimerTask(424242); // never handed out

    const UINT_PTR id = dispatcher.startTimerTask(new ProbeTask(journal, 1), 10);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(pumpUntil([&] { return journal.ran.size() >= 3; }, 5000));
    EXPECT_EQ(journal.disposed, 0) << "a timer task stays stored between runs";

    dispatcher.killTimerTask(id);
    EXPECT_EQ(journal.disposed, 1);
    const std::size_t runs = journal.ran.size();
    pumpFor(100);
    EXPECT_EQ(journal.ran.size(), runs);

    dispatcher.killTimerTask(id);
    EXPECT_EQ(journal.disposed, 1);

    const UINT_PTR second = dispatcher.startTimerTask(new ProbeTask(journal, 2), 10);
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, id);
    dispatcher.killTimerTask(second);
    EXPECT_EQ(journal.disposed, 2);
}

TEST(UiTaskDispatcherTest, TimerTaskMayKillItsOwnTimerWhileRunning)
{
    // Tells when the task's captured copy is destroyed.
    struct ReleaseFlag {
        bool* released;
        ReleaseFlag(const ReleaseFlag& other) : released(other.released) {}
        explicit ReleaseFlag(bool* flag) : released(flag) {}
        ~ReleaseFlag() { *released = true; }
    };
    UiTaskDispatcher dispatcher;
    bool released = false;
    bool releasedInsideRun = false;
    int runs = 0;
    UINT_PTR id = 0;
    {
        ReleaseFlag flag(&released);
        id = dispatcher.startTimerTask(makeFunctionRunable([&dispatcher, &runs, &id, &releasedInsideRun, flag] {
                                           ++runs;
                                           if (runs != 2) return;
                                           dispatcher.killTimerTask(id);
                                           releasedInsideRun = *flag.released;
                                       }),
                                       10);
    }
    released = false; // the temporaries above have gone
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(pumpUntil([&] { return released; }, 5000));
    pumpFor(100);
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(releasedInsideRun) << "the running task was freed under itself";
}

TEST(UiTaskDispatcherTest, DestroyedDispatcherReleasesQueuedAndTimerTasksUnrun)
{
    Journal journal;
    {
        UiTaskDispatcher dispatcher;
        dispatcher.post(ownerKeyOf(&keyA), new ProbeTask(journal, 1));
        dispatcher.post(ownerKeyOf(&keyB), new ProbeTask(journal, 2));
        EXPECT_NE(dispatcher.startTimerTask(new ProbeTask(journal, 3), 100000), 0u);
    }
    EXPECT_EQ(journal.disposed, 3);
    EXPECT_TRUE(journal.ran.empty());
}

TEST(UiTaskDispatcherTest, ProcessWideDispatcherIsCreatedOnce)
{
    UiTaskDispatcher* first = UiTaskDispatcher::create();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(UiTaskDispatcher::create(), first);
    EXPECT_EQ(UiTaskDispatcher::instance(), first);
    EXPECT_TRUE(first->valid());
}
