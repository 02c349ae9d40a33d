// Exporting and opening HTML as a person does: "Esporta pagine..." with two
// pages checked, the HTML options changed on the way, and the window that
// asks what to do with an HTML file opened with "Apri...".
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <fstream>

#include "convert/Converter.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/ExportDialog.h"
#include "shell/ui/HtmlOpenWindow.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;
using platform::Answer;

namespace {

class ExportUi : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        store->WriteOption("AtStartBlank", "1");  // every window starts with a new hypertext
        AnswerFileChoices();
        NewForm();
    }
    void TearDown() override {
        form.reset();
        SetFileChooser({});
        SetDialogRunner({});
        MainWindowFixture::TearDown();
    }
    void NewForm() {
        form.reset();
        form = std::make_unique<TMainForm>(paths);
        form->Start({});
    }
    model::TNYXset& Set() { return form->MainDocument().Set(); }
    std::size_t PageCount() { return convert::AllPages(Set()).size(); }
    void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

};

TEST_F(ExportUi, TwoCheckedPagesAreExportedWithTheOptionsChosen) {
    for (const char* title : {"Uno", "Due", "Tre"}) ASSERT_GE(form->MainDocument().AddPage(title), 0);
    const fs::path out = dir / "sito";
    std::vector<std::string> files;  // of the pages checked, as the list names them
    std::string other;
    SetDialogRunner([&](QDialog& d) {
        if (auto* opz = dynamic_cast<TFopzExp*>(&d)) {
            opz->findChild<QComboBox*>("cbEstensione")->setCurrentIndex(0);  // ".htm"
            opz->findChild<QCheckBox*>("cbAlt")->setChecked(false);
            return static_cast<int>(QDialog::Accepted);
        }
        auto* exp = dynamic_cast<TFexp*>(&d);
        if (!exp) return static_cast<int>(QDialog::Rejected);
        EXPECT_EQ(exp->findChild<QListWidget*>("lbFormati")->currentItem()->text().toStdString(), "HTML");
        exp->findChild<QPushButton*>("btHtml")->click();
        auto* list = exp->findChild<QTreeWidget*>("lvPagine");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list->topLevelItem(i);
            const std::string title = item->text(0).toStdString();
            if (title == "Uno" || title == "Due") {
                item->setCheckState(0, Qt::Checked);
                files.push_back(item->text(3).toStdString());
            } else if (title == "Tre") {
                other = item->text(3).toStdString();
            }
        }
        exp->findChild<QLineEdit*>("edCartella")->setText(QString::fromStdString(out.string()));
        exp->findChild<QPushButton*>("btEsporta")->click();
        return exp->result();
    });
    form->findChild<QAction*>("actEsportaPagine")->trigger();
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& f : files) {
        EXPECT_EQ(fs::path(f).extension(), ".htm") << f;
        EXPECT_TRUE(fs::exists(out / f)) << f;
    }
    ASSERT_FALSE(other.empty());
    EXPECT_FALSE(fs::exists(out / other));
    EXPECT_EQ(store->ReadSectionOption("htmlexp", "expTipoExt"), "0");
    EXPECT_EQ(store->ReadSectionOption("htmlexp", "expAlt"), "0");
    EXPECT_EQ(store->ReadSectionOption("exp\\0", "expPathInWindow"), out.string());
    EXPECT_TRUE(scripted.ui.Texts(platform::testing::Message::ErrorList).empty());
}

