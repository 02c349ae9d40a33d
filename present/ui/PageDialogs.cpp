#include "present/ui/PageDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/ui/NYXListView.h"

namespace present::ui {

TFnuovaPagina::TFnuovaPagina(std::vector<TFrameModel> models, QWidget* parent)
    : QDialog(parent), models_(std::move(models)) {
    setObjectName(QStringLiteral("TFnuovaPagina"));
    setWindowTitle(QStringLiteral("Nuova pagina"));
    auto* form = new QFormLayout;
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("edTitolo"));
    title_->setMaxLength(71);
    form->addRow(QStringLiteral("Titolo:"), title_);
    model_ = new QComboBox(this);
    model_->setObjectName(QStringLiteral("cbModello"));
    model_->addItem(QStringLiteral("(nessuna)"));
    for (const TFrameModel& m : models_) model_->addItem(QString::fromStdString(m.name));
    form->addRow(QStringLiteral("Disposizione cornici:"), model_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(buttons);
}

std::string TFnuovaPagina::Title() const {
    const std::string t = platform::text::Utf8ToCp1252(title_->text().trimmed().toStdString());
    return t.empty() ? std::string("Senza titolo") : t;
}

std::filesystem::path TFnuovaPagina::Model() const {
    const int i = model_->currentIndex() - 1;
    return i >= 0 && i < static_cast<int>(models_.size()) ? models_[static_cast<std::size_t>(i)].file
                                                          : std::filesystem::path();
}

TFtuttePagine::TFtuttePagine(model::TNYXset& set, std::int64_t current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFtuttePagine"));
    setWindowTitle(QStringLiteral("Tutte le pagine dell'ipertesto"));
    resize(520, 420);
    list_ = new TNYXListView(this);
    list_->setObjectName(QStringLiteral("lvTuttePagine"));
    list_->Objects = model::testoHtml;
    list_->LinkedNYXset = &set;
    list_->Reload();
    if (current >= 0) list_->SelectReference(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(current)));
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem*, int) { accept(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Mostra"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Chiudi"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addWidget(new QLabel(QStringLiteral("%1 pagine").arg(list_->topLevelItemCount()), this));
    all->addWidget(list_);
    all->addWidget(buttons);
}

std::int64_t TFtuttePagine::Chosen() const {
    const model::TNYXoggetto* o = list_->Selected();
    return o && o->Type() == model::testoHtml ? static_cast<std::int64_t>(o->Index()) : -1;
}

}  // namespace present::ui
