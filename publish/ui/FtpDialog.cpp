#include "publish/ui/FtpDialog.h"

#include <algorithm>
#include <map>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "publish/ui/DialogParts.h"
#include "publish/ui/FtpText.h"
#include "publish/ui/KyFTPlistView.h"
#include "publish/ui/KyFtpTxRxBar.h"
#include "publish/ui/NetActivity.h"

namespace publish {

namespace fs = std::filesystem;
using platform::text::Cp1252ToUtf8;
using platform::text::Utf8ToCp1252;

TFftp::TFftp(TConfigAccess& config, int mode, TFtpDialogHost host, QWidget* parent)
    : QDialog(parent), config_(config), mode_(mode), host_(std::move(host)) {
    setWindowTitle(QStringLiteral("FTP"));
    Build();
    FillConfigList();
    configIndex_ = SelectedFtpConfig(config_, mode_);
    fields_.configs->setCurrentIndex(configIndex_);
    LoadConfiguration(configIndex_);
    autoChoose_->setChecked(AutoChooseChanged(config_));
    if (host_.set && !host_.set->NYXFileName().empty())
        SetLocalFolder(host_.set->NYXFileName().parent_path());
    else
        SetLocalFolder(fs::current_path());
}

TFftp::~TFftp() {
    publishComm_.Stop();
    nativeComm_.Stop();
    // The configuration is kept when the window goes.
    WriteFtpConfig(config_, configIndex_, EditedConfig());
    SetAutoChooseChanged(config_, autoChoose_->isChecked());
    std::error_code ec;
    if (!exportFolder_.empty()) fs::remove_all(exportFolder_, ec);
}

TKyFTPlistView* TFftp::RemoteList() const { return mode_ == kNative ? nativeRemote_ : remote_; }
TKyFtpTxRxBar* TFftp::ProgressBar() const { return mode_ == kNative ? nativeBar_ : bar_; }
TKyFtpComm& TFftp::ActiveComm() { return mode_ == kNative ? nativeComm_ : publishComm_; }

void TFftp::Build() {
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    publishPage_ = BuildPublishPage();
    nativePage_ = BuildNativePage();
    configPage_ = BuildConfigPage();
    if (mode_ == kPublishAll || mode_ == kPublishPage) tabs_->addTab(publishPage_, QStringLiteral("Pubblica"));
    else publishPage_->hide();
    if (mode_ == kNative) tabs_->addTab(nativePage_, QStringLiteral("Trasferisci ipertesto NYX via FTP"));
    else nativePage_->hide();
    tabs_->addTab(configPage_, QStringLiteral("Configurazione server"));
    layout->addWidget(tabs_, 1);
    status_ = NewStatusLabel(this);
    layout->addWidget(status_);
    auto* close = new QPushButton(QStringLiteral("Chiudi"), this);
    connect(close, &QPushButton::clicked, this, &TFftp::reject);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(760, 520);
}

QWidget* TFftp::BuildPublishPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    mainAddress_ = new QLabel(page);
    mainAddress_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(mainAddress_);
    versionLabel_ = new QLabel(page);
    versionLabel_->setObjectName(QStringLiteral("version"));
    v->addWidget(versionLabel_);
    auto* h = new QHBoxLayout;
    rows_ = new QTreeWidget(page);
    rows_->setObjectName(QStringLiteral("rows"));
    rows_->setHeaderLabels({QStringLiteral("Titolo"), QStringLiteral("Tipo"), QStringLiteral("File"),
                            QStringLiteral("Versione"), QStringLiteral("Inviata")});
    rows_->setRootIsDecorated(false);
    h->addWidget(rows_, 2);
    remote_ = new TKyFTPlistView(page);
    combo_ = new TKyFTPComboBox(page);
    remote_->SetComboBox(combo_);
    remote_->SetComm(&publishComm_);
    auto* rv = new QVBoxLayout;
    rv->addWidget(combo_);
    rv->addWidget(remote_, 1);
    h->addLayout(rv, 1);
    v->addLayout(h, 1);
    auto* buttons = new QHBoxLayout;
    auto* changed = new QPushButton(QStringLiteral("Modificate"), page);
    allButton_ = new QPushButton(QStringLiteral("Nessuna"), page);
    auto* choose = new QPushButton(QStringLiteral("Scegli..."), page);
    auto* options = new QPushButton(QStringLiteral("Opzioni..."), page);
    options->setObjectName(QStringLiteral("options"));
    options->setEnabled(static_cast<bool>(host_.exportOptions));
    autoChoose_ = new QCheckBox(QStringLiteral("scegli automaticamente modificate"), page);
    publishButton_ = new QPushButton(QStringLiteral("Pubblica"), page);
    publishButton_->setObjectName(QStringLiteral("publish"));
    for (QWidget* w : {static_cast<QWidget*>(changed), static_cast<QWidget*>(allButton_), static_cast<QWidget*>(choose),
                       static_cast<QWidget*>(options), static_cast<QWidget*>(autoChoose_)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    buttons->addWidget(publishButton_);
    v->addLayout(buttons);
    bar_ = new TKyFtpTxRxBar(page);
    bar_->SetComm(&publishComm_);
    v->addWidget(bar_);

    connect(changed, &QPushButton::clicked, this, [this] {
        TakeChecks();
        std::map<std::string, long long> listed;
        for (int i = 0; i < remote_->Model()->rowCount(); ++i)
            listed[remote_->Model()->At(i).name] = remote_->Model()->At(i).size;
        publisher_.ChooseChanged(listed);
        FillRows();
    });
    connect(allButton_, &QPushButton::clicked, this, [this] {
        TakeChecks();
        allChecked_ = !allChecked_;
        publisher_.ChooseAll(allChecked_);
        allButton_->setText(allChecked_ ? QStringLiteral("Nessuna") : QStringLiteral("Tutte"));
        FillRows();
    });
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!host_.choosePages) return;
        TakeChecks();
        publisher_.ChoosePages(host_.choosePages());
        FillRows();
    });
    connect(publishButton_, &QPushButton::clicked, this, [this] { Publish(); });
    connect(options, &QPushButton::clicked, this, [this] { ExportOptions(); });
    connect(remote_, &TKyFTPlistView::FolderChanged, this, [this] {
        ReadServerVersion();
        if (autoChoose_->isChecked()) {
            TakeChecks();
            std::map<std::string, long long> listed;
            for (int i = 0; i < remote_->Model()->rowCount(); ++i)
                listed[remote_->Model()->At(i).name] = remote_->Model()->At(i).size;
            publisher_.ChooseChanged(listed);
            FillRows();
        }
    });
    connect(combo_, &TKyFTPComboBox::FolderChosen, this, [this](const QString& f) { remote_->ChangeFolder(f.toStdString()); });
    return page;
}

