// The stand-in publishing server (quorsrv.py) on a free loopback port, for
// the server publishing tests.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FtpTestServers.h"

namespace ftptest {

// quorsrv.py on a free loopback port.
class TQuorSrv {
public:
    TQuorSrv(const std::filesystem::path& root, std::vector<std::string> extra = {}) : root_(root) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        std::vector<std::string> args = {"/usr/bin/python3", (SourceDir() / "tests/publish/quorsrv.py").string(),
                                         "--root", root.string()};
        for (auto& e : extra) args.push_back(e);
        pid_ = ::fork();
        if (pid_ == 0) {
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
        if (port_ <= 0) throw std::runtime_error("the stand-in server did not start");
    }
    ~TQuorSrv() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    int port() const { return port_; }
    void Faults(const std::string& lines) { std::ofstream(root_ / "faults.txt") << lines; }
    std::string Log() const {
        std::ifstream f(root_ / "requests.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }

private:
    std::filesystem::path root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace ftptest
