#include "present/ui/ObjectEdit.h"

#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

#include "present/ObjectEditing.h"
#include "present/ObjectProperties.h"
#include "present/ui/ObjectDialogs.h"
#include "richtext/ObjectUndo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/ObjectHandles.h"
#include "richtext/ui/PopupMenu.h"

namespace present::ui {
namespace {

TObjectDialogRunner& Runner() {
    static TObjectDialogRunner run;
    return run;
}

// A right press on an object selects it first, so that the pop-up menu's
// entries act on it.
class TRightPressSelects : public QObject {
public:
    TRightPressSelects(richtext::ui::TNYXboxWidget& view, richtext::ui::TObjectHandles& handles)
        : QObject(&handles), view_(view), handles_(handles) {
        view.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress && watched == view_.viewport() && !view_.ReadOnly()) {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() == Qt::RightButton) {
                const QPoint at = m->position().toPoint() +
                                  QPoint(view_.horizontalScrollBar()->value(), view_.verticalScrollBar()->value());
                if (richtext::TNYXembedded* o = handles_.ObjectAt(at); o && handles_.Selected() != o)
                    handles_.Select(*o);
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    richtext::ui::TNYXboxWidget& view_;
    richtext::ui::TObjectHandles& handles_;
};

// The object entries of the text's pop-up menu, for the object selected.
void AddObjectEntries(QMenu& menu, const richtext::ui::TPopupContext& ctx) {
    richtext::ui::TObjectHandles* h = HandlesOf(ctx.box);
    richtext::TNYXembedded* e = h ? h->Selected() : nullptr;
    if (!e || !e->Record() || !h->FrameOf(*e).contains(ctx.at)) return;
    richtext::ui::TNYXboxWidget* box = &ctx.box;
    if (!TObjectProperties(*e->Record()).Title().empty()) {
        QAction* props = menu.addAction(QStringLiteral("&Proprietà oggetto..."));
        props->setObjectName(QStringLiteral("popProprietaOggetto"));
        QObject::connect(props, &QAction::triggered, box, [box] { EditSelectedObject(*box); });
    }
    QAction* del = menu.addAction(QStringLiteral("&Elimina oggetto"));
    del->setObjectName(QStringLiteral("popEliminaOggetto"));
    QObject::connect(del, &QAction::triggered, box, [box] { DeleteSelectedObject(*box); });
}

// The page shown keeps a changed object record: leaving it stores the page
// even when its text is the same.
void MarkObjectChanged(richtext::TLayoutHost* host) {
    if (auto* page = dynamic_cast<richtext::ui::TNYXpageView*>(host)) page->Session().ObjectChanged();
}

}  // namespace

richtext::ui::TObjectHandles* HandlesOf(richtext::ui::TNYXboxWidget& view) {
    return view.findChild<richtext::ui::TObjectHandles*>(QString(), Qt::FindDirectChildrenOnly);
}

richtext::ui::TObjectHandles* AttachObjectEditing(richtext::ui::TNYXboxWidget& view) {
    if (auto* h = HandlesOf(view)) return h;
    static const int popup = [] {
        // An undo or redo that puts a record back changes the page too.
        richtext::onObjectRestored = [](richtext::TNYXbox& box, richtext::TNYXembedded&) {
            MarkObjectChanged(box.host);
        };
        return richtext::ui::AddPopupContributor(richtext::ui::TPopupPlace::kTop, AddObjectEntries);
    }();
    (void)popup;
    auto* h = new richtext::ui::TObjectHandles(view);
    richtext::ui::TNYXboxWidget* v = &view;
    h->modeOf = [](const richtext::TNYXembedded& e) {
        return e.Record() && Resizable(*e.Record()) ? richtext::THandleMode::kResizable
                                                    : richtext::THandleMode::kFixed;
    };
    h->resizeLabel = [](const richtext::TNYXembedded& e) {
        return e.Record() ? ResizeLabel(*e.Record()) : std::string("Dimensiona oggetto");
    };
    h->storeSize = [v](richtext::TNYXembedded& e, QSize before, QSize after) {
        model::TNYXoggetto* o = e.Record();
        if (!o) return false;
        // Percentages are taken of the line's width and the visible height.
        const TSizeBase base{v->Box().layoutWidth, v->viewport()->height()};
        if (!StoreObjectSize(*o, StoredPartOf(*o, {after.width(), after.height()}), base)) return false;
        MarkObjectChanged(v);
        NotifyResized(*o, {before.width(), before.height()}, {after.width(), after.height()});
        return true;
    };
    h->onDoubleClick = [v](richtext::TNYXembedded& e) { EditObjectProperties(*v, e); };
    new TRightPressSelects(view, *h);
    return h;
}

void SetObjectDialogRunner(TObjectDialogRunner run) { Runner() = std::move(run); }

bool EditObjectProperties(richtext::ui::TNYXboxWidget& view, richtext::TNYXembedded& e) {
    if (view.ReadOnly() || !e.Record()) return false;
    TObjectProperties choices(*e.Record());
    if (choices.Title().empty()) return false;
    TFproprietaOggetto dialog(choices, &view);
    const int answer = Runner() ? Runner()(dialog) : dialog.exec();
    if (answer != QDialog::Accepted) return false;
    // The dialog may have been answered while the object went (an undo).
    if (!e.Record()) return false;
    const bool changed = ApplyProperties(view.Box(), e, choices);
    if (changed) MarkObjectChanged(&view);
    view.EditedOutside(changed);
    if (auto* h = HandlesOf(view)) h->Select(e);
    return changed;
}

bool EditSelectedObject(richtext::ui::TNYXboxWidget& view) {
    richtext::ui::TObjectHandles* h = HandlesOf(view);
    richtext::TNYXembedded* e = h ? h->Selected() : nullptr;
    return e && EditObjectProperties(view, *e);
}

bool DeleteSelectedObject(richtext::ui::TNYXboxWidget& view) {
    richtext::ui::TObjectHandles* h = HandlesOf(view);
    if (view.ReadOnly() || !h || !h->Selected()) return false;
    const bool done = view.Editing().DeleteSelection();
    view.EditedOutside(done);
    return done;
}

}  // namespace present::ui
