#include "shell/ui/LinkDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QVBoxLayout>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace shell::ui {

namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string Cp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

}  // namespace

TFlink::TFlink(QWidget* parent, model::TNYXset& set, const TLinkChoices& start, bool special)
    : QDialog(parent), set_(set), special_(special) {
    setObjectName(QStringLiteral("TFlink"));
    setWindowTitle(special ? QStringLiteral("Collegamento speciale") : QStringLiteral("Collegamento"));
    auto* form = new QFormLayout;
    if (special) {
        specialKind_ = new QComboBox(this);
        specialKind_->setObjectName(QStringLiteral("specialKind"));
        const std::pair<const char*, int> kinds[] = {{"pagina precedente", model::linkrec::kPreviousPage},
                                                     {"pagina successiva", model::linkrec::kNextPage},
                                                     {"chiudi finestra", model::linkrec::kCloseWindow},
                                                     {"finestra parole chiave", model::linkrec::kKeywords},
                                                     {"importazione automatica", model::linkrec::kAutoImport}};
        for (const auto& [text, sub] : kinds) specialKind_->addItem(QString::fromUtf8(text), sub);
        const int at = specialKind_->findData(start.kind == TLinkKind::special ? start.special : 4);
        specialKind_->setCurrentIndex(at < 0 ? 0 : at);
        form->addRow(QStringLiteral("Collegamento a:"), specialKind_);
        import_ = new QLineEdit(Q(start.importText), this);
        import_->setObjectName(QStringLiteral("importText"));
        form->addRow(QStringLiteral("Testo da importare:"), import_);
    } else {
        kind_ = new QComboBox(this);
        kind_->setObjectName(QStringLiteral("kind"));
        kind_->addItem(QStringLiteral("Pagina di questo ipertesto"));
        kind_->addItem(QStringLiteral("Indirizzo (URL o mailto:)"));
        kind_->addItem(QStringLiteral("Pagina di un altro ipertesto"));
        kind_->setCurrentIndex(start.kind == TLinkKind::special ? 0 : static_cast<int>(start.kind));
        form->addRow(QStringLiteral("Tipo:"), kind_);
        search_ = new QLineEdit(this);
        search_->setObjectName(QStringLiteral("search"));
        search_->setPlaceholderText(QStringLiteral("Cerca per titolo"));
        form->addRow(QStringLiteral("Cerca:"), search_);
        pages_ = new QListWidget(this);
        pages_->setObjectName(QStringLiteral("pages"));
        form->addRow(QStringLiteral("Pagina:"), pages_);
        anchor_ = new QSpinBox(this);
        anchor_->setObjectName(QStringLiteral("anchor"));
        anchor_->setRange(-1, 1000000);
        anchor_->setSpecialValueText(QStringLiteral("nessuna"));
        anchor_->setValue(start.anchor);
        form->addRow(QStringLiteral("Ancora:"), anchor_);
        address_ = new QLineEdit(Q(start.address), this);
        address_->setObjectName(QStringLiteral("address"));
        form->addRow(QStringLiteral("Indirizzo:"), address_);
        file_ = new QLineEdit(Q(start.file), this);
        file_->setObjectName(QStringLiteral("file"));
        form->addRow(QStringLiteral("File ipertesto:"), file_);
        foreignPage_ = new QSpinBox(this);
        foreignPage_->setObjectName(QStringLiteral("foreignPage"));
        foreignPage_->setRange(-1, 16777215);
        foreignPage_->setSpecialValueText(QStringLiteral("pagina iniziale"));
        foreignPage_->setValue(static_cast<int>(start.foreignPage));
        form->addRow(QStringLiteral("Pagina dell'ipertesto:"), foreignPage_);
        shows_ = new QComboBox(this);
        shows_->setObjectName(QStringLiteral("shows"));
        shows_->addItem(QStringLiteral("la pagina singola"));
        shows_->addItem(QStringLiteral("l'insieme cornici"));
        shows_->setCurrentIndex(start.shows);
        form->addRow(QStringLiteral("Mostra:"), shows_);
        mode_ = new QComboBox(this);
        mode_->setObjectName(QStringLiteral("mode"));
        for (const std::string& m : OpenModeNames()) mode_->addItem(QString::fromStdString(platform::text::Cp1252ToUtf8(m)));
        mode_->setCurrentIndex(start.openMode);
        form->addRow(QStringLiteral("Apertura:"), mode_);
        FillPages({});
        for (int i = 0; i < pages_->count(); ++i)
            if (pages_->item(i)->data(Qt::UserRole).toLongLong() == start.page) pages_->setCurrentRow(i);
        connect(search_, &QLineEdit::textChanged, this, [this](const QString& f) { FillPages(f); });
    }
    window_ = new QLineEdit(Q(start.windowName), this);
    window_->setObjectName(QStringLiteral("window"));
    form->addRow(QStringLiteral("Nome finestra:"), window_);
    // What lists and hints will say of the link, kept up to date as the choices change.
    description_ = new QLabel(this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setWordWrap(true);
    description_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Descrizione:"), description_);
    const auto update = [this] { UpdateDescription(); };
    for (QComboBox* c : {kind_, shows_, mode_, specialKind_})
        if (c) connect(c, &QComboBox::currentIndexChanged, this, update);
    for (QLineEdit* e : {address_, file_, window_, import_})
        if (e) connect(e, &QLineEdit::textChanged, this, update);
    for (QSpinBox* b : {anchor_, foreignPage_})
        if (b) connect(b, &QSpinBox::valueChanged, this, update);
    if (pages_) connect(pages_, &QListWidget::currentRowChanged, this, update);
    UpdateDescription();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TFlink::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TFlink::reject);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(buttons);
}

