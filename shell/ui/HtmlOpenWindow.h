// TFScegliApriHtml: what to do with an HTML file being opened, as a window
// over shell::THtmlOpenChoices (its text, its choices, "Cerca..." for the
// hypertext the page names when it cannot be found).
#pragma once

#include <QDialog>

#include <optional>
#include <vector>

#include "shell/HtmlOpenChoices.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace shell::ui {

class TFScegliApriHtml : public QDialog {
    Q_OBJECT
public:
    TFScegliApriHtml(THtmlOpenChoices& choices, QWidget* parent = nullptr);
    // The choice made on OK.
    std::optional<THtmlOpenAction> Action() const { return action_; }
    // "Cerca...": asks for the hypertext and shows the window again for it.
    void Search();
    // OK: carries out the confirmation; the window stays open when it says so.
    void Confirm();

private:
    void Fill();

    THtmlOpenChoices& choices_;
    QLabel* message_;
    QVBoxLayout* options_;
    std::vector<QRadioButton*> buttons_;
    QPushButton* search_;
    std::optional<THtmlOpenAction> action_;
};

// Runs the window; nullopt when the user cancels.
std::optional<THtmlOpenAction> ChooseHtmlOpen(QWidget* parent, THtmlOpenChoices& choices);

}  // namespace shell::ui
