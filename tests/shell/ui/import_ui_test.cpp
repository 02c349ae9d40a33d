// Importing as a person does: HTML and text files dropped on the window and
// opened with "Apri...", the dialog "Importa/apri pagine...", "Salva con
// nome" to a text file and to an HTML page.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/ImportDialog.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/NyxBuilder.h"
#include "support/PageList.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

class ImportUi : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        AnswerFileChoices();
        std::ofstream(dir / "pagina.html") << "<html><head><title>Importata</title></head><body><p>Ciao <b>mondo</b></body></html>";
        std::ofstream(dir / "note.txt") << "prima riga\nseconda riga\n";
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
    std::string ShownTitle() {
        const model::TNYXoggetto* p = Set().ObjectAt(model::testoHtml, form->PageView()->PageSlot());
        return p ? p->GetName() : std::string();
    }

};

TEST_F(ImportUi, DroppedAndOpenedFilesBecomePagesAndTheFirstIsShown) {
    auto list = testsupport::PageList::Of(*form);
    ASSERT_TRUE(list);
    const int before = list->count();
    form->DropFiles({dir / "pagina.html"});
    EXPECT_EQ(list->count(), before + 1);
    EXPECT_EQ(ShownTitle(), "Importata");
    chosen = dir / "note.txt";
    form->findChild<QAction*>("actApri")->trigger();
    EXPECT_EQ(list->count(), before + 2);
    EXPECT_EQ(ShownTitle(), "note.txt");
    EXPECT_TRUE(Set().Modified());
}

TEST_F(ImportUi, TheImportDialogImportsAndShowsItsReport) {
    std::string report;
    int pagesAfter = 0;
    SetDialogRunner([&](QDialog& d) {
        auto* imp = dynamic_cast<TFimp*>(&d);
        if (!imp) return static_cast<int>(QDialog::Rejected);
        // Nothing chosen: the user is told so.
        imp->findChild<QPushButton*>("btImporta")->click();
        imp->AddFiles({dir / "pagina.html", dir / "manca.html"});
        imp->findChild<QPushButton*>("btImporta")->click();
        report = imp->findChild<QPlainTextEdit*>("teReport")->toPlainText().toStdString();
        pagesAfter = static_cast<int>(imp->Outcome().report.pages.size());
        return static_cast<int>(QDialog::Accepted);
    });
    form->findChild<QAction*>("actImportaPagine")->trigger();
    const auto texts = scripted.ui.AllTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Occorre scegliere almeno un file"), texts.end());
    EXPECT_EQ(pagesAfter, 1);
    EXPECT_NE(report.find("Pagine importate: 1"), std::string::npos) << report;
    EXPECT_NE(report.find("manca.html: file inesistente"), std::string::npos) << report;
    EXPECT_EQ(ShownTitle(), "Importata");
}

TEST_F(ImportUi, SaveAsWritesTextAndTheCurrentPageAsHtml) {
    form->DropFiles({dir / "pagina.html"});
    chosen = dir / "tutto";
    chosenType = 3;
    EXPECT_TRUE(form->SaveAs());
    EXPECT_NE(testsupport::ReadFile(dir / "tutto.txt").find("Ciao mondo"), std::string::npos);
    chosen = dir / "pagina-corrente.htm";
    chosenType = 2;
    EXPECT_TRUE(form->SaveAs());
    const std::string html = testsupport::ReadFile(dir / "pagina-corrente.htm");
    EXPECT_NE(html.find("<B>mondo"), std::string::npos) << html;
    EXPECT_NE(html.find("<!--pageQuor="), std::string::npos);
}

}  // namespace
