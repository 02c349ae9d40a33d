#include "present/ui/PrintDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"

namespace present::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

model::TNYXoggetto* PageAt(model::TNYXset& set, std::int32_t slot) {
    model::TNYXoggetto* p = slot >= 0 ? set.ObjectAt(model::testoHtml, slot) : nullptr;
    return p && !p->IsEmpty() ? p : nullptr;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// A read-only preview of the hypertext that follows links and keeps its own
// history ("Indietro").
TInsiemeCornici* MakePreview(model::TNYXset& set, const char* name, QWidget* parent) {
    auto* preview = new TInsiemeCornici(parent);
    preview->setObjectName(QString::fromLatin1(name));
    preview->setMinimumSize(360, 300);
    preview->saveOnExit = false;
    preview->SetLinkedNYXset(&set);
    preview->SetReadOnly(true);
    preview->SetAutoJump(true);
    return preview;
}

const char* const kExplanation =
    "E' possibile definire l'ordine in cui le pagine verranno stampate, anche tramite capitoli.\r\n"
    "Questo ordine viene salvato, e serve ai lettori per stampare facilmente tutto l'ipertesto.";

}  // namespace

TFprint::TFprint(model::TNYXset& set, std::int32_t current, bool orderMode, QWidget* parent)
    : QDialog(parent),
      set_(set),
      current_(current),
      orderMode_(orderMode),
      tree_(std::make_unique<model::TNYXorderedTree>(&set, model::testoHtml)) {
    setObjectName(QStringLiteral("TFprint"));
    setWindowTitle(orderMode ? QStringLiteral("Ordine predefinito pagine; Capitoli;") : QStringLiteral("Stampa"));
    resize(820, 560);
    // Reading the order stores the default tree where none is stored yet:
    // that alone is no change of the author's.
    const bool modified = set.Modified();
    tree_->Reload();
    if (!modified) set.SetModified(false);
    storedOrder_ = tree_->StoredForm();
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));

    // --- "Stampa pagine" ------------------------------------------------------------------
    auto* pagesTab = new QWidget(tabs_);
    listView_ = new QTreeWidget(pagesTab);
    listView_->setObjectName(QStringLiteral("lvPagine"));
    listView_->setHeaderLabels({QStringLiteral("Nome")});
    listView_->setRootIsDecorated(false);
    listView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    preview_ = MakePreview(set_, "fsAnteprima", pagesTab);
    preview_->onPageChanged = [this] { PreviewChanged(); };
    auto* del = new QShortcut(QKeySequence::Delete, listView_);
    del->setContext(Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] { RemoveSelected(); });
    connect(listView_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (!PreviewOnClick() || !item) return;
        ShowInPreview(static_cast<std::int32_t>(item->data(0, Qt::UserRole).toInt()));
    });
    auto* all = Button("Tutte, in ordine predefinito", "btTutte", pagesTab);
    auto* cur = Button("Corrente", "btCorrente", pagesTab);
    auto* right = Button("Aggiungi pagina a destra", "btAggiungi", pagesTab);
    auto* before = Button("Sposta prima", "btPrima", pagesTab);
    auto* after = Button("Sposta dopo", "btDopo", pagesTab);
    auto* bin = Button("Cestina selezionata", "btCestina", pagesTab);
    connect(all, &QPushButton::clicked, this, [this] { AllInOrder(); });
    connect(cur, &QPushButton::clicked, this, [this] { AddCurrent(); });
    connect(right, &QPushButton::clicked, this, [this] { AddPreviewPage(); });
    connect(before, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(after, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(bin, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    auto* back = Button("Indietro", "btIndietro", pagesTab);
    auto* cover = Button("Copertina", "btCopertina", pagesTab);
    auto* contents = Button("Sommario", "btSommario", pagesTab);
    auto* editing = Button("Pagina in modifica", "btInModifica", pagesTab);
    connect(back, &QPushButton::clicked, this, [this] { preview_->GoBack(); });
    connect(cover, &QPushButton::clicked, this, [this] { ShowInPreview(set_.HInt(model::hdr::kCoverPage)); });
    connect(contents, &QPushButton::clicked, this, [this] { ShowInPreview(set_.HInt(model::hdr::kContentsPage)); });
    connect(editing, &QPushButton::clicked, this, [this] { ShowInPreview(current_); });
    addTouched_ = new QCheckBox(QStringLiteral("Aggiungi in lista tutte le pagine toccate navigando"), pagesTab);
    addTouched_->setObjectName(QStringLiteral("cbToccate"));
    addTouched_->setChecked(true);
    previewOnClick_ = new QCheckBox(QStringLiteral("preview al clic sulla lista"), pagesTab);
    previewOnClick_->setObjectName(QStringLiteral("cbClicPreview"));
    previewOnClick_->setChecked(true);
    connect(previewOnClick_, &QCheckBox::toggled, this, [this](bool on) {
        if (onPreviewOnClickChanged) onPreviewOnClickChanged(on);
    });
    destination_ = new QComboBox(pagesTab);
    destination_->setObjectName(QStringLiteral("cbDestinazione"));
    for (const QString& name : QPrinterInfo::availablePrinterNames()) destination_->addItem(name, 0);
    destination_->addItem(QStringLiteral("File PDF"), 1);
    destination_->addItem(QStringLiteral("File PDF numerati (uno per pagina)"), 2);
    file_ = new QLineEdit(pagesTab);
    file_->setObjectName(QStringLiteral("edFile"));
    auto* browse = Button("Sfoglia...", "btSfoglia", pagesTab);
    connect(browse, &QPushButton::clicked, this, [this] {
        if (!choosePdf) return;
        if (auto f = choosePdf()) file_->setText(QString::fromStdString(f->string()));
    });
    auto updateFile = [this, browse] {
        const bool toFile = destination_->currentData().toInt() != 0;
        file_->setEnabled(toFile);
        browse->setEnabled(toFile);
    };
    connect(destination_, &QComboBox::currentIndexChanged, this, updateFile);
    updateFile();

    auto* listSide = new QVBoxLayout;
    listSide->addWidget(new QLabel(QStringLiteral("Pagine da stampare:"), pagesTab));
    listSide->addWidget(listView_, 1);
    for (QPushButton* b : {all, cur, right, before, after, bin}) listSide->addWidget(b);
    auto* previewSide = new QVBoxLayout;
    auto* nav = new QHBoxLayout;
    for (QPushButton* b : {back, cover, contents, editing}) nav->addWidget(b);
    previewSide->addLayout(nav);
    previewSide->addWidget(preview_, 1);
    previewSide->addWidget(addTouched_);
    previewSide->addWidget(previewOnClick_);
    auto* top = new QHBoxLayout;
    top->addLayout(listSide, 2);
    top->addLayout(previewSide, 3);
    auto* dest = new QHBoxLayout;
    dest->addWidget(new QLabel(QStringLiteral("Destinazione:"), pagesTab));
    dest->addWidget(destination_);
    dest->addWidget(file_, 1);
    dest->addWidget(browse);
    auto* pagesLayout = new QVBoxLayout(pagesTab);
    pagesLayout->addLayout(top, 1);
    pagesLayout->addLayout(dest);

    // --- "Ordine predefinito" ----------------------------------------------------------------
    auto* orderTab = new QWidget(tabs_);
    treeView_ = new QTreeWidget(orderTab);
    treeView_->setObjectName(QStringLiteral("tvOrdine"));
    treeView_->setHeaderHidden(true);
    treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(treeView_, &QTreeWidget::currentItemChanged, this, [this] { TreeSelectionChanged(); });
    auto* chapter = Button("Aggiungi capitolo", "btCapitolo", orderTab);
    auto* addPage = Button("Aggiungi pagina", "btAggiungiPagina", orderTab);
    auto* choose = Button("Scegli...", "btScegli", orderTab);
    auto* up = Button("Sposta prima", "btSu", orderTab);
    auto* down = Button("Sposta dopo", "btGiu", orderTab);
    auto* expand = Button("Espandi", "btEspandi", orderTab);
    // A chapter or a page put in by mistake comes out again (never the root).
    auto* remove = Button("Elimina", "btElimina", orderTab);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveFromOrder(); });
    auto* delNode = new QShortcut(QKeySequence::Delete, treeView_);
    delNode->setContext(Qt::WidgetShortcut);
    connect(delNode, &QShortcut::activated, this, [this] { RemoveFromOrder(); });
    auto moveNode = [this](bool upwards) {
        model::TNYXtreeNode* n = tree_->Selected();
        if (!n) return;
        if (upwards) tree_->MoveUp(n);
        else tree_->MoveDown(n);
        RefillTree(n);
    };
    connect(chapter, &QPushButton::clicked, this, [this] { AddChapter(); });
    connect(addPage, &QPushButton::clicked, this, [this] { AddPageToOrder(OrderPreviewPage()); });
    connect(choose, &QPushButton::clicked, this, [this] { ChoosePages(); });
    connect(up, &QPushButton::clicked, this, [moveNode] { moveNode(true); });
    connect(down, &QPushButton::clicked, this, [moveNode] { moveNode(false); });
    connect(expand, &QPushButton::clicked, this, [this] { ExpandAll(); });
    connect(treeView_, &QWidget::customContextMenuRequested, this, [=, this](const QPoint& at) {
        QMenu menu(this);
        for (QPushButton* b : {chapter, addPage, choose, up, down, expand, remove})
            menu.addAction(b->text(), b, &QPushButton::click)->setEnabled(b->isEnabled());
        menu.exec(treeView_->viewport()->mapToGlobal(at));
    });
    auto* orderSide = new QVBoxLayout;
    for (QPushButton* b : {chapter, addPage, choose, up, down, expand, remove}) orderSide->addWidget(b);
    orderSide->addStretch();
    addButtons_ = {chapter, addPage, choose};
    orderPreview_ = MakePreview(set_, "fsAnteprimaOrdine", orderTab);
    orderPreview_->setMinimumSize(300, 260);
    auto* orderBack = Button("Indietro", "btIndietroOrdine", orderTab);
    connect(orderBack, &QPushButton::clicked, this, [this] { orderPreview_->GoBack(); });
    auto* explanation = new QLabel(QString::fromLatin1(kExplanation).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), orderTab);
    explanation->setWordWrap(true);
    auto* orderPreviewSide = new QVBoxLayout;
    orderPreviewSide->addWidget(orderBack, 0, Qt::AlignLeft);
    orderPreviewSide->addWidget(orderPreview_, 1);
    auto* orderRow = new QHBoxLayout;
    orderRow->addWidget(treeView_, 2);
    orderRow->addLayout(orderSide);
    orderRow->addLayout(orderPreviewSide, 3);
    auto* orderLayout = new QVBoxLayout(orderTab);
    orderLayout->addWidget(explanation);
    orderLayout->addLayout(orderRow, 1);

    // --- "Opzioni" ---------------------------------------------------------------------------
    auto* optionsTab = new QWidget(tabs_);
    background_ = new QCheckBox(QStringLiteral("sfondo"), optionsTab);
    background_->setObjectName(QStringLiteral("cbSfondo"));
    tableBackgrounds_ = new QCheckBox(QStringLiteral("sfondo tabelle"), optionsTab);
    tableBackgrounds_->setObjectName(QStringLiteral("cbSfondoTabelle"));
    scale_ = new QSpinBox(optionsTab);
    scale_->setObjectName(QStringLiteral("seScala"));
    scale_->setRange(kMinPictureScale, kMaxPictureScale);
    scale_->setValue(kDefaultPictureScale);
    auto* form = new QFormLayout(optionsTab);
    form->addRow(background_);
    form->addRow(tableBackgrounds_);
    form->addRow(QStringLiteral("Scala immagini:"), scale_);

    if (!orderMode_) tabs_->addTab(pagesTab, QStringLiteral("Stampa pagine"));
    tabs_->addTab(orderTab, QStringLiteral("Ordine predefinito"));
    if (!orderMode_) tabs_->addTab(optionsTab, QStringLiteral("Opzioni"));
    if (orderMode_) {
        pagesTab->hide();
        optionsTab->hide();
    }

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("pbStampa"));
    progress_->setVisible(false);
    stop_ = new QPushButton(QStringLiteral("&Ferma"), this);
    stop_->setObjectName(QStringLiteral("btFerma"));
    stop_->setVisible(false);
    connect(stop_, &QPushButton::clicked, this, [this] { StopPrinting(); });
    auto* buttons = new QDialogButtonBox(this);
    buttons_ = buttons;
    if (orderMode_) {
        auto* ok = buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
        ok->setObjectName(QStringLiteral("btOk"));
        connect(ok, &QPushButton::clicked, this, [this] {
            StoreOrder();
            accept();
        });
    } else {
        auto* print = buttons->addButton(QStringLiteral("&Stampa"), QDialogButtonBox::AcceptRole);
        print->setObjectName(QStringLiteral("btStampa"));
        connect(print, &QPushButton::clicked, this, [this] {
            if (Print()) accept();
        });
    }
    auto* cancel = buttons->addButton(QStringLiteral("A&nnulla"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btAnnulla"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(stop_);
    layout->addLayout(progressRow);
    layout->addWidget(buttons);

    RefillTree();
    const std::int32_t first = PageAt(set_, current_) ? current_ : set_.HInt(model::hdr::kCoverPage);
    if (!orderMode_) ShowInPreview(first);
    // The order tab starts on the page being edited, selected in the tree
    // when it is there.
    if (!SelectInOrder(first)) ShowInOrderPreview(first);
    UpdateOrderButtons();
    AddPreviewPopup();
}

TFprint::~TFprint() {
    if (popupId_ >= 0) richtext::ui::RemovePopupContributor(popupId_);
}

void TFprint::AddPreviewPopup() {
    // "Prossima slide..." in the pop-up menu of the text of either preview.
    popupId_ = richtext::ui::AddPopupContributor(
        richtext::ui::TPopupPlace::kTop, [this](QMenu& menu, const richtext::ui::TPopupContext& ctx) {
            for (TInsiemeCornici* preview : {preview_, orderPreview_}) {
                if (!preview->isAncestorOf(&ctx.box)) continue;
                QAction* next = menu.addAction(QStringLiteral("Prossima slide..."));
                next->setObjectName(QStringLiteral("pmProssimaSlide"));
                next->setEnabled(NextSlideOf(*preview) >= 0);
                connect(next, &QAction::triggered, this, [this, preview] { ShowNextSlide(*preview); });
                return;
            }
        });
}

std::int32_t TFprint::NextSlideOf(const TInsiemeCornici& preview) const {
    const model::TNYXoggetto* page = PageAt(set_, preview.MainPageNumber());
    if (!page) return -1;
    const std::int32_t ref = page->Int(model::pagerec::kNextSlide);
    const model::TNYXoggetto* next = ref == -1 ? nullptr : set_.ObjectByRef(ref);
    if (!next || next->Type() != model::testoHtml || next->IsEmpty()) return -1;
    return static_cast<std::int32_t>(next->Index());
}

bool TFprint::ShowNextSlide(TInsiemeCornici& preview) {
    const std::int32_t next = NextSlideOf(preview);
    if (next < 0) return false;
    if (&preview == preview_) ShowInPreview(next);
    else ShowInOrderPreview(next);
    return true;
}

void TFprint::SetPreviewOnClick(bool on) { previewOnClick_->setChecked(on); }
bool TFprint::PreviewOnClick() const { return previewOnClick_->isChecked(); }

// --- the list --------------------------------------------------------------------------------

void TFprint::RefillList() {
    listView_->clear();
    for (std::int32_t slot : list_.Pages()) {
        const model::TNYXoggetto* p = PageAt(set_, slot);
        auto* item = new QTreeWidgetItem(listView_, {p ? Q(PrintedPageName(*p)) : QStringLiteral("?")});
        item->setData(0, Qt::UserRole, slot);
    }
}

void TFprint::AllInOrder() {
    list_.SetAllInOrder(set_);
    RefillList();
}

void TFprint::AddCurrent() {
    if (PageAt(set_, current_) && list_.Add(current_)) RefillList();
}

void TFprint::AddPreviewPage() {
    const std::int32_t p = PreviewPage();
    if (PageAt(set_, p) && list_.Add(p)) RefillList();
}

void TFprint::SelectRow(int row) {
    if (row >= 0 && row < listView_->topLevelItemCount()) listView_->setCurrentItem(listView_->topLevelItem(row));
}

void TFprint::MoveSelected(int step) {
    QTreeWidgetItem* item = listView_->currentItem();
    if (!item) return;
    const auto i = static_cast<std::size_t>(listView_->indexOfTopLevelItem(item));
    const std::size_t to = step < 0 ? list_.MoveUp(i) : list_.MoveDown(i);
    RefillList();
    SelectRow(static_cast<int>(to));
}

void TFprint::RemoveSelected() {
    std::vector<std::size_t> rows;
    for (QTreeWidgetItem* item : listView_->selectedItems())
        rows.push_back(static_cast<std::size_t>(listView_->indexOfTopLevelItem(item)));
    if (rows.empty())
        if (QTreeWidgetItem* item = listView_->currentItem())
            rows.push_back(static_cast<std::size_t>(listView_->indexOfTopLevelItem(item)));
    list_.Remove(rows);
    RefillList();
}

std::int32_t TFprint::PreviewPage() const { return preview_->MainPageNumber(); }

void TFprint::ShowInPreview(std::int32_t slot) {
    if (!PageAt(set_, slot)) return;
    // Only pages reached by following links are listed by themselves.
    lastPreview_ = slot;
    preview_->ShowPage(slot);
}

void TFprint::PreviewChanged() {
    const std::int32_t p = PreviewPage();
    if (p == lastPreview_) return;
    lastPreview_ = p;
    // Following a link in the preview lists the page it leads to.
    if (followAdds_ && addTouched_->isChecked() && PageAt(set_, p) && list_.Add(p)) RefillList();
}

// --- options and destination -------------------------------------------------------------------

TPrintOptions TFprint::Options() const {
    TPrintOptions o;
    o.pageBackground = background_->isChecked();
    o.tableBackgrounds = tableBackgrounds_->isChecked();
    o.pictureScale = ClampPictureScale(scale_->value());
    return o;
}

void TFprint::SetOptions(const TPrintOptions& o) {
    background_->setChecked(o.pageBackground);
    tableBackgrounds_->setChecked(o.tableBackgrounds);
    scale_->setValue(ClampPictureScale(o.pictureScale));
}

void TFprint::SetPdfFile(const std::filesystem::path& file, bool numbered) {
    destination_->setCurrentIndex(destination_->findData(numbered ? 2 : 1));
    file_->setText(QString::fromStdString(file.string()));
}

TPrintDestination TFprint::Destination() const {
    TPrintDestination d;
    d.paper = paper;
    d.landscape = landscape;
    const int kind = destination_->currentData().toInt();
    if (kind == 0) {
        d.kind = TPrintDestination::kPrinter;
        d.printer = printer;
        if (printer && printer->printerName() != destination_->currentText()) printer->setPrinterName(destination_->currentText());
    } else {
        d.kind = kind == 2 ? TPrintDestination::kNumberedPdf : TPrintDestination::kPdf;
        d.file = file_->text().toStdString();
    }
    return d;
}

// --- running -------------------------------------------------------------------------------------

bool TFprint::StoreOrder() {
    // The hypertext changes only when the order really did.
    if (tree_->StoredForm() == storedOrder_) return false;
    tree_->Store();
    storedOrder_ = tree_->StoredForm();
    set_.SetModified(true);
    orderStored_ = true;
    return true;
}

bool TFprint::Print() {
    if (list_.Empty()) {
        AddPreviewPage();
        if (list_.Empty()) {
            platform::ui().Warning("Nessuna pagina da stampare.");
            return false;
        }
    }
    TPrintDestination d = Destination();
    if (d.kind != TPrintDestination::kPrinter && d.file.empty()) {
        if (!choosePdf) return false;
        auto f = choosePdf();
        if (!f) return false;
        d.file = *f;
        file_->setText(QString::fromStdString(f->string()));
    }
    if (d.kind == TPrintDestination::kPrinter && !d.printer) {
        platform::ui().Error("Nessuna stampante raggiungibile.");
        return false;
    }
    StoreOrder();
    const std::vector<std::int32_t> pages = list_.ToPrint(set_, PreviewPage());
    progress_->setRange(0, static_cast<int>(pages.size()));
    progress_->setValue(0);
    progress_->setVisible(true);
    // While the pages print only "Ferma" answers (and closing the dialog,
    // which stops too): the list, the tabs and the buttons wait.
    printing_ = true;
    stopRequested_ = false;
    tabs_->setEnabled(false);
    buttons_->setEnabled(false);
    stop_->setVisible(true);
    stop_->setEnabled(true);
    report_ = TPrintReport{};
    const bool ok = PrintPages(set_, pages, Options(), margins, d, report_, [this](int done, int) {
        progress_->setValue(done);
        QApplication::processEvents();
        return !stopRequested_;
    });
    const bool stopped = stopRequested_ && !ok && report_.pages > 0;
    printing_ = false;
    stopRequested_ = false;
    stop_->setVisible(false);
    tabs_->setEnabled(true);
    buttons_->setEnabled(true);
    progress_->setVisible(false);
    if (!report_.diagnostics.Empty()) {
        std::string text = "Problemi nel testo delle pagine stampate:";
        for (const std::string& line : report_.diagnostics.Summary()) text += "\n" + line;
        platform::ui().Warning(text);
    }
    if (stopped) {
        platform::ui().Information("Stampa interrotta: " + std::to_string(report_.pages) + " di " +
                                   std::to_string(pages.size()) + " pagine stampate.");
        return false;
    }
    if (!ok) {
        platform::ui().Error(report_.error);
        return false;
    }
    return true;
}

void TFprint::reject() {
    // Closing the dialog while it prints stops the run; it closes after.
    if (printing_) {
        StopPrinting();
        return;
    }
    QDialog::reject();
}

// --- the order tab -----------------------------------------------------------------------------

void TFprint::RefillTree(const model::TNYXtreeNode* select) {
    QSignalBlocker block(treeView_);
    treeView_->clear();
    QTreeWidgetItem* chosen = nullptr;
    std::function<void(QTreeWidgetItem*, const model::TNYXtreeNode&)> add = [&](QTreeWidgetItem* parent,
                                                                               const model::TNYXtreeNode& n) {
        const model::TNYXoggetto* o = tree_->NodeObject(n);
        QString text = o ? Q(PrintedPageName(*o)) : Q(n.text);
        if (n.IsChapter()) text = "[" + text + "]";
        auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(treeView_, {text});
        item->setData(0, Qt::UserRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(&n)));
        if (&n == select) chosen = item;
        for (const auto& c : n.Children()) add(item, *c);
    };
    for (const auto& n : tree_->TopNodes()) add(nullptr, *n);
    treeView_->expandAll();
    if (chosen) treeView_->setCurrentItem(chosen);
    tree_->Select(const_cast<model::TNYXtreeNode*>(select));
    UpdateOrderButtons();
}

