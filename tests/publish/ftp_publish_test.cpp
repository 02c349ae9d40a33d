// Publishing by FTP: the version page, the choice of rows, the configurations,
// and whole publications against pyftpdlib and vsftpd on loopback.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "FtpTestServers.h"
#include "MapAccess.h"
#include "VsFtpd.h"
#include "convert/Converter.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/AfterScript.h"
#include "publish/FtpConfig.h"
#include "publish/FtpPublish.h"
#include "publish/KyFtpComm.h"
#include "support/Needs.h"

using namespace publish;
using namespace model;
namespace fs = std::filesystem;

namespace {

using ftptest::TMapAccess;

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<std::string> StoredFiles(const fs::path& log) {
    std::vector<std::string> out;
    std::ifstream f(log);
    for (std::string line; std::getline(f, line);)
        if (line.compare(0, 5, "STOR ") == 0) out.push_back(fs::path(line.substr(5)).filename().string());
    return out;
}

// A small program for the after-transfer script, made executable.
fs::path WriteScript(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

}  // namespace

TEST(FtpPublishVersionPage, TextAndParse) {
    const std::string page = TFtpPublisher::VersionPageText("/home/a/sito.nyx", 12);
    EXPECT_EQ(page,
              "<HTML><HEAD><TITLE>Version</TITLE></HEAD>\r\n<BODY>QUOR. Please don't delete.<BR>\r\n"
              "Hypertext :/home/a/sito.nyx<BR>\r\nVersion   :12<BR>\r\n<!--VER=12--><BR>\r\n</BODY>");
    struct Case {
        std::string text;
        int version;
    } cases[] = {
        {page, 12},
        {"<!--VER=7-->", 7},
        {"a\r\nb<!--VER=x-->\r\n<!--VER=3-->", -1},  // only the first marker line counts
        {"<!--VER=99999999999-->", -1},
        {"<!--VER=5", -1},
        {"nothing here", -1},
        {"", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(TFtpPublisher::ParseVersionPage(c.text), c.version) << c.text;
}

TEST(FtpPublishNames, SafeDownloadNames) {
    const std::pair<std::string, std::string> cases[] = {
        {"sito.nyx", "sito.nyx"},         {"../../etc/passwd", "passwd"}, {"a\\b\\c.nyx", "c.nyx"},
        {"..", ""},                       {"dir/", ""},                   {"x\r\ny.nyx", "xy.nyx"},
        {"  spazio.nyx ", "spazio.nyx"}, {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(SafeDownloadName(in), out) << in;
}

TEST(FtpPublishConfig, OutOfRangeValuesFallBackAndHostsAreChecked) {
    TMapAccess a;
    EXPECT_EQ(FtpConfigCount(a), 1);
    TFtpConfig first = ReadFtpConfig(a, 0);
    EXPECT_EQ(first.nomeConf, "Default");
    EXPECT_EQ(first.user, "anonymous");
    const std::pair<std::string, int> ports[] = {{"0", 21}, {"70000", 21}, {"abc", 21}, {"2121", 2121}, {"", 21}};
    for (const auto& [text, port] : ports) {
        a.values["ftpnet\\0|port"] = text;
        EXPECT_EQ(ReadFtpConfig(a, 0).port, port) << text;
    }
    a.values["ftpnet\\0|timeout"] = "-5";
    EXPECT_EQ(ReadFtpConfig(a, 0).timeout, 30);
    for (const char* bad : {"", "a b", "host\r\nUSER x", "h\tx"}) EXPECT_FALSE(ValidHostName(bad)) << bad;
    EXPECT_TRUE(ValidHostName("ftp.esempio.it"));
    TKyFtpComm comm;
    comm.Ftp().HostName = "ftp.esempio.it\r\nUSER x";
    EXPECT_EQ(comm.Connect(), kFtpFailed);
    EXPECT_NE(comm.ErrorText().find("Nome host non valido"), std::string::npos);
}

TEST(FtpPublishConfig, PasswordIsKeptOnlyWhileAsked) {
    TMapAccess a;
    TFtpConfig c;
    c.savePass = true;
    c.pass = "segreto";
    WriteFtpConfig(a, 2, c);
    EXPECT_EQ(FtpConfigCount(a), 3);
    EXPECT_EQ(ReadFtpConfig(a, 2).pass, "segreto");
    c.savePass = false;
    WriteFtpConfig(a, 2, c);
    EXPECT_EQ(a.values.count("ftpnet\\2|pass"), 0u);
    EXPECT_EQ(ReadFtpConfig(a, 2).pass, "");
    SetSelectedFtpConfig(a, 0, 2);
    EXPECT_EQ(SelectedFtpConfig(a, 0), 2);
    SetSelectedFtpConfig(a, 1, 7);  // past the count
    EXPECT_EQ(SelectedFtpConfig(a, 1), 0);
}

TEST(FtpPublishRows, ChangedRowsAndTheVersionClaimed) {
    TKyFtpComm comm;
    TFtpPublisher p(comm);
    auto row = [](std::int32_t ref, std::int32_t stamp) {
        TPublishRow r;
        r.ref = ref;
        r.stamp = stamp;
        r.files = {"x"};
        return r;
    };
    p.rows = {row(1, 3), row(2, 5), row(3, 6)};
    p.serverVersion = 4;
    p.ChooseChanged();
    EXPECT_FALSE(p.rows[0].checked);
    EXPECT_TRUE(p.rows[1].checked);
    EXPECT_TRUE(p.rows[2].checked);
    // Row 2 sent, row 3 left out: the version page may not claim row 3
    // (save version 7).
    p.rows[1].sent = 6;
    p.rows[2].checked = false;
    EXPECT_EQ(p.ClaimableVersion(7), 5);
    p.rows[2].sent = 6;
    EXPECT_EQ(p.ClaimableVersion(7), 6);
    p.serverVersion = -1;
    p.ChooseChanged();
    EXPECT_EQ(p.CheckedCount(), 3u);
}

// A hypertext of three pages, one showing a picture, saved to disk.
class FtpPublishSite : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    convert::html::TNYXtoHtml x{&set};
    fs::path home, nyx, log;
    std::string remote = "/www/";  // the server's name of home/www
    std::string user = "autore";

    void SetUp() override {
        home = tmp.path() / "home";
        fs::create_directories(home / "www");
        log = tmp.path() / "stor.log";
        set.NewHypertext();
        set.SetExpPrefix("Sito");
        x.options.expSepImage = true;
        fs::path gif = tmp.path() / "foto.gif";
        {
            std::ofstream f(gif, std::ios::binary);
            f.write(kGif, sizeof kGif - 1);
        }
        TNYXoggetto* pic = set.AddPicture(gif);
        ASSERT_TRUE(pic);
        TNYXoggetto* placed = set.NewPlacedPicture(pic);
        if (placed && !placed->Registered()) set.RegisterObject(immagineNew, -1, placed);
        char tag[16];
        std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(placed->Reference()));
        for (int i = 0; i < 3; ++i) {
            auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
            p->SetName("Pagina " + std::to_string(i));
            p->SetText("<Z S0 >Testo " + std::to_string(i) + (i == 1 ? std::string(tag) : std::string()));
        }
        nyx = tmp.path() / "sito.nyx";
        ASSERT_TRUE(set.SaveToFile(nyx));
    }

    // Exports and publishes with the rows `choose` checks; returns the result.
    int PublishTo(TKyFtpComm& comm, TFtpPublisher& p, const std::function<void(TFtpPublisher&)>& choose) {
        p.Export(x, set, tmp.path() / "exp");
        std::map<std::string, long long> remote;
        EXPECT_EQ(ListRemote(comm, this->remote, remote), kFtpOk) << comm.ErrorText();
        p.ReadServerVersion(this->remote, Names(remote));
        choose(p);
        return p.Publish(this->remote, set.SaveCounter(), set.NYXFileName());
    }

    void Connect(TKyFtpComm& comm, int port) {
        comm.Ftp().HostName = "127.0.0.1";
        comm.Ftp().Port = static_cast<std::uint16_t>(port);
        comm.Ftp().UserName = user;
        comm.Ftp().Password = "segreto";
        comm.Ftp().TimeoutMs = 10000;
    }

    // Publish all, change one page, publish the changed rows: only that page
    // and the version page travel; then everything again over the existing
    // "images/" folder.
    void AllThenChangedThenAll(int port, const std::function<std::vector<std::string>()>& stored) {
        TKyFtpComm comm;
        Connect(comm, port);
        TFtpPublisher p(comm);
        ASSERT_EQ(PublishTo(comm, p, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpOk) << p.detail;
        EXPECT_EQ(p.status, "Pubblicazione OK.");
        EXPECT_TRUE(fs::exists(home / "www" / "images"));
        const int v = set.SaveCounter() - 1;
        EXPECT_EQ(TFtpPublisher::ParseVersionPage(Slurp(home / "www" / "sito_ver.html")), v);
        const std::size_t first = stored().size();
        EXPECT_EQ(first, p.rows.size() + 1);

        auto* page = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, 2));
        page->SetText("<Z S0 >Testo cambiato");
        page->SetStamp(set.SaveCounter());
        const std::string changedFile = x.PageFileName(page, 0);
        ASSERT_TRUE(set.SaveToFile(nyx));
        TFtpPublisher again(comm);
        ASSERT_EQ(PublishTo(comm, again,
                            [&](TFtpPublisher& q) {
                                std::map<std::string, long long> listed;
                                ListRemote(comm, remote, listed);
                                q.ChooseChanged(listed);
                            }),
                  kFtpOk)
            << again.detail;
        EXPECT_EQ(again.serverVersion, v);
        std::vector<std::string> all = stored();
        ASSERT_EQ(all.size(), first + 2);
        EXPECT_EQ(all[first], changedFile);
        EXPECT_EQ(all[first + 1], "sito_ver.html");
        EXPECT_NE(Slurp(home / "www" / changedFile).find("cambiato"), std::string::npos);

        TFtpPublisher third(comm);
        EXPECT_EQ(PublishTo(comm, third, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpOk) << third.detail;
    }
};

TEST_F(FtpPublishSite, PyftpdlibAllChangedAndTwiceWithPictures) {
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--log", log.string()});
    AllThenChangedThenAll(server.port(), [&] { return StoredFiles(log); });
}

TEST_F(FtpPublishSite, VsftpdAllChangedAndTwiceWithPictures) {
    QUOR_NEEDS(ftptest::VsFtpdAvailable(), "vsftpd (scripts/install-deps)");
    ftptest::TVsFtpd server(tmp.path() / "vsftpd", home);
    QUOR_NEEDS(server.port() > 0, "vsftpd starting on loopback");
    remote = home.string() + "/www/";
    user = "anonymous";
    AllThenChangedThenAll(server.port(), [&] { return server.StoredFiles(); });
}

TEST_F(FtpPublishSite, RefusedUploadKeepsTheVersionPageOff) {
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--fail-stor", "2", "--log", log.string()});
    TKyFtpComm comm;
    Connect(comm, server.port());
    TFtpPublisher p(comm);
    EXPECT_EQ(PublishTo(comm, p, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpFailed);
    EXPECT_EQ(p.status, "Errore");
    EXPECT_FALSE(fs::exists(home / "www" / "sito_ver.html"));
    EXPECT_EQ(StoredFiles(log).size(), 1u);
    EXPECT_FALSE(p.rows[0].checked);  // sent
    for (std::size_t i = 1; i < p.rows.size(); ++i) EXPECT_TRUE(p.rows[i].checked) << i;
}

TEST_F(FtpPublishSite, MissingExportedFileIsARowFailureNotSent) {
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--log", log.string()});
    TKyFtpComm comm;
    Connect(comm, server.port());
    TFtpPublisher p(comm);
    const int r = PublishTo(comm, p, [](TFtpPublisher& q) {
        q.ChooseAll(true);
        fs::remove(q.localFolder / q.rows.back().files[0]);
    });
    EXPECT_EQ(r, kPublishMissingFile);
    EXPECT_TRUE(p.rows.back().checked);
    EXPECT_EQ(p.rows.back().sent, -1);
    EXPECT_FALSE(fs::exists(home / "www" / "sito_ver.html"));
}

TEST_F(FtpPublishSite, ServerVersionFallsBackToHtmAndCapsItsSize) {
    ftptest::TPyFtpd server(home, "autore", "segreto");
    TKyFtpComm comm;
    Connect(comm, server.port());
    TFtpPublisher p(comm);
    p.baseName = "Sito";
    struct Case {
        const char* what;
        std::vector<std::string> names;
        std::string htmlBody, htmBody;
        int version;
    } cases[] = {
        {"html", {"sito_ver.html"}, "<!--VER=12-->", "", 12},
        {"html listed but only htm there", {"sito_ver.html"}, "", "<!--VER=4-->", 4},
        {"only htm listed", {"sito_ver.htm"}, "", "<!--VER=4-->", -1},
        {"oversized", {"sito_ver.html"}, std::string(kMaxVersionPage, 'x') + "<!--VER=9-->", "", -1},
    };
    for (const Case& c : cases) {
        fs::remove(home / "www" / "sito_ver.html");
        fs::remove(home / "www" / "sito_ver.htm");
        if (!c.htmlBody.empty()) std::ofstream(home / "www" / "sito_ver.html", std::ios::binary) << c.htmlBody;
        if (!c.htmBody.empty()) std::ofstream(home / "www" / "sito_ver.htm", std::ios::binary) << c.htmBody;
        EXPECT_EQ(p.ReadServerVersion("/www/", c.names), c.version) << c.what;
        EXPECT_EQ(p.versionLabel.find("nessuna versione") != std::string::npos, c.version < 0) << c.what;
    }
}

TEST_F(FtpPublishSite, MissingNativeFileSaysErrorAndThePath) {
    TKyFtpComm comm;
    TFtpPublisher p(comm);
    EXPECT_EQ(p.Publish("/www/", 3, tmp.path() / "manca.nyx"), kPublishNoNative);
    EXPECT_EQ(p.status, "Errore: " + (tmp.path() / "manca.nyx").string());
}

TEST(FtpPublishScript, ArgumentsAsAList) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},
        {"  a b\t c ", {"a", "b", "c"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x \"\" y", {"x", "", "y"}},
        {"pre\"fisso con\"spazi", {"prefisso conspazi"}},
    };
    for (const auto& [text, words] : cases) EXPECT_EQ(SplitScriptArguments(text), words) << text;
    TFtpConfig c;
    c.script = " /usr/local/bin/dopo ";
    c.scriptm = "-v \"la cartella\"";
    EXPECT_FALSE(ScriptOf(c).Enabled());  // stored, but not asked for
    c.useScript = true;
    const TAfterTransferScript s = ScriptOf(c);
    EXPECT_EQ(s.program, "/usr/local/bin/dopo");
    EXPECT_EQ(s.arguments, (std::vector<std::string>{"-v", "la cartella"}));
}

TEST(FtpPublishScript, RunsWithoutAShellAndReportsEveryFailure) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    const fs::path log = tmp / "log";
    // Names full of shell syntax reach the program as they are, one argument each.
    const std::string remote = "/www/a;touch " + (tmp / "preso").string() + ".htm";
    const std::string local = "/tmp/l $(touch " + (tmp / "preso2").string() + ") `x`";
    struct Case {
        const char* what;
        std::string body;
        bool ok;
        const char* says;
    } cases[] = {
        {"ok", "out=\"$1\"; shift; printf '[%s]' \"$@\" > \"$out\"\n", true, ""},
        {"exit 3", "echo 'disco pieno' >&2; exit 3\n", false, "non \xC3\xA8 riuscito (codice 3): disco pieno"},
        {"signal", "kill -9 $$\n", false, "segnale 9"},
    };
    for (const Case& c : cases) {
        TAfterTransferScript s;
        s.program = WriteScript(tmp / "s.sh", c.body).string();
        s.arguments = {log.string()};
        std::string why;
        EXPECT_EQ(s.Run(remote, local, why), c.ok) << c.what << ": " << why;
        EXPECT_NE(why.find(c.says), std::string::npos) << c.what << ": " << why;
    }
    EXPECT_EQ(Slurp(log), "[" + remote + "][" + local + "]");
    EXPECT_FALSE(fs::exists(tmp / "preso.htm"));
    EXPECT_FALSE(fs::exists(tmp / "preso2"));
    TAfterTransferScript missing;
    missing.program = (tmp / "manca").string();
    std::string why;
    EXPECT_FALSE(missing.Run(remote, local, why));
    EXPECT_NE(why.find("non si avvia"), std::string::npos) << why;
}

TEST_F(FtpPublishSite, FailingAfterTransferScriptFailsThePublication) {
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--log", log.string()});
    TKyFtpComm comm;
    Connect(comm, server.port());
    const fs::path calls = tmp.path() / "calls";
    // Appends the remote path; fails on the call number given.
    const fs::path script =
        WriteScript(tmp.path() / "dopo.sh", "echo \"$3\" >> \"$1\"; [ \"$(wc -l < \"$1\")\" -ne \"$2\" ] || { echo no >&2; exit 1; }\n");
    TFtpPublisher failing(comm);
    failing.script.program = script.string();
    failing.script.arguments = {calls.string(), "2"};
    EXPECT_EQ(PublishTo(comm, failing, [](TFtpPublisher& q) { q.ChooseAll(true); }), kPublishScriptFailed);
    EXPECT_EQ(failing.status, "Errore");
    EXPECT_NE(failing.detail.find("codice 1"), std::string::npos) << failing.detail;
    EXPECT_FALSE(fs::exists(home / "www" / "sito_ver.html"));
    EXPECT_FALSE(failing.rows[0].checked);
    EXPECT_TRUE(failing.rows[1].checked);  // on the server, but its script failed: sent again next time

    fs::remove(calls);
    TFtpPublisher p(comm);
    p.script.program = script.string();
    p.script.arguments = {calls.string(), "0"};
    ASSERT_EQ(PublishTo(comm, p, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpOk) << p.detail;
    std::vector<std::string> called;
    std::ifstream in(calls);
    for (std::string line; std::getline(in, line);) called.push_back(line);
    ASSERT_EQ(called.size(), p.uploads);
    EXPECT_EQ(called.back(), remote + "sito_ver.html");
}

TEST_F(FtpPublishSite, UncheckedChangedRowsAreAskedAboutBeforeSending) {
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--log", log.string()});
    TKyFtpComm comm;
    Connect(comm, server.port());
    {
        TFtpPublisher all(comm);
        ASSERT_EQ(PublishTo(comm, all, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpOk) << all.detail;
    }
    const int v = set.SaveCounter() - 1;
    auto* page = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, convert::AllPages(set).back()));
    page->SetText("<Z S0 >Testo cambiato");
    page->SetStamp(set.SaveCounter());
    const std::string changedFile = x.PageFileName(page, 0);
    ASSERT_TRUE(set.SaveToFile(nyx));
    struct Case {
        platform::Answer answer;
        int result;
        bool pageSent;
        int claimed;  // the version page's afterwards
    } cases[] = {
        {platform::Answer::Cancel, kFtpStopped, false, v},
        {platform::Answer::No, kFtpOk, false, v},  // the server is not told it has the change
        {platform::Answer::Yes, kFtpOk, true, set.SaveCounter() - 1},
    };
    for (const Case& c : cases) {
        ui.ui.ClearMessages();
        ui.ui.answers = {c.answer};
        const std::size_t before = StoredFiles(log).size();
        TFtpPublisher p(comm);
        EXPECT_EQ(PublishTo(comm, p, [](TFtpPublisher& q) { q.ChooseAll(false); }), c.result) << p.detail;
        EXPECT_EQ(ui.ui.Texts(platform::testing::Message::YesNoCancel).size(), 1u);
        const std::vector<std::string> stored = StoredFiles(log);
        const std::vector<std::string> sent(stored.begin() + static_cast<std::ptrdiff_t>(before), stored.end());
        EXPECT_EQ(std::count(sent.begin(), sent.end(), changedFile), c.pageSent ? 1 : 0);
        EXPECT_EQ(TFtpPublisher::ParseVersionPage(Slurp(home / "www" / "sito_ver.html")), c.claimed);
    }
}

TEST_F(FtpPublishSite, OnePagePublicationClaimsNoMoreThanTheServerHad) {
    ftptest::TPyFtpd server(home, "autore", "segreto");
    TKyFtpComm comm;
    Connect(comm, server.port());
    const std::vector<std::int32_t> pages = convert::AllPages(set);
    auto publishOne = [&] {
        TFtpPublisher p(comm);
        p.Export(x, set, tmp.path() / "exp", pages.front());
        std::map<std::string, long long> listed;
        EXPECT_EQ(ListRemote(comm, remote, listed), kFtpOk);
        p.ReadServerVersion(remote, Names(listed));
        p.ChooseAll(true);
        EXPECT_EQ(p.Publish(remote, set.SaveCounter(), nyx), kFtpOk) << p.detail;
        return TFtpPublisher::ParseVersionPage(Slurp(home / "www" / "sito_ver.html"));
    };
    EXPECT_EQ(publishOne(), -1);  // the other pages were never sent
    TFtpPublisher all(comm);
    ASSERT_EQ(PublishTo(comm, all, [](TFtpPublisher& q) { q.ChooseAll(true); }), kFtpOk) << all.detail;
    const int v = set.SaveCounter() - 1;
    auto* last = set.ObjectAt(testoHtml, pages.back());
    last->SetStamp(set.SaveCounter());
    ASSERT_TRUE(set.SaveToFile(nyx));
    EXPECT_EQ(publishOne(), v);  // the last page's change is still not there
}
