#include "shell/ui/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "platform/text.h"
#include "shell/ProgramOptions.h"

namespace text = platform::text;

namespace shell::ui {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
QString QFromCp(std::string_view cp) { return Q(text::Cp1252ToUtf8(cp)); }
std::string CpFrom(const QString& s) { return text::Utf8ToCp1252(s.toStdString()); }

QDialogButtonBox* OkCancel(QDialog* d) {
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    b->setObjectName(QStringLiteral("bbPulsanti"));
    b->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Ok"));
    b->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOk"));
    b->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    b->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btAnnulla"));
    QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

QSpinBox* Spin(QWidget* parent, const char* name, int min, int max) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(min, max);
    return s;
}

QString ColourText(std::int32_t c) {
    // Stored red in the low byte; shown as RRGGBB like the markup writes it.
    const auto u = static_cast<std::uint32_t>(c);
    return QStringLiteral("%1%2%3")
        .arg(u & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((u >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((u >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

bool ParseColour(const QString& s, std::int32_t& out) {
    const QString t = s.trimmed();
    if (t.size() != 6) return false;
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok) return false;
    out = static_cast<std::int32_t>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
    return true;
}
}  // namespace

// --- TFopzioni -------------------------------------------------------------------

QCheckBox* TFopzioni::Flag(const char* name, const char* caption) {
    auto* c = new QCheckBox(Q(caption), this);
    c->setObjectName(QStringLiteral("cb") + QString::fromLatin1(name));
    flags_.emplace_back(name, c);
    return c;
}

TFopzioni::TFopzioni(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFopzioni"));
    setWindowTitle(QStringLiteral("Opzioni del programma"));
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tcOpzioni"));

    auto* general = new QWidget(tabs);
    auto* g = new QVBoxLayout(general);
    g->addWidget(Flag("TipOfTheDay", "Suggerimento del giorno"));
    g->addWidget(Flag("AutoHideTip", "Chiudi automaticamente suggerimento"));
    g->addWidget(Flag("AtStartBlank", "Parti con pagina vuota"));
    notSaveTool_ = new QCheckBox(QStringLiteral("alla partenza, usa default per la toolbar"), general);
    notSaveTool_->setObjectName(QStringLiteral("cbNotSaveTool"));
    g->addWidget(notSaveTool_);
    g->addWidget(Flag("Bak", "Crea copie .bak salvando"));
    g->addWidget(Flag("BordoSx", "Mostra il bordo sinistro dell'editor"));
    g->addWidget(Flag("CercaTop", "Finestre di ricerca sempre in primo piano"));
    auto* rem = new QHBoxLayout;
    rem->addWidget(Flag("PromemSave", "Promemoria salvataggio:  ogni"));
    timeSave_ = Spin(general, "seTimeSave", 1, 1440);
    rem->addWidget(timeSave_);
    rem->addWidget(new QLabel(QStringLiteral("minuti"), general));
    rem->addStretch();
    g->addLayout(rem);
    auto* nums = new QFormLayout;
    maxCacheImg_ = Spin(general, "seMaxCacheImg", 10, 200);
    undoDeep_ = Spin(general, "seUndoDeep", 5, 100);
    formLim_ = Spin(general, "seFormLim", 3, 10);
    nums->addRow(QStringLiteral("Immagini in memoria:"), maxCacheImg_);
    nums->addRow(QStringLiteral("Livelli di undo:"), undoDeep_);
    nums->addRow(QStringLiteral("Cache finestre:"), formLim_);
    cursors_ = new QComboBox(general);
    cursors_->setObjectName(QStringLiteral("cbCursors"));
    cursors_->addItems({QStringLiteral("Standard"), QStringLiteral("Grandi"), QStringLiteral("Inversi")});
    nums->addRow(QStringLiteral("Puntatori"), cursors_);
    defaultLib_ = new QLineEdit(general);
    defaultLib_->setObjectName(QStringLiteral("edDefaultLib"));
    nums->addRow(QStringLiteral("Libreria di prototipi:"), defaultLib_);
    g->addLayout(nums);
    auto* reset = new QPushButton(QStringLiteral("Azzera settaggi memorizzati per finestre"), general);
    reset->setObjectName(QStringLiteral("btAzzera"));
    connect(reset, &QPushButton::clicked, this, [this] { ResetWindowSettings(shell::options()); });
    g->addWidget(reset);
    g->addStretch();
    tabs->addTab(general, QStringLiteral("Generale"));

    auto* editing = new QWidget(tabs);
    auto* e = new QVBoxLayout(editing);
    e->addWidget(Flag("Virgolette", "Virgolette tipografiche durante la scrittura"));
    e->addWidget(Flag("Alt", "genera autom. \"alt\" in inserzione immagini"));
    e->addWidget(Flag("ElStili", "Elimina gli stili importando da file"));
    e->addWidget(Flag("ClipStili", "Elimina gli stili incollando dagli appunti"));
    e->addWidget(Flag("ElForm", "Elimina parte della formattazione importando da file"));
    e->addWidget(Flag("ClipForm", "Elimina parte della formattazione incollando dagli appunti"));
    e->addWidget(Flag("SaveTxtHtml", "Salva .TXT in contemporanea a HTML"));
    e->addWidget(Flag("dbDebug", "Aiuti per il debug del database"));
    e->addWidget(Flag("dbDebugMap", "Aiuti per il debug delle mappe"));
    spellNote_ = new QLabel(editing);
    spellNote_->setObjectName(QStringLiteral("lbOrtografia"));
    spellNote_->setWordWrap(true);
    spellNote_->hide();
    e->addWidget(spellNote_);
    e->addStretch();
    tabs->addTab(editing, QStringLiteral("Scrittura"));

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(tabs);
    lay->addWidget(OkCancel(this));
}

void TFopzioni::Load(const shell::TOptionsStore& store) {
    const shell::TProgramOptions o = shell::ReadProgramOptions(store);
    const std::pair<const char*, bool> values[] = {
        {"TipOfTheDay", o.tipOfTheDay}, {"AutoHideTip", o.autoHideTip}, {"AtStartBlank", o.atStartBlank},
        {"Bak", o.bak},                 {"BordoSx", o.bordoSx},         {"CercaTop", o.cercaTop},
        {"PromemSave", o.promemSave},   {"Virgolette", o.virgolette},   {"Alt", o.alt},
        {"ElStili", o.elStili},         {"ClipStili", o.clipStili},     {"ElForm", o.elForm},
        {"ClipForm", o.clipForm},       {"SaveTxtHtml", o.saveTxtHtml}, {"dbDebug", o.dbDebug},
        {"dbDebugMap", o.dbDebugMap}};
    for (auto& [name, box] : flags_)
        for (const auto& [n, v] : values)
            if (std::string_view(n) == name) box->setChecked(v);
    notSaveTool_->setChecked(!o.restoreToolbars);
    maxCacheImg_->setValue(o.maxCacheImg);
    undoDeep_->setValue(o.undoDeep);
    formLim_->setValue(o.formLim);
    timeSave_->setValue(o.timeSave);
    cursors_->setCurrentIndex(std::clamp(o.cursors, 0, cursors_->count() - 1));
    defaultLib_->setText(QFromCp(o.defaultLib));
    lastFile_ = o.lastFile;
    hcpPath_ = o.hcpPath;
}

bool TFopzioni::Store(shell::TOptionsStore& store) {
    shell::TProgramOptions o = shell::ReadProgramOptions(store);
    auto flag = [this](const char* name) {
        for (auto& [n, box] : flags_)
            if (std::string_view(n) == name) return box->isChecked();
        return false;
    };
    o.tipOfTheDay = flag("TipOfTheDay");
    o.autoHideTip = flag("AutoHideTip");
    o.atStartBlank = flag("AtStartBlank");
    o.bak = flag("Bak");
    o.bordoSx = flag("BordoSx");
    o.cercaTop = flag("CercaTop");
    o.promemSave = flag("PromemSave");
    o.virgolette = flag("Virgolette");
    o.alt = flag("Alt");
    o.elStili = flag("ElStili");
    o.clipStili = flag("ClipStili");
    o.elForm = flag("ElForm");
    o.clipForm = flag("ClipForm");
    o.saveTxtHtml = flag("SaveTxtHtml");
    o.dbDebug = flag("dbDebug");
    o.dbDebugMap = flag("dbDebugMap");
    o.restoreToolbars = !notSaveTool_->isChecked();
    o.maxCacheImg = maxCacheImg_->value();
    o.undoDeep = undoDeep_->value();
    o.formLim = formLim_->value();
    o.timeSave = timeSave_->value();
    o.cursors = cursors_->currentIndex();
    o.defaultLib = CpFrom(defaultLib_->text());
    return shell::WriteProgramOptions(store, o);
}

void TFopzioni::SetSpellingNote(const std::string& why) {
    spellNote_->setText(why.empty() ? QString() : Q("Controllo ortografico non disponibile: ") + QFromCp(why));
    spellNote_->setVisible(!why.empty());
}

bool TFopzioni::ResetWindowSettings(shell::TOptionsStore& store) {
    if (platform::ui().AskYesNo("Occorrerà chiudere il programma immediatamente in modo che l'azzeramento abbia "
                                "luogo. Procedo con l'azzeramento?") != platform::Answer::Yes)
        return false;
    return store.DeleteSection("forms\\");
}

// --- TFproprieta -------------------------------------------------------------------

QLineEdit* TFproprieta::Line(const char* name, int capacity) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(capacity);
    return e;
}

TFproprieta::TFproprieta(const model::TNYXset& set, QWidget* parent) : QDialog(parent) {
    namespace h = model::hdr;
    setObjectName(QStringLiteral("TFproprieta"));
    setWindowTitle(QStringLiteral("Proprietà dell'ipertesto corrente"));
    auto* tabs = new QTabWidget(this);

    auto* general = new QWidget(tabs);
    auto* f = new QFormLayout(general);
    title_ = Line("edTitolo", h::kTitleCap);
    authors_ = Line("edAutori", h::kNameCap);
    company_ = Line("edSocieta", h::kNameCap);
    copyright_ = Line("edCopyright", h::kNameCap);
    prefix_ = Line("edPrefisso", h::kPrefixCap);
    password_ = Line("edPassword", 16);
    password_->setEchoMode(QLineEdit::Password);
    info_ = new QPlainTextEdit(general);
    info_->setObjectName(QStringLiteral("meInfo"));
    readOnly_ = new QCheckBox(QStringLiteral("Solo lettura"), general);
    readOnly_->setObjectName(QStringLiteral("cbSoloLettura"));
    f->addRow(QStringLiteral("Titolo:"), title_);
    f->addRow(QStringLiteral("Autori:"), authors_);
    f->addRow(QStringLiteral("Società:"), company_);
    f->addRow(QStringLiteral("Copyright:"), copyright_);
    f->addRow(QStringLiteral("Prefisso esportazione:"), prefix_);
    f->addRow(QStringLiteral("Password di sola lettura:"), password_);
    f->addRow(QString(), readOnly_);
    f->addRow(QStringLiteral("Altre informazioni:"), info_);
    tabs->addTab(general, QStringLiteral("Generale"));

    auto* pages = new QWidget(tabs);
    auto* p = new QFormLayout(pages);
    auto combo = [pages](const char* name) {
        auto* c = new QComboBox(pages);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    cover_ = combo("cbCopertina");
    contents_ = combo("cbSommario");
    header_ = combo("cbIntestazione");
    footer_ = combo("cbPiePagina");
    header_->addItem(QStringLiteral("(nessuna)"), -1);
    footer_->addItem(QStringLiteral("(nessuna)"), -1);
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* o = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        QString t = QStringLiteral("%1: %2").arg(i).arg(QFromCp(o->DescriptionTitle()));
        for (QComboBox* c : {cover_, contents_, header_, footer_}) c->addItem(t, static_cast<int>(i));
    }
    auto select = [](QComboBox* c, std::int32_t v) {
        int at = c->findData(static_cast<int>(v));
        if (at < 0) {
            // An index the tables do not hold is kept as it is.
            c->addItem(QStringLiteral("%1").arg(v), static_cast<int>(v));
            at = c->count() - 1;
        }
        c->setCurrentIndex(at);
    };
    select(cover_, set.HInt(h::kCoverPage));
    select(contents_, set.HInt(h::kContentsPage));
    select(header_, set.HInt(h::kHeaderPage));
    select(footer_, set.HInt(h::kFooterPage));
    p->addRow(QStringLiteral("Copertina:"), cover_);
    p->addRow(QStringLiteral("Sommario:"), contents_);
    p->addRow(QStringLiteral("Intestazione di ogni pagina:"), header_);
    p->addRow(QStringLiteral("Piè di pagina di ogni pagina:"), footer_);
    backColor_ = Line("edColoreSfondo", 6);
    textColor_ = Line("edColoreTesto", 6);
    linkColor_ = Line("edColoreLink", 6);
    visitedColor_ = Line("edColoreVisitato", 6);
    p->addRow(QStringLiteral("Colore di sfondo (RRGGBB):"), backColor_);
    p->addRow(QStringLiteral("Colore del testo:"), textColor_);
    p->addRow(QStringLiteral("Colore dei collegamenti:"), linkColor_);
    p->addRow(QStringLiteral("Colore dei collegamenti visitati:"), visitedColor_);
    backPicture_ = Spin(pages, "seImmagineSfondo", -1, 0xFFFFFF);
    p->addRow(QStringLiteral("Immagine di sfondo (-1 nessuna):"), backPicture_);
    language_ = Spin(pages, "seLingua", 0, 0xFFFF);
    p->addRow(QStringLiteral("Lingua:"), language_);
    tabs->addTab(pages, QStringLiteral("Pagine"));

    auto* server = new QWidget(tabs);
    auto* s = new QVBoxLayout(server);
    auto check = [server, s](const char* name, const char* caption) {
        auto* c = new QCheckBox(Q(caption), server);
        c->setObjectName(QString::fromLatin1(name));
        s->addWidget(c);
        return c;
    };
    showContents_ = check("cbSommarioBtn", "Pulsante \"Sommario\"");
    showSearch_ = check("cbCercaBtn", "Pulsante \"Cerca\"");
    showHelp_ = check("cbGuidaBtn", "Pulsante \"Guida\"");
    hideCover_ = check("cbNascondiCopertina", "Nascondi il pulsante \"Copertina\"");
    noButtons_ = check("cbNessunPulsante", "Nessun pulsante");
    s->addStretch();
    tabs->addTab(server, QStringLiteral("Pubblicazione"));

    title_->setText(QFromCp(set.Title()));
    authors_->setText(QFromCp(set.HStr(h::kAuthors, h::kNameCap)));
    company_->setText(QFromCp(set.HStr(h::kCompany, h::kNameCap)));
    copyright_->setText(QFromCp(set.HStr(h::kCopyright, h::kNameCap)));
    prefix_->setText(QFromCp(set.ExpPrefix()));
    password_->setText(QFromCp(set.HStr(h::kPassword, 16)));
    info_->setPlainText(QFromCp(set.Info()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    readOnly_->setChecked(set.HByte(h::kReadOnly) != 0);
    backColor_->setText(ColourText(set.HInt(h::kBackColor)));
    textColor_->setText(ColourText(set.HInt(h::kTextColor)));
    linkColor_->setText(ColourText(set.HInt(h::kLinkColor)));
    visitedColor_->setText(ColourText(set.HInt(h::kVisitedColor)));
    backPicture_->setValue(std::max(-1, set.HInt(h::kBackPicture)));
    language_->setValue(set.HWord(h::kLanguage));
    showContents_->setChecked(set.HByte(h::kShowContents) != 0);
    showSearch_->setChecked(set.HByte(h::kShowSearch) != 0);
    showHelp_->setChecked(set.HByte(h::kShowHelp) != 0);
    hideCover_->setChecked(set.HByte(h::kHideCover) != 0);
    noButtons_->setChecked(set.HByte(h::kNoButtons) != 0);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(tabs);
    lay->addWidget(OkCancel(this));
}

bool TFproprieta::Store(model::TNYXset& set) const {
    namespace h = model::hdr;
    std::array<std::uint8_t, model::kHeaderSize> before;
    std::copy(set.Header(), set.Header() + model::kHeaderSize, before.begin());
    set.SetTitle(CpFrom(title_->text()));
    set.SetHStr(h::kAuthors, h::kNameCap, CpFrom(authors_->text()));
    set.SetHStr(h::kCompany, h::kNameCap, CpFrom(company_->text()));
    set.SetHStr(h::kCopyright, h::kNameCap, CpFrom(copyright_->text()));
    set.SetExpPrefix(CpFrom(prefix_->text()));
    set.SetHStr(h::kPassword, 16, CpFrom(password_->text()));
    QString info = info_->toPlainText();
    info.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    set.SetInfo(CpFrom(info));
    set.SetHByte(h::kReadOnly, readOnly_->isChecked() ? 1 : 0);
    set.SetHInt(h::kCoverPage, cover_->currentData().toInt());
    set.SetHInt(h::kContentsPage, contents_->currentData().toInt());
    set.SetHInt(h::kHeaderPage, header_->currentData().toInt());
    set.SetHInt(h::kFooterPage, footer_->currentData().toInt());
    const std::pair<QLineEdit*, int> colours[] = {
        {backColor_, h::kBackColor}, {textColor_, h::kTextColor}, {linkColor_, h::kLinkColor}, {visitedColor_, h::kVisitedColor}};
    for (const auto& [edit, off] : colours) {
        std::int32_t c;
        if (ParseColour(edit->text(), c)) set.SetHInt(off, c);  // a malformed colour keeps the old one
    }
    set.SetHInt(h::kBackPicture, backPicture_->value());
    set.SetHWord(h::kLanguage, static_cast<std::uint16_t>(language_->value()));
    set.SetHByte(h::kShowContents, showContents_->isChecked() ? 1 : 0);
    set.SetHByte(h::kShowSearch, showSearch_->isChecked() ? 1 : 0);
    set.SetHByte(h::kShowHelp, showHelp_->isChecked() ? 1 : 0);
    set.SetHByte(h::kHideCover, hideCover_->isChecked() ? 1 : 0);
    set.SetHByte(h::kNoButtons, noButtons_->isChecked() ? 1 : 0);
    return !std::equal(before.begin(), before.end(), set.Header());
}

// --- TFfinestre ------------------------------------------------------------------------

TFfinestre::TFfinestre(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFfinestre"));
    setWindowTitle(QStringLiteral("Finestre"));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(OkCancel(this));
}

void TFfinestre::AddWindow(QWidget* w, const char* caption) {
    if (!w) return;
    auto* c = new QCheckBox(Q(caption), this);
    c->setObjectName(QStringLiteral("cbFinestra%1").arg(windows_.size()));
    c->setChecked(!w->isHidden());
    static_cast<QVBoxLayout*>(layout())->insertWidget(static_cast<int>(windows_.size()), c);
    windows_.emplace_back(w, c);
}

void TFfinestre::Apply() {
    for (auto& [w, c] : windows_) w->setVisible(c->isChecked());
}

// --- TAboutBox, TTipForm -------------------------------------------------------------------

// --- TFpassword -------------------------------------------------------------------

TFpassword::TFpassword(const std::string& prompt, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFpassword"));
    setWindowTitle(QStringLiteral("Solo lettura"));
    auto* lay = new QVBoxLayout(this);
    auto* label = new QLabel(Q(prompt), this);
    label->setObjectName(QStringLiteral("lbPassword"));
    lay->addWidget(label);
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("edPassword"));
    password_->setEchoMode(QLineEdit::Password);
    label->setBuddy(password_);
    lay->addWidget(password_);
    lay->addWidget(OkCancel(this));
}

std::string TFpassword::Password() const { return password_->text().toStdString(); }

TAboutBox::TAboutBox(QWidget* parent, bool splash) : QDialog(parent, splash ? Qt::SplashScreen : Qt::Dialog) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("Informazioni su Quor"));
    auto* lay = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<h2>Quor 3.0</h2>"), this);
    name->setObjectName(QStringLiteral("lbNome"));
    lay->addWidget(name);
    lay->addWidget(new QLabel(QStringLiteral("Editor di ipertesti: pagine, immagini, tabelle,\n"
                                             "esportazione in HTML e pubblicazione in rete."),
                              this));
    if (!splash) {
        auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
        lay->addWidget(ok);
    }
}

const std::vector<const char*>& TTipForm::Tips() {
    static const std::vector<const char*> tips = {
        "Ctrl+S salva tutto l'ipertesto; \"Salva con nome...\" ne fa una copia con un altro nome.",
        "\"Salva come modello...\" mette l'ipertesto fra i modelli: \"Nuovo da...\" lo propone per i nuovi ipertesti.",
        "Si può aprire un ipertesto trascinandone il file sulla finestra principale.",
        "Gli ultimi cinque ipertesti aperti sono in fondo al menu File.",
        "Nelle \"Opzioni del programma...\" si può attivare il promemoria di salvataggio.",
        "Le proprietà dell'ipertesto corrente stabiliscono copertina, sommario, intestazione e piè di pagina.",
    };
    return tips;
}

TTipForm::TTipForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TTipForm"));
    setModal(false);
    auto* lay = new QVBoxLayout(this);
    auto* head = new QLabel(QStringLiteral("<b>Benvenuti in Quor (editor)!</b>"), this);
    head->setObjectName(QStringLiteral("lbBenvenuti"));
    lay->addWidget(head);
    tip_ = new QLabel(this);
    tip_->setObjectName(QStringLiteral("lbSuggerimento"));
    tip_->setWordWrap(true);
    tip_->setMinimumSize(360, 80);
    lay->addWidget(tip_);
    showAtStart_ = new QCheckBox(QStringLiteral("Mostra i suggerimenti all'avvio"), this);
    showAtStart_->setObjectName(QStringLiteral("cbMostra"));
    showAtStart_->setChecked(true);
    lay->addWidget(showAtStart_);
    auto* row = new QHBoxLayout;
    auto* next = new QPushButton(QStringLiteral("&Prossimo"), this);
    next->setObjectName(QStringLiteral("btProssimo"));
    auto* close = new QPushButton(QStringLiteral("&Chiudi"), this);
    close->setObjectName(QStringLiteral("btChiudi"));
    row->addStretch();
    row->addWidget(next);
    row->addWidget(close);
    lay->addLayout(row);
    connect(next, &QPushButton::clicked, this, [this] { NextTip(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    current_ = QRandomGenerator::global()->bounded(static_cast<quint32>(Tips().size()));
    tip_->setText(Q(Tips()[current_]));
    SetStarting(true);
}

void TTipForm::SetStarting(bool starting) {
    setWindowTitle(starting ? QStringLiteral("Caricamento in corso") : QStringLiteral("Suggerimenti"));
}

void TTipForm::NextTip() {
    current_ = (current_ + 1) % Tips().size();
    tip_->setText(Q(Tips()[current_]));
}

bool TTipForm::ShowAtStart() const { return showAtStart_->isChecked(); }

void TTipForm::done(int r) {
    shell::options().WriteFlag("TipOfTheDay", ShowAtStart());
    QDialog::done(r);
}

}  // namespace shell::ui
