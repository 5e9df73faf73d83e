#include "utility/wininet_http_conn.h"

namespace utility {

namespace {

std::atomic<OpenRequestFn> g_openRequest{nullptr};

HINTERNET openRequest(HINTERNET connection, const wchar_t* verb, const std::wstring& path, DWORD flags)
{
    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    const OpenRequestFn open = g_openRequest.load();
    return (open ? open : &::HttpOpenRequestW)(connection, verb, path.c_str(), L"HTTP/1.1", nullptr, acceptTypes,
                                                flags, 1);
}

void closeOnce(std::atomic<HINTERNET>& handle)
{
    if (HINTERNET h = handle.exchange(nullptr)) ::InternetCloseHandle(h);
}

// A handle made after close ran (a stop racing the worker) is closed at once.
bool keep(std::atomic<HINTERNET>& slot, HINTERNET made)
{
    if (!made) return false;
    closeOnce(slot);
    slot.store(made);
    return true;
}

} // namespace

void setOpenRequestForTesting(OpenRequestFn openRequest) { g_openRequest.store(openRequest); }

CWinInetHttpConn::~CWinInetHttpConn()
{
    close();
}

void CWinInetHttpConn::release()
{
    close();
    delete this;
}

void CWinInetHttpConn::close()
{
    closeOnce(request_);
    closeOnce(connection_);
    closeOnce(internet_);
}

bool CWinInetHttpConn::open()
{
    return keep(internet_, ::InternetOpenW(L"", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

bool CWinInetHttpConn::connect(const std::wstring& host, int port)
{
    HINTERNET internet = internet_.load();
    if (!internet) return false;
    return keep(connection_, ::InternetConnectW(internet, host.c_str(), static_cast<INTERNET_PORT>(port), nullptr,
                                                nullptr, INTERNET_SERVICE_HTTP, 0, 1));
}

bool CWinInetHttpConn::sendGet(const std::wstring& path, const std::wstring& headers, DWORD flags)
{
    HINTERNET connection = connection_.load();
    if (!connection) return false;
    if (!keep(request_, openRequest(connection, L"GET", path, flags))) return false;
    return ::HttpSendRequestW(request_.load(), headers.c_str(), static_cast<DWORD>(headers.size()), nullptr, 0) !=
           FALSE;
}

bool CWinInetHttpConn::sendRequest(const std::wstring&, const std::wstring& path, const std::wstring& headers)
{
    return sendGet(path, headers, kGetFlags);
}

bool CWinInetHttpsConn::sendRequest(const std::wstring&, const std::wstring& path, const std::wstring& headers)
{
    return sendGet(path, headers, kSecureGetFlags);
}

bool CWinInetHttpConn::postRequest(const std::wstring& path, const std::wstring& headers, const unsigned char* body,
                                   int bodyLength)
{
    HINTERNET connection = connection_.load();
    if (!connection || bodyLength < 0) return false;
    if (!keep(request_, openRequest(connection, L"POST", path, kPostFlags))) return false;
    INTERNET_BUFFERSW buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.lpcszHeader = headers.c_str();
    buffers.dwHeadersLength = static_cast<DWORD>(headers.size());
    buffers.dwHeadersTotal = static_cast<DWORD>(headers.size());
    buffers.lpvBuffer = const_cast<unsigned char*>(body);
    buffers.dwBufferLength = static_cast<DWORD>(bodyLength);
    buffers.dwBufferTotal = static_cast<DWORD>(bodyLength);
    HINTERNET request = request_.load();
    if (!::HttpSendRequestExW(request, &buffers, nullptr, 0, 0)) return false;
    return ::HttpEndRequestW(request, nullptr, 0, 0) != FALSE;
}

bool CWinInetHttpConn::recvHeader(std::string&, int& status, int& contentLength)
{
    HINTERNET request = request_.load();
    if (!request) return false;
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr))
        return false;
    status = static_cast<int>(number);
    contentLength = -1;
    number = 0;
    size = sizeof(number);
    if (::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr)) {
        // 2 GiB or more does not fit: the transfer is refused, not wrapped.
        if (number > 0x7FFFFFFFu) return false;
        contentLength = static_cast<int>(number);
    }
    return true;
}

bool CWinInetHttpConn::responseHeader(const std::string& name, std::string& value)
{
    HINTERNET request = request_.load();
    if (!request || name.empty() || name.size() >= 256) return false;
    // The query takes the name in the buffer that receives the value.
    char buffer[1024] = {};
    name.copy(buffer, name.size());
    DWORD size = sizeof(buffer) - 1;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_CUSTOM, buffer, &size, nullptr)) return false;
    value.assign(buffer, size < sizeof(buffer) ? size : sizeof(buffer) - 1);
    return true;
}

int CWinInetHttpConn::read(char* buffer, int size)
{
    HINTERNET request = request_.load();
    if (!request || size < 0) return -1;
    DWORD got = 0;
    if (!::InternetReadFile(request, buffer, static_cast<DWORD>(size), &got)) return -1;
    return static_cast<int>(got);
}

} // namespace utility
