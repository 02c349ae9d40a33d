#include "shell/ui/PageDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/ui/OrderTreeView.h"

using namespace model;

namespace shell::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string W(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

// Colours are stored as 0x00BBGGRR; the field shows them as #RRGGBB.
QString ColourText(std::int32_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    return QString::asprintf("#%02X%02X%02X", u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
}
bool ParseColour(const QString& text, std::int32_t& out) {
    QString t = text.trimmed();
    if (t.startsWith('#')) t = t.mid(1);
    bool ok = false;
    const unsigned v = t.toUInt(&ok, 16);
    if (!ok || t.size() != 6) return false;
    out = static_cast<std::int32_t>(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
    return true;
}

// Pages by slot, with a first entry for "none".
void FillPages(QComboBox* box, const TNYXset& set, const QString& none, bool byReference, std::int32_t current) {
    box->addItem(none, -1);
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        box->addItem(Q(p->GetName()), byReference ? p->Reference() : static_cast<std::int32_t>(i));
    }
    const int at = box->findData(current);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

class TOrderView : public QTreeWidget {
public:
    std::function<void(QTreeWidgetItem*)> onDrop;
    using QTreeWidget::QTreeWidget;

protected:
    void dropEvent(QDropEvent* e) override {
        // The tree decides; the view is rebuilt from it.
        e->setDropAction(Qt::IgnoreAction);
        e->accept();
        if (onDrop) onDrop(itemAt(e->position().toPoint()));
    }
};

}  // namespace

// --- TFproprietaPagina ---------------------------------------------------------------------

TFproprietaPagina::TFproprietaPagina(TNYXset& set, TNYXoggetto& page, QWidget* parent)
    : QDialog(parent), set_(set), page_(page), start_(ReadPageChoices(set, page)) {
    setObjectName("TFproprietaPagina");
    setWindowTitle(QString::fromUtf8("Proprietà pagina"));
    auto* form = new QFormLayout;
    title_ = new QLineEdit(Q(start_.title));
    title_->setObjectName("title");
    autoTitle_ = new QCheckBox("Titolo automatico (dalle prime parole)");
    autoTitle_->setObjectName("autoTitle");
    autoTitle_->setChecked(start_.autoTitle);
    title_->setEnabled(!start_.autoTitle);
    connect(autoTitle_, &QCheckBox::toggled, title_, [this](bool on) { title_->setEnabled(!on); });
    form->addRow("Titolo:", title_);
    form->addRow("", autoTitle_);
    const char* names[4] = {"textColour", "linkColour", "visitedColour", "backColour"};
    const char* captions[4] = {"Colore testo:", "Colore collegamenti:", "Colore collegamenti visitati:", "Colore sfondo:"};
    const std::int32_t values[4] = {start_.textColour, start_.linkColour, start_.visitedColour, start_.backColour};
    for (int i = 0; i < 4; ++i) {
        colours_[i] = new QLineEdit(ColourText(values[i]));
        colours_[i]->setObjectName(names[i]);
        form->addRow(captions[i], colours_[i]);
    }
    picture_ = new QComboBox;
    picture_->setObjectName("picture");
    picture_->addItem("(nessuna)", -1);
    for (std::size_t i = 0; i < set.Count(immagine); ++i)
        if (const TNYXoggetto* p = set.ObjectAt(immagine, static_cast<std::int64_t>(i)); p && !p->IsEmpty())
            picture_->addItem(Q(p->GetName()), static_cast<int>(i));
    picture_->setCurrentIndex(std::max(0, picture_->findData(start_.backPicture)));
    fixed_ = new QCheckBox("Sfondo fisso");
    fixed_->setObjectName("fixed");
    fixed_->setChecked(start_.fixedBackground);
    form->addRow("Immagine di sfondo:", picture_);
    form->addRow("", fixed_);

    keywords_ = new QListWidget;
    keywords_->setObjectName("keywords");
    for (const std::string& k : start_.keywords) keywords_->addItem(Q(k));
    newKeyword_ = new QLineEdit;
    newKeyword_->setObjectName("newKeyword");
    auto* add = new QPushButton("Aggiungi");
    auto* remove = new QPushButton("Rimuovi");
    connect(add, &QPushButton::clicked, this, [this] {
        AddKeyword(W(newKeyword_->text()));
        newKeyword_->clear();
    });
    connect(remove, &QPushButton::clicked, this, [this] { delete keywords_->currentItem(); });
    auto* choose = new QComboBox;  // the keywords of the hypertext
    choose->setObjectName("allKeywords");
    for (std::size_t i = 0; i < set.Count(keyword); ++i)
        if (const TNYXoggetto* k = set.ObjectAt(keyword, static_cast<std::int64_t>(i)); k && !k->IsEmpty())
            choose->addItem(Q(k->Str(0, kKeywordCap)));
    connect(choose, &QComboBox::activated, this, [this, choose] { AddKeyword(W(choose->currentText())); });
    auto* kwRow = new QHBoxLayout;
    kwRow->addWidget(newKeyword_);
    kwRow->addWidget(add);
    kwRow->addWidget(remove);
    form->addRow("Parole chiave:", keywords_);
    form->addRow("", kwRow);
    form->addRow("Parole chiave dell'ipertesto:", choose);

    header_ = new QComboBox;
    header_->setObjectName("header");
    FillPages(header_, set, "(intestazione dell'ipertesto)", false, start_.headerPage);
    footer_ = new QComboBox;
    footer_->setObjectName("footer");
    FillPages(footer_, set, QString::fromUtf8("(piè di pagina dell'ipertesto)"), false, start_.footerPage);
    form->addRow("Intestazione:", header_);
    form->addRow(QString::fromUtf8("Piè di pagina:"), footer_);
    chapter_ = new QSpinBox;
    chapter_->setRange(-32768, 32767);
    chapter_->setValue(start_.chapter);
    position_ = new QSpinBox;
    position_->setRange(-32768, 32767);
    position_->setValue(start_.position);
    form->addRow("Capitolo:", chapter_);
    form->addRow("Posizione:", position_);
    nextSlide_ = new QComboBox;
    nextSlide_->setObjectName("nextSlide");
    FillPages(nextSlide_, set, "(nessuna)", true, start_.nextSlide);
    form->addRow("Diapositiva successiva:", nextSlide_);
    alias_ = new QLineEdit(Q(start_.alias));
    alias_->setObjectName("alias");
    form->addRow("Alias:", alias_);
    head_ = new QPlainTextEdit(Q(start_.headHtml));
    head_->setObjectName("head");
    form->addRow("HTML nell'intestazione:", head_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TFproprietaPagina::AddKeyword(const std::string& cp1252) {
    if (cp1252.empty()) return;
    if (keywords_->findItems(Q(cp1252), Qt::MatchExactly).isEmpty()) keywords_->addItem(Q(cp1252));
}

TPageChoices TFproprietaPagina::Choices() const {
    TPageChoices c = start_;
    c.title = W(title_->text());
    c.autoTitle = autoTitle_->isChecked();
    std::int32_t* targets[4] = {&c.textColour, &c.linkColour, &c.visitedColour, &c.backColour};
    for (int i = 0; i < 4; ++i) ParseColour(colours_[i]->text(), *targets[i]);
    c.backPicture = picture_->currentData().toInt();
    c.fixedBackground = fixed_->isChecked();
    c.keywords.clear();
    for (int i = 0; i < keywords_->count(); ++i) c.keywords.push_back(W(keywords_->item(i)->text()));
    c.headerPage = header_->currentData().toInt();
    c.footerPage = footer_->currentData().toInt();
    c.chapter = static_cast<std::int16_t>(chapter_->value());
    c.position = static_cast<std::int16_t>(position_->value());
    c.nextSlide = nextSlide_->currentData().toInt();
    c.alias = W(alias_->text());
    c.headHtml = W(head_->toPlainText());
    return c;
}

std::string TFproprietaPagina::FieldError() const {
    std::int32_t v = 0;
    for (QLineEdit* e : colours_)
        if (!ParseColour(e->text(), v)) return "Colore non valido: " + e->text().toStdString() + " (scrivere #RRGGBB).";
    return CheckPageChoices(set_, page_, Choices());
}

void TFproprietaPagina::done(int r) {
    if (r == QDialog::Accepted) {
        if (const std::string why = FieldError(); !why.empty()) {
            platform::ui().Warning(why);
            return;
        }
    }
    QDialog::done(r);
}

// --- TFordinePagine --------------------------------------------------------------------------

TFordinePagine::TFordinePagine(TNYXset& set, QWidget* parent)
    : QDialog(parent), tree_(std::make_unique<TNYXorderedTree>(&set, testoHtml)) {
    setObjectName("TFordinePagine");
    setWindowTitle("Ordine predefinito pagine");
    tree_->Reload();
    auto* view = new TOrderView;
    view_ = view;
    view_->setObjectName("tree");
    view_->setHeaderHidden(true);
    view_->setDragDropMode(QAbstractItemView::InternalMove);
    view->onDrop = [this](QTreeWidgetItem* target) { DropOn(target); };
    auto* up = new QPushButton("Su");
    auto* down = new QPushButton(QString::fromUtf8("Giù"));
    auto* chapter = new QPushButton("Nuovo capitolo...");
    auto* del = new QPushButton("Elimina");
    up->setObjectName("up");
    down->setObjectName("down");
    connect(up, &QPushButton::clicked, this, [this] { Move(true); });
    connect(down, &QPushButton::clicked, this, [this] { Move(false); });
    connect(chapter, &QPushButton::clicked, this, [this] { AddChapter(); });
    connect(del, &QPushButton::clicked, this, [this] { Delete(); });
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {up, down, chapter, del}) side->addWidget(b);
    side->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(view_, 1);
    row->addLayout(side);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    resize(420, 520);
    Refill();
}

TFordinePagine::~TFordinePagine() = default;

void TFordinePagine::Refill(const TNYXtreeNode* select) { FillTreeView(*view_, *tree_, select); }

TNYXtreeNode* TFordinePagine::NodeOf(QTreeWidgetItem* item) const { return TreeNodeOf(*tree_, item); }

QTreeWidgetItem* TFordinePagine::ItemOf(const TNYXtreeNode* node) const { return TreeItemOf(*view_, node); }

bool TFordinePagine::DropOn(QTreeWidgetItem* target) {
    TNYXtreeNode* node = NodeOf(view_->currentItem());
    TNYXtreeNode* onto = NodeOf(target);
    if (!node || !onto) return false;
    const auto r = tree_->MoveNode(node, onto);
    Refill(node);
    return r == TNYXorderedTree::MoveResult::Moved;
}

void TFordinePagine::Move(bool up) {
    TNYXtreeNode* node = NodeOf(view_->currentItem());
    if (!node) return;
    if (up) tree_->MoveUp(node);
    else tree_->MoveDown(node);
    Refill(node);
}

void TFordinePagine::AddChapter() {
    tree_->Select(NodeOf(view_->currentItem()));
    bool ok = false;
    const QString name = QInputDialog::getText(this, "Nuovo capitolo", "Nome del capitolo:", QLineEdit::Normal, "", &ok);
    if (!ok || name.trimmed().isEmpty()) return;
    Refill(tree_->AddChapter(W(name.trimmed())));
}

void TFordinePagine::Delete() {
    TNYXtreeNode* node = NodeOf(view_->currentItem());
    if (node && tree_->DeleteNode(node)) Refill();
}

}  // namespace shell::ui
