// The publishing windows offscreen, driven through their buttons against
// pyftpdlib and the stand-in publishing server on loopback.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/ui/FtpDialog.h"
#include "publish/ui/KyFTPlistView.h"
#include "publish/ui/KyFtpTxRxBar.h"
#include "publish/ui/NetActivity.h"
#include "publish/ui/ServerDialog.h"
#include "support/QtApp.h"
#include "tests/publish/FtpTestServers.h"
#include "tests/publish/MapAccess.h"
#include "tests/publish/QuorSrv.h"

using namespace publish;
namespace fs = std::filesystem;

namespace {

using ftptest::TMapAccess;

class EventsUi : public platform::testing::ScriptedUi {
public:
    std::function<void()> everyRound;
    void ProcessEvents(int rounds) override {
        ScriptedUi::ProcessEvents(rounds);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (everyRound) everyRound();
    }
};

QPushButton* Button(QWidget& w, const char* name) { return w.findChild<QPushButton*>(QString::fromLatin1(name)); }

class PublishWindow : public ::testing::Test {
protected:
    void SetUp() override { testsupport::QtApp(); }
    platform::testing::FixedEnv env;
    EventsUi ui;
    platform::ScopedUi scope{ui};
    platform::testing::TempDir tmp;
    TMapAccess access;

    void Configure(int port) {
        access.values["ftpnet\\0|nomeConf"] = "Prova";
        access.values["ftpnet\\0|server"] = "127.0.0.1";
        access.values["ftpnet\\0|port"] = std::to_string(port);
        access.values["ftpnet\\0|user"] = "autore";
        access.values["ftpnet\\0|savePass"] = "1";
        access.values["ftpnet\\0|pass"] = "segreto";
        access.values["ftpnet\\0|BaseDir"] = "/www/";
    }
};

}  // namespace

