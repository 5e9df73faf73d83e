#pragma once
// HTTP/1.1 spoken over a blocking TCP socket: GET only, one request per
// connection, redirects followed here. Time-outs keep a silent peer from
// holding a worker for ever; close from another thread ends a blocked
// receive at once. Given routes, it goes through the first HTTP proxy it
// reaches (absolute-form request line), or direct.

#include "utility/http_connection.h"
#include "utility/proxy_routes.h"

#include <winsock2.h>

#include <atomic>
#include <string>
#include <vector>

namespace utility {

class CTcpSocket {
public:
    CTcpSocket() = default;
    virtual ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;

    bool create();
    // A fresh socket in place of this one, for the next connect after a
    // failed one; false when another thread closed it meanwhile.
    bool renew();
    // Safe from any thread; the socket is closed exactly once.
    void close();
    bool valid() const { return handle_.load() != INVALID_SOCKET; }

    // Tries the host's addresses in turn, each within timeoutMs.
    bool connect(const std::string& host, int port, int timeoutMs);
    void setIoTimeout(int timeoutMs);
    bool sendAll(const std::string& bytes);
    int recv(char* buffer, int size);

private:
    bool connectAddress(const sockaddr_in& address, int timeoutMs);

    std::atomic<SOCKET> handle_{INVALID_SOCKET};
};

class CTcpHttpConn : public IHttpConnection {
public:
    static constexpr int kDefaultTimeoutMs = 30000;

    explicit CTcpHttpConn(int timeoutMs = kDefaultTimeoutMs) : timeoutMs_(timeoutMs) {}
    virtual ~CTcpHttpConn() = default;

    void release() override;
    void close() override;
    bool open() override;
    bool connect(const std::wstring& host, int port) override;
    bool sendRequest(const std::wstring& host, const std::wstring& path, const std::wstring& headers) override;
    bool postRequest(const std::wstring& path, const std::wstring& headers, const unsigned char* body,
                     int bodyLength) override;
    bool recvHeader(std::string& headText, int& status, int& contentLength) override;
    int read(char* buffer, int size) override;

    // Before connect: the ways to try in order (none: direct).
    void setRoutes(std::vector<proxy::Route> routes) { routes_ = std::move(routes); }
    // The route connect took; null before a connect succeeded.
    const proxy::Route* routeUsed() const { return routeUsed_ < routes_.size() ? &routes_[routeUsed_] : nullptr; }

private:
    bool followRedirect(const std::string& headText);
    bool connectTo(const std::wstring& host, int port);

    CTcpSocket socket_;
    int timeoutMs_;
    std::vector<proxy::Route> routes_;
    std::size_t routeUsed_ = static_cast<std::size_t>(-1);
    int port_ = 0;
    // Body bytes received ahead of the caller: one large recv serves several
    // blocks, since each system call is costly (under Wine above all).
    std::vector<char> readAhead_;
    std::size_t readAheadStart_ = 0;
    std::size_t readAheadEnd_ = 0;
};

} // namespace utility
