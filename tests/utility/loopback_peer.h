#pragma once
// An HTTP peer on 127.0.0.1 for the client's tests: accepts connections one
// after another on an ephemeral port, records each request head and answers
// with scripted bytes, delays and silences. Bounded in connections and time;
// it stops by itself.

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct PeerPiece {
    std::string bytes; // "{PORT}" stands for the peer's own port
    int delayMs = 0; // silence before these bytes
};

struct PeerReply {
    std::vector<PeerPiece> pieces;
    // Silence after the last piece before closing (cut short when the client
    // closes or the peer stops).
    int holdMs = 0;
    // How long the peer waits for the request head; what came by then is
    // recorded as the request (a TLS handshake never ends its head).
    int headWaitMs = 5000;

    PeerReply() = default;
    PeerReply(std::string bytes, int hold = 0) : pieces{{std::move(bytes), 0}}, holdMs(hold) {}
};

class LoopbackPeer {
public:
    // Connection i gets replies[i], the last one repeats.
    explicit LoopbackPeer(std::vector<PeerReply> replies, int lifetimeMs = 20000, int maxConnections = 32);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    int port() const { return port_; }
    std::wstring url(const std::wstring& path) const;
    std::vector<std::string> requests() const;
    int connections() const { return connections_.load(); }

private:
    void run();
    void serve(SOCKET client, const PeerReply& reply);
    bool waitOrStop(SOCKET client, int milliseconds);

    std::vector<PeerReply> replies_;
    int lifetimeMs_;
    int maxConnections_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Helpers for scripted answers.
std::string httpHead(const std::string& statusLine, const std::string& headers);
std::string chunked(const std::vector<std::string>& chunks);

} // namespace testing_support
