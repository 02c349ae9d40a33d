#include "shell/ui/PrototypeDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/ObjectInsert.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/MainDocument.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/OrderTreeView.h"

namespace shell::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
QString Q(std::string_view cp1252) { return Q(std::string(cp1252)); }
std::string W(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

constexpr std::size_t kPrototypeNameCap = 40;

QPushButton* Button(QWidget* parent, QLayout* into, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    into->addWidget(b);
    return b;
}

const char* const kLibraryFilter = "Librerie Prototipi (*.cus)";

}  // namespace

// --- the library window ---------------------------------------------------------------------

TFcustomC::TFcustomC(model::TPrototypeLibrary& library, QWidget* parent) : QDialog(parent), lib_(library) {
    setObjectName(QStringLiteral("TFcustomC"));
    setWindowTitle(QStringLiteral("Componenti personalizzati"));
    auto* all = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    all->addWidget(tabs_);

    // Tab 1: the groups and prototypes of the library.
    auto* treeTab = new QWidget(tabs_);
    auto* treeLay = new QHBoxLayout(treeTab);
    auto* left = new QVBoxLayout;
    tree_ = new QTreeWidget(treeTab);
    tree_->setObjectName(QStringLiteral("tvPrototipi"));
    tree_->setHeaderHidden(true);
    left->addWidget(tree_);
    auto* props = new QFormLayout;
    name_ = new QLineEdit(treeTab);
    name_->setObjectName(QStringLiteral("edNome"));
    name_->setMaxLength(static_cast<int>(kPrototypeNameCap));
    props->addRow(QStringLiteral("Nome:"), name_);
    kind_ = new QComboBox(treeTab);
    kind_->setObjectName(QStringLiteral("cbTipo"));
    for (int k = 1; k <= model::kPrototypeKindCount; ++k) kind_->addItem(Q(model::PrototypeKindCaption(k)));
    props->addRow(QStringLiteral("Tipo:"), kind_);
    quick_ = new QCheckBox(QStringLiteral("accessibile rapidamente"), treeTab);
    quick_->setObjectName(QStringLiteral("cbAccesso"));
    props->addRow(quick_);
    left->addLayout(props);
    treeLay->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    QPushButton* newProto = Button(treeTab, buttons, "btNuovoPrototipo", "Nuovo prototipo");
    QPushButton* newGroup = Button(treeTab, buttons, "btNuovoGruppo", "Nuovo gruppo");
    QPushButton* del = Button(treeTab, buttons, "btElimina", "Elimina selezionato");
    QPushButton* up = Button(treeTab, buttons, "btSu", "Sposta prima");
    QPushButton* down = Button(treeTab, buttons, "btGiu", "Sposta dopo");
    buttons->addSpacing(12);
    QPushButton* load = Button(treeTab, buttons, "btCarica", "Carica...");
    QPushButton* save = Button(treeTab, buttons, "btSalva", "Salva...");
    QPushButton* import = Button(treeTab, buttons, "btAggiungi", "Aggiungi");
    buttons->addStretch();
    treeLay->addLayout(buttons);
    tabs_->addTab(treeTab, QStringLiteral("Prototipi in libreria"));

    // Tab 2: the parameters.
    auto* paramTab = new QWidget(tabs_);
    auto* paramLay = new QVBoxLayout(paramTab);
    params_ = new QTableWidget(0, 2, paramTab);
    params_->setObjectName(QStringLiteral("tbParametri"));
    params_->setHorizontalHeaderLabels({QStringLiteral("Nome"), QStringLiteral("Tipo")});
    params_->horizontalHeader()->setStretchLastSection(true);
    paramLay->addWidget(params_);
    auto* paramButtons = new QHBoxLayout;
    QPushButton* newParam = Button(paramTab, paramButtons, "btNuovoParametro", "Nuovo parametro");
    QPushButton* delParam = Button(paramTab, paramButtons, "btEliminaParametro", "Elimina parametro");
    paramButtons->addStretch();
    paramLay->addLayout(paramButtons);
    tabs_->addTab(paramTab, QStringLiteral("Parametri prototipo"));

    // Tab 3: the attached files.
    auto* fileTab = new QWidget(tabs_);
    auto* fileLay = new QVBoxLayout(fileTab);
    files_ = new QListWidget(fileTab);
    files_->setObjectName(QStringLiteral("lbFile"));
    fileLay->addWidget(files_);
    auto* fileButtons = new QHBoxLayout;
    QPushButton* fromLib = Button(fileTab, fileButtons, "btFileLibreria", "Aggiungi file in lista");
    QPushButton* fromDisk = Button(fileTab, fileButtons, "btFileDisco", "Da disco...");
    QPushButton* detach = Button(fileTab, fileButtons, "btTogli", "Togli dalla lista");
    fileButtons->addStretch();
    fileLay->addLayout(fileButtons);
    tabs_->addTab(fileTab, QStringLiteral("File associati a prototipo"));

    // Tab 4: the HTML prototype with its placeholders.
    auto* htmlTab = new QWidget(tabs_);
    auto* htmlLay = new QVBoxLayout(htmlTab);
    auto* caption = new QLabel(QString::fromUtf8("Scrivere l'HTML. Si usino i pulsanti sotto per inserire file e "
                                                 "parametri definiti nelle altre \"linguette\":"),
                               htmlTab);
    caption->setWordWrap(true);
    htmlLay->addWidget(caption);
    html_ = new QPlainTextEdit(htmlTab);
    html_->setObjectName(QStringLiteral("edHtml"));
    htmlLay->addWidget(html_);
    auto* htmlButtons = new QHBoxLayout;
    auto* placeFile = new QComboBox(htmlTab);
    placeFile->setObjectName(QStringLiteral("cbInserisciFile"));
    auto* placeParam = new QComboBox(htmlTab);
    placeParam->setObjectName(QStringLiteral("cbInserisciParametro"));
    QPushButton* insFile = Button(htmlTab, htmlButtons, "btInserisciFile", "Inserisci file");
    htmlButtons->addWidget(placeFile, 1);
    QPushButton* insParam = Button(htmlTab, htmlButtons, "btInserisciParametro", "Inserisci parametro");
    htmlButtons->addWidget(placeParam, 1);
    htmlLay->addLayout(htmlButtons);
    tabs_->addTab(htmlTab, QStringLiteral("Prototipo Html"));
    // All four tab captions in sight, without the scroll arrows.
    tabs_->setMinimumWidth(tabs_->tabBar()->sizeHint().width() + 8);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    all->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &TFcustomC::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { NodeChosen(); });
    // Leaving a tab writes it into the prototype; the HTML tab offers what the others define.
    connect(tabs_, &QTabWidget::currentChanged, this, [this, placeFile, placeParam](int tab) {
        Collect();
        if (tab != 3) return;
        placeFile->clear();
        for (std::size_t i = 0; i < lib_.edit.files.size(); ++i)
            if (lib_.edit.files[i] != 0) placeFile->addItem(Q(lib_.FileCaption(lib_.edit.files[i])), int(i));
        placeParam->clear();
        for (const model::TProp& p : lib_.edit.parameters.Entries()) placeParam->addItem(Q(p.name));
    });
    connect(insFile, &QPushButton::clicked, this, [this, placeFile] {
        if (placeFile->currentIndex() < 0) return;
        char b[16];
        std::snprintf(b, sizeof b, "!ReCF:%08X", static_cast<unsigned>(placeFile->currentData().toInt()));
        html_->insertPlainText(QString::fromLatin1(b));
    });
    connect(insParam, &QPushButton::clicked, this, [this, placeParam] {
        if (placeParam->currentIndex() >= 0) html_->insertPlainText("!ReCP:" + placeParam->currentText() + "!");
    });
    connect(newProto, &QPushButton::clicked, this, [this] {
        Collect();
        lib_.Tree().Select(TreeNodeOf(lib_.Tree(), tree_->currentItem()));
        if (model::TNYXoggetto* p = lib_.NewPrototype()) {
            lib_.Tree().SelectObject(p->Reference());
            Refill(lib_.Tree().Selected());
        }
    });
    connect(newGroup, &QPushButton::clicked, this, [this] {
        Collect();
        lib_.Tree().Select(TreeNodeOf(lib_.Tree(), tree_->currentItem()));
        Refill(lib_.NewGroup());
    });
    connect(del, &QPushButton::clicked, this, [this] {
        lib_.Tree().Select(TreeNodeOf(lib_.Tree(), tree_->currentItem()));
        if (lib_.DeleteSelected()) Refill();
    });
    const auto move = [this](bool upwards) {
        model::TNYXtreeNode* n = TreeNodeOf(lib_.Tree(), tree_->currentItem());
        if (!n) return;
        lib_.Tree().Select(n);
        if (upwards ? lib_.MoveUp() : lib_.MoveDown()) Refill(n);
    };
    connect(up, &QPushButton::clicked, this, [move] { move(true); });
    connect(down, &QPushButton::clicked, this, [move] { move(false); });
    connect(load, &QPushButton::clicked, this, [this] {
        Collect();
        if (!lib_.AskSaveCurrent()) return;
        const auto f = ChooseFile(this, {TFileRequest::Open, "Carica libreria", {}, {}, kLibraryFilter});
        if (f && lib_.Open(f->file)) Refill();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        Collect();
        const auto f = ChooseFile(this, {TFileRequest::Save, "Salva libreria", {}, "libreria.cus", kLibraryFilter});
        if (f && !lib_.SaveAs(f->file)) platform::ui().Error("Impossibile salvare la libreria");
    });
    connect(import, &QPushButton::clicked, this, [this] { ImportPrototypes(); });
    connect(newParam, &QPushButton::clicked, this, [this] {
        Collect();
        if (!lib_.Edited()) return;
        lib_.edit.parameters.NewParameter();
        ShowPrototype();
    });
    connect(delParam, &QPushButton::clicked, this, [this] {
        Collect();
        const int row = params_->currentRow();
        if (row >= 0 && lib_.edit.parameters.Remove(static_cast<std::size_t>(row))) ShowPrototype();
    });
    connect(fromLib, &QPushButton::clicked, this, [this] {
        if (!lib_.Edited()) return;
        // The library's embedded files, to choose from.
        QDialog pick(this);
        pick.setObjectName(QStringLiteral("TFsceltaFile"));
        pick.setWindowTitle(QStringLiteral("File della libreria"));
        auto* lay = new QVBoxLayout(&pick);
        auto* list = new QListWidget(&pick);
        list->setObjectName(QStringLiteral("lbFileLibreria"));
        model::TNYXset& set = lib_.Library();
        for (std::size_t i = 0; i < set.Count(model::genLink); ++i) {
            const model::TNYXoggetto* f = set.ObjectAt(model::genLink, static_cast<std::int64_t>(i));
            if (!f || f->IsEmpty()) continue;
            auto* item = new QListWidgetItem(Q(f->GetFileName()), list);
            item->setData(Qt::UserRole, f->Reference());
        }
        lay->addWidget(list);
        auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &pick);
        ok->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
        lay->addWidget(ok);
        connect(ok, &QDialogButtonBox::accepted, &pick, &QDialog::accept);
        connect(ok, &QDialogButtonBox::rejected, &pick, &QDialog::reject);
        if (RunDialog(pick) != QDialog::Accepted || !list->currentItem()) return;
        if (lib_.AttachLibraryFile(list->currentItem()->data(Qt::UserRole).toInt())) ShowFiles();
    });
    connect(fromDisk, &QPushButton::clicked, this, [this] {
        if (!lib_.Edited()) return;
        const auto f = ChooseFile(this, {TFileRequest::Open, "Da disco", {}, {}, "Tutti i file (*)"});
        if (f && lib_.AttachDiskFile(f->file)) ShowFiles();
    });
    connect(detach, &QPushButton::clicked, this, [this] {
        QListWidgetItem* item = files_->currentItem();
        if (item && lib_.DetachFile(static_cast<std::size_t>(item->data(Qt::UserRole).toInt()))) ShowFiles();
    });

    Refill();
}

