// Runs the nyx program built beside the test programs as a script would:
// its output and error output collected, standard input an open pipe that
// nothing is ever written to (a program reading it would wait until the
// guard kills it), the environment given per run.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace nyxtest {

struct Outcome {
    int status = -1;  // exit code, -1 when killed
    std::string out, err;
};

inline std::filesystem::path NyxProgram() {
    const char* bin = std::getenv("QUOR_BINARY_DIR");
    return (bin ? std::filesystem::path(bin) : std::filesystem::read_symlink("/proc/self/exe").parent_path()) / "nyx";
}

struct TNyxEnv {
    std::vector<std::string> set;    // "NAME=VALUE"
    std::vector<std::string> unset;  // names
    std::filesystem::path cwd;       // empty: the test's own
    int guardSeconds = 20;
};

// "nyx ARGS..." with `env`.
inline Outcome RunNyx(const std::vector<std::string>& args, const TNyxEnv& env) {
    const std::filesystem::path nyx = NyxProgram();
    int in[2], out[2], err[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
    std::vector<std::string> all = {nyx.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> set = env.set;  // putenv keeps the pointers
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (!env.cwd.empty() && ::chdir(env.cwd.c_str()) != 0) ::_exit(126);
        for (const std::string& name : env.unset) ::unsetenv(name.c_str());
        for (std::string& e : set) ::putenv(e.data());
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    Outcome o;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(env.guardSeconds);
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? o.out : o.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    if (open > 0) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    ::close(in[1]);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

}  // namespace nyxtest
