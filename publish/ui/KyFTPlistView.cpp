#include "publish/ui/KyFTPlistView.h"

#include <QApplication>
#include <QHeaderView>
#include <QMimeDatabase>
#include <QStyle>

#include <algorithm>

#include "platform/Ui.h"
#include "publish/KyFtpComm.h"
#include "publish/ui/FtpText.h"

namespace publish {

// ---------------------------------------------------------------- model

QString TKyFtpListModel::KindText(int kind) {
    switch (kind) {
        case kFtpDirectory: return QStringLiteral("Directory");
        case kFtpFile: return QStringLiteral("File");
        case kFtpLink: return QStringLiteral("Link");
        default: return {};
    }
}

int TKyFtpListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TKyFtpListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QIcon TKyFtpListModel::IconFor(const std::string& name, const QString& kind) const {
    if (kind == QLatin1String("Directory")) return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
    QString ext = FtpBytesToQString(name.substr(dot + 1)).toLower();
    auto found = icons_.find(ext);
    if (found != icons_.end()) return *found;
    static const QMimeDatabase mimes;
    QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    icons_.insert(ext, icon);
    return icon;
}

QVariant TKyFtpListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& r = rows_[static_cast<size_t>(index.row())];
    if (role == kBytesRole) return QByteArray(r.name.data(), static_cast<qsizetype>(r.name.size()));
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case kName: return FtpBytesToQString(r.name);
            case kSize: return r.size > 0 ? QString::number(r.size) : QString();
            case kKind: return r.kind;
            case kDate: return r.date.isValid() ? r.date.toString(QStringLiteral("dd/MM/yyyy hh:mm")) : QString();
        }
    }
    if (role == Qt::DecorationRole && index.column() == kName) return IconFor(r.name, r.kind);
    if (role == Qt::TextAlignmentRole && index.column() == kSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TKyFtpListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName: return QStringLiteral("Nome");
        case kSize: return QStringLiteral("Dimensione");
        case kKind: return QStringLiteral("Tipo");
        case kDate: return QStringLiteral("Data");
    }
    return {};
}

void TKyFtpListModel::sort(int column, Qt::SortOrder order) {
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged();
    auto less = [column](const Row& a, const Row& b) {
        switch (column) {
            case kSize:
                if (a.size != b.size) return a.size < b.size;
                break;
            case kKind:
                if (a.kind != b.kind) return a.kind < b.kind;
                break;
            case kDate:
                if (a.date != b.date) return a.date < b.date;
                break;
            default: break;
        }
        return a.name < b.name;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(rows_.begin(), rows_.end(), less);
    else
        std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) { return less(b, a); });
    emit layoutChanged();
}

void TKyFtpListModel::Clear() {
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void TKyFtpListModel::Add(const T_Filedata& e) {
    Row r;
    r.name = e.name;
    r.size = e.size;
    r.kind = KindText(e.kind);
    r.date = QDateTime(QDate(e.year, e.month, e.day), QTime(e.hour, e.minute));
    AddRow(std::move(r));
}

void TKyFtpListModel::AddRow(Row row) {
    int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
}

void TKyFtpListModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

int TKyFtpListModel::Find(const std::string& name) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].name == name) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------- combo box

TKyFTPComboBox::TKyFTPComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!filling_ && index >= 0) emit FolderChosen(itemText(index));
    });
}

void TKyFTPComboBox::RecordHost(const QString& host) {
    if (host == host_) return;
    host_ = host;
    clear();
    setToolTip(host);
}

void TKyFTPComboBox::RecordFolder(const QString& folder) {
    filling_ = true;
    int found = findText(folder);
    if (found >= 0) removeItem(found);
    insertItem(0, folder);
    setCurrentIndex(0);
    filling_ = false;
}

QStringList TKyFTPComboBox::Folders() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << itemText(i);
    return out;
}

// ---------------------------------------------------------------- list view

