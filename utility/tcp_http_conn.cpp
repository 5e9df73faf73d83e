#include "utility/tcp_http_conn.h"

#include "utility/http_wire.h"
#include "utility/text.h"
#include "utility/url.h"

#include <algorithm>
#include <cstring>

namespace utility {

namespace {

class SocketSource : public http::ByteSource {
public:
    explicit SocketSource(CTcpSocket& socket) : socket_(socket) {}
    int read(char* buffer, int size) override { return socket_.recv(buffer, size); }

private:
    CTcpSocket& socket_;
};

bool setBlocking(SOCKET s, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

} // namespace

CTcpSocket::~CTcpSocket()
{
    close();
}

namespace {

SOCKET newSocket()
{
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return s;
    const int reuse = 0;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    // Room for the read-ahead and more, so the sender is never held back.
    const int receiveBuffer = 1024 * 1024;
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof(receiveBuffer));
    return s;
}

} // namespace

bool CTcpSocket::create()
{
    if (valid()) return false;
    const SOCKET s = newSocket();
    if (s == INVALID_SOCKET) return false;
    handle_.store(s);
    return true;
}

bool CTcpSocket::renew()
{
    SOCKET old = handle_.load();
    if (old == INVALID_SOCKET) return false;
    const SOCKET s = newSocket();
    if (s == INVALID_SOCKET) return false;
    // A close from another thread wins: the new socket never takes its place.
    if (!handle_.compare_exchange_strong(old, s)) {
        ::closesocket(s);
        return false;
    }
    ::closesocket(old);
    return true;
}

void CTcpSocket::close()
{
    const SOCKET s = handle_.exchange(INVALID_SOCKET);
    if (s == INVALID_SOCKET) return;
    ::shutdown(s, SD_BOTH);
    ::closesocket(s);
}

void CTcpSocket::setIoTimeout(int timeoutMs)
{
    const SOCKET s = handle_.load();
    if (s == INVALID_SOCKET) return;
    const DWORD value = static_cast<DWORD>(timeoutMs);
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof(value));
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof(value));
}

bool CTcpSocket::connectAddress(const sockaddr_in& address, int timeoutMs)
{
    const SOCKET s = handle_.load();
    if (s == INVALID_SOCKET || !setBlocking(s, false)) return false;
    bool connected = ::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (!connected && ::WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        if (::select(0, nullptr, &writable, &failed, &wait) > 0) {
            int error = 0;
            int length = sizeof(error);
            connected = ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                        error == 0 && FD_ISSET(s, &writable);
            ::WSASetLastError(connected ? 0 : (error != 0 ? error : WSAECONNREFUSED));
        } else {
            ::WSASetLastError(WSAETIMEDOUT);
        }
    }
    const int error = ::WSAGetLastError();
    if (!setBlocking(s, true)) return false;
    ::WSASetLastError(error);
    return connected;
}

bool CTcpSocket::connect(const std::string& host, int port, int timeoutMs)
{
    if (host.empty()) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(port));
    const unsigned long literal = ::inet_addr(host.c_str());
    if (literal != INADDR_NONE) {
        address.sin_addr.s_addr = literal;
        return connectAddress(address, timeoutMs);
    }
    const hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || entry->h_length != sizeof(address.sin_addr)) return false;
    for (char** item = entry->h_addr_list; *item; ++item) {
        std::memcpy(&address.sin_addr, *item, sizeof(address.sin_addr));
        if (connectAddress(address, timeoutMs)) return true;
    }
    return false;
}

bool CTcpSocket::sendAll(const std::string& bytes)
{
    const char* next = bytes.data();
    int left = static_cast<int>(bytes.size());
    while (left > 0) {
        const int sent = ::send(handle_.load(), next, left, 0);
        if (sent <= 0) return false;
        if (sent >= left) return true;
        next += sent;
        left -= sent;
    }
    return true;
}

int CTcpSocket::recv(char* buffer, int size)
{
    return ::recv(handle_.load(), buffer, size, 0);
}

void CTcpHttpConn::release()
{
    close();
    delete this;
}

void CTcpHttpConn::close()
{
    socket_.close();
}

bool CTcpHttpConn::open()
{
    if (!socket_.create()) return false;
    readAheadStart_ = readAheadEnd_ = 0;
    socket_.setIoTimeout(timeoutMs_);
    return true;
}

bool CTcpHttpConn::connectTo(const std::wstring& host, int port)
{
    return socket_.connect(wideToAnsi(host), port, timeoutMs_);
}

bool CTcpHttpConn::connect(const std::wstring& host, int port)
{
    port_ = port;
    routeUsed_ = static_cast<std::size_t>(-1);
    if (routes_.empty()) return connectTo(host, port);
    for (std::size_t i = 0; i < routes_.size(); ++i) {
        // A connect that timed out leaves its socket pending: the next one gets a fresh one.
        if (i > 0 && !socket_.renew()) return false;
        socket_.setIoTimeout(timeoutMs_);
        const proxy::Route& route = routes_[i];
        if (route.direct() ? connectTo(host, port) : connectTo(route.proxy.host, route.proxy.port)) {
            routeUsed_ = i;
            return true;
        }
    }
    return false;
}

bool CTcpHttpConn::sendRequest(const std::wstring& host, const std::wstring& path, const std::wstring& headers)
{
    const proxy::Route* route = routeUsed();
    const std::wstring target = route && !route->direct() ? http::absoluteTarget(host, port_, path) : path;
    return socket_.sendAll(wideToAnsi(http::buildRequestText(host, target, headers)));
}

bool CTcpHttpConn::postRequest(const std::wstring&, const std::wstring&, const unsigned char*, int)
{
    return false;
}

bool CTcpHttpConn::followRedirect(const std::string& headText)
{
    std::string location;
    if (!http::findHeader(headText, "Location", location)) return false;
    const UrlParts target = splitUrl(ansiToWide(location));
    close();
    // A relative Location splits to an empty host and fails to connect.
    return open() && connect(target.host, target.port) && sendRequest(target.host, target.path, std::wstring());
}

bool CTcpHttpConn::recvHeader(std::string& headText, int& status, int& contentLength)
{
    SocketSource source(socket_);
    for (int redirects = 0;; ++redirects) {
        headText.clear();
        if (!http::readHead(source, headText) || !http::parseStatus(headText, status)) return false;
        if (status != 301 && status != 302) break;
        if (redirects == http::kMaxRedirects || !followRedirect(headText)) return false;
    }
    if (!http::parseContentLength(headText, contentLength)) return false;
    // A chunked body is framed by its chunks alone.
    if (http::isChunked(headText)) contentLength = -1;
    return true;
}

int CTcpHttpConn::read(char* buffer, int size)
{
    constexpr std::size_t kReadAhead = 256 * 1024;
    if (size <= 0) return -1;
    if (readAheadStart_ == readAheadEnd_) {
        if (readAhead_.empty()) readAhead_.resize(kReadAhead);
        const int got = socket_.recv(readAhead_.data(), static_cast<int>(readAhead_.size()));
        if (got <= 0) return got;
        readAheadStart_ = 0;
        readAheadEnd_ = static_cast<std::size_t>(got);
    }
    const std::size_t n = std::min(static_cast<std::size_t>(size), readAheadEnd_ - readAheadStart_);
    std::memcpy(buffer, readAhead_.data() + readAheadStart_, n);
    readAheadStart_ += n;
    return static_cast<int>(n);
}

} // namespace utility
