#include "shell/ui/ObjectCommands.h"

#include <QMenu>

#include "model/Fields.h"
#include "model/Types.h"
#include "present/ObjectInsert.h"
#include "present/ObjectProperties.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectDialogs.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/Box.h"
#include "richtext/Navigation.h"
#include "richtext/ui/PopupMenu.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/ObjectHandles.h"
#include "shell/LinkChoices.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/LinkDialog.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

void AddObjectCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    // Object dialogs run as the window's other dialogs do (tests answer them).
    present::ui::SetObjectDialogRunner([](QDialog& d) { return RunDialog(d); });
    present::ui::SetObjectFileChooser([](QWidget* parent, present::TObjectFile kind) {
        const auto a = ChooseFile(parent, {TFileRequest::Open, present::ui::ObjectFileCaption(kind), {}, {},
                                           present::ui::ObjectFileFilter(kind)});
        return a ? a->file : std::filesystem::path();
    });
    // "Bottone" holds the commands on the selected object (they do nothing
    // without one), so it is open whenever there is a page to edit.
    if (auto* menu = form.findChild<QMenu*>(QStringLiteral("mnBottone"))) menu->setEnabled(true);
    const auto view = [&form]() -> richtext::ui::TNYXpageView* {
        present::ui::TInsiemeCornici* fs = form.FrameSet();
        richtext::ui::TNYXpageView* v = fs ? fs->CurrentView() : nullptr;
        return v && !v->ReadOnly() ? v : nullptr;
    };
    for (const present::TInsertKind& k : present::InsertKinds()) {
        const present::TInsertKind* kind = &k;
        handlers[k.command] = [view, kind] {
            richtext::ui::TNYXpageView* v = view();
            if (!v) return;
            v->EditedOutside(present::InsertNewObject(v->Box(), v->Editing(), *kind) != nullptr);
        };
    }
    // The text's pop-up menu of the page being edited offers every kind, put
    // where the pointer was pressed (at the selection when there is one).
    const int popup = richtext::ui::AddPopupContributor(
        richtext::ui::TPopupPlace::kBottom, [&form](QMenu& menu, const richtext::ui::TPopupContext& ctx) {
            present::ui::TInsiemeCornici* fs = form.FrameSet();
            richtext::ui::TNYXpageView* v = fs ? fs->CurrentView() : nullptr;
            if (!v || &ctx.box != v || v->ReadOnly() || !v->Session().WorkingCopy()) return;
            QMenu* sub = menu.addMenu(QStringLiteral("Inserisci oggetto"));
            sub->setObjectName(QStringLiteral("pmInserisciOggetto"));
            const richtext::TTextPos at = richtext::HitTest(v->Box(), ctx.at.x(), ctx.at.y());
            const bool selection = ctx.selection;
            for (const present::TInsertKind& k : present::InsertKinds()) {
                QAction* command = form.Command(k.command);
                if (!command) continue;
                QAction* a = sub->addAction(command->text());
                a->setObjectName(QStringLiteral("pm") + QString::fromLatin1(k.command));
                QObject::connect(a, &QAction::triggered, &form, [&form, name = std::string(k.command), at, selection] {
                    present::ui::TInsiemeCornici* f = form.FrameSet();
                    richtext::ui::TNYXpageView* pv = f ? f->CurrentView() : nullptr;
                    if (!pv || pv->ReadOnly()) return;
                    if (!selection) pv->Editing().SetCaret(at);
                    if (QAction* c = form.Command(name)) c->trigger();
                });
            }
        });
    QObject::connect(&form, &QObject::destroyed, [popup] { richtext::ui::RemovePopupContributor(popup); });
    handlers["actProprietaOggetto"] = [view] {
        if (richtext::ui::TNYXpageView* v = view()) present::ui::EditSelectedObject(*v);
    };
    // The page a button changes to when used: the link dialog, as for text.
    handlers["actCollegamentoBottone"] = [&form, view] {
        richtext::ui::TNYXpageView* v = view();
        richtext::ui::TObjectHandles* h = v ? present::ui::HandlesOf(*v) : nullptr;
        richtext::TNYXembedded* e = h ? h->Selected() : nullptr;
        if (!e || !e->Record() || e->Record()->Type() != model::bottoneCGI) return;
        TLinkChoices start;
        const std::int32_t old = e->Record()->Int(model::buttonrec::kLink);
        if (old > 0)
            if (const model::TNYXoggetto* r = v->LinkRecord(old)) start = ChoicesFromRecord(form.Document(), *r);
        TFlink dialog(&form, form.Document(), start, false);
        if (RunDialog(dialog) != QDialog::Accepted) return;
        auto record = MakeLinkRecord(form.Document(), dialog.Choices());
        if (!record) return;
        std::int32_t key = model::kNoRef;
        const int type = record->Type();
        if (type == model::internetLink || type == model::speclink || type == model::shortObj) {
            if (!v->Box().objectHome) return;
            key = v->Box().objectHome->AddLocalLink(std::move(record));
        } else {
            key = record->Reference();
        }
        if (key == model::kNoRef) return;
        // The dialog may have been answered while the button went (an undo).
        if (h->Selected() != e || !e->Record()) return;
        if (!present::SetButtonLink(v->Box(), *e, key)) return;
        v->Session().ObjectChanged();  // stored with the page though its text is the same
        v->EditedOutside(true);
    };
    handlers["actTogliCollegamentoBottone"] = [view] {
        richtext::ui::TNYXpageView* v = view();
        richtext::ui::TObjectHandles* h = v ? present::ui::HandlesOf(*v) : nullptr;
        richtext::TNYXembedded* e = h ? h->Selected() : nullptr;
        if (!e || !present::SetButtonLink(v->Box(), *e, -1)) return;
        v->Session().ObjectChanged();
        v->EditedOutside(true);
    };
    handlers["actEliminaOggetto"] = [view] {
        if (richtext::ui::TNYXpageView* v = view()) present::ui::DeleteSelectedObject(*v);
    };
}

}  // namespace shell::ui
