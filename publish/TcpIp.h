// Blocking TCP over POSIX sockets, shared by the FTP client and the HTTP client
// of server publishing. Every wait has a time-out and can be cut short from
// another thread through a cancel token; every socket event is traced.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace publish {

// A local failure of a network operation (message in Italian, for the user).
class ENetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Nothing moved for the configured time.
class ETimeout : public ENetError {
public:
    using ENetError::ENetError;
};

// The operation was stopped through its cancel token.
class EStopped : public ENetError {
public:
    EStopped() : ENetError("Operazione interrotta") {}
};

// Wakes every wait of the sockets that use it. Cancel may be called from any
// thread; Reset makes the token usable again.
class TCancelToken {
public:
    TCancelToken();
    ~TCancelToken();
    TCancelToken(const TCancelToken&) = delete;
    TCancelToken& operator=(const TCancelToken&) = delete;

    void Cancel();
    void Reset();
    bool Cancelled() const { return cancelled_.load(); }
    int WakeFd() const { return fd_; }

private:
    int fd_ = -1;
    std::atomic<bool> cancelled_{false};
};

// An owned, non-blocking socket descriptor with the bytes read ahead of the
// last line. Closed by its destructor.
class TSocket {
public:
    TSocket() = default;
    explicit TSocket(int fd) : fd_(fd) {}
    ~TSocket() { Close(); }
    TSocket(TSocket&& o) noexcept : fd_(o.fd_), pending_(std::move(o.pending_)) { o.fd_ = -1; }
    TSocket& operator=(TSocket&& o) noexcept;
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    int fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Bytes received beyond the last line handed out.
    bool HasPending() const { return !pending_.empty(); }
    // Hands out (and forgets) the bytes received beyond the last line.
    std::string TakePending() {
        std::string out;
        out.swap(pending_);
        return out;
    }
    void Close();

private:
    friend class T_TcpIp;
    int fd_ = -1;
    std::string pending_;  // received but not yet handed out
};

// Trace of socket events: text, level (0 command sent, 1 status, 2 bytes
// moved, 3 socket event) and a number (a byte count or an error code).
using TTraceFn = std::function<void(const std::string& text, int level, long long number)>;

class T_TcpIp {
public:
    // Longest wait for any single socket event, in milliseconds.
    int TimeoutMs = 30000;
    TTraceFn OnTrace;

    void SetCancelToken(std::shared_ptr<TCancelToken> token) { cancel_ = std::move(token); }
    const std::shared_ptr<TCancelToken>& CancelToken() const { return cancel_; }

    // IPv4 address of a host name or dotted address.
    sockaddr_in Resolve(const std::string& host, std::uint16_t port);
    TSocket Connect(const std::string& host, std::uint16_t port);
    TSocket Connect(const sockaddr_in& address);
    // Listening socket on the given local address (port 0: any free port).
    TSocket Listen(const sockaddr_in& address);
    TSocket Accept(TSocket& listener);

    // Sends everything; never raises SIGPIPE.
    void Send(TSocket& s, const void* data, std::size_t size);
    void Send(TSocket& s, const std::string& text) { Send(s, text.data(), text.size()); }
    // Up to `size` bytes; 0 when the peer has closed the connection.
    std::size_t Receive(TSocket& s, void* data, std::size_t size);
    // One line: CR dropped, LF ends it, the end of the connection too. A line
    // longer than maxLength is an error. `closed` tells whether the connection
    // ended before a LF (then the line may be empty).
    std::string ReadLine(TSocket& s, std::size_t maxLength, bool* closed);
    void ShutdownSend(TSocket& s);
    void Close(TSocket& s);

    static sockaddr_in PeerAddress(const TSocket& s);
    static sockaddr_in LocalAddress(const TSocket& s);
    static std::string AddressText(const sockaddr_in& a);

protected:
    void Trace(const std::string& text, int level, long long number = 0) const {
        if (OnTrace) OnTrace(text, level, number);
    }

private:
    // Waits until fd is ready for `events`, the time-out passes or the token
    // is cancelled (the last two raise).
    void Wait(int fd, short events);
    void CheckCancel() const;

    std::shared_ptr<TCancelToken> cancel_;
};

}  // namespace publish
