// Embedded objects on a shown page: every kind painted in the text flow, in
// edit mode and as a reader sees them (markers gone).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

#include <cstdio>
#include <filesystem>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectLife.h"
#include "richtext/ui/BoxWidget.h"
#include "support/LinkTag.h"

using namespace present::ui;
namespace fs = std::filesystem;


namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "uitest_present";
    static char* argv[] = {name, nullptr};
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

void Flush() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

using testsupport::Tag;

class ObjectsUi : public ::testing::Test {
protected:
    model::TNYXoggetto* Make(model::TOggettiHel type, int sub) {
        model::TNYXoggetto* o = set.NewObject(type);
        o->SetSubtype(static_cast<std::uint8_t>(sub));
        return o;
    }
    void SetUp() override {
        App();
        set.NewHypertext();
        // One object of every kind the page paints, in one paragraph each.
        std::string text;
        auto add = [&](model::TNYXoggetto* o, const std::string& label) {
            text += "<Z S0 >" + label + " " + Tag(*o);
        };
        model::TNYXoggetto* form = Make(model::inizioForm, 2);
        add(form, "Modulo");
        model::TNYXoggetto* edit = Make(model::inputStat, 1);
        edit->SetStr(97, 79, "Mario");
        edit->SetByte(179, 15);
        edit->SetByte(180, 1);
        add(edit, "Nome");
        model::TNYXoggetto* pwd = Make(model::inputStat, 2);
        pwd->SetStr(97, 79, "segreta");
        pwd->SetByte(179, 10);
        pwd->SetByte(180, 1);
        add(pwd, "Parola chiave");
        model::TNYXoggetto* memo = Make(model::inputStat, 4);
        memo->SetByte(177, 30);
        memo->SetByte(178, 3);
        memo->SetByte(180, 1);
        memo->SetFirstStream("Prima riga\nSeconda riga\n");
        add(memo, "Note");
        model::TNYXoggetto* check = Make(model::inputStat, 7);
        check->SetByte(181, 1);
        model::TNYXoggetto* radio = Make(model::inputStat, 6);
        radio->SetByte(181, 0);
        text += "<Z S0 >Casella " + Tag(*check) + " scelta " + Tag(*radio);
        model::TNYXoggetto* list = Make(model::inputStat, 8);
        list->SetByte(179, 3);
        list->SetFirstStream("Rosso\nr\nn\nVerde\nv\ns\nBlu\nb\nn\n");
        model::TNYXoggetto* combo = Make(model::inputStat, 9);
        combo->SetFirstStream("Uno\n1\nn\nDue\n2\ns\n");
        text += "<Z S0 >Lista " + Tag(*list) + " tendina " + Tag(*combo);
        model::TNYXoggetto* hidden = Make(model::inputStat, 5);
        model::TNYXoggetto* comment = Make(model::shortObj, 10);
        model::TNYXoggetto* html = Make(model::shortObj, 11);
        model::TNYXoggetto* launch = Make(model::shortObj, 13);
        model::TNYXoggetto* anchor = Make(model::shortObj, 14);
        text += "<Z S0 >Segni " + Tag(*hidden) + Tag(*comment) + Tag(*html) + Tag(*launch) + Tag(*anchor);
        model::TNYXoggetto* submit = Make(model::bottoneCGI, 1);
        submit->SetInt(177, -1);
        submit->SetStr(97, 79, "Invia");
        model::TNYXoggetto* reset = Make(model::bottoneCGI, 3);
        reset->SetInt(177, -1);
        reset->SetStr(97, 79, "Annulla");
        text += "<Z S0 >" + Tag(*submit) + " " + Tag(*reset);
        model::TNYXoggetto* plugin = Make(model::multiMedia, 5);
        plugin->SetWord(33, 160);
        plugin->SetWord(35, 40);
        plugin->SetByte(37, 0);
        model::TNYXoggetto* unknown = Make(model::inputStat, 33);
        text += "<Z S0 >" + Tag(*plugin) + Tag(*unknown) + "fine";
        auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetName("Oggetti");
        page->SetText(text);
        pageSlot = static_cast<int>(page->Index());
        set.SetModified(false);
    }
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
    int pageSlot = 0;
};

