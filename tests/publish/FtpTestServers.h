// FTP servers on 127.0.0.1 for the client's tests (and its benchmark):
//  - TPyFtpd: a real pyftpdlib server started as a child process (ftpd.py);
//  - TFakeFtpd: a scripted server on a thread, for replies no real server
//    sends (malformed, endless, PASV naming another host, dropped links).
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ftptest {

inline std::filesystem::path SourceDir() {
    const char* s = std::getenv("QUOR_SOURCE_DIR");
    return s ? std::filesystem::path(s) : std::filesystem::path(QUOR_SOURCE_DIR);
}

// pyftpdlib on a free loopback port, with one user whose home is `home`.
class TPyFtpd {
public:
    TPyFtpd(const std::filesystem::path& home, const std::string& user, const std::string& password,
            std::vector<std::string> extra = {}) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        std::vector<std::string> args = {"/usr/bin/python3", (SourceDir() / "tests/publish/ftpd.py").string(),
                                         "--user", user, "--password", password, "--home", home.string()};
        for (auto& e : extra) args.push_back(e);
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork");
        if (pid_ == 0) {
            // The server goes with the test program, even when that crashes.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(out[1], 1);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string line;
        pollfd p{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
            char c[64];
            ssize_t n = ::read(out[0], c, sizeof c);
            if (n <= 0) break;
            line.append(c, static_cast<size_t>(n));
        }
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
        if (port_ <= 0) {
            Stop();
            throw std::runtime_error("the FTP server did not start");
        }
    }
    ~TPyFtpd() { Stop(); }
    TPyFtpd(const TPyFtpd&) = delete;
    TPyFtpd& operator=(const TPyFtpd&) = delete;

    int port() const { return port_; }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// One accepted control connection of the fake server.
class TFakeConn {
public:
    explicit TFakeConn(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {}
    ~TFakeConn() {
        CloseData();
        if (fd_ >= 0) ::close(fd_);
    }

    void Send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void Reply(const std::string& line) { Send(line + "\r\n"); }

    // The next command without CR LF; "" when the client has gone.
    std::string Read() {
        std::string line;
        for (;;) {
            size_t lf = buffer_.find('\n');
            if (lf != std::string::npos) {
                line = buffer_.substr(0, lf);
                buffer_.erase(0, lf + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                commands.push_back(line);
                return line;
            }
            if (!WaitReadable(fd_)) return "";
            char c[512];
            ssize_t n = ::recv(fd_, c, sizeof c, 0);
            if (n <= 0) return "";
            buffer_.append(c, static_cast<size_t>(n));
        }
    }

    // Reads commands, answering each with the reply the table gives for its
    // verb (or "500 ?"), until `until` has been answered.
    void Serve(const std::vector<std::pair<std::string, std::string>>& table, const std::string& until) {
        for (;;) {
            std::string cmd = Read();
            if (cmd.empty()) return;
            std::string verb = cmd.substr(0, cmd.find(' '));
            std::string reply = "500 ?";
            for (auto& [v, r] : table)
                if (v == verb) reply = r;
            Reply(reply);
            if (verb == until) return;
        }
    }

    // A data listener on 127.0.0.1; returns its port.
    int OpenDataListener() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 1);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        return ntohs(a.sin_port);
    }
    bool AcceptData() {
        if (!WaitReadable(listen_)) return false;
        data_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        return data_ >= 0;
    }
    void SendData(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(data_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // Everything the client sends on the data connection until it closes it.
    std::string ReceiveData() {
        std::string all;
        char c[65536];
        while (WaitReadable(data_)) {
            ssize_t n = ::recv(data_, c, sizeof c, 0);
            if (n <= 0) break;
            all.append(c, static_cast<size_t>(n));
        }
        return all;
    }
    void CloseData() {
        if (data_ >= 0) ::close(data_);
        if (listen_ >= 0) ::close(listen_);
        data_ = listen_ = -1;
    }
    // Keeps the connection open without a word until the client goes away
    // or the server stops.
    void Silence() {
        char c[512];
        while (WaitReadable(fd_))
            if (::recv(fd_, c, sizeof c, 0) <= 0) return;
    }

    std::vector<std::string> commands;

private:
    bool WaitReadable(int fd) {
        pollfd p{fd, POLLIN, 0};
        for (int waited = 0; waited < 5000 && !stop_.load(); waited += 50) {
            int n = ::poll(&p, 1, 50);
            if (n > 0) return true;
            if (n < 0) return false;
        }
        return false;
    }

    int fd_;
    int listen_ = -1;
    int data_ = -1;
    std::string buffer_;
    const std::atomic<bool>& stop_;
};

// Runs `script(conn, index)` for each accepted control connection, in turn.
class TFakeFtpd {
public:
    using Script = std::function<void(TFakeConn&, int index)>;

    explicit TFakeFtpd(Script script) : script_(std::move(script)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0)
            throw std::runtime_error("fake server");
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Loop(); });
    }
    ~TFakeFtpd() {
        stop_.store(true);
        thread_.join();
        ::close(listen_);
    }
    TFakeFtpd(const TFakeFtpd&) = delete;
    TFakeFtpd& operator=(const TFakeFtpd&) = delete;

    int port() const { return port_; }
    int connections() const { return accepted_.load(); }
    // Commands received, over all connections (read after the client is done).
    std::vector<std::string> commands() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

private:
    void Loop() {
        while (!stop_.load()) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            TFakeConn conn(fd, stop_);
            int index = accepted_.fetch_add(1);
            script_(conn, index);
            std::lock_guard<std::mutex> lock(mutex_);
            commands_.insert(commands_.end(), conn.commands.begin(), conn.commands.end());
        }
    }

    Script script_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread thread_;
};

// The usual log-in exchange of a fake session.
inline void FakeLogin(TFakeConn& c) {
    c.Reply("220 fake ready");
    c.Serve({{"USER", "331 password please"}, {"PASS", "230 ok"}, {"TYPE", "200 binary"}}, "TYPE");
}

}  // namespace ftptest
