#include "shell/ui/SearchDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace shell::ui {
namespace {

QString Q(std::string_view cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string Cp(const QString& s) { return platform::text::Utf8ToCp1252(s.toStdString()); }

QString ObjectText(const model::TNYXoggetto& o) {
    std::string name = o.GetName();
    if (name.empty()) name = o.DescriptionTitle();
    return Q(name);
}

}  // namespace

// --- TJobRunner -------------------------------------------------------------------------------

TJobRunner::TJobRunner(QObject* parent) : QObject(parent) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &TJobRunner::Tick);
}

void TJobRunner::Start(TSlicedJob* job, std::function<void()> onSlice, std::function<void()> onEnd) {
    Stop();
    job_ = job;
    onSlice_ = std::move(onSlice);
    onEnd_ = std::move(onEnd);
    longest_ = 0;
    if (job_) timer_.start();
}

void TJobRunner::Stop() {
    timer_.stop();
    if (job_) job_->Stop();
    job_ = nullptr;
}

void TJobRunner::Tick() {
    if (!job_) return;
    QElapsedTimer t;
    t.start();
    const bool done = job_->Run(std::chrono::milliseconds(kSliceMs));
    longest_ = std::max<std::int64_t>(longest_, t.nsecsElapsed() / 1000);
    if (onSlice_) onSlice_();
    if (!done) return;
    timer_.stop();
    job_ = nullptr;
    if (auto end = std::move(onEnd_)) end();
}

void TJobRunner::RunAndWait(TSlicedJob* job, std::function<void()> onSlice) {
    QEventLoop loop;
    Start(job, std::move(onSlice), [&loop] { loop.quit(); });
    if (Running()) loop.exec();
}

// --- TFcerca ------------------------------------------------------------------------------------

