#include "shell/ui/TableCommands.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>

#include "model/NYXset.h"
#include "platform/Ui.h"
#include "present/TableChoices.h"
#include "present/TableUndo.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/TableDialogs.h"
#include "present/ui/TableView.h"
#include "richtext/Navigation.h"
#include "richtext/TableBox.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

using present::TCell;
using present::TTableGrid;
using richtext::TNYXbox;
using richtext::TNYXembedded;

// The table and cell that hold the caret.
struct TCurrent {
    richtext::ui::TNYXpageView* view = nullptr;
    present::ui::TTableView* tables = nullptr;
    TNYXembedded* table = nullptr;
    TCell at{-1, -1};
};

richtext::ui::TNYXpageView* EditableView(TMainForm& form) {
    present::ui::TInsiemeCornici* fs = form.FrameSet();
    richtext::ui::TNYXpageView* v = fs ? fs->CurrentView() : nullptr;
    return v && !v->ReadOnly() ? v : nullptr;
}

bool Current(TMainForm& form, TCurrent& c) {
    c.view = EditableView(form);
    if (!c.view) return false;
    c.tables = present::ui::TTableView::Of(*c.view);
    if (!c.tables) return false;
    if (TNYXbox* cell = c.tables->EditedCell()) {
        c.table = cell->ownerTable;
        c.at = TTableGrid(*c.table, *cell).CellOf(*cell);
        return c.at.row >= 0;
    }
    // A selected table (the caret on its paragraph): its first cell.
    TNYXbox& page = c.view->Box();
    const auto i = static_cast<std::size_t>(page.caret.para);
    if (i < page.paragraphs.size() && page.paragraphs[i]->IsTableParagraph()) {
        c.table = page.paragraphs[i]->ObjectAt(0);
        c.at = {0, 0};
        return c.table != nullptr;
    }
    return false;
}

void Focus(present::ui::TTableView& tables, TNYXembedded& e, TCell at) {
    const int r = std::clamp(at.row, 0, e.Rows() - 1), c = std::clamp(at.column, 0, e.Columns() - 1);
    if (TNYXbox* cell = e.CellAt(r, c)) tables.BeginEdit(*cell);
}

void Add(TMainForm& form, bool columns) {
    if (form.MainDocument().RefuseEdit()) return;
    TCurrent c;
    if (!Current(form, c)) return;
    c.tables->EndEdit();
    std::string message;
    const bool done = present::EditTable(*c.table, &form.UndoList(), columns ? "Aggiunta colonne" : "Aggiunta righe",
                                         [&](TTableGrid& g) {
                                             return columns ? g.AddColumns(c.at.column, 1, message) : g.AddRows(c.at.row, 1, message);
                                         });
    if (!message.empty()) platform::ui().Warning(message);
    if (!done) {
        Focus(*c.tables, *c.table, c.at);
        return;
    }
    c.view->Session().Changed(0);
    c.tables->TableChanged(*c.table);
    Focus(*c.tables, *c.table, c.at);  // the first new cell
    form.UpdateEditCommands();
}

// The deletion runs on the next turn of the event loop, and only when the
// page, its box and the table are still those the command saw.
void Delete(TMainForm& form, bool columns) {
    if (form.MainDocument().RefuseEdit()) return;
    TCurrent c;
    if (!Current(form, c)) return;
    const int index = columns ? c.at.column : c.at.row;
    if (!TTableGrid::CanDelete(index, index, columns ? c.table->Columns() : c.table->Rows())) return;
    const std::int32_t para = present::HolderParagraph(*c.table);
    if (para < 0) return;
    present::SnapshotTable(&form.UndoList(), *c.table, columns ? "Cancellazione colonne" : "Cancellazione righe");
    QPointer<richtext::ui::TNYXpageView> view = c.view;
    const std::uint64_t registry = c.view->Registry().Serial();
    const std::int32_t id = c.table->Id();
    const TCell at = c.at;
    QPointer<TMainForm> owner = &form;
    QTimer::singleShot(0, c.view, [view, registry, id, at, columns, owner] {
        if (!view || view->Registry().Serial() != registry) return;
        TNYXembedded* e = view->Registry().Find(id);
        if (!e || !e->IsTable() || !e->PlacedNow(view->Registry().Generation())) return;
        present::ui::TTableView* tables = present::ui::TTableView::Of(*view);
        if (!tables) return;
        const int index = columns ? at.column : at.row;
        tables->EndEdit();
        const TNYXbox* holder = e->PlacedIn() ? e->PlacedIn()->box : nullptr;
        if (!holder) return;
        TTableGrid g(*e, *holder);
        if (!(columns ? g.DeleteColumns(index, index) : g.DeleteRows(index, index))) return;
        view->Session().Changed(0);
        tables->TableChanged(*e);
        // The cell after the range, or the one before it at the end.
        TCell next = at;
        if (columns) next.column = std::min(index, e->Columns() - 1);
        else next.row = std::min(index, e->Rows() - 1);
        Focus(*tables, *e, next);
        if (owner) owner->UpdateEditCommands();
    });
}

