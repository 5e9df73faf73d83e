#include "app/tasks/worker_slot.h"

#include "common/log.h"

#include <process.h>

WorkerSlot::~WorkerSlot()
{
    if (hasThread() && !wait(0)) {
        requestStop();
        wait(INFINITE);
    }
    releaseAll();
}

bool WorkerSlot::start(Runable* task)
{
    if (!task) return false;
    if (hasThread()) {
        task->dispose();
        return false;
    }
    stop_.store(false);
    wakeEvent_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    task_ = task;
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &WorkerSlot::threadProc, this, 0, nullptr);
    if (thread == 0) {
        WRITE_LOG(L"start worker thread failed! errno = %d.", errno);
        releaseAll();
        return false;
    }
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    return true;
}

unsigned __stdcall WorkerSlot::threadProc(void* slot)
{
    static_cast<WorkerSlot*>(slot)->task_->run();
    return 0;
}

bool WorkerSlot::wait(DWORD timeoutMs)
{
    if (!hasThread()) return true;
    return ::WaitForSingleObject(thread_.get(), timeoutMs) == WAIT_OBJECT_0;
}

void WorkerSlot::requestStop()
{
    stop_.store(true);
    wake();
}

void WorkerSlot::wake()
{
    if (wakeEvent_) ::SetEvent(wakeEvent_.get());
}

bool WorkerSlot::pause(DWORD ms)
{
    if (stop_.load()) return true;
    if (wakeEvent_) ::WaitForSingleObject(wakeEvent_.get(), ms);
    else ::Sleep(ms);
    return stop_.load();
}

bool WorkerSlot::stop(DWORD waitMs)
{
    if (!hasThread()) {
        releaseAll();
        return true;
    }
    requestStop();
    const bool ended = wait(waitMs);
    if (!ended) {
        WRITE_LOG(L"worker did not end within %d ms, terminating it.", static_cast<int>(waitMs));
        ::TerminateThread(thread_.get(), 1);
        ::WaitForSingleObject(thread_.get(), INFINITE);
    }
    releaseAll();
    return ended;
}

bool WorkerSlot::release()
{
    if (!wait(0)) return false;
    releaseAll();
    return true;
}

void WorkerSlot::releaseAll()
{
    thread_.reset();
    wakeEvent_.reset();
    if (task_) task_->dispose();
    task_ = nullptr;
}
