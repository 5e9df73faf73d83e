#pragma once
// One worker thread with its task, wake event and stop flag. The owner
// starts it and decides how it ends.

#include "common/unique_handle.h"
#include "tasks/runable.h"

#include <windows.h>

#include <atomic>

class WorkerSlot {
public:
    WorkerSlot() = default;
    // Waits for a thread that still runs: its task must not be freed
    // under it. Owners that cannot wait call stop first.
    ~WorkerSlot();
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;

    // Takes the task over in every case. False, and the task released
    // unrun, when the slot already has a thread or none can be started.
    bool start(Runable* task);

    bool hasThread() const { return thread_.get() != nullptr; }
    // Whether the thread has ended, or there is none.
    bool wait(DWORD timeoutMs);

    // Asks the task to end and wakes it from pause.
    void requestStop();
    bool stopRequested() const { return stop_.load(); }
    void wake();
    // Worker side: sleeps up to ms unless woken; true when stop was asked.
    bool pause(DWORD ms);

    // Asks the thread to end and waits up to waitMs; a thread still running
    // then is ended forcibly. Releases thread, task and event; the slot can
    // start again. True when the thread ended by itself.
    bool stop(DWORD waitMs);
    // Releases thread, task and event once the thread has ended; false
    // (and nothing released) while it still runs.
    bool release();

private:
    // Runs the task; no exception leaves it.
    static unsigned __stdcall threadProc(void* slot);
    void releaseAll();

    Runable* task_ = nullptr;
    common::UniqueHandle thread_;
    common::UniqueHandle wakeEvent_;
    std::atomic<bool> stop_{false};
};
