// Publishing through the server extension: the secrets, the index page, the
// request bytes, and the client against the stand-in server (quorsrv.py)
// with each of its fault switches.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "FtpTestServers.h"
#include "QuorSrv.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/Quor3Comm.h"
#include "publish/ServerCrypto.h"

using namespace publish;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

}  // namespace

TEST(ServerCrypto, PasswordChangeCrossCheckAndLetters) {
    std::string arg, error;
    ASSERT_TRUE(PasswordChangeArgument("segreto", "nuovapass", arg, error)) << error;
    EXPECT_EQ(arg, "GPKHBAKCHKFOPAMFMIPFCHBNAEKBEJHC");
    EXPECT_EQ(LettersOf(std::string("\x00\x1F\xF0", 3)), "AAPBAP");
    const std::string r = LoginResponse(std::string(32, 'C'), "segreto");
    EXPECT_EQ(r.size(), 32u);
    EXPECT_EQ(r.find_first_not_of("ABCDEFGHIJKLMNOP"), std::string::npos);
    EXPECT_EQ(LoginResponse(std::string(300, 'C'), "x"), LoginResponse(std::string(255, 'C'), "y"));
}

// Without OpenSSL's legacy provider the password change fails with a message
// that says why. The provider is loaded once per process, so the check runs
// in a child of this test program whose module folder is empty.
TEST(ServerCrypto, MissingLegacyProviderIsAClearError) {
    if (std::getenv("QUOR_TEST_NO_LEGACY")) {
        std::string arg, error;
        EXPECT_FALSE(PasswordChangeArgument("segreto", "nuovapass", arg, error));
        EXPECT_NE(error.find("legacy"), std::string::npos) << error;
        EXPECT_EQ(arg, "");
        // The log-in needs only MD5 from the default context, and still works.
        EXPECT_EQ(LoginResponse(std::string(32, 'C'), "segreto").size(), 32u);
        return;
    }
    platform::testing::TempDir empty;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string cmd = "QUOR_TEST_NO_LEGACY=1 OPENSSL_MODULES=" + empty.path().string() + " " + self +
                            " --gtest_filter=ServerCrypto.MissingLegacyProviderIsAClearError >/dev/null 2>&1";
    const int st = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << "the child's check failed: run it with QUOR_TEST_NO_LEGACY=1";
}

TEST(ServerIndex, AddFindRemoveAndEscape) {
    std::vector<std::string> lines = DefaultIndexLines();
    AddIndexEntry(lines, "Sito.nyx", 100, 3, "oggi", "http://h:80//q/quord.dll", "sez/", "Il <mio> sito");
    AddIndexEntry(lines, "altro.nyx", 50, 1, "ieri", "http://h:80//q/quord.dll", "sez/", "Altro\r\n<!/listaipertesti>");
    AddIndexEntry(lines, "homepage.nyx", 10, 2, "ora", "http://h:80//q/quord.dll", "sez/", "Casa");
    const auto entries = IndexEntries(lines);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "homepage.nyx");  // homepage* goes first
    EXPECT_EQ(entries[1].name, "sito.nyx");
    EXPECT_EQ(entries[1].size, 100);
    EXPECT_EQ(entries[1].version, "3");
    EXPECT_EQ(entries[1].date, "oggi");
    EXPECT_NE(JoinLines(lines).find("<LI><A HREF=\"http://h:80//q/quord.dll/sez/sito.nyx/0/0/Z/\">\r\nIl &lt;mio&gt; sito</A>\r\n"),
              std::string::npos);
    // A title cannot close the list early.
    EXPECT_NE(JoinLines(lines).find("Altro&lt;!/listaipertesti&gt;</A>"), std::string::npos);
    EXPECT_EQ(FindIndexEntry(lines, "SITO.NYX"), FindIndexEntry(lines, "sito.nyx"));
    EXPECT_TRUE(RemoveIndexEntry(lines, "Sito.nyx"));
    EXPECT_FALSE(RemoveIndexEntry(lines, "sito.nyx"));
    EXPECT_EQ(IndexEntries(lines).size(), 2u);
    EXPECT_EQ(JoinLines(lines).find("mio"), std::string::npos);
}

