// RTF as a person meets it: the import dialog's RTF format with its
// options, "Esporta WinHelp...", opening and saving .rtf, and copying and
// pasting RTF in the editor.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>

#include <fstream>
#include <iterator>

#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/ExportCommands.h"
#include "shell/ui/ImportDialog.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/RtfCommands.h"
#include "support/MainWindowFixture.h"
#include "support/NyxBuilder.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

const char kRtf[] = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}{\\colortbl;}uno\\par due\\par tre\\par quattro {\\b forte}\\par}";

class RtfUi : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        AnswerFileChoices();
        std::ofstream(dir / "testo.rtf", std::ios::binary) << kRtf;
        form = std::make_unique<TMainForm>(paths);
        form->Start({});
    }
    void TearDown() override {
        form.reset();
        SetFileChooser({});
        SetDialogRunner({});
        MainWindowFixture::TearDown();
    }
    model::TNYXset& Set() { return form->MainDocument().Set(); }
    std::string ShownText() {
        auto* p = static_cast<model::TNYXtesto*>(Set().ObjectAt(model::testoHtml, form->PageView()->PageSlot()));
        return p ? p->Text() : std::string();
    }

};

TEST_F(RtfUi, ImportDialogReadsRtfWithItsOptions) {
    int pages = 0;
    SetDialogRunner([&](QDialog& d) {
        auto* imp = dynamic_cast<TFimp*>(&d);
        if (!imp) return static_cast<int>(QDialog::Rejected);
        auto* formats = imp->findChild<QListWidget*>("lbFormati");
        for (int i = 1; i <= 3; ++i) EXPECT_TRUE(formats->item(i)->flags() & Qt::ItemIsEnabled) << i;
        formats->setCurrentRow(1);
        imp->findChild<QSpinBox*>("seNumParPerPag")->setValue(2);
        imp->AddFiles({dir / "testo.rtf"});
        imp->findChild<QPushButton*>("btImporta")->click();
        pages = static_cast<int>(imp->Outcome().report.pages.size());
        return static_cast<int>(QDialog::Accepted);
    });
    form->findChild<QAction*>("actImportaPagine")->trigger();
    EXPECT_EQ(pages, 2) << "four paragraphs, two a page";
    EXPECT_EQ(store->ReadSectionOption("imp\\1", "numParPerPag"), "2");
}

TEST_F(RtfUi, OpenAndSaveRtf) {
    chosen = dir / "testo.rtf";
    form->findChild<QAction*>("actApri")->trigger();
    EXPECT_NE(ShownText().find("quattro"), std::string::npos) << ShownText();
    chosen = dir / "salvata";
    chosenType = 4;
    EXPECT_TRUE(form->SaveAs());
    const std::string rtf = testsupport::ReadFile(dir / "salvata.rtf");
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("quattro"), std::string::npos);
}

TEST_F(RtfUi, EsportaWinHelpWritesTopicsAndProject) {
    QAction* act = form->findChild<QAction*>("actEsportaWinHelp");
    ASSERT_TRUE(act);
    EXPECT_TRUE(act->isEnabled());
    chosen = dir / "testo.rtf";
    form->findChild<QAction*>("actApri")->trigger();
    chosen = dir / "out" / "guida";
    fs::create_directories(dir / "out");
    bool dialogShown = false;
    SetDialogRunner([&](QDialog&) {
        dialogShown = true;
        return static_cast<int>(QDialog::Rejected);
    });
    act->trigger();
    EXPECT_FALSE(dialogShown) << "the WinHelp writer answers the command, not the export dialog";
    EXPECT_NE(testsupport::ReadFile(dir / "out" / "guida.rtf").find("#{\\footnote"), std::string::npos);
    EXPECT_NE(testsupport::ReadFile(dir / "out" / "guida.HPJ").find("[FILES]\r\nguida.rtf"), std::string::npos);
}

TEST_F(RtfUi, WinHelpCommandHasOneOwner) {
    // Two registrations of one id would leave the command to whichever
    // came last: the export dialog's commands and the RTF ones share none.
    std::map<std::string, std::function<void()>> exportIds, rtfIds;
    AddExportCommands(*form, exportIds);
    AddRtfCommands(*form, rtfIds);
    for (const auto& [id, handler] : rtfIds) EXPECT_EQ(exportIds.count(id), 0u) << id;
    EXPECT_EQ(rtfIds.count("actEsportaWinHelp"), 1u);
    EXPECT_EQ(exportIds.count("actEsportaPagine"), 1u);
}

TEST_F(RtfUi, CopyOffersRtfAndPastingRtfComesIn) {
    chosen = dir / "testo.rtf";
    form->findChild<QAction*>("actApri")->trigger();
    richtext::ui::TNYXpageView* view = form->PageView();
    ASSERT_TRUE(view);
    view->SelectAll();
    ASSERT_TRUE(view->Copy());
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied && copied->hasFormat("text/rtf"));
    EXPECT_TRUE(copied->data("text/rtf").startsWith("{\\rtf1"));
    auto* data = new QMimeData;
    data->setData("text/rtf", QByteArray(kRtf));
    QApplication::clipboard()->setMimeData(data);
    ASSERT_TRUE(view->Paste());
    form->CommitPageEdits();
    EXPECT_NE(ShownText().find("forte"), std::string::npos) << ShownText();
}

}  // namespace