// A page exported from "guida.nyx" (a copy of the sample), or naming a
// hypertext that is not there.
class HtmlOpenUi : public ExportUi {
protected:
    void SetUp() override {
        ExportUi::SetUp();
        fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", dir / "guida.nyx");
        Write(dir / "marcata.html", "<html><head><!--pageQuor=\"1;guida.nyx\"--><title>Marcata</title></head><body>testo</body></html>");
        Write(dir / "orfana.html", "<html><head><!--pageQuor=\"1;C:\\siti\\manca.nyx\"--></head><body>orfana</body></html>");
        Write(dir / "indice.html", "<html><body><a href=\"a.html\">a</a> <a href=\"b.htm\">b</a></body></html>");
        Write(dir / "a.html", "<html><body>pagina a</body></html>");
        Write(dir / "b.htm", "<html><body>pagina b <a href=\"indice.html\">su</a></body></html>");
    }
    // Opens `file` with "Apri..." and answers the window with choice `index`;
    // what the window said.
    std::string OpenChoosing(const fs::path& file, int index, const std::function<void(TFScegliApriHtml&)>& more = {}) {
        std::string said;
        SetDialogRunner([&](QDialog& d) {
            auto* w = dynamic_cast<TFScegliApriHtml*>(&d);
            if (!w) return static_cast<int>(QDialog::Rejected);
            said = w->findChild<QLabel*>("lbMessaggio")->text().toStdString();
            if (more) more(*w);
            w->findChild<QRadioButton*>(QStringLiteral("rbScelta%1").arg(index))->setChecked(true);
            w->findChild<QPushButton*>("btOK")->click();
            return w->result();
        });
        chosen = file;
        form->findChild<QAction*>("actApri")->trigger();
        chosen.clear();
        return said;
    }
};

TEST_F(HtmlOpenUi, AMarkedPageOffersItsFourChoices) {
    model::TNYXset sample;
    ASSERT_TRUE(sample.LoadFromFile(dir / "guida.nyx"));
    const std::size_t samplePages = convert::AllPages(sample).size();
    struct Case {
        int choice;
        std::string documentName;  // "" untitled
        std::size_t pages;         // 0: the sample's
    };
    const std::size_t before = PageCount();
    const Case cases[] = {
        {0, (dir / "guida.nyx").string(), 0},
        {1, "", 0},
        {2, "", before + 1},  // a new hypertext's own pages and the page opened
        {3, "", before + 1},
    };
    for (const Case& c : cases) {
        NewForm();
        const std::string said = OpenChoosing(dir / "marcata.html", c.choice);
        EXPECT_NE(said.find("deriva dall'ipertesto  \"guida.nyx\": Quor utilizzer"), std::string::npos) << said;
        EXPECT_EQ(form->MainDocument().DocumentName().string(), c.documentName) << c.choice;
        EXPECT_EQ(PageCount(), c.pages ? c.pages : samplePages) << c.choice;
    }
    // The new hypertext starts at the page opened.
    NewForm();
    OpenChoosing(dir / "marcata.html", 2);
    const model::TNYXoggetto* start = Set().ObjectAt(model::testoHtml, Set().HInt(model::hdr::kCoverPage));
    ASSERT_TRUE(start);
    EXPECT_EQ(start->GetName(), "Marcata");
}

TEST_F(HtmlOpenUi, AMissingHypertextIsAskedForAndFoundWithCerca) {
    scripted.ui.answers = {Answer::No};
    const std::string said = OpenChoosing(dir / "orfana.html", 0, [&](TFScegliApriHtml& w) {
        // OK on the native page first: asked, answered No, the window stays.
        w.findChild<QPushButton*>("btOK")->click();
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_NE(scripted.ui.Texts(platform::testing::Message::YesNo).at(0).find("non \xC3\xA8 stato trovato"), std::string::npos);
        chosen = dir / "guida.nyx";
        w.findChild<QPushButton*>("btCerca")->click();
    });
    EXPECT_NE(said.find("che Quor non riesce a trovare"), std::string::npos) << said;
    EXPECT_EQ(form->MainDocument().DocumentName(), dir / "guida.nyx");
}

TEST_F(HtmlOpenUi, AnUnmarkedIndexOpensTheHypertextItLeadsTo) {
    const std::size_t before = PageCount();
    OpenChoosing(dir / "a.html", 0);  // into the hypertext being edited
    EXPECT_EQ(PageCount(), before + 1);
    OpenChoosing(dir / "indice.html", 2);
    EXPECT_TRUE(form->MainDocument().DocumentName().empty());
    EXPECT_EQ(PageCount(), before + 3);  // a new hypertext's own pages, the index and its two pages
}

}  // namespace