// Widths of the objects the page view's box shows, in text order.
std::vector<std::int32_t> ObjectWidths(richtext::ui::TNYXpageView& v, std::int32_t para) {
    std::vector<std::int32_t> out;
    for (richtext::TNYXembedded* e : v.Box().paragraphs[static_cast<std::size_t>(para)]->Objects())
        out.push_back(e && e->left != richtext::kOutOfSight ? e->width : -1);
    return out;
}

TEST_F(ObjectsUi, EveryKindPaintedInEditAndViewModeMarkersOnlyInEditMode) {
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    Flush();
    ASSERT_TRUE(f.ShowPage(static_cast<std::uint32_t>(pageSlot)));
    Flush();
    ASSERT_EQ(f.Views().size(), 1u);
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    const auto markers = ObjectWidths(v, 6);
    ASSERT_EQ(markers.size(), 5u);
    for (std::int32_t w : markers) EXPECT_EQ(w, 18);
    const auto last = ObjectWidths(v, 8);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[0], 160);
    EXPECT_EQ(last[1], 0);  // an unknown subtype takes no room

    const fs::path shots = fs::path(QUOR_BINARY_DIR) / "artifacts";
    fs::create_directories(shots);
    const QImage edit = f.grab().toImage();
    EXPECT_TRUE(edit.save(QString::fromStdString((shots / "objects-edit.png").string())));

    f.SetReadOnly(true);
    Flush();
    for (std::int32_t w : ObjectWidths(v, 6)) EXPECT_EQ(w, 0);
    const QImage view = f.grab().toImage();
    EXPECT_TRUE(view.save(QString::fromStdString((shots / "objects-view.png").string())));
    EXPECT_NE(edit, view);
}

}  // namespace

namespace {

QPoint CentreOf(richtext::ui::TNYXpageView& v, std::int32_t para, std::size_t k) {
    const richtext::TNYXembedded* e = v.Box().paragraphs[static_cast<std::size_t>(para)]->Objects()[k];
    return QPoint(e->left + e->width / 2 - v.horizontalScrollBar()->value(),
                  e->top + e->height / 2 - v.verticalScrollBar()->value());
}

void Click(QWidget* w, QPoint at) {
    for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(t, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

TEST_F(ObjectsUi, AReaderTypesIntoATextBoxTicksABoxAndResetBringsBackTheForm) {
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    Flush();
    ASSERT_TRUE(f.ShowPage(static_cast<std::uint32_t>(pageSlot)));
    f.SetReadOnly(true);
    Flush();
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    auto* objects = v.findChild<TViewObjects*>(QStringLiteral("oggettiPagina"));
    ASSERT_NE(objects, nullptr);
    const model::TNYXoggetto& edit = *v.Box().paragraphs[1]->Objects()[0]->Record();
    const model::TNYXoggetto& check = *v.Box().paragraphs[4]->Objects()[0]->Record();
    Click(v.viewport(), CentreOf(v, 1, 0));
    auto* line = qobject_cast<QLineEdit*>(objects->Active());
    ASSERT_NE(line, nullptr);  // only the box being used owns a widget
    EXPECT_EQ(line->text(), QStringLiteral("Mario"));
    line->setText(QStringLiteral("Luigi"));
    EXPECT_EQ(objects->StateOf(edit)->GetValue(), "Luigi");
    Click(v.viewport(), CentreOf(v, 4, 0));
    EXPECT_EQ(objects->Active(), nullptr);
    EXPECT_EQ(objects->StateOf(check)->GetValue(), "");  // was checked
    Click(v.viewport(), CentreOf(v, 7, 1));            // "Annulla"
    EXPECT_EQ(objects->StateOf(edit)->GetValue(), "Mario");
    EXPECT_EQ(objects->StateOf(check)->GetValue(), "on");
    // The records never change while a reader uses the page.
    EXPECT_EQ(edit.Str(97, 79), "Mario");
    EXPECT_FALSE(set.Modified());
}

}  // namespace

#include "present/ObjectInsert.h"
#include "richtext/Undo.h"

namespace {

std::vector<std::string> RecordsOf(model::TNYXset& s, int type) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0; i < s.Count(type); ++i)
        if (const model::TNYXoggetto* o = s.ObjectAt(type, i); o && !o->IsEmpty())
            out.emplace_back(reinterpret_cast<const char*>(o->Data()), model::kDataSize);
    return out;
}

TEST_F(ObjectsUi, EveryKindInsertedIsOneUndoStepAndSurvivesSaveAndReload) {
    platform::testing::TempDir dir;
    richtext::TNYXundoList undo;
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetUndoList(&undo);
    f.SetLinkedNYXset(&set);
    f.show();
    Flush();
    ASSERT_TRUE(f.ShowPage(static_cast<std::uint32_t>(pageSlot)));
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    const std::size_t before = v.Box().paragraphs[8]->Objects().size();
    v.Box().caret = v.Box().selStart = v.Box().selEnd = {8, 0};
    const std::size_t steps = undo.Count();
    for (const present::TInsertKind& k : present::InsertKinds()) {
        SCOPED_TRACE(k.command);
        model::TNYXoggetto* o = present::InsertNewObject(v.Box(), v.Editing(), k);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(present::ControlKindOf(*o) != present::TControlKind::kNone, true);
        v.EditedOutside(true);
    }
    EXPECT_EQ(v.Box().paragraphs[8]->Objects().size(), before + present::InsertKinds().size());
    EXPECT_GT(undo.Count(), steps);  // one step each, as far as the list keeps them
    EXPECT_EQ(undo.Labels().front(), "Inserimento oggetti");
    ASSERT_TRUE(f.StorePages());
    const fs::path file = dir / "oggetti.nyx";
    ASSERT_TRUE(set.SaveToFile(file));
    model::TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(file));
    for (int type : {model::shortObj, model::inputStat, model::bottoneCGI, model::inizioForm, model::multiMedia}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(RecordsOf(again, type), RecordsOf(set, type));
    }
}

}  // namespace