TEST_F(PublishWindow, NativeTransferShowsProgressAndStops) {
    const fs::path home = tmp.path() / "home";
    fs::create_directories(home / "www");
    const fs::path local = tmp.path() / "locale";
    fs::create_directories(local);
    std::ofstream(local / "grande.nyx", std::ios::binary) << std::string(400000, 'x');
    std::ofstream(local / "nota.txt") << "non un ipertesto";
    std::ofstream(home / "www" / "remoto.nyx") << "dal server";
    ftptest::TPyFtpd server(home, "autore", "segreto", {"--throttle", "65536"});
    Configure(server.port());

    TFftp dlg(access, TFftp::kNative, TFtpDialogHost{});
    dlg.SetLocalFolder(local);
    ASSERT_EQ(dlg.LocalList()->findItems("nota.txt", Qt::MatchExactly).size(), 0);  // *.nyx only
    dlg.show();
    ASSERT_TRUE(dlg.ConnectNow()) << dlg.StatusLabel()->text().toStdString();
    EXPECT_EQ(dlg.RemoteList()->CurrentFolder(), "/www/");

    // Stopped halfway, with the gauge moving.
    dlg.LocalList()->findItems("grande.nyx", Qt::MatchExactly).front()->setSelected(true);
    int seen = 0;
    bool barShown = false;
    ui.everyRound = [&] {
        TKyFtpTxRxBar* bar = dlg.ProgressBar();
        barShown = barShown || bar->isVisible();
        if (bar->Gauge()->value() > 0 && seen++ == 0) bar->StopButton()->click();
    };
    Button(dlg, "upload")->click();
    ui.everyRound = nullptr;
    EXPECT_TRUE(barShown);
    EXPECT_GT(seen, 0);
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Interrotto dall'utente"));
    EXPECT_FALSE(dlg.ProgressBar()->isVisible());

    // A download over an existing local file asks first; the list is read
    // again on a new connection, which starts in the server's first folder.
    std::ofstream(local / "remoto.nyx") << "vecchio";
    dlg.RemoteList()->Refresh();
    auto select = [&](const char* name) {
        TKyFtpListModel* m = dlg.RemoteList()->Model();
        dlg.RemoteList()->selectionModel()->clearSelection();
        for (int i = 0; i < m->rowCount(); ++i)
            if (m->At(i).name == name)
                dlg.RemoteList()->selectionModel()->select(m->index(i, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select("remoto.nyx");
    ui.answers = {platform::Answer::No};
    Button(dlg, "download")->click();
    std::ifstream kept(local / "remoto.nyx");
    std::string text((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(text, "vecchio");
    ui.answers = {platform::Answer::Yes};
    Button(dlg, "download")->click();
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Trasferimento OK"));
    std::ifstream got(local / "remoto.nyx");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(got)), {}), "dal server");
}

TEST_F(PublishWindow, PublishButtonSendsTheSiteAndReadsTheVersionBack) {
    const fs::path home = tmp.path() / "home";
    fs::create_directories(home / "www");
    ftptest::TPyFtpd server(home, "autore", "segreto");
    Configure(server.port());
    model::TNYXset set;
    set.NewHypertext();
    set.SetExpPrefix("Sito");
    for (int i = 0; i < 2; ++i) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName("Pagina " + std::to_string(i));
        p->SetText("<Z S0 >Testo " + std::to_string(i));
    }
    ASSERT_TRUE(set.SaveToFile(tmp.path() / "sito.nyx"));
    convert::html::TNYXtoHtml x(&set);
    TFtpDialogHost host;
    host.set = &set;
    host.exporter = &x;
    int saves = 0;
    host.saveIfModified = [&] { return ++saves > 0; };
    TFftp dlg(access, TFftp::kPublishAll, host);
    dlg.ExportPages();
    EXPECT_EQ(dlg.Rows()->topLevelItemCount(), 3);  // style sheet and two pages
    dlg.show();
    ASSERT_TRUE(dlg.ConnectNow());
    EXPECT_NE(dlg.findChild<QLabel*>("version")->text().indexOf("nessuna versione"), -1);

    dlg.PasswordBox()->clear();
    Button(dlg, "publish")->click();
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Introdurre la password!"));
    dlg.PasswordBox()->setText("segreto");
    Button(dlg, "publish")->click();
    EXPECT_TRUE(dlg.StatusLabel()->text().startsWith("Pubblicazione OK.")) << dlg.StatusLabel()->text().toStdString();
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(fs::exists(home / "www" / "sito_ver.html"));
    EXPECT_EQ(dlg.findChild<QLabel*>("version")->text(),
              QString::fromUtf8("Sul server \xC3\xA8 presente la versione ") + QString::number(set.SaveCounter() - 1));
    for (int i = 0; i < dlg.Rows()->topLevelItemCount(); ++i)
        EXPECT_EQ(dlg.Rows()->topLevelItem(i)->checkState(0), Qt::Unchecked) << i;
}

TEST_F(PublishWindow, ClosingWithATransferRunningAsksToStopIt) {
    EXPECT_TRUE(AskStopNetworkOperations());  // nothing runs: no question
    EXPECT_TRUE(ui.messages.empty());
    int stops = 0;
    {
        TNetActivity running([&] { ++stops; });
        ui.answers = {platform::Answer::No, platform::Answer::Yes};
        EXPECT_FALSE(AskStopNetworkOperations());
        EXPECT_EQ(stops, 0);
        EXPECT_TRUE(AskStopNetworkOperations());
        EXPECT_EQ(stops, 1);
    }
    EXPECT_EQ(ui.Texts(platform::testing::Message::YesNo).front(),
              "Alcune operazioni di rete sono ancora in corso. Vuoi cancellarle?");
    EXPECT_FALSE(NetworkOperationsRunning());
}

TEST_F(PublishWindow, ServerWindowPublishesDownloadsAndChecksNewPasswords) {
    const fs::path root = tmp.path() / "root";
    fs::create_directories(root);
    ftptest::TQuorSrv server(root);
    access.values["quornet\\0|server"] = "127.0.0.1";
    access.values["quornet\\0|port"] = std::to_string(server.port());
    access.values["quornet\\0|user"] = "autore";
    model::TNYXset set;
    set.NewHypertext();
    set.SetTitle("Casa");
    ASSERT_TRUE(set.SaveToFile(tmp.path() / "Casa.nyx"));
    TServerDialogHost host;
    host.set = &set;
    const fs::path down = tmp.path() / "giu";
    fs::create_directories(down);
    host.chooseFolder = [&](const fs::path&) { return std::optional<fs::path>(down); };
    TFquornet dlg(access, TFquornet::kPublish, host);
    dlg.PasswordBox()->setText("segreto");
    ASSERT_EQ(dlg.RequestRights(), kSrvOk) << dlg.StatusLabel()->text().toStdString();
    EXPECT_EQ(dlg.SectionList()->count(), 1);
    ASSERT_EQ(dlg.PublishNow(), kSrvOk) << dlg.StatusLabel()->text().toStdString();
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Ipertesto pubblicato."));
    ASSERT_EQ(dlg.Hypertexts()->topLevelItemCount(), 1);
    EXPECT_EQ(dlg.Hypertexts()->topLevelItem(0)->text(0), QStringLiteral("casa.nyx"));
    dlg.Hypertexts()->topLevelItem(0)->setSelected(true);
    EXPECT_EQ(dlg.SaveSelected(false), kSrvOk);
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("File ricevuto correttamente"));
    EXPECT_TRUE(fs::exists(down / "casa.nyx"));
    EXPECT_EQ(access.Read("quornet", "directoryGet"), down.string());
    const std::pair<const char*, const char*> refused[] = {
        {"abcd", "Troppo corta!"},
        {"nuovapass", "Ricontrolla quanto hai scritto, la password nelle\rdue caselle \xC3\xA8 diversa!"},
    };
    for (const auto& [first, says] : refused) {
        EXPECT_NE(dlg.ChangePasswordNow(first, "altra"), kSrvOk);
        EXPECT_EQ(dlg.StatusLabel()->text().toStdString(), says);
    }
    EXPECT_EQ(dlg.ChangePasswordNow("nuovapass", "nuovapass"), kSrvOk);
    EXPECT_EQ(dlg.StatusLabel()->text(), QStringLiteral("Password cambiata."));
    EXPECT_NE(server.Log().find("NEWPASS nuovapass"), std::string::npos);
}

