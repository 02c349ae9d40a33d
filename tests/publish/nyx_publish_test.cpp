// "nyx publish" against pyftpdlib and the stand-in publishing server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "tests/publish/FtpTestServers.h"
#include "tests/publish/QuorSrv.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs "nyx publish ARGS" with the given environment; stdin stays an open
// pipe (a program reading it would be killed by the 20 s guard).
Outcome RunPublish(const std::vector<std::string>& args, const std::vector<std::string>& env) {
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
        ::unsetenv("QUOR_FTP_PASSWORD");
        ::unsetenv("QUOR_SERVER_PASSWORD");
        for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
        std::vector<std::string> all = {nyx.string(), "publish"};
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
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
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

class NyxPublish : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    fs::path home, nyx;
    std::string config;

    void SetUp() override {
        home = tmp.path() / "home";
        fs::create_directories(home / "www");
        config = "XDG_CONFIG_HOME=" + (tmp.path() / "config").string();
        model::TNYXset set;
        set.NewHypertext();
        set.SetExpPrefix("Sito");
        set.SetTitle("Il sito");
        for (int i = 0; i < 2; ++i) {
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            p->SetText("<Z S0 >Testo " + std::to_string(i));
        }
        nyx = tmp.path() / "Sito.nyx";
        ASSERT_TRUE(set.SaveToFile(nyx));
    }
};

}  // namespace

TEST_F(NyxPublish, FtpAllThenChanged) {
    ftptest::TPyFtpd server(home, "autore", "segreto");
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::vector<std::string> pw = {config, "QUOR_FTP_PASSWORD=segreto"};
    Outcome all = RunPublish({nyx.string(), host, "--user", "autore", "--dir", "/www", "--all"}, pw);
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_NE(all.out.find("Pubblicazione OK. file inviati: 4"), std::string::npos) << all.out;  // css, 2 pages, version
    EXPECT_TRUE(fs::exists(home / "www" / "sito_ver.html"));
    // Nothing changed: only the version page travels.
    Outcome changed = RunPublish({"ftp", nyx.string(), host, "--user", "autore", "--dir", "www"}, pw);
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_NE(changed.out.find("file inviati: 1"), std::string::npos) << changed.out;
    EXPECT_NE(changed.err.find("versione"), std::string::npos) << changed.err;
    // A refused log-in fails and says why; the password is never printed.
    Outcome wrong = RunPublish({nyx.string(), host, "--user", "autore", "--dir", "/www"}, {config, "QUOR_FTP_PASSWORD=sbagliata"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ((wrong.out + wrong.err).find("sbagliata"), std::string::npos);
}

TEST_F(NyxPublish, UsageErrorsAndMissingFiles) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{nyx.string(), "127.0.0.1", "--user", "u"}, 2, "--dir"},
        {{nyx.string(), "127.0.0.1", "--user", "u", "--dir", "/", "--all", "--changed"}, 2, "insieme"},
        {{nyx.string(), "127.0.0.1:99999", "--user", "u", "--dir", "/"}, 2, "porta"},
        {{nyx.string(), "bad\x01host", "--user", "u", "--dir", "/"}, 2, "host"},
        {{(tmp.path() / "manca.nyx").string(), "127.0.0.1", "--user", "u", "--dir", "/"}, 1, "Errore: "},
        {{"server", nyx.string(), "127.0.0.1", "--user", "u", "--dir", "/"}, 2, "sconosciuta"},
    };
    for (const Case& c : cases) {
        Outcome o = RunPublish(c.args, {config, "QUOR_FTP_PASSWORD=x"});
        EXPECT_EQ(o.status, c.status) << c.args[1] << ": " << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    }
}

TEST_F(NyxPublish, ServerPublishAndOverwrite) {
    const fs::path root = tmp.path() / "root";
    fs::create_directories(root);
    ftptest::TQuorSrv server(root);
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::vector<std::string> pw = {config, "QUOR_SERVER_PASSWORD=segreto"};
    Outcome first = RunPublish({"server", nyx.string(), host, "--user", "autore"}, pw);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(fs::exists(root / "sezioni/uno/sito.nyx"));
    Outcome again = RunPublish({"server", nyx.string(), host, "--user", "autore"}, pw);
    EXPECT_EQ(again.status, 1);  // not overwritten without --yes
    Outcome yes = RunPublish({"server", nyx.string(), host, "--user", "autore", "--yes"}, pw);
    EXPECT_EQ(yes.status, 0) << yes.err;
}
