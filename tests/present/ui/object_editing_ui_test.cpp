// The author works on embedded objects with the mouse and the keys: a click
// selects an object and shows its handles, a handle resizes it, dragging it
// moves it in the text, Delete removes it, a double click opens its
// properties; every change undoes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include <cstdio>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectProperties.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectDialogs.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/ObjectHandles.h"
#include "support/LinkTag.h"
#include "support/QtApp.h"

using namespace present::ui;

namespace {

void Flush() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

using testsupport::Tag;

void Mouse(QWidget* w, QEvent::Type t, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier,
           Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(t, QPointF(at), w->mapToGlobal(QPointF(at)), t == QEvent::MouseMove ? Qt::NoButton : button,
                  held, mods);
    QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves in a few steps to `to` and releases there.
void Drag(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Mouse(w, QEvent::MouseButtonPress, from, mods);
    for (int i = 1; i <= 4; ++i) Mouse(w, QEvent::MouseMove, from + (to - from) * i / 4, mods);
    Mouse(w, QEvent::MouseButtonRelease, to, mods);
}

class ObjectEditingUi : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::QtApp();
        set.NewHypertext();
        video = set.NewObject(model::multiMedia);
        video->SetSubtype(3);
        video->SetInt(17, -1);
        video->SetWord(33, 100);
        video->SetWord(35, 50);
        video->SetByte(37, 0);
        video->SetByte(25, 1);  // plays by itself: shown at its stored size, without the player bar
        button = set.NewObject(model::bottoneCGI);
        button->SetInt(177, -1);
        button->SetInt(181, -1);
        button->SetStr(97, 79, "Avanti");
        auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetName("Oggetti");
        page->SetText("<Z S0 >Video " + Tag(*video) + " fine<Z S0 >Bottone " + Tag(*button) + "<Z S0 >ultima riga");
        frames.resize(640, 480);
        frames.SetUndoList(&undo);
        frames.SetLinkedNYXset(&set);
        frames.show();
        Flush();
        ASSERT_TRUE(frames.ShowPage(page->Index()));
        Flush();
        view = frames.Views()[0];
        handles = HandlesOf(*view);
        ASSERT_NE(handles, nullptr);
    }
    void TearDown() override { SetObjectDialogRunner(nullptr); }
    richtext::TNYXembedded* Object(std::int32_t para) { return view->Box().paragraphs[static_cast<std::size_t>(para)]->Objects()[0]; }
    QPoint Viewport(QPoint box) const {
        return box - QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    }
    QPoint Centre(richtext::TNYXembedded* e) const {
        return Viewport(QPoint(e->left + e->width / 2, e->top + e->height / 2));
    }

    // The application exists before the frame set is made.
    struct AppFirst {
        AppFirst() { testsupport::QtApp(); }
    } appFirst;
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
    richtext::TNYXundoList undo{&set};
    TInsiemeCornici frames;
    model::TNYXoggetto* video = nullptr;
    model::TNYXoggetto* button = nullptr;
    richtext::ui::TNYXpageView* view = nullptr;
    richtext::ui::TObjectHandles* handles = nullptr;
};

TEST_F(ObjectEditingUi, AClickSelectsTheObjectAndAShiftDragOfItsCornerKeepsTheChangesEqual) {
    richtext::TNYXembedded* e = Object(0);
    ASSERT_EQ(e->width, 100);
    Mouse(view->viewport(), QEvent::MouseButtonPress, Centre(e));
    Mouse(view->viewport(), QEvent::MouseButtonRelease, Centre(e));
    ASSERT_EQ(handles->Selected(), e);
    EXPECT_TRUE(view->Box().HasSelection());  // a one-character selection
    const QImage shot = view->viewport()->grab().toImage();
    // The bottom-right handle: white inside a black outline, just outside the corner.
    const QPoint corner = Viewport(QPoint(e->left + e->width + 4, e->top + e->height + 4));
    EXPECT_EQ(shot.pixelColor(corner), QColor(Qt::white));
    Drag(view->viewport(), corner, corner + QPoint(20, 10), Qt::ShiftModifier);
    // The page's working copy holds the object's record while it is shown.
    model::TNYXoggetto& shown = *e->Record();
    EXPECT_EQ(shown.Word(33), 110);
    EXPECT_EQ(shown.Word(35), 60);
    EXPECT_EQ(e->width, 110);
    EXPECT_EQ(e->height, 60);
    ASSERT_EQ(undo.Labels().front(), "Dimensiona multimedia");
    view->Undo(1);
    EXPECT_EQ(shown.Word(33), 100);
    EXPECT_EQ(e->width, 100);
    view->Redo(1);
    EXPECT_EQ(shown.Word(33), 110);
}

TEST_F(ObjectEditingUi, AFixedFramesHandlesShowButDoNotResize) {
    richtext::TNYXembedded* e = Object(1);
    const std::int32_t width = e->width;
    Mouse(view->viewport(), QEvent::MouseButtonPress, Centre(e));
    Mouse(view->viewport(), QEvent::MouseButtonRelease, Centre(e));
    ASSERT_EQ(handles->Selected(), e);
    const QPoint corner = Viewport(QPoint(e->left + e->width + 4, e->top + e->height + 4));
    EXPECT_EQ(view->viewport()->grab().toImage().pixelColor(corner), QColor(0xC0, 0xC0, 0xC0));
    const std::string before(reinterpret_cast<const char*>(e->Record()->Data()), model::kDataSize);
    Drag(view->viewport(), corner, corner + QPoint(40, 20));
    EXPECT_EQ(e->width, width);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(e->Record()->Data()), model::kDataSize), before);
    EXPECT_EQ(handles->Selected(), e);
}

TEST_F(ObjectEditingUi, DraggingAnObjectMovesItInTheTextAndUndoPutsItBack) {
    richtext::TNYXembedded* e = Object(1);
    const QPoint from = Centre(e);
    // Onto the last paragraph's text, well past the threshold.
    const richtext::TNYXparag& last = *view->Box().paragraphs[2];
    const QPoint to = Viewport(QPoint(40, last.top + 6));
    Drag(view->viewport(), from, to);
    EXPECT_TRUE(view->Box().paragraphs[1]->Objects().empty() ||
                view->Box().paragraphs[1]->Objects()[0]->PlacedIn() != view->Box().paragraphs[1].get());
    ASSERT_FALSE(view->Box().paragraphs[2]->Objects().empty());
    EXPECT_EQ(view->Box().paragraphs[2]->Objects()[0]->Record()->Str(97, 79), "Avanti");
    EXPECT_NE(handles->Selected(), nullptr);  // the moved object stays selected
    view->Undo(1);
    view->Undo(1);
    ASSERT_FALSE(view->Box().paragraphs[1]->Objects().empty());
    EXPECT_EQ(view->Box().paragraphs[1]->Objects()[0]->Record()->Str(97, 79), "Avanti");
}

TEST_F(ObjectEditingUi, AMoveInsideTheThresholdOnlySelects) {
    richtext::TNYXembedded* e = Object(1);
    const std::string text = view->Box().paragraphs[1]->text;
    Drag(view->viewport(), Centre(e), Centre(e) + QPoint(10, 1));
    EXPECT_EQ(view->Box().paragraphs[1]->text, text);
    EXPECT_EQ(handles->Selected(), e);
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(ObjectEditingUi, DeleteRemovesTheSelectedObjectAsOneStep) {
    richtext::TNYXembedded* e = Object(0);
    Mouse(view->viewport(), QEvent::MouseButtonPress, Centre(e));
    Mouse(view->viewport(), QEvent::MouseButtonRelease, Centre(e));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view, &del);
    EXPECT_EQ(view->Box().paragraphs[0]->text, "Video  fine");
    ASSERT_EQ(undo.Labels().front(), "Cancella oggetto");
    view->Undo(1);
    EXPECT_EQ(view->Box().paragraphs[0]->text.size(), std::string("Video x fine").size());
}

TEST_F(ObjectEditingUi, CutAndPasteCarryTheObjectThroughTheClipboard) {
    richtext::TNYXembedded* e = Object(1);
    ASSERT_TRUE(handles->Select(*e));
    ASSERT_TRUE(view->Cut());
    EXPECT_EQ(view->Box().paragraphs[1]->text, "Bottone ");
    view->Editing().SetCaret({2, 0});
    ASSERT_TRUE(view->Paste());
    ASSERT_FALSE(view->Box().paragraphs[2]->Objects().empty());
    EXPECT_EQ(view->Box().paragraphs[2]->Objects()[0]->Record()->Str(97, 79), "Avanti");
}

TEST_F(ObjectEditingUi, ADoubleClickOpensThePropertiesAndOkChangesTheRecord) {
    richtext::TNYXembedded* e = Object(1);
    const std::int32_t width = e->width;
    bool opened = false;
    SetObjectDialogRunner([&](QDialog& d) {
        opened = true;
        auto* dialog = qobject_cast<TFproprietaOggetto*>(&d);
        EXPECT_NE(dialog, nullptr);
        if (!dialog) return int(QDialog::Rejected);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Proprietà bottone"));
        auto* caption = qobject_cast<QLineEdit*>(dialog->FieldWidget("etichetta"));
        EXPECT_NE(caption, nullptr);
        if (!caption) return int(QDialog::Rejected);
        EXPECT_EQ(caption->text(), QStringLiteral("Avanti"));
        caption->setText(QStringLiteral("Più avanti ancora"));
        dialog->accept();
        return int(QDialog::Accepted);
    });
    const QPoint at = Centre(e);
    Mouse(view->viewport(), QEvent::MouseButtonPress, at);
    Mouse(view->viewport(), QEvent::MouseButtonRelease, at);
    Mouse(view->viewport(), QEvent::MouseButtonDblClick, at);
    Mouse(view->viewport(), QEvent::MouseButtonRelease, at);
    ASSERT_TRUE(opened);
    EXPECT_EQ(e->Record()->Str(97, 79), "Pi\xF9 avanti ancora");
    EXPECT_GT(e->width, width);
    ASSERT_EQ(undo.Labels().front(), "Modifica bottone");
    view->Undo(1);
    EXPECT_EQ(e->Record()->Str(97, 79), "Avanti");
}

// A change to an object's record alone left the page's text as it was, so
// leaving the page dropped the working copy with the change.
TEST_F(ObjectEditingUi, AChangedObjectIsStoredWithItsPageThoughTheTextIsTheSame) {
    SetObjectDialogRunner([](QDialog& d) {
        auto* dialog = qobject_cast<TFproprietaOggetto*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        if (auto* caption = qobject_cast<QLineEdit*>(dialog->FieldWidget("etichetta")))
            caption->setText(QStringLiteral("Indietro"));
        dialog->accept();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(handles->Select(*Object(1)));
    const std::string text = view->Box().paragraphs[1]->text;
    ASSERT_TRUE(EditSelectedObject(*view));
    EXPECT_EQ(view->Box().paragraphs[1]->text, text);
    const std::uint32_t slot = button->Index();
    ASSERT_TRUE(frames.StorePages());
    // Storing puts the working copy's record into the object's slot.
    const model::TNYXoggetto* stored = set.ObjectAt(model::bottoneCGI, slot);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Str(97, 79), "Indietro");
    EXPECT_TRUE(set.Modified());
}

}  // namespace
