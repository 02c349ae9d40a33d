// The album window driven offscreen as the author uses it: opened from the
// main window's command, listing, renaming in place, replacing a picture
// two pages use, deleting an unused address and a used page through the
// deletion window, taking the deletion back, and an outside edit with small
// scripts standing in for the editor.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTabWidget>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "album/ui/Falbum.h"
#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ui/InsiemeCornici.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/LinkTag.h"
#include "support/MainWindowFixture.h"
#include "support/NyxBuilder.h"
#include "support/Pictures.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace album;
using namespace album::ui;
using platform::Answer;
using platform::testing::Message;

namespace {

using testsupport::Hex8;
using testsupport::WriteGif;

void WriteScript(const fs::path& p, const std::string& body) {
    std::ofstream(p) << "#!/bin/sh\n" << body;
    fs::permissions(p, fs::perms::owner_all);
}

QStringList Rows(TFalbum& a, TTab tab) {
    QStringList out;
    TAlbumListModel* m = a.Model(tab);
    for (int i = 0; i < m->rowCount(); ++i) out << m->data(m->index(i), Qt::DisplayRole).toString();
    return out;
}

class AlbumWindowTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        testsupport::NyxBuilder b;
        testsupport::AddDefaultStyles(b);
        testsupport::AddPage(b, "Inizio", "<Z S0 >Vai alla <$00000002>stalla<%>");
        testsupport::AddPage(b, "Fienile", "<Z S0 >Niente qui.");
        testsupport::AddPage(b, "Stalla", "<Z S0 >Un cavallo.");
        b.Write(dir / "prova.nyx");
        album::ui::RegisterFalbum();
        ASSERT_TRUE(OpenForm(dir / "prova.nyx"));
        ASSERT_TRUE(form->ShowPageSlot(0));
    }
    TFalbum& Open() {
        form->Command("actAlbum")->trigger();
        auto* a = form->findChild<TFalbum*>(QStringLiteral("TFalbum"));
        EXPECT_NE(a, nullptr);
        return *a;
    }
    // The next file choices answer with these files, in order.
    void ChooseFiles(std::vector<fs::path> files) {
        queued = std::move(files);
        shell::ui::SetFileChooser([this](QWidget*, const shell::TFileRequest&) -> std::optional<shell::TFileAnswer> {
            if (queued.empty()) return std::nullopt;
            shell::TFileAnswer a;
            a.file = queued.front();
            queued.erase(queued.begin());
            return a;
        });
    }
    // A picture shown by two pages, each through a placed picture of its own.
    model::TNYXoggetto* PictureOnTwoPages() {
        form->FrameSet()->Drop();  // the editor's copy of page 0 is not stored over this
        model::TNYXset& set = form->Document();
        model::TNYXoggetto* pic = set.AddPicture(WriteGif(dir / "rosso.gif", 3, 2, 0xFF0000FF));
        for (std::int64_t slot : {0, 1}) {
            auto* page = static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, slot));
            model::TNYXoggetto* placed = set.NewPlacedPicture(pic);
            set.RegisterObject(model::immagineNew, -1, placed);
            page->SetText(page->Text() + "<Z S0 >foto <$" + Hex8(placed->Reference()) + ">");
        }
        EXPECT_TRUE(form->ShowPageSlot(0));
        return pic;
    }
    void Click(TFalbum& a, const char* button) {
        auto* b = a.findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }

    std::vector<fs::path> queued;
};

TEST_F(AlbumWindowTest, ListsTheTabsAndRenamesAPageInPlace) {
    PictureOnTwoPages();
    TFalbum& a = Open();
    ASSERT_EQ(a.Tabs()->count(), kTabCount);
    EXPECT_EQ(a.Tabs()->tabText(3), QStringLiteral("Pagine"));
    EXPECT_EQ(Rows(a, TTab::kPages), (QStringList{"Inizio", "Fienile", "Stalla"}));
    EXPECT_EQ(Rows(a, TTab::kPictures), QStringList{"rosso"});
    EXPECT_EQ(Rows(a, TTab::kPlaced).size(), 2);
    EXPECT_EQ(a.Model(TTab::kPlaced)->ThumbnailsMade(), 0u) << "thumbnails wait for the view";
    a.SetTab(TTab::kPlaced);
    a.List(TTab::kPlaced)->grab();  // painted: the rows on screen get their thumbnails
    EXPECT_EQ(a.Model(TTab::kPlaced)->ThumbnailsMade(), 2u);

    a.SetTab(TTab::kPictures);
    a.Select(a.Model(TTab::kPictures)->RefAt(0));
    ASSERT_NE(a.Preview()->pixmap().isNull(), true);

    a.SetTab(TTab::kPages);
    TAlbumList* list = a.List(TTab::kPages);
    a.Select(a.Model(TTab::kPages)->RefAt(1));
    list->edit(list->currentIndex());
    auto* editor = list->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Granaio"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, 1)->GetName(), "Granaio");
    auto* pages = form->findChild<QTreeWidget*>(QStringLiteral("lvPagine"));
    ASSERT_NE(pages, nullptr);
    EXPECT_TRUE(pages->findItems(QStringLiteral("Granaio"), Qt::MatchContains).size() == 1)
        << "the main window's page list follows";

    // Closing while a name is being edited ends the editing first (and keeps it).
    a.Select(a.Model(TTab::kPages)->RefAt(2));
    list->edit(list->currentIndex());
    QLineEdit* second = nullptr;  // the first editor may still wait for its deletion
    for (QLineEdit* e : list->findChildren<QLineEdit*>())
        if (e->isVisible()) second = e;
    ASSERT_NE(second, nullptr);
    second->setText(QStringLiteral("Scuderia"));
    Click(a, "btChiudi");
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, 2)->GetName(), "Scuderia");
}