namespace {

// A floating frame that shows its own page nested frame sets without end.
TEST_F(ObjectsUi, AFloatingFrameShowingItsOwnPageStopsAtTheDeepestNesting) {
    model::TNYXoggetto* frame = Make(model::inputStat, 18);
    frame->SetWord(182, 300);
    frame->SetWord(180, 200);
    frame->SetByte(178, 0);
    auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    page->SetName("Se stessa");
    frame->SetInt(108, static_cast<std::int32_t>(page->Index()));
    page->SetText("<Z S0 >Dentro " + Tag(*frame));
    set.SetModified(false);
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    ASSERT_TRUE(f.ShowPage(page->Index()));
    f.SetReadOnly(true);
    for (int i = 0; i < 20; ++i) Flush();
    const auto nested = f.findChildren<TInsiemeCornici*>(QStringLiteral("cornice indipendente"));
    ASSERT_EQ(nested.size(), static_cast<qsizetype>(present::TNYXCustomFrameSet::kMaxNesting + 1));
    int empty = 0;
    for (TInsiemeCornici* n : nested) {
        EXPECT_TRUE(n->ReadOnly());
        if (n->Views().empty()) ++empty;
    }
    EXPECT_EQ(empty, 1);  // the deepest one shows nothing
    EXPECT_FALSE(set.Modified());
    f.SetReadOnly(false);
    Flush();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.findChildren<TInsiemeCornici*>(QStringLiteral("cornice indipendente")).isEmpty());
}

