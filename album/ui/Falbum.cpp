#include "album/ui/Falbum.h"

#include <algorithm>
#include <chrono>

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/PictureChoices.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/PictureDialogs.h"
#include "shell/MainDocument.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace fs = std::filesystem;
namespace text = platform::text;

namespace album::ui {

namespace {

QString Q(std::string_view cp1252) { return QString::fromStdString(text::Cp1252ToUtf8(cp1252)); }
// The slot a reference names in its type's table.
std::int32_t SlotOf(std::int32_t ref) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(ref) & model::kMaxIndex); }

QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QImage ImageOf(const model::TNYXpicture& p) {
    if (p.width <= 0 || p.height <= 0 || p.rgba.size() < static_cast<std::size_t>(p.width) * p.height) return {};
    QImage img(reinterpret_cast<const uchar*>(p.rgba.data()), p.width, p.height, p.width * 4, QImage::Format_RGBA8888);
    return img.copy();
}

// The picture an album row shows: the picture itself, or a placed picture's.
model::TNYXoggetto* PictureOfRow(model::TNYXset& set, std::int32_t ref) {
    model::TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty()) return nullptr;
    if (o->Type() == model::immagine) return o;
    if (o->Type() == model::immagineNew) return present::PictureOf(*o, 0, &set);
    return nullptr;
}

QImage RowImage(model::TNYXset& set, std::int32_t ref) {
    model::TNYXoggetto* pic = PictureOfRow(set, ref);
    if (!pic) return {};
    auto decoded = pic->GetPicture();
    return decoded ? ImageOf(*decoded) : QImage();
}

}  // namespace

// --- the list model ----------------------------------------------------------------

TAlbumListModel::TAlbumListModel(model::TNYXset& set, TTab tab, QObject* parent)
    : QAbstractListModel(parent), set_(set), tab_(tab) {}

void TAlbumListModel::Refresh() {
    beginResetModel();
    rows_ = AlbumRows(set_, tab_);
    thumbs_.clear();
    endResetModel();
}

int TAlbumListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant TAlbumListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const TAlbumRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return Q(r.name);
        case Qt::UserRole: return static_cast<qlonglong>(r.ref);
        case Qt::DecorationRole: {
            if (tab_ != TTab::kPictures && tab_ != TTab::kPlaced) return {};
            auto it = thumbs_.find(r.ref);
            if (it == thumbs_.end()) {
                const QImage img = RowImage(set_, r.ref);
                QPixmap pm;
                if (!img.isNull())
                    pm = QPixmap::fromImage(img.scaled(kThumb, kThumb, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                it = thumbs_.emplace(r.ref, pm).first;
            }
            return it->second.isNull() ? QVariant() : QVariant(it->second);
        }
        default: return {};
    }
}

bool TAlbumListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return false;
    TAlbumRow& r = rows_[static_cast<std::size_t>(index.row())];
    if (!Rename(set_, r.ref, text::Utf8ToCp1252(value.toString().toStdString()))) return false;
    if (const model::TNYXoggetto* o = set_.ObjectByRef(r.ref)) r.name = RowName(*o);
    emit dataChanged(index, index);
    if (onRenamed) onRenamed(r.ref);
    return true;
}

Qt::ItemFlags TAlbumListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

std::int32_t TAlbumListModel::RefAt(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)].ref : -1;
}

int TAlbumListModel::RowOf(std::int32_t ref) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].ref == ref) return static_cast<int>(i);
    return -1;
}

void TAlbumList::EndEditing() {
    if (!Editing()) return;
    // The editor in place is a child of the viewport.
    for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible()) continue;
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

// --- the deletion window ------------------------------------------------------------

TFcancellaOggetti::TFcancellaOggetti(TAlbumDeletion& deletion, TAlbumTrash& trash, QWidget* parent)
    : QDialog(parent), deletion_(deletion), trash_(trash) {
    setObjectName(QStringLiteral("TFcancellaOggetti"));
    setWindowTitle(QStringLiteral("Cancella oggetti dagli album interni"));
    auto* v = new QVBoxLayout(this);
    lines_ = new QListWidget(this);
    lines_->setObjectName(QStringLiteral("lbReport"));
    v->addWidget(lines_);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lbStato"));
    state_->setWordWrap(true);
    v->addWidget(state_);
    auto* row = new QHBoxLayout;
    delete_ = new QPushButton(QStringLiteral("&Cancella"), this);
    delete_->setObjectName(QStringLiteral("btCancella"));
    auto* close = new QPushButton(QStringLiteral("&Chiudi"), this);
    close->setObjectName(QStringLiteral("btChiudi"));
    row->addStretch();
    row->addWidget(delete_);
    row->addWidget(close);
    v->addLayout(row);
    resize(520, 360);
    connect(delete_, &QPushButton::clicked, this, &TFcancellaOggetti::ConfirmDeletion);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // The report is made in slices of at most 10 ms between events.
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, [this] {
        const bool done = deletion_.Report().Run(std::chrono::milliseconds(10));
        ShowLines();
        if (done) timer_.stop();
    });
    timer_.start();
}