TEST_F(AlbumWindowTest, ReplacingAPictureTwoPagesUseAsksThenChangesBoth) {
    model::TNYXoggetto* pic = PictureOnTwoPages();
    const std::int32_t ref = pic->Reference();
    TFalbum& a = Open();
    a.SetTab(TTab::kPictures);
    Click(a, "btSostituisci");
    EXPECT_EQ(scripted.ui.Texts(Message::Information), std::vector<std::string>{"Seleziona oggetto da sostituire"});

    a.Select(ref);
    ChooseFiles({WriteGif(dir / "blu.gif", 9, 4, 0xFFFF0000), WriteGif(dir / "verde.gif", 6, 4, 0xFF00FF00)});
    scripted.ui.answers = {Answer::No, Answer::Yes};
    Click(a, "btSostituisci");  // "No": nothing changes
    EXPECT_EQ(pic->Word(model::picturerec::kWidth), 3);
    EXPECT_EQ(queued.size(), 2u) << "no file is asked for after No";
    Click(a, "btSostituisci");
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).size(), 2u);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo)[0],
              "Risulta usato da almeno un oggetto personalizzato. Vuoi sostituire comunque?");
    EXPECT_EQ(form->Document().ObjectByRef(ref)->Word(model::picturerec::kWidth), 9);
    EXPECT_TRUE(form->Document().Modified());
    // Both pages' placed pictures show the one replaced picture.
    for (int row = 0; row < a.Model(TTab::kPlaced)->rowCount(); ++row)
        EXPECT_EQ(form->Document().ObjectByRef(a.Model(TTab::kPlaced)->RefAt(row))->Int(model::placedrec::kPicture), ref & 0xFFFFFF);
}

