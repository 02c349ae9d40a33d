#include "shell/ui/ObjectCommands.h"

#include <QMenu>

#include "present/ObjectInsert.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

void AddObjectCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    // Object dialogs run as the window's other dialogs do (tests answer them).
    present::ui::SetObjectDialogRunner([](QDialog& d) { return RunDialog(d); });
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
    handlers["actProprietaOggetto"] = [view] {
        if (richtext::ui::TNYXpageView* v = view()) present::ui::EditSelectedObject(*v);
    };
    handlers["actEliminaOggetto"] = [view] {
        if (richtext::ui::TNYXpageView* v = view()) present::ui::DeleteSelectedObject(*v);
    };
}

}  // namespace shell::ui
