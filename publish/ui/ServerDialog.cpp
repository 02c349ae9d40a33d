#include "publish/ui/ServerDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/FtpPublish.h"
#include "publish/ui/DialogParts.h"
#include "publish/ui/NetActivity.h"

namespace publish {

namespace fs = std::filesystem;
using platform::text::Cp1252ToUtf8;
using platform::text::Utf8ToCp1252;

TFquornet::TFquornet(TConfigAccess& config, int mode, TServerDialogHost host, QWidget* parent)
    : QDialog(parent), config_(config), mode_(mode), host_(std::move(host)) {
    setWindowTitle(mode_ == kDownload ? QStringLiteral("Prendi ipertesto da rete")
                                      : QStringLiteral("Pubblicazione in internet/intranet (con estensioni server)"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    publishPage_ = BuildPublishPage();
    passwordPage_ = BuildPasswordPage();
    configPage_ = BuildConfigPage();
    tabs_->addTab(publishPage_, mode_ == kDownload ? QStringLiteral("Prendi") : QStringLiteral("Pubblica"));
    tabs_->addTab(passwordPage_, QStringLiteral("Cambia password"));
    tabs_->addTab(configPage_, QStringLiteral("Configurazione"));
    layout->addWidget(tabs_, 1);
    auto* bar = new QHBoxLayout;
    gauge_ = new QProgressBar(this);
    gauge_->setRange(0, 100);
    stop_ = new QPushButton(QStringLiteral("Stop"), this);
    bar->addWidget(gauge_, 1);
    bar->addWidget(stop_);
    layout->addLayout(bar);
    gauge_->hide();
    stop_->hide();
    status_ = NewStatusLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* close = new QPushButton(QStringLiteral("Chiudi"), this);
    connect(close, &QPushButton::clicked, this, &TFquornet::reject);
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(stop_, &QPushButton::clicked, this, [this] {
        comm_.Stop();
        status_->setText(QStringLiteral("Interrotto dall'utente"));
    });
    comm_.OnBegin = [this] {
        gauge_->setValue(0);
        gauge_->show();
        stop_->show();
    };
    comm_.OnEnd = [this] {
        gauge_->hide();
        stop_->hide();
    };
    comm_.OnTick = [this] {
        const long long total = comm_.ExpectedSize();
        if (total > 0) gauge_->setValue(static_cast<int>(comm_.Bytes() * 100 / total));
    };

    FillConfigList();
    configIndex_ = SelectedServerConfig(config_);
    fields_.configs->setCurrentIndex(configIndex_);
    LoadConfiguration(configIndex_);
    if (host_.set) {
        std::error_code ec;
        const auto size = fs::file_size(host_.set->NYXFileName(), ec);
        current_->setText(QStringLiteral("Ipertesto corrente:") + QString::fromStdString(host_.set->NYXFileName().filename().string()) +
                          QStringLiteral(" (") + QString::number(ec ? 0 : size) + QStringLiteral(" bytes)"));
    }
    if (mode_ == kConfig) tabs_->setCurrentWidget(configPage_);
    if (mode_ == kPassword) tabs_->setCurrentWidget(passwordPage_);
    resize(680, 500);
}

TFquornet::~TFquornet() { comm_.Stop(); }

QWidget* TFquornet::BuildPublishPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    current_ = new QLabel(page);
    v->addWidget(current_);
    auto* pw = new QHBoxLayout;
    pw->addWidget(new QLabel(QStringLiteral("Password:"), page));
    pass_ = new QLineEdit(page);
    pass_->setObjectName(QStringLiteral("password"));
    pass_->setEchoMode(QLineEdit::Password);
    pass_->setMaxLength(static_cast<int>(kMaxServerPassword));
    pw->addWidget(pass_, 1);
    v->addLayout(pw);
    auto* h = new QHBoxLayout;
    sections_ = new QListWidget(page);
    sections_->setObjectName(QStringLiteral("sections"));
    index_ = new QTreeWidget(page);
    index_->setObjectName(QStringLiteral("hypertexts"));
    index_->setHeaderLabels({QStringLiteral("Nome"), QStringLiteral("Dimensione"), QStringLiteral("Versione"), QStringLiteral("Data")});
    index_->setRootIsDecorated(false);
    index_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    h->addWidget(sections_, 1);
    h->addWidget(index_, 2);
    v->addLayout(h, 1);
    address_ = new QLabel(page);
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    used_ = new QLabel(page);
    v->addWidget(address_);
    v->addWidget(used_);
    auto* buttons = new QHBoxLayout;
    auto* pub = new QPushButton(QStringLiteral("Pubblica"), page);
    auto* save = new QPushButton(QStringLiteral("Salva..."), page);
    auto* edit = new QPushButton(QStringLiteral("Edita..."), page);
    auto* del = new QPushButton(QStringLiteral("&Cancella"), page);
    pub->setVisible(mode_ != kDownload);
    for (QPushButton* b : {pub, save, edit, del}) {
        buttons->addWidget(b);
        actions_.push_back(b);
    }
    v->addLayout(buttons);
    connect(pub, &QPushButton::clicked, this, [this] { PublishNow(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveSelected(false); });
    connect(edit, &QPushButton::clicked, this, [this] { SaveSelected(true); });
    connect(del, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(sections_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != comm_.Section()) ChooseSection(row);
    });
    connect(index_, &QTreeWidget::itemSelectionChanged, this, [this] { ShowSection(); });
    return page;
}

QWidget* TFquornet::BuildPasswordPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    new1_ = new QLineEdit(page);
    new2_ = new QLineEdit(page);
    for (QLineEdit* e : {new1_, new2_}) {
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(static_cast<int>(kMaxServerPassword));
    }
    form->addRow(QStringLiteral("Nuova password:"), new1_);
    form->addRow(QStringLiteral("Ripeti la password:"), new2_);
    auto* change = new QPushButton(QStringLiteral("Cambia password"), page);
    actions_.push_back(change);
    form->addRow(QString(), change);
    connect(change, &QPushButton::clicked, this, [this] { ChangePasswordNow(new1_->text(), new2_->text()); });
    return page;
}

QWidget* TFquornet::BuildConfigPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    fields_.Build(page, form);
    baseDir_ = new QLineEdit(page);
    baseDir2_ = new QLineEdit(page);
    upCgi_ = new QLineEdit(page);
    cgi_ = new QLineEdit(page);
    form->addRow(QStringLiteral("Directory modello:"), baseDir_);
    form->addRow(QStringLiteral("Directory programmi:"), baseDir2_);
    form->addRow(QStringLiteral("Programma di invio:"), upCgi_);
    form->addRow(QStringLiteral("Programma di lettura:"), cgi_);
    auto* apply = new QPushButton(QStringLiteral("Applica configurazione"), page);
    actions_.push_back(apply);
    form->addRow(QString(), apply);
    connect(apply, &QPushButton::clicked, this, [this] { ApplyConfiguration(); });
    connect(fields_.configs, &QComboBox::activated, this, [this](int i) {
        configIndex_ = i;
        LoadConfiguration(i);
        SetSelectedServerConfig(config_, i);
        RequestRights();
    });
    connect(fields_.add, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString name = QInputDialog::getText(this, windowTitle(), QStringLiteral("Inserisci il nome per la nuova configurazione"),
                                                   QLineEdit::Normal, QString(), &ok);
        if (!ok || name.trimmed().isEmpty()) return;
        TServerConfig c;
        c.nomeConf = QToCp(name.trimmed());
        configIndex_ = ServerConfigCount(config_);
        WriteServerConfig(config_, configIndex_, c);
        FillConfigList();
        fields_.configs->setCurrentIndex(configIndex_);
        LoadConfiguration(configIndex_);
    });
    return page;
}