QWidget* TFftp::BuildNativePage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* h = new QHBoxLayout;
    auto* lv = new QVBoxLayout;
    localFolderLabel_ = new QLabel(page);
    localFolderLabel_->setTextFormat(Qt::PlainText);
    lv->addWidget(localFolderLabel_);
    localList_ = new QListWidget(page);
    localList_->setObjectName(QStringLiteral("local"));
    localList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv->addWidget(localList_, 1);
    localFilter_ = new QComboBox(page);
    localFilter_->addItems({QStringLiteral("Ipertesti Quor (*.nyx)"), QStringLiteral("Tutti i files (*.*)")});
    lv->addWidget(localFilter_);
    h->addLayout(lv, 1);
    auto* mid = new QVBoxLayout;
    auto* up = new QPushButton(QStringLiteral("pubblica >"), page);
    up->setObjectName(QStringLiteral("upload"));
    auto* down = new QPushButton(QStringLiteral("< prendi"), page);
    down->setObjectName(QStringLiteral("download"));
    auto* pub = new QPushButton(QStringLiteral("Pubblica"), page);
    pub->setObjectName(QStringLiteral("publishNative"));
    mid->addStretch(1);
    mid->addWidget(up);
    mid->addWidget(down);
    mid->addWidget(pub);
    mid->addStretch(1);
    h->addLayout(mid);
    auto* rv = new QVBoxLayout;
    nativeCombo_ = new TKyFTPComboBox(page);
    nativeRemote_ = new TKyFTPlistView(page);
    nativeRemote_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    nativeRemote_->SetComboBox(nativeCombo_);
    nativeRemote_->SetComm(&nativeComm_);
    rv->addWidget(nativeCombo_);
    rv->addWidget(nativeRemote_, 1);
    auto* ops = new QHBoxLayout;
    auto* mkdir = new QPushButton(QStringLiteral("Nuova cartella..."), page);
    auto* ren = new QPushButton(QStringLiteral("Rinomina..."), page);
    auto* del = new QPushButton(QStringLiteral("Cancella"), page);
    auto* refresh = new QPushButton(QStringLiteral("Aggiorna"), page);
    for (QPushButton* b : {mkdir, ren, del, refresh}) ops->addWidget(b);
    rv->addLayout(ops);
    h->addLayout(rv, 1);
    v->addLayout(h, 1);
    nativeBar_ = new TKyFtpTxRxBar(page);
    nativeBar_->SetComm(&nativeComm_);
    v->addWidget(nativeBar_);
    connect(up, &QPushButton::clicked, this, [this] { UploadFiles(); });
    connect(down, &QPushButton::clicked, this, [this] { DownloadFiles(); });
    connect(pub, &QPushButton::clicked, this, [this] { PublishNative(); });
    connect(mkdir, &QPushButton::clicked, this, [this] { MakeRemoteFolder(); });
    connect(ren, &QPushButton::clicked, this, [this] { RenameRemote(); });
    connect(del, &QPushButton::clicked, this, [this] { DeleteRemote(); });
    connect(refresh, &QPushButton::clicked, this, [this] {
        PrepareComm(nativeComm_);
        nativeRemote_->Refresh();
    });
    connect(localFilter_, &QComboBox::currentIndexChanged, this, [this] { RefreshLocal(); });
    connect(localList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString name = item->text();
        if (!name.endsWith(QLatin1Char('/'))) return;
        fs::path next = name == QLatin1String("../") ? localFolder_.parent_path() : localFolder_ / name.chopped(1).toStdString();
        SetLocalFolder(next);
    });
    connect(nativeCombo_, &TKyFTPComboBox::FolderChosen, this,
            [this](const QString& f) { nativeRemote_->ChangeFolder(f.toStdString()); });
    return page;
}