TKyFTPlistView::TKyFTPlistView(QWidget* parent) : QTreeView(parent), model_(new TKyFtpListModel(this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(true);
    sortByColumn(TKyFtpListModel::kName, Qt::AscendingOrder);
    connect(this, &QTreeView::doubleClicked, this, &TKyFTPlistView::OnDoubleClick);
}

void TKyFTPlistView::SetComm(TKyFtpComm* comm) { comm_ = comm; }

void TKyFTPlistView::SetComboBox(TKyFTPComboBox* combo) {
    if (combo_) disconnect(combo_, nullptr, this, nullptr);
    combo_ = combo;
    if (combo_)
        connect(combo_, &TKyFTPComboBox::FolderChosen, this,
                [this](const QString& folder) { ChangeFolder(folder.toStdString()); });
}

void TKyFTPlistView::Fail() {
    platform::ui().Error(FtpBytesToQString(comm_->ErrorText()).toStdString());
}

bool TKyFTPlistView::Open() {
    if (!comm_ || comm_->Busy()) return false;
    bool fresh = !comm_->Connected() || !opened_;
    if (!comm_->Connected() && comm_->Connect() != kFtpOk) {
        Fail();
        return false;
    }
    if (fresh) {
        opened_ = true;
        folder_ = comm_->CurrentFolder();
        if (combo_) {
            combo_->RecordHost(FtpBytesToQString(comm_->Ftp().HostName));
            combo_->RecordFolder(FtpBytesToQString(folder_));
        }
    }
    const bool listed = Refresh();
    if (fresh) emit FolderChanged();
    return listed;
}

bool TKyFTPlistView::Refresh() {
    if (!comm_ || comm_->Busy()) return false;
    model_->Clear();
    // The folder by its path: a connection made again after a stop or a
    // failure starts in the server's first folder, not in this one.
    if (comm_->List(opened_ ? folder_ : std::string(".")) != kFtpOk) {
        Fail();
        return false;
    }
    T_Filedata e;
    while (comm_->NextEntry(e)) model_->Add(e);
    model_->sort(header()->sortIndicatorSection(), header()->sortIndicatorOrder());
    return true;
}

bool TKyFTPlistView::ChangeFolder(const std::string& folder) {
    if (!comm_ || comm_->Busy() || folder.empty()) return false;
    std::string target = folder.back() == '/' ? folder : folder + "/";
    if (comm_->ChangeFolder(target) != kFtpOk) {
        Fail();
        return false;
    }
    folder_ = target;
    if (combo_) combo_->RecordFolder(FtpBytesToQString(folder_));
    const bool listed = Refresh();
    emit FolderChanged();
    return listed;
}

void TKyFTPlistView::OnDoubleClick(const QModelIndex& index) {
    if (!index.isValid()) return;
    const auto& row = model_->At(index.row());
    if (row.kind == QLatin1String("Directory")) ChangeFolder(folder_ + row.name + "/");
}

int TKyFTPlistView::DeleteSelected() {
    if (!comm_ || comm_->Busy()) return 0;
    std::vector<std::string> names;
    for (const QModelIndex& i : selectionModel()->selectedRows()) names.push_back(model_->At(i.row()).name);
    int removed = 0;
    for (const auto& name : names) {
        int row = model_->Find(name);
        if (row < 0) continue;
        bool folder = model_->At(row).kind == QLatin1String("Directory");
        int r = folder ? comm_->RemoveFolder(folder_ + name) : comm_->DeleteFile(folder_ + name);
        if (r != kFtpOk) {
            Fail();
            continue;
        }
        model_->RemoveRow(model_->Find(name));
        ++removed;
    }
    return removed;
}

bool TKyFTPlistView::MakeFolder(const std::string& name) {
    if (!comm_ || comm_->Busy() || name.empty()) return false;
    if (comm_->MakeFolder(folder_ + name) != kFtpOk) {
        Fail();
        return false;
    }
    TKyFtpListModel::Row row;
    row.name = name;
    row.kind = QStringLiteral("Directory");
    row.date = QDateTime::currentDateTime();
    model_->AddRow(std::move(row));
    return true;
}

void TKyFTPlistView::showEvent(QShowEvent* event) {
    QTreeView::showEvent(event);
    if (comm_ && comm_->Connected() && !comm_->Busy()) Refresh();
}

}  // namespace publish
