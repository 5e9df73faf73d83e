#include "utility/process.h"

#include "common/log.h"
#include "utility/system.h"

#include <windows.h>
#include <shellapi.h>

namespace utility {
namespace process {

std::wstring commandLine(const std::wstring& file, const std::wstring& params)
{
    std::wstring line = L"\"" + file + L"\"";
    if (!params.empty()) line += L" " + params;
    return line;
}

const wchar_t* shellVerb(unsigned long majorVersion) { return majorVersion < 6 ? L"open" : L"runas"; }

bool shell(const std::wstring& file, const std::wstring& params)
{
    WRITE_LOG(L"shell filename = [%s], param = [%s], runas = %d, show = %d", file.c_str(), params.c_str(), 1, 0);
    const wchar_t* verb = shellVerb(usystem::osMajorVersion());
    const HINSTANCE result = ::ShellExecuteW(nullptr, verb, file.c_str(), params.c_str(), nullptr, SW_HIDE);
    if (reinterpret_cast<INT_PTR>(result) > 32) return true;
    WRITE_LOG(L"shellEx failed!!! lastError = %d", static_cast<int>(::GetLastError()));
    return false;
}

common::UniqueHandle create(const std::wstring& file, const std::wstring& params)
{
    WRITE_LOG(L"createProcess filename = [%s], param = [%s], show = %d", file.c_str(), params.c_str(), 0);
    std::wstring line = commandLine(file, params); // CreateProcessW may write into it
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                          &info)) {
        WRITE_LOG(L"createProcess failed!!! lastError = %d", static_cast<int>(::GetLastError()));
        return common::UniqueHandle();
    }
    common::UniqueHandle thread(info.hThread);
    return common::UniqueHandle(info.hProcess);
}

bool execute(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs, RunEnd* end)
{
    WRITE_LOG(L"execute filename = [%s], param = [%s], show = %d, timeout = %d", file.c_str(), params.c_str(), 0,
              static_cast<int>(timeoutMs));
    RunEnd result;
    const common::UniqueHandle process = create(file, params);
    if (!process) {
        result.code = ::GetLastError();
        WRITE_LOG(L"execute failed!!! last error = %d", static_cast<int>(result.code));
    } else {
        switch (::WaitForSingleObject(process.get(), timeoutMs)) {
        case WAIT_OBJECT_0: {
            DWORD exitCode = 0xFFFFFFFF;
            ::GetExitCodeProcess(process.get(), &exitCode);
            WRITE_LOG(L"execute exitcode = %d lastError = %d", static_cast<int>(exitCode),
                      static_cast<int>(::GetLastError()));
            result.kind = RunEnd::Kind::Exited;
            result.code = exitCode;
            break;
        }
        case WAIT_TIMEOUT:
            WRITE_LOG(L"execute timeout!!!");
            result.kind = RunEnd::Kind::TimedOut;
            break;
        case WAIT_FAILED:
            result.kind = RunEnd::Kind::WaitFailed;
            result.code = ::GetLastError();
            WRITE_LOG(L"execute failed!!! lastError = %d", static_cast<int>(result.code));
            break;
        default:
            result.kind = RunEnd::Kind::WaitFailed;
            break;
        }
    }
    if (end) *end = result;
    return result.succeeded();
}

RunEnd run(const std::wstring& file, const std::wstring& params, unsigned long timeoutMs)
{
    RunEnd end;
    execute(file, params, timeoutMs, &end);
    return end;
}

} // namespace process
} // namespace utility
