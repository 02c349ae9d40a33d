// The FTP publishing window: "Pubblica" (the publish list of an export, the
// server's version, the choice of rows), "Trasferisci ipertesto NYX via FTP"
// (a local and a remote list with transfers both ways, folders, renames and
// deletions) and "Configurazione server" (the configurations kept in the
// options). The logic is TFtpPublisher's and the configuration functions';
// this is the window around them.
#pragma once

#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "publish/FtpConfig.h"
#include "publish/FtpPublish.h"
#include "publish/KyFtpComm.h"
#include "publish/ui/DialogParts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace model {
class TNYXset;
}
namespace convert::html {
class TNYXtoHtml;
}

namespace publish {

class TKyFTPlistView;
class TKyFTPComboBox;
class TKyFtpTxRxBar;

// What the window needs from the program that opens it.
struct TFtpDialogHost {
    model::TNYXset* set = nullptr;                 // the hypertext (modes 0, 1, 2)
    convert::html::TNYXtoHtml* exporter = nullptr;  // modes 0, 1
    std::int32_t currentPage = -1;                 // mode 1
    // Saves the hypertext when it has changes ("E' necessario salvare...");
    // false when the user declined or the save failed.
    std::function<bool()> saveIfModified;
    // The editor stores its page before a publication and shows it after.
    std::function<void()> leavePage, showPage;
    // "Scegli pagine": the references of the pages chosen (nothing: cancelled).
    std::function<std::set<std::int32_t>()> choosePages;
    // "Opzioni...": the export options dialog; true when the user changed
    // them (the pages are exported again).
    std::function<bool()> exportOptions;
};

class TFftp : public QDialog {
    Q_OBJECT
public:
    enum Mode { kPublishAll = 0, kPublishPage = 1, kNative = 2, kConfig = 3 };

    TFftp(TConfigAccess& config, int mode, TFtpDialogHost host, QWidget* parent = nullptr);
    ~TFftp() override;

    // Exports (modes 0 and 1) into the hypertext's working folder; the
    // folder goes when the window does.
    bool ExportPages();
    // Connects and opens the configuration's folder (then reads the version).
    bool ConnectNow();
    void ReadServerVersion();
    int Publish();
    int UploadFiles();    // "pubblica >"
    int DownloadFiles();  // "< prendi"
    int PublishNative();  // "Pubblica" of mode 2
    // "Opzioni...": the export options, then the pages exported again with
    // the progress in the status label. False when cancelled or failed.
    bool ExportOptions();
    void ApplyConfiguration();
    void LoadConfiguration(int index);
    void SetLocalFolder(const std::filesystem::path& folder);
    void RefreshLocal();

    TKyFtpComm& PublishComm() { return publishComm_; }
    TKyFtpComm& NativeComm() { return nativeComm_; }
    TFtpPublisher& Publisher() { return publisher_; }
    TKyFTPlistView* RemoteList() const;
    TKyFtpTxRxBar* ProgressBar() const;
    QListWidget* LocalList() const { return localList_; }
    QTreeWidget* Rows() const { return rows_; }
    QLabel* StatusLabel() const { return status_; }
    QLineEdit* PasswordBox() const { return pass_; }
    const std::filesystem::path& LocalFolder() const { return localFolder_; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Build();
    QWidget* BuildPublishPage();
    QWidget* BuildNativePage();
    QWidget* BuildConfigPage();
    void FillRows();
    void TakeChecks();
    void FillConfigList();
    TFtpConfig EditedConfig() const;
    TKyFtpComm& ActiveComm();
    void PrepareComm(TKyFtpComm& comm);
    bool NeedPassword();
    void SetBusy(bool busy);
    void ShowStatus(const QString& text);
    void ShowRemoteStatus(const std::string& text);
    void NewConfiguration();
    void RenameConfiguration();
    void RenameRemote();
    void MakeRemoteFolder();
    void DeleteRemote();
    int TransferResultStatus(int r, const char* ok);
    // Asks before closing while a transfer runs (and stops it on yes).
    bool MayClose();
    // The configuration's after-transfer script for a file just sent.
    int AfterUpload(const std::string& remote, const std::filesystem::path& local);

    TConfigAccess& config_;
    int mode_;
    TFtpDialogHost host_;
    TKyFtpComm publishComm_, nativeComm_;
    TFtpPublisher publisher_{publishComm_};
    int configIndex_ = 0;
    bool allChecked_ = true;
    bool connectedOnce_ = false;
    std::filesystem::path exportFolder_, localFolder_;

    QTabWidget* tabs_ = nullptr;
    QWidget* publishPage_ = nullptr;
    QWidget* nativePage_ = nullptr;
    QWidget* configPage_ = nullptr;
    QTreeWidget* rows_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* mainAddress_ = nullptr;
    QCheckBox* autoChoose_ = nullptr;
    QPushButton* allButton_ = nullptr;
    QPushButton* publishButton_ = nullptr;
    QListWidget* localList_ = nullptr;
    QComboBox* localFilter_ = nullptr;
    QLabel* localFolderLabel_ = nullptr;
    TKyFTPlistView* remote_ = nullptr;        // publishing page
    TKyFTPlistView* nativeRemote_ = nullptr;  // native-file page
    TKyFTPComboBox* combo_ = nullptr;
    TKyFTPComboBox* nativeCombo_ = nullptr;
    TKyFtpTxRxBar* bar_ = nullptr;
    TKyFtpTxRxBar* nativeBar_ = nullptr;
    // configuration fields
    TServerFields fields_;
    QLineEdit* pass_ = nullptr;
    QCheckBox* savePass_ = nullptr;
    QLineEdit* baseDir_ = nullptr;
    QLineEdit* www_ = nullptr;
    QLineEdit* script_ = nullptr;
    QLineEdit* scriptArgs_ = nullptr;
    std::string scriptError_;  // UTF-8
    QCheckBox* useScript_ = nullptr;
    QPushButton* applyButton_ = nullptr;
};

}  // namespace publish
