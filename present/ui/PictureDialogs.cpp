#include "present/ui/PictureDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <system_error>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/ui/PictureView.h"

namespace present::ui {

namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string Cp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

constexpr int kPreview = 64;

QImage ClipboardImage() {
    const QMimeData* m = QApplication::clipboard()->mimeData();
    if (!m || !m->hasImage()) return {};
    return qvariant_cast<QImage>(m->imageData());
}

// "(nessuna)" and the hypertext's pictures; the item data is the slot.
void FillPictureCombo(QComboBox& box, model::TNYXset& set, std::int32_t chosen) {
    box.addItem(QStringLiteral("(nessuna)"), -1);
    for (std::size_t i = 0; i < set.Count(model::immagine); ++i) {
        const model::TNYXoggetto* p = set.ObjectAt(model::immagine, static_cast<std::uint32_t>(i));
        if (!p || p->IsEmpty()) continue;
        box.addItem(Q(p->GetName()), static_cast<int>(i));
        if (static_cast<std::int32_t>(i) == chosen) box.setCurrentIndex(box.count() - 1);
    }
}

}  // namespace

model::TNYXoggetto* PictureFromImage(model::TNYXset& set, const QImage& image, const std::string& name) {
    if (image.isNull()) return nullptr;
    const std::filesystem::path file = set.UniqueWorkFileName(name + ".png");
    if (file.empty() || !image.save(QString::fromStdString(file.string()), "PNG")) return nullptr;
    model::TNYXoggetto* pic = set.AddPicture(file);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return pic;
}

// --- TFimmagine ---------------------------------------------------------------------------

TFimmagine::TFimmagine(QWidget* parent, model::TNYXset& set) : QDialog(parent), set_(set) {
    setObjectName(QStringLiteral("TFimmagine"));
    setWindowTitle(QStringLiteral("Immagine/mappa"));
    auto* lay = new QVBoxLayout(this);
    fromFile_ = new QRadioButton(QStringLiteral("Da &file:"), this);
    fromFile_->setObjectName(QStringLiteral("daFile"));
    lay->addWidget(fromFile_);
    auto* row = new QHBoxLayout;
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("file"));
    auto* browse = new QPushButton(QStringLiteral("&Sfoglia..."), this);
    row->addWidget(file_);
    row->addWidget(browse);
    lay->addLayout(row);
    fromSet_ = new QRadioButton(QStringLiteral("Dalle &immagini dell'ipertesto:"), this);
    fromSet_->setObjectName(QStringLiteral("daIpertesto"));
    lay->addWidget(fromSet_);
    pictures_ = new QListWidget(this);
    pictures_->setObjectName(QStringLiteral("immagini"));
    pictures_->setViewMode(QListView::IconMode);
    pictures_->setIconSize(QSize(kPreview, kPreview));
    pictures_->setResizeMode(QListView::Adjust);
    for (std::size_t i = 0; i < set_.Count(model::immagine); ++i) {
        model::TNYXoggetto* p = set_.ObjectAt(model::immagine, static_cast<std::uint32_t>(i));
        if (!p || p->IsEmpty()) continue;
        // The preview keeps the picture's proportions inside the icon.
        const TPictureSize s = RealSize(*p);
        int w = kPreview, h = kPreview;
        if (s.width > 0 && s.height > 0) {
            if (s.width >= s.height) h = std::max(1, kPreview * s.height / s.width);
            else w = std::max(1, kPreview * s.width / s.height);
        }
        const QImage img = TPictureCache::Instance().Scaled(*p, w, h);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(img)), Q(p->GetName()), pictures_);
        item->setData(Qt::UserRole, static_cast<int>(i));
    }
    lay->addWidget(pictures_);
    fromClip_ = new QRadioButton(QStringLiteral("Dagli &appunti"), this);
    fromClip_->setObjectName(QStringLiteral("daAppunti"));
    fromClip_->setEnabled(!ClipboardImage().isNull());
    lay->addWidget(fromClip_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    lay->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, [this] {
        if (!onBrowse) return;
        if (auto p = onBrowse()) {
            file_->setText(QString::fromStdString(p->string()));
            fromFile_->setChecked(true);
        }
    });
    connect(pictures_, &QListWidget::itemSelectionChanged, this, [this] { fromSet_->setChecked(true); });
    connect(pictures_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    (pictures_->count() > 0 ? fromSet_ : fromFile_)->setChecked(true);
}

void TFimmagine::accept() {
    picture_ = nullptr;
    if (fromFile_->isChecked()) {
        const std::string path = file_->text().toStdString();
        if (path.empty()) return;
        picture_ = set_.AddPicture(path);
        if (!picture_) {
            platform::ui().Warning("Impossibile leggere l'immagine: " + path);
            return;
        }
    } else if (fromSet_->isChecked()) {
        QListWidgetItem* item = pictures_->currentItem();
        if (!item) return;
        picture_ = set_.ObjectAt(model::immagine, static_cast<std::uint32_t>(item->data(Qt::UserRole).toInt()));
    } else if (fromClip_->isChecked()) {
        picture_ = PictureFromImage(set_, ClipboardImage());
        if (!picture_) {
            platform::ui().Warning("Gli appunti non contengono un'immagine utilizzabile.");
            return;
        }
    }
    if (picture_) QDialog::accept();
}

