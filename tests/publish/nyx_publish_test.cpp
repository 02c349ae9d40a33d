// "nyx publish" against pyftpdlib and the stand-in publishing server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "tests/publish/FtpTestServers.h"
#include "tests/publish/QuorSrv.h"
#include "tests/publish/RunNyx.h"

namespace fs = std::filesystem;

namespace {

using nyxtest::Outcome;

// "nyx publish ARGS" with the environment `env` and no password but the one given.
Outcome RunPublish(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    std::vector<std::string> all = {"publish"};
    all.insert(all.end(), args.begin(), args.end());
    nyxtest::TNyxEnv e;
    e.set = env;
    e.unset = {"QUOR_FTP_PASSWORD", "QUOR_SERVER_PASSWORD"};
    return nyxtest::RunNyx(all, e);
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
        {{nyx.string(), "127.0.0.1", "--user", "u", "--dir", "/", "--script", "\"\" -x"}, 2, "--script"},
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

TEST_F(NyxPublish, FtpScriptRunsAfterEveryFileAndItsFailureFails) {
    ftptest::TPyFtpd server(home, "autore", "segreto");
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    const std::vector<std::string> pw = {config, "QUOR_FTP_PASSWORD=segreto"};
    const fs::path log = tmp.path() / "calls";
    const fs::path script = tmp.path() / "dopo.sh";
    std::ofstream(script) << "#!/bin/sh\n[ \"$2\" != fail ] || exit 1\necho \"$2\" >> \"$1\"\n";
    fs::permissions(script, fs::perms::owner_all);
    const std::string call = script.string() + " \"" + log.string() + "\"";
    Outcome ok = RunPublish({nyx.string(), host, "--user", "autore", "--dir", "/www", "--all", "--script", call}, pw);
    ASSERT_EQ(ok.status, 0) << ok.err;
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 4u);  // css, two pages, version page
    EXPECT_EQ(lines.back(), "/www/sito_ver.html");
    // The script is called "fail" as its own argument, never read by a shell.
    Outcome failed = RunPublish({nyx.string(), host, "--user", "autore", "--dir", "/www", "--all", "--script", call + " fail"}, pw);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Lo script"), std::string::npos) << failed.err;
    EXPECT_EQ(failed.out.find("Pubblicazione OK."), std::string::npos) << failed.out;
}