void NewTable(TMainForm& form) {
    if (form.MainDocument().RefuseEdit()) return;
    richtext::ui::TNYXpageView* v = EditableView(form);
    if (!v) return;
    present::ui::TTableView& tables = present::ui::InstallTables(*v);
    present::ui::TFnuovaTabella dlg(&form.Document(), &form);
    if (RunDialog(dlg) != QDialog::Accepted) return;
    // In the cell being edited the new table nests in it.
    richtext::ui::TNYXboxWidget* target = tables.Editor() && tables.EditedCell() ? static_cast<richtext::ui::TNYXboxWidget*>(tables.Editor()) : v;
    TNYXbox* cell = tables.EditedCell();
    if (cell && cell->depth >= richtext::kMaxTableDepth) {
        platform::ui().Warning("Le tabelle non possono essere annidate oltre 16 livelli.");
        return;
    }
    TNYXembedded* e = present::InsertNewTable(target->Box(), target->Editing(), dlg.Choices());
    target->EditedOutside(e != nullptr);
    if (!e) return;
    if (cell) tables.TableChanged(*cell->ownerTable);
    else v->Session().Changed(0);
    if (TNYXbox* first = e->CellAt(0, 0)) tables.BeginEdit(*first);
    form.UpdateEditCommands();
}

void SelectTable(TMainForm& form) {
    TCurrent c;
    if (!Current(form, c)) return;
    c.tables->EndEdit();
    TNYXembedded* outer = c.table;
    while (outer->PlacedIn() && outer->PlacedIn()->box->IsCell()) {
        TNYXbox* holder = outer->PlacedIn()->box;
        if (holder == nullptr) break;
        // A nested table is selected in its cell.
        if (c.tables->BeginEdit(*holder)) {
            const std::int32_t i = present::HolderParagraph(*outer);
            c.tables->Editor()->Editing().SetCaret({i, 0});
            c.tables->Editor()->Editing().Select({i, 0}, {i, 1});
            c.tables->Editor()->EditedOutside(false);
            return;
        }
        outer = holder->ownerTable;
    }
    const std::int32_t i = present::HolderParagraph(*outer);
    if (i < 0) return;
    c.view->Editing().SetCaret({i, 0});
    c.view->Editing().Select({i, 0}, {i, 1});
    c.view->EditedOutside(false);
    c.view->setFocus(Qt::OtherFocusReason);
}

void Properties(TMainForm& form) {
    if (form.MainDocument().RefuseEdit()) return;
    TCurrent c;
    if (!Current(form, c)) return;
    model::TNYXoggetto* rec = c.table->Record();
    present::TTableProperties p = present::TTableProperties::Of(*rec, c.at.column);
    present::ui::TFproprietaTabella dlg(&form.Document(), p, &form);
    if (RunDialog(dlg) != QDialog::Accepted) return;
    const present::TTableProperties chosen = dlg.Properties();
    const TCell at = c.at;
    c.tables->EndEdit();
    present::EditTable(*c.table, &form.UndoList(), "Modifica tabella", [&](TTableGrid&) {
        chosen.Apply(*rec, at);
        return true;
    });
    c.view->Session().Changed(0);
    c.tables->TableChanged(*c.table);
    Focus(*c.tables, *c.table, at);
    form.UpdateEditCommands();
}

}  // namespace

void AddTableCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    handlers["actTabella"] = [&form] { NewTable(form); };
    handlers["actAggiungiColonna"] = [&form] { Add(form, true); };
    handlers["actAggiungiRiga"] = [&form] { Add(form, false); };
    handlers["actEliminaColonna"] = [&form] { Delete(form, true); };
    handlers["actEliminaRiga"] = [&form] { Delete(form, false); };
    handlers["actSelezionaTabella"] = [&form] { SelectTable(form); };
    handlers["actProprietaTabella"] = [&form] { Properties(form); };
    // The "Tabella" menu opens while the caret is in a table's cell, or on a
    // table of the page (the table "Seleziona tabella" selected).
    if (QMenu* menu = form.menuBar()->findChild<QMenu*>(QStringLiteral("mnTabella"))) {
        QPointer<QMenu> m = menu;
        auto update = [m, &form](QWidget* now) {
            if (!m) return;
            // The focus also moves while the window is taken down; by then it
            // is no TMainForm any more, and nothing of it is asked.
            const bool ours = now && qobject_cast<TMainForm*>(now->window()) == &form;
            const bool inCell = ours && qobject_cast<present::ui::TTableCellEditor*>(now) != nullptr;
            TCurrent c;
            m->setEnabled(inCell || (ours && Current(form, c) && now == c.view));
            if (!ours) return;
            // Rows and columns are added and deleted at the cell being edited;
            // a selected table has none.
            for (const char* name : {"actAggiungiColonna", "actAggiungiRiga", "actEliminaColonna", "actEliminaRiga"})
                if (QAction* a = form.Command(name)) a->setEnabled(inCell);
        };
        QObject::connect(qApp, &QApplication::focusChanged, menu, [update](QWidget*, QWidget* now) { update(now); });
        form.AddEditStateListener([update] { update(QApplication::focusWidget()); });
    }
}

}  // namespace shell::ui