TEST(ServerRights, SectionsQuotaAndUnsafePaths) {
    const std::string body =
        "autore uno sezioni/uno/ Prima sezione;;100\r\n"
        "autore  due   sezioni/due/   Seconda\r\n"
        "autoreX tre sezioni/tre/ altro utente\r\n"
        "autore cattiva ../../etc/ fuori\r\n"
        "altro quattro q/ no\r\n";
    const auto s = ParseRights(body, "autore");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].base, "uno");
    EXPECT_EQ(s[0].path, "sezioni/uno/");
    EXPECT_EQ(s[0].description, "Prima sezione");
    EXPECT_EQ(s[0].quotaKb, 100);
    EXPECT_EQ(s[1].description, "Seconda");
    EXPECT_EQ(s[1].quotaKb, 0);
}

TEST(ServerHttp, RequestBytesAndAddresses) {
    THttpClient http;
    THttpUrl u;
    ASSERT_TRUE(ParseHttpUrl("http://www.es.it:8080//scripts/cgi-quor/quorupd.dll", u));
    EXPECT_EQ(u.host, "www.es.it");
    EXPECT_EQ(u.port, 8080);
    EXPECT_EQ(u.path, "//scripts/cgi-quor/quorupd.dll");
    EXPECT_EQ(http.RequestHead("POST", u, 42, "application/octet-stream"),
              "POST //scripts/cgi-quor/quorupd.dll HTTP/1.0\r\nUser-Agent: Quor3.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "Content-Length: 42\r\nContent-Type: application/octet-stream\r\nContent-Encoding: binary\r\n\r\n");
    for (const char* bad : {"http://a b/x", "http://h/x\r\nX: y", "ftp://h/x", "http://h:0/", "http://h/a b"})
        EXPECT_FALSE(ParseHttpUrl(bad, u)) << bad;
    TQuor3Comm comm;
    TServerConfig c;
    c.server = "h\r\nX";
    EXPECT_FALSE(comm.Configure(c));
    c.server = "h";
    c.quorBaseDir2 = "/a\nb/";
    EXPECT_FALSE(comm.Configure(c));
}

class ServerPublish : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    fs::path root;
    std::unique_ptr<ftptest::TQuorSrv> server;
    TQuor3Comm comm;
    fs::path nyx;

    void SetUp() override {
        root = tmp.path() / "root";
        fs::create_directories(root);
        server = std::make_unique<ftptest::TQuorSrv>(root);
        TServerConfig c;
        c.server = "127.0.0.1";
        c.port = server->port();
        c.user = "autore";
        c.timeout = 1;
        ASSERT_TRUE(comm.Configure(c));
        comm.password = "segreto";
        nyx = tmp.path() / "Home.NYX";
        std::ofstream(nyx, std::ios::binary) << "KYTE finto ipertesto";
        ASSERT_EQ(comm.GetRights(), kSrvOk) << comm.Message();
        ASSERT_TRUE(comm.ChooseSection(0));
    }
    fs::path Section() const { return root / "sezioni/uno"; }
};

TEST_F(ServerPublish, PublishListDownloadDeleteAndChangePassword) {
    EXPECT_EQ(comm.status, "Lista diritti ricevuta.");
    ASSERT_EQ(comm.GetIndex(), kSrvOk) << comm.Message();  // 404: no index yet
    ASSERT_EQ(comm.PublishHypertext(nyx, "Casa mia", 7), kSrvOk) << comm.Message();
    EXPECT_EQ(Slurp(Section() / "home.nyx"), "KYTE finto ipertesto");
    EXPECT_NE(Slurp(Section() / "home.htm").find("0;URL=" + comm.ParseAddress() + "/sezioni/uno/home.nyx/0/0/Z/"),
              std::string::npos);
    ASSERT_EQ(comm.GetIndex(), kSrvOk);
    ASSERT_EQ(comm.Entries().size(), 1u);
    EXPECT_EQ(comm.Entries()[0].name, "home.nyx");
    EXPECT_EQ(comm.Entries()[0].version, "7");

    const fs::path got = tmp.path() / "giu" / "home.nyx";
    fs::create_directories(got.parent_path());
    ASSERT_EQ(comm.Download(comm.SectionAddress() + "home.nyx", got), kSrvOk) << comm.Message();
    EXPECT_EQ(Slurp(got), "KYTE finto ipertesto");

    ui.ui.answers = {platform::Answer::Yes};  // overwrite
    EXPECT_EQ(comm.PublishHypertext(nyx, "Casa mia", 8), kSrvOk);
    EXPECT_EQ(comm.Entries().size(), 1u);
    ui.ui.answers = {platform::Answer::No};
    EXPECT_EQ(comm.PublishHypertext(nyx, "Casa mia", 9), kSrvCancelled);

    ASSERT_EQ(comm.DeleteHypertext("home.nyx"), kSrvOk) << comm.Message();
    EXPECT_FALSE(fs::exists(Section() / "home.nyx"));
    EXPECT_TRUE(comm.Entries().empty());

    ASSERT_EQ(comm.ChangePassword("nuovapass"), kSrvOk) << comm.Message();
    EXPECT_NE(server->Log().find("NEWPASS nuovapass"), std::string::npos);
    EXPECT_EQ(comm.GetIndex(), kSrvOk);
    EXPECT_EQ(comm.Put("prova.txt", "x"), kSrvOk) << comm.Message();  // logs in with the new one
    EXPECT_EQ(server->Log().find("segreto"), std::string::npos);
    for (const std::string& t : comm.trace) EXPECT_EQ(t.find("segreto"), std::string::npos) << t;
}

