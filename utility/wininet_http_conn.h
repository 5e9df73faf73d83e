#pragma once
// HTTP and HTTPS through the Windows Internet API: the system's proxy
// settings, TLS, redirects and chunked decoding come from WinInet itself.

#include "utility/http_connection.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

namespace utility {

// The call that opens a request; tests watch the verb and flags through it.
using OpenRequestFn = decltype(&::HttpOpenRequestW);
// nullptr restores the system's own.
void setOpenRequestForTesting(OpenRequestFn openRequest);

class CWinInetHttpConn : public IHttpConnection {
public:
    static constexpr DWORD kGetFlags = 0x84000001;
    static constexpr DWORD kPostFlags = 0x84000001;

    CWinInetHttpConn() = default;
    virtual ~CWinInetHttpConn();
    CWinInetHttpConn(const CWinInetHttpConn&) = delete;
    CWinInetHttpConn& operator=(const CWinInetHttpConn&) = delete;

    void release() override;
    // Safe from any thread: each handle is closed exactly once.
    void close() override;
    bool open() override;
    bool connect(const std::wstring& host, int port) override;
    bool sendRequest(const std::wstring& host, const std::wstring& path, const std::wstring& headers) override;
    bool postRequest(const std::wstring& path, const std::wstring& headers, const unsigned char* body,
                     int bodyLength) override;
    bool recvHeader(std::string& headText, int& status, int& contentLength) override;
    int read(char* buffer, int size) override;
    bool responseHeader(const std::string& name, std::string& value) override;

protected:
    bool sendGet(const std::wstring& path, const std::wstring& headers, DWORD flags);

private:
    std::atomic<HINTERNET> internet_{nullptr};
    std::atomic<HINTERNET> connection_{nullptr};
    std::atomic<HINTERNET> request_{nullptr};
};

class CWinInetHttpsConn : public CWinInetHttpConn {
public:
    static constexpr DWORD kSecureGetFlags = 0x84800001;

    bool sendRequest(const std::wstring& host, const std::wstring& path, const std::wstring& headers) override;
};

} // namespace utility