TFcancellaOggetti::~TFcancellaOggetti() = default;

void TFcancellaOggetti::ShowLines() {
    const std::vector<std::string> lines = deletion_.Lines();
    for (int i = lines_->count(); i < static_cast<int>(lines.size()); ++i) lines_->addItem(Q(lines[i]));
    for (int i = 0; i < lines_->count() && i < static_cast<int>(lines.size()); ++i)
        if (lines_->item(i)->text() != Q(lines[i])) lines_->item(i)->setText(Q(lines[i]));
}

void TFcancellaOggetti::ConfirmDeletion() {
    // The report reads what is deleted: it is brought to its end first
    // (never stopped halfway, so no object goes unreported).
    timer_.stop();
    std::vector<std::size_t> refused;
    deleted_ += deletion_.Confirm(trash_, &refused);
    ShowLines();
    delete_->setEnabled(false);
    if (!refused.empty()) {
        state_->setText(Q(kStillUsed) + QStringLiteral(" ") + QString::number(refused.size()));
        return;
    }
    accept();
}

// --- the album -------------------------------------------------------------------------

TFalbum::TFalbum(shell::TMainDocument& document, shell::ui::TMainForm* main, QWidget* parent)
    : QDialog(parent), document_(document), main_(main), trash_(document.Set()) {
    setObjectName(QStringLiteral("TFalbum"));
    setWindowTitle(QStringLiteral("Album immagini e files"));
    setProperty(shell::ui::kDocumentWindowProperty, true);
    chooseProgram = [](const fs::path& file) { return ChooseProgram(shell::options(), file); };
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pcAlbum"));
    for (TTab t : kTabs) {
        auto* list = new TAlbumList(tabs_);
        list->setObjectName(QStringLiteral("lv") + QString::fromLatin1(TabKeyword(t)));
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setUniformItemSizes(true);
        list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
        if (t == TTab::kPictures || t == TTab::kPlaced)
            list->setIconSize(QSize(TAlbumListModel::kThumb, TAlbumListModel::kThumb));
        auto* m = new TAlbumListModel(Set(), t, this);
        list->setModel(m);
        m->onRenamed = [this, t](std::int32_t) {
            // A retitled page the editor shows, or a changed address: the editor shows it again.
            Changed(t == TTab::kPages || t == TTab::kUrls);
        };
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            ShowPreview();
            UpdateButtons();
        });
        tabs_->addTab(list, QString::fromLatin1(TabCaption(t)));
        lists_.push_back(list);
        models_.push_back(m);
    }
    left->addWidget(tabs_);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lbEdit"));
    left->addWidget(state_);
    top->addLayout(left, 2);

    auto* right = new QVBoxLayout;
    side_ = right;
    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("imAnteprima"));
    preview_->setMinimumSize(200, 160);
    preview_->setAlignment(Qt::AlignCenter);
    right->addWidget(preview_);
    showPage_ = new QCheckBox(QStringLiteral("anteprima"), this);
    showPage_->setObjectName(QStringLiteral("cbAnteprima"));
    right->addWidget(showPage_);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QPushButton(U(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        right->addWidget(b);
        return b;
    };
    add_ = button("btAggiungi", "&Aggiungi...");
    replace_ = button("btSostituisci", "&Sostituisci con...");
    edit_btn_ = button("btEdita", "&Edita...");
    delete_ = button("btCancella", "Cancella");
    undo_ = button("btRipristina", "&Ripristina cancellato");
    apply_ = button("btApplica", "A&pplica");
    right->addStretch();
    ok_ = button("btOk", "&Ok");
    close_ = button("btChiudi", "&Chiudi");
    top->addLayout(right, 1);
    resize(720, 480);

    connect(add_, &QPushButton::clicked, this, [this] { Add(); });
    connect(replace_, &QPushButton::clicked, this, [this] { Replace(); });
    connect(edit_btn_, &QPushButton::clicked, this, [this] { Edit(); });
    connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(undo_, &QPushButton::clicked, this, [this] { UndoDeletion(); });
    connect(apply_, &QPushButton::clicked, this, [this] { ApplyEdit(); });
    connect(ok_, &QPushButton::clicked, this, [this] { Close(); });
    connect(close_, &QPushButton::clicked, this, [this] { Close(); });
    connect(showPage_, &QCheckBox::toggled, this, [this] { ShowPreview(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        ShowPreview();
        UpdateButtons();
    });
    editTimer_.setInterval(100);
    connect(&editTimer_, &QTimer::timeout, this, &TFalbum::PollOutsideEdit);
    // Another hypertext opened (or a new one, or the reload of a save) while
    // the album is open: the lists show what the hypertext holds now, never
    // the rows of the one before, whose references would rename or delete
    // other objects.
    QPointer<TFalbum> self(this);
    Set().onAfterNew.push_back([self] {
        if (self) self->Refresh();
    });
    Refresh();
}

TFalbum::~TFalbum() {
    if (edit_) edit_->Cancel();
    if (pagePreview_) {
        pagePreview_->Drop();
        pagePreview_->SetLinkedNYXset(nullptr);
    }
}

model::TNYXset& TFalbum::Set() const { return document_.Set(); }

TTab TFalbum::CurrentTab() const { return kTabs[std::max(0, tabs_->currentIndex())]; }
void TFalbum::SetTab(TTab tab) { tabs_->setCurrentIndex(static_cast<int>(tab)); }

void TFalbum::Refresh() {
    for (TAlbumListModel* m : models_) m->Refresh();
    ShowPreview();
    UpdateButtons();
}

std::vector<std::int32_t> TFalbum::Selected() const {
    std::vector<std::int32_t> refs;
    const TAlbumList* list = List(CurrentTab());
    const TAlbumListModel* m = Model(CurrentTab());
    QModelIndexList rows = list->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& i : rows) refs.push_back(m->RefAt(i.row()));
    return refs;
}