QWidget* TFftp::BuildConfigPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    auto* ren = new QPushButton(QStringLiteral("Rinomina..."), page);
    fields_.Build(page, form)->addWidget(ren);
    pass_ = new QLineEdit(page);
    pass_->setObjectName(QStringLiteral("password"));
    pass_->setEchoMode(QLineEdit::Password);
    savePass_ = new QCheckBox(QStringLiteral("Salva password"), page);
    baseDir_ = new QLineEdit(page);
    www_ = new QLineEdit(page);
    script_ = new QLineEdit(page);
    script_->setObjectName(QStringLiteral("script"));
    scriptArgs_ = new QLineEdit(page);
    scriptArgs_->setObjectName(QStringLiteral("scriptArgs"));
    scriptArgs_->setToolTip(QStringLiteral("Il programma riceve questi argomenti, poi il percorso remoto e quello locale del file"));
    useScript_ = new QCheckBox(QStringLiteral("Dopo la trasmissione di ogni file, chiama il seguente script"), page);
    form->addRow(QStringLiteral("Password:"), pass_);
    form->addRow(QString(), savePass_);
    form->addRow(QStringLiteral("Directory remota:"), baseDir_);
    form->addRow(QStringLiteral("Indirizzo web:"), www_);
    form->addRow(useScript_);
    form->addRow(QStringLiteral("Script:"), script_);
    form->addRow(QStringLiteral("Argomenti dello script:"), scriptArgs_);
    // The check box is made after the script fields it governs; Tab reaches it first, as it is shown.
    setTabOrder(www_, useScript_);
    applyButton_ = new QPushButton(QStringLiteral("Applica configurazione"), page);
    form->addRow(QString(), applyButton_);
    connect(applyButton_, &QPushButton::clicked, this, [this] { ApplyConfiguration(); });
    connect(fields_.add, &QPushButton::clicked, this, [this] { NewConfiguration(); });
    connect(ren, &QPushButton::clicked, this, [this] { RenameConfiguration(); });
    connect(fields_.configs, &QComboBox::activated, this, [this](int i) {
        ActiveComm().Stop();
        WriteFtpConfig(config_, configIndex_, EditedConfig());
        configIndex_ = i;
        SetSelectedFtpConfig(config_, mode_, i);
        LoadConfiguration(i);
        connectedOnce_ = false;
        if (mode_ != kConfig) ConnectNow();
    });
    return page;
}

