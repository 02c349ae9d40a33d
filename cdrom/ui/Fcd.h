// The CD-ROM builder's window ("Creazione CdRom"): a Qt shell over the
// toolkit-free cdrom::TCdWizard. It shows the entries of the chosen group,
// takes files and folders from "Includi..." and from dropping, edits the
// personalisation, the check boxes, the reader settings and the destination,
// and runs "Carica...", "Salva...", "Nuovo", "Crea" and "Test". Long work
// shows its progress with a "Stop" button. Every control has an object name
// so that tests and interface texts can reach it.
#pragma once

#include <QDialog>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cdrom/CdWizard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace shell {
class TMainDocument;
}

namespace cdrom::ui {

class TFcd : public QDialog, private cdrom::TCdHost {
    Q_OBJECT
public:
    // `utils`: the installer's files; `currentHypertext` gives the file of
    // the hypertext being edited ("" when it was never saved).
    TFcd(std::filesystem::path utils, std::function<std::filesystem::path()> currentHypertext, QWidget* parent = nullptr);
    ~TFcd() override;

    cdrom::TCdWizard& Wizard() { return wizard_; }
    // Adds files and folders as dropping them on the list does.
    void DropPaths(const std::vector<std::filesystem::path>& paths);
    // The entries shown, as (install path, source path).
    std::vector<std::pair<std::string, std::string>> ShownRows() const;
    // Asks the long work under way to stop.
    void RequestStop() { stop_ = true; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    // --- TCdHost ------------------------------------------------------------------
    std::optional<std::filesystem::path> ChooseSettingsFile(bool save, const std::filesystem::path& start) override;
    bool Progress(const std::string& what, std::size_t done, std::size_t total) override;
    void WorkChanged(bool working) override;
    void EntriesChanged() override { ShowEntries(); }
    void SettingsChanged() override { ShowSettings(); }
    void CaptionChanged(const std::string& caption) override;
    void TestVisibleChanged(bool visible) override;

    void ShowSettings();
    void ShowGroups();
    void ShowEntries();
    void IncludeFiles();
    void IncludeFolder();
    void RemoveSelected();
    void ChoosePersonal(int which);
    void ChooseDestination();
    void RunTest();
    QPushButton* Button(const char* name, const char* caption);

    cdrom::TCdWizard wizard_;
    std::function<std::filesystem::path()> currentHypertext_;
    QComboBox* groups_ = nullptr;
    QTreeWidget* list_ = nullptr;
    std::array<QLineEdit*, cdrom::kPersonalCount> personal_{};
    QCheckBox *imgSetup_ = nullptr, *imgLett_ = nullptr, *licenza_ = nullptr, *leggimi_ = nullptr;
    QLineEdit *defdir_ = nullptr, *title_ = nullptr, *group_ = nullptr, *lancia_ = nullptr, *dest_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressText_ = nullptr;
    std::vector<QWidget*> controls_;  // off while long work runs
    bool stop_ = false;
    bool showing_ = false;  // filling the fields: their edits are not the user's
    std::chrono::steady_clock::time_point lastEvents_{};
};

// How "Test" opens the installer: xdg-open, started without a shell. Tests
// install their own; an empty launcher restores it. Returns the previous one.
using TLauncher = std::function<bool(const std::filesystem::path&)>;
TLauncher SetLauncher(TLauncher launcher);
// How "Includi..." asks for files (several at once). Tests install their own.
using TFilesChooser = std::function<std::vector<std::filesystem::path>(QWidget* parent, const std::filesystem::path& start)>;
TFilesChooser SetFilesChooser(TFilesChooser chooser);

// Opens the builder over the main window (one window: opening it again
// brings it forward), loading `settings` when given.
bool OpenFcd(QWidget* parent, shell::TMainDocument& document, const std::filesystem::path& settings);
// Registers OpenFcd as the main window's "Cd-Rom..." (and ".wzz" files).
void RegisterFcd();

}  // namespace cdrom::ui
