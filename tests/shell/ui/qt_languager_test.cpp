#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/Languager.h"
#include "shell/ui/QtLocalizableOwner.h"
#include "support/QtApp.h"

using shell::TKyLanguager;
using shell::ui::TQtLocalizableOwner;

namespace {

QApplication& App() { return testsupport::QtApp(); }

template <class W>
W* Named(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    parent->layout()->addWidget(w);
    return w;
}

// A small search window: a label, a button, an edit, a combo box, tabs, a
// tree with columns, a group box and a menu with one command.
struct AppFirst {
    AppFirst() { App(); }
};

struct SearchWindow : AppFirst {
    QWidget window;
    QLabel* label;
    QPushButton* button;
    QLineEdit* edit;
    QComboBox* combo;
    QTabWidget* tabs;
    QTreeWidget* tree;
    QGroupBox* group;
    QMenu* menu;
    QAction* action;

    SearchWindow() {
        window.setObjectName("fRicerca");
        window.setWindowTitle("design");
        new QVBoxLayout(&window);
        label = Named<QLabel>(&window, "Label1");
        label->setText("Etichetta");
        button = Named<QPushButton>(&window, "btnCerca");
        button->setText("Cerca");
        edit = Named<QLineEdit>(&window, "edTermine");
        edit->setText("valore");
        combo = Named<QComboBox>(&window, "cbModo");
        combo->addItems({"a", "b", "c"});
        combo->setCurrentIndex(1);
        tabs = Named<QTabWidget>(&window, "pcPagine");
        tabs->addTab(new QWidget, "uno");
        tabs->addTab(new QWidget, "due");
        tree = Named<QTreeWidget>(&window, "lvRisultati");
        tree->setHeaderLabels({"x", "y"});
        group = Named<QGroupBox>(&window, "gbOpzioni");
        group->setTitle("Opzioni");
        menu = new QMenu(&window);
        menu->setObjectName("mnuFile");
        action = menu->addAction("Apri");
        action->setObjectName("mnuApri");
    }
};

}  // namespace

TEST(QtInterfaceTexts, PropertiesListNamesTheWidgetsTextProperties) {
    SearchWindow w;
    TQtLocalizableOwner owner(&w.window);
    TKyLanguager lang(owner);
    const std::vector<std::string> expected = {
        "fricerca.caption",  "fricerca.hint",     "label1.caption",     "label1.hint",    "btncerca.caption",
        "btncerca.hint",     "edtermine.text",    "edtermine.hint",     "cbmodo.items",   "cbmodo.strings",
        "cbmodo.text",       "cbmodo.hint",       "pcpagine.tabs",      "pcpagine.hint",  "lvrisultati.columns",
        "lvrisultati.hint",  "gbopzioni.caption", "gbopzioni.title",    "gbopzioni.hint", "mnufile.caption",
        "mnufile.hint",      "mnuapri.caption",   "mnuapri.hint"};
    auto list = lang.PropertiesList();
    std::sort(list.begin(), list.end());
    auto sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(list, sorted);
}

TEST(QtInterfaceTexts, ALocalizationTextSetsTheWidgets) {
    SearchWindow w;
    TQtLocalizableOwner owner(&w.window);
    TKyLanguager lang(owner);
    lang.SetLocalizationString(
        "*_*fricerca_caption\r\n Ricerche ipertestuali - esplorazione collegamenti\r\n"
        "*_*btncerca_caption\r\n &Cerca ora\r\n"
        "*_*btncerca_hint\r\n Cerca|Cerca il termine in tutte le pagine\r\n"
        "*_*edtermine_text\r\n l''albero\r\n"
        "*_*cbmodo_items\r\n primo\xA7!secondo\xA7!terzo\r\n"
        "*_*pcpagine_tabs\r\n Testo\xA7!Collegamenti\r\n"
        "*_*lvrisultati_columns\r\n Pagina\xA7!Posizione\r\n"
        "*_*gbopzioni_caption\r\n Opzioni di ricerca\r\n"
        "*_*mnuapri_caption\r\n &Apri\xA7!...\r\n"
        "*_*mnufile_caption\r\n &File\r\n"
        "*_*label1_objectname\r\n rinominata\r\n"  // not a localizable property
        "*_*edtermine_caption\r\n x\r\n");          // a line edit has no caption
    EXPECT_EQ(w.window.windowTitle(), "Ricerche ipertestuali - esplorazione collegamenti");
    EXPECT_EQ(w.label->text(), "Etichetta");  // no key: its designed text
    EXPECT_EQ(w.label->objectName(), "Label1");
    EXPECT_EQ(w.button->text(), "&Cerca ora");
    EXPECT_EQ(w.button->toolTip(), "Cerca");
    EXPECT_EQ(w.button->statusTip(), "Cerca il termine in tutte le pagine");
    EXPECT_EQ(w.edit->text(), "l'albero");
    ASSERT_EQ(w.combo->count(), 3);
    EXPECT_EQ(w.combo->itemText(2), "terzo");
    EXPECT_EQ(w.combo->currentIndex(), 1);  // the choice survives new texts
    EXPECT_EQ(w.tabs->tabText(0), "Testo");
    EXPECT_EQ(w.tabs->tabText(1), "Collegamenti");
    EXPECT_EQ(w.tree->headerItem()->text(1), "Posizione");
    EXPECT_EQ(w.group->title(), "Opzioni di ricerca");
    EXPECT_EQ(w.action->text(), "&Apri\n...");
    EXPECT_EQ(w.menu->title(), "&File");
}

TEST(QtInterfaceTexts, CapturedTextsRestoreAWindow) {
    SearchWindow designed;
    TQtLocalizableOwner source(&designed.window);
    const std::string text = shell::CaptureLocalization(source);

    SearchWindow changed;
    changed.label->setText("altro");
    changed.tabs->setTabText(1, "altro");
    changed.combo->clear();
    TQtLocalizableOwner target(&changed.window);
    TKyLanguager lang(target);
    lang.SetLocalizationString(text);
    EXPECT_EQ(changed.label->text(), "Etichetta");
    EXPECT_EQ(changed.tabs->tabText(1), "due");
    EXPECT_EQ(changed.combo->count(), 3);
    EXPECT_EQ(changed.window.windowTitle(), "design");
}