TFcerca::TFcerca(TMode mode, const TSearchRequest& start, const std::vector<std::string>& lastTerms, QWidget* parent)
    : QDialog(parent), mode_(mode) {
    setObjectName("TFcerca");
    setWindowTitle(mode == TMode::kReplace     ? QString::fromUtf8("Cerca / Sostituisci")
                   : mode == TMode::kOperators ? QString::fromUtf8("Cerca con operatori")
                                               : QString::fromUtf8("Cerca"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const int count = mode == TMode::kOperators ? 4 : 1;
    const char* labels[4] = {"C&erca:", "e (B):", "oppure (C):", "e (D):"};
    const std::string* values[4] = {&start.terms.a, &start.terms.b, &start.terms.c, &start.terms.d};
    for (int i = 0; i < count; ++i) {
        terms_[i] = new QComboBox(this);
        terms_[i]->setEditable(true);
        terms_[i]->setObjectName(QString("term%1").arg(QChar('A' + i)));
        if (i == 0)
            for (const std::string& t : lastTerms) terms_[i]->addItem(Q(t));
        terms_[i]->setEditText(Q(*values[i]));
        form->addRow(QString::fromUtf8(labels[i]), terms_[i]);
    }
    if (mode == TMode::kOperators)
        form->addRow(new QLabel(QString::fromUtf8("Trova le pagine con (A e B) oppure (C e D)."), this));
    if (mode == TMode::kReplace) {
        with_ = new QLineEdit(Q(start.with), this);
        with_->setObjectName("with");
        form->addRow(QString::fromUtf8("Sostituisci c&on:"), with_);
    }
    layout->addLayout(form);

    whole_ = new QCheckBox(QString::fromUtf8("solo parole intere"), this);
    whole_->setObjectName("wholeword");
    whole_->setChecked(start.options.wholeWord);
    ignoreCase_ = new QCheckBox(QString::fromUtf8("ignora maiuscole/minuscole"), this);
    ignoreCase_->setObjectName("ignorecaps");
    ignoreCase_->setChecked(start.options.ignoreCase);
    conf1_ = new QCheckBox(QString::fromUtf8("chiedi conferma per sostituire una"), this);
    conf1_->setObjectName("conf1");
    conf1_->setChecked(start.options.confirmOne);
    confAll_ = new QCheckBox(QString::fromUtf8("chiedi conferma per sostituire tutte"), this);
    confAll_->setObjectName("confAll");
    confAll_->setChecked(start.options.confirmAll);
    for (QCheckBox* b : {whole_, ignoreCase_}) layout->addWidget(b);
    if (mode == TMode::kReplace)
        for (QCheckBox* b : {conf1_, confAll_}) layout->addWidget(b);
    else
        conf1_->hide(), confAll_->hide();

    auto* startRow = new QHBoxLayout;
    startRow->addWidget(new QLabel(QString::fromUtf8("Parti da:"), this));
    startFrom_ = new QComboBox(this);
    startFrom_->setObjectName("startFrom");
    startFrom_->addItems({QString::fromUtf8("cursore"), QString::fromUtf8("inizio pagina")});
    startFrom_->setCurrentIndex(start.options.startFrom == 1 ? 1 : 0);
    startRow->addWidget(startFrom_);
    layout->addLayout(startRow);

    // Where the search looks is always in sight.
    auto* scope = new QGroupBox(QString::fromUtf8("Cerca in"), this);
    auto* scopeRow = new QHBoxLayout(scope);
    inPage_ = new QRadioButton(QString::fromUtf8("questa &pagina"), scope);
    inPage_->setObjectName("scopePage");
    inHypertext_ = new QRadioButton(QString::fromUtf8("tutto l'&ipertesto"), scope);
    inHypertext_->setObjectName("scopeHypertext");
    (start.scope == TSearchScope::kPage ? inPage_ : inHypertext_)->setChecked(true);
    scopeRow->addWidget(inPage_);
    scopeRow->addWidget(inHypertext_);
    layout->addWidget(scope);
    if (mode == TMode::kOperators) {
        // Operators find pages: the whole hypertext.
        inHypertext_->setChecked(true);
        inPage_->setEnabled(false);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(mode == TMode::kReplace ? QString::fromUtf8("&Sostituisci")
                                                                 : QString::fromUtf8("&Cerca"),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(QString::fromUtf8("&Annulla"), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TSearchRequest TFcerca::Request() const {
    TSearchRequest r;
    std::string* values[4] = {&r.terms.a, &r.terms.b, &r.terms.c, &r.terms.d};
    for (int i = 0; i < 4; ++i)
        if (terms_[i]) *values[i] = Cp(terms_[i]->currentText());
    r.replace = mode_ == TMode::kReplace;
    if (with_) r.with = Cp(with_->text());
    r.options.wholeWord = whole_->isChecked();
    r.options.ignoreCase = ignoreCase_->isChecked();
    r.options.confirmOne = conf1_->isChecked();
    r.options.confirmAll = confAll_->isChecked();
    r.options.startFrom = startFrom_->currentIndex();
    r.scope = inHypertext_->isChecked() ? TSearchScope::kHypertext : TSearchScope::kPage;
    return r;
}

void TFcerca::done(int r) {
    if (r == QDialog::Accepted) {
        const TSearchRequest req = Request();
        std::vector<QString> typed;
        for (const QComboBox* t : terms_)
            if (t) typed.push_back(t->currentText());
        if (with_) typed.push_back(with_->text());
        for (const QString& text : typed) {
            std::size_t unmapped = 0;
            platform::text::Utf8ToCp1252(text.toStdString(), &unmapped);
            if (unmapped > 0) {
                platform::ui().Warning(platform::text::Cp1252ToUtf8(kTermUnmappable));
                return;
            }
        }
        // The terms and the messages about them are Windows-1252; message
        // boxes take UTF-8.
        if (const std::string why = TermsProblem(req.terms); !why.empty()) {
            platform::ui().Warning(platform::text::Cp1252ToUtf8(why));
            return;
        }
        if (req.with.size() > kMaxTermLength) {
            platform::ui().Warning(platform::text::Cp1252ToUtf8(kTermTooLong));
            return;
        }
        if (req.terms.Empty()) return;
    }
    QDialog::done(r);
}

// --- TFparoleChiave ---------------------------------------------------------------------------

TFparoleChiave::TFparoleChiave(const model::TNYXset& set, QWidget* parent) : QDialog(parent), set_(set) {
    setObjectName("TFparoleChiave");
    setWindowTitle(QString::fromUtf8("Pagina per parola chiave"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Parole chiave disponibili:"), this));
    keywords_ = new QListWidget(this);
    keywords_->setObjectName("keywords");
    entries_ = Keywords(set);
    for (const TKeywordEntry& k : entries_) keywords_->addItem(Q(k.name));
    layout->addWidget(keywords_);
    heading_ = new QLabel(this);
    heading_->setObjectName("heading");
    layout->addWidget(heading_);
    pages_ = new QListWidget(this);
    pages_->setObjectName("pages");
    layout->addWidget(pages_);
    connect(keywords_, &QListWidget::currentRowChanged, this, &TFparoleChiave::ChooseKeyword);
    connect(pages_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annulla"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TFparoleChiave::ChooseKeyword(int row) {
    pages_->clear();
    if (row < 0 || row >= static_cast<int>(entries_.size())) {
        heading_->clear();
        return;
    }
    heading_->setText(Q(KeywordHeading(entries_[static_cast<std::size_t>(row)].name)));
    for (std::int64_t slot : PagesWithKeyword(set_, entries_[static_cast<std::size_t>(row)].slot)) {
        auto* item = new QListWidgetItem(ObjectText(*set_.ObjectAt(model::testoHtml, slot)), pages_);
        item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(slot));
    }
    if (pages_->count() > 0) pages_->setCurrentRow(0);
}

std::int64_t TFparoleChiave::ChosenPage() const {
    const QListWidgetItem* item = pages_->currentItem();
    return item ? item->data(Qt::UserRole).toLongLong() : -1;
}

// --- TFricerche ---------------------------------------------------------------------------------

namespace {

const std::vector<std::pair<int, const char*>>& SearchableTypes() {
    static const std::vector<std::pair<int, const char*>> kTypes = {
        {model::testoHtml, "Pagine"},       {model::immagine, "Immagini"},   {model::genLink, "File"},
        {model::internetLink, "Indirizzi"}, {model::keyword, "Parole chiave"}, {model::custom, "Prototipi"},
        {model::stileParagrafo, "Stili"},
    };
    return kTypes;
}

}  // namespace

TFricerche::TFricerche(const model::TNYXset& set, QWidget* parent) : QDialog(parent), set_(set) {
    setObjectName("TFricerche");
    setWindowTitle(QString::fromUtf8("Ricerche ipertestuali - esplorazione collegamenti"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8("Cerca tutte le pagine che contengono..."), this));
    type_ = new QComboBox(this);
    type_->setObjectName("type");
    resultType_ = new QComboBox(this);
    resultType_->setObjectName("resultType");
    for (const auto& [code, name] : SearchableTypes()) {
        type_->addItem(QString::fromUtf8(name), code);
        resultType_->addItem(QString::fromUtf8(name), code);
    }
    layout->addWidget(type_);
    objects_ = new QListWidget(this);
    objects_->setObjectName("objects");
    layout->addWidget(objects_);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromUtf8("Cerca tra:"), this));
    row->addWidget(resultType_);
    start_ = new QPushButton(QString::fromUtf8("&Cerca"), this);
    start_->setObjectName("start");
    stop_ = new QPushButton(QString::fromUtf8("&Interrompi"), this);
    stop_->setObjectName("stop");
    stop_->setEnabled(false);
    row->addWidget(start_);
    row->addWidget(stop_);
    layout->addLayout(row);
    // The two lists of kinds are filled together; Tab takes them in the order shown.
    setTabOrder(objects_, resultType_);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progress");
    layout->addWidget(progress_);
    results_ = new QListWidget(this);
    results_->setObjectName("results");
    layout->addWidget(results_);
    auto* close = new QPushButton(QString::fromUtf8("C&hiudi"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(type_, &QComboBox::currentIndexChanged, this, [this](int i) { ShowType(type_->itemData(i).toInt()); });
    connect(start_, &QPushButton::clicked, this, &TFricerche::StartSearch);
    connect(stop_, &QPushButton::clicked, this, &TFricerche::StopSearch);
    connect(results_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (onShowPage && resultType_->currentData().toInt() == model::testoHtml)
            onShowPage(item->data(Qt::UserRole).toLongLong());
    });
    ShowType(model::testoHtml);
}

TFricerche::~TFricerche() { runner_.Stop(); }

void TFricerche::ShowType(int type) {
    StopSearch();
    objects_->clear();
    objectSlots_.clear();
    for (std::size_t i = 0; i < set_.Count(type); ++i) {
        const model::TNYXoggetto* o = set_.ObjectAt(type, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        objects_->addItem(ObjectText(*o));
        objectSlots_.push_back(static_cast<std::int64_t>(i));
    }
    const int at = type_->findData(type);
    if (at >= 0 && at != type_->currentIndex()) {
        QSignalBlocker block(type_);
        type_->setCurrentIndex(at);
    }
}

void TFricerche::SelectObject(std::int64_t slot) {
    for (std::size_t i = 0; i < objectSlots_.size(); ++i)
        if (objectSlots_[i] == slot) objects_->setCurrentRow(static_cast<int>(i));
}

void TFricerche::StartSearch() {
    StopSearch();
    const int row = objects_->currentRow();
    if (row < 0 || row >= static_cast<int>(objectSlots_.size())) return;
    const int type = type_->currentData().toInt();
    const std::int32_t ref = model::MakeRef(type, static_cast<std::uint32_t>(objectSlots_[static_cast<std::size_t>(row)]));
    results_->clear();
    job_ = std::make_unique<TReferencesJob>(set_, ref, resultType_->currentData().toInt());
    progress_->setRange(0, static_cast<int>(std::max<std::size_t>(job_->Total(), 1)));
    progress_->setValue(0);
    start_->setEnabled(false);
    stop_->setEnabled(true);
    std::size_t shown = 0;
    const int resultType = resultType_->currentData().toInt();
    runner_.Start(
        job_.get(),
        [this, shown, resultType]() mutable {
            progress_->setValue(static_cast<int>(job_->Done()));
            const auto& hits = job_->Hits();
            for (; shown < hits.size(); ++shown) {
                const model::TNYXoggetto* o = set_.ObjectAt(resultType, hits[shown].slot);
                auto* item = new QListWidgetItem(
                    (o ? ObjectText(*o) : QString()) + "   {" + Q(ReasonText(hits[shown].reason)) + "}", results_);
                item->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(hits[shown].slot));
            }
        },
        [this] { Finished(); });
}

void TFricerche::StopSearch() {
    runner_.Stop();
    Finished();
}

void TFricerche::Finished() {
    start_->setEnabled(true);
    stop_->setEnabled(false);
}

void TFricerche::reject() {
    StopSearch();
    QDialog::reject();
}

// --- TFesplora ------------------------------------------------------------------------------------

TFesplora::TFesplora(const model::TNYXset& set, QWidget* parent) : QDialog(parent), set_(set) {
    setObjectName("TFesplora");
    setWindowTitle(QString::fromUtf8("Esplorazione dei collegamenti"));
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    title_->setObjectName("title");
    layout->addWidget(title_);
    layout->addWidget(new QLabel(QString::fromUtf8("Pagine che portano a questa pagina:"), this));
    from_ = new QListWidget(this);
    from_->setObjectName("from");
    layout->addWidget(from_);
    layout->addWidget(new QLabel(QString::fromUtf8("Collegamenti da questa pagina verso:"), this));
    to_ = new QListWidget(this);
    to_->setObjectName("to");
    layout->addWidget(to_);
    auto* close = new QPushButton(QString::fromUtf8("&Chiudi"), this);
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    for (QListWidget* list : {from_, to_})
        connect(list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
            const std::int32_t ref = item->data(Qt::UserRole).toInt();
            if (onShowPage && model::RefType(ref) == model::testoHtml) onShowPage(model::RefIndex(ref));
        });
}

TFesplora::~TFesplora() { runner_.Stop(); }

void TFesplora::Explore(std::int64_t page) {
    runner_.Stop();
    from_->clear();
    to_->clear();
    const model::TNYXoggetto* p = set_.ObjectAt(model::testoHtml, page);
    title_->setText(p ? ObjectText(*p) : QString());
    if (!p || p->IsEmpty()) return;
    job_ = std::make_unique<TLinkExploreJob>(set_, page);
    job_->onFrom = [this](const std::vector<std::int64_t>& pages) {
        for (std::int64_t s : pages) {
            auto* item = new QListWidgetItem(ObjectText(*set_.ObjectAt(model::testoHtml, s)), from_);
            item->setData(Qt::UserRole, model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(s)));
        }
    };
    job_->onTo = [this](const std::vector<std::int32_t>& targets) {
        for (std::int32_t ref : targets) {
            const model::TNYXoggetto* o = set_.ObjectByRef(ref);
            auto* item = new QListWidgetItem(o ? ObjectText(*o) : QString::number(ref, 16), to_);
            item->setData(Qt::UserRole, ref);
        }
    };
    runner_.Start(job_.get());
}

void TFesplora::reject() {
    runner_.Stop();
    QDialog::reject();
}

}  // namespace shell::ui