void TFftp::FillConfigList() {
    fields_.configs->clear();
    for (int i = 0, n = FtpConfigCount(config_); i < n; ++i) fields_.configs->addItem(CpToQ(ReadFtpConfig(config_, i).nomeConf));
}

void TFftp::LoadConfiguration(int index) {
    const TFtpConfig c = ReadFtpConfig(config_, index);
    fields_.Load(c);
    pass_->setText(c.savePass ? CpToQ(c.pass) : QString());
    savePass_->setChecked(c.savePass);
    baseDir_->setText(CpToQ(c.baseDir));
    www_->setText(CpToQ(c.www));
    script_->setText(CpToQ(c.script));
    scriptArgs_->setText(CpToQ(c.scriptm));
    useScript_->setChecked(c.useScript);
    if (host_.exporter && host_.set) {
        const std::vector<std::int32_t> pages = convert::AllPages(*host_.set);
        const model::TNYXoggetto* first = pages.empty() ? nullptr : host_.set->ObjectAt(model::testoHtml, pages.front());
        const std::string file = first ? host_.exporter->PageFileName(first, 0) : std::string();
        mainAddress_->setText(CpToQ(c.www + file) + QStringLiteral("   (") + CpToQ(file) + QStringLiteral(")"));
    }
}

TFtpConfig TFftp::EditedConfig() const {
    TFtpConfig c = ReadFtpConfig(config_, configIndex_);
    fields_.Take(c);
    c.savePass = savePass_->isChecked();
    c.pass = c.savePass ? QToCp(pass_->text()) : std::string();
    c.baseDir = QToCp(baseDir_->text());
    c.www = QToCp(www_->text());
    c.script = QToCp(script_->text());
    c.scriptm = QToCp(scriptArgs_->text());
    c.useScript = useScript_->isChecked();
    return c;
}

void TFftp::NewConfiguration() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, windowTitle(), QStringLiteral("Inserisci il nome per la nuova configurazione server"),
                                               QLineEdit::Normal, QString(), &ok);
    if (!ok || name.trimmed().isEmpty()) return;
    WriteFtpConfig(config_, configIndex_, EditedConfig());
    const int index = FtpConfigCount(config_);
    TFtpConfig c;
    c.nomeConf = QToCp(name.trimmed());
    WriteFtpConfig(config_, index, c);
    FillConfigList();
    configIndex_ = index;
    fields_.configs->setCurrentIndex(index);
    SetSelectedFtpConfig(config_, mode_, index);
    LoadConfiguration(index);
}

