#include "present/ui/TableView.h"

#include "present/ui/TableRuler.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <map>

#include "model/NYXset.h"
#include "model/Types.h"
#include "present/TableChoices.h"
#include "present/TableData.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/Layout.h"
#include "richtext/Navigation.h"
#include "richtext/TableBox.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/ObjectHandles.h"

namespace present::ui {

using richtext::TNYXbox;
using richtext::TNYXembedded;
using richtext::TTextPos;

namespace {

QColor Colour(std::int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QImage PictureOf(model::TNYXset* set, std::int32_t bg) {
    if (!set || BackgroundKind(bg) != TBackgroundKind::kPicture) return {};
    // A picture decoded once per picture object while the process runs.
    static std::map<const model::TNYXoggetto*, QImage> cache;
    model::TNYXoggetto* pic = set->ObjectAt(model::immagine, static_cast<std::int64_t>(bg & 0xFFFFFF));
    if (!pic || pic->IsEmpty()) return {};
    auto it = cache.find(pic);
    if (it != cache.end()) return it->second;
    QImage img;
    if (auto d = pic->GetPicture())
        if (d->width > 0 && d->height > 0 && d->rgba.size() >= static_cast<std::size_t>(d->width) * static_cast<std::size_t>(d->height))
            img = QImage(reinterpret_cast<const uchar*>(d->rgba.data()), d->width, d->height, d->width * 4, QImage::Format_RGBA8888).copy();
    cache[pic] = img;
    return img;
}

void FillBackground(QPainter& p, model::TNYXset* set, std::int32_t bg, const QRect& r) {
    switch (BackgroundKind(bg)) {
        case TBackgroundKind::kColour: p.fillRect(r, Colour(bg)); break;
        case TBackgroundKind::kPicture: {
            const QImage img = PictureOf(set, bg);
            if (!img.isNull()) p.drawTiledPixmap(r, QPixmap::fromImage(img));
            break;
        }
        default: break;
    }
}

}  // namespace

// --- TTableCellEditor ------------------------------------------------------------------

TTableCellEditor::TTableCellEditor(QWidget* parent) : TNYXboxWidget(parent) {
    setObjectName(QStringLiteral("editoreCella"));
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Look().pageBox = false;
}

void TTableCellEditor::keyPressEvent(QKeyEvent* e) {
    const auto mods = e->modifiers();
    if (e->key() == Qt::Key_Tab && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        if (onTab) onTab(mods & Qt::ShiftModifier ? -1 : 1);
        return;
    }
    if (e->key() == Qt::Key_Backtab) {
        if (onTab) onTab(-1);
        return;
    }
    const bool ctrl = (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier);
    if (ctrl && (e->key() == Qt::Key_Z || e->key() == Qt::Key_Y)) {
        if (onUndoKey) onUndoKey(e->key() == Qt::Key_Y || (mods & Qt::ShiftModifier));
        return;
    }
    TNYXboxWidget::keyPressEvent(e);
}

// --- TTableView ------------------------------------------------------------------------

TTableView::TTableView(richtext::ui::TNYXpageView& view) : QObject(&view), view_(view) {
    setObjectName(QStringLiteral("tabellePagina"));
    auto measure = view.onMeasureObject;
    view.onMeasureObject = [this, measure](TNYXembedded& e, std::int32_t lineWidth) {
        if (e.IsTable()) {
            if (e.PlacedIn() && e.PlacedIn()->box == &view_.Box()) lineWidths_[e.Id()] = lineWidth;
            LayoutTableObject(e, lineWidth, &view_);
            return true;
        }
        return measure ? measure(e, lineWidth) : view_.TLayoutHost::MeasureObject(e, lineWidth);
    };
    auto paint = view.onPaintObject;
    view.onPaintObject = [this, paint](QPainter& p, const TNYXembedded& e, const QRect& r) {
        if (e.IsTable()) {
            PaintTable(p, e, r);
            return true;
        }
        return paint && paint(p, e, r);
    };
    view.onLeaveBox = [this](TNYXbox& box, TTextPos pos) { LeaveCell(box, pos); };
    view.onBeforeBoxChange = [this] { EndEdit(); };
    view.SetEnterTables(true);
    view.viewport()->installEventFilter(this);
    if (richtext::ui::TObjectHandles* h = HandlesOf(view)) AttachResizeHandles(*h);
}

void TTableView::AttachResizeHandles(richtext::ui::TObjectHandles& h) {
    // A selected table of the page resizes with its handles: the width is
    // what it takes (its height follows its cells), stored as a percentage
    // of the line that holds it or in pixels, as the table says.
    auto mode = h.modeOf;
    h.modeOf = [mode](const TNYXembedded& e) {
        if (e.IsTable()) return richtext::THandleMode::kResizable;
        return mode ? mode(e) : richtext::THandleMode::kFixed;
    };
    auto label = h.resizeLabel;
    h.resizeLabel = [label](const TNYXembedded& e) {
        if (e.IsTable()) return std::string("Dimensiona tabella");
        return label ? label(e) : std::string("Dimensiona oggetto");
    };
    auto store = h.storeSize;
    h.storeSize = [this, store](TNYXembedded& e, QSize before, QSize after) {
        if (!e.IsTable()) return store && store(e, before, after);
        model::TNYXoggetto* o = e.Record();
        if (!o || after.width() == before.width()) return false;
        const auto it = lineWidths_.find(e.Id());
        const std::int32_t line = it != lineWidths_.end() ? it->second : view_.Box().layoutWidth;
        const std::string was(reinterpret_cast<const char*>(o->Data()), static_cast<std::size_t>(model::kDataSize));
        EndResizeWidth(*o, after.width(), line);
        if (std::string(reinterpret_cast<const char*>(o->Data()), static_cast<std::size_t>(model::kDataSize)) == was)
            return false;
        view_.Session().ObjectChanged();
        return true;
    };
}

TTableView::~TTableView() { EndEdit(); }

TTableView* TTableView::Of(richtext::ui::TNYXboxWidget& view) {
    return view.findChild<TTableView*>(QStringLiteral("tabellePagina"), Qt::FindDirectChildrenOnly);
}

TTableView& InstallTables(richtext::ui::TNYXpageView& view) {
    if (TTableView* t = TTableView::Of(view)) return *t;
    return *new TTableView(view);
}

TNYXbox& TTableView::CaretBox() const { return cell_ ? *cell_ : view_.Box(); }

QRect TTableView::CellRect(const TNYXbox& cell) const {
    QPoint origin;
    const TNYXbox* b = &cell;
    int guard = 0;
    while (b->IsCell() && guard++ <= richtext::kMaxTableDepth + 1) {
        const TNYXembedded* e = b->ownerTable;
        if (!e->PlacedIn() || e->left == richtext::kOutOfSight) return {};
        origin += QPoint(e->left + b->cellLeft, e->top + b->cellTop);
        b = e->PlacedIn()->box;
    }
    if (b != &view_.Box()) return {};
    return QRect(origin, QSize(std::max(1, cell.layoutWidth), std::max(1, cell.cellHeight)));
}

TNYXbox* TTableView::CellAt(QPoint pt) const {
    TNYXbox* box = &view_.Box();
    TNYXbox* found = nullptr;
    QPoint local = pt;
    for (int depth = 0; depth <= richtext::kMaxTableDepth; ++depth) {
        const std::size_t i = richtext::ParagraphAt(*box, local.y());
        if (i >= box->paragraphs.size() || !box->paragraphs[i]->IsTableParagraph()) return found;
        TNYXembedded* e = box->paragraphs[i]->ObjectAt(0);
        if (!e || e->left == richtext::kOutOfSight) return found;
        const QPoint in = local - QPoint(e->left, e->top);
        TNYXbox* hit = nullptr;
        for (int r = 0; r < e->Rows() && !hit; ++r)
            for (int c = 0; c < e->Columns() && !hit; ++c)
                if (TNYXbox* cell = e->CellAt(r, c))
                    if (QRect(cell->cellLeft, cell->cellTop, cell->layoutWidth, cell->cellHeight).contains(in)) hit = cell;
        if (!hit) return found;
        found = hit;
        box = hit;
        local = in - QPoint(hit->cellLeft, hit->cellTop);
    }
    return found;
}

void TTableView::PaintTable(QPainter& p, const TNYXembedded& e, const QRect& r) {
    const model::TNYXoggetto* o = e.Record();
    if (!o) return;
    const TTableData td(*o);
    model::TNYXset* set = view_.Box().Set();
    richtext::ui::TBoxLook look = view_.Look();
    look.pageBox = false;
    look.transparent = true;
    const bool readOnly = view_.ReadOnly();
    p.save();
    p.translate(r.topLeft());
    FillBackground(p, set, td.Background(), QRect(QPoint(0, 0), r.size()));
    richtext::ui::PaintBorder(p, look, r.size(), richtext::ui::BorderOf::Table, td.Border(), look.showBoundaries, readOnly);
    const QRect clip = p.clipBoundingRect().isEmpty() ? QRect(QPoint(0, 0), r.size()) : p.clipBoundingRect().toAlignedRect();
    for (int row = 0; row < e.Rows(); ++row)
        for (int col = 0; col < e.Columns(); ++col) {
            TNYXbox* cell = e.CellAt(row, col);
            if (!cell) continue;
            const QRect cr(cell->cellLeft, cell->cellTop, cell->layoutWidth, cell->cellHeight);
            if (!clip.intersects(cr)) continue;
            p.save();
            p.translate(cr.topLeft());
            const QRect own(QPoint(0, 0), cr.size());
            p.setClipRect(own, Qt::IntersectClip);
            FillBackground(p, set, cell->cellBackground, own);
            if (cell != cell_) {
                richtext::ui::PaintParagraphs(p, *cell, view_.Metrics(), look, own);
            }
            richtext::ui::PaintBorder(p, look, cr.size(), richtext::ui::BorderOf::Cell, td.Border(), look.showBoundaries, readOnly);
            p.restore();
        }
    p.restore();
}

bool TTableView::BeginEdit(TNYXbox& cell, TTextPos pos) {
    if (view_.ReadOnly() || !cell.IsCell()) return false;
    if (CellRect(cell).isEmpty()) return false;
    if (cell_ != &cell) {
        EndEdit();
        if (!editor_) {
            editor_ = new TTableCellEditor(view_.viewport());
            editor_->SetTypographicQuotes(view_.TypographicQuotes());
            editor_->onTab = [this](int d) { Tab(d); };
            editor_->onUndoKey = [this](bool redo) {
                EndEdit();
                view_.setFocus(Qt::OtherFocusReason);
                if (redo) view_.Redo(1);
                else view_.Undo(1);
            };
            editor_->onLeaveBox = [this](TNYXbox& box, TTextPos p) { LeaveCell(box, p); };
            editor_->onEdited = [this] { CellEdited(); };
            editor_->onFollowLink = view_.onFollowLink;
        }
        cell_ = &cell;
        editor_->EditBox(&cell);
        editor_->SetUndoList(view_.UndoList());
        editor_->SetEnterTables(true);
        // The cell's own background shows through the editor.
        richtext::ui::TBoxLook& look = editor_->Look();
        look.pageBox = false;
        look.transparent = false;
        look.background = BackgroundKind(cell.cellBackground) == TBackgroundKind::kColour ? Colour(cell.cellBackground)
                                                                                         : view_.Look().background;
        look.picture = PictureOf(view_.Box().Set(), cell.cellBackground);
        look.paintObject = view_.Look().paintObject;
        editor_->onMeasureObject = view_.onMeasureObject;
        editor_->onPaintObject = view_.onPaintObject;
        PlaceEditor();
        editor_->show();
        if (!ruler_) ruler_ = new TTableRuler(*this, view_.viewport());
        ruler_->Show(cell.ownerTable);
        view_.viewport()->update();
    }
    editor_->Editing().SetCaret(pos);
    editor_->EditedOutside(false);
    editor_->setFocus(Qt::OtherFocusReason);
    return true;
}

void TTableView::EndEdit() {
    if (!cell_) return;
    cell_ = nullptr;
    if (ruler_) ruler_->Show(nullptr);
    if (editor_) {
        const bool focused = editor_->hasFocus();
        editor_->hide();
        // The undo list is let go while the cell is bound: the list may
        // already be gone when the page's widgets are.
        editor_->SetUndoList(nullptr);
        editor_->EditBox(nullptr);
        if (focused) view_.setFocus(Qt::OtherFocusReason);
    }
    view_.viewport()->update();
}

void TTableView::PlaceEditor() {
    if (!editor_ || !cell_) return;
    const QRect r = CellRect(*cell_);
    if (r.isEmpty()) {
        EndEdit();
        return;
    }
    const QPoint scroll(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
    editor_->setGeometry(r.translated(-scroll));
    if (ruler_) ruler_->Show(cell_->ownerTable);
}

void TTableView::TableChanged(TNYXembedded& table) {
    if (relaying_) return;
    relaying_ = true;
    // Every cell around the table is laid out again, out to the page.
    TNYXembedded* outer = &table;
    for (int guard = 0; guard <= richtext::kMaxTableDepth; ++guard) {
        TNYXbox* holder = outer->PlacedIn() ? outer->PlacedIn()->box : nullptr;
        if (!holder || !holder->IsCell()) break;
        holder->layoutWidth = 0;
        outer = holder->ownerTable;
    }
    const std::int32_t i = HolderParagraph(*outer);
    TNYXbox* page = outer->PlacedIn() ? outer->PlacedIn()->box : nullptr;
    // The page's own caret stays where it was: the view does not scroll to it.
    if (page == &view_.Box() && i >= 0) page->Layout(i, i);
    relaying_ = false;
    PlaceEditor();
    view_.viewport()->update();
}

void TTableView::CellEdited() {
    if (!cell_) return;
    view_.Session().Changed(0);
    TableChanged(*cell_->ownerTable);
    if (view_.onEdited) view_.onEdited();
}

void TTableView::Tab(int direction) {
    if (!cell_) return;
    TNYXembedded* e = cell_->ownerTable;
    int row = -1, col = -1;
    for (int r = 0; r < e->Rows() && row < 0; ++r)
        for (int c = 0; c < e->Columns(); ++c)
            if (e->CellAt(r, c) == cell_) {
                row = r;
                col = c;
                break;
            }
    if (row < 0) return;
    const TCell to = NextCell(e->Rows(), e->Columns(), {row, col}, direction > 0 ? 2 : 1);
    if (TNYXbox* next = e->CellAt(to.row, to.column))
        if (next != cell_) BeginEdit(*next, direction > 0 ? richtext::TextStart(*next) : richtext::TextEnd(*next));
}

void TTableView::LeaveCell(TNYXbox& box, TTextPos pos) {
    if (box.IsCell()) {
        BeginEdit(box, pos);
        return;
    }
    if (&box != &view_.Box()) return;
    EndEdit();
    view_.Editing().SetCaret(pos);
    view_.EditedOutside(false);
    view_.setFocus(Qt::OtherFocusReason);
}

bool TTableView::eventFilter(QObject* watched, QEvent* event) {
    // Events that come while the view is being destroyed are not ours.
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::Resize) return false;
    if (!dynamic_cast<richtext::ui::TNYXpageView*>(parent())) return false;
    if (watched == view_.viewport() && event->type() == QEvent::MouseButtonPress && !view_.ReadOnly()) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) {
            const QPoint scroll(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
            const QPoint at = me->position().toPoint() + scroll;
            if (TNYXbox* cell = CellAt(at)) {
                const QRect r = CellRect(*cell);
                const QPoint in = at - r.topLeft();
                BeginEdit(*cell, richtext::HitTest(*cell, in.x(), in.y()));
                return true;
            }
            EndEdit();
        }
    }
    if (watched == view_.viewport() && event->type() == QEvent::Resize) PlaceEditor();
    return QObject::eventFilter(watched, event);
}

}  // namespace present::ui