void TFquornet::FillConfigList() {
    fields_.configs->clear();
    for (int i = 0, n = ServerConfigCount(config_); i < n; ++i) fields_.configs->addItem(CpToQ(ReadServerConfig(config_, i).nomeConf));
}

void TFquornet::LoadConfiguration(int index) {
    const TServerConfig c = ReadServerConfig(config_, index);
    fields_.Load(c);
    baseDir_->setText(CpToQ(c.quorBaseDir));
    baseDir2_->setText(CpToQ(c.quorBaseDir2));
    upCgi_->setText(CpToQ(c.quorUpCGI));
    cgi_->setText(CpToQ(c.quorCGI));
    rightsAsked_ = false;
    if (!comm_.Configure(c)) SetStatus(comm_.Message());
    sections_->clear();
    index_->clear();
}

TServerConfig TFquornet::EditedConfig() const {
    TServerConfig c = ReadServerConfig(config_, configIndex_);
    fields_.Take(c);
    c.quorBaseDir = QToCp(baseDir_->text());
    c.quorBaseDir2 = QToCp(baseDir2_->text());
    c.quorUpCGI = QToCp(upCgi_->text());
    c.quorCGI = QToCp(cgi_->text());
    if (comm_.Section() >= 0) c.sezione = comm_.Section();
    return c;
}

void TFquornet::ApplyConfiguration() {
    const TServerConfig c = EditedConfig();
    if (!comm_.Configure(c)) {
        SetStatus(comm_.Message());
        return;
    }
    WriteServerConfig(config_, configIndex_, c);
    SetSelectedServerConfig(config_, configIndex_);
    FillConfigList();
    fields_.configs->setCurrentIndex(configIndex_);
    RequestRights();
}

