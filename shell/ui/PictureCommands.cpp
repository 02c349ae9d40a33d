#include "shell/ui/PictureCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "present/PictureChoices.h"
#include "present/Zones.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/PictureDialogs.h"
#include "present/ui/PictureView.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/LinkChoices.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/LinkDialog.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {

namespace {

using present::ui::TPictureObjects;

richtext::ui::TNYXpageView* EditedView(TMainForm& form) {
    richtext::ui::TNYXpageView* v = form.PageView();
    return v && !v->ReadOnly() && v->Session().WorkingCopy() ? v : nullptr;
}

TPictureObjects* Pictures(TMainForm& form) {
    richtext::ui::TNYXpageView* v = EditedView(form);
    return v ? TPictureObjects::Of(*v) : nullptr;
}

// The selected picture of the page being edited.
TPictureObjects* WithPicture(TMainForm& form) {
    TPictureObjects* p = Pictures(form);
    return p && p->Selected() ? p : nullptr;
}

void Done(TMainForm& form) { form.UpdateEditCommands(); }

bool ClipboardHasZone() {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    return m && m->hasFormat(QString::fromLatin1(present::kZoneMime));
}

}  // namespace

bool InsertPicture(TMainForm& form) {
    richtext::ui::TNYXpageView* view = EditedView(form);
    if (!view) return false;
    present::ui::TFimmagine dialog(&form, form.Document());
    dialog.onBrowse = [&form]() -> std::optional<std::filesystem::path> {
        TFileRequest r;
        r.caption = "Immagine";
        r.filter = "Immagini (*.gif *.jpg *.jpeg *.png *.bmp *.wmf *.emf);;Tutti i file (*)";
        auto a = ChooseFile(&form, r);
        if (!a) return std::nullopt;
        return a->file;
    };
    if (RunDialog(dialog) != QDialog::Accepted || !dialog.Picture()) return false;
    model::TNYXoggetto* placed = present::InsertPlacedPicture(view->Box(), view->Editing(), *dialog.Picture());
    view->EditedOutside(placed != nullptr);
    Done(form);
    return placed != nullptr;
}

bool EditPictureProperties(TMainForm& form) {
    TPictureObjects* p = WithPicture(form);
    if (!p) return false;
    present::ui::TFpropImmagine dialog(&form, form.Document(), *p->SelectedRecord());
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    const present::TPictureChoices c = dialog.Choices();
    const bool done = p->ChangePicture("Proprietà immagine",
                                       [&](model::TNYXoggetto& o) { present::ApplyPictureChoices(o, c); });
    Done(form);
    return done;
}

bool EditZoneLink(TMainForm& form) {
    TPictureObjects* p = WithPicture(form);
    if (!p || p->SelectedZone() < 0) return false;
    richtext::ui::TNYXpageView& view = p->View();
    const present::TZoneList zones = p->Zones();
    TLinkChoices start;
    const std::int32_t old = zones[static_cast<std::size_t>(p->SelectedZone())].link;
    if (old > 0)
        if (const model::TNYXoggetto* r = view.LinkRecord(old)) start = ChoicesFromRecord(form.Document(), *r);
    TFlink dialog(&form, form.Document(), start, false);
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    auto record = MakeLinkRecord(form.Document(), dialog.Choices());
    if (!record) return false;
    std::int32_t key = model::kNoRef;
    const int type = record->Type();
    richtext::TNYXbox& box = view.Box();
    if (type == model::internetLink || type == model::speclink || type == model::shortObj) {
        if (!box.objectHome) return false;
        key = box.objectHome->AddLocalLink(std::move(record));
    } else {
        key = record->Reference();
    }
    if (key == model::kNoRef) return false;
    const bool done = p->SetZoneLink(key);
    Done(form);
    return done;
}

bool ReplacePictureFromClipboard(TMainForm& form) {
    TPictureObjects* p = WithPicture(form);
    if (!p) return false;
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasImage()) return false;
    // The bitmap becomes a picture of its own: other pages that show the
    // old picture keep it.
    model::TNYXoggetto* pic = present::ui::PictureFromImage(form.Document(), qvariant_cast<QImage>(m->imageData()));
    if (!pic) return false;
    const auto slot = static_cast<std::int32_t>(pic->Index());
    const bool done = p->ChangePicture("Inserimento da Cartella appunti", [&](model::TNYXoggetto& o) {
        o.SetInt(model::placedrec::kPicture, slot);
        present::RefreshNaturalSize(o);
    });
    Done(form);
    return done;
}

void AddPictureCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    handlers["actImmagine"] = [f] { InsertPicture(*f); };
    handlers["actProprietaImmagine"] = [f] { EditPictureProperties(*f); };
    handlers["actImmagineDaAppunti"] = [f] { ReplacePictureFromClipboard(*f); };
    handlers["actCollegamentoZona"] = [f] { EditZoneLink(*f); };
    auto on = [f](std::function<bool(TPictureObjects&)> fn) {
        return [f, fn] {
            if (TPictureObjects* p = WithPicture(*f)) {
                fn(*p);
                Done(*f);
            }
        };
    };
    handlers["actImmagine100"] = on([](TPictureObjects& p) { return p.ScaleTo(100); });
    handlers["actImmagine50"] = on([](TPictureObjects& p) { return p.ScaleTo(50); });
    handlers["actAggiungiZona"] = on([](TPictureObjects& p) { return p.AddZone(); });
    handlers["actCancellaZona"] = on([](TPictureObjects& p) { return p.DeleteSelectedZone(); });
    handlers["actZonaPrimoPiano"] = on([](TPictureObjects& p) { return p.BringZoneToFront(); });
    handlers["actZonaSfondo"] = on([](TPictureObjects& p) { return p.SendZoneToBack(); });
    handlers["actCopiaZona"] = on([](TPictureObjects& p) { return p.CopyZone(); });
    handlers["actIncollaZona"] = on([](TPictureObjects& p) { return p.PasteZone(); });

    // The "Immagine" menu follows the selection of a picture.
    TPictureObjects::SetSelectionListener([f](TPictureObjects& p, bool selected) {
        if (QMenu* menu = f->menuBar()->findChild<QMenu*>(QStringLiteral("mnImmagine")))
            if (f->PageView() == &p.View() || !selected) menu->setEnabled(selected);
    });

    // The pop-up menu over a picture offers the same commands.
    static int popup = -1;
    if (popup != -1) richtext::ui::RemovePopupContributor(popup);
    popup = richtext::ui::AddPopupContributor(
        richtext::ui::TPopupPlace::kTop, [f](QMenu& menu, const richtext::ui::TPopupContext& ctx) {
            auto* view = qobject_cast<richtext::ui::TNYXpageView*>(&ctx.box);
            TPictureObjects* p = view ? TPictureObjects::Of(*view) : nullptr;
            if (!p || !p->Selected()) return;
            const QPoint vp = ctx.at - QPoint(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
            if (p->PictureAt(vp) != p->Selected()) return;
            auto add = [&](const char* caption, std::function<void()> fn, bool enabled = true) {
                QAction* a = menu.addAction(QString::fromUtf8(caption));
                a->setEnabled(enabled);
                QObject::connect(a, &QAction::triggered, &menu, [fn] { fn(); });
            };
            const bool zone = p->SelectedZone() >= 0;
            add("Aggiungi zona", [f, p] { if (p->AddZone()) Done(*f); }, !p->Zones().Full());
            if (zone) {
                add("Collegamento della zona...", [f] { EditZoneLink(*f); });
                add("Cancella zona cliccabile", [f, p] { if (p->DeleteSelectedZone()) Done(*f); });
                add("Porta in primo piano", [f, p] { if (p->BringZoneToFront()) Done(*f); });
                add("Porta in secondo piano", [f, p] { if (p->SendZoneToBack()) Done(*f); });
                add("Copia zona", [p] { p->CopyZone(); });
            }
            add("Incolla zona", [f, p] { if (p->PasteZone()) Done(*f); }, ClipboardHasZone());
            menu.addSeparator();
            add("100%", [f, p] { if (p->ScaleTo(100)) Done(*f); });
            add("50%", [f, p] { if (p->ScaleTo(50)) Done(*f); });
            add("Proprietà immagine...", [f] { EditPictureProperties(*f); });
        });
    static QObject* owner = nullptr;
    owner = &form;
    QObject::connect(&form, &QObject::destroyed, [](QObject* gone) {
        if (gone != owner) return;
        owner = nullptr;
        richtext::ui::RemovePopupContributor(popup);
        popup = -1;
        TPictureObjects::SetSelectionListener({});
    });
}

}  // namespace shell::ui
