#include "present/ui/FrameDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"

namespace present::ui {

namespace {
QString FromCp(std::string_view cp) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp)); }
}  // namespace

TFproprietaCornici::TFproprietaCornici(model::TNYXset& set, std::int32_t page, const std::filesystem::path& dataFolder,
                                       QWidget* parent)
    : QDialog(parent),
      set_(set),
      choices_(std::make_unique<TFramePropertiesChoices>(set, page)),
      models_(ListFrameModels(dataFolder)) {
    setObjectName(QStringLiteral("TFproprietaCornici"));
    setWindowTitle(QStringLiteral("Proprietà insieme cornici"));
    resize(760, 480);
    auto* tabs = new QTabWidget(this);

    // --- the frames and the fields of the one picked ------------------------------
    auto* advanced = new QWidget(tabs);
    preview_ = new TInsiemeCornici(advanced);
    preview_->setObjectName(QStringLiteral("fsAnteprima"));
    preview_->setMinimumSize(360, 300);
    preview_->SetShowFramesOnly(true, &choices_->Layout());
    preview_->onClickFrame = [this](TNonVisCornice& f) {
        choices_->Select(&f);
        ShowFields();
    };
    preview_->onFrameSetChanged = [this] { ShowFields(); };
    auto* fields = new QFormLayout;
    border_ = new QCheckBox(QStringLiteral("bordino"), advanced);
    border_->setObjectName(QStringLiteral("cbBordino"));
    scrolling_ = new QCheckBox(QStringLiteral("scrolling"), advanced);
    scrolling_->setObjectName(QStringLiteral("cbScrolling"));
    resizable_ = new QCheckBox(QStringLiteral("Permetti dimens. cornice"), advanced);
    resizable_->setObjectName(QStringLiteral("cbDimensiona"));
    between_ = new QSpinBox(advanced);
    between_->setObjectName(QStringLiteral("seBordo"));
    between_->setRange(0, 255);
    name_ = new QLineEdit(advanced);
    name_->setObjectName(QStringLiteral("edNome"));
    name_->setMaxLength(19);
    percent_ = new QRadioButton(QStringLiteral("percentuale"), advanced);
    percent_->setObjectName(QStringLiteral("rbPercentuale"));
    fixed_ = new QRadioButton(QStringLiteral("fissa"), advanced);
    fixed_->setObjectName(QStringLiteral("rbFissa"));
    free_ = new QRadioButton(QStringLiteral("libera"), advanced);
    free_->setObjectName(QStringLiteral("rbLibera"));
    auto* rules = new QButtonGroup(advanced);
    rules->addButton(percent_);
    rules->addButton(fixed_);
    rules->addButton(free_);
    size_ = new QSpinBox(advanced);
    size_->setObjectName(QStringLiteral("seDimensione"));
    size_->setRange(0, 10000);
    existing_ = new QRadioButton(QStringLiteral("scegli fra esistenti"), advanced);
    existing_->setObjectName(QStringLiteral("rbEsistente"));
    master_ = new QRadioButton(QStringLiteral("master"), advanced);
    master_->setObjectName(QStringLiteral("rbMaster"));
    fresh_ = new QRadioButton(QStringLiteral("nuova"), advanced);
    fresh_->setObjectName(QStringLiteral("rbNuova"));
    auto* pageChoice = new QButtonGroup(advanced);
    pageChoice->addButton(existing_);
    pageChoice->addButton(master_);
    pageChoice->addButton(fresh_);
    pages_ = new QComboBox(advanced);
    pages_->setObjectName(QStringLiteral("cbPagine"));
    otherPage_ = new QComboBox(this);
    otherPage_->setObjectName(QStringLiteral("cbAltraPagina"));
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        const QString label = QStringLiteral("%1 (%2)").arg(FromCp(p->GetName())).arg(i);
        pages_->addItem(label, static_cast<qlonglong>(i));
        if (static_cast<std::int32_t>(i) != page) otherPage_->addItem(label, static_cast<qlonglong>(i));
    }
    auto* ruleRow = new QHBoxLayout;
    ruleRow->addWidget(percent_);
    ruleRow->addWidget(fixed_);
    ruleRow->addWidget(free_);
    auto* pageRow = new QVBoxLayout;
    pageRow->addWidget(existing_);
    pageRow->addWidget(pages_);
    pageRow->addWidget(master_);
    pageRow->addWidget(fresh_);
    fields->addRow(border_);
    fields->addRow(scrolling_);
    fields->addRow(resizable_);
    fields->addRow(QStringLiteral("Bordo fra cornici"), between_);
    fields->addRow(QStringLiteral("Nome:"), name_);
    fields->addRow(QStringLiteral("Dimensione"), ruleRow);
    fields->addRow(QString(), size_);
    fields->addRow(QStringLiteral("Pagina in cornice:"), pageRow);
    auto* advancedLayout = new QHBoxLayout(advanced);
    advancedLayout->addWidget(preview_, 1);
    advancedLayout->addLayout(fields);
    tabs->addTab(advanced, QStringLiteral("Gestione avanzata cornici"));

    // --- models and copies --------------------------------------------------------------
    auto* other = new QWidget(tabs);
    modelList_ = new QListWidget(other);
    modelList_->setObjectName(QStringLiteral("lbModelli"));
    for (const TFrameModel& m : models_) modelList_->addItem(QString::fromStdString(m.name));
    auto* loadModel = new QPushButton(QStringLiteral("Carica da modello"), other);
    loadModel->setObjectName(QStringLiteral("btCaricaModello"));
    alsoNonMaster_ = new QCheckBox(QStringLiteral("Copia anche cornici non master"), other);
    alsoNonMaster_->setObjectName(QStringLiteral("cbNonMaster"));
    auto* copy = new QPushButton(QStringLiteral("Copia da altra pagina"), other);
    copy->setObjectName(QStringLiteral("btCopia"));
    auto* otherLayout = new QVBoxLayout(other);
    otherLayout->addWidget(modelList_);
    otherLayout->addWidget(loadModel);
    otherLayout->addSpacing(12);
    otherLayout->addWidget(otherPage_);
    otherLayout->addWidget(alsoNonMaster_);
    otherLayout->addWidget(copy);
    tabs->addTab(other, QStringLiteral("Modelli e copie"));

    auto* undo = new QPushButton(QStringLiteral("Undo"), this);
    undo->setObjectName(QStringLiteral("btUndo"));
    auto* none = new QPushButton(QStringLiteral("No cornici"), this);
    none->setObjectName(QStringLiteral("btNoCornici"));
    auto* save = new QPushButton(QStringLiteral("Salva..."), this);
    save->setObjectName(QStringLiteral("btSalva"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(undo);
    bottom->addWidget(none);
    bottom->addWidget(save);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* all = new QVBoxLayout(this);
    all->addWidget(tabs);
    all->addLayout(bottom);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(loadModel, &QPushButton::clicked, this, [this] {
        const int row = modelList_->currentRow();
        if (row < 0 || row >= static_cast<int>(models_.size())) return;
        choices_->LoadModel(models_[static_cast<std::size_t>(row)].file);
        Rebuilt();
    });
    connect(copy, &QPushButton::clicked, this, [this] {
        if (otherPage_->currentIndex() < 0) return;
        choices_->CopyFromPage(static_cast<std::int32_t>(otherPage_->currentData().toLongLong()),
                               alsoNonMaster_->isChecked());
        Rebuilt();
    });
    connect(undo, &QPushButton::clicked, this, [this] {
        choices_->Undo();
        Rebuilt();
    });
    connect(none, &QPushButton::clicked, this, [this] {
        choices_->NoFrames();
        Rebuilt();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        if (!chooseSaveFile) return;
        if (auto file = chooseSaveFile()) choices_->SaveTo(*file);
    });
    for (QCheckBox* c : {border_, scrolling_, resizable_})
        connect(c, &QCheckBox::toggled, this, [this] { TakeFields(); });
    for (QRadioButton* r : {percent_, fixed_, free_, existing_, master_, fresh_})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on) TakeFields();
        });
    connect(between_, qOverload<int>(&QSpinBox::valueChanged), this, [this] { TakeFields(); });
    connect(size_, qOverload<int>(&QSpinBox::valueChanged), this, [this] { TakeFields(); });
    connect(name_, &QLineEdit::editingFinished, this, [this] { TakeFields(); });
    connect(pages_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        if (existing_->isChecked()) TakeFields();
    });
    ShowFields();
}

