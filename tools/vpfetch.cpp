// Downloads one URL into a file with the installer's HTTP client, for checks
// and the throughput benchmark:
//   vpfetch [--raw|--wininet] [--resume] [--tries N] URL FILE
// The last line is "ok BYTES" or "failed CODE" (the client's error code, or
// the HTTP status that was refused); the exit code is 0 or 1. The time and
// CPU seconds of the download itself go to stderr, apart from the cost of
// starting the process (large under Wine).

#include "utility/http_client.h"

#include <windows.h>
#include <winsock2.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

class Quiet : public utility::CHttpClientWrapper::IHttpDownloadSink {
public:
    bool onDownloadProgress(const unsigned char*, int, int, int) override { return true; }
    bool onDownloadFinished() override { return true; }
};

int usage()
{
    std::fprintf(stderr, "usage: vpfetch [--raw|--wininet] [--resume] [--tries N] URL FILE\n");
    return 2;
}

double seconds(const FILETIME& time)
{
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
}

double cpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return seconds(kernel) + seconds(user);
}

long long fileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int mode = -1;
    bool resume = false;
    int tries = 1;
    std::wstring url;
    std::wstring file;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--raw") mode = 1;
        else if (arg == L"--wininet") mode = 0;
        else if (arg == L"--resume") resume = true;
        else if (arg == L"--tries" && i + 1 < argc) tries = std::wcstol(argv[++i], nullptr, 10);
        else if (url.empty()) url = arg;
        else if (file.empty()) file = arg;
        else return usage();
    }
    if (url.empty() || file.empty()) return usage();

    // Plain "\n" line ends, so scripts read the last line as it is.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    Quiet progress;
    bool ok = false;
    int failure = 0;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    const double cpuStart = cpuSeconds();
    ::QueryPerformanceCounter(&start);
    {
        utility::CHttpClientWrapper client;
        if (mode >= 0) client.pinConnMode(mode);
        ok = client.downloadFileWithRetry(&progress, file, url, resume, tries);
        failure = client.lastFailure();
    }
    ::QueryPerformanceCounter(&end);
    std::fprintf(stderr, "download: wall %.3f s, cpu %.3f s\n",
                 static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                 cpuSeconds() - cpuStart);
    ::WSACleanup();
    if (ok) std::printf("ok %lld\n", fileSize(file));
    else std::printf("failed %d\n", failure);
    return ok ? 0 : 1;
}
