// vsftpd on 127.0.0.1 for the publishing tests: started in the foreground
// with a configuration file of its own in a temporary folder, anonymous
// log-in with write rights on `home`, run as the launching user (no chroot:
// remote paths are the real paths under `home`).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace ftptest {

inline bool VsFtpdAvailable() { return ::access("/usr/sbin/vsftpd", X_OK) == 0; }

class TVsFtpd {
public:
    TVsFtpd(const std::filesystem::path& folder, const std::filesystem::path& home) : folder_(folder) {
        namespace fs = std::filesystem;
        if (!VsFtpdAvailable()) return;
        fs::create_directories(folder / "empty");
        log_ = folder / "vsftpd.log";
        for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
            const int port = FreePort();
            const fs::path conf = folder / "vsftpd.conf";
            std::ofstream(conf) << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
                                << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\n"
                                   "local_enable=NO\nno_anon_password=YES\nanon_root="
                                << home.string()
                                << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                                   "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
                                   "pasv_enable=YES\npasv_address=127.0.0.1\nseccomp_sandbox=NO\nxferlog_enable=YES\n"
                                   "vsftpd_log_file="
                                << log_.string() << "\nsecure_chroot_dir=" << (folder / "empty").string() << "\n";
            pid_ = ::fork();
            if (pid_ == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGTERM);
                std::string c = conf.string();
                char prog[] = "/usr/sbin/vsftpd";
                char* argv[] = {prog, c.data(), nullptr};
                ::execv(prog, argv);
                ::_exit(127);
            }
            for (int i = 0; i < 100; ++i) {
                if (Accepting(port)) {
                    port_ = port;
                    break;
                }
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (port_ == 0) Stop();
        }
    }
    ~TVsFtpd() { Stop(); }
    TVsFtpd(const TVsFtpd&) = delete;
    TVsFtpd& operator=(const TVsFtpd&) = delete;

    int port() const { return port_; }

    // Base names of the files received, in order, from the server's log.
    std::vector<std::string> StoredFiles() const {
        std::vector<std::string> out;
        std::ifstream f(log_);
        for (std::string line; std::getline(f, line);) {
            const std::size_t at = line.find("OK UPLOAD: Client \"127.0.0.1\", \"");
            if (at == std::string::npos) continue;
            const std::size_t start = at + 33;
            const std::size_t end = line.find('"', start);
            out.push_back(std::filesystem::path(line.substr(start, end - start)).filename().string());
        }
        return out;
    }

    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    static int FreePort() {
        int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        ::close(s);
        return ntohs(a.sin_port);
    }
    static bool Accepting(int port) {
        int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        return ok;
    }

    std::filesystem::path folder_, log_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace ftptest
