// The main window with scripted answers: command line, recent files, the
// save-changes question, saving untitled and failed documents, the save
// reminder, the dialogs, the command map.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QTextCursor>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Prototypes.h"
#include "model/Types.h"
#include "platform/Dispatch.h"
#include "platform/Timer.h"
#include "platform/qt/QtUi.h"
#include "platform/text.h"
#include "richtext/StyleSheet.h"
#include "markup/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/UndoDropDown.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/CommandMap.h"
#include "shell/Languager.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/LinkWindows.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/PrototypeDialogs.h"
#include "shell/StartLogic.h"
#include "present/FrameLayout.h"
#include "present/FrameSet.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/NYXListView.h"
#include "support/MainWindowFixture.h"
#include "support/Needs.h"
#include "support/NyxBuilder.h"
#include "support/PageList.h"
#include "support/QtApp.h"
#include "support/RunNyx.h"

namespace fs = std::filesystem;
using platform::Answer;
using platform::testing::Message;
using namespace shell;
using namespace shell::ui;

namespace {

class MainFormTest : public testsupport::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        AnswerFileChoices();
    }
    fs::path MakeNyx(const std::string& name, const std::string& title = "Prova") {
        const fs::path p = dir / name;
        model::TNYXset s;
        s.NewHypertext();
        s.SetTitle(title);
        EXPECT_TRUE(s.SaveToFile(p));
        return p;
    }
    std::unique_ptr<TMainForm> Form() { return std::make_unique<TMainForm>(paths); }

};

TEST_F(MainFormTest, FileNameWithSpacesArrivesSplitAndOpens) {
    const fs::path file = MakeNyx("due parole.nyx");
    auto form = Form();
    form->Start(ParseCommandLine({(dir / "due").string(), "parole.nyx"}));
    EXPECT_EQ(form->DocumentName(), file);
    EXPECT_EQ(form->windowTitle().toStdString(), "due parole.nyx - Quor");
}

TEST_F(MainFormTest, PrintSwitchOpensTheFileAndSetsTheAction) {
    const fs::path file = MakeNyx("stampa.nyx");
    auto form = Form();
    form->Start(ParseCommandLine({"/PRINT", file.string()}));
    EXPECT_EQ(form->DocumentName(), file);
    EXPECT_EQ(form->NextAction(), TNextAction::Print);
}

TEST_F(MainFormTest, MissingFileFallsBackToTheDefaultStart) {
    const fs::path last = MakeNyx("ultimo.nyx");
    store->WriteOption("LastFile", last.string());
    {
        auto form = Form();
        form->Start(ParseCommandLine({(dir / "manca.nyx").string()}));
        EXPECT_EQ(form->DocumentName(), last);
        EXPECT_TRUE(scripted.ui.messages.empty());
    }
    store->WriteOption("AtStartBlank", "1");
    auto form = Form();
    form->Start(ParseCommandLine({}));
    EXPECT_TRUE(form->DocumentName().empty());
    EXPECT_EQ(form->windowTitle().toStdString(), "Senza titolo - Quor");
}

TEST_F(MainFormTest, ShippedLibraryIsCopiedOnFirstUse) {
    auto form = Form();
    form->Start({});
    const fs::path lib = paths.userFolder / "Custom" / "default.cus";
    EXPECT_EQ(form->LibraryFile(), lib);
    ASSERT_TRUE(fs::exists(lib));
    EXPECT_EQ(testsupport::ReadFile(lib), testsupport::ReadFile(paths.ShippedLibrary()));

    // A library named by the option that does not exist yet is created there.
    store->WriteOption("DefaultLib", (dir / "mia.cus").string());
    auto second = Form();
    second->Start({});
    EXPECT_EQ(second->LibraryFile(), dir / "mia.cus");
    EXPECT_TRUE(fs::exists(dir / "mia.cus"));
}

TEST_F(MainFormTest, PrototypeMadeInTheLibraryWindowBecomesAComponentOnThePage) {
    auto form = Form();
    form->Start({});
    SetDialogRunner([](QDialog& d) {
        d.findChild<QPushButton*>(QStringLiteral("btNuovoPrototipo"))->click();
        d.findChild<QLineEdit*>(QStringLiteral("edNome"))->setText(QStringLiteral("Riquadro"));
        d.findChild<QComboBox*>(QStringLiteral("cbTipo"))->setCurrentIndex(1);
        d.findChild<QCheckBox*>(QStringLiteral("cbAccesso"))->setChecked(true);
        auto* tabs = d.findChild<QTabWidget*>(QStringLiteral("tabs"));
        tabs->setCurrentIndex(1);
        d.findChild<QPushButton*>(QStringLiteral("btNuovoParametro"))->click();
        d.findChild<QTableWidget*>(QStringLiteral("tbParametri"))->item(0, 0)->setText(QStringLiteral("Colore"));
        tabs->setCurrentIndex(3);
        auto* html = d.findChild<QPlainTextEdit*>(QStringLiteral("edHtml"));
        html->setPlainText(QStringLiteral("<b style=\"color:"));
        html->moveCursor(QTextCursor::End);
        d.findChild<QComboBox*>(QStringLiteral("cbInserisciParametro"))->setCurrentIndex(0);
        d.findChild<QPushButton*>(QStringLiteral("btInserisciParametro"))->click();
        d.accept();
        return d.result();
    });
    form->Command("actLibrerie")->trigger();
    // OK saved the library: read back from its file.
    model::TNYXset saved;
    ASSERT_TRUE(saved.LoadFromFile(form->LibraryFile()));
    const model::TNYXoggetto* proto = nullptr;
    for (std::size_t i = 0; i < saved.Count(model::custom); ++i)
        if (const auto* p = saved.ObjectAt(model::custom, static_cast<std::int64_t>(i)); p && !p->IsEmpty()) proto = p;
    ASSERT_TRUE(proto);
    EXPECT_EQ(proto->GetName(), "Riquadro");
    const model::TPrototypeContent content = model::ReadPrototype(*proto);
    EXPECT_EQ(content.kind, 2);
    EXPECT_TRUE(content.quickAccess);
    ASSERT_EQ(content.parameters.Size(), 1u);
    EXPECT_EQ(content.parameters.Entries()[0].name, "Colore");
    EXPECT_EQ(content.html, "<b style=\"color:!ReCP:Colore!");

    // "Componente personalizzato...": the prototype with a value, on the page shown.
    fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", dir / "guida.nyx");
    ASSERT_TRUE(form->OpenDocument(dir / "guida.nyx", true));
    SetDialogRunner([](QDialog& d) {
        EXPECT_EQ(d.findChild<QListWidget*>(QStringLiteral("lbPrototipi"))->currentItem()->text().toStdString(), "Riquadro");
        auto* values = d.findChild<QTableWidget*>(QStringLiteral("tbValori"));
        EXPECT_EQ(values->rowCount(), 1);
        if (values->rowCount() == 1) values->item(0, 1)->setText(QStringLiteral("rosso"));
        d.findChild<QSpinBox*>(QStringLiteral("seLarghezza"))->setValue(120);
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(form->Command("actComponente")->isEnabled());
    // Quick access: the prototype is offered in the menu, before the command.
    QMenu* insert = nullptr;
    for (QObject* o : form->Command("actComponente")->associatedObjects())
        if (auto* m = qobject_cast<QMenu*>(o)) insert = m;
    ASSERT_TRUE(insert);
    emit insert->aboutToShow();
    QAction* quick = nullptr;
    const QList<QAction*> entries = insert->actions();
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i]->text() == QLatin1String("Riquadro")) {
            quick = entries[i];
            EXPECT_TRUE(entries[i + 1]->isSeparator());
            EXPECT_EQ(entries[i + 2], form->Command("actComponente"));
        }
    ASSERT_TRUE(quick);
    emit insert->aboutToShow();  // rebuilt, never doubled
    const QList<QAction*> again = insert->actions();
    const auto isQuick = [](QAction* a) { return a->text() == QLatin1String("Riquadro"); };
    EXPECT_EQ(std::count_if(again.begin(), again.end(), isQuick), 1);
    quick = *std::find_if(again.begin(), again.end(), isQuick);
    quick->trigger();
    form->CommitPageEdits();
    model::TNYXset& doc = form->Document();
    const model::TNYXoggetto* comp = nullptr;
    for (std::size_t i = 0; i < doc.Count(model::multiMedia); ++i)
        if (const auto* o = doc.ObjectAt(model::multiMedia, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) comp = o;
    ASSERT_TRUE(comp);
    const model::TNYXoggetto* copy = model::ComponentPrototype(doc, *comp);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetName(), "Riquadro");
    const model::TPropList values = model::ComponentValues(doc, *comp);
    ASSERT_TRUE(values.Find("colore"));
    EXPECT_EQ(values.Find("colore")->value, "rosso");
}

