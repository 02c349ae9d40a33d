// The picture windows: "Immagine/mappa..." picks the picture to place (a
// picture file, one of the hypertext's pictures from a list with previews,
// or the picture in the clipboard), and the properties window of a placed
// picture edits its TPictureChoices.
#pragma once

#include <QDialog>
#include <QImage>

#include <filesystem>
#include <functional>
#include <optional>

#include "present/PictureChoices.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace present::ui {

// A picture of the hypertext made from an image (the clipboard's): stored
// as a PNG picture file of its own, so no picture shared by other pages
// changes. nullptr when it cannot be stored.
model::TNYXoggetto* PictureFromImage(model::TNYXset& set, const QImage& image, const std::string& name = "Appunti");

class TFimmagine : public QDialog {
public:
    TFimmagine(QWidget* parent, model::TNYXset& set);
    // Asked by "Sfoglia..." for a picture file.
    std::function<std::optional<std::filesystem::path>()> onBrowse;
    // After Accept: the picture to place (added to the hypertext when it
    // came from a file or the clipboard).
    model::TNYXoggetto* Picture() const { return picture_; }
    void accept() override;

private:
    model::TNYXset& set_;
    QRadioButton* fromFile_ = nullptr;
    QRadioButton* fromSet_ = nullptr;
    QRadioButton* fromClip_ = nullptr;
    QLineEdit* file_ = nullptr;
    QListWidget* pictures_ = nullptr;
    model::TNYXoggetto* picture_ = nullptr;
};

class TFpropImmagine : public QDialog {
public:
    TFpropImmagine(QWidget* parent, model::TNYXset& set, const model::TNYXoggetto& placed);
    TPictureChoices Choices() const;
    void accept() override;

private:
    void Scale(int percent);
    model::TNYXset& set_;
    int naturalW_, naturalH_;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QCheckBox* percent_ = nullptr;
    QComboBox* align_ = nullptr;
    QCheckBox* border_ = nullptr;
    QLineEdit* alt_ = nullptr;
    QComboBox* lowRes_ = nullptr;
    QComboBox* rollover_ = nullptr;
};

}  // namespace present::ui
