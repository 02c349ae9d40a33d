#include "present/ui/TableDialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/TableData.h"

namespace present::ui {
namespace {

QColor ToQColor(std::int32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
std::int32_t FromQColor(const QColor& q) { return q.red() | (q.green() << 8) | (q.blue() << 16); }

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

// Picture files of the hypertext, as background values.
void FillPictures(QComboBox* box, model::TNYXset* set) {
    box->addItem(QStringLiteral("(nessuna)"), -1);
    if (!set) return;
    for (std::size_t i = 0; i < set->Count(model::immagine); ++i) {
        const model::TNYXoggetto* o = set->ObjectAt(model::immagine, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        box->addItem(Q(o->GetName().empty() ? o->GetFileName() : o->GetName()), PictureBackground(static_cast<std::uint32_t>(i)));
    }
}

QSpinBox* Spin(QWidget* parent, const char* name, int lo, int hi, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(lo, hi);
    s->setValue(value);
    return s;
}

QDialogButtonBox* Buttons(QDialog* d) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return buttons;
}

// A 3 x 3 preview of a style's colours.
QIcon StyleIcon(int style, std::int32_t first, std::int32_t second) {
    QPixmap pm(30, 30);
    pm.fill(Qt::white);
    QPainter p(&pm);
    const auto bgs = StyleBackgrounds(style, 3, 3, first, second);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const QRect cell(c * 10, r * 10, 9, 9);
            const std::int32_t v = bgs[static_cast<std::size_t>(r * 3 + c)];
            if (v != -1) p.fillRect(cell, ToQColor(v));
            p.setPen(Qt::gray);
            p.drawRect(cell.adjusted(0, 0, -1, -1));
        }
    return QIcon(pm);
}

}  // namespace

TColourButton::TColourButton(std::int32_t colour, QWidget* parent) : QPushButton(parent), colour_(colour) {
    SetColour(colour);
    connect(this, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(ToQColor(colour_), this);
        if (c.isValid()) SetColour(FromQColor(c));
    });
}

void TColourButton::SetColour(std::int32_t c) {
    colour_ = c & 0xFFFFFF;
    QPixmap pm(24, 12);
    pm.fill(ToQColor(colour_));
    setIcon(QIcon(pm));
}

const char* TableStyleName(int style) {
    static const char* const names[kTableStyles] = {
        "Semplice",
        "Righe pari colorate",
        "Righe alternate",
        "Colonne pari colorate",
        "Colonne alternate",
        "Prima colonna",
        "Ultima colonna",
        "Prima riga e prima colonna",
        "Prima riga e ultima colonna",
        "Ultima riga e ultima colonna",
        "Prima colonna e ultima riga",
        "Ultima colonna e righe pari",
    };
    return style >= 0 && style < kTableStyles ? names[style] : "";
}