TEST_F(MainFormTest, RecentFilesMoveToTheEndAndDropTheOldest) {
    std::vector<fs::path> files;
    for (int i = 0; i < 6; ++i) files.push_back(MakeNyx("f" + std::to_string(i) + ".nyx"));
    auto form = Form();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(form->OpenDocument(files[i], true));
    ASSERT_TRUE(form->OpenDocument(files[2], true));
    std::vector<std::string> want = {files[0], files[1], files[3], files[4], files[2]};
    EXPECT_EQ(form->RecentFiles(), want);
    ASSERT_TRUE(form->OpenDocument(files[5], true));
    want = {files[1], files[3], files[4], files[2], files[5]};
    EXPECT_EQ(form->RecentFiles(), want);

    // The menu lists them in the same order.
    std::vector<std::string> menu;
    for (QAction* a : form->findChild<QMenu*>(QStringLiteral("mnFile"))->actions())
        if (a->objectName() == QStringLiteral("actRecente")) menu.push_back(a->text().toStdString());
    EXPECT_EQ(menu, want);

    form->StoreOptions();
    EXPECT_EQ(shell::ReadRecentFiles(*store), want);
    EXPECT_EQ(store->ReadOption("LastFile"), files[5].string());

    // A new window reads them back.
    auto again = Form();
    EXPECT_EQ(again->RecentFiles(), want);
}

TEST_F(MainFormTest, ExamplesAreNotRecentAndAreMarkedInTheCaption) {
    const fs::path file = MakeNyx("examples/esempio.nyx");
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    EXPECT_TRUE(form->RecentFiles().empty());
    EXPECT_EQ(form->windowTitle().toStdString(), "esempio.nyx [esempio] - Quor");
}

TEST_F(MainFormTest, FailedOpenLeavesAnUntitledDocumentThatSaveAllNeverWritesOverTheFile) {
    const fs::path good = MakeNyx("buono.nyx");
    const fs::path bad = dir / "rotto.nyx";
    {
        std::ofstream out(bad, std::ios::binary);
        out << "KYTE questo non e' un ipertesto";
    }
    const std::string badBytes = testsupport::ReadFile(bad);
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(good, true));
    form->AddRecent(bad);
    EXPECT_FALSE(form->OpenDocument(bad, true));
    EXPECT_TRUE(form->DocumentName().empty());
    EXPECT_EQ(form->windowTitle().toStdString(), "Senza titolo - Quor");
    EXPECT_EQ(form->RecentFiles(), std::vector<std::string>{good.string()});
    EXPECT_FALSE(scripted.ui.Texts(Message::Information).empty());

    form->Document().SetModified(true);
    chosen.clear();  // the user cancels "Salva con nome"
    EXPECT_FALSE(form->SaveAll());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, TFileRequest::Save);
    EXPECT_EQ(testsupport::ReadFile(bad), badBytes);
}

TEST_F(MainFormTest, SaveAllOnUntitledAsksForANameAndSetsThePrefix) {
    auto form = Form();
    form->Start({});
    chosen = dir / "Un Nome Molto Lungo Davvero";
    ASSERT_TRUE(form->SaveAll());
    const fs::path saved = dir / "Un Nome Molto Lungo Davvero.nyx";
    EXPECT_EQ(form->DocumentName(), saved);
    EXPECT_TRUE(fs::exists(saved));
    EXPECT_EQ(form->Document().ExpPrefix(), "un nome molto lu");
    EXPECT_TRUE(form->Saved());
    EXPECT_EQ(form->RecentFiles(), std::vector<std::string>{saved.string()});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].suggested, "Senza titolo");

    // Now titled: "Salva tutto" saves in place without a dialog.
    const auto counter = form->Document().SaveCounter();
    ASSERT_TRUE(form->SaveAll());
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(form->Document().SaveCounter(), counter + 1);
}

TEST_F(MainFormTest, SaveChangesQuestionAnswers) {
    const fs::path file = MakeNyx("doc.nyx");
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    form->Document().SetModified(true);

    // Cancel keeps the window open and the document as it is.
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(form->CanClose());
    ASSERT_EQ(scripted.ui.Texts(Message::YesNoCancel),
              std::vector<std::string>{"Salvo le modifiche fatte a " + file.string() + "?"});
    EXPECT_TRUE(form->Document().Modified());
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(form->NewDocument());
    EXPECT_EQ(form->DocumentName(), file);
    form->show();
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());

    // Yes saves first; No goes on without saving.
    const auto before = testsupport::ReadFile(file);
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(form->NewDocument());
    EXPECT_NE(testsupport::ReadFile(file), before);
    EXPECT_TRUE(form->DocumentName().empty());
    form->Document().SetModified(true);
    scripted.ui.answers = {Answer::No};
    EXPECT_TRUE(form->CanClose());
}

TEST_F(MainFormTest, FailedSaveShowsTheErrorWindowAndStaysModified) {
    const fs::path file = MakeNyx("salva.nyx");
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    const std::string before = testsupport::ReadFile(file);
    form->Document().SetModified(true);
    form->Document().saveFaultHook = [](const char* step) { return std::string_view(step) == "rename"; };
    EXPECT_FALSE(form->SaveAll());
    const auto lists = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].rfind("Salvataggio non riuscito!", 0), 0u);
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_FALSE(form->Saved());
    EXPECT_EQ(testsupport::ReadFile(file), before);
    form->Document().saveFaultHook = nullptr;
}

TEST_F(MainFormTest, SavingIntoTheExamplesFolderAsksFirst) {
    const fs::path file = MakeNyx("examples/es.nyx");
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    const std::string before = testsupport::ReadFile(file);
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(form->SaveAll());
    EXPECT_EQ(testsupport::ReadFile(file), before);
    ASSERT_EQ(scripted.ui.Texts(Message::YesNoCancel).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::YesNoCancel)[0].find("directory degli esempi"), std::string::npos);
    // No: "Salva con nome" instead.
    scripted.ui.answers = {Answer::No};
    chosen = dir / "copia.nyx";
    EXPECT_TRUE(form->SaveAll());
    EXPECT_EQ(form->DocumentName(), dir / "copia.nyx");
    EXPECT_EQ(testsupport::ReadFile(file), before);
}

TEST_F(MainFormTest, DocumentCommandsAreDisabledWhileOpening) {
    const fs::path first = MakeNyx("primo.nyx");
    const fs::path other = MakeNyx("altro.nyx");
    auto form = Form();
    bool ran = false, enabledInside = true, reentered = true;
    platform::dispatch().Post([&] {
        ran = true;
        enabledInside = form->Command("actSalvaTutto")->isEnabled() || form->Command("actApri")->isEnabled();
        reentered = form->OpenDocument(other, false);
    });
    ASSERT_TRUE(form->OpenDocument(first, false));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(enabledInside);
    EXPECT_FALSE(reentered);
    EXPECT_EQ(form->DocumentName(), first);
    EXPECT_TRUE(form->Command("actSalvaTutto")->isEnabled());
    EXPECT_FALSE(form->Command("actUndo")->isEnabled());
}

TEST_F(MainFormTest, SaveReminderFollowsTheOptionsAndWaitsForOtherWork) {
    store->WriteOption("PromemSave", "1");
    store->WriteOption("TimeSave", "10");
    auto form = Form();
    EXPECT_TRUE(form->SaveReminderRunning());
    EXPECT_EQ(form->SaveReminderInterval(), 10 * 60 * 1000);

    // Inside another operation (here: while a document opens) it does not ask.
    const fs::path file = MakeNyx("r.nyx");
    platform::dispatch().Post([&] { form->SaveReminderFired(); });
    ASSERT_TRUE(form->OpenDocument(file, false));
    EXPECT_TRUE(scripted.ui.Texts(Message::YesNo).empty());

    scripted.ui.answers = {Answer::No};
    form->SaveReminderFired();
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), std::vector<std::string>{"Promemoria: vuoi salvare?"});
    EXPECT_TRUE(form->SaveReminderRunning());

    form->SetSaveReminder(false, 5);
    EXPECT_FALSE(form->SaveReminderRunning());
}

TEST_F(MainFormTest, CommandMapHasEachShortcutOnceAndDisablesUnbuiltCommands) {
    auto form = Form();
    std::multiset<QString> shortcuts;
    for (QAction* a : form->Commands())
        if (!a->shortcut().isEmpty()) shortcuts.insert(a->shortcut().toString(QKeySequence::PortableText));
    for (const QString& s : shortcuts) EXPECT_EQ(shortcuts.count(s), 1u) << s.toStdString();
    EXPECT_EQ(form->Command("actApri")->shortcut(), QKeySequence(QStringLiteral("Ctrl+F12")));
    EXPECT_TRUE(form->Command("actTutteLePagine")->shortcut().isEmpty());
    EXPECT_EQ(form->Command("actSalvaTutto")->text().toStdString(), "&Salva tutto");
    EXPECT_EQ(form->Command("actUndo")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Backspace));
    EXPECT_EQ(form->Command("actTaglia")->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    for (const char* n : {"actNuovoIpertesto", "actNuovoDa", "actApri", "actSalvaTutto", "actSalvaConNome",
                          "actSalvaModello", "actEsci", "actOpzioni", "actProprietaIpertesto", "actTutteLePagine",
                          "actAggiungiPagina", "actNuovaPagina", "actPubblicaFtp", "actCerca", "actAlbum"})
        EXPECT_TRUE(form->Command(n)->isEnabled()) << n;
    for (const char* n : {"actUndo", "actIndietro"})
        EXPECT_FALSE(form->Command(n)->isEnabled()) << n;
}