void TFalbum::Select(std::int32_t ref) {
    for (TTab t : kTabs) {
        const int row = Model(t)->RowOf(ref);
        if (row < 0) continue;
        SetTab(t);
        const QModelIndex i = Model(t)->index(row);
        List(t)->selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
        List(t)->setCurrentIndex(i);
        List(t)->scrollTo(i);
        return;
    }
}

void TFalbum::UpdateButtons() {
    const bool editing = edit_ != nullptr;
    const TTabCommands c = CommandsOf(CurrentTab());
    tabs_->setEnabled(!editing);
    add_->setVisible(c.add);
    replace_->setVisible(c.replace);
    edit_btn_->setVisible(c.edit);
    for (QPushButton* b : {add_, replace_, edit_btn_, delete_, ok_}) b->setEnabled(!editing);
    undo_->setEnabled(!editing && trash_.CanUndo());
    apply_->setEnabled(editing);
    showPage_->setVisible(CurrentTab() == TTab::kPages);
}

void TFalbum::ShowPreview() {
    const std::vector<std::int32_t> sel = Selected();
    const TTab tab = CurrentTab();
    preview_->clear();
    if ((tab == TTab::kPictures || tab == TTab::kPlaced) && !sel.empty()) {
        const QImage img = RowImage(Set(), sel.front());
        if (!img.isNull())
            preview_->setPixmap(QPixmap::fromImage(
                img.width() > preview_->width() || img.height() > preview_->height()
                    ? img.scaled(preview_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    : img));
    }
    const bool pagePreview = tab == TTab::kPages && showPage_->isChecked();
    if (pagePreview && !pagePreview_) {
        pagePreview_ = new present::ui::TInsiemeCornici(this);
        pagePreview_->setObjectName(QStringLiteral("fsAnteprima"));
        pagePreview_->setMinimumSize(240, 200);
        pagePreview_->SetReadOnly(true);
        pagePreview_->SetLinkedNYXset(&Set());
        side_->insertWidget(2, pagePreview_);
    }
    if (!pagePreview_) return;
    pagePreview_->setVisible(pagePreview);
    if (pagePreview && !sel.empty()) {
        pagePreview_->ShowPage(SlotOf(sel.front()));
    } else if (!pagePreview) {
        pagePreview_->Drop();
    }
}

// The editor shows the hypertext again after a change made here.
void TFalbum::Changed(bool pagesToo) {
    if (main_) {
        // Detaching stores what the frames show; reattaching reads the pages
        // (and their pictures) again.
        main_->FrameSet()->Detach();
        main_->FrameSet()->Reattach();
        main_->RefreshPageList();
    }
    if (pagesToo && pagePreview_ && pagePreview_->isVisible()) {
        pagePreview_->Detach();
        pagePreview_->Reattach();
    }
    ShowPreview();
    UpdateButtons();
}

bool TFalbum::Add() {
    if (document_.RefuseEdit()) return false;
    model::TNYXset& set = Set();
    switch (CurrentTab()) {
        case TTab::kPages: {
            std::int64_t slot = -1;
            if (main_) {
                slot = main_->NewPageDialog();
            } else {
                slot = document_.AddPage();
            }
            if (slot < 0) return false;
            Refresh();
            Select(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(slot)));
            return true;
        }
        case TTab::kUrls: {
            model::TNYXoggetto* url = AddUrl(set);
            if (!url) return false;
            Refresh();
            Select(url->Reference());
            List(TTab::kUrls)->edit(List(TTab::kUrls)->currentIndex());
            return true;
        }
        case TTab::kFiles: {
            shell::TFileRequest r;
            r.caption = "Aggiungi file";
            auto a = shell::ui::ChooseFile(this, r);
            if (!a) return false;
            model::TNYXoggetto* f = set.AddFile(a->file);
            if (!f) {
                platform::ui().Error("Impossibile aggiungere " + a->file.string());
                return false;
            }
            set.SetModified(true);
            Refresh();
            Select(f->Reference());
            return true;
        }
        case TTab::kPictures: {
            // The picture dialog in its album mode: the picture it returns joins the album.
            present::ui::TFimmagine dlg(this, set);
            dlg.setWindowTitle(QStringLiteral("Inserisci immagine:"));
            dlg.onBrowse = [this]() -> std::optional<fs::path> {
                shell::TFileRequest r;
                r.caption = "Inserisci immagine:";
                r.filter = "Immagini (*.gif *.jpg *.jpeg *.png *.bmp)";
                auto a = shell::ui::ChooseFile(this, r);
                if (!a) return std::nullopt;
                return a->file;
            };
            if (shell::ui::RunDialog(dlg) != QDialog::Accepted || !dlg.Picture()) return false;
            model::TNYXoggetto* pic = dlg.Picture();
            if (!pic->Registered() && set.RegisterObject(model::immagine, -1, pic) < 0) return false;
            set.SetModified(true);
            Refresh();
            Select(pic->Reference());
            return true;
        }
        default: return false;
    }
}