TEST_F(ServerPublish, FaultSwitches) {
    struct Case {
        const char* faults;
        int result;
        const char* message;  // part of it
    } cases[] = {
        {"challenge=31", kSrvChallenge, "\nChallenge KO."},
        {"challenge=33", kSrvChallenge, "\nChallenge KO."},
        {"mput_empty=1", kSrvEmpty, "Superamento quota o Password errata"},
        {"refuse=N spazio esaurito", kSrvRefused, "N spazio esaurito"},
        {"status=500", 500, ""},
        {"status=404", 404, ""},
        {"short=1", kSrvError, "incompleta"},
        {"slow=3", kSrvError, ""},
        {"reset=1", kSrvError, ""},
        {"big_head=250", kSrvError, "troppo lunga"},
        {"huge_length=1", kSrvError, "Lunghezza"},
    };
    for (const Case& c : cases) {
        server->Faults(c.faults);
        EXPECT_EQ(comm.Put("prova.txt", "dati"), c.result) << c.faults;
        EXPECT_NE(comm.Message().find(c.message), std::string::npos) << c.faults << ": " << comm.Message();
    }
    server->Faults("");
    EXPECT_EQ(comm.Put("prova.txt", "dati"), kSrvOk) << comm.Message();
}

TEST_F(ServerPublish, FailedOrTruncatedIndexFetchNeverOverwritesTheIndex) {
    fs::create_directories(Section());
    const std::string other = JoinLines({"<!listaipertesti>", "<!=altro.nyx\"5\"1\"ieri>", "<LI>x", "altro</A>", "<!/listaipertesti>"});
    std::ofstream(Section() / "lista.html", std::ios::binary) << other;
    for (const char* f : {"status_get=500", "short=1", "reset=1"}) {
        server->Faults(f);
        comm.ChooseSection(0);
        EXPECT_NE(comm.PublishHypertext(nyx, "Casa", 1), kSrvOk) << f;
        server->Faults("");
        EXPECT_EQ(Slurp(Section() / "lista.html"), other) << f;
        EXPECT_FALSE(fs::exists(Section() / "home.nyx")) << f;
    }
    comm.ChooseSection(0);
    ASSERT_EQ(comm.PublishHypertext(nyx, "Casa", 1), kSrvOk) << comm.Message();
    EXPECT_NE(Slurp(Section() / "lista.html").find("altro.nyx"), std::string::npos);
}

TEST_F(ServerPublish, FailedUploadsRollTheIndexBack) {
    ASSERT_EQ(comm.GetIndex(), kSrvOk);
    ASSERT_EQ(comm.PublishHypertext(nyx, "Casa", 1), kSrvOk);
    const std::string before = Slurp(Section() / "lista.html");
    const fs::path second = tmp.path() / "Due.nyx";
    std::ofstream(second) << "KYTE due";
    for (const char* f : {"fail_mput_name=due.nyx", "fail_mput_name=due.htm"}) {
        server->Faults(f);
        EXPECT_EQ(comm.PublishHypertext(second, "Due", 1), kSrvRefused) << f;
        EXPECT_EQ(Slurp(Section() / "lista.html"), before) << f;
    }
    // The index put back fails too: the user hears that it may be wrong.
    server->Faults("fail_mput_name=due.nyx\nfail_rollback=1\n");
    EXPECT_EQ(comm.PublishHypertext(second, "Due", 1), kSrvIndexFailed);
    EXPECT_NE(comm.Message().find("incoerente"), std::string::npos) << comm.Message();
}

TEST_F(ServerPublish, LongPasswordsAreRefused) {
    EXPECT_EQ(comm.ChangePassword(std::string(17, 'p')), kSrvError);
    comm.password = std::string(17, 'p');
    EXPECT_EQ(comm.Put("x", "y"), kSrvError);
    EXPECT_EQ(server->Log().find("MPUT"), std::string::npos);
}