template <class W>
W* Child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST_F(MainFormTest, OptionsDialogWritesAndApplies) {
    auto form = Form();
    SetDialogRunner([](QDialog& d) {
        Child<QSpinBox>(d, "seUndoDeep")->setValue(50);
        Child<QSpinBox>(d, "seMaxCacheImg")->setValue(500);  // clamped by the box
        Child<QCheckBox>(d, "cbBak")->setChecked(false);
        Child<QCheckBox>(d, "cbPromemSave")->setChecked(true);
        Child<QSpinBox>(d, "seTimeSave")->setValue(7);
        return int(QDialog::Accepted);
    });
    form->ShowOptionsDialog();
    EXPECT_EQ(store->ReadOption("undoDeep"), "50");
    EXPECT_EQ(store->ReadOption("maxCacheImg"), "200");
    EXPECT_EQ(store->ReadOption("Bak"), "0");
    EXPECT_EQ(form->Document().undoDeep, 50);
    EXPECT_EQ(form->Document().maxCacheImg, 200u);
    EXPECT_FALSE(form->Document().backups);
    EXPECT_EQ(form->SaveReminderInterval(), 7 * 60 * 1000);

    // Cancel writes nothing.
    SetDialogRunner([](QDialog& d) {
        Child<QSpinBox>(d, "seUndoDeep")->setValue(9);
        return int(QDialog::Rejected);
    });
    form->ShowOptionsDialog();
    EXPECT_EQ(store->ReadOption("undoDeep"), "50");
}

TEST_F(MainFormTest, PropertiesDialogEditsTheHeader) {
    auto form = Form();
    model::TNYXset& doc = form->Document();
    SetDialogRunner([](QDialog& d) {
        Child<QLineEdit>(d, "edTitolo")->setText(QStringLiteral("Città nuova"));
        Child<QLineEdit>(d, "edColoreSfondo")->setText(QStringLiteral("FF0000"));
        Child<QLineEdit>(d, "edColoreTesto")->setText(QStringLiteral("zz"));  // kept
        Child<QCheckBox>(d, "cbNessunPulsante")->setChecked(false);
        return int(QDialog::Accepted);
    });
    form->ShowPropertiesDialog();
    EXPECT_EQ(doc.Title(), "Citt\xE0 nuova");
    EXPECT_EQ(doc.HInt(model::hdr::kBackColor), 255);
    EXPECT_EQ(doc.HInt(model::hdr::kTextColor), 0);
    EXPECT_EQ(doc.HByte(model::hdr::kNoButtons), 0);
    EXPECT_EQ(doc.HInt(model::hdr::kHeaderPage), -1);
    EXPECT_TRUE(doc.Modified());

    doc.SetModified(false);
    SetDialogRunner([](QDialog&) { return int(QDialog::Accepted); });
    form->ShowPropertiesDialog();
    EXPECT_FALSE(doc.Modified());  // nothing changed
}

TEST_F(MainFormTest, InitWritesADesktopEntry) {
    auto form = Form();
    TStartCommand c;
    c.init = true;
    form->Start(c);
    const fs::path entry = dir / "xdg" / "applications" / "quor.desktop";
    ASSERT_TRUE(fs::exists(entry));
    const std::string text = testsupport::ReadFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]"), std::string::npos);
    EXPECT_NE(text.find("Exec=\""), std::string::npos);
    EXPECT_EQ(store->ReadSectionOption("ftpnet", "numMax"), "222");
}

}  // namespace

namespace {

TEST_F(MainFormTest, InterfaceTextsOfTheMainWindowAreApplied) {
    paths.dataFolder = dir / "data";
    fs::create_directories(paths.dataFolder / "lang");
    {
        std::ofstream out(paths.dataFolder / "lang" / "tmainform.lng", std::ios::binary);
        out << "*_*actsalvatutto_caption\r\n &Salva ora\r\n*_*mnfile_caption\r\n &Archivio\r\n";
    }
    auto form = Form();
    EXPECT_EQ(form->Command("actSalvaTutto")->text().toStdString(), "&Salva ora");
    EXPECT_EQ(form->findChild<QMenu*>(QStringLiteral("mnFile"))->title().toStdString(), "&Archivio");
    EXPECT_EQ(form->Command("actApri")->text().toStdString(), "&Apri...");
}

}  // namespace

namespace {

TEST_F(MainFormTest, TemplatesAndNewFromAModel) {
    auto form = Form();
    form->Document().SetTitle("Modello di prova");
    chosen = paths.TemplatesFolder() / "modello.nyx";
    ASSERT_TRUE(form->SaveAsTemplate());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].folder, paths.TemplatesFolder());
    EXPECT_EQ(requests[0].suggested, "Senza titolo1.nyx");
    EXPECT_TRUE(scripted.ui.Texts(Message::YesNoCancel).empty());  // a template save does not ask
    ASSERT_TRUE(fs::exists(chosen));

    // An ordinary save into the templates folder asks first.
    scripted.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(form->SaveAll());
    ASSERT_EQ(scripted.ui.Texts(Message::YesNoCancel).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::YesNoCancel)[0].find("come modello"), std::string::npos);

    // "Nuovo da...": the model's contents, untitled.
    auto other = Form();
    requests.clear();
    ASSERT_TRUE(other->NewFromModel());
    EXPECT_TRUE(other->DocumentName().empty());
    EXPECT_EQ(other->windowTitle().toStdString(), "Senza titolo - Quor");
    EXPECT_EQ(other->Document().Title(), "Modello di prova");
    // Nothing chosen: a new hypertext.
    chosen.clear();
    ASSERT_TRUE(other->NewFromModel());
    EXPECT_EQ(other->Document().Title(), "Senza titolo");
}

TEST_F(MainFormTest, NewHypertextWindowBuildsTheChosenModel) {
    auto form = Form();
    form->Document().SetTitle("Modello salvato");
    chosen = paths.TemplatesFolder() / "Mio modello.nyx";
    ASSERT_TRUE(form->SaveAsTemplate());
    QStringList listed;
    SetDialogRunner([&](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("lbModelli"));
        for (int i = 0; i < list->count(); ++i) listed << list->item(i)->text();
        list->setCurrentRow(int(listed.indexOf(QStringLiteral("Sito con indice"))));
        EXPECT_FALSE(d.findChild<QLabel*>(QStringLiteral("lbDescrizione"))->text().isEmpty());
        d.findChild<QLineEdit*>(QStringLiteral("edTitolo"))->setText(QStringLiteral("Corso <base>"));
        return int(QDialog::Accepted);
    });
    form->Command("actNuovoDa")->trigger();
    EXPECT_EQ(listed, (QStringList{"Ipertesto vuoto", "Sito con indice", "Presentazione", "Mio modello"}));
    model::TNYXset& set = form->Document();
    EXPECT_EQ(set.Title(), "Corso <base>");
    EXPECT_FALSE(set.Modified());
    ASSERT_EQ(set.Count(model::testoHtml), 5u);
    // Every link of the model leads somewhere: pages by reference, the others by the page order.
    for (std::size_t i = 0; i < set.Count(model::speclink); ++i) {
        const model::TNYXoggetto* l = set.ObjectAt(model::speclink, static_cast<std::int64_t>(i));
        if (l->Subtype() != model::linkrec::kGoTo) continue;
        const model::TNYXoggetto* to = set.ObjectByRef(l->Int(model::linkrec::kTarget));
        ASSERT_TRUE(to);
        EXPECT_EQ(to->Type(), model::testoHtml);
    }
    // The title's "<" is text, not a tag.
    const std::string cover(dynamic_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 0))->Text());
    EXPECT_NE(cover.find("Corso &lt;base&gt;"), std::string::npos) << cover;
    EXPECT_EQ(form->windowTitle().toStdString(), "Senza titolo - Quor");
}

TEST_F(MainFormTest, DroppedNativeFileOpens) {
    const fs::path file = MakeNyx("trascinato.nyx", "Trascinato");
    auto form = Form();
    form->Start({});
    form->Document().SetModified(true);
    scripted.ui.answers = {Answer::No};
    form->DropFiles({dir / "immagine.gif", file});
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel).size(), 1u);
    EXPECT_EQ(form->DocumentName(), file);
    EXPECT_EQ(form->Document().Title(), "Trascinato");
}

}  // namespace

namespace {

TEST_F(MainFormTest, AnUnreadableLibraryIsNeverReplaced) {
    const fs::path lib = paths.userFolder / "Custom" / "default.cus";
    fs::create_directories(lib.parent_path());
    {
        std::ofstream out(lib, std::ios::binary);
        out << "not a library at all";
    }
    auto form = Form();
    form->Start({});
    EXPECT_EQ(testsupport::ReadFile(lib), "not a library at all");
}

TEST_F(MainFormTest, ResettingWindowSettingsAsksAndDeletesThePlacements) {
    {
        auto form = Form();
        form->StoreOptions();
    }
    const std::string forms = std::string(shell::kProgramKey) + "forms\\TMainForm";
    ASSERT_TRUE(store->KeyExists(forms));
    TFopzioni dlg;
    scripted.ui.answers = {Answer::No};
    EXPECT_FALSE(dlg.ResetWindowSettings(*store));
    EXPECT_TRUE(store->KeyExists(forms));
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(dlg.ResetWindowSettings(*store));
    EXPECT_FALSE(store->KeyExists(forms));
    EXPECT_NE(scripted.ui.Texts(Message::YesNo).at(0).find("Procedo con l'azzeramento?"), std::string::npos);
}

}  // namespace

