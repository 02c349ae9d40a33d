// "nyx ftp" against pyftpdlib on loopback.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/testing/FixedEnv.h"
#include "tests/publish/FtpTestServers.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;  // exit code, -1 when killed
    std::string out, err;
};

// Runs nyx with `args` in `cwd`; stdin is a pipe that stays open (reading it
// would hang until the 10 s guard kills the program).
Outcome RunNyx(const std::vector<std::string>& args, const fs::path& cwd, const char* password) {
    // nyx is built beside the test program.
    const char* bin = std::getenv("QUOR_BINARY_DIR");
    fs::path nyx = (bin ? fs::path(bin) : fs::read_symlink("/proc/self/exe").parent_path()) / "nyx";
    int in[2], out[2], err[2];
    EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
    EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        if (password)
            ::setenv("QUOR_FTP_PASSWORD", password, 1);
        else
            ::unsetenv("QUOR_FTP_PASSWORD");
        std::vector<std::string> all = {nyx.string(), "ftp"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    Outcome o;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buf[4096];
            ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
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

TEST(NyxFtp, ScriptsUploadListDownloadAndRemove) {
    platform::testing::TempDir temp;
    fs::create_directory(temp / "home");
    fs::create_directory(temp / "work");
    ftptest::TPyFtpd server(temp / "home", "autore", "pw");
    std::string host = "127.0.0.1:" + std::to_string(server.port());
    fs::path work = temp / "work";
    std::ofstream(work / "index.htm") << "<p>ciao</p>";
    auto run = [&](std::vector<std::string> cmd, const char* pw = "pw") {
        std::vector<std::string> args = {host, "--user", "autore", "--timeout", "5"};
        args.insert(args.end(), cmd.begin(), cmd.end());
        return RunNyx(args, work, pw);
    };

    Outcome o = run({"mkdir", "www"});
    EXPECT_EQ(o.status, 0) << o.err;
    o = run({"put", "index.htm", "www/index.htm"});
    EXPECT_EQ(o.status, 0) << o.err;
    o = run({"ls", "www"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("- "), std::string::npos) << o.out;
    EXPECT_NE(o.out.find(" 11 index.htm\n"), std::string::npos) << o.out;
    o = run({"get", "www/index.htm", "copy.htm"});
    EXPECT_EQ(o.status, 0) << o.err;
    std::ifstream copy(work / "copy.htm");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "<p>ciao</p>");
    o = run({"mv", "www/index.htm", "www/home.htm"});
    EXPECT_EQ(o.status, 0) << o.err;
    o = run({"rm", "www/home.htm"});
    EXPECT_EQ(o.status, 0) << o.err;
    o = run({"rmdir", "www"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::is_empty(temp / "home"));

    // Failures: exit 1 with the reason; usage errors: exit 2.
    o = run({"get", "missing.htm"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("550"), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(work / "missing.htm"));
    o = run({"ls"}, "wrong");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("530"), std::string::npos) << o.err;
    o = run({"frobnicate"});
    EXPECT_EQ(o.status, 2);
    o = run({"get"});
    EXPECT_EQ(o.status, 2);
    o = RunNyx({"127.0.0.1:99999", "ls"}, work, "pw");
    EXPECT_EQ(o.status, 2);
}

TEST(NyxFtp, NoPasswordAndNoTerminalFailsWithoutReadingStdin) {
    platform::testing::TempDir temp;
    auto start = std::chrono::steady_clock::now();
    Outcome o = RunNyx({"127.0.0.1:1", "--user", "autore", "ls"}, temp.path(), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("QUOR_FTP_PASSWORD"), std::string::npos) << o.err;
}

}  // namespace

#include <pty.h>

namespace {

TEST(NyxFtp, PasswordPromptOnATerminal) {
    platform::testing::TempDir temp;
    fs::create_directory(temp / "home");
    std::ofstream(temp / "home/a.htm") << "a";
    ftptest::TPyFtpd server(temp / "home", "autore", "segreta");
    const char* bin = std::getenv("QUOR_BINARY_DIR");
    fs::path nyx = (bin ? fs::path(bin) : fs::read_symlink("/proc/self/exe").parent_path()) / "nyx";
    std::string host = "127.0.0.1:" + std::to_string(server.port());
    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::unsetenv("QUOR_FTP_PASSWORD");
        ::execl(nyx.c_str(), nyx.c_str(), "ftp", host.c_str(), "--user", "autore", "--timeout", "5", "ls",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    bool answered = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;  // the program has ended
        seen.append(buf, static_cast<size_t>(n));
        if (!answered && seen.find("Password di autore@127.0.0.1") != std::string::npos) {
            answered = true;
            ASSERT_EQ(::write(master, "segreta\n", 8), 8);
        }
    }
    ::close(master);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(answered) << seen;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_NE(seen.find("a.htm"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("segreta"), std::string::npos) << "the password was echoed: " << seen;
}

}  // namespace
