// "Nuovo da...": the window that starts a new hypertext from a model. It
// lists the built-in models and the user's saved ones with what each holds,
// and asks for the new hypertext's title.
#pragma once

#include <QDialog>

#include <vector>

#include "shell/NewHypertext.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace shell::ui {

class TMainForm;

class TFnuovoIpertesto : public QDialog {
public:
    TFnuovoIpertesto(std::vector<THypertextModel> models, QWidget* parent);
    // The model chosen (nullptr: none) and the title typed (Windows-1252).
    const THypertextModel* Chosen() const;
    std::string Title() const;

private:
    void ShowDescription();
    std::vector<THypertextModel> models_;
    QListWidget* list_ = nullptr;
    QLabel* description_ = nullptr;
    QLineEdit* title_ = nullptr;
};

// Runs the window and makes the new hypertext; false when cancelled.
bool NewHypertextFromModel(TMainForm& form);

}  // namespace shell::ui
