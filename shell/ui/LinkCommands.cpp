#include "shell/ui/LinkCommands.h"

#include <QMenu>
#include <QObject>

#include "model/NYXset.h"
#include "richtext/Editing.h"
#include "richtext/Navigation.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/LinkChoices.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/LinkDialog.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

namespace {

// Without a selection the link under the caret is taken whole; its record
// gives the dialog's starting choices.
TLinkChoices StartChoices(TMainForm& form, richtext::ui::TNYXpageView& view) {
    richtext::TNYXediting& ed = view.Editing();
    richtext::TNYXbox& box = view.Box();
    std::int32_t key = -1;
    if (!box.HasSelection()) key = SelectLinkAt(ed, box.caret.para, box.caret.ch);
    else key = view.LinkAt(ed.SelectionStart());
    if (key != -1)
        if (const model::TNYXoggetto* r = view.Session().LinkRecord(key))
            return ChoicesFromRecord(form.Document(), *r);
    return {};
}

void Done(TMainForm& form, richtext::ui::TNYXpageView& view) {
    view.Session().Changed();
    form.UpdateEditCommands();
}

}  // namespace

bool EditLink(TMainForm& form, bool special) {
    richtext::ui::TNYXpageView* view = form.PageView();
    if (!view || !view->Session().WorkingCopy()) return false;
    const TLinkChoices start = StartChoices(form, *view);
    if (!view->Box().HasSelection()) return view->Editing().SetLink(-1);  // warns
    TFlink dialog(&form, form.Document(), start, special);
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    auto record = MakeLinkRecord(form.Document(), dialog.Choices());
    if (!record || !ApplyLinkRecord(view->Editing(), std::move(record))) return false;
    Done(form, *view);
    return true;
}

bool RemoveLink(TMainForm& form) {
    richtext::ui::TNYXpageView* view = form.PageView();
    if (!view || !view->Session().WorkingCopy()) return false;
    richtext::TNYXbox& box = view->Box();
    if (!box.HasSelection()) SelectLinkAt(view->Editing(), box.caret.para, box.caret.ch);
    if (!view->Editing().SetLink(-1)) return false;
    Done(form, *view);
    return true;
}

void AddLinkCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    handlers["actCollegamento"] = [f] { EditLink(*f, false); };
    handlers["actCollegamentoSpeciale"] = [f] { EditLink(*f, true); };
    handlers["actAutoreferente"] = [f] {
        richtext::ui::TNYXpageView* view = f->PageView();
        if (!view || !view->Session().WorkingCopy()) return;
        TLinkChoices c;
        c.page = view->Session().PageSlot();
        if (ApplyLinkRecord(view->Editing(), MakeLinkRecord(f->Document(), c))) Done(*f, *view);
    };
    // Over a link of the page being edited the text's pop-up menu offers to
    // change or remove it; the caret goes to the link first, as the commands
    // work on the link under the caret.
    const int popup = richtext::ui::AddPopupContributor(
        richtext::ui::TPopupPlace::kTop, [f](QMenu& menu, const richtext::ui::TPopupContext& ctx) {
            richtext::ui::TNYXpageView* view = f->PageView();
            if (ctx.link == -1 || !view || &ctx.box != view || !view->Session().WorkingCopy()) return;
            const richtext::TTextPos at = richtext::HitTest(view->Box(), ctx.at.x(), ctx.at.y());
            QAction* edit = menu.addAction(QStringLiteral("Modifica collegamento..."));
            edit->setObjectName(QStringLiteral("pmModificaCollegamento"));
            QObject::connect(edit, &QAction::triggered, f, [f, at] {
                if (richtext::ui::TNYXpageView* v = f->PageView()) v->Editing().SetCaret(at);
                EditLink(*f, false);
            });
            QAction* remove = menu.addAction(QStringLiteral("Rimuovi collegamento"));
            remove->setObjectName(QStringLiteral("pmRimuoviCollegamento"));
            QObject::connect(remove, &QAction::triggered, f, [f, at] {
                if (richtext::ui::TNYXpageView* v = f->PageView()) v->Editing().SetCaret(at);
                RemoveLink(*f);
            });
        });
    QObject::connect(&form, &QObject::destroyed, [popup] { richtext::ui::RemovePopupContributor(popup); });
    handlers["actAncora"] = [f] {
        richtext::ui::TNYXpageView* view = f->PageView();
        if (!view || !view->Session().WorkingCopy()) return;
        if (InsertAnchor(view->Editing()) >= 0) Done(*f, *view);
    };
}

}  // namespace shell::ui
