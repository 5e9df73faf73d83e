#include "loopback_peer.h"

#include <windows.h>

#include <cstdio>

namespace testing_support {

LoopbackPeer::LoopbackPeer(std::vector<PeerReply> replies, int lifetimeMs, int maxConnections)
    : replies_(std::move(replies)), lifetimeMs_(lifetimeMs), maxConnections_(maxConnections)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listener_, 8);
    int length = sizeof(address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ::ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

LoopbackPeer::~LoopbackPeer()
{
    stop_.store(true);
    thread_.join();
    ::closesocket(listener_);
}

std::wstring LoopbackPeer::url(const std::wstring& path) const
{
    return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

std::vector<std::string> LoopbackPeer::requests() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

bool LoopbackPeer::waitOrStop(SOCKET client, int milliseconds)
{
    // Returns false when the peer stops or the client closed its side.
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    while (!stop_.load()) {
        const DWORD now = ::GetTickCount();
        if (static_cast<int>(end - now) <= 0) return true;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        const int slice = static_cast<int>(end - now) < 20 ? static_cast<int>(end - now) : 20;
        timeval wait = {0, slice * 1000};
        if (client != INVALID_SOCKET && ::select(0, &readable, nullptr, nullptr, &wait) > 0) {
            char scrap[256];
            if (::recv(client, scrap, sizeof(scrap), 0) <= 0) return false;
        }
    }
    return false;
}

void LoopbackPeer::serve(SOCKET client, const PeerReply& reply)
{
    const DWORD timeout = static_cast<DWORD>(reply.headWaitMs);
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
    std::string head;
    char byte = 0;
    while (head.size() < 65536 && (head.size() < 4 || head.compare(head.size() - 4, 4, "\r\n\r\n") != 0)) {
        if (::recv(client, &byte, 1, 0) != 1) break;
        head.push_back(byte);
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        requests_.push_back(head);
    }
    for (const PeerPiece& piece : reply.pieces) {
        if (piece.delayMs > 0 && !waitOrStop(client, piece.delayMs)) return;
        std::string bytes = piece.bytes;
        for (std::size_t at; (at = bytes.find("{PORT}")) != std::string::npos;)
            bytes.replace(at, 6, std::to_string(port_));
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const int n = ::send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }
    if (reply.holdMs > 0) waitOrStop(client, reply.holdMs);
}

void LoopbackPeer::run()
{
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(lifetimeMs_);
    while (!stop_.load() && connections_.load() < maxConnections_ && static_cast<int>(end - ::GetTickCount()) > 0) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_, &readable);
        timeval wait = {0, 20000};
        if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
        const SOCKET client = ::accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        const int index = connections_.fetch_add(1);
        const std::size_t pick = replies_.empty() ? 0 : std::min<std::size_t>(index, replies_.size() - 1);
        if (!replies_.empty()) serve(client, replies_[pick]);
        ::shutdown(client, SD_BOTH);
        ::closesocket(client);
    }
}

std::string httpHead(const std::string& statusLine, const std::string& headers)
{
    return statusLine + "\r\n" + headers + "\r\n";
}

std::string chunked(const std::vector<std::string>& chunks)
{
    std::string out;
    char size[16];
    for (const std::string& chunk : chunks) {
        std::snprintf(size, sizeof(size), "%x\r\n", static_cast<unsigned>(chunk.size()));
        out += size + chunk + "\r\n";
    }
    return out + "0\r\n\r\n";
}

} // namespace testing_support
