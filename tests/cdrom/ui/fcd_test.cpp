// The builder's window offscreen, driven as a person would: dropping files
// and a folder, typing the destination, "Crea" with its report, "Test",
// groups, Stop, closing; and the main window opening it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "cdrom/ui/Fcd.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "tests/cdrom/Fixtures.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace cdromtest;
using cdrom::ui::TFcd;
using platform::Answer;
using platform::testing::Message;

namespace {

QApplication& App() { return testsupport::QtApp(); }

template <class W>
W* Find(QWidget& w, const char* name) {
    W* found = w.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void Click(QWidget& w, const char* name) {
    if (auto* b = Find<QPushButton>(w, name)) b->click();
}

// Replaces the text as typing over a selection does.
void Type(QLineEdit* edit, const std::string& utf8) {
    edit->setFocus();
    edit->selectAll();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(utf8.c_str()));
    QApplication::sendEvent(edit, &key);
}

void Drop(QWidget* target, const std::vector<fs::path>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p.string())));
    data.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

class FcdTest : public ::testing::Test {
protected:
    void SetUp() override {
        App();
        previous = shell::SetOptions(&store);
        cdrom::ui::SetLauncher([this](const fs::path& p) {
            launched.push_back(p);
            return true;
        });
    }
    void TearDown() override {
        cdrom::ui::SetLauncher({});
        shell::ui::SetDialogRunner({});
        shell::ui::SetFileChooser({});
        shell::SetOptions(previous);
    }

    TCdFixture fx;
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope scripted;
    shell::TOptionsStore store{fx.dir / "options.ini"};
    shell::TOptionsStore* previous = nullptr;
    std::vector<fs::path> launched;
};

TEST_F(FcdTest, AddEntriesCreaTheReportAndTest) {
    WriteFile(fx.dir / "docs" / "a.txt", "a");
    WriteFile(fx.dir / "docs" / "sub" / "b.txt", "b");
    const fs::path later = fx.dir / "poi.nyx";
    WriteFile(later, "x");
    TFcd w(fx.utils, [this] { return fx.src / "storia.nyx"; });
    w.show();
    EXPECT_EQ(w.windowTitle().toStdString(), "Creazione CdRom - Senza titolo");
    auto* list = Find<QTreeWidget>(w, "lvFiles");

    scripted.ui.answers = {Answer::Yes};  // whole folders too
    Drop(list->viewport(), {fx.dir / "docs", later});
    Click(w, "btnIncludiIpertesto");
    EXPECT_EQ(w.ShownRows(), (std::vector<std::pair<std::string, std::string>>{
                                 {"<APPDIR>\\sub\\b.txt", (fx.dir / "docs" / "sub" / "b.txt").string()},
                                 {"<APPDIR>\\a.txt", (fx.dir / "docs" / "a.txt").string()},
                                 {"<APPDIR>\\poi.nyx", later.string()},
                                 {"<APPDIR>\\storia.nyx", (fx.src / "storia.nyx").string()}}));
    EXPECT_EQ(Find<QLineEdit>(w, "edLancia")->text().toStdString(), "storia.nyx");
    Type(Find<QLineEdit>(w, "edDestinazione"), fx.dest.string());
    Type(Find<QLineEdit>(w, "edTitolo"), "Il mio CD");

    fs::remove(later);
    scripted.ui.ClearMessages();
    Click(w, "btnCrea");
    const auto reports = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "Report errori:\nMancano alcuni dei files necessari alla creazione del CD.\n" + later.string());
    EXPECT_TRUE(Find<QPushButton>(w, "btnTest")->isHidden());
    EXPECT_TRUE(scripted.ui.Texts(Message::YesNo).empty());

    WriteFile(later, "x");
    scripted.ui.ClearMessages();
    scripted.ui.answers = {Answer::No};  // do not save the settings
    Click(w, "btnCrea");
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), (std::vector<std::string>{"Salvo correnti impostazioni?"}));
    EXPECT_FALSE(Find<QPushButton>(w, "btnTest")->isHidden());
    EXPECT_NE(ReadFile(fx.dest / "f" / "install.lst").find("\r\ntitle=Il mio CD\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(fx.dest / "f" / "sub" / "b.txt"));
    Click(w, "btnTest");
    EXPECT_EQ(launched, (std::vector<fs::path>{fx.dest / "INSTALL.exe"}));

    // A group of one's own: its list starts empty; the first group's is kept.
    shell::ui::SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("edNomeGruppo"))->setText(QStringLiteral("Extra"));
        return int(QDialog::Accepted);
    });
    Click(w, "btnGruppoPiu");
    auto* groups = Find<QComboBox>(w, "cbGruppi");
    EXPECT_EQ(groups->count(), 3);
    EXPECT_EQ(groups->currentText().toStdString(), "Extra");
    EXPECT_TRUE(w.ShownRows().empty());
    groups->setCurrentIndex(1);
    list->setCurrentItem(list->topLevelItem(0));
    Click(w, "btnTogli");
    EXPECT_EQ(w.ShownRows().size(), 3u);

    scripted.ui.answers = {Answer::No};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(w.close());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).back(), "Sei sicuro di voler uscire dal wizard?");
    EXPECT_EQ(store.ReadSectionOption("Cd\\0", "PathInWindow"), fx.dest.string() + "/");
}

