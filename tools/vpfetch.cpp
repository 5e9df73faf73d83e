// Downloads one URL into a file with the installer's HTTP client, for checks
// and the throughput benchmark:
//   vpfetch [--raw|--wininet] [--resume] [--tries N] URL FILE
//   vpfetch --socket BYTES URL
// The last line is "ok BYTES" or "failed CODE" (the client's error code, or
// the HTTP status that was refused); the exit code is 0 or 1. The time and
// CPU seconds of the download itself go to stderr, apart from the cost of
// starting the process (large under Wine), with the number of blocks the
// sink saw. --socket takes the raw client's socket alone, without HTTP
// framing or file: one GET, then receives of BYTES until the peer closes;
// two sizes tell what each receive call costs.

#include "utility/http_client.h"
#include "utility/tcp_http_conn.h"
#include "utility/text.h"
#include "utility/url.h"

#include <windows.h>
#include <winsock2.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

class Quiet : public utility::CHttpClientWrapper::IHttpDownloadSink {
public:
    bool onDownloadProgress(const unsigned char*, int, int, int) override
    {
        ++blocks;
        return true;
    }
    bool onDownloadFinished() override { return true; }
    long blocks = 0;
};

int usage()
{
    std::fprintf(stderr, "usage: vpfetch [--raw|--wininet] [--resume] [--tries N] URL FILE\n"
                         "       vpfetch --socket BYTES URL\n");
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

// Receives until the peer closes; bytes received, head included, or -1.
long long receiveAll(const std::wstring& url, int blockSize, long& calls)
{
    const utility::UrlParts parts = utility::splitUrl(url);
    const std::string host = utility::wideToAnsi(parts.host);
    utility::CTcpSocket socket;
    if (!socket.create() || !socket.connect(host, parts.port, 30000)) return -1;
    socket.setIoTimeout(30000);
    const std::string request =
        "GET " + utility::wideToAnsi(parts.path) + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n\r\n";
    if (!socket.sendAll(request)) return -1;
    std::vector<char> buffer(static_cast<std::size_t>(blockSize));
    long long bytes = 0;
    for (;;) {
        const int got = socket.recv(buffer.data(), blockSize);
        ++calls;
        if (got < 0) return -1;
        if (got == 0) return bytes;
        bytes += got;
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int mode = -1;
    bool resume = false;
    int tries = 1;
    int socketBlock = 0;
    std::wstring url;
    std::wstring file;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--raw") mode = 1;
        else if (arg == L"--wininet") mode = 0;
        else if (arg == L"--resume") resume = true;
        else if (arg == L"--tries" && i + 1 < argc) tries = std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--socket" && i + 1 < argc) socketBlock = std::wcstol(argv[++i], nullptr, 10);
        else if (url.empty()) url = arg;
        else if (file.empty()) file = arg;
        else return usage();
    }
    if (url.empty() || (file.empty() == (socketBlock == 0)) || socketBlock < 0 || socketBlock > (1 << 24))
        return usage();

    // Plain "\n" line ends, so scripts read the last line as it is.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    WSADATA wsaData;
    ::WSAStartup(MAKEWORD(2, 2), &wsaData);
    Quiet progress;
    bool ok = false;
    int failure = 0;
    long long received = 0;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    const double cpuStart = cpuSeconds();
    ::QueryPerformanceCounter(&start);
    if (socketBlock > 0) {
        received = receiveAll(url, socketBlock, progress.blocks);
        ok = received >= 0;
    } else {
        utility::CHttpClientWrapper client;
        if (mode >= 0) client.pinConnMode(mode);
        ok = client.downloadFileWithRetry(&progress, file, url, resume, tries);
        failure = client.lastFailure();
    }
    ::QueryPerformanceCounter(&end);
    if (socketBlock == 0) received = fileSize(file);
    std::fprintf(stderr, "download: wall %.3f s, cpu %.3f s, blocks %ld\n",
                 static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                 cpuSeconds() - cpuStart, progress.blocks);
    ::WSACleanup();
    if (ok) std::printf("ok %lld\n", received);
    else std::printf("failed %d\n", failure);
    return ok ? 0 : 1;
}