TFnuovaTabella::TFnuovaTabella(model::TNYXset* set, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFnuovaTabella"));
    setWindowTitle(QStringLiteral("Nuova tabella"));
    const TNewTableChoices d;
    auto* form = new QFormLayout;
    rows_ = Spin(this, "spRighe", 1, kMaxNewTableRows, d.rows);
    form->addRow(QStringLiteral("Righe:"), rows_);
    columns_ = Spin(this, "spColonne", 1, 50, d.columns);
    form->addRow(QStringLiteral("Colonne:"), columns_);
    first_ = new TColourButton(d.first, this);
    first_->setObjectName(QStringLiteral("btColore1"));
    form->addRow(QStringLiteral("Primo colore:"), first_);
    second_ = new TColourButton(d.second, this);
    second_->setObjectName(QStringLiteral("btColore2"));
    form->addRow(QStringLiteral("Secondo colore:"), second_);
    styles_ = new QListWidget(this);
    styles_->setObjectName(QStringLiteral("lbStili"));
    styles_->setIconSize(QSize(30, 30));
    auto refill = [this] {
        for (int s = 0; s < styles_->count(); ++s) styles_->item(s)->setIcon(StyleIcon(s, first_->Colour(), second_->Colour()));
    };
    for (int s = 0; s < kTableStyles; ++s) styles_->addItem(QString::fromUtf8(TableStyleName(s)));
    styles_->setCurrentRow(0);
    refill();
    connect(first_, &QPushButton::clicked, this, refill);
    connect(second_, &QPushButton::clicked, this, refill);
    form->addRow(QStringLiteral("Stile:"), styles_);
    border_ = new QCheckBox(QStringLiteral("Bordo"), this);
    border_->setObjectName(QStringLiteral("cbBordo"));
    form->addRow(QString(), border_);
    usePicture_ = new QCheckBox(QStringLiteral("Immagine al posto del secondo colore"), this);
    usePicture_->setObjectName(QStringLiteral("cbUsaImmagine"));
    form->addRow(QString(), usePicture_);
    picture_ = new QComboBox(this);
    picture_->setObjectName(QStringLiteral("cbImmagine"));
    FillPictures(picture_, set);
    form->addRow(QStringLiteral("Immagine:"), picture_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(Buttons(this));
}

TNewTableChoices TFnuovaTabella::Choices() const {
    TNewTableChoices c;
    c.rows = rows_->value();
    c.columns = columns_->value();
    c.style = std::max(0, styles_->currentRow());
    c.border = border_->isChecked();
    c.first = first_->Colour();
    c.second = second_->Colour();
    c.usePicture = usePicture_->isChecked();
    c.picture = picture_->currentData().toInt();
    return c;
}

void TFnuovaTabella::done(int r) {
    if (r == QDialog::Accepted) {
        const std::string why = Choices().Check();
        if (!why.empty()) {
            platform::ui().Warning(why);
            return;
        }
    }
    QDialog::done(r);
}

TFproprietaTabella::TFproprietaTabella(model::TNYXset* set, const TTableProperties& p, QWidget* parent)
    : QDialog(parent), base_(p) {
    setObjectName(QStringLiteral("TFproprietaTabella"));
    setWindowTitle(QStringLiteral("Proprietà tabella"));
    auto* form = new QFormLayout;
    rule_ = new QComboBox(this);
    rule_->setObjectName(QStringLiteral("cbRegola"));
    rule_->addItems({QStringLiteral("percentuale"), QStringLiteral("fissa"), QStringLiteral("libera")});
    rule_->setCurrentIndex(std::clamp(p.columnRule, 0, 2));
    colWidth_ = Spin(this, "spDimColonna", 0, 9999, p.columnWidth);
    auto* colRow = new QHBoxLayout;
    colRow->addWidget(rule_);
    colRow->addWidget(colWidth_);
    form->addRow(QStringLiteral("Dimensione colonna:"), colRow);
    background_ = new QComboBox(this);
    background_->setObjectName(QStringLiteral("cbSfondo"));
    background_->addItems({QStringLiteral("trasparente"), QStringLiteral("immagine"), QStringLiteral("colore")});
    background_->setCurrentIndex(std::clamp(p.backgroundKind, 0, 2));
    form->addRow(QStringLiteral("Sfondo:"), background_);
    colour_ = new TColourButton(p.colour, this);
    colour_->setObjectName(QStringLiteral("btColoreCella"));
    form->addRow(QStringLiteral("Colore:"), colour_);
    picture_ = new QComboBox(this);
    picture_->setObjectName(QStringLiteral("cbImmagineCella"));
    FillPictures(picture_, set);
    form->addRow(QStringLiteral("Immagine:"), picture_);
    applyTo_ = new QComboBox(this);
    applyTo_->setObjectName(QStringLiteral("cbApplicaA"));
    applyTo_->addItems({QStringLiteral("nessuna cella"), QStringLiteral("cella corrente"), QStringLiteral("riga corrente"),
                        QStringLiteral("colonna corrente"), QStringLiteral("colonne pari della riga"),
                        QStringLiteral("righe pari della colonna"), QStringLiteral("colonne dispari della riga"),
                        QStringLiteral("righe dispari della colonna")});
    applyTo_->setCurrentIndex(std::clamp(p.applyTo, 0, 7));
    form->addRow(QStringLiteral("Applica a:"), applyTo_);
    padding_ = Spin(this, "spBordoInterno", 0, 255, p.padding);
    form->addRow(QStringLiteral("Bordo interno"), padding_);
    spacing_ = Spin(this, "spSpazio", 0, 255, p.spacing);
    form->addRow(QStringLiteral("Spazio fra celle"), spacing_);
    bordered_ = new QCheckBox(QStringLiteral("Bordo"), this);
    bordered_->setObjectName(QStringLiteral("cbBordo"));
    bordered_->setChecked(p.bordered);
    border_ = Spin(this, "spBordo", 1, 255, std::max(1, p.border));
    auto* borderRow = new QHBoxLayout;
    borderRow->addWidget(bordered_);
    borderRow->addWidget(border_);
    form->addRow(QString(), borderRow);
    tableBackground_ = new QComboBox(this);
    tableBackground_->setObjectName(QStringLiteral("cbSfondoTabella"));
    tableBackground_->addItems({QStringLiteral("trasparente"), QStringLiteral("colore")});
    const bool tableColoured = BackgroundKind(p.tableBackground) == TBackgroundKind::kColour;
    tableBackground_->setCurrentIndex(tableColoured ? 1 : 0);
    tableColour_ = new TColourButton(tableColoured ? p.tableBackground : 0xFFFFFF, this);
    tableColour_->setObjectName(QStringLiteral("btColoreTabella"));
    auto* tbRow = new QHBoxLayout;
    tbRow->addWidget(tableBackground_);
    tbRow->addWidget(tableColour_);
    form->addRow(QStringLiteral("Sfondo tabella:"), tbRow);
    percent_ = new QCheckBox(QStringLiteral("Larghezza in percentuale"), this);
    percent_->setObjectName(QStringLiteral("cbPercentuale"));
    percent_->setChecked(p.percent);
    width_ = Spin(this, "spLarghezza", 1, 9999, std::max(1, p.width));
    auto* wRow = new QHBoxLayout;
    wRow->addWidget(width_);
    wRow->addWidget(percent_);
    form->addRow(QStringLiteral("Larghezza:"), wRow);
    html_ = new QPlainTextEdit(this);
    html_->setObjectName(QStringLiteral("meHtml"));
    html_->setPlainText(Q(p.html));
    html_->setMaximumHeight(60);
    form->addRow(QStringLiteral("HTML:"), html_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(Buttons(this));
}

TTableProperties TFproprietaTabella::Properties() const {
    TTableProperties p = base_;
    p.html = platform::text::Utf8ToCp1252(html_->toPlainText().toStdString());
    p.columnRule = rule_->currentIndex();
    p.columnWidth = colWidth_->value();
    p.backgroundKind = background_->currentIndex();
    p.colour = colour_->Colour();
    p.picture = picture_->currentData().toInt();
    p.applyTo = applyTo_->currentIndex();
    p.padding = padding_->value();
    p.spacing = spacing_->value();
    p.bordered = bordered_->isChecked();
    p.border = border_->value();
    p.tableBackground = tableBackground_->currentIndex() == 1 ? tableColour_->Colour()
                        : BackgroundKind(base_.tableBackground) == TBackgroundKind::kPicture ? base_.tableBackground
                                                                                              : -1;
    p.percent = percent_->isChecked();
    p.width = width_->value();
    if (p.percent) p.width = std::min(p.width, 100);
    return p;
}

}  // namespace present::ui