void TFquornet::SetStatus(const std::string& cp1252) { status_->setText(CpToQ(cp1252)); }

void TFquornet::SetBusy(bool busy) {
    for (QPushButton* b : actions_) b->setEnabled(!busy);
}

void TFquornet::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (mode_ != kConfig && !rightsAsked_ && fields_.user->text() != QLatin1String("unknown"))
        QTimer::singleShot(100, this, [this] {
            if (!rightsAsked_ && !comm_.Busy()) RequestRights();
        });
}

int TFquornet::RequestRights() {
    rightsAsked_ = true;
    comm_.password = QToCp(pass_->text());
    SetStatus("Richiesta diritti utente al server in corso.");
    SetBusy(true);
    TNetActivity activity([this] { comm_.Stop(); });
    const int r = comm_.GetRights();
    SetBusy(false);
    sections_->blockSignals(true);
    sections_->clear();
    for (const TSection& s : comm_.Sections()) sections_->addItem(CpToQ(s.description.empty() ? s.base : s.description));
    sections_->blockSignals(false);
    SetStatus(comm_.status);
    if (r == kSrvOk && !comm_.Sections().empty()) {
        const int saved = ReadServerConfig(config_, configIndex_).sezione;
        ChooseSection(saved < static_cast<int>(comm_.Sections().size()) ? saved : 0);
    }
    return r;
}

void TFquornet::ShowSection() {
    const std::string base = comm_.SectionAddress();
    std::string name;
    if (mode_ == kDownload) {
        const auto sel = index_->selectedItems();
        if (!sel.isEmpty()) name = QToCp(sel.front()->text(0));
        name = name.substr(0, name.rfind('.'));
    } else if (host_.set) {
        name = Utf8ToCp1252(host_.set->NYXFileName().stem().string());
    }
    address_->setText(CpToQ(base + platform::text::Lower(name) + ".htm"));
    if (comm_.QuotaBytes() > 0)
        used_->setText(QStringLiteral("Quota:") + QString::number(comm_.QuotaBytes()) + QStringLiteral(" bytes   Liberi:") +
                       QString::number(comm_.FreeBytes()) + QStringLiteral(" bytes"));
    else
        used_->setText(QStringLiteral("Occupati:") + QString::number(-comm_.FreeBytes()) + QStringLiteral(" bytes"));
}

int TFquornet::ChooseSection(int index) {
    if (!comm_.ChooseSection(index)) return kSrvNoSection;
    sections_->blockSignals(true);
    sections_->setCurrentRow(index);
    sections_->blockSignals(false);
    TNetActivity activity([this] { comm_.Stop(); });
    const int r = comm_.GetIndex();
    FillIndex();
    ShowSection();
    SetStatus(comm_.status);
    return r;
}

void TFquornet::FillIndex() {
    index_->clear();
    for (const TIndexEntry& e : comm_.Entries()) {
        auto* item = new QTreeWidgetItem(index_);
        item->setText(0, CpToQ(e.name));
        item->setText(1, QString::number(e.size));
        item->setText(2, CpToQ(e.version));
        item->setText(3, CpToQ(e.date));
    }
}

bool TFquornet::NeedPassword() {
    if (!pass_->text().isEmpty()) {
        comm_.password = QToCp(pass_->text());
        return false;
    }
    platform::ui().Warning(kNeedPassword);
    pass_->setFocus();
    return true;
}

int TFquornet::PublishNow() {
    if (comm_.Busy()) {
        platform::ui().Information("Sto completando un'operazione, occorre attendere...");
        return kSrvBusy;
    }
    if (NeedPassword()) return kSrvRefused;
    if (!host_.set) return kSrvError;
    if (host_.saveIfModified && !host_.saveIfModified()) return kSrvCancelled;
    SetBusy(true);
    TNetActivity activity([this] { comm_.Stop(); });
    const int r = comm_.PublishHypertext(host_.set->NYXFileName(), host_.set->Title(), host_.set->SaveCounter());
    SetBusy(false);
    if (r == kSrvOk || r == kSrvCancelled) {
        comm_.GetIndex();
        FillIndex();
        ShowSection();
        if (r == kSrvOk) SetStatus("Ipertesto pubblicato.");
    } else if (r == kSrvNoSection) {
        RequestRights();
        SetStatus("Problemi a contattare il server.");
    } else {
        SetStatus(comm_.Message());
    }
    return r;
}