TEST_F(MainFormTest, ExportHtmlWritesTheSiteIntoTheChosenFolder) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    QAction* exportAction = form->findChild<QAction*>(QStringLiteral("actEsportaHtml"));
    ASSERT_NE(exportAction, nullptr);
    EXPECT_TRUE(exportAction->isEnabled());
    chosen = dir / "sito";
    fs::create_directories(chosen);
    EXPECT_TRUE(form->ExportHtml());
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().kind, TFileRequest::Folder);
    int html = 0;
    for (const auto& e : fs::directory_iterator(chosen)) html += e.path().extension().string().rfind(".htm", 0) == 0;
    EXPECT_GE(html, 3);
    EXPECT_TRUE(fs::exists(chosen / "guida_style.css"));
    chosen.clear();  // cancelled: nothing happens
    EXPECT_FALSE(form->ExportHtml());
}

// --- editing in the main window --------------------------------------------------------

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, 0, Qt::NoModifier, QString(c));
}

std::string PageText(model::TNYXset& set, std::int64_t slot) {
    auto* page = dynamic_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, slot));
    return page ? page->Text() : std::string();
}

// Every reference a page's text holds leads to an object of the hypertext.
void ExpectReferencesResolve(model::TNYXset& set, std::int64_t slot) {
    for (std::int32_t key : markup::ObjectRefs(PageText(set, slot))) {
        const model::TNYXoggetto* o = set.ObjectByRef(key);
        EXPECT_TRUE(o && !o->IsEmpty()) << std::hex << key;
    }
}

TEST_F(MainFormTest, TypedTextIsStoredWhenThePageIsLeftAndWhenSaved) {
    const fs::path file = dir / "guida.nyx";
    fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", file);
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto* view = form->PageView();
    auto pages = testsupport::PageList::Of(*form);
    ASSERT_EQ(pages->currentSlot(), 0);
    EXPECT_FALSE(form->Command("actUndo")->isEnabled());
    EXPECT_FALSE(form->Command("actCopia")->isEnabled());
    Type(view, QStringLiteral("Però "));
    EXPECT_TRUE(view->Edited());
    EXPECT_TRUE(form->Command("actUndo")->isEnabled());
    EXPECT_EQ(PageText(form->Document(), 0).find("Però"), std::string::npos);  // not stored yet

    pages->setCurrentSlot(1);  // leaving the page stores it
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_NE(PageText(form->Document(), 0).find(platform::text::Utf8ToCp1252("Però ")), std::string::npos);
    ExpectReferencesResolve(form->Document(), 0);
    EXPECT_FALSE(form->Command("actUndo")->isEnabled());  // a page's undo steps go with it

    Type(view, QStringLiteral("Ciao"));
    Key(view, Qt::Key_Return);
    EXPECT_TRUE(form->SaveAll());  // the page shown is stored before writing
    EXPECT_FALSE(view->Edited());
    model::TNYXset reread;
    ASSERT_TRUE(reread.LoadFromFile(file));
    EXPECT_NE(PageText(reread, 0).find(platform::text::Utf8ToCp1252("Però ")), std::string::npos);
    EXPECT_NE(PageText(reread, 1).find("Ciao"), std::string::npos);
    ExpectReferencesResolve(reread, 0);
    ExpectReferencesResolve(reread, 1);

    // Typing alone makes the closing question come; Yes writes the typed text.
    Type(view, QStringLiteral("Fine"));
    ASSERT_FALSE(form->Document().Modified());
    scripted.ui.answers = {Answer::Yes};
    EXPECT_TRUE(form->CanClose());
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel).size(), 1u);
    model::TNYXset last;
    ASSERT_TRUE(last.LoadFromFile(file));
    EXPECT_NE(PageText(last, 1).find("Fine"), std::string::npos);
}

TEST_F(MainFormTest, TheUndoListUndoesTheStepsChosen) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    const std::string before = richtext::BoxText(view->Box());
    Type(view, QStringLiteral("abc"));
    Key(view, Qt::Key_Return);
    Type(view, QStringLiteral("d"));
    EXPECT_EQ(form->UndoList().Labels(),
              (std::vector<std::string>{"Inserimento caratteri", "Inserimento paragrafo", "Inserimento caratteri"}));

    form->OpenUndoList();
    auto* list = form->UndoDropDown();
    ASSERT_TRUE(list->isVisible());
    EXPECT_TRUE(form->UndoList().Busy());
    form->Command("actUndo")->trigger();  // ignored while the list is open
    EXPECT_EQ(form->UndoList().Count(), 3u);
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_Down);  // no row beyond the last
    Key(list, Qt::Key_Up);
    EXPECT_EQ(list->Chosen(), 2);
    Key(list, Qt::Key_Return);
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(form->UndoList().Busy());
    EXPECT_EQ(form->UndoList().Count(), 1u);
    form->Command("actUndo")->trigger();
    EXPECT_EQ(richtext::BoxText(view->Box()), before);
    EXPECT_FALSE(view->Edited());
    EXPECT_FALSE(form->Command("actUndo")->isEnabled());

    // Escape closes the list without undoing anything.
    Type(view, QStringLiteral("x"));
    form->OpenUndoList();
    Key(list, Qt::Key_Escape);
    EXPECT_EQ(form->UndoList().Count(), 1u);
}

TEST(UndoDropDownPlacement, StaysOnTheScreen) {
    const QRect screen(0, 0, 1000, 800);
    const QSize size(200, 100);
    using richtext::ui::TUndoDropDown;
    EXPECT_EQ(TUndoDropDown::Placement(QRect(10, 20, 30, 20), size, screen), QRect(10, 40, 200, 100));
    EXPECT_EQ(TUndoDropDown::Placement(QRect(900, 20, 30, 20), size, screen).left(), 800);
    EXPECT_EQ(TUndoDropDown::Placement(QRect(10, 750, 30, 20), size, screen).top(), 650);
}

TEST_F(MainFormTest, CopiedTextTakesItsLinksAndPictureToAnotherPage) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    auto pages = testsupport::PageList::Of(*form);
    pages->setCurrentSlot(2);  // the picture's page
    form->Command("actSelezionaTutto")->trigger();
    EXPECT_TRUE(form->Command("actCopia")->isEnabled());
    form->Command("actCopia")->trigger();
    EXPECT_TRUE(form->Command("actIncolla")->isEnabled());
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("application/x-quor30-objects")));
    EXPECT_NE(QApplication::clipboard()->text().toStdString().find("Il logo della guida:"), std::string::npos);

    pages->setCurrentSlot(1);
    Key(view, Qt::Key_End, Qt::ControlModifier);
    form->Command("actIncolla")->trigger();
    pages->setCurrentSlot(0);  // the links' page
    form->Command("actSelezionaTutto")->trigger();
    form->Command("actCopia")->trigger();
    pages->setCurrentSlot(1);
    form->Command("actIncolla")->trigger();
    pages->setCurrentSlot(0);
    const std::string stored = PageText(form->Document(), 1);
    EXPECT_NE(stored.find("Benvenuti"), std::string::npos);
    EXPECT_NE(stored.find("Il logo della guida:"), std::string::npos);
    // The pasted links and the picture are the page's own and lead where they led.
    int links = 0, pictures = 0;
    for (std::int32_t key : markup::ObjectRefs(stored)) {
        links += model::RefType(key) == model::speclink;
        if (model::RefType(key) == model::immagineNew) {
            ++pictures;
            const model::TNYXoggetto* placed = form->Document().ObjectByRef(key);
            ASSERT_NE(placed, nullptr);
            const model::TNYXoggetto* pic = form->Document().ObjectAt(model::immagine, placed->Int(0));
            EXPECT_TRUE(pic && !pic->IsEmpty());
        }
    }
    EXPECT_GE(links, 3);
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(form->Document().Count(model::immagine), 1u);  // the same picture, not a copy
    ExpectReferencesResolve(form->Document(), 1);
}

TEST_F(MainFormTest, FollowingALinkShowsItsPageAndKeepsTheEdits) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    auto pages = testsupport::PageList::Of(*form);
    Type(view, QStringLiteral("Nota. "));
    // The caret on the first link of the cover page ("che cos'è un ipertesto").
    richtext::TNYXbox& box = view->Box();
    richtext::TTextPos onLink{-1, 0};
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd() && onLink.para < 0; ++i) {
        const auto& p = *box.paragraphs[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < p.text.size(); ++k)
            if (p.recs[k].link != -1) {
                onLink = {i, static_cast<std::int32_t>(k) + 1};
                break;
            }
    }
    ASSERT_GE(onLink.para, 0);
    view->Editing().SetCaret(onLink);
    form->Command("actSegui")->trigger();
    QApplication::processEvents();  // links are followed on the next turn of the event loop
    EXPECT_EQ(pages->currentSlot(), 1);
    EXPECT_EQ(view->PageSlot(), 1);
    EXPECT_NE(PageText(form->Document(), 0).find("Nota. "), std::string::npos);
    // A position without a link follows nothing (the box is the new page's).
    view->Editing().SetCaret({view->Box().BodyBegin(), 0});
    form->Command("actSegui")->trigger();
    QApplication::processEvents();  // links are followed on the next turn of the event loop
    EXPECT_EQ(pages->currentSlot(), 1);
}

