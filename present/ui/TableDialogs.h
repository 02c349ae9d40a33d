// The table dialogs: "Nuova tabella" (rows, columns, one of the 12 preset
// styles with a preview, border, two colours and an optional picture) and
// "Proprietà tabella" (the current column's rule and width, the cell
// background with its "Applica a:" target, padding, spacing, border, the
// table's background and width, and the free HTML text).
#pragma once

#include <QDialog>
#include <QPushButton>

#include <cstdint>

#include "present/TableChoices.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;

namespace model {
class TNYXset;
}

namespace present::ui {

// A button showing a colour (red in the low byte); a click chooses another.
class TColourButton : public QPushButton {
    Q_OBJECT
public:
    TColourButton(std::int32_t colour, QWidget* parent);
    std::int32_t Colour() const { return colour_; }
    void SetColour(std::int32_t c);

private:
    std::int32_t colour_;
};

// The names of the preset styles, 0 to 11.
const char* TableStyleName(int style);

class TFnuovaTabella : public QDialog {
    Q_OBJECT
public:
    TFnuovaTabella(model::TNYXset* set, QWidget* parent = nullptr);
    TNewTableChoices Choices() const;
    void done(int r) override;  // refuses choices that cannot be made

    QSpinBox* Rows() const { return rows_; }
    QSpinBox* Columns() const { return columns_; }
    QListWidget* Styles() const { return styles_; }
    QCheckBox* Border() const { return border_; }
    TColourButton* First() const { return first_; }
    TColourButton* Second() const { return second_; }

private:
    QSpinBox* rows_;
    QSpinBox* columns_;
    QListWidget* styles_;
    QCheckBox* border_;
    TColourButton* first_;
    TColourButton* second_;
    QCheckBox* usePicture_;
    QComboBox* picture_;
};

class TFproprietaTabella : public QDialog {
    Q_OBJECT
public:
    TFproprietaTabella(model::TNYXset* set, const TTableProperties& p, QWidget* parent = nullptr);
    TTableProperties Properties() const;

    QComboBox* ColumnRule() const { return rule_; }
    QSpinBox* ColumnWidth() const { return colWidth_; }
    QComboBox* Background() const { return background_; }
    TColourButton* Colour() const { return colour_; }
    QComboBox* ApplyTo() const { return applyTo_; }
    QSpinBox* Padding() const { return padding_; }
    QSpinBox* Spacing() const { return spacing_; }
    QCheckBox* Bordered() const { return bordered_; }
    QCheckBox* Percent() const { return percent_; }
    QSpinBox* Width() const { return width_; }

private:
    TTableProperties base_;
    QPlainTextEdit* html_;
    QComboBox* rule_;
    QSpinBox* colWidth_;
    QComboBox* background_;
    TColourButton* colour_;
    QComboBox* picture_;
    QComboBox* applyTo_;
    QSpinBox* padding_;
    QSpinBox* spacing_;
    QCheckBox* bordered_;
    QSpinBox* border_;
    QCheckBox* percent_;
    QSpinBox* width_;
    QComboBox* tableBackground_;
    TColourButton* tableColour_;
};

}  // namespace present::ui
