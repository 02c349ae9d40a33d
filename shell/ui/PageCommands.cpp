#include "shell/ui/PageCommands.h"

#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/Undo.h"
#include "shell/PageProperties.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/PageDialogs.h"

using namespace model;

namespace shell::ui {
namespace {

TNYXoggetto* ShownPage(TMainForm& form) {
    const std::int32_t slot = form.FrameSet()->MainPageNumber();
    TNYXoggetto* p = slot >= 0 ? form.Document().ObjectAt(testoHtml, slot) : nullptr;
    return p && !p->IsEmpty() ? p : nullptr;
}

}  // namespace

bool ShowPageProperties(TMainForm& form) {
    if (form.MainDocument().RefuseEdit()) return false;
    TNYXoggetto* page = ShownPage(form);
    if (!page) return false;
    const std::int32_t slot = static_cast<std::int32_t>(page->Index());
    // The frames hold a working copy made from the record: store it, let go
    // of it, and show the page again from the changed record. Storing puts a
    // new record in the slot, so the page is looked up again after it.
    form.FrameSet()->Detach();
    page = form.Document().ObjectAt(testoHtml, slot);
    if (!page || page->IsEmpty()) {
        form.FrameSet()->Reattach();
        return false;
    }
    TFproprietaPagina dlg(form.Document(), *page, &form);
    bool ok = RunDialog(dlg) == QDialog::Accepted;
    // Showing the page again drops the undo steps of the page shown: the
    // snapshot of the record goes into the list after that.
    auto before = std::make_unique<richtext::TogBackup>(form.UndoList(), *page, "Propriet\xE0 pagina");
    model::TObjectUndoRecorder* recorder = form.Document().undoRecorder;
    form.Document().undoRecorder = nullptr;
    ok = ok && ApplyPageChoices(form.Document(), *page, dlg.Choices());
    form.Document().undoRecorder = recorder;
    form.FrameSet()->Reattach();
    if (ok) {
        form.ShowPageSlot(slot);
        form.UndoList().AddUndo(std::move(before));
    }
    form.UpdateEditCommands();
    return ok;
}

bool ShowPageOrder(TMainForm& form) {
    if (form.MainDocument().RefuseEdit()) return false;
    form.FrameSet()->StorePages();
    TFordinePagine dlg(form.Document(), &form);
    if (ShownPage(form)) {
        dlg.Tree().SelectObject(ShownPage(form)->Reference());
        dlg.Refill();
    }
    if (RunDialog(dlg) != QDialog::Accepted) return false;
    auto before = std::make_unique<richtext::TorderBackup>(form.UndoList(), "Ordine pagine");
    if (!dlg.Tree().Store()) return false;
    form.UndoList().AddUndo(std::move(before));  // dropped when nothing moved
    form.Document().SetModified(true);
    form.UpdateEditCommands();
    return true;
}

bool MoveShownPage(TMainForm& form, int step) {
    if (form.MainDocument().RefuseEdit()) return false;
    TNYXoggetto* page = ShownPage(form);
    if (!page) return false;
    TNYXorderedTree tree(&form.Document(), testoHtml);
    tree.Reload();
    if (!tree.SelectObject(page->Reference())) return false;
    if (!(step > 0 ? tree.MoveDown() : tree.MoveUp())) return false;
    auto before = std::make_unique<richtext::TorderBackup>(form.UndoList(), "Sposta pagina");
    if (!tree.Store()) return false;
    form.UndoList().AddUndo(std::move(before));
    form.Document().SetModified(true);
    form.UpdateEditCommands();
    return true;
}

bool ShowNeighbourPage(TMainForm& form, int step) {
    TNYXoggetto* page = ShownPage(form);
    if (!page) return false;
    form.FrameSet()->StorePages();
    TNYXoggetto* to = step < 0 ? PreviousPage(form.Document(), *page) : NextPage(form.Document(), *page);
    return to && form.ShowPageSlot(to->Index());
}

void AddPageCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    handlers["actProprietaPagina"] = [f] { ShowPageProperties(*f); };
    handlers["actPaginaPiu"] = [f] { MoveShownPage(*f, +1); };
    handlers["actPaginaMeno"] = [f] { MoveShownPage(*f, -1); };
    handlers["actPaginaPrecedente"] = [f] { ShowNeighbourPage(*f, -1); };
    handlers["actPaginaSeguente"] = [f] { ShowNeighbourPage(*f, +1); };
}

}  // namespace shell::ui