TEST_F(MainFormTest, TheFormatBarSetsTheStyleOfTheNextTypedText) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    QAction* bold = form->Command("actGrassetto");
    ASSERT_NE(bold, nullptr);
    const std::int32_t para = view->Box().BodyBegin() + 1;
    // (Editing rebuilds paragraphs: they are looked up again after each step.)
    auto P = [&]() -> const richtext::TNYXparag& { return *view->Box().paragraphs[static_cast<std::size_t>(para)]; };
    view->Editing().SetCaret({para, 6});
    form->UpdateEditCommands();
    EXPECT_FALSE(bold->isChecked());
    bold->trigger();
    EXPECT_TRUE(bold->isChecked());  // pending for the next characters
    Type(view, QStringLiteral("XY"));
    EXPECT_EQ(P().text.substr(6, 2), "XY");
    EXPECT_TRUE(P().FontAt(6).style & richtext::kBold);
    EXPECT_TRUE(P().FontAt(7).style & richtext::kBold);
    EXPECT_FALSE(P().FontAt(8).style & richtext::kBold);  // the text after keeps its look
    // With a selection the style applies to it, as one undo step.
    view->Editing().Select({para, 0}, {para, 4});
    form->Command("actCorsivo")->trigger();
    EXPECT_TRUE(P().FontAt(0).style & richtext::kItalic);
    EXPECT_FALSE(P().FontAt(4).style & richtext::kItalic);
    EXPECT_EQ(form->UndoList().Count(), 2u);
}

// --- interface texts, read-only hypertexts, saves that would lose content -------------------

TEST_F(MainFormTest, TheShippedInterfaceTextsAreReadAtStart) {
    const fs::path file = shell::LocalizationFileFor(paths.dataFolder, "TMainForm");
    ASSERT_TRUE(fs::exists(file));
    int pairs = 0;
    {
        std::ifstream in(file, std::ios::binary);
        for (std::string line; std::getline(in, line);) pairs += line.rfind("*_*", 0) == 0;
    }
    auto form = Form();
    // Every text of the file names a part of the window, and was set.
    EXPECT_GT(pairs, 100);
    EXPECT_EQ(form->LocalizedTexts(), pairs);
    // The hints come from the file alone.
    EXPECT_EQ(form->Command("actSalvaTutto")->statusTip().toStdString(), "Salva l'ipertesto");
    EXPECT_EQ(form->Command("actRipetiIpertesto")->toolTip().toStdString(), "Ripeti nell'ipertesto");
    // Its captions are the command map's.
    for (const shell::TCommandDef& c : shell::MainCommands()) {
        if (std::string_view(c.name) == "-") continue;
        EXPECT_EQ(form->Command(c.name)->text().toStdString(), c.caption);
    }
    for (const shell::TMenuDef& m : shell::MainMenus())
        EXPECT_EQ(form->findChild<QMenu*>(QString::fromLatin1(m.name))->title().toStdString(), m.caption);
}

TEST_F(MainFormTest, ReadOnlyHypertextIsShownAsAReaderSeesItUntilItsPasswordIsGiven) {
    const fs::path file = dir / "chiuso.nyx";
    {
        model::TNYXset s;
        ASSERT_TRUE(s.LoadFromFile(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx"));
        s.SetHByte(model::hdr::kReadOnly, 1);
        s.SetHStr(model::hdr::kPassword, 16, "chiave");
        ASSERT_TRUE(s.SaveToFile(file));
    }
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto* view = form->PageView();
    auto pages = testsupport::PageList::Of(*form);
    QAction* readOnly = form->Command("actSoloLettura");
    EXPECT_TRUE(readOnly->isChecked());
    EXPECT_TRUE(view->ReadOnly());
    EXPECT_FALSE(form->Command("actIncolla")->isEnabled());

    // Typing is refused with a message, on every page; so are the properties.
    Type(view, QStringLiteral("x"));
    pages->setCurrentSlot(1);
    EXPECT_TRUE(view->ReadOnly());
    Key(view, Qt::Key_Return);
    EXPECT_FALSE(view->Edited());
    EXPECT_EQ(scripted.ui.Texts(Message::Information).size(), 2u);
    int dialogs = 0;
    SetDialogRunner([&](QDialog&) { return ++dialogs, int(QDialog::Accepted); });
    form->ShowPropertiesDialog();
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(scripted.ui.Texts(Message::Information).size(), 3u);

    // "Solo lettura" off asks for the password: a wrong one keeps it read-only.
    std::string typed = "sbagliata";
    SetDialogRunner([&](QDialog& d) {
        Child<QLineEdit>(d, "edPassword")->setText(QString::fromStdString(typed));
        return int(QDialog::Accepted);
    });
    readOnly->trigger();
    EXPECT_TRUE(readOnly->isChecked());
    EXPECT_TRUE(view->ReadOnly());
    EXPECT_EQ(scripted.ui.Texts(Message::Error).size(), 1u);
    typed = "chiave";
    readOnly->trigger();
    EXPECT_FALSE(readOnly->isChecked());
    EXPECT_FALSE(view->ReadOnly());
    Type(view, QStringLiteral("Ora si scrive"));
    EXPECT_TRUE(view->Edited());
    // From now on F11 is the author's own preview: no password.
    readOnly->trigger();
    readOnly->trigger();
    EXPECT_FALSE(view->ReadOnly());
    EXPECT_EQ(scripted.ui.Texts(Message::Error).size(), 1u);
}

TEST_F(MainFormTest, SilentLossOnSaveShowsTheErrorsWindowAndNoKeepsTheFile) {
    const fs::path file = dir / "perdita.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        s.NewObject(model::testoHtml)->SetName("Copertina");
        std::ofstream(dir / "dati.txt", std::ios::binary) << std::string(4000, 'D');
        ASSERT_NE(s.AddFile(dir / "dati.txt"), nullptr);
        ASSERT_TRUE(s.SaveToFile(file));
    }
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    ASSERT_EQ(::truncate(file.c_str(), static_cast<off_t>(fs::file_size(file) - 2000)), 0);
    const std::string cut = testsupport::ReadFile(file);
    form->Document().SetModified(true);

    scripted.ui.answers = {Answer::No};
    EXPECT_FALSE(form->SaveAll());
    const auto lists = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].find("\"dati.txt\""), std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(file), cut);
    EXPECT_FALSE(fs::exists(dir / "perdita.bak"));
    EXPECT_TRUE(form->Document().Modified());
    // The page is shown again after the save gave up, also when closing asked for it.
    auto pages = testsupport::PageList::Of(*form);
    EXPECT_EQ(pages->count(), 1);
    EXPECT_EQ(form->PageView()->PageSlot(), 0);
    scripted.ui.answers = {Answer::Yes, Answer::No};
    EXPECT_FALSE(form->CanClose());
    EXPECT_EQ(scripted.ui.Texts(Message::ErrorList).size(), 2u);
    EXPECT_EQ(pages->count(), 1);
    EXPECT_EQ(form->PageView()->PageSlot(), 0);
    EXPECT_EQ(testsupport::ReadFile(file), cut);
}

namespace {

std::string RefTag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

// The position just inside the n-th link of the body (0: the first).
richtext::TTextPos OnLink(const richtext::TNYXbox& box, int n) {
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i) {
        const auto& p = *box.paragraphs[static_cast<std::size_t>(i)];
        std::int32_t last = -1;
        for (std::size_t k = 0; k < p.text.size(); ++k) {
            if (p.recs[k].link != -1 && p.recs[k].link != last && n-- == 0)
                return {i, static_cast<std::int32_t>(k) + 1};
            last = p.recs[k].link;
        }
    }
    return {-1, 0};
}

}  // namespace