TFproprietaCornici::~TFproprietaCornici() {
    // The preview shows the choices' layout: it lets go of it first.
    preview_->SetShowFramesOnly(false);
}

void TFproprietaCornici::Rebuilt() {
    preview_->ClickFrame(nullptr);
    preview_->Layout().Relayout();
    ShowFields();
}

void TFproprietaCornici::ShowFields() {
    loading_ = true;
    const TFrameFields f = choices_->Fields();
    border_->setChecked(f.border);
    scrolling_->setChecked(f.scrolling);
    resizable_->setChecked(f.resizable);
    resizable_->setEnabled(f.canResize);
    between_->setValue(f.between);
    between_->setEnabled(f.hasBetween);
    name_->setText(FromCp(f.name));
    percent_->setChecked(f.rule == 0);
    fixed_->setChecked(f.rule == 1);
    free_->setChecked(f.rule == 2);
    size_->setMaximum(f.rule == 1 ? 10000 : 100);
    size_->setValue(f.size);
    size_->setEnabled(f.rule != 2 && f.canResize);
    for (QWidget* w : {static_cast<QWidget*>(percent_), static_cast<QWidget*>(fixed_), static_cast<QWidget*>(free_)})
        w->setEnabled(f.canResize);
    existing_->setChecked(f.page == TFramePageChoice::kExisting);
    master_->setChecked(f.page == TFramePageChoice::kMaster);
    fresh_->setChecked(f.page == TFramePageChoice::kNew);
    for (QWidget* w : {static_cast<QWidget*>(existing_), static_cast<QWidget*>(master_), static_cast<QWidget*>(fresh_),
                       static_cast<QWidget*>(pages_)})
        w->setEnabled(f.isLeaf);
    if (f.page == TFramePageChoice::kExisting) {
        const model::TNYXoggetto* p = set_.ObjectByRef(f.pageRef);
        const int i = p ? pages_->findData(static_cast<qlonglong>(p->Index())) : -1;
        if (i >= 0) pages_->setCurrentIndex(i);
    }
    loading_ = false;
}

void TFproprietaCornici::TakeFields() {
    if (loading_) return;
    TFrameFields f = choices_->Fields();
    f.border = border_->isChecked();
    f.scrolling = scrolling_->isChecked();
    f.resizable = resizable_->isChecked();
    f.between = between_->value();
    f.name = platform::text::Utf8ToCp1252(name_->text().toStdString());
    f.rule = fixed_->isChecked() ? 1 : free_->isChecked() ? 2 : 0;
    f.size = size_->value();
    f.page = existing_->isChecked() ? TFramePageChoice::kExisting
             : fresh_->isChecked()  ? TFramePageChoice::kNew
                                    : TFramePageChoice::kMaster;
    if (f.page == TFramePageChoice::kExisting && pages_->currentIndex() >= 0)
        f.pageRef = model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(pages_->currentData().toLongLong()));
    choices_->SetFields(f);
    preview_->update();
    ShowFields();
}

bool TFproprietaCornici::Apply() { return choices_->Apply(); }

}  // namespace present::ui