bool TFalbum::Replace() {
    const std::vector<std::int32_t> sel = Selected();
    if (const std::string why = ReplaceProblem(Set(), sel); !why.empty()) {
        platform::ui().Information(why);
        return false;
    }
    if (document_.RefuseEdit() || !ConfirmReplaceInUse(Set(), sel.front())) return false;
    model::TNYXoggetto* o = Set().ObjectByRef(sel.front());
    const bool picture = o->Type() == model::immagine;
    shell::TFileRequest r;
    r.caption = "Sostituisci con...";
    if (picture) r.filter = "Immagini (*.gif *.jpg *.jpeg *.png *.bmp)";
    auto a = shell::ui::ChooseFile(this, r);
    if (!a) return false;
    if (main_) main_->FrameSet()->StorePages();
    bool ok = false;
    if (picture) {
        TLoadedPicture loaded = LoadPicture(Set(), a->file);
        ok = loaded.picture && ReplacePicture(Set(), sel.front(), *loaded.picture);
        if (!ok) platform::ui().Error("L'immagine " + a->file.string() + " non si pu\xC3\xB2 leggere: resta com'era.");
    } else {
        ok = ReplaceFile(Set(), sel.front(), a->file);
        if (!ok) platform::ui().Error("Impossibile leggere " + a->file.string() + ": il file resta com'era.");
    }
    if (!ok) return false;
    Model(CurrentTab())->Refresh();
    Select(sel.front());
    Changed(true);
    return true;
}

bool TFalbum::Edit() {
    const std::vector<std::int32_t> sel = Selected();
    if (sel.empty()) {
        platform::ui().Information("Seleziona oggetto da editare");
        return false;
    }
    if (CurrentTab() == TTab::kPages) {
        if (!main_) return false;
        return main_->ShowPageSlot(SlotOf(sel.front()));
    }
    if (edit_ || document_.RefuseEdit()) return false;
    auto e = std::make_unique<TOutsideEdit>(Set(), sel.front());
    if (!e->Prepare()) return false;
    const TProgramChoice choice = chooseProgram(e->WorkFile());
    std::vector<std::string> argv;
    auto ask = [&] {
        shell::TFileRequest r;
        r.caption = "Scegli l'applicazione da usare:";
        if (auto a = shell::ui::ChooseFile(this, r)) argv = {a->file.string(), e->WorkFile().string()};
    };
    switch (choice.kind) {
        case TProgramChoice::kAsk: ask(); break;
        case TProgramChoice::kRegistered:
            argv = RegisteredCommand(e->WorkFile());
            if (argv.empty()) ask();
            break;
        case TProgramChoice::kPath: argv = {choice.path.string(), e->WorkFile().string()}; break;
        case TProgramChoice::kNone: break;
    }
    if (argv.empty() || !e->Start(argv)) {
        platform::ui().Warning(kNoEditor);
        e->Cancel();
        UpdateButtons();
        return false;
    }
    edit_ = std::move(e);
    state_->setText(U(kEditingLabel));
    editTimer_.start();
    UpdateButtons();
    return true;
}

