#include "shell/ui/ObjectCommands.h"

#include "present/ObjectInsert.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

void AddObjectCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    for (const present::TInsertKind& k : present::InsertKinds()) {
        const present::TInsertKind* kind = &k;
        handlers[k.command] = [&form, kind] {
            present::ui::TInsiemeCornici* fs = form.FrameSet();
            richtext::ui::TNYXpageView* v = fs ? fs->CurrentView() : nullptr;
            if (!v || v->ReadOnly()) return;
            v->EditedOutside(present::InsertNewObject(v->Box(), v->Editing(), *kind) != nullptr);
        };
    }
}

}  // namespace shell::ui