TEST_F(MainFormTest, RedoFromTheMenuTheToolbarListAndTheKeys) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    QAction* redo = form->Command("actRedo");
    ASSERT_NE(redo, nullptr);
    EXPECT_EQ(redo->text().toStdString(), "&Redo");
    EXPECT_EQ(redo->statusTip().toStdString(), "Rifai l'ultima operazione annullata");
    EXPECT_EQ(redo->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    auto* arrow = form->findChild<QToolButton*>(QStringLiteral("tbRedoLista"));
    ASSERT_NE(arrow, nullptr);
    Type(view, QStringLiteral("abc"));
    Key(view, Qt::Key_Return);
    Type(view, QStringLiteral("d"));
    const std::string typed = richtext::BoxText(view->Box());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_FALSE(arrow->isEnabled());
    for (int i = 0; i < 3; ++i) form->Command("actUndo")->trigger();
    EXPECT_FALSE(view->Edited());
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_TRUE(arrow->isEnabled());

    redo->trigger();  // "abc" again
    form->OpenRedoList();
    auto* list = form->RedoDropDown();
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text().toStdString(), "Inserimento paragrafo");
    redo->trigger();  // ignored while the list is open
    Key(list, Qt::Key_Down);
    Key(list, Qt::Key_Return);
    EXPECT_EQ(richtext::BoxText(view->Box()), typed);
    EXPECT_FALSE(redo->isEnabled());

    // In the text: Ctrl+Z, then Ctrl+Y and Ctrl+Shift+Z; a new change ends the redo steps.
    Key(view, Qt::Key_Z, Qt::ControlModifier);
    Key(view, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(richtext::BoxText(view->Box()), typed);
    Key(view, Qt::Key_Z, Qt::ControlModifier);
    Key(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(richtext::BoxText(view->Box()), typed);
    form->Command("actUndo")->trigger();
    EXPECT_TRUE(redo->isEnabled());
    Type(view, QStringLiteral("e"));
    EXPECT_FALSE(redo->isEnabled());
}

TEST_F(MainFormTest, TheVirgoletteOptionMakesTypedQuotesTypographic) {
    store->WriteOption("Virgolette", "1");
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    const std::int32_t para = view->Box().BodyBegin();
    view->Editing().SetCaret({para, 0});
    Type(view, QStringLiteral("\"x\""));
    EXPECT_EQ(view->Box().paragraphs[static_cast<std::size_t>(para)]->text.substr(0, 3), "\x93x\x94");
    // Turned off in the options dialog: straight quotes again.
    SetDialogRunner([](QDialog& d) {
        Child<QCheckBox>(d, "cbVirgolette")->setChecked(false);
        return int(QDialog::Accepted);
    });
    form->ShowOptionsDialog();
    EXPECT_EQ(store->ReadOption("Virgolette"), "0");
    view->Editing().SetCaret({para, 0});
    Type(view, QStringLiteral("'"));
    EXPECT_EQ(view->Box().paragraphs[static_cast<std::size_t>(para)]->text[0], '\'');
}

TEST_F(MainFormTest, LinksToAnAnchorLandOnIt) {
    // Page 0 links to anchor 2 of page 1 and to its own anchor 1; both
    // anchors stand below sixty lines of text.
    const fs::path file = dir / "ancore.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        auto anchor = [&](std::int32_t n) {
            model::TNYXoggetto* a = s.NewObject(model::shortObj);
            a->SetSubtype(14);
            a->SetInt(5, n);
            return a->Reference();
        };
        auto* first = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        auto* second = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        first->SetName("Prima");
        second->SetName("Seconda");
        model::TNYXoggetto* there = s.NewObject(model::speclink);
        there->SetSubtype(1);
        there->SetInt(13, second->Reference());
        there->SetInt(9, 2);
        model::TNYXoggetto* here = s.NewObject(model::speclink);
        here->SetSubtype(1);
        here->SetInt(13, -1);
        here->SetInt(9, 1);
        here->SetByte(18, 6);  // an anchor in the current page
        std::string lines;
        for (int i = 0; i < 60; ++i) lines += "<Z S0 >riga " + std::to_string(i);
        first->SetText("<Z S0 >" + RefTag(there->Reference()) + "vai<%> e " + RefTag(here->Reference()) + "qui<%>" +
                       lines + "<Z S0 >" + RefTag(anchor(1)) + "uno");
        second->SetText(lines + "<Z S0 >ecco " + RefTag(anchor(2)) + "due" + lines);
        s.SetHInt(model::hdr::kCoverPage, static_cast<std::int32_t>(first->Index()));
        ASSERT_TRUE(s.SaveToFile(file));
    }
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto* view = form->PageView();
    auto pages = testsupport::PageList::Of(*form);
    ASSERT_EQ(view->PageSlot(), 0);
    QScrollBar* v = view->verticalScrollBar();

    view->Editing().SetCaret(OnLink(view->Box(), 0));
    form->Command("actSegui")->trigger();
    QApplication::processEvents();  // links are followed on the next turn of the event loop
    EXPECT_EQ(pages->currentSlot(), 1);
    EXPECT_EQ(view->Box().caret, (richtext::TTextPos{60, 5}));
    EXPECT_GT(v->value(), 0);
    EXPECT_EQ(view->CaretRect().top(), v->value());

    pages->setCurrentSlot(0);
    EXPECT_EQ(v->value(), 0);
    view->Editing().SetCaret(OnLink(view->Box(), 1));
    form->Command("actSegui")->trigger();
    QApplication::processEvents();  // links are followed on the next turn of the event loop
    EXPECT_EQ(pages->currentSlot(), 0);
    EXPECT_EQ(view->Box().caret, (richtext::TTextPos{61, 0}));
    EXPECT_GT(v->value(), 0);
    EXPECT_TRUE(scripted.ui.messages.empty());
}

// --- pages and frames in the main window ------------------------------------------------

namespace {

std::string RunNyx(const std::string& args) { return testsupport::RunNyx(args).out; }

}  // namespace

TEST_F(MainFormTest, AddedPagesAreListedAtOnceAndSaved) {
    auto form = Form();
    form->Start({});
    auto pages = testsupport::PageList::Of(*form);
    const int before = pages->count();
    for (int i = 1; i <= 3; ++i) {
        form->Command("actAggiungiPagina")->trigger();
        ASSERT_EQ(pages->count(), before + i);
        EXPECT_EQ(pages->currentSlot(), form->FrameSet()->MainPageNumber());  // shown at once
        Type(form->PageView(), QString::fromStdString("Aggiunta " + std::to_string(i)));
    }
    chosen = dir / "tre.nyx";
    ASSERT_TRUE(form->SaveAll());
    const std::string info = RunNyx("info '" + chosen.string() + "'");
    for (int i = 1; i <= 3; ++i) EXPECT_NE(info.find("Aggiunta " + std::to_string(i)), std::string::npos) << info;
    // The list shows the titles the pages took from their text.
    QStringList titles;
    for (int r = 0; r < pages->count(); ++r) titles << pages->text(r);
    EXPECT_TRUE(titles.contains(QStringLiteral("Aggiunta 3"))) << titles.join(',').toStdString();
    EXPECT_TRUE(std::is_sorted(titles.begin(), titles.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    })) << titles.join(QLatin1Char(',')).toStdString();  // sorted by title
}

TEST_F(MainFormTest, ANewPageDividedAsAModelAndTheListOfEveryPage) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    SetDialogRunner([](QDialog& d) {
        Child<QLineEdit>(d, "edTitolo")->setText(QStringLiteral("Con cornici"));
        Child<QComboBox>(d, "cbModello")->setCurrentIndex(1);
        return int(QDialog::Accepted);
    });
    const std::int64_t slot = form->NewPageDialog();
    ASSERT_EQ(slot, 3);
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, 3)->GetName(), "Con cornici");
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), 3);
    ASSERT_NE(form->FrameSet()->Top(), nullptr);
    EXPECT_FALSE(form->FrameSet()->Top()->IsLeaf());
    EXPECT_GE(form->FrameSet()->Views().size(), 2u);

    // Every page, sorted by size; the one chosen is shown.
    SetDialogRunner([](QDialog& d) {
        auto* list = Child<present::ui::TNYXListView>(d, "lvTuttePagine");
        EXPECT_EQ(list->topLevelItemCount(), 4);
        EXPECT_EQ(list->headerItem()->text(1).toStdString(), "Numero");
        list->sortByColumn(2, Qt::DescendingOrder);
        list->setCurrentItem(list->topLevelItem(0));
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(form->ShowAllPages());
    std::int64_t biggest = 0;
    for (std::int64_t i = 1; i < 4; ++i)
        if (form->Document().ObjectAt(model::testoHtml, i)->ListSize() >
            form->Document().ObjectAt(model::testoHtml, biggest)->ListSize())
            biggest = i;
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), biggest);
    EXPECT_EQ(testsupport::PageList::Of(*form).currentSlot(), biggest);
}

TEST_F(MainFormTest, DeletingAPageIsRefusedWhileItIsUsedElseAskedAndUndoneUntilSaved) {
    const fs::path file = dir / "guida.nyx";
    fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", file);
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto pages = testsupport::PageList::Of(*form);
    pages->setCurrentSlot(1);
    Key(pages, Qt::Key_Delete);
    const auto lists = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].find("Copertina"), std::string::npos);
    EXPECT_EQ(pages->count(), 3);

    form->Command("actAggiungiPagina")->trigger();
    ASSERT_EQ(pages->count(), 4);
    EXPECT_FALSE(form->Command("actRipristinaPagina")->isEnabled());
    scripted.ui.answers = {Answer::Yes};
    form->Command("actEliminaPagina")->trigger();
    EXPECT_EQ(pages->count(), 3);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_TRUE(form->Document().ObjectAt(model::testoHtml, 3)->IsEmpty());
    ASSERT_TRUE(form->Command("actRipristinaPagina")->isEnabled());
    form->Command("actRipristinaPagina")->trigger();
    EXPECT_EQ(pages->count(), 4);
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), 3);

    // Saved, a deletion stays.
    scripted.ui.answers = {Answer::Yes};
    form->Command("actEliminaPagina")->trigger();
    ASSERT_TRUE(form->SaveAll());
    EXPECT_FALSE(form->Command("actRipristinaPagina")->isEnabled());
    EXPECT_EQ(pages->count(), 3);
}

