#include "shell/ui/LinkCommands.h"

#include "model/NYXset.h"
#include "richtext/Editing.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
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
    handlers["actAncora"] = [f] {
        richtext::ui::TNYXpageView* view = f->PageView();
        if (!view || !view->Session().WorkingCopy()) return;
        if (InsertAnchor(view->Editing()) >= 0) Done(*f, *view);
    };
}

}  // namespace shell::ui
