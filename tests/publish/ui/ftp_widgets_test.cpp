// The FTP widgets (offscreen) on a runner talking to pyftpdlib on loopback.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/KyFtpComm.h"
#include "publish/ui/KyFTPlistView.h"
#include "publish/ui/KyFtpTxRxBar.h"
#include "tests/publish/FtpTestServers.h"

using namespace publish;
namespace fs = std::filesystem;

namespace {

// One application for the test program, ended before the program exits.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "uitest_publish";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Lets Qt handle its events (timers, clicks) while the runner waits, and
// gives the test a look at every round.
class QtEventsUi : public platform::testing::ScriptedUi {
public:
    std::function<void()> everyRound;
    void ProcessEvents(int rounds) override {
        ScriptedUi::ProcessEvents(rounds);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (everyRound) everyRound();
    }
};

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FtpWidgetsTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> extra = {}) {
        fs::create_directory(home);
        server = std::make_unique<ftptest::TPyFtpd>(home, "autore", "pw", std::move(extra));
        comm.Ftp().HostName = "127.0.0.1";
        comm.Ftp().Port = static_cast<std::uint16_t>(server->port());
        comm.Ftp().UserName = "autore";
        comm.Ftp().Password = "pw";
        comm.Ftp().TimeoutMs = 3000;
    }

    platform::testing::TempDir temp;
    fs::path home = temp / "home";
    QtEventsUi ui;
    platform::ScopedUi scope{ui};
    std::unique_ptr<ftptest::TPyFtpd> server;
    TKyFtpComm comm;
};

TEST_F(FtpWidgetsTest, ProgressBarTurnsItsCaptionAndStopsTheTransfer) {
    Start({"--throttle", "131072"});
    WriteFile(home / "slow.bin", std::string(1 << 20, 's'));
    QWidget window;
    auto* bar = new TKyFtpTxRxBar(&window);
    bar->SetComm(&comm);
    window.show();
    EXPECT_TRUE(bar->isHidden());

    QStringList captions;
    bool shownWhileRunning = false;
    QString status;
    ui.everyRound = [&] {
        shownWhileRunning = shownWhileRunning || !bar->isHidden();
        if (captions.isEmpty() || captions.back() != bar->StopCaption()) captions << bar->StopCaption();
        if (!bar->StatusLabel()->isHidden()) status = bar->StatusLabel()->text();
        if (captions.size() >= 3) bar->StopButton()->click();
    };
    EXPECT_EQ(comm.Download("slow.bin", temp / "slow.bin"), kFtpStopped);
    ui.everyRound = nullptr;
    EXPECT_TRUE(shownWhileRunning);
    EXPECT_TRUE(bar->isHidden());
    // Each caption is "Stop! " turned further on (by one character a tick;
    // a busy machine may skip a look at one).
    ASSERT_GE(captions.size(), 3);
    EXPECT_EQ(captions[0], "Stop! ");
    const QString base = "Stop! ";
    int last = 0;
    for (int i = 1; i < captions.size(); ++i) {
        int turn = 1;
        while (turn < base.size() && base.mid(turn) + base.left(turn) != captions[i]) ++turn;
        EXPECT_GT(turn, last) << captions[i].toStdString();
        last = turn;
    }
    EXPECT_TRUE(captions.contains("top! S") || captions.contains("op! St"));
    // The server announces no size: the label shows the status instead.
    EXPECT_FALSE(status.isEmpty());
    EXPECT_FALSE(fs::exists(temp / "slow.bin"));

    // With a known size the gauge shows the share moved.
    WriteFile(temp / "up.bin", std::string(100000, 'u'));
    EXPECT_EQ(comm.Upload(temp / "up.bin", "up.bin"), kFtpOk);
    bar->Tick();
    EXPECT_EQ(bar->Gauge()->value(), 100);
    EXPECT_FALSE(bar->Gauge()->isHidden());
}

TEST_F(FtpWidgetsTest, ListViewBrowsesMakesAndDeletes) {
    Start();
    WriteFile(home / "index.htm", std::string(300, 'i'));
    WriteFile(home / "logo.gif", std::string(20, 'g'));
    fs::create_directory(home / "immagini");
    WriteFile(home / "immagini/foto.jpg", "jpg");
    fs::create_directory(home / "piena");
    WriteFile(home / "piena/x.txt", "x");

    TKyFTPComboBox combo;
    TKyFTPlistView view;
    view.SetComm(&comm);
    view.SetComboBox(&combo);
    ASSERT_TRUE(view.Open());
    EXPECT_EQ(view.CurrentFolder(), "/");
    EXPECT_EQ(combo.Host(), "127.0.0.1");
    TKyFtpListModel* m = view.Model();
    ASSERT_EQ(m->rowCount(), 4);
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Nome");

    auto rowOf = [&](const char* name) { return m->Find(name); };
    int idx = rowOf("index.htm");
    ASSERT_GE(idx, 0);
    EXPECT_EQ(m->data(m->index(idx, TKyFtpListModel::kSize), Qt::DisplayRole).toString(), "300");
    EXPECT_EQ(m->data(m->index(idx, TKyFtpListModel::kKind), Qt::DisplayRole).toString(), "File");
    EXPECT_FALSE(m->data(m->index(idx, TKyFtpListModel::kDate), Qt::DisplayRole).toString().isEmpty());
    int dir = rowOf("immagini");
    EXPECT_EQ(m->data(m->index(dir, TKyFtpListModel::kKind), Qt::DisplayRole).toString(), "Directory");

    m->sort(TKyFtpListModel::kSize, Qt::AscendingOrder);
    EXPECT_EQ(m->At(0).name, "logo.gif");
    EXPECT_EQ(m->At(1).name, "index.htm");

    // A double click on a folder goes into it; a failed change keeps it.
    emit view.doubleClicked(m->index(rowOf("immagini"), 0));
    EXPECT_EQ(view.CurrentFolder(), "/immagini/");
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(m->At(0).name, "foto.jpg");
    EXPECT_EQ(combo.Folders(), (QStringList{"/immagini/", "/"}));
    EXPECT_FALSE(view.ChangeFolder("/manca/"));
    EXPECT_EQ(view.CurrentFolder(), "/immagini/");
    EXPECT_EQ(ui.Texts(platform::testing::Message::Error).size(), 1u);

    // Choosing a visited folder in the combo box goes back there.
    emit combo.activated(1);
    EXPECT_EQ(view.CurrentFolder(), "/");
    ASSERT_EQ(m->rowCount(), 4);

    ASSERT_TRUE(view.MakeFolder("nuova"));
    EXPECT_TRUE(fs::is_directory(home / "nuova"));
    int made = rowOf("nuova");
    ASSERT_GE(made, 0);
    EXPECT_EQ(m->At(made).kind, "Directory");

    // Delete a file, an empty folder and a full one: the full one stays.
    for (const char* name : {"logo.gif", "nuova", "piena"})
        view.selectionModel()->select(m->index(rowOf(name), 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(view.DeleteSelected(), 2);
    EXPECT_FALSE(fs::exists(home / "logo.gif"));
    EXPECT_FALSE(fs::exists(home / "nuova"));
    EXPECT_TRUE(fs::exists(home / "piena"));
    EXPECT_EQ(m->rowCount(), 3);
    EXPECT_GE(rowOf("piena"), 0);
}

}  // namespace