TEST_F(MainFormTest, ThePageListFiltersAndRenamesInPlaceAsOneUndoStep) {
    const fs::path file = dir / "guida.nyx";
    fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", file);
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto pages = testsupport::PageList::Of(*form);
    const int all = pages->count();
    ASSERT_GE(all, 3);
    const QString first = pages->text(0);
    // The filter keeps the titles holding its text, in any case.
    auto* filter = form->findChild<QLineEdit*>(QStringLiteral("edFiltroPagine"));
    ASSERT_TRUE(filter);
    filter->setText(first.left(4).toUpper());
    EXPECT_GE(pages->count(), 1);
    EXPECT_LT(pages->count(), all);
    for (int r = 0; r < pages->count(); ++r) EXPECT_TRUE(pages->text(r).contains(first.left(4), Qt::CaseInsensitive));
    filter->clear();
    ASSERT_EQ(pages->count(), all);

    // Renamed in place: the record takes the name, the list re-sorts, one undo step brings it back.
    const std::int64_t slot = pages->slot(0);
    pages->setCurrentSlot(slot);
    auto* tree = qobject_cast<QTreeWidget*>(static_cast<QWidget*>(pages));
    tree->editItem(tree->currentItem(), 0);
    auto* editor = tree->viewport()->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->setText(QStringLiteral("Zeta finale"));
    Key(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, slot)->GetName(), "Zeta finale");
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_EQ(pages->text(pages->count() - 1).toStdString(), "Zeta finale");
    EXPECT_EQ(form->FrameSet()->MainPageNumber(), slot);  // the page stays shown
    ASSERT_TRUE(form->Command("actUndo")->isEnabled());
    form->Command("actUndo")->trigger();
    EXPECT_EQ(QString::fromStdString(platform::text::Cp1252ToUtf8(form->Document().ObjectAt(model::testoHtml, slot)->GetName())), first);
    EXPECT_EQ(pages->text(0), first);
}

TEST_F(MainFormTest, TheLinkUnderThePointerIsDescribedInTheStatusBarUntilThePointerLeavesIt) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto* view = form->PageView();
    QWidget* vp = view->viewport();
    auto move = [&](QPoint at) {
        QMouseEvent e(QEvent::MouseMove, QPointF(at), vp->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    const QPoint scroll(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    view->Editing().SetCaret(OnLink(view->Box(), 0));
    const QRect caret = view->CaretRect();
    move(QPoint(caret.left() - 2, caret.center().y()) - scroll);
    const QString hint = form->statusBar()->currentMessage();
    ASSERT_FALSE(hint.isEmpty());
    EXPECT_EQ(hint, vp->toolTip().section('|', 0, 0));
    // Off the link, and out of the page, the status bar is emptied.
    move(QPoint(1, 1));
    EXPECT_TRUE(form->statusBar()->currentMessage().isEmpty());
    move(QPoint(caret.left() - 2, caret.center().y()) - scroll);
    EXPECT_EQ(form->statusBar()->currentMessage(), hint);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view, &leave);
    EXPECT_TRUE(form->statusBar()->currentMessage().isEmpty());
}

TEST_F(MainFormTest, LinksToWindowsOfTheirOwnOpenOneWindowPerNameInViewModeAndALinkClosesIt) {
    const fs::path file = dir / "finestre.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        auto* first = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        auto* second = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        first->SetName("Prima");
        second->SetName("Seconda");
        auto link = [&](int subtype, std::int32_t target, int mode) {
            model::TNYXoggetto* l = s.NewObject(model::speclink);
            l->SetSubtype(static_cast<std::uint8_t>(subtype));
            l->SetInt(model::linkrec::kTarget, target);
            l->SetInt(model::linkrec::kAnchor, -1);
            l->SetByte(model::linkrec::kOpenMode, static_cast<std::uint8_t>(mode));
            l->SetStr(model::linkrec::kWindowName, model::linkrec::kWindowNameCap, "Altra");
            return l->Reference();
        };
        first->SetText("<Z S0 >" + RefTag(link(1, second->Reference(), /*separate window*/ 2)) + "apri<%>");
        second->SetText("<Z S0 >" + RefTag(link(/*close a window*/ 2, -1, 0)) + "chiudi<%>");
        s.SetHInt(model::hdr::kCoverPage, static_cast<std::int32_t>(first->Index()));
        ASSERT_TRUE(s.SaveToFile(file));
    }
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    auto pages = testsupport::PageList::Of(*form);
    auto open = [&] {
        ASSERT_TRUE(form->FollowLink(form->PageView()->LinkAt(OnLink(form->PageView()->Box(), 0))));
        QApplication::processEvents();
    };
    // Editing, the link shows its page in the main window.
    open();
    EXPECT_EQ(pages->currentSlot(), 1);
    EXPECT_EQ(form->LinkWindows().Count(), 0u);
    pages->setCurrentSlot(0);
    form->Command("actSoloLettura")->trigger();
    const std::vector<std::int32_t> history = form->FrameSet()->History();
    open();
    open();  // the same name takes the same window
    EXPECT_EQ(pages->currentSlot(), 0);
    EXPECT_EQ(form->FrameSet()->History(), history);
    ASSERT_EQ(form->LinkWindows().Count(), 1u);
    present::ui::TInsiemeCornici* inner = form->LinkWindows().FrameSetOf("ALTRA");
    ASSERT_NE(inner, nullptr);
    EXPECT_TRUE(inner->window()->isVisible());
    EXPECT_EQ(inner->window()->windowTitle(), "Seconda - Altra");
    ASSERT_NE(inner->CurrentView(), nullptr);
    EXPECT_EQ(inner->CurrentView()->PageSlot(), 1);
    EXPECT_TRUE(inner->ReadOnly());
    // The window's own link closes it.
    richtext::ui::TNYXpageView* shown = inner->CurrentView();
    QPointer<QWidget> window = inner->window();
    inner->DoLink(inner->CurrentOrFirst(), shown->LinkAt(OnLink(shown->Box(), 0)));
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->LinkWindows().Count(), 0u);
    EXPECT_TRUE(window.isNull());
    // Leaving view mode closes what is still open.
    open();
    ASSERT_EQ(form->LinkWindows().Count(), 1u);
    form->Command("actSoloLettura")->trigger();
    EXPECT_EQ(form->LinkWindows().Count(), 0u);
    EXPECT_TRUE(scripted.ui.messages.empty());
}

TEST_F(MainFormTest, InViewModeASlideAdvancesAndAnAnchorShownOnRequestIsNamedWhenClicked) {
    const fs::path file = dir / "slide.nyx";
    {
        model::TNYXset s;
        s.NewHypertext();
        auto* first = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        auto* second = static_cast<model::TNYXtesto*>(s.NewObject(model::testoHtml));
        first->SetName("Prima");
        second->SetName("Seconda");
        model::TNYXoggetto* a = s.NewObject(model::shortObj);
        a->SetSubtype(model::markerrec::kAnchor);
        a->SetInt(model::markerrec::kValue, 7);
        first->SetText("<Z S0 >uno");
        second->SetText("<Z S0 >qui " + RefTag(a->Reference()) + "due");
        first->SetInt(model::pagerec::kNextSlide, second->Reference());
        first->SetWord(present::kSlideDelayField, 1);
        s.SetHInt(model::hdr::kCoverPage, static_cast<std::int32_t>(first->Index()));
        ASSERT_TRUE(s.SaveToFile(file));
    }
    // The slide's timer runs in the Qt event loop, as in the program.
    struct QtLoop {
        platform::qt::TQtDispatch dispatch;
        platform::qt::TQtTimers timers;
        platform::Dispatch* previousDispatch = platform::SetDispatch(&dispatch);
        platform::TimerFactory* previousTimers = platform::SetTimers(&timers);
        ~QtLoop() {
            platform::SetTimers(previousTimers);
            platform::SetDispatch(previousDispatch);
        }
    } loop;
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(file, true));
    form->resize(800, 600);
    form->show();
    ASSERT_TRUE(form->Command("actAnteprimaAttiva")->isChecked());
    ASSERT_FALSE(form->Command("actAnteprimaAncore")->isChecked());
    form->Command("actSoloLettura")->trigger();
    QElapsedTimer clock;
    clock.start();
    while (form->PageView()->PageSlot() != 1 && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(form->PageView()->PageSlot(), 1);
    auto marker = [&]() -> richtext::TNYXembedded* {
        for (const auto& p : form->PageView()->Box().paragraphs)
            for (richtext::TNYXembedded* e : p->Objects())
                if (e && e->Record() && e->Record()->Type() == model::shortObj &&
                    e->Record()->Subtype() == model::markerrec::kAnchor)
                    return e;
        return nullptr;
    };
    ASSERT_NE(marker(), nullptr);
    EXPECT_EQ(marker()->width, 0);  // a reader does not see anchors
    form->Command("actAnteprimaAncore")->trigger();
    richtext::TNYXembedded* e = marker();
    ASSERT_NE(e, nullptr);
    ASSERT_GT(e->width, 0);
    QWidget* vp = form->PageView()->viewport();
    const QPoint scroll(form->PageView()->horizontalScrollBar()->value(), form->PageView()->verticalScrollBar()->value());
    const QPoint at = QPoint(e->left + e->width / 2, e->top + e->height / 2) - scroll;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), vp->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(vp, &press);
    QApplication::processEvents();
    const std::string name = platform::text::Cp1252ToUtf8(e->Record()->Description());
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), name);
    EXPECT_TRUE(scripted.ui.messages.empty());
}

