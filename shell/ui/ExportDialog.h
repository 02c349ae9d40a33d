// "Esporta pagine..." (TFexp): the format list, the check-list of the pages,
// the destination folder and main file, "Html..." for the HTML options
// (TFopzExp), and the run with its progress and Stop. Thin windows over
// shell::TExportChoices.
#pragma once

#include <QDialog>

#include "convert/html/ExportOptions.h"
#include "shell/ExportChoices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace model {
class TNYXset;
}

namespace shell::ui {

// The HTML options: the four "htmlexp" values.
class TFopzExp : public QDialog {
    Q_OBJECT
public:
    explicit TFopzExp(const convert::html::THtmlOptions& o, QWidget* parent = nullptr);
    convert::html::THtmlOptions Options() const;

private:
    convert::html::THtmlOptions base_;
    QCheckBox* alt_;
    QCheckBox* origName_;
    QCheckBox* sepImage_;
    QComboBox* ext_;
};

class TFexp : public QDialog {
    Q_OBJECT
public:
    TFexp(model::TNYXset& set, TOptionsStore& store, QWidget* parent = nullptr);

    TExportChoices& Choices() { return choices_; }
    // Selects a format by code (false when it is not listed).
    bool SetFormat(int code);
    // Save-as: the format, folder and main file from a file name.
    bool SetFile(const std::filesystem::path& file);
    // Fills the page list again from the choices (check marks kept).
    void Reload();
    // "Html...": the options dialog; on OK the list is filled again.
    void EditHtmlOptions();
    // "Esporta": runs the export, shows what went wrong and closes.
    bool Export();
    const TExportOutcome& Outcome() const { return outcome_; }
    // Closing while an export runs asks it to stop instead.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void ShowFormat();
    void TakeDestination();
    void ChooseFolder();

    TExportChoices choices_;
    QListWidget* formats_;
    QTreeWidget* pages_;
    QLineEdit* folder_;
    QLabel* mainLabel_;
    QLineEdit* mainFile_;
    QPushButton* all_;
    QPushButton* html_;
    QPushButton* export_;
    QPushButton* stop_;
    QLabel* status_;
    bool running_ = false;
    bool stopAsked_ = false;
    TExportOutcome outcome_;
};

}  // namespace shell::ui
