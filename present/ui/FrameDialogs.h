// "Proprietà insieme cornici": a copy of a page's frame layout edited in
// frames-only mode (divided and resized with the mouse as in the editor),
// the fields of the frame picked, layout models, copying another page's
// layout, "Undo", "No cornici" and "Salva..."; OK makes the layout the
// page's map. A thin shell over TFramePropertiesChoices.
#pragma once

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "present/FrameProperties.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QSpinBox;

namespace model {
class TNYXset;
}

namespace present::ui {

class TInsiemeCornici;

class TFproprietaCornici : public QDialog {
    Q_OBJECT
public:
    TFproprietaCornici(model::TNYXset& set, std::int32_t page, const std::filesystem::path& dataFolder,
                       QWidget* parent = nullptr);
    ~TFproprietaCornici() override;

    TFramePropertiesChoices& Choices() { return *choices_; }
    TInsiemeCornici* Preview() const { return preview_; }
    // Where "Salva..." writes (asked by the window that opens the dialog).
    std::function<std::optional<std::filesystem::path>()> chooseSaveFile;
    // OK: the layout becomes the page's map.
    bool Apply();
    // The fields show the frame picked / go into it.
    void ShowFields();
    void TakeFields();

private:
    void Rebuilt();
    model::TNYXset& set_;
    std::unique_ptr<TFramePropertiesChoices> choices_;
    std::vector<TFrameModel> models_;
    TInsiemeCornici* preview_;
    QCheckBox* border_;
    QCheckBox* scrolling_;
    QCheckBox* resizable_;
    QSpinBox* between_;
    QLineEdit* name_;
    QRadioButton* percent_;
    QRadioButton* fixed_;
    QRadioButton* free_;
    QSpinBox* size_;
    QRadioButton* existing_;
    QRadioButton* master_;
    QRadioButton* fresh_;
    QComboBox* pages_;
    QListWidget* modelList_;
    QComboBox* otherPage_;
    QCheckBox* alsoNonMaster_;
    bool loading_ = false;
};

}  // namespace present::ui
