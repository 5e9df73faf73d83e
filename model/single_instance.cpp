#include "common/log.h"
#include "model/instance_key.h"
#include "model/vpdownloader_model.h"

#include <windows.h>

bool VPDownloaderModel::popupExistPwnd()
{
    common::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceKey));
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) mutex.reset();
    if (!mutex) {
        // Also when the mutex could not be made: two installers must not run.
        if (HWND running = ::FindWindowExW(nullptr, nullptr, kInstanceKey, nullptr)) {
            // This process was started by the user and may take the
            // foreground; the running one may only when given the right.
            DWORD runningProcess = 0;
            ::GetWindowThreadProcessId(running, &runningProcess);
            if (runningProcess && !::AllowSetForegroundWindow(runningProcess))
                WRITE_LOG(L"process %lu may not take the foreground: error %lu", runningProcess, ::GetLastError());
            ::PostMessageW(running, kShowRequestMessage, 0, 0);
        }
        WRITE_LOG(L"VPDownloaderModel::popupExistPwnd exist");
        return true;
    }
    instanceMutex_ = std::move(mutex);
    WRITE_LOG(L"CCmdLine::popupExistPwnd not exist");
    return false;
}
