// The FTP client against replies no well-behaved server sends: a reply reader
// fed through a socket pair, and a scripted server on a loopback thread.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <streambuf>
#include <functional>
#include <utility>
#include <sstream>
#include <thread>

#include "platform/testing/ScriptedUi.h"
#include "publish/Ftp.h"
#include "publish/KyFtpComm.h"
#include "tests/publish/FtpTestServers.h"

using namespace publish;
using ftptest::FakeLogin;
using ftptest::TFakeConn;
using ftptest::TFakeFtpd;

namespace {

// A client whose control connection is one end of a socket pair; the test
// writes the server's bytes into the other end and closes it.
struct PairedClient {
    T_Ftp ftp;
    int server = -1;
    PairedClient() {
        int sv[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, sv), 0);
        ftp.TimeoutMs = 1000;
        ftp.AttachControl(TSocket(sv[0]));
        server = sv[1];
    }
    ~PairedClient() { CloseServer(); }
    void Feed(const std::string& bytes) {
        std::thread writer([fd = server, bytes] {
            size_t done = 0;
            while (done < bytes.size()) {
                ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
                if (n > 0)
                    done += static_cast<size_t>(n);
                else if (errno != EAGAIN)
                    return;
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        writer.join();
    }
    void CloseServer() {
        if (server >= 0) ::close(server);
        server = -1;
    }
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(FtpReplyReader, MultiLineRepliesEndAtTheirCodeAndSpace) {
    PairedClient c;
    // A greeting in three lines (one indented, one that only looks like an
    // end), then two replies back to back.
    c.Feed("220-Hello\r\n 220 indented text\r\n220-still going\r\n2200 not the end\r\n220 Ready\r\n"
           "230-Welcome\n230 Logged in\r\n200 Type set\r\n");
    TFtpReply r = c.ftp.ReadReply();
    EXPECT_EQ(r.code, 220);
    EXPECT_EQ(r.text, "Hello");
    EXPECT_EQ(r.lines.size(), 5u);
    r = c.ftp.ReadReply();
    EXPECT_EQ(r.code, 230);
    EXPECT_EQ(r.lines.size(), 2u);
    r = c.ftp.ReadReply();
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.text, "Type set");
}

TEST(FtpReplyReader, BadRepliesFailCleanly) {
    struct Case {
        std::string bytes;
        bool protocol;  // EFtpProtocol with this code, else a local error
        int code;
        const char* text;  // part of the message
    };
    const Case cases[] = {
        {"hello world\r\n", true, 999, "world"},
        {"550 No such file\r\n", true, 550, "No such file"},
        {"", false, 0, "Connessione chiusa"},
        {"220-Hello\r\n220-more\r\n", false, 0, "Connessione chiusa"},
        {"220-x\r\n" + Repeat("x\r\n", 5000) + "220 end\r\n", false, 0, "troppo lunga"},
        {std::string(100000, 'a'), false, 0, "troppo lunga"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.bytes.substr(0, 40));
        PairedClient c;
        c.Feed(k.bytes);
        c.CloseServer();
        try {
            c.ftp.ReadReply();
            ADD_FAILURE() << "no error";
        } catch (const EFtpProtocol& e) {
            EXPECT_TRUE(k.protocol);
            EXPECT_EQ(e.Code(), k.code);
            EXPECT_NE(std::string(e.what()).find(k.text), std::string::npos) << e.what();
        } catch (const ENetError& e) {
            EXPECT_FALSE(k.protocol) << e.what();
            EXPECT_NE(std::string(e.what()).find(k.text), std::string::npos) << e.what();
        }
    }
}

std::string PasvReply(int port, const char* host = "10,0,0,5") {
    return "227 Entering Passive Mode (" + std::string(host) + "," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ")";
}

TEST(FtpFakeServer, DataGoesToTheControlPeerWhateverPasvNames) {
    TFakeFtpd server([](TFakeConn& c, int) {
        FakeLogin(c);
        int port = c.OpenDataListener();
        c.Serve({{"PASV", PasvReply(port)}}, "PASV");
        if (c.Read().rfind("LIST", 0) != 0) return;
        c.Reply("150 here it comes");
        if (!c.AcceptData()) return;
        c.SendData("drwxr-xr-x 2 u g 512 Mar 3 12:05 my folder\r\n-rw-r--r-- 1 u g 9 Nov 12 1998 a.htm\r\n");
        c.CloseData();
        c.Reply("226 done");
        c.Serve({{"QUIT", "221 bye"}}, "QUIT");
    });
    T_Ftp ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = static_cast<std::uint16_t>(server.port());
    ftp.TimeoutMs = 2000;
    std::vector<std::string> sent, all;
    ftp.OnTrace = [&](const std::string& text, int level, long long) {
        all.push_back(text);
        if (level == 0) sent.push_back(text);
    };
    ftp.List(".");
    EXPECT_EQ(sent, (std::vector<std::string>{"USER ftp", "PASS ******", "TYPE I", "PASV", "LIST ."}));
    for (const auto& t : all) EXPECT_EQ(t.find(ftp.Password), std::string::npos) << t;
    T_Filedata e;
    ASSERT_TRUE(ftp.NextEntry(e));
    EXPECT_EQ(e.name, "my folder");
    EXPECT_EQ(e.kind, kFtpDirectory);
    ASSERT_TRUE(ftp.NextEntry(e));
    EXPECT_EQ(e.name, "a.htm");
    EXPECT_FALSE(ftp.NextEntry(e));
    ftp.Disconnect();
    EXPECT_EQ(ftp.ControlSocket(), -1);
}

TEST(FtpFakeServer, AnnouncedSizeAndUploadPieces) {
    std::string received;
    TFakeFtpd server([&](TFakeConn& c, int) {
        FakeLogin(c);
        int port = c.OpenDataListener();
        c.Serve({{"PASV", PasvReply(port, "127,0,0,1")}}, "PASV");
        c.Read();  // RETR
        c.Reply("150 Opening BINARY mode data connection for a.bin (1234 bytes)");
        if (!c.AcceptData()) return;
        c.SendData(std::string(1234, 'z'));
        c.CloseData();
        c.Reply("226 done");
        port = c.OpenDataListener();
        c.Serve({{"PASV", PasvReply(port, "127,0,0,1")}}, "PASV");
        c.Read();  // STOR
        c.Reply("150 go ahead");
        if (!c.AcceptData()) return;
        received = c.ReceiveData();
        c.CloseData();
        c.Reply("226 stored");
        c.Serve({{"QUIT", "221 bye"}}, "QUIT");
    });
    T_Ftp ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = static_cast<std::uint16_t>(server.port());
    ftp.TimeoutMs = 2000;
    std::vector<std::pair<long long, long long>> progress;
    ftp.OnProgress = [&](int, long long expected, long long soFar) { progress.emplace_back(expected, soFar); };

    std::ostringstream out;
    ftp.Download("a.bin", out);
    EXPECT_EQ(out.str(), std::string(1234, 'z'));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(1234LL, 1234LL));

    progress.clear();
    std::string payload(70000, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
    std::istringstream in(payload);
    ftp.Upload(in, "b.bin");
    std::vector<std::pair<long long, long long>> pieces = {{70000, 32512}, {70000, 65024}, {70000, 70000}};
    EXPECT_EQ(progress, pieces);
    ftp.Disconnect();
    EXPECT_EQ(received, payload);
}

TEST(FtpFakeServer, SilentServerTimesOutAndClosesEverything) {
    TFakeFtpd server([](TFakeConn& c, int) {
        c.Reply("220 fake ready");
        c.Silence();
    });
    T_Ftp ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = static_cast<std::uint16_t>(server.port());
    ftp.TimeoutMs = 150;
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(ftp.Connect(), ETimeout);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(ftp.Connected());
    EXPECT_EQ(ftp.ControlSocket(), -1);
    EXPECT_EQ(ftp.DataSocket(), -1);
}

TEST(FtpFakeServer, DroppedConnectionsAreNoticedAndTheNextOperationReconnects) {
    TFakeFtpd server([](TFakeConn& c, int index) {
        FakeLogin(c);
        if (index == 0) return;  // hangs up while idle
        if (index == 1) {
            c.Read();  // hangs up in the middle of a command
            return;
        }
        c.Serve({{"MKD", "257 \"/new\" created"}, {"PWD", "257 \"/here\""}, {"QUIT", "221 bye"}}, "QUIT");
    });
    platform::testing::ScriptedUiScope ui;
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().TimeoutMs = 2000;
    ASSERT_EQ(comm.Connect(), kFtpOk);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The idle hang-up is found before the command and a new session opened;
    // that one dies under the command, which fails, and closes its sockets.
    EXPECT_EQ(comm.MakeFolder("new"), kFtpFailed);
    EXPECT_NE(comm.ErrorText().find("Connessione chiusa"), std::string::npos) << comm.ErrorText();
    EXPECT_FALSE(comm.Connected());
    EXPECT_EQ(comm.Ftp().ControlSocket(), -1);
    EXPECT_EQ(comm.MakeFolder("new"), kFtpOk);
    EXPECT_EQ(comm.CurrentFolder(), "/here/");
    EXPECT_EQ(comm.Disconnect(), kFtpOk);
    EXPECT_EQ(server.connections(), 3);
}

TEST(FtpFakeServer, ArgumentsWithLineBreaksOrNulAreRefused) {
    TFakeFtpd server([](TFakeConn& c, int) {
        FakeLogin(c);
        c.Serve({{"QUIT", "221 bye"}}, "QUIT");
    });
    platform::testing::ScriptedUiScope ui;
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().TimeoutMs = 2000;
    const std::string bad[] = {"a\r\nDELE x", "a\nb", std::string("a\0b", 3)};
    for (const auto& arg : bad) {
        EXPECT_EQ(comm.MakeFolder(arg), kFtpRefused);
        EXPECT_EQ(comm.Rename("ok", arg), kFtpRefused);
        EXPECT_EQ(comm.List(arg), kFtpRefused);
        std::ostringstream out;
        EXPECT_EQ(comm.Download(arg, out), kFtpRefused);
    }
    EXPECT_EQ(server.connections(), 0);
    // Missing arguments too.
    EXPECT_EQ(comm.DeleteFile(""), kFtpRefused);
    EXPECT_EQ(comm.ErrorText(), "Argomento mancante");
    // A password with a line break never reaches the server.
    comm.Ftp().Password = "secret\r\nDELE index.htm";
    EXPECT_EQ(comm.Connect(), kFtpFailed);
    EXPECT_EQ(server.connections(), 0);
}

TEST(FtpFakeServer, PeerClosingTheDataConnectionNeverRaisesSigpipe) {
    TFakeFtpd server([](TFakeConn& c, int) {
        FakeLogin(c);
        int port = c.OpenDataListener();
        c.Serve({{"PASV", PasvReply(port)}}, "PASV");
        c.Read();  // STOR
        c.Reply("150 go ahead");
        c.AcceptData();
        c.CloseData();  // gone at once, and the control connection too
    });
    struct sigaction old{};
    struct sigaction dfl{};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, &old);
    T_Ftp ftp;
    ftp.HostName = "127.0.0.1";
    ftp.Port = static_cast<std::uint16_t>(server.port());
    ftp.TimeoutMs = 2000;
    std::istringstream in(std::string(8 << 20, 'x'));
    EXPECT_THROW(ftp.Upload(in, "big.bin"), ENetError);
    ::sigaction(SIGPIPE, &old, nullptr);
    EXPECT_EQ(ftp.ControlSocket(), -1);
    EXPECT_EQ(ftp.DataSocket(), -1);
    EXPECT_FALSE(ftp.Busy());
}

// A user interface whose event loop presses "Stop" after a while.
class StoppingUi : public platform::testing::ScriptedUi {
public:
    TKyFtpComm* comm = nullptr;
    std::chrono::steady_clock::time_point at;
    void ProcessEvents(int rounds) override {
        ScriptedUi::ProcessEvents(rounds);
        if (comm && std::chrono::steady_clock::now() >= at) comm->Stop();
    }
};

TEST(FtpFakeServer, StopEndsAWaitingOperationAndTheRunnerGoesOn) {
    TFakeFtpd server([](TFakeConn& c, int index) {
        if (index == 0) {
            c.Reply("220 fake ready");
            c.Silence();  // never answers USER
            return;
        }
        FakeLogin(c);
        c.Serve({{"PWD", "257 \"/\""}, {"QUIT", "221 bye"}}, "QUIT");
    });
    StoppingUi ui;
    platform::ScopedUi scope(ui);
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().TimeoutMs = 30000;
    int shown = 0, hidden = 0;
    comm.OnBegin = [&] { ++shown; };
    comm.OnEnd = [&] { ++hidden; };
    ui.comm = &comm;
    ui.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm.Connect(), kFtpStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(comm.Busy());
    EXPECT_EQ(comm.Ftp().ControlSocket(), -1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(hidden, 1);
    ui.comm = nullptr;
    EXPECT_EQ(comm.CurrentFolder(), "/");
    EXPECT_EQ(comm.Result(), kFtpOk);
    EXPECT_EQ(comm.Disconnect(), kFtpOk);
}

// A user interface whose event loop runs a hook once.
class HookUi : public platform::testing::ScriptedUi {
public:
    std::function<void()> once;
    void ProcessEvents(int rounds) override {
        ScriptedUi::ProcessEvents(rounds);
        if (once) std::exchange(once, nullptr)();
    }
};

TEST(FtpFakeServer, ASecondOperationIsRefusedWhileOneRuns) {
    TFakeFtpd server([](TFakeConn& c, int) {
        c.Reply("220 fake ready");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        c.Serve({{"USER", "331 pw"}, {"PASS", "230 ok"}, {"TYPE", "200 binary"}, {"QUIT", "221 bye"}}, "QUIT");
    });
    HookUi ui;
    platform::ScopedUi scope(ui);
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().TimeoutMs = 2000;
    int nested = 0;
    ui.once = [&] { nested = comm.MakeFolder("x"); };
    EXPECT_EQ(comm.Connect(), kFtpOk);
    EXPECT_EQ(nested, kFtpRefused);
    EXPECT_EQ(comm.Disconnect(), kFtpOk);
}

// A stream whose first read blocks until released: a worker stuck where no
// socket wait can wake it.
class BlockingBuf : public std::streambuf {
public:
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

protected:
    int_type underflow() override {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return released_; });
        if (served_) return traits_type::eof();
        served_ = true;
        setg(data_, data_, data_ + sizeof data_);
        return traits_type::to_int_type(data_[0]);
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
    bool served_ = false;
    char data_[1000] = {};
};

TEST(FtpFakeServer, StopLetsGoOfAWorkerThatDoesNotEnd) {
    TFakeFtpd server([](TFakeConn& c, int index) {
        FakeLogin(c);
        if (index == 0) {
            int port = c.OpenDataListener();
            c.Serve({{"PASV", PasvReply(port)}}, "PASV");
            c.Read();  // STOR
            c.Reply("150 go ahead");
            c.AcceptData();
            return;
        }
        c.Serve({{"PWD", "257 \"/dopo\""}, {"QUIT", "221 bye"}}, "QUIT");
    });
    // Static: the worker let go of may touch the stream after the test.
    static BlockingBuf buf;
    static std::istream in(&buf);
    StoppingUi ui;
    platform::ScopedUi scope(ui);
    TKyFtpComm comm;
    comm.Ftp().HostName = "127.0.0.1";
    comm.Ftp().Port = static_cast<std::uint16_t>(server.port());
    comm.Ftp().TimeoutMs = 2000;
    const T_Ftp* before = &comm.Ftp();
    ui.comm = &comm;
    ui.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(comm.Upload(in, "stuck.bin"), kFtpStopped);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(1100));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    ui.comm = nullptr;
    // A fresh protocol object with the same settings carries on.
    EXPECT_NE(&comm.Ftp(), before);
    EXPECT_EQ(comm.Ftp().Port, server.port());
    EXPECT_EQ(comm.CurrentFolder(), "/dopo/");
    EXPECT_EQ(comm.Disconnect(), kFtpOk);
    buf.Release();  // the old worker wakes, finds itself stopped and ends
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace
