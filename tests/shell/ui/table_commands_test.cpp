// Tables made and edited through the main window's commands, offscreen: the
// new-table dialog, cells painted in their colours, Tab through the cells,
// rows added and deleted (the deletion deferred to the next event-loop turn).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSpinBox>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/TableDialogs.h"
#include "present/ui/TableRuler.h"
#include "present/ui/TableView.h"
#include "richtext/Markup.h"
#include "richtext/Navigation.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;
using platform::testing::Message;

namespace {

void Flush() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Type(QWidget* w, const QString& text) {
    for (QChar c : text) Key(w, 0, Qt::NoModifier, QString(c));
}

class TableCommandsTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(OpenForm(CopySample()));
        form->resize(900, 700);
        form->show();
        Flush();
    }
    richtext::ui::TNYXpageView& View() { return *form->FrameSet()->CurrentView(); }
    present::ui::TTableView& Tables() { return *present::ui::TTableView::Of(View()); }

    // A new table through "Tabella..." at the end of the page's text.
    richtext::TNYXembedded* NewTable(int rows, int cols, int style, std::int32_t second = 0x0000FF) {
        View().setFocus();
        View().Editing().SetCaret(richtext::TextEnd(View().Box()));
        SetDialogRunner([=](QDialog& d) {
            auto& dlg = dynamic_cast<present::ui::TFnuovaTabella&>(d);
            dlg.Rows()->setValue(rows);
            dlg.Columns()->setValue(cols);
            dlg.Styles()->setCurrentRow(style);
            dlg.First()->SetColour(0xFFFFFF);
            dlg.Second()->SetColour(second);
            d.accept();
            return d.result();
        });
        form->Command("actTabella")->trigger();
        Flush();
        richtext::TNYXbox* cell = Tables().EditedCell();
        return cell ? cell->ownerTable : nullptr;
    }
    std::string StoredText() {
        const std::int64_t slot = View().PageSlot();
        View().LeavePage();
        auto* page = dynamic_cast<model::TNYXtesto*>(form->Document().ObjectAt(model::testoHtml, slot));
        return page ? page->Text() : std::string();
    }
};

TEST_F(TableCommandsTest, StyleSevenThroughTheDialogPaintsFiveCellsInTheSecondColour) {
    ASSERT_TRUE(form->Command("actTabella")->isEnabled());
    richtext::TNYXembedded* e = NewTable(3, 3, 7);
    ASSERT_NE(e, nullptr);
    Tables().EndEdit();  // every cell painted by the page
    // Bring the table into view.
    View().verticalScrollBar()->setValue(std::max(0, e->top - 20));
    Flush();
    const QImage shot = View().viewport()->grab().toImage();
    const QPoint scroll(View().horizontalScrollBar()->value(), View().verticalScrollBar()->value());
    int red = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const QRect cell = Tables().CellRect(*e->CellAt(r, c)).translated(-scroll);
            ASSERT_FALSE(cell.isEmpty());
            const QColor px = shot.pixelColor(cell.right() - 4, cell.bottom() - 4);
            const bool isRed = px.red() > 200 && px.green() < 60 && px.blue() < 60;
            EXPECT_EQ(isRed, r == 0 || c == 0) << r << "," << c;
            red += isRed;
        }
    EXPECT_EQ(red, 5);
}

TEST_F(TableCommandsTest, TabThroughTheCellsTyping) {
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    for (const char* t : {"uno", "due", "tre", "quattro"}) {
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(qobject_cast<present::ui::TTableCellEditor*>(editor), nullptr);
        Type(editor, QString::fromLatin1(t));
        Key(editor, Qt::Key_Tab);
    }
    // Tab in the last cell stays there; Shift+Tab goes back.
    EXPECT_EQ(Tables().EditedCell(), e->CellAt(1, 1));
    Key(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Tables().EditedCell(), e->CellAt(1, 0));
    // One editor at most, whatever was visited.
    EXPECT_EQ(View().viewport()->findChildren<present::ui::TTableCellEditor*>().size(), 1);
    // Down from the last row leaves the table for the page.
    Key(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(Tables().EditedCell(), nullptr);
    const std::string text = StoredText();
    EXPECT_NE(text.find("uno<T><Z S1 >due<T><Z S1 >tre<T><Z S1 >quattro<T>"), std::string::npos) << text;
}

TEST_F(TableCommandsTest, UndoOfAddedColumnRestoresTheRecordWithItsCells) {
    richtext::TNYXembedded* e = NewTable(3, 2, 0);
    ASSERT_NE(e, nullptr);
    Type(QApplication::focusWidget(), "a");
    form->Command("actAggiungiRiga")->trigger();
    EXPECT_EQ(e->Rows(), 4);
    EXPECT_EQ(Tables().EditedCell(), e->CellAt(0, 0));  // the new row's first cell
    form->Command("actEliminaRiga")->trigger();
    EXPECT_EQ(e->Rows(), 4);  // deferred
    Flush();
    EXPECT_EQ(e->Rows(), 3);
    EXPECT_EQ(e->CellAt(0, 0)->paragraphs[0]->text, "a");
    form->Command("actAggiungiColonna")->trigger();
    EXPECT_EQ(e->Columns(), 3);
    Tables().EndEdit();
    View().Undo(1);
    Flush();
    // The undo gives back the record with its cells: 3 x 2 again, and the
    // text after the table stays after it.
    richtext::TNYXembedded* back = nullptr;
    for (auto& p : View().Box().paragraphs)
        if (p->IsTableParagraph()) back = p->ObjectAt(0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Columns(), 2);
    EXPECT_EQ(back->Cells().size(), 6u);
    const std::size_t paragraphs = View().Box().paragraphs.size();
    const std::string text = StoredText();
    const std::size_t at = text.find("a<T>");
    ASSERT_NE(at, std::string::npos) << text;
    std::size_t cells = 0;
    for (std::size_t k = text.find("<T>"); k != std::string::npos; k = text.find("<T>", k + 1)) ++cells;
    EXPECT_EQ(cells, 6u);
    View().ShowPage(form->Document(), form->FrameSet()->MainPageNumber());
    Flush();
    EXPECT_EQ(View().Box().paragraphs.size(), paragraphs);
}

TEST_F(TableCommandsTest, DeferredRowDeletionAfterLeavingThePageDoesNothing) {
    richtext::TNYXembedded* e = NewTable(3, 3, 0);
    ASSERT_NE(e, nullptr);
    const std::int64_t slot = View().PageSlot();
    form->Command("actEliminaRiga")->trigger();
    // Leave the page at once: the table and its cells are gone when the
    // deletion's turn comes.
    std::int64_t other = -1;
    for (std::size_t i = 0; i < form->Document().Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = form->Document().ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty() && static_cast<std::int64_t>(i) != slot) {
            other = static_cast<std::int64_t>(i);
            break;
        }
    }
    ASSERT_GE(other, 0);
    form->ShowPageSlot(other);
    Flush();
    EXPECT_EQ(View().PageSlot(), other);
    EXPECT_EQ(present::ui::TTableView::Of(View())->EditedCell(), nullptr);
}

TEST_F(TableCommandsTest, DraggingARulerDividerWidensTheColumn) {
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    present::ui::TTableRuler* ruler = Tables().Ruler();
    ASSERT_NE(ruler, nullptr);
    ASSERT_TRUE(ruler->isVisible());
    EXPECT_EQ(ruler->Sections().size(), 2u);
    const int before = e->CellAt(0, 0)->layoutWidth;
    const std::int32_t tableBefore = e->width;
    const int x = ruler->DividerX(0);
    Mouse(ruler, QEvent::MouseButtonPress, {x, 6});
    for (int step = 1; step <= 4; ++step) Mouse(ruler, QEvent::MouseMove, {x + 10 * step, 6});
    Mouse(ruler, QEvent::MouseButtonRelease, {x + 40, 6}, Qt::NoButton);
    Flush();
    // The dragged column takes a larger share of the table (already 100 %).
    EXPECT_EQ(e->Record()->Word(97), 56);
    EXPECT_EQ(e->Record()->Word(99), 50);
    EXPECT_GT(e->CellAt(0, 0)->layoutWidth, e->CellAt(0, 1)->layoutWidth);
    EXPECT_EQ(e->width, tableBefore);
    (void)before;
    EXPECT_EQ(Tables().EditedCell(), e->CellAt(0, 0));
    // One undo step puts the column back.
    Tables().EndEdit();
    View().Undo(1);
    Flush();
    richtext::TNYXembedded* again = nullptr;
    for (auto& p : View().Box().paragraphs)
        if (p->IsTableParagraph()) again = p->ObjectAt(0);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Record()->Word(97), 50);
}

TEST_F(TableCommandsTest, UndoOfANestedTablesCellBackgroundPutsTheOldBackgroundBack) {
    richtext::TNYXembedded* outer = NewTable(2, 2, 0);
    ASSERT_NE(outer, nullptr);
    // "Tabella..." while the first cell is edited: the new table nests in it.
    SetDialogRunner([](QDialog& d) {
        auto& dlg = dynamic_cast<present::ui::TFnuovaTabella&>(d);
        dlg.Rows()->setValue(2);
        dlg.Columns()->setValue(2);
        dlg.Styles()->setCurrentRow(0);
        d.accept();
        return d.result();
    });
    form->Command("actTabella")->trigger();
    Flush();
    auto inner = [&]() -> richtext::TNYXembedded* {
        for (auto& p : outer->CellAt(0, 0)->paragraphs)
            if (p->IsTableParagraph()) return p->ObjectAt(0);
        return nullptr;
    };
    ASSERT_NE(inner(), nullptr);
    ASSERT_EQ(Tables().EditedCell(), inner()->CellAt(0, 0));
    // Its current cell turns blue through "Proprietà tabella".
    SetDialogRunner([](QDialog& d) {
        auto& dlg = dynamic_cast<present::ui::TFproprietaTabella&>(d);
        dlg.Background()->setCurrentIndex(2);
        dlg.Colour()->SetColour(0xFF0000);
        dlg.ApplyTo()->setCurrentIndex(1);
        d.accept();
        return d.result();
    });
    form->Command("actProprietaTabella")->trigger();
    Flush();
    ASSERT_NE(inner(), nullptr);
    ASSERT_EQ(inner()->CellAt(0, 0)->cellBackground, 0xFF0000);
    auto blue = [&] {
        View().verticalScrollBar()->setValue(std::max(0, outer->top - 20));
        Flush();
        const QImage shot = View().viewport()->grab().toImage();
        const QPoint scroll(View().horizontalScrollBar()->value(), View().verticalScrollBar()->value());
        const QRect cell = Tables().CellRect(*inner()->CellAt(0, 0)).translated(-scroll);
        const QColor px = shot.pixelColor(cell.right() - 3, cell.bottom() - 3);
        return px.blue() > 200 && px.red() < 60 && px.green() < 60;
    };
    Tables().EndEdit();
    EXPECT_TRUE(blue());
    View().Undo(1);
    Flush();
    // Outer and inner table are both there, the inner cell transparent again
    // in the record, in the cell and on screen.
    ASSERT_EQ(outer->PlacedIn()->box, &View().Box());
    ASSERT_NE(inner(), nullptr);
    EXPECT_EQ(inner()->CellAt(0, 0)->cellBackground, -1);
    EXPECT_FALSE(blue());
    EXPECT_TRUE(scripted.ui.messages.empty());
    // And redo paints it blue again.
    View().Redo(1);
    Flush();
    ASSERT_NE(inner(), nullptr);
    EXPECT_EQ(inner()->CellAt(0, 0)->cellBackground, 0xFF0000);
    EXPECT_TRUE(blue());
}

TEST_F(TableCommandsTest, RulerDragShowsAnInvertedDottedLineAndErasesItAtTheEnd) {
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    present::ui::TTableRuler* ruler = Tables().Ruler();
    ASSERT_TRUE(ruler && ruler->isVisible());
    QWidget* vp = View().viewport();
    const int x = ruler->DividerX(0);
    const int lineX = ruler->mapTo(vp, QPoint(x + 20, 0)).x();
    Mouse(ruler, QEvent::MouseButtonPress, {x, 6});
    Flush();
    // No line at the press: the page as it is.
    const QImage before = vp->grab().toImage();
    EXPECT_EQ(vp->findChild<QWidget*>(QStringLiteral("lineaRighello")), nullptr);
    Mouse(ruler, QEvent::MouseMove, {x + 20, 6});
    Flush();
    QWidget* line = vp->findChild<QWidget*>(QStringLiteral("lineaRighello"));
    ASSERT_NE(line, nullptr);
    ASSERT_TRUE(line->isVisible());
    EXPECT_EQ(line->height(), vp->height());
    const QImage during = vp->grab().toImage();
    // Down the whole viewport, every other pixel of the column is the
    // inverse of what lies under it; the pixels between are untouched, and
    // so is the column beside it.
    int inverted = 0;
    for (int y = 0; y + 1 < vp->height(); y += 2) {
        const QRgb under = before.pixel(lineX, y) & 0xFFFFFF, shown = during.pixel(lineX, y) & 0xFFFFFF;
        inverted += shown == (~under & 0xFFFFFF);
        EXPECT_EQ(during.pixel(lineX, y + 1), before.pixel(lineX, y + 1)) << y + 1;
        EXPECT_EQ(during.pixel(lineX + 1, y), before.pixel(lineX + 1, y)) << y;
    }
    EXPECT_EQ(inverted, vp->height() / 2);
    // Released where it was pressed: the line goes, nothing else changes.
    Mouse(ruler, QEvent::MouseMove, {x, 6});
    Mouse(ruler, QEvent::MouseButtonRelease, {x, 6}, Qt::NoButton);
    Flush();
    EXPECT_FALSE(line->isVisible());
    EXPECT_EQ(e->Record()->Word(97), 50);
}

TEST_F(TableCommandsTest, SelectedTableResizedByItsHandleStoresItsPercentageAndUndoes) {
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Record()->Byte(55), 1);
    ASSERT_EQ(e->Record()->Byte(89), 100);
    form->Command("actSelezionaTabella")->trigger();
    Flush();
    ASSERT_EQ(Tables().EditedCell(), nullptr);
    const std::int32_t line = e->width;  // 100 % of the line
    ASSERT_GT(line, 200);
    View().verticalScrollBar()->setValue(std::max(0, e->top - 20));
    Flush();
    const QPoint scroll(View().horizontalScrollBar()->value(), View().verticalScrollBar()->value());
    // The right middle handle lies just outside the right edge.
    const QPoint handle = QPoint(e->left + e->width + 3, e->top + (e->height - 8) / 2 + 4) - scroll;
    QWidget* vp = View().viewport();
    const int shrink = line / 2;
    Mouse(vp, QEvent::MouseButtonPress, handle);
    Mouse(vp, QEvent::MouseMove, handle - QPoint(shrink / 2, 0));
    Mouse(vp, QEvent::MouseMove, handle - QPoint(shrink, 0));
    Mouse(vp, QEvent::MouseButtonRelease, handle - QPoint(shrink, 0), Qt::NoButton);
    Flush();
    const int percent = (line - shrink) * 100 / line;
    EXPECT_EQ(e->Record()->Byte(89), percent);
    EXPECT_EQ(e->width, line * percent / 100);
    ASSERT_FALSE(form->UndoList().Labels().empty());
    EXPECT_EQ(form->UndoList().Labels().front(), "Dimensiona tabella");
    // The cells follow the narrower table.
    EXPECT_LT(e->CellAt(0, 1)->cellLeft + e->CellAt(0, 1)->layoutWidth, e->width);
    View().Undo(1);
    Flush();
    richtext::TNYXembedded* back = nullptr;
    for (auto& p : View().Box().paragraphs)
        if (p->IsTableParagraph()) back = p->ObjectAt(0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Record()->Byte(89), 100);
    EXPECT_EQ(back->width, line);
}

