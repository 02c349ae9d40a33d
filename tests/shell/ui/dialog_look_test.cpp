// What a user sees of the dialogs and windows the menus open: each one is
// opened on the sample hypertext, offscreen, photographed into the build
// folder's artifacts/ and closed again; then each is checked for the faults a
// user trips over: texts cut off, buttons without a label, one accelerator
// used twice, a window far too small or too large, English left in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "album/ui/Falbum.h"
#include "cdrom/ui/Fcd.h"
#include "platform/testing/FixedEnv.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/TextAttributes.h"
#include "richtext/ui/ObjectHandles.h"
#include "richtext/ui/BoxWidget.h"
#include "platform/testing/ScriptedUi.h"
#include "platform/text.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/SearchCommands.h"
#include "shell/ui/StartUp.h"
#include "shell/Spell.h"
#include "support/Needs.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

// One window as the user saw it.
struct TSeen {
    std::string command;  // the menu command that opened it
    std::string title;
    QSize size;
    std::vector<std::string> faults;
};

// The character after the single '&' of a text, lower case; 0 when none.
QChar Accelerator(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

// The faults of a window that is shown and laid out.
std::vector<std::string> FaultsOf(QWidget& w) {
    std::vector<std::string> faults;
    const auto name = [](const QWidget* x) {
        return (x->objectName().isEmpty() ? QString::fromLatin1(x->metaObject()->className()) : x->objectName())
            .toStdString();
    };
    // The smallest desktop the program is meant for, whatever the test's screen.
    const QSize screen(1024, 740);
    if (w.width() < 160 || w.height() < 60) faults.push_back("window too small");
    if (w.width() > screen.width() || w.height() > screen.height()) faults.push_back("window larger than the screen");
    if (w.windowTitle().trimmed().isEmpty()) faults.push_back("no title");
    // Accelerators on what is visible at once (a tab page at a time).
    // The spelling dialog's own texts give Alt+S to its hint ("&suggerimenti")
    // and to "&Salta la pagina": Qt then moves between the two.
    static const std::set<QString> ownPair = {QStringLiteral("&Salta la pagina")};
    std::map<QChar, std::pair<std::string, QString>> keys;
    const auto key = [&](const QString& text, const std::string& who) {
        const QChar k = Accelerator(text);
        if (k.isNull()) return;
        auto [it, fresh] = keys.emplace(k, std::make_pair(who, text));
        const bool known = ownPair.count(text) || ownPair.count(it->second.second);
        if (!fresh && !known)
            faults.push_back("accelerator &" + QString(k).toStdString() + " on " + it->second.first + " and " + who);
    };
    static const std::set<QString> english = {
        QStringLiteral("Cancel"), QStringLiteral("&Cancel"),
        QStringLiteral("Close"), QStringLiteral("&Close"), QStringLiteral("Apply"),  QStringLiteral("&Apply"),
        QStringLiteral("&Yes"),  QStringLiteral("&No"),    QStringLiteral("Help"),   QStringLiteral("&Help"),
        QStringLiteral("Save"),  QStringLiteral("&Save"),  QStringLiteral("Open"),   QStringLiteral("&Open"),
        QStringLiteral("Reset"), QStringLiteral("Browse..."), QStringLiteral("Restore Defaults")};
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(&w) || b->window() != &w) continue;
        if (b->text().trimmed().isEmpty() && b->icon().isNull() && !qobject_cast<QTabBar*>(b->parentWidget()) &&
            b->metaObject()->className() != QLatin1String("QToolButton") &&
            b->metaObject()->className() != QLatin1String("QTableCornerButton") &&
            b->metaObject()->className() != QLatin1String("QCheckBox") &&
            b->metaObject()->className() != QLatin1String("QRadioButton"))
            faults.push_back("button without a label: " + name(b));
        if (english.count(b->text())) faults.push_back("English button: " + b->text().toStdString());
        key(b->text(), name(b));
        // A button whose text does not fit shows it cut.
        QString shown = b->text();
        shown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
        shown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
        // A lone '&' is taken for an accelerator mark and shows nothing.
        if (!b->text().isEmpty() && shown.isEmpty()) faults.push_back("button shows nothing: " + name(b));
        if (!shown.isEmpty() && b->icon().isNull() && qobject_cast<QPushButton*>(b) &&
            b->width() < b->fontMetrics().horizontalAdvance(shown) + 6)
            faults.push_back("button text cut: " + name(b) + " \"" + b->text().toStdString() + "\"");
    }
    for (QLabel* l : w.findChildren<QLabel*>()) {
        if (!l->isVisibleTo(&w) || l->window() != &w || l->text().isEmpty()) continue;
        if (l->buddy()) key(l->text(), name(l));
        // Without a buddy a label shows its '&' as it is.
        else if (!Accelerator(l->text()).isNull() && l->textFormat() != Qt::RichText && !Qt::mightBeRichText(l->text()))
            faults.push_back("label shows its &: " + name(l) + " \"" + l->text().toStdString() + "\"");
        if (!l->wordWrap() && l->textFormat() != Qt::RichText && l->pixmap().isNull() &&
            l->width() + 2 < l->sizeHint().width())
            faults.push_back("label cut: " + name(l) + " \"" + l->text().toStdString() + "\"");
    }
    for (QGroupBox* g : w.findChildren<QGroupBox*>())
        if (g->isVisibleTo(&w) && g->window() == &w && g->isCheckable()) key(g->title(), name(g));
    for (QTabWidget* t : w.findChildren<QTabWidget*>()) {
        if (!t->isVisibleTo(&w) || t->window() != &w) continue;
        for (int i = 0; i < t->count(); ++i) key(t->tabText(i), name(t) + " tab " + std::to_string(i));
        if (t->tabBar()->width() < t->tabBar()->sizeHint().width()) faults.push_back("tab captions cut: " + name(t));
    }
    // Tab goes down a column and then on to the next column to the right; a
    // step up and back to the left (short of the last step, which wraps
    // round) is a jump the user does not expect.
    std::vector<QWidget*> chain;
    QWidget* first = nullptr;
    for (QWidget* x = w.nextInFocusChain(); x && x != first && chain.size() < 500; x = x->nextInFocusChain()) {
        if (!first) first = x;
        if (x->window() == &w && x->isVisibleTo(&w) && x->isEnabled() && (x->focusPolicy() & Qt::TabFocus) &&
            !x->focusProxy())
            chain.push_back(x);
    }
    const auto at = [&w](QWidget* x) { return x->mapTo(&w, QPoint(0, 0)); };
    for (std::size_t i = 0; i + 2 < chain.size(); ++i) {
        const QPoint a = at(chain[i]), b = at(chain[i + 1]);
        // Widgets of one scroll area or tab page aside, up and left is a jump.
        if (b.y() + 4 < a.y() && b.x() + 4 < a.x() && chain[i]->parentWidget() == chain[i + 1]->parentWidget())
            faults.push_back("tab order jumps from " + name(chain[i]) + " back to " + name(chain[i + 1]));
    }
    return faults;
}

class DialogLookTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::QtApp();
        // Qt's own dialogs as the program shows them: in Italian.
        QUOR_NEEDS(shell::ui::InstallQtItalian(), "Qt's Italian translations (qt6-translations-l10n)");
        setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
        store = std::make_unique<TOptionsStore>(dir / "options.ini");
        previousStore = SetOptions(store.get());
        paths.programFolder = dir / "prog";
        paths.dataFolder = fs::path(QUOR_SOURCE_DIR) / "data";
        paths.userFolder = dir / "user";
        paths.examplesFolder = dir / "examples";
        fs::create_directories(paths.examplesFolder);
        fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", dir / "guida.nyx");
        cdrom::ui::RegisterFcd();
        album::ui::RegisterFalbum();
        form = std::make_unique<TMainForm>(paths);
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(form->OpenDocument(dir / "guida.nyx", true));
        shots = fs::path(QUOR_BINARY_DIR) / "artifacts" / "dialogs";
        fs::create_directories(shots);
    }
    void TearDown() override {
        SetDialogRunner({});
        SetFileChooser({});
        form.reset();
        RegisterWindow("TFcd", {});
        RegisterWindow("TFalbum", {});
        SetOptions(previousStore);
        unsetenv("XDG_DATA_HOME");
    }

    // Shows, photographs and judges one window.
    void Look(QWidget& w, const std::string& command, int index) {
        w.show();
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
        TSeen s;
        s.command = command;
        s.title = w.windowTitle().toStdString();
        s.size = w.size();
        s.faults = FaultsOf(w);
        // Every page of a tabbed window is looked at too.
        std::string file = command + (index ? "-" + std::to_string(index) : std::string());
        w.grab().toImage().save(QString::fromStdString((shots / (file + ".png")).string()));
        for (QTabWidget* t : w.findChildren<QTabWidget*>()) {
            if (!t->isVisibleTo(&w) || t->window() != &w) continue;
            const int was = t->currentIndex();
            for (int i = 0; i < t->count(); ++i) {
                if (i == was) continue;
                t->setCurrentIndex(i);
                QApplication::processEvents();
                for (const std::string& f : FaultsOf(w)) s.faults.push_back("tab " + std::to_string(i) + ": " + f);
                w.grab().toImage().save(
                    QString::fromStdString((shots / (file + "-tab" + std::to_string(i) + ".png")).string()));
            }
            t->setCurrentIndex(was);
        }
        seen.push_back(s);
    }

    platform::testing::TempDir dir;
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope scripted;
    std::unique_ptr<TOptionsStore> store;
    TOptionsStore* previousStore = nullptr;
    TProgramPaths paths;
    std::unique_ptr<TMainForm> form;
    fs::path shots;
    std::vector<TSeen> seen;
};

