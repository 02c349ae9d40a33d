// "Importa/apri pagine..." (TFimp): the format, the files (picked, dropped,
// or found by following the links of a root file), the background of the
// new pages, the run with its Stop, and its report. A thin window over
// convert::html::TImportChoices and TMainDocument::ImportPages.
#pragma once

#include <QDialog>

#include <filesystem>
#include <vector>

#include "convert/html/ImportJob.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace shell {
class TMainDocument;
}

namespace shell::ui {

class TFimp : public QDialog {
    Q_OBJECT
public:
    TFimp(TMainDocument& document, QWidget* parent = nullptr);

    void AddFiles(const std::vector<std::filesystem::path>& files);
    void SetFormat(int format);
    // What the dialog would import now.
    convert::html::TImportChoices Choices() const;
    // "Determina lista": the files the root's links lead to, with their count.
    void DetermineList();
    // "Importa": runs the import and shows its report.
    void Import();
    const convert::html::TImportOutcome& Outcome() const { return outcome_; }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void ChooseFiles();
    void StoreFolder();

    TMainDocument& document_;
    QListWidget* formats_;
    QTabWidget* tabs_;
    QListWidget* files_;
    QLineEdit* root_;
    QSpinBox* levels_;
    QLabel* count_;
    QListWidget* followed_;
    QCheckBox* usePicture_;
    // RTF, WinHelp and DOC options.
    QCheckBox* allToGif_;
    QCheckBox* summary_;
    QCheckBox* commonIndex_;
    QSpinBox* parsPerPage_;
    QSpinBox* headingLevel_;
    void LoadRtfOptions(int format);
    void StoreRtfOptions(int format);
    QPushButton* colour_;
    QPlainTextEdit* report_;
    std::uint32_t backColour_ = 0xFFFFFF;
    std::filesystem::path folder_;
    convert::html::TImportOutcome outcome_;
};

}  // namespace shell::ui
