// "Collegamento..." and "Collegamento speciale...": a thin window over
// TLinkChoices. Accepting checks the choices and, when they are refused,
// tells why and stays open.
#pragma once

#include <QDialog>

#include "shell/LinkChoices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QStackedWidget;

namespace model {
class TNYXset;
}

namespace shell::ui {

class TFlink : public QDialog {
public:
    // `special`: the special-link window (previous / next page, close window, ...).
    TFlink(QWidget* parent, model::TNYXset& set, const TLinkChoices& start, bool special);
    TLinkChoices Choices() const;
    void accept() override;
    // The description line under the choices.
    QString DescriptionShown() const;

private:
    void FillPages(const QString& filter);
    void UpdateDescription();
    model::TNYXset& set_;
    bool special_;
    QComboBox* kind_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* pages_ = nullptr;
    QSpinBox* anchor_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* file_ = nullptr;
    QSpinBox* foreignPage_ = nullptr;
    QComboBox* shows_ = nullptr;
    QComboBox* mode_ = nullptr;
    QLineEdit* window_ = nullptr;
    QComboBox* specialKind_ = nullptr;
    QLineEdit* import_ = nullptr;
    QLabel* description_ = nullptr;
};

}  // namespace shell::ui
