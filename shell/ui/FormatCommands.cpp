#include "shell/ui/FormatCommands.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/StyleSheet.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/FormatChoices.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"

namespace shell::ui {
namespace {

namespace text = platform::text;

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
QString QFromCp(std::string_view cp) { return Q(text::Cp1252ToUtf8(cp)); }
std::string Cp(const QString& s) { return text::Utf8ToCp1252(s.toStdString()); }

QColor ToQColor(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Runs an operation on the page being edited and refreshes the commands.
void Format(TMainForm& form, const std::function<void(richtext::TNYXTextAttributes&, richtext::TNYXParaAttributes&)>& op) {
    if (form.Busy()) return;
    form.PageView()->Format(op);
    form.UpdateEditCommands();
}

// The style list reloads its names whenever it opens, so it always shows the
// hypertext's styles, with the caret paragraph's selected.
class TStyleCombo : public QComboBox {
public:
    TStyleCombo(TMainForm& form, QWidget* parent) : QComboBox(parent), form_(form) {}
    void Reload() {
        const QSignalBlocker block(this);
        clear();
        for (const std::string& n : richtext::StyleNames(form_.Document())) addItem(QFromCp(n));
        const richtext::TNYXbox& box = form_.PageView()->Box();
        if (box.caret.para >= 0 && box.caret.para < static_cast<std::int32_t>(box.paragraphs.size()))
            if (const model::TNYXoggetto* s = box.paragraphs[static_cast<std::size_t>(box.caret.para)]->style.Named())
                setCurrentIndex(findText(QFromCp(s->GetName())));
    }
    void showPopup() override {
        Reload();
        QComboBox::showPopup();
    }

private:
    TMainForm& form_;
};

// The paragraph dialog: the six measures of the caret paragraph.
class TFparagrafo : public QDialog {
public:
    explicit TFparagrafo(const TParagraphChoices& c, QWidget* parent) : QDialog(parent), choices(c) {
        setObjectName(QStringLiteral("TFparagrafo"));
        setWindowTitle(QStringLiteral("Paragrafo"));
        auto* form = new QFormLayout(this);
        for (int m = 0; m < TParagraphChoices::kCount; ++m) {
            edits[m] = new QLineEdit(Q(choices.text[m]), this);
            edits[m]->setObjectName(QStringLiteral("edMisura%1").arg(m));
            form->addRow(Q(std::string(TParagraphChoices::Label(m)) + " (" +
                           std::string(richtext::UnitName(choices.unit)) + ")"),
                         edits[m]);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &TFparagrafo::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    void accept() override {
        for (int m = 0; m < TParagraphChoices::kCount; ++m) choices.text[m] = edits[m]->text().toStdString();
        std::string error;
        if (!choices.Changes(&error)) {
            platform::ui().Warning(error);
            return;
        }
        QDialog::accept();
    }
    TParagraphChoices choices;
    QLineEdit* edits[TParagraphChoices::kCount] = {};
};

// The style editor: every value of one style.
class TFstile : public QDialog {
public:
    TFstile(const TStyleChoices& c, QWidget* parent) : QDialog(parent), choices(c) {
        setObjectName(QStringLiteral("TFstile"));
        setWindowTitle(QStringLiteral("Stile"));
        auto* form = new QFormLayout(this);
        name = new QLineEdit(QFromCp(choices.name), this);
        name->setObjectName(QStringLiteral("edNome"));
        form->addRow(QStringLiteral("Nome"), name);
        font = new QLineEdit(QFromCp(choices.font), this);
        font->setObjectName(QStringLiteral("edFont"));
        form->addRow(QStringLiteral("Carattere"), font);
        size = new QLineEdit(Q(choices.size), this);
        size->setObjectName(QStringLiteral("edDimensione"));
        form->addRow(QStringLiteral("Dimensione"), size);
        colour = new QComboBox(this);
        colour->setObjectName(QStringLiteral("cbColore"));
        for (std::uint32_t v : BasicColours()) colour->addItem(Q(richtext::ColourName(v)), v);
        if (colour->findData(choices.colour) < 0)
            colour->addItem(Q(richtext::ColourName(choices.colour)), choices.colour);
        colour->setCurrentIndex(colour->findData(choices.colour));
        form->addRow(QStringLiteral("Colore"), colour);
        auto bits = [&](const char* label, std::uint8_t bit) {
            auto* b = new QComboBox(this);
            b->addItems({QStringLiteral("No"), QStringLiteral("Sì")});
            b->setCurrentIndex((choices.style & bit) ? 1 : 0);
            form->addRow(QString::fromUtf8(label), b);
            return b;
        };
        bold = bits("Grassetto", richtext::kBold);
        italic = bits("Corsivo", richtext::kItalic);
        underline = bits("Sottolineato", richtext::kUnderline);
        align = new QComboBox(this);
        align->addItems({QStringLiteral("A sinistra"), QStringLiteral("A destra"), QStringLiteral("Centrato")});
        align->setCurrentIndex(choices.align);
        form->addRow(QStringLiteral("Allineamento"), align);
        list = new QComboBox(this);
        list->addItems({QStringLiteral("Nessuno"), QStringLiteral("Numerato"), QStringLiteral("Puntato")});
        list->setCurrentIndex(choices.list == 6 ? 1 : choices.list == 10 ? 2 : 0);
        form->addRow(QStringLiteral("Elenco"), list);
        for (int m = 0; m < TParagraphChoices::kCount; ++m) {
            measures[m] = new QLineEdit(Q(choices.measure[m]), this);
            form->addRow(Q(std::string(TParagraphChoices::Label(m)) + " (" +
                           std::string(richtext::UnitName(choices.unit)) + ")"),
                         measures[m]);
        }
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &TFstile::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    void accept() override {
        choices.name = Cp(name->text());
        choices.font = Cp(font->text());
        choices.size = size->text().toStdString();
        choices.colour = colour->currentData().toUInt();
        choices.style = static_cast<std::uint8_t>((choices.style & richtext::kStrikeOut) |
                                                  (bold->currentIndex() ? richtext::kBold : 0) |
                                                  (italic->currentIndex() ? richtext::kItalic : 0) |
                                                  (underline->currentIndex() ? richtext::kUnderline : 0));
        choices.align = align->currentIndex();
        choices.list = list->currentIndex() == 1 ? 6 : list->currentIndex() == 2 ? 10 : 0;
        for (int m = 0; m < TParagraphChoices::kCount; ++m) choices.measure[m] = measures[m]->text().toStdString();
        record = model::MakeObject(model::stileParagrafo);
        record->Reset();
        std::string error;
        if (!choices.Store(*record, &error)) {
            platform::ui().Warning(error);
            return;
        }
        QDialog::accept();
    }
    TStyleChoices choices;
    std::unique_ptr<model::TNYXoggetto> record;
    QLineEdit *name, *font, *size;
    QComboBox *colour, *bold, *italic, *underline, *align, *list;
    QLineEdit* measures[TParagraphChoices::kCount] = {};
};

// Opens the style editor on a record; the filled-in record when confirmed.
std::unique_ptr<model::TNYXoggetto> EditStyle(QWidget* parent, const TStyleChoices& c) {
    TFstile dlg(c, parent);
    if (RunDialog(dlg) != QDialog::Accepted) return nullptr;
    return std::move(dlg.record);
}

// After a style changed or went: the page shown follows it.
void StylesChanged(TMainForm& form) {
    form.CommitPageEdits();
    form.UpdateEditCommands();
}

void NewStyle(TMainForm& form, QWidget* parent) {
    model::TNYXset& set = form.Document();
    richtext::ui::TNYXpageView* view = form.PageView();
    auto tmpl = model::MakeObject(model::stileParagrafo);
    tmpl->Reset();
    richtext::TNYXParaAttributes para(view->Box());
    if (!view->Box().paragraphs.empty()) para.MakeTemplate(view->Attributes(), *tmpl);
    TStyleChoices c;
    c.Load(view->Box().paragraphs.empty() ? nullptr : tmpl.get());
    c.name = richtext::NewStyleName(set);
    auto rec = EditStyle(parent, c);
    if (!rec) return;
    richtext::AddStyle(set, rec->GetName(), rec.get());
    set.SetModified(true);
    StylesChanged(form);
}

void ModifyStyle(TMainForm& form, QWidget* parent, model::TNYXoggetto* style) {
    if (!style) {
        platform::ui().Error("StileDaMod must not be undef");
        return;
    }
    TStyleChoices c;
    c.Load(style);
    auto rec = EditStyle(parent, c);
    if (!rec) return;
    model::TNYXset& set = form.Document();
    richtext::ModifyStyle(set, style, *rec, rec->GetName(), [&](const std::string& label) {
        form.UndoList().AddUndo(std::make_unique<richtext::TogBackup>(form.UndoList(), *style, label));
    });
    StylesChanged(form);
}

void DeleteStyle(TMainForm& form, model::TNYXoggetto* style) {
    if (!style) return;
    form.CommitPageEdits();
    model::TNYXset& set = form.Document();
    std::string refusal;
    const std::string q = DeleteStyleQuestion(set, *style, &refusal);
    if (q.empty()) {
        platform::ui().Warning(refusal);
        return;
    }
    if (platform::ui().AskYesNo(q) != platform::Answer::Yes) return;
    // The deleted style keeps its slot (no new style takes it), so undoing
    // puts the record back where the paragraphs still name it.
    auto before = std::make_unique<richtext::TogBackup>(form.UndoList(), *style, "Elimina stile: " + style->GetName());
    if (!richtext::DeleteStyle(set, style)) return;
    form.UndoList().AddUndo(std::move(before));
    StylesChanged(form);
}

namespace {

// The undo step of a style that did not exist before: a copy of the record
// as an empty slot, so that undoing empties it again.
std::unique_ptr<richtext::TogBackup> NewStyleBackup(richtext::TNYXundoList& list, model::TNYXoggetto& style,
                                                    const std::string& label) {
    std::string now;
    style.SaveToStream(now);
    style.Reset();
    auto b = std::make_unique<richtext::TogBackup>(list, style, label);
    std::size_t pos = 0;
    style.LoadFromStream(now, pos);
    return b;
}

}  // namespace

// Styles of another hypertext, chosen from a list, are copied in.
void ImportStyles(TMainForm& form, QWidget* parent) {
    auto file = ChooseFile(parent, TFileRequest{TFileRequest::Open, "Da altri ipertesti", {}, {}, "Ipertesti (*.nyx);;Tutti i file (*)"});
    if (!file) return;
    model::TNYXset other;
    if (!other.LoadFromFile(file->file)) {
        platform::ui().Error("Impossibile leggere il file");
        return;
    }
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("TFimportaStili"));
    dlg.setWindowTitle(QStringLiteral("Da altri ipertesti"));
    auto* lay = new QVBoxLayout(&dlg);
    auto* list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("lbStili"));
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const std::string& n : richtext::StyleNames(other)) list->addItem(QFromCp(n));
    lay->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    lay->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    if (RunDialog(dlg) != QDialog::Accepted) return;
    bool any = false;
    model::TNYXset& set = form.Document();
    for (QListWidgetItem* item : list->selectedItems())
        if (const model::TNYXoggetto* s = richtext::StyleByName(other, Cp(item->text()))) {
            const std::size_t count = set.Count(model::stileParagrafo);
            model::TNYXoggetto* added = richtext::ImportStyle(set, *s);
            // An identical style already there is taken as it is: nothing to undo.
            if (added && added->Index() >= count)
                form.UndoList().AddUndo(NewStyleBackup(form.UndoList(), *added, "Importa stile: " + added->GetName()));
            any = true;
        }
    if (any) {
        set.SetModified(true);
        StylesChanged(form);
    }
}

// "Stili...": the hypertext's styles with their commands.
void ShowStyles(TMainForm& form) {
    QDialog dlg(&form);
    dlg.setObjectName(QStringLiteral("TFstili"));
    dlg.setWindowTitle(QStringLiteral("Stili"));
    auto* lay = new QHBoxLayout(&dlg);
    auto* list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("lbStili"));
    lay->addWidget(list);
    auto reload = [&] {
        list->clear();
        for (const std::string& n : richtext::StyleNames(form.Document())) list->addItem(QFromCp(n));
        if (list->count()) list->setCurrentRow(0);
    };
    reload();
    auto chosen = [&]() -> model::TNYXoggetto* {
        QListWidgetItem* it = list->currentItem();
        return it ? richtext::StyleByName(form.Document(), Cp(it->text())) : nullptr;
    };
    auto* col = new QVBoxLayout;
    lay->addLayout(col);
    auto button = [&](const char* name, const char* caption, std::function<void()> fn) {
        auto* b = new QPushButton(QString::fromUtf8(caption), &dlg);
        b->setObjectName(QString::fromUtf8(name));
        col->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, &dlg, [fn, reload] {
            fn();
            reload();
        });
    };
    button("btNuovo", "&Nuovo...", [&] { NewStyle(form, &dlg); });
    button("btModifica", "&Modifica...", [&] { ModifyStyle(form, &dlg, chosen()); });
    button("btElimina", "&Elimina", [&] { DeleteStyle(form, chosen()); });
    button("btImporta", "&Da altri ipertesti...", [&] { ImportStyles(form, &dlg); });
    auto* close = new QPushButton(QStringLiteral("Chiudi"), &dlg);
    col->addStretch();
    col->addWidget(close);
    QObject::connect(close, &QPushButton::clicked, &dlg, &QDialog::accept);
    RunDialog(dlg);
}

// Choosing a style in the style list.
void StyleChosen(TMainForm& form, const QString& name) {
    richtext::ui::TNYXpageView* view = form.PageView();
    richtext::TNYXbox& box = view->Box();
    model::TNYXoggetto* chosen = richtext::StyleByName(form.Document(), Cp(name));
    const model::TNYXoggetto* current = nullptr;
    if (box.caret.para >= 0 && box.caret.para < static_cast<std::int32_t>(box.paragraphs.size()))
        current = box.paragraphs[static_cast<std::size_t>(box.caret.para)]->style.Named();
    const bool deviates = chosen && !view->Attributes().MatchesStyle(*chosen);
    switch (ChooseStyle(chosen, current, deviates)) {
        case TStyleChoice::Nothing: return;
        case TStyleChoice::Apply: break;
        case TStyleChoice::Ask: {
            QDialog dlg(&form);
            dlg.setObjectName(QStringLiteral("TFstileScelta"));
            auto* lay = new QVBoxLayout(&dlg);
            lay->addWidget(new QLabel(QFromCp(StyleQuestion(chosen->GetName())), &dlg));
            auto* modify = new QPushButton(
                QStringLiteral("Modificare lo stile usando come esempio il testo selezionato"), &dlg);
            modify->setObjectName(QStringLiteral("btModifica"));
            auto* reformat = new QPushButton(QStringLiteral("Riformattare la selezione usando lo stile"), &dlg);
            reformat->setObjectName(QStringLiteral("btRiformatta"));
            lay->addWidget(modify);
            lay->addWidget(reformat);
            int answer = 0;
            QObject::connect(modify, &QPushButton::clicked, &dlg, [&] { answer = 1; dlg.accept(); });
            QObject::connect(reformat, &QPushButton::clicked, &dlg, [&] { answer = 2; dlg.accept(); });
            if (RunDialog(dlg) != QDialog::Accepted || answer == 0) return;
            if (answer == 1) {
                auto tmpl = model::MakeObject(model::stileParagrafo);
                tmpl->Reset();
                richtext::TNYXParaAttributes para(box);
                para.MakeTemplate(view->Attributes(), *tmpl);
                TStyleChoices c;
                c.Load(tmpl.get());
                c.name = chosen->GetName();
                auto rec = EditStyle(&form, c);
                if (!rec) return;
                richtext::ModifyStyle(form.Document(), chosen, *rec, rec->GetName(), [&](const std::string& label) {
                    form.UndoList().AddUndo(std::make_unique<richtext::TogBackup>(form.UndoList(), *chosen, label));
                });
                StylesChanged(form);
                return;
            }
            break;
        }
    }
    const std::string n = Cp(name);
    Format(form, [&](richtext::TNYXTextAttributes&, richtext::TNYXParaAttributes& p) { p.ApplyStyle(n); });
}

// "Simbolo...": the Windows-1252 characters in the font at the caret.
void ShowSymbols(TMainForm& form) {
    richtext::ui::TNYXpageView* view = form.PageView();
    if (view->ReadOnly()) return;
    QDialog dlg(&form);
    dlg.setObjectName(QStringLiteral("TFsimbolo"));
    dlg.setWindowTitle(QStringLiteral("Simbolo"));
    auto* lay = new QVBoxLayout(&dlg);
    auto* grid = new QGridLayout;
    lay->addLayout(grid);
    QFont f(QFromCp(view->Attributes().FontName()));
    f.setPointSize(12);
    int chosen = -1;
    int i = 0;
    for (unsigned char c : SymbolCodes()) {
        auto* b = new QToolButton(&dlg);
        b->setObjectName(QStringLiteral("sym%1").arg(c));
        b->setFont(f);
        // A lone '&' would be read as an accelerator mark and show nothing.
        b->setText(c == '&' ? QStringLiteral("&&") : QFromCp(std::string(1, static_cast<char>(c))));
        b->setToolTip(QStringLiteral("%1").arg(c));
        b->setAutoRaise(true);
        grid->addWidget(b, i / 16, i % 16);
        QObject::connect(b, &QToolButton::clicked, &dlg, [&chosen, &dlg, c] {
            chosen = c;
            dlg.accept();
        });
        ++i;
    }
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), &dlg);
    lay->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
    if (RunDialog(dlg) != QDialog::Accepted || chosen < 0) return;
    view->InsertSymbol(static_cast<unsigned char>(chosen));
    form.UpdateEditCommands();
}

}  // namespace

