#include "tasks/ui_task_dispatcher.h"

#include "common/log.h"

#include <atomic>

namespace {

std::atomic<UiTaskDispatcher*> g_dispatcher{nullptr};
constexpr wchar_t kWindowClass[] = L"KolvexTaskDispatcher";

class LockGuard {
public:
    explicit LockGuard(CRITICAL_SECTION& lock) : lock_(lock) { ::EnterCriticalSection(&lock_); }
    ~LockGuard() { ::LeaveCriticalSection(&lock_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

} // namespace

UiTaskDispatcher* UiTaskDispatcher::create()
{
    UiTaskDispatcher* dispatcher = g_dispatcher.load();
    if (!dispatcher) {
        // Lives until the process ends.
        dispatcher = new UiTaskDispatcher();
        g_dispatcher.store(dispatcher);
    }
    return dispatcher;
}

UiTaskDispatcher* UiTaskDispatcher::instance() { return g_dispatcher.load(); }

UiTaskDispatcher::UiTaskDispatcher()
{
    ::InitializeCriticalSection(&lock_);
    // A class of its own: a system control class would load the visual
    // styles' machinery before the first window is shown.
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &UiTaskDispatcher::windowProc;
    wc.hInstance = module;
    wc.lpszClassName = kWindowClass;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        WRITE_LOG(L"dispatch window class not registered: error = %d.", static_cast<int>(::GetLastError()));
        return;
    }
    window_ = ::CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
    if (!window_) {
        WRITE_LOG(L"create dispatch window failed! error = %d.", static_cast<int>(::GetLastError()));
        return;
    }
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

UiTaskDispatcher::~UiTaskDispatcher()
{
    if (window_) {
        for (auto& entry : timerTasks_) {
            ::KillTimer(window_, entry.first);
            entry.second->dispose();
        }
        timerTasks_.clear();
        // Queued tasks belong to us until dispatched: release them unrun.
        MSG msg;
        while (::PeekMessageW(&msg, window_, kDispatchMessage, kDispatchMessage, PM_REMOVE))
            if (Runable* task = reinterpret_cast<Runable*>(msg.lParam)) task->dispose();
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
    ::DeleteCriticalSection(&lock_);
}

void UiTaskDispatcher::post(OwnerKey owner, Runable* task)
{
    if (!task) return;
    {
        LockGuard guard(lock_);
        auto it = pending_.find(owner);
        if (it == pending_.end()) pending_.emplace(owner, 1);
        else if (it->second >= 0) ++it->second;
    }
    if (window_ && ::PostMessageW(window_, kDispatchMessage, static_cast<WPARAM>(owner), reinterpret_cast<LPARAM>(task)))
        return;
    // The message never arrives: undo the count and do not leak the task.
    WRITE_LOG(L"post task failed! error = %d.", static_cast<int>(::GetLastError()));
    {
        LockGuard guard(lock_);
        auto it = pending_.find(owner);
        if (it != pending_.end() && it->second > 0) --it->second;
    }
    task->dispose();
}

void UiTaskDispatcher::cancelOwner(OwnerKey owner)
{
    LockGuard guard(lock_);
    auto it = pending_.find(owner);
    if (it != pending_.end()) it->second = -1;
    else pending_.emplace(owner, -1); // tasks posted later are dropped too
}

UINT_PTR UiTaskDispatcher::startTimerTask(Runable* task, UINT periodMs)
{
    if (!task) return 0;
    const UINT_PTR id = ++lastTimerId_;
    if (!window_ || !::SetTimer(window_, id, periodMs, nullptr)) {
        WRITE_LOG(L"set timer failed! error = %d.", static_cast<int>(::GetLastError()));
        task->dispose();
        return 0;
    }
    timerTasks_[id] = task;
    return id;
}

void UiTaskDispatcher::killTimerTask(UINT_PTR timerId)
{
    auto it = timerTasks_.find(timerId);
    if (it == timerTasks_.end()) return;
    Runable* task = it->second;
    timerTasks_.erase(it);
    ::KillTimer(window_, timerId);
    // A task that stops its own timer is still on the stack: release it
    // once its run has returned.
    if (timerId == runningTimer_) killedWhileRunning_ = task;
    else task->dispose();
}

LRESULT CALLBACK UiTaskDispatcher::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<UiTaskDispatcher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == kDispatchMessage) {
        self->dispatch(static_cast<OwnerKey>(wParam), reinterpret_cast<Runable*>(lParam));
        return 0;
    }
    if (self && message == WM_TIMER) {
        self->runTimer(wParam);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void UiTaskDispatcher::dispatch(OwnerKey owner, Runable* task)
{
    if (!task) return;
    bool runIt = false;
    {
        LockGuard guard(lock_);
        auto it = pending_.find(owner);
        if (it != pending_.end() && it->second >= 0) {
            // Never let a stray message turn a count of 0 into the cancel mark.
            if (it->second > 0) --it->second;
            runIt = true;
        }
    }
    if (runIt) task->run();
    task->dispose();
}

void UiTaskDispatcher::runTimer(UINT_PTR timerId)
{
    auto it = timerTasks_.find(timerId);
    if (it == timerTasks_.end()) return;
    // Timer tasks of one thread never nest, except through a nested message
    // loop inside run; keep the outer record then.
    const UINT_PTR outerTimer = runningTimer_;
    Runable* const outerKilled = killedWhileRunning_;
    runningTimer_ = timerId;
    killedWhileRunning_ = nullptr;
    it->second->run();
    if (killedWhileRunning_) killedWhileRunning_->dispose();
    runningTimer_ = outerTimer;
    killedWhileRunning_ = outerKilled;
}