TEST_F(TableCommandsTest, ClosingTheWindowWhileACellIsEditedLeavesNoFreedPageCurrent) {
    ASSERT_NE(NewTable(2, 2, 0), nullptr);
    ASSERT_NE(qobject_cast<present::ui::TTableCellEditor*>(QApplication::focusWidget()), nullptr);
    // Taking the pages down moves the focus from the cell editor; no page
    // taken down may stay current while the window is told of the change.
    form.reset();
}

// "Seleziona tabella" moved the focus to the page, which turned the "Tabella"
// menu off: the selected table's properties could not be opened from it.
TEST_F(TableCommandsTest, SelectedTableLeftTheTabellaMenuDisabled) {
    QMenu* menu = form->menuBar()->findChild<QMenu*>(QStringLiteral("mnTabella"));
    ASSERT_NE(menu, nullptr);
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    form->Command("actSelezionaTabella")->trigger();
    Flush();
    ASSERT_EQ(Tables().EditedCell(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), &View());
    EXPECT_TRUE(menu->isEnabled());
    // Rows and columns go at the cell being edited: none while the table is selected.
    EXPECT_FALSE(form->Command("actEliminaRiga")->isEnabled());
    EXPECT_FALSE(form->Command("actAggiungiColonna")->isEnabled());
    EXPECT_TRUE(form->Command("actProprietaTabella")->isEnabled());
    SetDialogRunner([](QDialog& d) {
        dynamic_cast<present::ui::TFproprietaTabella&>(d).Padding()->setValue(6);
        d.accept();
        return d.result();
    });
    form->Command("actProprietaTabella")->trigger();
    Flush();
    EXPECT_EQ(e->Record()->Byte(90), 6);
    // The properties leave the first cell edited, with its row and column commands.
    EXPECT_TRUE(form->Command("actEliminaRiga")->isEnabled());
    // With the caret back in the page's text the menu is off.
    Tables().EndEdit();
    View().setFocus();
    View().Editing().SetCaret({0, 0});
    form->UpdateEditCommands();  // as a caret move tells the window
    EXPECT_FALSE(menu->isEnabled());
}

}  // namespace

TEST_F(TableCommandsTest, TableBordersAreHiddenAndShownAgainFromTheMenu) {
    QAction* borders = form->Command("actMostraBordi");
    ASSERT_TRUE(borders->isEnabled());
    ASSERT_TRUE(borders->isChecked());
    richtext::TNYXembedded* e = NewTable(2, 2, 0);
    ASSERT_NE(e, nullptr);
    Tables().EndEdit();
    View().verticalScrollBar()->setValue(std::max(0, e->top - 20));
    Flush();
    // Pixels along the first cell's top edge that differ from its inside.
    auto edge = [&] {
        const QImage shot = View().viewport()->grab().toImage();
        const QPoint scroll(View().horizontalScrollBar()->value(), View().verticalScrollBar()->value());
        const QRect cell = Tables().CellRect(*e->CellAt(0, 0)).translated(-scroll);
        const QColor inside = shot.pixelColor(cell.center());
        int marked = 0;
        for (int x = cell.left() + 2; x < cell.right() - 2; ++x) marked += shot.pixelColor(x, cell.top()) != inside;
        return marked;
    };
    EXPECT_GT(edge(), 0);
    borders->trigger();
    EXPECT_FALSE(form->FrameSet()->ShowBoundaries());
    Flush();
    EXPECT_EQ(edge(), 0);
    // A page shown later keeps the choice, and it comes back from the menu.
    form->Command("actAggiungiPagina")->trigger();
    Flush();
    for (richtext::ui::TNYXpageView* v : form->FrameSet()->Views()) EXPECT_FALSE(v->Look().showBoundaries);
    borders->trigger();
    for (richtext::ui::TNYXpageView* v : form->FrameSet()->Views()) EXPECT_TRUE(v->Look().showBoundaries);
}
