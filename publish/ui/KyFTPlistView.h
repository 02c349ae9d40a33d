// The remote folder of an FTP runner as a sortable table (name, size, kind,
// date), with a combo box of the folders visited on the host.
#pragma once

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QTreeView>
#include <string>
#include <vector>

namespace publish {

class TKyFtpComm;
struct T_Filedata;

// One row per entry of the last listing.
class TKyFtpListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName = 0, kSize, kKind, kDate, kColumns };
    // Role of the name's server bytes (a QByteArray), for commands.
    static constexpr int kBytesRole = Qt::UserRole + 1;

    struct Row {
        std::string name;  // server bytes
        long long size = 0;
        QString kind;      // "Directory", "File", "Link" or ""
        QDateTime date;
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

    void Clear();
    void Add(const T_Filedata& entry);
    void AddRow(Row row);
    void RemoveRow(int row);
    const Row& At(int row) const { return rows_[static_cast<size_t>(row)]; }
    int Find(const std::string& name) const;

    static QString KindText(int kind);

private:
    QIcon IconFor(const std::string& name, const QString& kind) const;

    std::vector<Row> rows_;
    int sortColumn_ = kName;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    mutable QHash<QString, QIcon> icons_;
};

// Folders visited on the host, most recent first. Choosing one asks the list
// view to go there.
class TKyFTPComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TKyFTPComboBox(QWidget* parent = nullptr);

    // A different host clears the folders of the previous one.
    void RecordHost(const QString& host);
    QString Host() const { return host_; }
    void RecordFolder(const QString& folder);
    QStringList Folders() const;

signals:
    void FolderChosen(const QString& folder);

private:
    QString host_;
    bool filling_ = false;
};

class TKyFTPlistView : public QTreeView {
    Q_OBJECT
public:
    explicit TKyFTPlistView(QWidget* parent = nullptr);

    void SetComm(TKyFtpComm* comm);
    void SetComboBox(TKyFTPComboBox* combo);
    TKyFtpListModel* Model() const { return model_; }
    // Server bytes of the current folder, ending with "/".
    const std::string& CurrentFolder() const { return folder_; }

    // Connects when needed (asking for the current folder and recording the
    // host), then lists the current folder. False when it failed (reported).
    bool Open();
    bool Refresh();
    // CWD; the old folder stays when it fails (reported).
    bool ChangeFolder(const std::string& folder);
    // DELE for files, RMD for folders; rows whose command succeeded go.
    // Returns how many went.
    int DeleteSelected();
    bool MakeFolder(const std::string& name);

signals:
    // After the view has gone into another folder (or opened its first one).
    void FolderChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnDoubleClick(const QModelIndex& index);
    void Fail();

    TKyFtpComm* comm_ = nullptr;
    TKyFTPComboBox* combo_ = nullptr;
    TKyFtpListModel* model_;
    std::string folder_ = "/";
    bool opened_ = false;
};

}  // namespace publish