void TFcustomC::Refill(const model::TNYXtreeNode* select) {
    showing_ = true;
    FillTreeView(*tree_, lib_.Tree(), select);
    showing_ = false;
    NodeChosen();
}

void TFcustomC::NodeChosen() {
    if (showing_) return;
    Collect();
    model::TNYXtreeNode* n = TreeNodeOf(lib_.Tree(), tree_->currentItem());
    lib_.Tree().Select(n);
    model::TNYXoggetto* proto = n ? lib_.Tree().NodeObject(*n) : nullptr;
    lib_.Edit(proto && proto->Type() == model::custom ? proto : nullptr);
    ShowPrototype();
}

void TFcustomC::ShowPrototype() {
    showing_ = true;
    model::TNYXoggetto* p = lib_.Edited();
    for (QWidget* w : std::initializer_list<QWidget*>{name_, kind_, quick_, params_, files_, html_}) w->setEnabled(p);
    name_->setText(p ? Q(p->GetName()) : QString());
    kind_->setCurrentIndex(p ? std::clamp(lib_.edit.kind, 1, model::kPrototypeKindCount) - 1 : 0);
    quick_->setChecked(p && lib_.edit.quickAccess);
    params_->setRowCount(0);
    if (p) {
        const auto& entries = lib_.edit.parameters.Entries();
        params_->setRowCount(static_cast<int>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            params_->setItem(int(i), 0, new QTableWidgetItem(Q(entries[i].name)));
            auto* type = new QComboBox(params_);
            for (int t = 1; t < model::kPropTypeCount; ++t) type->addItem(Q(model::PropTypeCaption(t)), t);
            type->setCurrentIndex(std::max(0, type->findData(entries[i].type)));
            params_->setCellWidget(int(i), 1, type);
        }
    }
    html_->setPlainText(p ? Q(lib_.edit.html) : QString());
    showing_ = false;
    ShowFiles();
}