void TFlink::FillPages(const QString& filter) {
    const std::int64_t keep = pages_->currentItem() ? pages_->currentItem()->data(Qt::UserRole).toLongLong() : -1;
    pages_->clear();
    for (std::int64_t slot : PagesByTitle(set_, Cp(filter))) {
        const model::TNYXoggetto* p = set_.ObjectAt(model::testoHtml, slot);
        auto* item = new QListWidgetItem(Q(p->GetName()) + QStringLiteral(" (%1)").arg(slot), pages_);
        item->setData(Qt::UserRole, static_cast<qlonglong>(slot));
        if (slot == keep) pages_->setCurrentItem(item);
    }
    // A search that leaves one page chooses it.
    if (!pages_->currentItem() && pages_->count() == 1 && !filter.isEmpty()) pages_->setCurrentRow(0);
}

void TFlink::UpdateDescription() {
    const std::string d = LinkDescription(set_, Choices());
    description_->setText(d.empty() ? QStringLiteral("-") : Q(d));
}

QString TFlink::DescriptionShown() const { return description_->text(); }

TLinkChoices TFlink::Choices() const {
    TLinkChoices c;
    c.windowName = Cp(window_->text());
    if (special_) {
        c.kind = TLinkKind::special;
        c.special = static_cast<std::uint8_t>(specialKind_->currentData().toInt());
        c.importText = Cp(import_->text());
        return c;
    }
    c.kind = static_cast<TLinkKind>(kind_->currentIndex());
    c.page = pages_->currentItem() ? pages_->currentItem()->data(Qt::UserRole).toLongLong() : -1;
    c.anchor = anchor_->value();
    c.address = Cp(address_->text().trimmed());
    c.file = Cp(file_->text().trimmed());
    c.foreignPage = foreignPage_->value();
    c.shows = static_cast<std::uint8_t>(shows_->currentIndex());
    c.openMode = static_cast<std::uint8_t>(mode_->currentIndex());
    return c;
}

void TFlink::accept() {
    const std::string why = CheckLinkChoices(set_, Choices());
    if (!why.empty()) {
        platform::ui().Warning(why);
        return;
    }
    QDialog::accept();
}

}  // namespace shell::ui