TEST_F(MainFormTest, ALinkFollowedInViewModeAndBack) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    auto pages = testsupport::PageList::Of(*form);
    QAction* back = form->Command("actIndietro");
    EXPECT_EQ(back->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Left));
    EXPECT_FALSE(back->isEnabled());
    form->Command("actSoloLettura")->trigger();
    ASSERT_TRUE(form->PageView()->ReadOnly());
    ASSERT_TRUE(form->FollowLink(form->PageView()->LinkAt(OnLink(form->PageView()->Box(), 0))));
    QApplication::processEvents();
    EXPECT_EQ(pages->currentSlot(), 1);
    EXPECT_TRUE(form->PageView()->ReadOnly());
    ASSERT_TRUE(back->isEnabled());
    back->trigger();
    EXPECT_EQ(pages->currentSlot(), 0);
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(form->Document().Modified());
}

TEST_F(MainFormTest, TheFramePropertiesAndLayoutFilesOfThePageShown) {
    auto form = Form();
    ASSERT_TRUE(form->OpenDocument(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", true));
    SetDialogRunner([](QDialog& d) {
        auto* models = Child<QListWidget>(d, "lbModelli");
        EXPECT_GE(models->count(), 4);
        models->setCurrentRow(0);
        Child<QPushButton>(d, "btCaricaModello")->click();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(form->ShowFrameProperties());
    auto* fs = form->FrameSet();
    ASSERT_TRUE(fs->Top() && !fs->Top()->IsLeaf());
    const std::size_t frames = fs->Top()->CountFrames();
    EXPECT_EQ(fs->MainPageNumber(), 0);

    chosen = dir / "layout";
    form->Command("actSalvaCornici")->trigger();
    ASSERT_TRUE(fs::exists(dir / "layout.frm"));
    chosen = dir / "layout.frm";
    testsupport::PageList::Of(*form).setCurrentSlot(2);
    ASSERT_TRUE(fs->Top()->IsLeaf());
    scripted.ui.answers = {Answer::Yes};
    form->Command("actCaricaCornici")->trigger();
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo), std::vector<std::string>{"Sei sicuro?"});
    EXPECT_EQ(fs->Top()->CountFrames(), frames);

    // "No cornici" takes the division away again.
    SetDialogRunner([](QDialog& d) {
        Child<QPushButton>(d, "btNoCornici")->click();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(form->ShowFrameProperties());
    EXPECT_TRUE(fs->Top()->IsLeaf());
    EXPECT_EQ(form->Document().ObjectAt(model::testoHtml, 2)->Int(81), -1);
}

namespace {

// Selects the `n` characters before the caret as a person would: Shift+Left.
void SelectBack(QWidget* view, int n) {
    for (int i = 0; i < n; ++i) Key(view, Qt::Key_Left, Qt::ShiftModifier);
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// An author's first hypertext, from nothing: three pages, a link from the
// first to an anchor on the third, a URL, a numbered list, a style and a
// background colour; saved, read back by nyx, exported, and the exported
// link followed by a browser lands on the anchor.
TEST_F(MainFormTest, AHypertextMadeFromNothingIsSavedReadBackAndItsLinkLandsOnTheAnchorInABrowser) {
    auto form = Form();
    form->Start({});
    auto pages = testsupport::PageList::Of(*form);
    while (pages->count() < 3) form->Command("actAggiungiPagina")->trigger();
    ASSERT_EQ(pages->count(), 3);
    std::vector<std::int64_t> order;
    for (int r = 0; r < 3; ++r) order.push_back(pages->slot(r));
    std::sort(order.begin(), order.end());

    // Page three: a title line, then the anchor before "Arrivo".
    pages->setCurrentSlot(order[2]);
    auto* view = form->PageView();
    Type(view, QStringLiteral("Meta"));
    Key(view, Qt::Key_Return);
    Type(view, QStringLiteral("Testo prima. "));
    form->Command("actAncora")->trigger();
    Type(view, QStringLiteral("Arrivo qui."));

    // Page two: a numbered list.
    pages->setCurrentSlot(order[1]);
    view = form->PageView();
    Type(view, QStringLiteral("Elenco"));
    for (QAction* a : form->findChild<QToolBar*>(QStringLiteral("tbFormato"))->actions())
        if (a->objectName() == QLatin1String("actNumerazione")) a->trigger();

    // Page one: a link to the anchor, a URL, a style, a background colour.
    pages->setCurrentSlot(order[0]);
    view = form->PageView();
    Type(view, QStringLiteral("Vai alla meta"));
    SelectBack(view, 4);
    SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("search"))->setText(QStringLiteral("Meta"));
        d.findChild<QSpinBox*>(QStringLiteral("anchor"))->setValue(0);  // a page's first anchor
        d.accept();
        return d.result();
    });
    form->Command("actCollegamento")->trigger();
    Key(view, Qt::Key_End);
    Key(view, Qt::Key_Return);
    Type(view, QStringLiteral("Il sito"));
    SelectBack(view, 4);
    SetDialogRunner([](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("kind"))->setCurrentIndex(1);
        d.findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("https://example.org/"));
        d.accept();
        return d.result();
    });
    form->Command("actCollegamento")->trigger();
    ASSERT_TRUE(richtext::AddStyle(form->Document(), "Titolo"));
    auto* styles = form->findChild<QToolBar*>(QStringLiteral("tbFormato"))->findChild<QComboBox*>(QStringLiteral("cbStile"));
    ASSERT_TRUE(styles);
    emit styles->textActivated(QStringLiteral("Titolo"));
    SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("backColour"))->setText(QStringLiteral("#FFFF00"));
        d.accept();
        return d.result();
    });
    form->Command("actProprietaPagina")->trigger();
    SetDialogRunner({});
    EXPECT_TRUE(scripted.ui.messages.empty()) << scripted.ui.messages.front().text;

    chosen = dir / "primo.nyx";
    ASSERT_TRUE(form->SaveAll());
    const std::string info = RunNyx("info '" + chosen.string() + "'");
    EXPECT_NE(info.find("Meta"), std::string::npos) << info;
    // The first page's markup, read back by nyx: the text, the style and the link to a record.
    const std::string dump = RunNyx("dump '" + chosen.string() + "' testoHtml " + std::to_string(order[0]) + " --markup");
    // "meta" carries the link record (type 10), "sito" the URL (type 1), the
    // second paragraph the style just made.
    EXPECT_NE(dump.find("Vai alla <$0A"), std::string::npos) << dump;
    EXPECT_NE(dump.find(">meta<%>"), std::string::npos) << dump;
    EXPECT_NE(dump.find("<Z S2 >Il <$01"), std::string::npos) << dump;
    EXPECT_NE(dump.find(">sito<%>"), std::string::npos) << dump;
    EXPECT_NE(RunNyx("dump '" + chosen.string() + "' testoHtml " + std::to_string(order[2]) + " --markup").find("Arrivo qui"),
              std::string::npos);

    // The exported site, in a browser: click the link and see where it lands.
    const fs::path site = dir / "sito";
    fs::create_directories(site);
    chosen = site;
    ASSERT_TRUE(form->ExportHtml());
    std::string first, third;
    for (const auto& e : fs::directory_iterator(site)) {
        const std::string html = ReadFile(e.path());
        if (html.find("Vai alla") != std::string::npos) first = e.path().filename().string();
        if (html.find("Arrivo qui") != std::string::npos) third = e.path().filename().string();
    }
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(third.empty());
    EXPECT_NE(ReadFile(site / first).find("FFFF00"), std::string::npos) << "the background colour";
    EXPECT_NE(ReadFile(site / first).find("https://example.org/"), std::string::npos);
    QUOR_NEEDS(std::system("command -v chromium >/dev/null 2>&1") == 0, "chromium non installato (scripts/install-deps)");
    std::ofstream(site / "zz_follow.htm")
        << "<!DOCTYPE html><html><body><pre id=out></pre><script>\n"
           "const out=document.getElementById('out');const f=document.createElement('iframe');let step=0;\n"
           "f.onload=()=>{const d=f.contentDocument;\n"
           " if(step++==0){const a=[...d.querySelectorAll('a[href]')].find(x=>x.textContent.includes('meta'));\n"
           "  if(!a){out.textContent='NOLINK';return;} a.click(); return;}\n"
           " const h=decodeURIComponent(f.contentWindow.location.hash.slice(1));\n"
           " const t=d.querySelector('a[name=\"'+h+'\"],[id=\"'+h+'\"]');\n"
           " out.textContent='AT '+f.contentWindow.location.pathname.split('/').pop()+' '+(t?'ANCHOR':'NOANCHOR')+' '+h;};\n"
           "f.src='" << first << "';document.body.appendChild(f);\n</script></body></html>\n";
    const std::string cmd = "timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                            "--disable-background-networking --disable-component-update --disable-sync "
                            "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir='" +
                            (dir / "profile").string() + "' --dump-dom 'file://" + (site / "zz_follow.htm").string() +
                            "' 2>/dev/null";
    std::string dom;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) dom.append(buf, n);
        pclose(p);
    }
    EXPECT_NE(dom.find("AT " + third + " ANCHOR"), std::string::npos) << dom;
}
