// The properties dialog of an embedded object: a "Generale" tab with the
// kind's fields (and a text area's lines or a list's items) and the "Html"
// tab with the kind's free HTML text. A thin shell over TObjectProperties:
// accepting it writes the widgets' values into the choices; the caller
// applies them to the record (ApplyProperties).
#pragma once

#include <QDialog>

#include <map>
#include <string>

#include "present/ObjectProperties.h"

#include <filesystem>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace present::ui {

// How the media file or the button's picture is chosen (the window
// installs its file chooser, tests name the file); an empty path when the
// choice was cancelled.
using TObjectFileChooser = std::function<std::filesystem::path(QWidget* parent, TObjectFile kind)>;
void SetObjectFileChooser(TObjectFileChooser choose);
// The caption and filter of the choice ("Nome (*.ext);;...").
const char* ObjectFileCaption(TObjectFile kind);
const char* ObjectFileFilter(TObjectFile kind);

class TFproprietaOggetto : public QDialog {
    Q_OBJECT
public:
    TFproprietaOggetto(TObjectProperties& choices, QWidget* parent = nullptr);
    TObjectProperties& Choices() { return choices_; }
    // The widget of a field (named after its key), nullptr when none.
    QWidget* FieldWidget(const std::string& key) const;
    // Copies the widgets' values into the choices (OK does it too).
    void TakeFields();

    void accept() override;
    // "Sfoglia..." and "Nessuno" of the media file or the picture.
    void ChooseFile();
    void ClearFile();

private:
    QLineEdit* fileName_ = nullptr;
    TObjectProperties& choices_;
    std::map<std::string, QWidget*> widgets_;
    QPlainTextEdit* lines_ = nullptr;
    QPlainTextEdit* html_ = nullptr;
};

}  // namespace present::ui
