// "nyx ftp" against pyftpdlib on loopback.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/testing/FixedEnv.h"
#include "tests/publish/FtpTestServers.h"
#include "tests/publish/RunNyx.h"

namespace fs = std::filesystem;

namespace {

using nyxtest::Outcome;

// "nyx ftp ARGS" in `cwd`, with the password in $QUOR_FTP_PASSWORD (or none).
Outcome RunNyx(const std::vector<std::string>& args, const fs::path& cwd, const char* password) {
    std::vector<std::string> all = {"ftp"};
    all.insert(all.end(), args.begin(), args.end());
    nyxtest::TNyxEnv env;
    env.cwd = cwd;
    env.guardSeconds = 10;
    env.unset = {"QUOR_FTP_PASSWORD"};
    if (password) env.set = {std::string("QUOR_FTP_PASSWORD=") + password};
    return nyxtest::RunNyx(all, env);
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
    const fs::path nyx = nyxtest::NyxProgram();
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
