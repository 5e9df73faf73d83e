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
        if (HWND running = ::FindWindowExW(nullptr, nullptr, kInstanceKey, nullptr))
            ::PostMessageW(running, kShowRequestMessage, 0, 0);
        WRITE_LOG(L"VPDownloaderModel::popupExistPwnd exist");
        return true;
    }
    instanceMutex_ = std::move(mutex);
    WRITE_LOG(L"CCmdLine::popupExistPwnd not exist");
    return false;
}