TEST_F(PublishWindow, OptionsExportAgainShowingProgressAndKeepingTheChoice) {
    model::TNYXset set;
    set.NewHypertext();
    set.SetExpPrefix("Sito");
    for (int i = 0; i < 2; ++i) static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml))->SetName("P" + std::to_string(i));
    ASSERT_TRUE(set.SaveToFile(tmp.path() / "sito.nyx"));
    convert::html::TNYXtoHtml x(&set);
    TFtpDialogHost host;
    host.set = &set;
    host.exporter = &x;
    bool changeThem = true;
    int asked = 0;
    host.exportOptions = [&] {
        ++asked;
        x.options.expOrigName = !x.options.expOrigName;
        return changeThem;
    };
    TFftp dlg(access, TFftp::kPublishAll, host);
    dlg.ExportPages();
    ASSERT_EQ(dlg.Rows()->topLevelItemCount(), 3);
    dlg.Rows()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    std::vector<QString> shown;
    ui.everyRound = [&] { shown.push_back(dlg.StatusLabel()->text()); };
    Button(dlg, "options")->click();
    ui.everyRound = nullptr;
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](const QString& s) { return s.startsWith("Export in corso, fase "); }));
    ASSERT_EQ(dlg.Rows()->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(dlg.Rows()->topLevelItem(i)->checkState(0) == Qt::Checked, i != 1) << i;
    // Cancelled: nothing is exported again.
    changeThem = false;
    shown.clear();
    ui.everyRound = [&] { shown.push_back(dlg.StatusLabel()->text()); };
    EXPECT_FALSE(dlg.ExportOptions());
    ui.everyRound = nullptr;
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(dlg.Rows()->topLevelItem(1)->checkState(0), Qt::Unchecked);
}

TEST_F(PublishWindow, NativePublishReportsAFailingAfterTransferScript) {
    const fs::path home = tmp.path() / "home";
    fs::create_directories(home / "www");
    ftptest::TPyFtpd server(home, "autore", "segreto");
    Configure(server.port());
    const fs::path script = tmp.path() / "dopo.sh";
    std::ofstream(script) << "#!/bin/sh\necho \"rifiutato $1\" >&2\nexit 2\n";
    fs::permissions(script, fs::perms::owner_all);
    access.values["ftpnet\\0|useScript"] = "1";
    access.values["ftpnet\\0|script"] = script.string();
    access.values["ftpnet\\0|scriptm"] = "\"un argomento\"";
    model::TNYXset set;
    set.NewHypertext();
    ASSERT_TRUE(set.SaveToFile(tmp.path() / "casa.nyx"));
    TFtpDialogHost host;
    host.set = &set;
    {
        TFftp dlg(access, TFftp::kNative, host);
        EXPECT_EQ(dlg.findChild<QLineEdit*>("scriptArgs")->text(), QStringLiteral("\"un argomento\""));
        dlg.show();
        ASSERT_TRUE(dlg.ConnectNow()) << dlg.StatusLabel()->text().toStdString();
        EXPECT_NE(dlg.PublishNative(), kFtpOk);
        EXPECT_TRUE(fs::exists(home / "www" / "casa.nyx"));
        EXPECT_TRUE(dlg.StatusLabel()->text().startsWith("Errore: Lo script ")) << dlg.StatusLabel()->text().toStdString();
        EXPECT_NE(dlg.StatusLabel()->text().indexOf("rifiutato un argomento"), -1) << dlg.StatusLabel()->text().toStdString();
        dlg.findChild<QLineEdit*>("scriptArgs")->setText("-x");
    }
    EXPECT_EQ(access.values["ftpnet\\0|scriptm"], "-x");  // kept when the window goes
}