void TFcustomC::ShowFiles() {
    files_->clear();
    if (!lib_.Edited()) return;
    for (std::size_t i = 0; i < lib_.edit.files.size(); ++i) {
        if (lib_.edit.files[i] == 0) continue;  // an entry whose file went
        auto* item = new QListWidgetItem(Q(lib_.FileCaption(lib_.edit.files[i])), files_);
        item->setData(Qt::UserRole, static_cast<int>(i));
    }
}

void TFcustomC::Collect() {
    if (showing_) return;
    model::TNYXoggetto* p = lib_.Edited();
    if (!p) return;
    lib_.edit.kind = kind_->currentIndex() + 1;
    lib_.edit.quickAccess = quick_->isChecked();
    lib_.edit.html = W(html_->toPlainText());
    // The table's names and types, in its order; a name taken twice is made unique.
    model::TPropList params(model::TPropList::Mode::Definition);
    for (int r = 0; r < params_->rowCount(); ++r) {
        const QTableWidgetItem* n = params_->item(r, 0);
        const auto* t = qobject_cast<QComboBox*>(params_->cellWidget(r, 1));
        const std::string name = n ? W(n->text().trimmed()) : std::string();
        params.AddParameter(name.empty() ? model::TPropList::kNewName : name, t ? t->currentData().toInt() : 1);
    }
    lib_.edit.parameters = params;
    const std::string name = W(name_->text().trimmed());
    if (!name.empty() && name != p->GetName()) {
        p->SetName(name.substr(0, kPrototypeNameCap));
        if (QTreeWidgetItem* item = TreeItemOf(*tree_, lib_.Tree().Selected())) item->setText(0, Q(p->GetName()));
    }
    lib_.WriteEdit();
}