void TFprint::TreeSelectionChanged() {
    QTreeWidgetItem* item = treeView_->currentItem();
    auto* n = item ? reinterpret_cast<model::TNYXtreeNode*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
    tree_->Select(n && tree_->Owns(n) ? n : nullptr);
    // A page of the tree shows in the preview beside it.
    if (const model::TNYXtreeNode* s = tree_->Selected())
        if (const model::TNYXoggetto* o = tree_->NodeObject(*s))
            if (o->Type() == model::testoHtml) ShowInOrderPreview(static_cast<std::int32_t>(o->Index()));
    UpdateOrderButtons();
}

void TFprint::UpdateOrderButtons() {
    const model::TNYXtreeNode* s = tree_->Selected();
    const bool canAdd = s && (s->IsRoot() || s->IsChapter());
    for (QPushButton* b : addButtons_) b->setEnabled(canAdd);
}

std::int32_t TFprint::OrderPreviewPage() const { return orderPreview_->MainPageNumber(); }

void TFprint::ShowInOrderPreview(std::int32_t slot) {
    if (PageAt(set_, slot) && slot != orderPreview_->MainPageNumber()) orderPreview_->ShowPage(slot);
}

bool TFprint::SelectInOrder(std::int32_t slot) {
    const model::TNYXoggetto* p = PageAt(set_, slot);
    if (!p) return false;
    for (model::TNYXtreeNode* n : tree_->NodesInOrder())
        if (tree_->NodeObject(*n) == p) {
            RefillTree(n);
            ShowInOrderPreview(slot);
            UpdateOrderButtons();
            return true;
        }
    return false;
}

