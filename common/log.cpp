#include "common/log.h"

#include "common/log_line.h"
#include "common/log_writer.h"

#include <shlobj.h>

#include <atomic>
#include <cstdarg>

namespace common {

namespace {

using Sink = void (*)(const char*, int, const wchar_t*, ...);

std::atomic<Sink> g_sink{nullptr};
std::atomic<LogWriter*> g_writer{nullptr};

void queueMessage(const char* function, int line, const wchar_t* message)
{
    LogStream stream(function, line);
    stream.appendMessage(message);
    std::size_t size = 0;
    const char* bytes = stream.finish(&size);
    if (LogWriter* writer = g_writer.load()) writer->enqueue(bytes, size);
}

} // namespace

std::wstring logRelativePath(int moduleNumber)
{
    switch (moduleNumber) {
    case 1: return L"log/vpinstall.log";
    case 2: return L"log/vpuninstall.log";
    case 4: return L"log/zodovivevizez.log";
    case 5: return L"log/vprepairer.log";
    case 6: return L"log/vpvideorecord.log";
    case 7: return L"log/vpconsole.log";
    default: return std::wstring();
    }
}

const std::wstring& productDataFolder()
{
    static const std::wstring folder = [] {
        wchar_t appData[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
            return std::wstring();
        return std::wstring(appData) + L"\\Bexmoor2";
    }();
    return folder;
}

namespace {

// The log file's full path, its folder made; empty without an
// application-data folder (the lines are then dropped).
std::wstring logFilePath(std::wstring relative)
{
    if (productDataFolder().empty()) return std::wstring();
    for (wchar_t& c : relative)
        if (c == L'/') c = L'\\';
    const std::wstring path = productDataFolder() + L"\\" + relative;
    const std::wstring folder = path.substr(0, path.rfind(L'\\'));
    ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr); // failure shows when opening
    return path;
}

} // namespace

void startLog(int moduleNumber)
{
    const std::wstring relative = logRelativePath(moduleNumber);
    if (!relative.empty() && !g_writer.load()) {
        // The folder (shell32) is worked out by the writer's thread, so the
        // start of the program does not wait for it. Lives for the rest of
        // the process: other threads may still log while it ends.
        LogWriter* writer = new LogWriter([relative] { return logFilePath(relative); });
        writer->start();
        g_writer.store(writer);
    }
    g_sink.store(&logPrint);
}

void stopLog()
{
    if (LogWriter* writer = g_writer.load()) writer->stop();
}

void logPrint(const char* function, int line, const wchar_t* format, ...)
{
    wchar_t message[kLogMessageUnits];
    va_list args;
    va_start(args, format);
    formatLogMessage(message, format, args);
    va_end(args);
    queueMessage(function, line, message);
}

void writeLog(const char* function, int line, const wchar_t* format, ...)
{
    const Sink sink = g_sink.load();
    if (!sink) return;
    wchar_t message[kLogMessageUnits];
    va_list args;
    va_start(args, format);
    formatLogMessage(message, format, args);
    va_end(args);
    // Handed over as already formatted text, never as a format.
    sink(function, line, L"%s", message);
}

} // namespace common
