// The Cerca menu, the hypertext searches, the link exploration and the spell
// checks of the main window, driven offscreen as a person would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include <fstream>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/TableDialogs.h"
#include "present/ui/TableView.h"
#include "richtext/Layout.h"
#include "richtext/Navigation.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/OptionsStore.h"
#include "shell/Search.h"
#include "shell/Spell.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/SearchCommands.h"
#include "shell/ui/SpellDialog.h"
#include "support/MainWindowFixture.h"
#include "support/Needs.h"
#include "support/NyxBuilder.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;
using platform::testing::Message;

namespace {

int Nyx(const std::string& args, const fs::path& out) {
    const char* env = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = env ? env : fs::read_symlink("/proc/self/exe").parent_path().string();
    const int st = std::system((bin + "/nyx " + args + " >" + out.string() + " 2>/dev/null").c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

class SearchCommandsTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        testsupport::NyxBuilder b;
        testsupport::AddDefaultStyles(b);
        testsupport::AddPage(b, "Inizio", "<Z S0 >Benvenuti. Il gatto dorme.<Z S0 >Vai alla <$00000002>stalla<%>");
        testsupport::AddPage(b, "Fienile", "<Z S0 >Niente qui.");
        testsupport::AddPage(b, "Stalla", "<Z S0 >Un gatto e un cavallo; il gatto &amp; il cane.");
        b.Write(dir / "prova.nyx");
        ASSERT_TRUE(OpenForm(dir / "prova.nyx"));
        ASSERT_TRUE(form->ShowPageSlot(0));
    }
    richtext::ui::TNYXpageView& View() { return *form->PageView(); }
    std::string Selected() {
        richtext::TNYXbox& box = View().Box();
        const auto a = View().Editing().SelectionStart(), e = View().Editing().SelectionEnd();
        if (a.para != e.para) return "?";
        return box.paragraphs[static_cast<std::size_t>(a.para)]->text.substr(a.ch, e.ch - a.ch);
    }
    std::int32_t Shown() { return form->FrameSet()->MainPageNumber(); }
    // Fills the search dialog in and presses its button.
    static void Fill(QDialog& d, const std::string& term, bool hypertext, const std::string& with = "",
                     bool confirm = false) {
        d.findChild<QComboBox*>("termA")->setEditText(QString::fromStdString(term));
        if (auto* w = d.findChild<QLineEdit*>("with")) w->setText(QString::fromStdString(with));
        d.findChild<QRadioButton*>(hypertext ? "scopeHypertext" : "scopePage")->setChecked(true);
        d.findChild<QCheckBox*>("conf1")->setChecked(confirm);
        d.findChild<QCheckBox*>("confAll")->setChecked(confirm);
        d.findChild<QComboBox*>("startFrom")->setCurrentIndex(1);
        d.findChild<QPushButton*>("ok")->click();
    }
};

TEST_F(SearchCommandsTest, EveryCommandIsEnabled) {
    std::vector<std::string> names = {"actCerca",         "actSostituisci", "actRipetiPagina", "actRipetiIpertesto",
                                      "actCercaParola",   "actCercaOperatori", "actRicerche",  "actEsplorazione"};
    if (SpellChecker(*form).IsOpen()) names.insert(names.end(), {"actOrtografiaPagina", "actOrtografiaIpertesto"});
    for (const std::string& n : names) {
        ASSERT_NE(form->Command(n), nullptr) << n;
        EXPECT_TRUE(form->Command(n)->isEnabled()) << n;
    }
}

TEST_F(SearchCommandsTest, FindSelectsInThePageAndF3AndF4GoOn) {
    SetDialogRunner([](QDialog& d) {
        Fill(d, "gatto", false);
        return d.result();
    });
    form->Command("actCerca")->trigger();
    EXPECT_EQ(Selected(), "gatto");
    EXPECT_EQ(View().Editing().SelectionStart().ch, 14);
    EXPECT_FALSE(RepeatInPage(*form)) << "one find only on the first page";
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), kPageSearchDone);
    form->Command("actRipetiIpertesto")->trigger();
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(Selected(), "gatto");
    EXPECT_TRUE(RepeatInPage(*form));
    EXPECT_EQ(View().Editing().SelectionStart().ch, 26);
    EXPECT_FALSE(RepeatInHypertext(*form));
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), kHypertextSearchDone);
    EXPECT_EQ(store->ReadOption("finds"), "gatto");
}