TEST_F(AlbumWindowTest, DeletesAnUnusedUrlRefusesAUsedPageAndTakesTheDeletionBack) {
    TFalbum& a = Open();
    a.SetTab(TTab::kUrls);
    Click(a, "btAggiungi");
    ASSERT_EQ(Rows(a, TTab::kUrls), QStringList{QString::fromLatin1(kNewUrlAddress)});
    a.List(TTab::kUrls)->EndEditing();
    const std::int32_t url = a.Model(TTab::kUrls)->RefAt(0);

    std::vector<QStringList> shown;
    shell::ui::SetDialogRunner([&](QDialog& d) {
        auto& w = dynamic_cast<TFcancellaOggetti&>(d);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Cancella oggetti dagli album interni"));
        w.ConfirmDeletion();
        QStringList lines;
        for (int i = 0; i < w.Lines()->count(); ++i) lines << w.Lines()->item(i)->text();
        shown.push_back(lines);
        return w.result();
    });
    a.Select(url);
    Click(a, "btCancella");
    EXPECT_TRUE(Rows(a, TTab::kUrls).isEmpty());
    EXPECT_TRUE(form->Document().ObjectByRef(url)->IsEmpty());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], QStringList{QStringLiteral("[X] Cancellato - \"HTTP://\" sembra inutilizzato.")});

    // "Stalla" is linked from "Inizio": the report says so and it stays.
    a.SetTab(TTab::kPages);
    a.Select(model::MakeRef(model::testoHtml, 2));
    Click(a, "btCancella");
    ASSERT_EQ(shown.size(), 2u);
    ASSERT_GE(shown[1].size(), 2);
    EXPECT_EQ(shown[1][0], QString::fromUtf8("+ \"STALLA\" è presente in/collegato da /utilizzato in:"));
    EXPECT_EQ(shown[1][1], QStringLiteral("    - Inizio   {nel testo}"));
    EXPECT_EQ(Rows(a, TTab::kPages).size(), 3);

    // An unused page goes, with the editor's copy of it, and comes back.
    a.Select(model::MakeRef(model::testoHtml, 1));
    ASSERT_TRUE(form->ShowPageSlot(1));
    Click(a, "btCancella");
    EXPECT_EQ(Rows(a, TTab::kPages), (QStringList{"Inizio", "Stalla"}));
    EXPECT_NE(form->FrameSet()->MainPageNumber(), 1);
    auto* undo = a.findChild<QPushButton*>(QStringLiteral("btRipristina"));
    ASSERT_TRUE(undo->isEnabled());
    Click(a, "btRipristina");
    EXPECT_EQ(Rows(a, TTab::kPages), (QStringList{"Inizio", "Fienile", "Stalla"}));
    Click(a, "btRipristina");
    EXPECT_EQ(Rows(a, TTab::kUrls), QStringList{QString::fromLatin1(kNewUrlAddress)});
    EXPECT_FALSE(undo->isEnabled());

    // After a save the deletion stays.
    a.SetTab(TTab::kUrls);
    a.Select(url);
    Click(a, "btCancella");
    ASSERT_TRUE(form->SaveDocument(dir / "salvato.nyx", 1, false, false));
    a.Refresh();
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(AlbumWindowTest, OutsideEditAppliesAChangedFileAndWaitsForApplyWhenTheEditorReturnsAtOnce) {
    std::ofstream(dir / "nota.txt") << "uno";
    TFalbum& a = Open();
    a.SetTab(TTab::kFiles);
    ChooseFiles({dir / "nota.txt"});
    Click(a, "btAggiungi");
    ASSERT_EQ(Rows(a, TTab::kFiles).size(), 1);
    const std::int32_t ref = a.Model(TTab::kFiles)->RefAt(0);
    auto contents = [&] {
        const fs::path out = dir / "letto.txt";
        EXPECT_TRUE(form->Document().ObjectByRef(ref)->WriteContentsTo(out));
        return testsupport::ReadFile(out);
    };

    fs::path editor = dir / "cambia.sh";
    WriteScript(editor, "printf 'due' > \"$1\"\n");
    a.chooseProgram = [&](const fs::path&) { return TProgramChoice{TProgramChoice::kPath, editor}; };
    a.Select(ref);
    form->Document().SetModified(false);
    Click(a, "btEdita");
    ASSERT_NE(a.OutsideEdit(), nullptr);
    EXPECT_EQ(a.StateLabel()->text(), QString::fromUtf8(kEditingLabel));
    EXPECT_FALSE(a.Tabs()->isEnabled());
    EXPECT_TRUE(a.findChild<QPushButton*>(QStringLiteral("btApplica"))->isEnabled());
    while (a.OutsideEdit()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        a.PollOutsideEdit();
    }
    EXPECT_EQ(contents(), "due");
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_TRUE(a.Tabs()->isEnabled());
    EXPECT_TRUE(a.StateLabel()->text().isEmpty());

    // A single-instance editor hands the file over and returns at once.
    editor = dir / "subito.sh";
    WriteScript(editor, "exit 0\n");
    Click(a, "btEdita");
    ASSERT_NE(a.OutsideEdit(), nullptr);
    const fs::path work = a.OutsideEdit()->WorkFile();
    for (int i = 0; i < 400 && a.OutsideEdit()->Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    a.PollOutsideEdit();
    ASSERT_NE(a.OutsideEdit(), nullptr) << "an unchanged file waits for A&pplica";
    std::ofstream(work, std::ios::binary | std::ios::trunc) << "tre";  // the author edits and saves
    Click(a, "btApplica");
    EXPECT_EQ(a.OutsideEdit(), nullptr);
    EXPECT_EQ(contents(), "tre");

    // No program for the extension: the warning, and the window is usable again.
    a.chooseProgram = [](const fs::path&) { return TProgramChoice{}; };
    Click(a, "btEdita");
    EXPECT_EQ(a.OutsideEdit(), nullptr);
    EXPECT_EQ(scripted.ui.Texts(Message::Warning).back(), kNoEditor);
    EXPECT_TRUE(a.Tabs()->isEnabled());
}

// What each tab offers, adding a picture through the picture dialog and a
// page through the new-page dialog, "&Edita..." showing a page in the
// editor, and the page preview with "anteprima" ticked.
TEST_F(AlbumWindowTest, AddsAPictureAndAPageEditShowsThePageAndThePreviewFollows) {
    TFalbum& a = Open();
    auto visible = [&](const char* name) {
        return !a.findChild<QPushButton*>(QString::fromLatin1(name))->isHidden();
    };
    struct Shown {
        TTab tab;
        bool add, replace, edit;
    } table[] = {{TTab::kPictures, true, true, true},   {TTab::kFiles, true, true, true},
                 {TTab::kPrototypes, false, false, false}, {TTab::kPages, true, false, true},
                 {TTab::kUrls, true, false, false},      {TTab::kPlaced, false, false, false}};
    for (const Shown& c : table) {
        SCOPED_TRACE(TabKeyword(c.tab));
        a.SetTab(c.tab);
        EXPECT_EQ(visible("btAggiungi"), c.add);
        EXPECT_EQ(visible("btSostituisci"), c.replace);
        EXPECT_EQ(visible("btEdita"), c.edit);
        EXPECT_TRUE(visible("btCancella"));
        EXPECT_EQ(!a.findChild<QCheckBox*>(QStringLiteral("cbAnteprima"))->isHidden(), c.tab == TTab::kPages);
    }

    // The picture dialog in its album mode: a picture from a file joins the album, selected.
    const fs::path gif = WriteGif(dir / "giallo.gif", 5, 3, 0xFF00FFFF);
    shell::ui::SetDialogRunner([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("TFimmagine"));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Inserisci immagine:"));
        d.findChild<QRadioButton*>(QStringLiteral("daFile"))->setChecked(true);
        d.findChild<QLineEdit*>(QStringLiteral("file"))->setText(QString::fromStdString(gif.string()));
        d.accept();
        return d.result();
    });
    a.SetTab(TTab::kPictures);
    form->Document().SetModified(false);
    Click(a, "btAggiungi");
    ASSERT_EQ(Rows(a, TTab::kPictures), QStringList{"giallo"});
    const std::int32_t pic = a.Model(TTab::kPictures)->RefAt(0);
    EXPECT_EQ(a.Selected(), std::vector<std::int32_t>{pic});
    EXPECT_EQ(form->Document().ObjectByRef(pic)->Word(model::picturerec::kWidth), 5);
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_FALSE(a.Preview()->pixmap().isNull());
    // The same file again is the picture the album already holds.
    Click(a, "btAggiungi");
    EXPECT_EQ(Rows(a, TTab::kPictures), QStringList{"giallo"});

    // A new page: the new-page dialog, then the page is selected and shown.
    shell::ui::SetDialogRunner([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("TFnuovaPagina"));
        d.findChild<QLineEdit*>(QStringLiteral("edTitolo"))->setText(QStringLiteral("Cortile"));
        d.accept();
        return d.result();
    });
    a.SetTab(TTab::kPages);
    Click(a, "btAggiungi");
    EXPECT_EQ(Rows(a, TTab::kPages), (QStringList{"Inizio", "Fienile", "Stalla", "Cortile"}));
    const std::vector<std::int32_t> added = a.Selected();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), static_cast<std::int32_t>(added[0] & 0xFFFFFF));
    shell::ui::SetDialogRunner({});

    // "&Edita..." on the pages tab shows the page in the editor.
    a.Select(model::MakeRef(model::testoHtml, 2));
    Click(a, "btEdita");
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), 2);

    // "anteprima": the selected page in the preview frame set, following the selection.
    EXPECT_EQ(a.PagePreview(), nullptr) << "made only when asked for";
    a.findChild<QCheckBox*>(QStringLiteral("cbAnteprima"))->setChecked(true);
    ASSERT_NE(a.PagePreview(), nullptr);
    EXPECT_TRUE(a.PagePreview()->isVisible());
    EXPECT_EQ(a.PagePreview()->MainPageNumber(), 2);
    a.Select(model::MakeRef(model::testoHtml, 1));
    EXPECT_EQ(a.PagePreview()->MainPageNumber(), 1);
    a.SetTab(TTab::kUrls);
    EXPECT_FALSE(a.PagePreview()->isVisible());
}

// Another hypertext opened while the album is open: the lists show its
// objects, so renaming a row can only reach what the row shows.
TEST_F(AlbumWindowTest, ListsFollowAHypertextOpenedMeanwhile) {
    TFalbum& a = Open();
    ASSERT_EQ(Rows(a, TTab::kPages).size(), 3);
    testsupport::NyxBuilder b;
    testsupport::AddDefaultStyles(b);
    testsupport::AddPage(b, "Altrove", "<Z S0 >Un altro ipertesto.");
    b.Write(dir / "altro.nyx");
    ASSERT_TRUE(form->OpenDocument(dir / "altro.nyx", true));
    EXPECT_EQ(Rows(a, TTab::kPages), QStringList{"Altrove"});
    ASSERT_TRUE(a.Model(TTab::kPages)->setData(a.Model(TTab::kPages)->index(0), QStringLiteral("Qui"), Qt::EditRole));
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, 0)->GetName(), "Qui");
}

}  // namespace
