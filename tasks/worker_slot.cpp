#include "tasks/worker_slot.h"

#include "common/log.h"

#include <process.h>

#include <exception>
#include <string>

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

namespace {

// Exception texts are narrow and of unknown code page: only ASCII is kept.
std::wstring asciiText(const char* text)
{
    std::wstring out;
    for (const char* p = text; p && *p && out.size() < 200; ++p)
        out.push_back(static_cast<unsigned char>(*p) < 0x80 ? static_cast<wchar_t>(*p) : L'?');
    return out;
}

} // namespace

unsigned __stdcall WorkerSlot::threadProc(void* slot)
{
    // The last line of defence: an exception must end only this thread,
    // never the process. The owner sees an ended thread as usual.
    const wchar_t* kind = nullptr;
    std::wstring what;
    try {
        static_cast<WorkerSlot*>(slot)->task_->run();
        return 0;
    } catch (const std::exception& e) {
        try {
            what = asciiText(e.what());
        } catch (...) {
        }
        kind = what.c_str();
    } catch (...) {
        kind = L"unknown";
    }
    try {
        WRITE_LOG(L"worker task ended by an exception: %s", kind);
    } catch (...) {
    }
    return 1;
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