TEST_F(SearchCommandsTest, TooLongTermsKeepTheDialogOpenWithAWarning) {
    bool stayedOpen = false;
    SetDialogRunner([&](QDialog& d) {
        Fill(d, std::string(kMaxTermLength + 1, 'x'), true);
        stayedOpen = d.result() != QDialog::Accepted;
        d.reject();
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(SearchDialog(*form, TFcerca::TMode::kFind));
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(scripted.ui.Texts(Message::Warning).size(), 1u);
    EXPECT_EQ(scripted.ui.Texts(Message::Warning)[0], platform::text::Cp1252ToUtf8(kTermTooLong));
}

TEST_F(SearchCommandsTest, RegressionATermWithCharactersAPageCannotHoldFoundQuestionMarks) {
    // "ł" has no place in Windows-1252: the term became "?" and found, or
    // replaced, every question mark.
    for (const auto& [term, with] : {std::pair<std::string, std::string>{"\xC5\x82\xC3\xB3" "d\xC5\xBA", ""},
                                     std::pair<std::string, std::string>{"gatto", "w\xC5\x82"}}) {
        bool stayedOpen = false;
        SetDialogRunner([&, t = term, w = with](QDialog& d) {
            Fill(d, t, true, w);
            stayedOpen = d.result() != QDialog::Accepted;
            d.reject();
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(SearchDialog(*form, TFcerca::TMode::kReplace));
        EXPECT_TRUE(stayedOpen) << term;
    }
    EXPECT_EQ(scripted.ui.Texts(Message::Warning),
              std::vector<std::string>(2, platform::text::Cp1252ToUtf8(kTermUnmappable)));
    EXPECT_EQ(form->PageView()->Box().paragraphs[0]->text, "Benvenuti. Il gatto dorme.");
}

TEST_F(SearchCommandsTest, RegressionQuestionsAboutAnAccentedTermWereNotUtf8) {
    // The terms are kept in Windows-1252; the questions went to the message
    // boxes in those bytes, which show an accented letter as a blot.
    ASSERT_TRUE(form->ShowPageSlot(2));
    View().Editing().SetCaret({0, 0});
    for (char c : std::string("citt\xE0 ")) View().Editing().InsertChar(c);
    ASSERT_EQ(View().Box().paragraphs[0]->text.substr(0, 9), "citt\xE0 Un ");
    scripted.ui.answers.push_back(platform::Answer::Yes);
    SetDialogRunner([](QDialog& d) {
        Fill(d, "città", false, "paese", true);
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel), std::vector<std::string>{"Sostituisco città?"});
    EXPECT_EQ(View().Box().paragraphs[0]->text.substr(0, 9), "paese Un ");

    scripted.ui.answers.push_back(platform::Answer::No);
    SetDialogRunner([](QDialog& d) {
        Fill(d, "città", true, "paese", true);
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo),
              std::vector<std::string>{"Sostituisco città in tutte le pagine dell'ipertesto?"});
}

TEST_F(SearchCommandsTest, ReplaceAcrossTheHypertextIsUndonePageByPage) {
    // The page shown has an edit of its own that must survive.
    View().Editing().SetCaret({0, 0});
    View().Editing().InsertChar('X');
    View().EditedOutside(true);
    SetDialogRunner([](QDialog& d) {
        Fill(d, "gatto", true, "micio");
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    EXPECT_TRUE(form->Document().Modified());
    EXPECT_EQ(View().Box().paragraphs[0]->text, "XBenvenuti. Il micio dorme.");
    // One step for the shown page and one for the other page.
    const std::vector<std::string> labels = form->UndoList().Labels();
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(labels[0], "Sostituisci");
    form->FrameSet()->StorePages();
    const auto stored = [&](int slot) {
        return PagePlainText(*form->Document().ObjectAt(model::testoHtml, slot), false);
    };
    EXPECT_EQ(stored(2), "\nUn micio e un cavallo; il micio & il cane.");
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), kHypertextReplaceDone);
    EXPECT_EQ(labels[1], "Sostituisci");
}

TEST_F(SearchCommandsTest, ReplaceInThePageAsksBeforeEach) {
    ASSERT_TRUE(form->ShowPageSlot(2));
    scripted.ui.answers.push_back(platform::Answer::No);
    scripted.ui.answers.push_back(platform::Answer::Yes);
    SetDialogRunner([](QDialog& d) {
        Fill(d, "gatto", false, "topo", true);
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    EXPECT_EQ(View().Box().paragraphs[0]->text, "Un gatto e un cavallo; il topo & il cane.");
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel), (std::vector<std::string>{"Sostituisco gatto?", "Sostituisco gatto?"}));
    form->UndoList().UndoOnce();
    EXPECT_EQ(View().Box().paragraphs[0]->text, "Un gatto e un cavallo; il gatto & il cane.");
}

TEST_F(SearchCommandsTest, KeywordReferencesAndLinkWindowsShowTheChosenPage) {
    // Keywords: none in this hypertext; the window still opens and lists nothing.
    SetDialogRunner([](QDialog& d) {
        EXPECT_EQ(d.findChild<QListWidget*>("keywords")->count(), 0);
        d.reject();
        return int(QDialog::Rejected);
    });
    EXPECT_FALSE(SearchKeyword(*form));

    // References to the page "Stalla": the first page links to it.
    ASSERT_TRUE(form->ShowPageSlot(2));
    SetDialogRunner([](QDialog& d) {
        auto& w = dynamic_cast<TFricerche&>(d);
        w.StartSearch();
        while (w.Searching()) QApplication::processEvents();
        EXPECT_EQ(w.Results()->count(), 1);
        if (w.Results()->count() == 1) emit w.Results()->itemDoubleClicked(w.Results()->item(0));
        return d.result();
    });
    form->Command("actRicerche")->trigger();
    EXPECT_EQ(Shown(), 0);

    // Links: from the first page to "Stalla"; and into "Stalla" from the first page.
    SetDialogRunner([](QDialog& d) {
        auto& w = dynamic_cast<TFesplora&>(d);
        while (w.Exploring()) QApplication::processEvents();
        EXPECT_EQ(w.FromList()->count(), 0);
        EXPECT_EQ(w.ToList()->count(), 1);
        if (w.ToList()->count() == 1) emit w.ToList()->itemDoubleClicked(w.ToList()->item(0));
        return d.result();
    });
    form->Command("actEsplorazione")->trigger();
    EXPECT_EQ(Shown(), 2);
}

TEST_F(SearchCommandsTest, SpellDialogCorrectsAWordAndThePopupAddsOne) {
    QUOR_NEEDS(FindDictionary("it_IT", DictionaryFolders()).has_value(), "hunspell-it (it_IT dictionary)");
    ASSERT_TRUE(SpellChecker(*form).IsOpen());
    ASSERT_TRUE(form->ShowPageSlot(1));
    View().Editing().SetCaret({0, 0});
    View().Editing().PastePlainText("Non so perch\xC3\xA8 Quorella ");
    View().EditedOutside(true);
    View().Editing().SetCaret({0, 0});  // the check starts at the caret

    // F7: the first unknown word is corrected with the first suggestion, the second ignored.
    std::vector<std::string> seen;
    QString title;
    SetDialogRunner([&](QDialog& d) {
        title = d.windowTitle();
        seen.push_back(d.findChild<QLineEdit*>("word")->text().toStdString());
        d.findChild<QPushButton*>("change")->click();
        if (d.isVisible() || d.result() != QDialog::Accepted) {
            seen.push_back(d.findChild<QLineEdit*>("word")->text().toStdString());
            d.findChild<QPushButton*>("ignore")->click();
        }
        return d.result();
    });
    form->Command("actOrtografiaPagina")->trigger();
    ASSERT_GE(seen.size(), 1u);
    EXPECT_EQ(seen[0], "perch\xC3\xA9");
    EXPECT_EQ(title.toStdString(), "Controllo ortografico italiano (Italia)") << "the language named, not its code";
    EXPECT_EQ(View().Box().paragraphs[0]->text.substr(0, 19), "Non so perch\xE9 Quore");

    // Background marking marks the unknown name; its pop-up menu adds it.
    TSpellMarker* marker = MarkerOf(SpellChecker(*form), &View());
    marker->Start(false, 0);
    while (!marker->StepNow()) {
    }
    const richtext::TNYXparag& p = *View().Box().paragraphs[0];
    ASSERT_EQ(p.spell.substr(14, 8), "!!!!!!!!");
    ASSERT_GE(p.lines.size(), 1u);
    // The point over the marked word (its third letter) as a click would give it.
    std::size_t line = 0;
    while (line + 1 < p.lines.size() && p.lines[line + 1].first <= 16) ++line;
    const std::int32_t y = p.top + p.lines[line].top + p.lines[line].height / 2;
    std::int32_t x = 0;
    while (x < 4000 && richtext::HitTest(View().Box(), x, y).ch < 16) ++x;
    QMenu menu;
    const richtext::ui::TPopupContext ctx{View(), QPoint(x, y), -1, false};
    const richtext::TTextPos hit = richtext::HitTest(View().Box(), ctx.at.x(), ctx.at.y());
    ASSERT_TRUE(richtext::ui::FillPopup(menu, richtext::ui::TPopupPlace::kTop, ctx))
        << hit.para << ":" << hit.ch << " at " << ctx.at.x() << "," << ctx.at.y() << " spell [" << p.spell << "] open "
        << SpellChecker(*form).IsOpen();
    QAction* add = menu.findChild<QAction*>("spellAdd");
    ASSERT_NE(add, nullptr);
    add->trigger();
    const fs::path userList = dir / "xdg" / "quor" / "utente.dic";
    EXPECT_EQ(testsupport::ReadFile(userList), "Quorella\n");
    marker->StepNow();  // the forced pass, at once
    while (!marker->StepNow()) {
    }
    EXPECT_EQ(View().Box().paragraphs[0]->spell.find('!'), std::string::npos);

    // Another process reads the word back.
    form->CommitPageEdits();
    ASSERT_TRUE(form->SaveAll());
    EXPECT_EQ(Nyx("spell " + (dir / "prova.nyx").string() + " --user " + userList.string(), dir / "out.txt"), 0);
    EXPECT_EQ(testsupport::ReadFile(dir / "out.txt").find("Quorella"), std::string::npos);
}

TEST_F(SearchCommandsTest, RegressionReplaceWithConfirmationLostTheEarlierUndoSteps) {
    // An edit of the user's before the replacement.
    View().Editing().SetCaret({0, 0});
    View().Editing().InsertChar('X');
    View().EditedOutside(true);
    ASSERT_EQ(form->UndoList().Count(), 1u);
    // "in tutte le pagine?", then one question for each of the three finds.
    for (int i = 0; i < 4; ++i) scripted.ui.answers.push_back(platform::Answer::Yes);
    SetDialogRunner([](QDialog& d) {
        Fill(d, "gatto", true, "topo", true);
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    EXPECT_EQ(scripted.ui.Texts(Message::YesNoCancel).size(), 3u);
    EXPECT_EQ(Shown(), 0) << "the page being edited stays shown";
    EXPECT_EQ(View().Box().paragraphs[0]->text, "XBenvenuti. Il topo dorme.");
    const auto stored = [&](int slot) {
        return PagePlainText(*form->Document().ObjectAt(model::testoHtml, slot), false);
    };
    EXPECT_EQ(stored(2), "\nUn topo e un cavallo; il topo & il cane.");
    // Each page is one step, and the edit before them is still there.
    const std::vector<std::string> labels = form->UndoList().Labels();
    ASSERT_EQ(labels.size(), 3u) << testing::PrintToString(labels);
    EXPECT_EQ(labels[0], "Sostituisci");
    EXPECT_EQ(labels[1], "Sostituisci");
    form->UndoList().UndoSteps(2);
    EXPECT_EQ(stored(2), "\nUn gatto e un cavallo; il gatto & il cane.");
    EXPECT_EQ(View().Box().paragraphs[0]->text, "XBenvenuti. Il gatto dorme.");
    form->UndoList().UndoOnce();
    EXPECT_EQ(View().Box().paragraphs[0]->text, "Benvenuti. Il gatto dorme.");
}

TEST_F(SearchCommandsTest, WithoutADictionaryTheChecksAreOffAndTheOptionsDialogSaysWhy) {
    // A language no dictionary here serves.
    if (FindDictionary("nb_NO", DictionaryFolders())) GTEST_SKIP() << "a Norwegian dictionary is installed";
    form.reset();
    store->WriteSectionOption("orto", "lang", "1044");
    form = std::make_unique<TMainForm>(paths);
    QApplication::processEvents();
    ASSERT_FALSE(SpellChecker(*form).IsOpen());
    for (const char* name : {"actOrtografiaPagina", "actOrtografiaIpertesto"}) {
        ASSERT_NE(form->Command(name), nullptr);
        EXPECT_FALSE(form->Command(name)->isEnabled()) << name;
        EXPECT_NE(form->Command(name)->statusTip().indexOf("nb_NO"), -1) << name;
    }
    QString note;
    bool shown = false;
    SetDialogRunner([&](QDialog& d) {
        auto& options = dynamic_cast<TFopzioni&>(d);
        note = options.SpellingNote()->text();
        shown = !options.SpellingNote()->isHidden();
        d.reject();
        return int(QDialog::Rejected);
    });
    form->Command("actOpzioni")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(note.startsWith("Controllo ortografico non disponibile: Nessun dizionario installato per la lingua nb_NO"))
        << note.toStdString();
    EXPECT_NE(note.indexOf("/usr/share/hunspell"), -1);
}

TEST_F(SearchCommandsTest, OptionsDialogHasNoSpellingNoteWhileTheCheckerIsOpen) {
    QUOR_NEEDS(FindDictionary("it_IT", DictionaryFolders()).has_value(), "hunspell-it (it_IT dictionary)");
    bool shown = true;
    SetDialogRunner([&](QDialog& d) {
        shown = !dynamic_cast<TFopzioni&>(d).SpellingNote()->isHidden();
        d.reject();
        return int(QDialog::Rejected);
    });
    form->Command("actOpzioni")->trigger();
    EXPECT_FALSE(shown);
}

TEST_F(SearchCommandsTest, RegressionAFindInATableCellWasNeverSelected) {
    // The page matched through its table's cell, was shown, and nothing was
    // selected: the cells were not searched.
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(form->ShowPageSlot(1));
    QApplication::processEvents();
    View().setFocus();
    View().Editing().SetCaret(richtext::TextEnd(View().Box()));
    SetDialogRunner([](QDialog& d) {
        auto& dlg = dynamic_cast<present::ui::TFnuovaTabella&>(d);
        dlg.Rows()->setValue(1);
        dlg.Columns()->setValue(2);
        d.accept();
        return d.result();
    });
    form->Command("actTabella")->trigger();
    QApplication::processEvents();
    present::ui::TTableView* tables = present::ui::TTableView::Of(View());
    ASSERT_TRUE(tables && tables->EditedCell() && tables->Editor());
    ASSERT_TRUE(tables->BeginEdit(*tables->EditedCell()->ownerTable->CellAt(0, 1)));
    tables->Editor()->Editing().PastePlainText("un puledro e un cavallo");
    tables->Editor()->EditedOutside(true);
    tables->EndEdit();
    ASSERT_TRUE(form->ShowPageSlot(0));  // the page with its table is stored

    auto selectedInCell = [&]() -> std::string {
        present::ui::TTableView* t = present::ui::TTableView::Of(View());
        if (!t || !t->EditedCell() || !t->Editor()) return "(no cell)";
        richtext::TNYXediting& ed = t->Editor()->Editing();
        const auto a = ed.SelectionStart(), e = ed.SelectionEnd();
        if (a.para != e.para) return "?";
        return t->EditedCell()->paragraphs[static_cast<std::size_t>(a.para)]->text.substr(a.ch, e.ch - a.ch);
    };
    // Through the hypertext: "Fienile" comes before "Stalla".
    SetDialogRunner([](QDialog& d) {
        Fill(d, "cavallo", true);
        return d.result();
    });
    form->Command("actCerca")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Shown(), 1);
    present::ui::TTableView* shown = present::ui::TTableView::Of(View());
    ASSERT_TRUE(shown && shown->EditedCell());
    EXPECT_EQ(shown->EditedCell(), shown->EditedCell()->ownerTable->CellAt(0, 1));
    EXPECT_EQ(selectedInCell(), "cavallo");
    // F3 goes on from the cell: nothing after it on this page.
    form->Command("actRipetiPagina")->trigger();
    EXPECT_EQ(form->statusBar()->currentMessage().toStdString(), kPageSearchDone);
    // In the page from its start: the page's own text first, then the cell.
    SetDialogRunner([](QDialog& d) {
        Fill(d, "un", false);
        return d.result();
    });
    form->Command("actCerca")->trigger();
    EXPECT_EQ(selectedInCell(), "un");
    form->Command("actRipetiPagina")->trigger();
    EXPECT_EQ(selectedInCell(), "un");
    const richtext::TTextPos second = present::ui::TTableView::Of(View())->Editor()->Editing().SelectionStart();
    EXPECT_EQ(second.ch, 13) << "the second \"un\" of the cell";

    // Replacing in this page reaches the cell, as a step that undo takes back.
    SetDialogRunner([](QDialog& d) {
        Fill(d, "cavallo", false, "pony");
        return d.result();
    });
    form->Command("actSostituisci")->trigger();
    QApplication::processEvents();
    auto cellText = [&] {
        for (const auto& p : View().Box().paragraphs)
            for (richtext::TNYXembedded* e : p->Objects())
                if (e && e->IsTable() && e->CellAt(0, 1)) {
                    const richtext::TNYXbox& c = *e->CellAt(0, 1);
                    return c.paragraphs[static_cast<std::size_t>(c.BodyBegin())]->text;
                }
        return std::string("(no cell)");
    };
    EXPECT_EQ(cellText(), "un puledro e un pony");
    form->UndoList().UndoOnce();
    QApplication::processEvents();
    EXPECT_EQ(cellText(), "un puledro e un cavallo");
}

TEST_F(SearchCommandsTest, SpellDialogCorrectsAWordInATableCell) {
    QUOR_NEEDS(FindDictionary("it_IT", DictionaryFolders()).has_value(), "hunspell-it (it_IT dictionary)");
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(form->ShowPageSlot(1));
    QApplication::processEvents();
    // A 1 x 2 table at the end of the page, through "Tabella...".
    View().setFocus();
    View().Editing().SetCaret(richtext::TextEnd(View().Box()));
    SetDialogRunner([](QDialog& d) {
        auto& dlg = dynamic_cast<present::ui::TFnuovaTabella&>(d);
        dlg.Rows()->setValue(1);
        dlg.Columns()->setValue(2);
        d.accept();
        return d.result();
    });
    form->Command("actTabella")->trigger();
    QApplication::processEvents();
    present::ui::TTableView* tables = present::ui::TTableView::Of(View());
    ASSERT_TRUE(tables && tables->EditedCell() && tables->Editor());
    richtext::TNYXembedded* table = tables->EditedCell()->ownerTable;
    richtext::ui::TNYXboxWidget& cellEditor = *tables->Editor();
    ASSERT_TRUE(tables->BeginEdit(*table->CellAt(0, 1)));
    cellEditor.Editing().PastePlainText("la caza");
    cellEditor.EditedOutside(true);
    tables->EndEdit();
    View().Editing().SetCaret({View().Box().BodyBegin(), 0});

    std::vector<std::string> words;
    SetDialogRunner([&](QDialog& d) {
        while (d.isVisible() || d.result() != QDialog::Accepted) {
            auto* word = d.findChild<QLineEdit*>("word");
            const std::string context = d.findChild<QLabel*>("context")->text().toStdString();
            if (context.find("caza") == std::string::npos) {
                d.findChild<QPushButton*>("ignore")->click();
                continue;
            }
            words.push_back("caza");
            EXPECT_EQ(tables->EditedCell(), table->CellAt(0, 1)) << "the cell is shown being corrected";
            word->setText("casa");
            emit word->textEdited(word->text());
            d.findChild<QPushButton*>("change")->click();
            break;
        }
        return d.result();
    });
    form->Command("actOrtografiaPagina")->trigger();
    EXPECT_EQ(words, std::vector<std::string>{"caza"});
    EXPECT_EQ(table->CellAt(0, 1)->paragraphs[0]->text, "la casa");
    EXPECT_TRUE(View().Edited());
}

TEST_F(SearchCommandsTest, OperatorsAndKeywordWindowsFindThePage) {
    // (gatto and cavallo) or (x and y): only "Stalla" holds both.
    SetDialogRunner([](QDialog& d) {
        d.findChild<QComboBox*>("termB")->setEditText("cavallo");
        Fill(d, "gatto", true);
        return d.result();
    });
    form->Command("actCercaOperatori")->trigger();
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(Selected(), "gatto");

    // A keyword on "Fienile", chosen in the keyword window.
    model::TNYXset& set = form->Document();
    model::TNYXoggetto* word = set.NewObject(model::keyword);
    word->SetName("fieno");
    for (std::int64_t slot = 0; slot < 3; ++slot) {
        model::TNYXoggetto* page = set.ObjectAt(model::testoHtml, slot);
        for (std::size_t k = 0; k < model::pagerec::kKeywordCount; ++k)
            page->SetInt(model::pagerec::kKeywords + 4 * k, slot == 1 && k == 0 ? static_cast<std::int32_t>(word->Index()) : -1);
    }
    SetDialogRunner([](QDialog& d) {
        auto& w = dynamic_cast<TFparoleChiave&>(d);
        EXPECT_EQ(w.KeywordList()->count(), 1);
        w.KeywordList()->setCurrentRow(0);
        EXPECT_EQ(w.PageList()->count(), 1);
        w.PageList()->setCurrentRow(0);
        d.accept();
        return d.result();
    });
    form->Command("actCercaParola")->trigger();
    EXPECT_EQ(Shown(), 1);
}

}  // namespace