void TFftp::RenameConfiguration() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, windowTitle(), QStringLiteral("Inserisci il nome per la nuova configurazione server"),
                                               QLineEdit::Normal, fields_.configs->currentText(), &ok);
    if (!ok || name.trimmed().isEmpty()) return;
    TFtpConfig c = EditedConfig();
    c.nomeConf = QToCp(name.trimmed());
    WriteFtpConfig(config_, configIndex_, c);
    FillConfigList();
    fields_.configs->setCurrentIndex(configIndex_);
}

void TFftp::ApplyConfiguration() {
    const TFtpConfig c = EditedConfig();
    if (!ValidHostName(c.server)) {
        platform::ui().Error("Nome del server non valido: non deve contenere spazi o caratteri di controllo.");
        return;
    }
    ActiveComm().Stop();
    WriteFtpConfig(config_, configIndex_, c);
    SetSelectedFtpConfig(config_, mode_, configIndex_);
    SetAutoChooseChanged(config_, autoChoose_->isChecked());
    FillConfigList();
    fields_.configs->setCurrentIndex(configIndex_);
    connectedOnce_ = false;
    publishComm_.Ftp().CloseAll();
    nativeComm_.Ftp().CloseAll();
    if (mode_ != kConfig) ConnectNow();
}

void TFftp::PrepareComm(TKyFtpComm& comm) {
    const TFtpConfig c = EditedConfig();
    T_Ftp& f = comm.Ftp();
    if (f.HostName != c.server || f.Port != c.port || f.UserName != c.user) f.CloseAll();
    f.HostName = c.server;
    f.Port = static_cast<std::uint16_t>(c.port);
    f.UserName = c.user;
    f.TimeoutMs = c.timeout * 1000;
    f.Password = Utf8ToCp1252(pass_->text().toStdString());
}

bool TFftp::NeedPassword() {
    if (!pass_->text().isEmpty()) return false;
    platform::ui().Warning(kNeedPassword);
    ShowStatus(QString::fromUtf8(kNeedPassword));
    tabs_->setCurrentWidget(configPage_);
    pass_->setFocus();
    return true;
}

void TFftp::ShowStatus(const QString& text) { status_->setText(text); }

void TFftp::ShowRemoteStatus(const std::string& text) {
    // A server's reply shows from its fourth character (after the code).
    if (!text.empty() && text[0] >= '0' && text[0] <= '9' && text.size() > 3) ShowStatus(FtpBytesToQString(text.substr(4)));
    else ShowStatus(FtpBytesToQString(text));
}

void TFftp::SetBusy(bool busy) {
    publishButton_->setEnabled(!busy);
    applyButton_->setEnabled(!busy);
}

void TFftp::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (mode_ != kConfig && !connectedOnce_) {
        connectedOnce_ = true;
        QTimer::singleShot(100, this, [this] {
            if (!pass_->text().isEmpty()) ConnectNow();
        });
    }
}

bool TFftp::ExportPages() {
    if (!host_.set || !host_.exporter) return false;
    platform::BusyCursor busy;
    exportFolder_ = host_.set->WorkFolder() / "TmpExpHtml";
    host_.exporter->OnExpProgress = [this](int pag, int tot, int phase) {
        ShowStatus(QString::fromStdString(Cp1252ToUtf8(convert::ProgressText(pag, tot, phase))));
        platform::ui().ProcessEvents(1);
    };
    const bool ok = publisher_.Export(*host_.exporter, *host_.set, exportFolder_,
                                      mode_ == kPublishPage ? host_.currentPage : -1);
    host_.exporter->OnExpProgress = nullptr;
    allChecked_ = true;
    FillRows();
    ShowStatus(ok ? QString() : QString::fromStdString(Cp1252ToUtf8(host_.exporter->Report().problems.empty()
                                                                         ? std::string()
                                                                         : host_.exporter->Report().problems.front())));
    LoadConfiguration(configIndex_);
    return ok;
}

