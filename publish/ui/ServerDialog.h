// The window of publishing through the server extension ("Pubblicazione in
// internet/intranet (con estensioni server)", or "Prendi ipertesto da rete"):
// the server configurations, the account's sections, the hypertexts of a
// section, publishing, downloading, deleting and the password change. The
// requests are TQuor3Comm's.
#pragma once

#include <QDialog>
#include <filesystem>
#include <functional>
#include <optional>

#include "publish/FtpConfig.h"
#include "publish/Quor3Comm.h"
#include "publish/ui/DialogParts.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace model {
class TNYXset;
}

namespace publish {

struct TServerDialogHost {
    model::TNYXset* set = nullptr;
    std::function<bool()> saveIfModified;
    // "Edita...": opens a downloaded hypertext in the editor.
    std::function<void(const std::filesystem::path&)> openFile;
    // The folder to download into (nothing: cancelled); the dialog's own by default.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start)> chooseFolder;
};

class TFquornet : public QDialog {
    Q_OBJECT
public:
    enum Mode { kPublish = 0, kDownload = 1, kConfig = 2, kPassword = 3 };

    TFquornet(TConfigAccess& config, int mode, TServerDialogHost host, QWidget* parent = nullptr);
    ~TFquornet() override;

    void LoadConfiguration(int index);
    void ApplyConfiguration();
    int RequestRights();
    int ChooseSection(int index);
    int PublishNow();
    int SaveSelected(bool edit);
    int DeleteSelected();
    int ChangePasswordNow(const QString& first, const QString& second);

    TQuor3Comm& Comm() { return comm_; }
    QLabel* StatusLabel() const { return status_; }
    QLineEdit* PasswordBox() const { return pass_; }
    QTreeWidget* Hypertexts() const { return index_; }
    QListWidget* SectionList() const { return sections_; }

protected:
    void reject() override;
    void showEvent(QShowEvent* e) override;

private:
    QWidget* BuildPublishPage();
    QWidget* BuildPasswordPage();
    QWidget* BuildConfigPage();
    void FillConfigList();
    TServerConfig EditedConfig() const;
    void FillIndex();
    void ShowSection();
    bool NeedPassword();
    void SetStatus(const std::string& cp1252);
    void SetBusy(bool busy);

    TConfigAccess& config_;
    int mode_;
    TServerDialogHost host_;
    TQuor3Comm comm_;
    int configIndex_ = 0;
    bool rightsAsked_ = false;

    QTabWidget* tabs_ = nullptr;
    QWidget* publishPage_ = nullptr;
    QWidget* passwordPage_ = nullptr;
    QWidget* configPage_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* address_ = nullptr;
    QLabel* used_ = nullptr;
    QListWidget* sections_ = nullptr;
    QTreeWidget* index_ = nullptr;
    QLineEdit* pass_ = nullptr;
    QLineEdit* new1_ = nullptr;
    QLineEdit* new2_ = nullptr;
    QList<QPushButton*> actions_;
    QProgressBar* gauge_ = nullptr;
    QPushButton* stop_ = nullptr;
    TServerFields fields_;
    QLineEdit* baseDir_ = nullptr;
    QLineEdit* baseDir2_ = nullptr;
    QLineEdit* upCgi_ = nullptr;
    QLineEdit* cgi_ = nullptr;
};

}  // namespace publish
