#include "publish/TcpIp.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace publish {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

std::string SocketError(int code) {
    return "Errore di creazione socket (" + std::to_string(code) + ": " + std::strerror(code) + ")";
}

int NewSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) throw ENetError(SocketError(errno));
#ifdef SO_NOSIGPIPE
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &one, sizeof one);
#endif
    return fd;
}

}  // namespace

// ---------------------------------------------------------------- TCancelToken

TCancelToken::TCancelToken() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw ENetError(SocketError(errno));
}

TCancelToken::~TCancelToken() {
    if (fd_ >= 0) ::close(fd_);
}

void TCancelToken::Cancel() {
    cancelled_.store(true);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
}

void TCancelToken::Reset() {
    std::uint64_t value;
    while (::read(fd_, &value, sizeof value) > 0) {
    }
    cancelled_.store(false);
}

// ---------------------------------------------------------------- TSocket

TSocket& TSocket::operator=(TSocket&& o) noexcept {
    if (this != &o) {
        Close();
        fd_ = o.fd_;
        pending_ = std::move(o.pending_);
        o.fd_ = -1;
    }
    return *this;
}

void TSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

// ---------------------------------------------------------------- T_TcpIp

void T_TcpIp::CheckCancel() const {
    if (cancel_ && cancel_->Cancelled()) throw EStopped();
}

void T_TcpIp::Wait(int fd, short events) {
    CheckCancel();
    pollfd fds[2] = {{fd, events, 0}, {cancel_ ? cancel_->WakeFd() : -1, POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            Trace("time-out", 3, TimeoutMs);
            throw ETimeout("Tempo scaduto: il server non risponde da " + std::to_string((TimeoutMs + 999) / 1000) +
                           " secondi");
        }
        int n = ::poll(fds, cancel_ ? 2 : 1, static_cast<int>(left.count()));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw ENetError(SocketError(errno));
        }
        CheckCancel();
        if (n > 0 && fds[0].revents) return;  // ready, or an error the next call reports
    }
}

sockaddr_in T_TcpIp::Resolve(const std::string& host, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (!host.empty() && host.find('\0') == std::string::npos && ::inet_pton(AF_INET, host.c_str(), &a.sin_addr) == 1)
        return a;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (host.empty() || host.find('\0') != std::string::npos ||
        ::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
        if (found) ::freeaddrinfo(found);
        throw ENetError("Non riesco a tradurre in numeri il nome host " + host);
    }
    a.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    CheckCancel();
    return a;
}

TSocket T_TcpIp::Connect(const std::string& host, std::uint16_t port) {
    Trace("risoluzione di " + host, 3);
    return Connect(Resolve(host, port));
}

TSocket T_TcpIp::Connect(const sockaddr_in& address) {
    TSocket s(NewSocket());
    Trace("connessione a " + AddressText(address), 3);
    if (::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) {
            int code = errno;
            Trace("connessione fallita", 3, code);
            throw ENetError(SocketError(code));
        }
        Wait(s.fd(), POLLOUT);
        int code = 0;
        socklen_t len = sizeof code;
        if (::getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &code, &len) != 0) code = errno;
        if (code != 0) {
            Trace("connessione fallita", 3, code);
            throw ENetError(SocketError(code));
        }
    }
    Trace("connesso a " + AddressText(address), 3, s.fd());
    return s;
}

TSocket T_TcpIp::Listen(const sockaddr_in& address) {
    TSocket s(NewSocket());
    if (::bind(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(s.fd(), 1) != 0)
        throw ENetError(SocketError(errno));
    Trace("in ascolto su " + AddressText(LocalAddress(s)), 3, s.fd());
    return s;
}

TSocket T_TcpIp::Accept(TSocket& listener) {
    for (;;) {
        Wait(listener.fd(), POLLIN);
        int fd = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            TSocket s(fd);
            Trace("connessione accettata da " + AddressText(PeerAddress(s)), 3, fd);
            return s;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
            throw ENetError(SocketError(errno));
    }
}

void T_TcpIp::Send(TSocket& s, const void* data, std::size_t size) {
    if (!s.IsOpen()) throw ENetError("Connessione chiusa");
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        CheckCancel();
        ssize_t n = ::send(s.fd(), p, size, kSendFlags);
        if (n > 0) {
            p += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            Wait(s.fd(), POLLOUT);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        int code = errno;
        Trace("invio fallito", 3, code);
        throw ENetError("Connessione interrotta durante l'invio (" + std::to_string(code) + ": " +
                        std::strerror(code) + ")");
    }
}

std::size_t T_TcpIp::Receive(TSocket& s, void* data, std::size_t size) {
    if (!s.IsOpen()) throw ENetError("Connessione chiusa");
    if (!s.pending_.empty()) {
        std::size_t n = std::min(size, s.pending_.size());
        std::memcpy(data, s.pending_.data(), n);
        s.pending_.erase(0, n);
        return n;
    }
    for (;;) {
        CheckCancel();
        ssize_t n = ::recv(s.fd(), data, size, 0);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            Wait(s.fd(), POLLIN);
            continue;
        }
        if (errno == EINTR) continue;
        int code = errno;
        Trace("ricezione fallita", 3, code);
        throw ENetError("Connessione interrotta durante la ricezione (" + std::to_string(code) + ": " +
                        std::strerror(code) + ")");
    }
}

std::string T_TcpIp::ReadLine(TSocket& s, std::size_t maxLength, bool* closed) {
    std::string line;
    if (closed) *closed = false;
    for (;;) {
        std::size_t lf = s.pending_.find('\n');
        std::size_t take = lf == std::string::npos ? s.pending_.size() : lf;
        line.append(s.pending_, 0, take);
        s.pending_.erase(0, lf == std::string::npos ? take : take + 1);
        std::erase(line, '\r');
        if (line.size() > maxLength) throw ENetError("Risposta del server troppo lunga");
        if (lf != std::string::npos) return line;
        char chunk[4096];
        std::size_t n = Receive(s, chunk, sizeof chunk);
        if (n == 0) {
            if (closed) *closed = true;
            return line;
        }
        s.pending_.assign(chunk, n);
    }
}

void T_TcpIp::ShutdownSend(TSocket& s) {
    if (s.IsOpen()) ::shutdown(s.fd(), SHUT_WR);
}

void T_TcpIp::Close(TSocket& s) {
    if (!s.IsOpen()) return;
    Trace("chiusura socket", 3, s.fd());
    s.Close();
}

sockaddr_in T_TcpIp::PeerAddress(const TSocket& s) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getpeername(s.fd(), reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET)
        throw ENetError(SocketError(errno ? errno : EAFNOSUPPORT));
    return a;
}

sockaddr_in T_TcpIp::LocalAddress(const TSocket& s) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getsockname(s.fd(), reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET)
        throw ENetError(SocketError(errno ? errno : EAFNOSUPPORT));
    return a;
}

std::string T_TcpIp::AddressText(const sockaddr_in& a) {
    char buf[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a.sin_addr, buf, sizeof buf);
    return std::string(buf) + ":" + std::to_string(ntohs(a.sin_port));
}

}  // namespace publish