// Stop, pressed while a big folder is being added, ends the adding with what
// was added so far and gives the window back.
TEST_F(FcdTest, StopEndsAddingABigFolder) {
    for (int i = 0; i < 400; ++i) WriteFile(fx.dir / "tanti" / ("f" + std::to_string(i) + ".txt"), "x");
    TFcd w(fx.utils, {});
    w.show();
    scripted.ui.answers = {Answer::Yes};
    QTimer::singleShot(0, &w, [&w] {
        auto* stop = w.findChild<QPushButton*>(QStringLiteral("btnStop"));
        EXPECT_TRUE(stop && stop->isVisible());
        if (stop) stop->click();
    });
    w.DropPaths({fx.dir / "tanti"});
    EXPECT_LT(w.Wizard().Settings().entries.size(), 400u);
    EXPECT_TRUE(Find<QPushButton>(w, "btnStop")->isHidden());
    EXPECT_TRUE(Find<QPushButton>(w, "btnCrea")->isEnabled());
}

// "Cd-Rom..." opens the builder; a ".wzz" chosen with "Apri..." or dropped on
// the main window opens in it.
TEST_F(FcdTest, TheMainWindowOpensTheBuilderAndItsSettingsFiles) {
    cdrom::TCdSettings s = fx.Settings();
    s.title = "Dal file";
    ASSERT_TRUE(cdrom::SaveSettingsFile(s, fx.dir / "prova.wzz", nullptr));
    setenv("XDG_DATA_HOME", (fx.dir / "xdg").c_str(), 1);
    cdrom::ui::RegisterFcd();
    shell::TProgramPaths paths;
    paths.programFolder = fx.dir / "prog";
    paths.dataFolder = fs::path(QUOR_SOURCE_DIR) / "data";
    paths.userFolder = fx.dir / "user";
    {
        shell::ui::TMainForm form(paths);
        QAction* command = form.Command("actCdRom");
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->isEnabled());
        shell::ui::SetFileChooser([&](QWidget*, const shell::TFileRequest& r) -> std::optional<shell::TFileAnswer> {
            EXPECT_NE(r.filter.find("(*.wzz)"), std::string::npos);
            return shell::TFileAnswer{fx.dir / "prova.wzz", 3};
        });
        EXPECT_TRUE(form.MainDocument().ChooseAndOpen("Apri", false));
        TFcd* fcd = form.findChild<TFcd*>(QStringLiteral("TFcd"));
        ASSERT_NE(fcd, nullptr);
        EXPECT_TRUE(fcd->isVisible());
        EXPECT_EQ(fcd->windowTitle().toStdString(), "Creazione CdRom - prova.wzz");
        EXPECT_EQ(fcd->findChild<QLineEdit*>(QStringLiteral("edTitolo"))->text().toStdString(), "Dal file");
        EXPECT_EQ(fcd->Wizard().Utils(), paths.dataFolder / "Utils");
        command->trigger();  // the same window again
        EXPECT_EQ(form.findChildren<TFcd*>().size(), 1);

        // A .wzz dropped on the main window opens in the builder too; the
        // hypertext stays the one being edited.
        s.title = "Trascinato";
        ASSERT_TRUE(cdrom::SaveSettingsFile(s, fx.dir / "trascinato.wzz", nullptr));
        const fs::path before = form.DocumentName();
        form.DropFiles({fx.dir / "trascinato.wzz"});
        EXPECT_EQ(form.findChildren<TFcd*>().size(), 1);
        EXPECT_EQ(fcd->windowTitle().toStdString(), "Creazione CdRom - trascinato.wzz");
        EXPECT_EQ(fcd->findChild<QLineEdit*>(QStringLiteral("edTitolo"))->text().toStdString(), "Trascinato");
        EXPECT_EQ(form.DocumentName(), before);
    }
    shell::ui::RegisterWindow("TFcd", {});
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