int TFquornet::SaveSelected(bool edit) {
    const auto sel = index_->selectedItems();
    if (sel.isEmpty()) {
        platform::ui().Warning("Nessun ipertesto risulta selezionato");
        return kSrvError;
    }
    const std::string remote = QToCp(sel.front()->text(0));
    const std::string name = SafeDownloadName(remote);
    if (name.empty()) {
        SetStatus("Nome di file non valido: " + remote);
        return kSrvError;
    }
    fs::path start = fs::path(Cp1252ToUtf8(config_.Read(kServerSection, "directoryGet")));
    std::optional<fs::path> folder;
    if (host_.chooseFolder) {
        folder = host_.chooseFolder(start);
    } else {
        const QString f = QFileDialog::getExistingDirectory(this, QStringLiteral("Scegli la directory dove vuoi salvare l'ipertesto"),
                                                            QString::fromStdString(start.string()));
        if (!f.isEmpty()) folder = fs::path(f.toStdString());
    }
    if (!folder) return kSrvCancelled;
    config_.Write(kServerSection, "directoryGet", Utf8ToCp1252(folder->string()));
    const fs::path local = *folder / Cp1252ToUtf8(name);
    std::error_code ec;
    if (fs::exists(local, ec) &&
        platform::ui().AskYesNo("Il file " + local.string() + " esiste gi\xC3\xA0. Lo sostituisco?") != platform::Answer::Yes)
        return kSrvCancelled;
    SetBusy(true);
    TNetActivity activity([this] { comm_.Stop(); });
    const int r = comm_.Download(comm_.SectionAddress() + remote, local);
    SetBusy(false);
    if (r != kSrvOk) {
        SetStatus(comm_.Message().empty() ? "Errore nella scrittura file " + Utf8ToCp1252(local.string()) : comm_.Message());
        return r;
    }
    SetStatus("File ricevuto correttamente");
    if (edit && host_.openFile) {
        host_.openFile(local);
        accept();
    }
    return r;
}

int TFquornet::DeleteSelected() {
    const auto sel = index_->selectedItems();
    if (sel.isEmpty()) {
        platform::ui().Warning("Nessun ipertesto risulta selezionato");
        return kSrvError;
    }
    if (NeedPassword()) return kSrvRefused;
    std::string names;
    for (QTreeWidgetItem* i : sel) names += (names.empty() ? "" : ",") + QToCp(i->text(0));
    if (names.size() > 220) names = names.substr(0, 220) + "... ";
    if (platform::ui().AskYesNo(Cp1252ToUtf8("Sto per cancellare: " + names + "\nSei sicuro?\rNon sar\xE0 possibile annullare.")) !=
        platform::Answer::Yes)
        return kSrvCancelled;
    SetBusy(true);
    TNetActivity activity([this] { comm_.Stop(); });
    int r = kSrvOk;
    for (QTreeWidgetItem* i : sel) {
        r = comm_.DeleteHypertext(QToCp(i->text(0)));
        if (r != kSrvOk) break;
    }
    SetBusy(false);
    if (r == kSrvOk) SetStatus("Cancellazione ultimata.");
    else if (r == kSrvIndexFailed) SetStatus("Operazione di aggiornamento file indice ipertesti non riuscita.\n" + comm_.Message());
    else SetStatus("Operazione di cancellazione non riuscita.\n" + comm_.Message());
    comm_.GetIndex();
    FillIndex();
    ShowSection();
    return r;
}

int TFquornet::ChangePasswordNow(const QString& first, const QString& second) {
    if (NeedPassword()) return kSrvRefused;
    const char* problem = nullptr;
    if (first.size() <= 4) problem = "Troppo corta!";
    else if (first != second) problem = "Ricontrolla quanto hai scritto, la password nelle\rdue caselle \xE8 diversa!";
    else if (QToCp(first) == comm_.password) problem = "Ricontrolla quanto hai scritto, la password \xE8\ruguale a quella vecchia!";
    else if (QToCp(first).size() > kMaxServerPassword) problem = "La password non pu\xF2 superare i 16 caratteri";
    if (problem) {
        platform::ui().Warning(Cp1252ToUtf8(problem));
        SetStatus(problem);
        return kSrvError;
    }
    SetBusy(true);
    TNetActivity activity([this] { comm_.Stop(); });
    const int r = comm_.ChangePassword(QToCp(first));
    SetBusy(false);
    if (r == kSrvOk) {
        pass_->setText(CpToQ(comm_.password));
        SetStatus("Password cambiata.");
    } else {
        SetStatus("Problemi cambiando la password.");
        platform::ui().Error(Cp1252ToUtf8("Problemi cambiando la password.\n" + comm_.Message()));
    }
    return r;
}

void TFquornet::reject() {
    if (!MayCloseWhileBusy(comm_.Busy(), [this] { comm_.Stop(); })) return;
    WriteServerConfig(config_, configIndex_, EditedConfig());
    QDialog::reject();
}

}  // namespace publish