TEST_F(DialogLookTest, EveryWindowTheMenusOpenFitsItsTextsAndKeys) {
    std::string current;
    int count = 0;
    SetFileChooser([](QWidget*, const TFileRequest&) { return std::optional<TFileAnswer>(); });
    SetDialogRunner([&](QDialog& d) {
        Look(d, current, count++);
        d.hide();
        return int(QDialog::Rejected);
    });
    // Commands whose work is not a window, or that leave the program.
    static const std::set<std::string> skip = {"actEsci", "actPaginaInBrowser", "actSegui"};
    std::vector<std::string> opened;
    const auto open = [&](QAction* a) {
        current = a->objectName().toStdString();
        count = 0;
        const QWidgetList before = QApplication::topLevelWidgets();
        a->trigger();
        QApplication::processEvents();
        // Windows that stay open beside the main one.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (before.contains(w) || !w->isVisible() || w == form.get()) continue;
            Look(*w, current, count++);
            w->close();
        }
        if (count) opened.push_back(current);
        QApplication::processEvents();
    };
    // The spelling dialog wants a word it does not know.
    if (SpellChecker(*form).IsOpen()) {
        richtext::ui::TNYXpageView* v = form->PageView();
        ASSERT_NE(v, nullptr);
        v->Editing().SetCaret({v->Box().BodyBegin(), 0});
        v->Editing().PastePlainText("Quorella ");
        v->EditedOutside(true);
        v->Editing().SetCaret({v->Box().BodyBegin(), 0});
    }
    for (QAction* a : form->Commands()) {
        const std::string name = a->objectName().toStdString();
        if (!a->text().endsWith(QStringLiteral("...")) || skip.count(name) || !a->isEnabled()) continue;
        open(a);
    }
    // The format bar's dialogs; the style list opens the style editor.
    SetDialogRunner([&](QDialog& d) {
        Look(d, current, count++);
        if (d.objectName() == QLatin1String("TFstili"))
            for (const char* b : {"btNuovo", "btImporta"})
                if (auto* button = d.findChild<QPushButton*>(QLatin1String(b))) button->click();
        d.hide();
        return int(QDialog::Rejected);
    });
    for (const char* name : {"actParagrafo", "actStili"})
        if (auto* a = form->findChild<QAction*>(QLatin1String(name))) open(a);
    // The link dialogs want a selection.
    richtext::ui::TNYXpageView* v = form->PageView();
    ASSERT_NE(v, nullptr);
    const std::int32_t para = v->Box().BodyBegin();
    v->Editing().Select({para, 0}, {para, 3});
    for (const char* name : {"actCollegamento", "actCollegamentoSpeciale"}) open(form->Command(name));
    // A table's properties want a table: one made with the dialog's defaults.
    SetDialogRunner([](QDialog& d) {
        d.accept();
        return d.result();
    });
    v->Editing().SetCaret({para, 0});
    form->Command("actTabella")->trigger();
    QApplication::processEvents();
    form->Command("actSelezionaTabella")->trigger();
    QApplication::processEvents();
    SetDialogRunner([&](QDialog& d) {
        Look(d, current, count++);
        d.hide();
        return int(QDialog::Rejected);
    });
    if (form->Command("actProprietaTabella")->isEnabled()) open(form->Command("actProprietaTabella"));
    // An object's properties want a selected object.
    v->Editing().SetCaret({para, 0});
    form->Command("actInsBottone")->trigger();
    richtext::ui::TObjectHandles* handles = present::ui::HandlesOf(*v);
    ASSERT_NE(handles, nullptr);
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(para)]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(handles->Select(*e));
    for (const char* name : {"actProprietaOggetto", "actCollegamentoBottone"})
        if (form->Command(name)->isEnabled()) open(form->Command(name));
    for (const TSeen& s : seen) {
        std::printf("%-28s %4dx%-4d %s\n", s.command.c_str(), s.size.width(), s.size.height(), s.title.c_str());
        for (const std::string& f : s.faults) ADD_FAILURE() << s.command << " \"" << s.title << "\": " << f;
    }
    // The dialogs a user reaches from the menus are all there.
    for (const char* c : {"actCollegamento", "actParagrafo", "actStili", "actProprietaOggetto", "actProprietaPagina", "actOrdinePagine", "actSimbolo", "actImmagine",
                          "actTabella", "actEsportaHtml", "actImportaPagine", "actStampa", "actSostituisci",
                          "actOpzioni", "actProprietaTabella", "actCdRom", "actAlbum", "actFtpGenerico",
                          "actProprietaCornici", "actLibrerie"}) {
        SCOPED_TRACE(c);
        EXPECT_NE(std::find(opened.begin(), opened.end(), c), opened.end());
    }
    if (SpellChecker(*form).IsOpen()) {
        EXPECT_NE(std::find(opened.begin(), opened.end(), "actOrtografiaPagina"), opened.end());
    }
}

}  // namespace