void AddFormatCommands(TMainForm& form, QToolBar* bar) {
    if (QAction* symbol = form.Command("actSimbolo")) {
        symbol->setEnabled(true);
        QObject::connect(symbol, &QAction::triggered, bar, [&form] {
            if (!form.Busy()) ShowSymbols(form);
        });
    }
    bar->addSeparator();

    auto* styles = new TStyleCombo(form, bar);
    styles->setObjectName(QStringLiteral("cbStile"));
    styles->setToolTip(QStringLiteral("Stile del paragrafo"));
    styles->setMinimumContentsLength(14);
    styles->Reload();
    bar->addWidget(styles);
    QObject::connect(styles, &QComboBox::textActivated, bar, [&form](const QString& n) { StyleChosen(form, n); });
    auto* stylesAct = bar->addAction(QStringLiteral("Stili..."));
    stylesAct->setObjectName(QStringLiteral("actStili"));
    QObject::connect(stylesAct, &QAction::triggered, bar, [&form] {
        if (!form.Busy()) ShowStyles(form);
    });

    auto* fonts = new QComboBox(bar);
    fonts->setObjectName(QStringLiteral("cbFont"));
    fonts->setEditable(true);
    fonts->setInsertPolicy(QComboBox::NoInsert);
    fonts->setToolTip(QStringLiteral("Carattere"));
    fonts->addItems(QFontDatabase::families());
    bar->addWidget(fonts);
    QObject::connect(fonts, &QComboBox::textActivated, bar, [&form](const QString& n) {
        const std::string name = Cp(n.trimmed());
        std::string error;
        if (!CheckFontName(name, &error)) {
            platform::ui().Warning(error);
            return;
        }
        Format(form, [&](richtext::TNYXTextAttributes& t, richtext::TNYXParaAttributes&) { t.SetFontName(name); });
    });

    auto* sizes = new QComboBox(bar);
    sizes->setObjectName(QStringLiteral("cbDimensione"));
    sizes->setEditable(true);
    sizes->setInsertPolicy(QComboBox::NoInsert);
    sizes->setToolTip(QStringLiteral("Dimensione"));
    for (int s : FontSizes()) sizes->addItem(QString::number(s));
    bar->addWidget(sizes);
    QObject::connect(sizes, &QComboBox::textActivated, bar, [&form](const QString& t) {
        std::string error;
        auto size = ParseFontSize(t.toStdString(), &error);
        if (!size) {
            platform::ui().Warning(error);
            return;
        }
        Format(form, [&](richtext::TNYXTextAttributes& a, richtext::TNYXParaAttributes&) { a.SetSize(*size); });
    });

    // The font, size and style boxes show what the caret (or the selection's
    // start) has, as they would be applied to the next typed characters.
    form.AddEditStateListener([&form, fonts, sizes, styles] {
        richtext::ui::TNYXpageView* view = form.PageView();
        if (!view || view->Box().paragraphs.empty()) return;
        richtext::TNYXTextAttributes& a = view->Attributes();
        const QSignalBlocker b1(fonts), b2(sizes);
        const QString face = QFromCp(a.FontName());
        if (fonts->currentText() != face) fonts->setEditText(face);
        const QString size = QString::number(a.Size());
        if (sizes->currentText() != size) sizes->setEditText(size);
        const richtext::TNYXbox& box = view->Box();
        if (box.caret.para >= 0 && box.caret.para < static_cast<std::int32_t>(box.paragraphs.size()))
            if (const model::TNYXoggetto* st = box.paragraphs[static_cast<std::size_t>(box.caret.para)]->style.Named()) {
                const QSignalBlocker b3(styles);
                const int i = styles->findText(QFromCp(st->GetName()));
                if (i < 0) styles->Reload();
                else styles->setCurrentIndex(i);
            }
    });

    auto* colour = new QToolButton(bar);
    colour->setObjectName(QStringLiteral("tbColore"));
    colour->setText(QStringLiteral("Colore"));
    colour->setToolTip(QStringLiteral("Colore del testo"));
    colour->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(colour);
    for (std::uint32_t c : BasicColours()) {
        QPixmap swatch(16, 16);
        swatch.fill(ToQColor(c));
        QAction* a = menu->addAction(QIcon(swatch), Q(richtext::ColourName(c)));
        a->setObjectName(QStringLiteral("actColore%1").arg(c, 6, 16, QLatin1Char('0')));
        QObject::connect(a, &QAction::triggered, bar, [&form, c] {
            Format(form, [c](richtext::TNYXTextAttributes& t, richtext::TNYXParaAttributes&) { t.SetColour(c); });
        });
    }
    colour->setMenu(menu);
    bar->addWidget(colour);

    auto* position = new QComboBox(bar);
    position->setObjectName(QStringLiteral("cbPosizione"));
    for (const std::string& n : PositionNames()) position->addItem(Q(n));
    bar->addWidget(position);
    QObject::connect(position, &QComboBox::activated, bar, [&form](int i) {
        Format(form, [i](richtext::TNYXTextAttributes& t, richtext::TNYXParaAttributes&) {
            t.SetPosition(static_cast<std::uint8_t>(i));
        });
    });

    bar->addSeparator();
    struct Para {
        const char* name;
        const char* caption;
        std::function<void(richtext::TNYXParaAttributes&)> op;
    };
    const Para paras[] = {
        {"actAllineaSx", "Allinea a sinistra", [](auto& p) { p.SetAlignment(0); }},
        {"actCentra", "Centra", [](auto& p) { p.SetAlignment(2); }},
        {"actAllineaDx", "Allinea a destra", [](auto& p) { p.SetAlignment(1); }},
        // The list buttons turn their mark on, or off when the paragraph has it.
        {"actNumerazione", "Elenco numerato",
         [](auto& p) { p.SetListMark(p.Value(richtext::pfList) == 6 ? 0 : 6); }},
        {"actPuntato", "Elenco puntato", [](auto& p) { p.SetListMark(p.Value(richtext::pfList) == 10 ? 0 : 10); }},
    };
    for (const Para& d : paras) {
        QAction* a = bar->addAction(Q(d.caption));
        a->setObjectName(Q(d.name));
        auto op = d.op;
        QObject::connect(a, &QAction::triggered, bar, [&form, op] {
            Format(form, [&](richtext::TNYXTextAttributes&, richtext::TNYXParaAttributes& p) { op(p); });
        });
    }
    QAction* para = bar->addAction(QStringLiteral("Paragrafo..."));
    para->setObjectName(QStringLiteral("actParagrafo"));
    QObject::connect(para, &QAction::triggered, bar, [&form] {
        if (form.Busy() || form.PageView()->ReadOnly()) return;
        TParagraphChoices c;
        c.Load(richtext::TNYXParaAttributes(form.PageView()->Box()));
        TFparagrafo dlg(c, &form);
        if (RunDialog(dlg) != QDialog::Accepted) return;
        const TParagraphChoices chosen = dlg.choices;
        Format(form, [&](richtext::TNYXTextAttributes&, richtext::TNYXParaAttributes& p) { chosen.Apply(p, nullptr); });
    });
}

}  // namespace shell::ui