bool TFprint::AddChapter() {
    model::TNYXtreeNode* n = tree_->AddChapter("Nuovo capitolo");
    if (n) RefillTree(n);
    return n != nullptr;
}

bool TFprint::AddPageToOrder(std::int32_t slot) {
    model::TNYXoggetto* p = PageAt(set_, slot);
    if (!p) return false;
    model::TNYXtreeNode* parent = tree_->Selected();
    model::TNYXtreeNode* n = tree_->AddObject(p->Reference());
    if (n) RefillTree(parent);
    return n != nullptr;
}

void TFprint::ExpandAll() { treeView_->expandAll(); }

bool TFprint::RemoveFromOrder() {
    model::TNYXtreeNode* n = tree_->Selected();
    if (!n || !tree_->DeleteNode(n)) return false;
    RefillTree(tree_->Selected());
    return true;
}

void TFprint::ChoosePages() {
    // "Scegli pagine": every page of the hypertext, several may be chosen.
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("TFscegliPagine"));
    dlg.setWindowTitle(QStringLiteral("Scegli pagine"));
    auto* list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("lbPagine"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (std::size_t i = 0; i < set_.Count(model::testoHtml); ++i)
        if (const model::TNYXoggetto* p = PageAt(set_, static_cast<std::int32_t>(i))) {
            auto* item = new QListWidgetItem(Q(PrintedPageName(*p)), list);
            item->setData(Qt::UserRole, static_cast<int>(i));
        }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    auto* l = new QVBoxLayout(&dlg);
    l->addWidget(list);
    l->addWidget(buttons);
    if ((runDialog ? runDialog(dlg) : dlg.exec()) != QDialog::Accepted) return;
    model::TNYXtreeNode* parent = tree_->Selected();
    for (QListWidgetItem* item : list->selectedItems()) {
        tree_->Select(parent);
        if (model::TNYXoggetto* p = PageAt(set_, item->data(Qt::UserRole).toInt())) tree_->AddObject(p->Reference());
    }
    RefillTree(parent);
}

}  // namespace present::ui