void TFftp::FillRows() {
    rows_->clear();
    for (const TPublishRow& r : publisher_.rows) {
        auto* item = new QTreeWidgetItem(rows_);
        item->setText(0, CpToQ(r.title));
        item->setText(1, CpToQ(r.kind));
        item->setText(2, CpToQ(r.files.empty() ? std::string() : r.files.front()));
        item->setText(3, QString::number(r.stamp));
        item->setText(4, r.sent >= 0 ? QString::number(r.sent) : QString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TFftp::TakeChecks() {
    for (int i = 0; i < rows_->topLevelItemCount() && i < static_cast<int>(publisher_.rows.size()); ++i)
        publisher_.rows[static_cast<std::size_t>(i)].checked = rows_->topLevelItem(i)->checkState(0) == Qt::Checked;
}

bool TFftp::ConnectNow() {
    TKyFtpComm& comm = ActiveComm();
    if (!ValidHostName(EditedConfig().server)) {
        ShowStatus(QStringLiteral("Impossibile connettersi: nome del server non valido"));
        return false;
    }
    PrepareComm(comm);
    TNetActivity activity([&comm] { comm.Stop(); });
    TKyFTPlistView* list = RemoteList();
    list->Model()->Clear();
    const TFtpConfig c = EditedConfig();
    bool ok = list->Open();
    if (ok && !c.baseDir.empty() && c.baseDir != list->CurrentFolder()) ok = list->ChangeFolder(c.baseDir);
    if (!ok && comm.Result() == kFtpFailed) ShowStatus(QStringLiteral("Impossibile connettersi"));
    else if (ok) ShowRemoteStatus(comm.StatusText());
    return ok;
}

void TFftp::ReadServerVersion() {
    std::vector<std::string> names;
    for (int i = 0; i < remote_->Model()->rowCount(); ++i) names.push_back(remote_->Model()->At(i).name);
    TNetActivity activity([this] { publishComm_.Stop(); });
    publisher_.ReadServerVersion(remote_->CurrentFolder(), names);
    versionLabel_->setText(CpToQ(publisher_.versionLabel));
}

int TFftp::Publish() {
    if (host_.leavePage) host_.leavePage();
    struct Again {
        std::function<void()> f;
        ~Again() {
            if (f) f();
        }
    } again{host_.showPage};
    if (NeedPassword()) return kFtpRefused;
    SetBusy(true);
    TakeChecks();
    int r = kFtpOk;
    if (host_.saveIfModified && !host_.saveIfModified()) r = kFtpStopped;
    if (r == kFtpOk && !publishComm_.Connected()) {
        PrepareComm(publishComm_);
        if (!ConnectNow()) r = publishComm_.Result() == kFtpOk ? kFtpFailed : publishComm_.Result();
    }
    if (r == kFtpOk && host_.set) {
        PrepareComm(publishComm_);
        TNetActivity activity([this] { publishComm_.Stop(); });
        publisher_.OnFile = [this](const std::string& n) { ShowStatus(QString::fromStdString(n)); };
        publisher_.script = ScriptOf(EditedConfig());
        r = publisher_.Publish(remote_->CurrentFolder(), host_.set->SaveCounter(), host_.set->NYXFileName());
        FillRows();
        ShowStatus(QString::fromStdString(publisher_.status) +
                   (publisher_.detail.empty() ? QString() : QStringLiteral(": ") + FtpBytesToQString(publisher_.detail)));
        if (r == kFtpOk && remote_->Refresh()) ReadServerVersion();
    } else if (r == kFtpStopped) {
        ShowStatus(QStringLiteral("Interrotto dall'utente"));
    } else {
        ShowStatus(QStringLiteral("Errore"));
    }
    SetBusy(false);
    return r;
}

int TFftp::TransferResultStatus(int r, const char* ok) {
    ShowStatus(r == kFtpOk ? QString::fromUtf8(ok)
               : r == kFtpStopped ? QStringLiteral("Interrotto dall'utente")
               : r == kPublishScriptFailed ? QStringLiteral("Errore: ") + QString::fromStdString(scriptError_)
                                  : QStringLiteral("Errore: ") + FtpBytesToQString(nativeComm_.ErrorText()));
    return r;
}

int TFftp::AfterUpload(const std::string& remote, const fs::path& local) {
    const TAfterTransferScript script = ScriptOf(EditedConfig());
    if (!script.Enabled()) return kFtpOk;
    scriptError_.clear();
    return script.Run(remote, local.string(), scriptError_) ? kFtpOk : kPublishScriptFailed;
}

bool TFftp::ExportOptions() {
    if (!host_.exportOptions || !host_.exportOptions()) return false;
    // The choice of rows survives a new export where the same objects come back.
    TakeChecks();
    std::map<std::pair<std::int32_t, std::string>, bool> kept;
    for (const TPublishRow& r : publisher_.rows) kept[{r.ref, r.kind}] = r.checked;
    const bool ok = ExportPages();
    for (TPublishRow& r : publisher_.rows)
        if (auto it = kept.find({r.ref, r.kind}); it != kept.end()) r.checked = it->second;
    FillRows();
    return ok;
}

void TFftp::SetLocalFolder(const fs::path& folder) {
    localFolder_ = folder;
    localFolderLabel_->setText(QString::fromStdString(folder.string()));
    RefreshLocal();
}

void TFftp::RefreshLocal() {
    localList_->clear();
    std::error_code ec;
    std::vector<std::string> dirs, files;
    const bool onlyNyx = localFilter_->currentIndex() == 0;
    for (const auto& e : fs::directory_iterator(localFolder_, ec)) {
        const std::string name = e.path().filename().string();
        if (e.is_directory(ec)) dirs.push_back(name + "/");
        else if (!onlyNyx || platform::text::Lower(e.path().extension().string()) == ".nyx") files.push_back(name);
    }
    std::sort(dirs.begin(), dirs.end());
    std::sort(files.begin(), files.end());
    if (localFolder_.has_parent_path() && localFolder_ != localFolder_.root_path()) localList_->addItem(QStringLiteral("../"));
    for (const auto& d : dirs) localList_->addItem(QString::fromStdString(d));
    for (const auto& f : files) localList_->addItem(QString::fromStdString(f));
    if (host_.set && host_.set->NYXFileName().parent_path() == localFolder_) {
        const auto found = localList_->findItems(QString::fromStdString(host_.set->NYXFileName().filename().string()), Qt::MatchExactly);
        if (!found.isEmpty()) found.front()->setSelected(true);
    }
}

int TFftp::UploadFiles() {
    if (NeedPassword()) return kFtpRefused;
    PrepareComm(nativeComm_);
    TNetActivity activity([this] { nativeComm_.Stop(); });
    if (!nativeComm_.Connected() && !ConnectNow()) return TransferResultStatus(nativeComm_.Result(), "");
    int r = kFtpOk;
    for (QListWidgetItem* item : localList_->selectedItems()) {
        const QString name = item->text();
        if (name.endsWith(QLatin1Char('/'))) continue;
        ShowStatus(name);
        const fs::path file = localFolder_ / name.toStdString();
        r = nativeComm_.Upload(file, nativeRemote_->CurrentFolder() + name.toStdString());
        if (r == kFtpOk) r = AfterUpload(nativeRemote_->CurrentFolder() + name.toStdString(), file);
        if (r != kFtpOk) break;
    }
    nativeRemote_->Refresh();
    return TransferResultStatus(r, "Trasferimento OK");
}

int TFftp::DownloadFiles() {
    if (NeedPassword()) return kFtpRefused;
    PrepareComm(nativeComm_);
    TNetActivity activity([this] { nativeComm_.Stop(); });
    std::vector<std::string> names;
    for (const QModelIndex& i : nativeRemote_->selectionModel()->selectedRows()) {
        const auto& row = nativeRemote_->Model()->At(i.row());
        if (row.kind != QLatin1String("Directory")) names.push_back(row.name);
    }
    int r = kFtpOk;
    for (const std::string& remote : names) {
        // Only a plain base name is created here, whatever the server calls it.
        const std::string name = SafeDownloadName(remote);
        if (name.empty()) {
            platform::ui().Warning("Nome di file non valido: " + remote);
            continue;
        }
        const fs::path local = localFolder_ / name;
        std::error_code ec;
        if (fs::exists(local, ec) &&
            platform::ui().AskYesNo("Il file " + local.string() + " esiste gi\xC3\xA0. Lo sostituisco?") != platform::Answer::Yes)
            continue;
        ShowStatus(QString::fromStdString(name));
        r = nativeComm_.Download(nativeRemote_->CurrentFolder() + remote, local);
        if (r != kFtpOk) break;
    }
    RefreshLocal();
    return TransferResultStatus(r, "Trasferimento OK");
}

int TFftp::PublishNative() {
    if (NeedPassword()) return kFtpRefused;
    if (host_.saveIfModified && !host_.saveIfModified()) return TransferResultStatus(kFtpStopped, "");
    const fs::path file = host_.set ? host_.set->NYXFileName() : fs::path();
    std::error_code ec;
    if (file.empty() || !fs::is_regular_file(file, ec)) {
        ShowStatus(QStringLiteral("Errore: ") + QString::fromStdString(file.string()));
        return kPublishNoNative;
    }
    PrepareComm(nativeComm_);
    TNetActivity activity([this] { nativeComm_.Stop(); });
    if (!nativeComm_.Connected() && !ConnectNow()) return TransferResultStatus(nativeComm_.Result(), "");
    const std::string remote = nativeRemote_->CurrentFolder() + file.filename().string();
    int r = nativeComm_.Upload(file, remote);
    if (r == kFtpOk) r = AfterUpload(remote, file);
    nativeRemote_->Refresh();
    return TransferResultStatus(r, "Trasferimento OK");
}

void TFftp::MakeRemoteFolder() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, windowTitle(), QStringLiteral("Nome della nuova cartella:"), QLineEdit::Normal,
                                               QString(), &ok);
    if (!ok || name.isEmpty()) return;
    PrepareComm(nativeComm_);
    nativeRemote_->MakeFolder(name.toStdString());
}

void TFftp::RenameRemote() {
    const QModelIndexList sel = nativeRemote_->selectionModel()->selectedRows();
    if (sel.isEmpty()) return;
    const std::string old = nativeRemote_->Model()->At(sel.front().row()).name;
    bool ok = false;
    const QString name = QInputDialog::getText(this, windowTitle(), QStringLiteral("Nuovo nome:"), QLineEdit::Normal,
                                               FtpBytesToQString(old), &ok);
    if (!ok || name.isEmpty()) return;
    PrepareComm(nativeComm_);
    const std::string folder = nativeRemote_->CurrentFolder();
    if (nativeComm_.Rename(folder + old, folder + name.toStdString()) != kFtpOk)
        ShowStatus(QStringLiteral("Errore: ") + FtpBytesToQString(nativeComm_.ErrorText()));
    nativeRemote_->Refresh();
}

void TFftp::DeleteRemote() {
    PrepareComm(nativeComm_);
    nativeRemote_->DeleteSelected();
}

bool TFftp::MayClose() {
    return MayCloseWhileBusy(publishComm_.Busy() || nativeComm_.Busy(), [this] {
        publishComm_.Stop();
        nativeComm_.Stop();
    });
}

void TFftp::reject() {
    if (MayClose()) QDialog::reject();
}

void TFftp::closeEvent(QCloseEvent* e) {
    if (!MayClose()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

}  // namespace publish
