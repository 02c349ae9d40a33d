#include "shell/ui/NewHypertextDialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "platform/text.h"
#include "shell/MainDocument.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

}  // namespace

TFnuovoIpertesto::TFnuovoIpertesto(std::vector<THypertextModel> models, QWidget* parent)
    : QDialog(parent), models_(std::move(models)) {
    setObjectName(QStringLiteral("TFnuovoIpertesto"));
    setWindowTitle(QStringLiteral("Nuovo ipertesto"));
    auto* all = new QVBoxLayout(this);
    all->addWidget(new QLabel(QStringLiteral("Modello:"), this));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lbModelli"));
    for (const THypertextModel& m : models_) list_->addItem(Q(m.name));
    all->addWidget(list_);
    description_ = new QLabel(this);
    description_->setObjectName(QStringLiteral("lbDescrizione"));
    description_->setWordWrap(true);
    description_->setMinimumHeight(40);
    all->addWidget(description_);
    auto* form = new QFormLayout;
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("edTitolo"));
    title_->setMaxLength(79);
    title_->setPlaceholderText(QStringLiteral("Senza titolo"));
    form->addRow(QStringLiteral("Titolo dell'ipertesto:"), title_);
    all->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    all->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowDescription(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    if (!models_.empty()) list_->setCurrentRow(0);
}

void TFnuovoIpertesto::ShowDescription() {
    const THypertextModel* m = Chosen();
    description_->setText(m ? Q(m->description) : QString());
}

const THypertextModel* TFnuovoIpertesto::Chosen() const {
    const int row = list_->currentRow();
    return row >= 0 && row < static_cast<int>(models_.size()) ? &models_[static_cast<std::size_t>(row)] : nullptr;
}

std::string TFnuovoIpertesto::Title() const {
    return platform::text::Utf8ToCp1252(title_->text().trimmed().toStdString());
}

bool NewHypertextFromModel(TMainForm& form) {
    if (form.MainDocument().Busy()) return false;
    TFnuovoIpertesto dlg(HypertextModels(form.Paths()), &form);
    if (RunDialog(dlg) != QDialog::Accepted || !dlg.Chosen()) return false;
    const THypertextModel chosen = *dlg.Chosen();
    return form.MainDocument().NewFromChosenModel(chosen, dlg.Title());
}

}  // namespace shell::ui