void TFcustomC::ImportPrototypes() {
    Collect();
    const auto f = ChooseFile(this, {TFileRequest::Open, "Aggiungi prototipi", {}, {},
                                     "Ipertesti e librerie (*.nyx *.cus);;Tutti i file (*)"});
    if (!f) return;
    const model::TPrototypeLibrary::ImportSource& src = lib_.OpenImportSource(f->file);
    QDialog pick(this);
    pick.setObjectName(QStringLiteral("TFimportaPrototipi"));
    pick.setWindowTitle(QStringLiteral("Aggiungi prototipi"));
    auto* lay = new QVBoxLayout(&pick);
    auto* list = new QListWidget(&pick);
    list->setObjectName(QStringLiteral("lbPrototipi"));
    if (!src.note.empty()) lay->addWidget(new QLabel(QString::fromStdString(src.note), &pick));
    for (const model::TNYXoggetto* p : src.prototypes) {
        auto* item = new QListWidgetItem(Q(p->GetName()), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    lay->addWidget(list);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &pick);
    ok->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    lay->addWidget(ok);
    connect(ok, &QDialogButtonBox::accepted, &pick, &QDialog::accept);
    connect(ok, &QDialogButtonBox::rejected, &pick, &QDialog::reject);
    if (RunDialog(pick) != QDialog::Accepted) return;
    const std::vector<model::TNYXoggetto*> chosen = src.prototypes;
    model::TNYXoggetto* last = nullptr;
    for (int i = 0; i < list->count() && i < static_cast<int>(chosen.size()); ++i) {
        if (list->item(i)->checkState() != Qt::Checked) continue;
        model::TNYXoggetto* copy = nullptr;
        const int r = lib_.Import(*chosen[static_cast<std::size_t>(i)], &copy);
        if ((r == 2 || r == 3) && copy) last = copy;
    }
    if (last) {
        lib_.Tree().SelectObject(last->Reference());
        Refill(lib_.Tree().Selected());
    }
}

void TFcustomC::accept() {
    Collect();
    if (!lib_.Commit()) {
        platform::ui().Error("Impossibile salvare la libreria");
        return;
    }
    QDialog::accept();
}

// --- the component window ------------------------------------------------------------------------

TFcomponente::TFcomponente(std::vector<const model::TNYXoggetto*> prototypes, QWidget* parent)
    : QDialog(parent), prototypes_(std::move(prototypes)) {
    setObjectName(QStringLiteral("TFcomponente"));
    setWindowTitle(QStringLiteral("Componente personalizzato"));
    auto* all = new QVBoxLayout(this);
    all->addWidget(new QLabel(QStringLiteral("Prototipo:"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lbPrototipi"));
    for (const model::TNYXoggetto* p : prototypes_) list_->addItem(Q(p->GetName()));
    all->addWidget(list_);
    values_ = new QTableWidget(0, 2, this);
    values_->setObjectName(QStringLiteral("tbValori"));
    values_->setHorizontalHeaderLabels({QStringLiteral("Parametro"), QStringLiteral("Valore")});
    values_->horizontalHeader()->setStretchLastSection(true);
    all->addWidget(values_);
    auto* size = new QFormLayout;
    width_ = new QSpinBox(this);
    width_->setObjectName(QStringLiteral("seLarghezza"));
    width_->setRange(0, 0xFFFF);
    width_->setValue(100);
    height_ = new QSpinBox(this);
    height_->setObjectName(QStringLiteral("seAltezza"));
    height_->setRange(0, 0xFFFF);
    height_->setValue(50);
    percent_ = new QCheckBox(QStringLiteral("Dimensioni in percentuale"), this);
    percent_->setObjectName(QStringLiteral("cbPercentuale"));
    size->addRow(QStringLiteral("Larghezza:"), width_);
    size->addRow(QStringLiteral("Altezza:"), height_);
    size->addRow(percent_);
    all->addLayout(size);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    all->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowParameters(); });
    if (!prototypes_.empty()) list_->setCurrentRow(0);
}

void TFcomponente::ShowParameters() {
    values_->setRowCount(0);
    const model::TNYXoggetto* p = Chosen();
    if (!p) return;
    const model::TPropList params = model::PrototypeParameters(*p);
    values_->setRowCount(static_cast<int>(params.Size()));
    for (std::size_t i = 0; i < params.Size(); ++i) {
        auto* name = new QTableWidgetItem(Q(params.Entries()[i].name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        values_->setItem(int(i), 0, name);
        values_->setItem(int(i), 1, new QTableWidgetItem());
    }
}

void TFcomponente::Choose(const model::TNYXoggetto* prototype) {
    for (std::size_t i = 0; i < prototypes_.size(); ++i)
        if (prototypes_[i] == prototype) list_->setCurrentRow(static_cast<int>(i));
}

const model::TNYXoggetto* TFcomponente::Chosen() const {
    const int row = list_->currentRow();
    return row >= 0 && row < static_cast<int>(prototypes_.size()) ? prototypes_[static_cast<std::size_t>(row)] : nullptr;
}

model::TPropList TFcomponente::Values() const {
    model::TPropList out(model::TPropList::Mode::Value);
    if (const model::TNYXoggetto* p = Chosen()) {
        const model::TPropList defs = model::PrototypeParameters(*p);
        model::TPropList values(model::TPropList::Mode::Definition);
        for (const model::TProp& d : defs.Entries()) values.AddParameter(d.name, d.type);
        values.mode = model::TPropList::Mode::Value;
        for (int r = 0; r < values_->rowCount(); ++r)
            if (const QTableWidgetItem* v = values_->item(r, 1); v && values_->item(r, 0))
                values.SetValue(W(values_->item(r, 0)->text()), W(v->text()));
        out = values;
    }
    return out;
}

int TFcomponente::ComponentWidth() const { return width_->value(); }
int TFcomponente::ComponentHeight() const { return height_->value(); }
bool TFcomponente::Percent() const { return percent_->isChecked(); }

// --- commands ---------------------------------------------------------------------------------------

bool ShowPrototypeLibrary(TMainForm& form) {
    if (form.MainDocument().Busy()) return false;
    model::TPrototypeLibrary lib(form.MainDocument().Library());
    lib.editedHypertext = &form.Document();
    lib.Tree().Reload();  // the groups as the library stores them (a root alone when it has none)
    TFcustomC dlg(lib, &form);
    return RunDialog(dlg) == QDialog::Accepted;
}

bool InsertCustomComponent(TMainForm& form, const model::TNYXoggetto* preselected) {
    richtext::ui::TNYXpageView* view = form.PageView();
    if (!view || view->ReadOnly() || !view->Session().WorkingCopy() || form.MainDocument().RefuseEdit()) return false;
    // The hypertext's own prototypes first (used as they are), then the library's.
    std::vector<const model::TNYXoggetto*> prototypes;
    for (model::TNYXset* set : {&form.Document(), &form.MainDocument().Library()})
        for (std::size_t i = 0; i < set->Count(model::custom); ++i) {
            const model::TNYXoggetto* p = set->ObjectAt(model::custom, static_cast<std::int64_t>(i));
            if (p && !p->IsEmpty()) prototypes.push_back(p);
        }
    if (prototypes.empty()) {
        platform::ui().Information("La libreria non contiene prototipi: crearli con \"Componenti personalizzati (librerie)...\".");
        return false;
    }
    TFcomponente dlg(prototypes, &form);
    if (preselected) dlg.Choose(preselected);
    if (RunDialog(dlg) != QDialog::Accepted || !dlg.Chosen()) return false;
    auto comp = model::MakeCustomComponent(form.Document(), *dlg.Chosen(), dlg.Values(), dlg.ComponentWidth(),
                                           dlg.ComponentHeight(), dlg.Percent());
    if (!comp) {
        platform::ui().Error("Errore importando un prototipo");
        return false;
    }
    if (!present::InsertMadeObject(view->Box(), view->Editing(), *comp)) return false;
    view->Session().Changed();
    form.UpdateEditCommands();
    return true;
}

void RebuildQuickComponents(TMainForm& form) {
    QAction* command = form.Command("actComponente");
    if (!command) return;
    model::TPrototypeLibrary lib(form.MainDocument().Library());
    const std::vector<model::TNYXoggetto*> quick = lib.QuickAccess();
    for (QObject* o : command->associatedObjects()) {
        auto* menu = qobject_cast<QMenu*>(o);
        if (!menu) continue;
        for (QAction* a : menu->actions())
            if (a->property("quickComponent").isValid()) {
                menu->removeAction(a);
                a->deleteLater();
            }
        // The library's quick-access prototypes, then a separator, then the command.
        TMainForm* f = &form;
        for (model::TNYXoggetto* p : quick) {
            auto* a = new QAction(Q(p->GetName()), menu);
            a->setProperty("quickComponent", p->Reference());
            a->setEnabled(command->isEnabled());
            const std::int32_t ref = p->Reference();
            QObject::connect(a, &QAction::triggered, f, [f, ref] {
                InsertCustomComponent(*f, f->MainDocument().Library().ObjectByRef(ref));
            });
            menu->insertAction(command, a);
        }
        if (!quick.empty()) {
            QAction* sep = menu->insertSeparator(command);
            sep->setProperty("quickComponent", -1);
        }
    }
}

void AddPrototypeCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    handlers["actLibrerie"] = [f] {
        ShowPrototypeLibrary(*f);
        RebuildQuickComponents(*f);
    };
    handlers["actComponente"] = [f] { InsertCustomComponent(*f); };
}

}  // namespace shell::ui
