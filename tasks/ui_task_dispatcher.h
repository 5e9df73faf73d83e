#pragma once
// Carries tasks from any thread to the user-interface thread through a
// hidden message-only window, drops the queued tasks of owners that are
// going away, and runs periodic timer tasks.

#include "tasks/runable.h"

#include <windows.h>

#include <cstdint>
#include <map>

// Identifies the object on whose behalf tasks are posted: the address of
// one of its members.
using OwnerKey = std::uintptr_t;

inline OwnerKey ownerKeyOf(const void* member) { return reinterpret_cast<OwnerKey>(member); }

constexpr UINT kDispatchMessage = 8888;

class UiTaskDispatcher {
public:
    // Creates the process-wide dispatcher on the calling thread, which
    // becomes the thread its tasks run on; later calls return the same one.
    static UiTaskDispatcher* create();
    // The process-wide dispatcher, or null before create.
    static UiTaskDispatcher* instance();

    // A dispatcher of its own for the calling thread (tests). Tasks still
    // queued for it are released when it is destroyed.
    UiTaskDispatcher();
    ~UiTaskDispatcher();
    UiTaskDispatcher(const UiTaskDispatcher&) = delete;
    UiTaskDispatcher& operator=(const UiTaskDispatcher&) = delete;

    bool valid() const { return window_ != nullptr; }

    // Any thread. Takes the task over: it runs once on the dispatcher's
    // thread, or is released without running if its owner is cancelled.
    void post(OwnerKey owner, Runable* task);
    // Dispatcher's thread. Every task of the owner, queued or later, is
    // released without running.
    void cancelOwner(OwnerKey owner);

    // Dispatcher's thread. Runs the task every period until killed; returns
    // the timer id, or 0 when no timer could be set (the task is released).
    UINT_PTR startTimerTask(Runable* task, UINT periodMs);
    // Dispatcher's thread. Stops the timer and releases its task; unknown
    // ids are ignored. A timer task may kill its own timer while it runs.
    void killTimerTask(UINT_PTR timerId);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void dispatch(OwnerKey owner, Runable* task);
    void runTimer(UINT_PTR timerId);

    HWND window_ = nullptr;
    CRITICAL_SECTION lock_;
    // Owner key -> tasks posted but not yet dispatched; -1 marks a
    // cancelled owner. Entries are never removed.
    std::map<OwnerKey, long> pending_;
    std::map<UINT_PTR, Runable*> timerTasks_;
    UINT_PTR lastTimerId_ = 0;
    // The timer task being run, and whether it was killed meanwhile.
    UINT_PTR runningTimer_ = 0;
    Runable* killedWhileRunning_ = nullptr;
};