// A floating frame kept the place and size it had when view mode began: a
// page laid out again at another width left it over the wrong text.
TEST_F(ObjectsUi, AFloatingFrameFollowsItsObjectWhenThePageIsLaidOutAgain) {
    auto* shown = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    shown->SetName("Dentro");
    shown->SetText("<Z S0 >testo mostrato");
    model::TNYXoggetto* frame = Make(model::inputStat, 18);
    frame->SetWord(182, 50);  // half the line
    frame->SetWord(180, 120);
    frame->SetByte(178, 1);
    frame->SetInt(108, static_cast<std::int32_t>(shown->Index()));
    auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    page->SetText("<Z S0 >Una riga abbastanza lunga di testo prima " + Tag(*frame));
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    ASSERT_TRUE(f.ShowPage(page->Index()));
    f.SetReadOnly(true);
    for (int i = 0; i < 5; ++i) Flush();
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    const auto nested = v.viewport()->findChildren<TInsiemeCornici*>(QStringLiteral("cornice indipendente"));
    ASSERT_EQ(nested.size(), 1);
    const richtext::TNYXembedded* e = v.Box().paragraphs[0]->Objects()[0];
    auto where = [&] {
        return QRect(QPoint(e->left, e->top) - QPoint(v.horizontalScrollBar()->value(), v.verticalScrollBar()->value()),
                     QSize(e->width, e->height));
    };
    EXPECT_EQ(nested[0]->geometry(), where());
    const QRect before = nested[0]->geometry();
    f.resize(400, 480);
    for (int i = 0; i < 5; ++i) Flush();
    EXPECT_NE(where(), before);
    EXPECT_EQ(nested[0]->geometry(), where());
    f.SetReadOnly(false);
}

TEST_F(ObjectsUi, MediaPreviewsAndTheTriangleMarkerAsAuthorAndReaderSeeThem) {
    model::TNYXoggetto* sound = Make(model::multiMedia, 1);
    sound->SetByte(25, 0);
    model::TNYXoggetto* note = Make(model::multiMedia, 1);
    note->SetByte(25, 1);
    model::TNYXoggetto* video = Make(model::multiMedia, 3);
    video->SetByte(25, 0);
    video->SetWord(33, 160);
    video->SetWord(35, 90);
    model::TNYXoggetto* proto = Make(model::custom, 3);  // previewed as a text box
    proto->SetName("Casella");
    model::TNYXoggetto* component = Make(model::multiMedia, 6);
    component->SetInt(17, proto->Reference());
    model::TNYXoggetto* triangle = Make(model::shortObj, 15);
    model::TNYXoggetto* comment = Make(model::shortObj, 10);
    auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    page->SetText("<Z S0 >Suono " + Tag(*sound) + " nota " + Tag(*note) + "<Z S0 >Video " + Tag(*video) +
                  "<Z S0 >Componente " + Tag(*component) + " segni " + Tag(*triangle) + Tag(*comment));
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    ASSERT_TRUE(f.ShowPage(page->Index()));
    Flush();
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    EXPECT_EQ(ObjectWidths(v, 0), (std::vector<std::int32_t>{141, 18}));
    EXPECT_EQ(ObjectWidths(v, 1), (std::vector<std::int32_t>{160}));
    EXPECT_EQ(v.Box().paragraphs[1]->Objects()[0]->height, 120);  // the bar above the picture
    const auto marks = ObjectWidths(v, 2);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_GT(marks[0], 100);  // a text box 20 characters wide
    EXPECT_EQ(marks[1], 18);
    EXPECT_EQ(marks[2], 18);
    const fs::path shots = fs::path(QUOR_BINARY_DIR) / "artifacts";
    fs::create_directories(shots);
    EXPECT_TRUE(f.grab().toImage().save(QString::fromStdString((shots / "objects-media-edit.png").string())));
    f.SetReadOnly(true);
    Flush();
    const auto read = ObjectWidths(v, 2);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1], 18);  // the 11/15 marker stays
    EXPECT_EQ(read[2], 0);   // the comment goes
    EXPECT_TRUE(f.grab().toImage().save(QString::fromStdString((shots / "objects-media-view.png").string())));
    f.SetReadOnly(false);
}

TEST_F(ObjectsUi, APasswordBoxInUseShowsAHashForEveryCharacter) {
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    ASSERT_TRUE(f.ShowPage(static_cast<std::uint32_t>(pageSlot)));
    f.SetReadOnly(true);
    Flush();
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    auto* objects = v.findChild<TViewObjects*>(QStringLiteral("oggettiPagina"));
    ASSERT_NE(objects, nullptr);
    const richtext::TNYXembedded* e = v.Box().paragraphs[2]->Objects()[0];
    ASSERT_TRUE(objects->Use(QPoint(e->left + 5, e->top + 5) -
                             QPoint(v.horizontalScrollBar()->value(), v.verticalScrollBar()->value())));
    auto* w = qobject_cast<QLineEdit*>(objects->Active());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, w), '#');
    f.SetReadOnly(false);
}

}  // namespace
