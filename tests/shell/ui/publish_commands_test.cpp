// The Pubblica commands of the main window, offscreen: each opens its window
// in the right mode, and closing the main window while a transfer runs asks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "publish/ui/FtpDialog.h"
#include "publish/ui/NetActivity.h"
#include "publish/ui/ServerDialog.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

class PublishCommandsTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(OpenForm(CopySample()));
    }
};

}  // namespace

TEST_F(PublishCommandsTest, EveryCommandOpensItsWindow) {
    struct Case {
        const char* command;
        bool ftp;
        const char* tab;  // the first tab the window shows
    } cases[] = {
        {"actPubblicaFtp", true, "Pubblica"},
        {"actPubblicaPaginaFtp", true, "Pubblica"},
        {"actFtpGenerico", true, "Trasferisci ipertesto NYX via FTP"},
        {"actNyxFtp", true, "Trasferisci ipertesto NYX via FTP"},
        {"actConfigurazioniFtp", true, "Configurazione server"},
        {"actPubblicaServer", false, "Pubblica"},
        {"actPrendiServer", false, "Prendi"},
        {"actConfigurazioneServer", false, "Pubblica"},
        {"actCambiaPassword", false, "Pubblica"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(form->Command(c.command)->isEnabled()) << c.command;
        bool opened = false;
        int rows = -1;
        SetDialogRunner([&](QDialog& d) {
            opened = c.ftp ? qobject_cast<publish::TFftp*>(&d) != nullptr : qobject_cast<publish::TFquornet*>(&d) != nullptr;
            if (auto* tabs = d.findChild<QTabWidget*>()) {
                EXPECT_EQ(tabs->tabText(0).toStdString(), c.tab) << c.command;
            }
            if (auto* f = qobject_cast<publish::TFftp*>(&d)) rows = f->Rows()->topLevelItemCount();
            return QDialog::Rejected;
        });
        form->Command(c.command)->trigger();
        EXPECT_TRUE(opened) << c.command;
        // The hypertext is exported for publication: a row per page at least.
        if (std::string(c.command) == "actPubblicaFtp") {
            EXPECT_GT(rows, 1);
        } else if (std::string(c.command) == "actPubblicaPaginaFtp") {
            EXPECT_GE(rows, 1);
        }
    }
    // The FTP configuration went to the options when the window closed.
    EXPECT_EQ(store->ReadSectionOption("ftpnet\\0", "port"), "21");
    EXPECT_EQ(store->ReadSectionOption("ftpnet\\0", "pass"), "");
}

TEST_F(PublishCommandsTest, ClosingWhileATransferRunsAsksToStopIt) {
    form->show();
    int stops = 0;
    publish::TNetActivity running([&] { ++stops; });
    scripted.ui.answers = {platform::Answer::No};
    form->close();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(scripted.ui.Texts(platform::testing::Message::YesNo).front(),
              "Alcune operazioni di rete sono ancora in corso. Vuoi cancellarle?");
}

TEST_F(PublishCommandsTest, OptionsButtonChangesTheHtmlOptionsAndExportsAgain) {
    const bool before = ReadHtmlExportOptions(*store).expOrigName;
    int options = 0;
    SetDialogRunner([&](QDialog& d) {
        if (d.objectName() == QLatin1String("TFopzExp")) {
            ++options;
            auto* box = d.findChild<QCheckBox*>("cbNomiOriginali");
            box->setChecked(!box->isChecked());
            return QDialog::Accepted;
        }
        auto* f = qobject_cast<publish::TFftp*>(&d);
        EXPECT_NE(f, nullptr);
        if (!f) return QDialog::Rejected;
        EXPECT_GT(f->Rows()->topLevelItemCount(), 1);
        d.findChild<QPushButton*>("options")->click();
        return QDialog::Rejected;
    });
    form->Command("actPubblicaFtp")->trigger();
    EXPECT_EQ(options, 1);
    EXPECT_EQ(ReadHtmlExportOptions(*store).expOrigName, !before);  // kept for later exports
}