// --- TFpropImmagine -----------------------------------------------------------------------

TFpropImmagine::TFpropImmagine(QWidget* parent, model::TNYXset& set, const model::TNYXoggetto& placed)
    : QDialog(parent), set_(set), naturalW_(placed.Word(15)), naturalH_(placed.Word(17)) {
    setObjectName(QStringLiteral("TFpropImmagine"));
    setWindowTitle(QStringLiteral("Proprietà immagine"));
    const TPictureChoices c = ChoicesFromRecord(placed);
    auto* lay = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    width_ = new QSpinBox(this);
    width_->setObjectName(QStringLiteral("larghezza"));
    width_->setRange(1, kMaxSide);
    width_->setValue(std::max(1, c.width));
    height_ = new QSpinBox(this);
    height_->setObjectName(QStringLiteral("altezza"));
    height_->setRange(1, kMaxSide);
    height_->setValue(std::max(1, c.height));
    percent_ = new QCheckBox(QStringLiteral("in &percentuale"), this);
    percent_->setObjectName(QStringLiteral("percentuale"));
    percent_->setChecked(c.percent);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(width_);
    sizeRow->addWidget(new QLabel(QStringLiteral("x"), this));
    sizeRow->addWidget(height_);
    sizeRow->addWidget(percent_);
    auto* full = new QPushButton(QStringLiteral("100%"), this);
    full->setObjectName(QStringLiteral("cento"));
    auto* half = new QPushButton(QStringLiteral("50%"), this);
    half->setObjectName(QStringLiteral("cinquanta"));
    sizeRow->addWidget(full);
    sizeRow->addWidget(half);
    form->addRow(QStringLiteral("&Dimensioni:"), sizeRow);
    align_ = new QComboBox(this);
    align_->setObjectName(QStringLiteral("allineamento"));
    align_->addItem(QStringLiteral("Basso"), kAlignLow);
    align_->addItem(QStringLiteral("Centro"), kAlignCentre);
    align_->addItem(QStringLiteral("Alto"), kAlignHigh);
    align_->setCurrentIndex(c.alignment == kAlignLow ? 0 : c.alignment == kAlignHigh ? 2 : 1);
    form->addRow(QStringLiteral("A&llineamento:"), align_);
    border_ = new QCheckBox(QStringLiteral("&Bordo"), this);
    border_->setObjectName(QStringLiteral("bordo"));
    border_->setChecked(c.border);
    form->addRow(QString(), border_);
    alt_ = new QLineEdit(Q(c.altText), this);
    alt_->setObjectName(QStringLiteral("testoAlternativo"));
    alt_->setMaxLength(static_cast<int>(kAltTextCap));
    form->addRow(QStringLiteral("&Testo alternativo:"), alt_);
    lowRes_ = new QComboBox(this);
    lowRes_->setObjectName(QStringLiteral("bassaRisoluzione"));
    FillPictureCombo(*lowRes_, set_, c.lowRes);
    form->addRow(QStringLiteral("Immagine a bassa &risoluzione:"), lowRes_);
    rollover_ = new QComboBox(this);
    rollover_->setObjectName(QStringLiteral("sottoPuntatore"));
    FillPictureCombo(*rollover_, set_, c.rollover);
    form->addRow(QStringLiteral("Immagine sotto il &puntatore:"), rollover_);
    lay->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    lay->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(full, &QPushButton::clicked, this, [this] { Scale(100); });
    connect(half, &QPushButton::clicked, this, [this] { Scale(50); });
}

void TFpropImmagine::Scale(int percent) {
    percent_->setChecked(false);
    width_->setValue(std::max(1, (naturalW_ > 0 ? naturalW_ : 100) * percent / 100));
    height_->setValue(std::max(1, (naturalH_ > 0 ? naturalH_ : 100) * percent / 100));
}

TPictureChoices TFpropImmagine::Choices() const {
    TPictureChoices c;
    c.width = width_->value();
    c.height = height_->value();
    c.percent = percent_->isChecked();
    c.alignment = static_cast<std::uint8_t>(align_->currentData().toInt());
    c.border = border_->isChecked();
    c.altText = Cp(alt_->text());
    c.lowRes = lowRes_->currentData().toInt();
    c.rollover = rollover_->currentData().toInt();
    return c;
}

void TFpropImmagine::accept() {
    const std::string why = CheckPictureChoices(Choices());
    if (!why.empty()) {
        platform::ui().Warning(why);
        return;
    }
    QDialog::accept();
}

}  // namespace present::ui