void TFalbum::PollOutsideEdit() {
    if (!edit_ || edit_->Running()) return;
    // The program ended. An editor that hands the file to a window already
    // open returns at once with the file unchanged: then "A&pplica" applies.
    editTimer_.stop();
    if (edit_->Changed()) ApplyEdit();
}

bool TFalbum::ApplyEdit() {
    if (!edit_) return false;
    if (main_) main_->FrameSet()->StorePages();
    const std::int32_t ref = edit_->Object();
    const TOutsideEdit::TApply r = edit_->Apply();
    if (r == TOutsideEdit::TApply::kUnchanged) edit_->Cancel();
    EndOutsideEdit();
    if (r != TOutsideEdit::TApply::kApplied) return false;
    Model(CurrentTab())->Refresh();
    Select(ref);
    Changed(true);
    return true;
}

void TFalbum::EndOutsideEdit() {
    editTimer_.stop();
    edit_.reset();
    state_->clear();
    UpdateButtons();
}

bool TFalbum::Delete() {
    std::vector<std::int32_t> sel = Selected();
    if (sel.empty()) {
        platform::ui().Information("Seleziona oggetto da cancellare");
        return false;
    }
    if (document_.RefuseEdit()) return false;
    // What was typed in the editor counts (a link just written uses its target).
    if (main_) main_->FrameSet()->StorePages();
    TAlbumDeletion deletion(Set(), sel);
    TFcancellaOggetti dlg(deletion, trash_, this);
    shell::ui::RunDialog(dlg);
    if (deletion.Deleted().empty()) return false;
    if (main_) {
        // Pages the editor showed are gone: their copies go unstored.
        bool shown = false;
        for (std::size_t k : deletion.Deleted()) {
            const std::int32_t ref = deletion.Objects()[k];
            if (model::RefType(ref) == model::testoHtml &&
                (main_->FrameSet()->MainPageNumber() == SlotOf(ref) || main_->FrameSet()->PageShowing(SlotOf(ref))))
                shown = true;
        }
        if (shown) main_->FrameSet()->Drop();
    }
    if (pagePreview_) pagePreview_->Drop();
    Refresh();
    Changed(true);
    return true;
}

bool TFalbum::UndoDeletion() {
    if (!trash_.CanUndo() || document_.RefuseEdit()) return false;
    const std::int32_t ref = trash_.Undo();
    Refresh();
    Changed(true);
    if (ref < 0) return false;
    Select(ref);
    return true;
}

void TFalbum::Close() {
    // "&Chiudi" during an outside edit stops waiting for it; nothing is applied.
    if (edit_) {
        edit_->Cancel();
        EndOutsideEdit();
    }
    for (TAlbumList* l : lists_) l->EndEditing();
    accept();
}

void TFalbum::done(int r) {
    for (TAlbumList* l : lists_) l->EndEditing();
    if (edit_) {
        edit_->Cancel();
        EndOutsideEdit();
    }
    QDialog::done(r);
}

void TFalbum::closeEvent(QCloseEvent* e) {
    for (TAlbumList* l : lists_) l->EndEditing();
    QDialog::closeEvent(e);
}

// --- the main window's command ----------------------------------------------------------

namespace {

bool OpenFalbum(QWidget* parent, shell::TMainDocument& document, const fs::path&) {
    // One album per main window, kept with it: its deletions can be taken
    // back until the hypertext is saved, even after the window was closed.
    auto* main = qobject_cast<shell::ui::TMainForm*>(parent);
    TFalbum* album = parent ? parent->findChild<TFalbum*>(QStringLiteral("TFalbum"), Qt::FindDirectChildrenOnly) : nullptr;
    if (!album) album = new TFalbum(document, main, parent);
    if (main) main->FrameSet()->StorePages();
    album->Refresh();
    album->show();
    album->raise();
    album->activateWindow();
    return true;
}

}  // namespace

void RegisterFalbum() { shell::ui::RegisterWindow("TFalbum", OpenFalbum); }

}  // namespace album::ui
