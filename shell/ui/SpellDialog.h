// Spelling on screen: the dialog of "Controllo ortografia pagina..." over a
// check session (shell/SpellSession.h), the background marking of a page
// view paced by a timer on the thread that owns the text, and the pop-up
// menu entries on a marked word.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

#include "shell/SpellSession.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace richtext::ui {
class TNYXpageView;
}

namespace shell::ui {

class TFspell : public QDialog {
    Q_OBJECT
public:
    // `select` puts the problem's range into view (the page selects it).
    TFspell(TSpellSession& session, const std::string& language, std::function<void()> select,
            bool hypertext, QWidget* parent = nullptr);
    // Shows the first problem; false (the dialog is not needed) when there is none.
    bool Begin();
    // The buttons, by name: "change", "changeAll", "ignore", "ignoreAll",
    // "add", "delete", "skipPage", "cancel", "undo"; the word "word" and the
    // suggestions "suggestions".
    QLineEdit* WordEdit() const { return word_; }
    QListWidget* SuggestionList() const { return suggestions_; }
    bool Cancelled() const { return session_.Cancelled(); }

private:
    void ShowProblem();
    void After(bool more);
    std::string ChosenWord() const;
    void UpdateButtons();
    TSpellSession& session_;
    std::function<void()> select_;
    QLabel* status_;
    QLabel* context_;
    QLabel* hint_;
    QLineEdit* word_;
    QListWidget* suggestions_;
    QPushButton* change_;
    QPushButton* changeAll_;
    QPushButton* ignore_;
    QPushButton* ignoreAll_;
    QPushButton* add_;
    QPushButton* delete_;
    QPushButton* undo_;
    std::string original_;
};

// Background marking of one page view: started by the page's idle timer,
// then a slice of at most kStepMs every kPaceMs; owned by the view.
class TSpellMarker : public QObject {
    Q_OBJECT
public:
    static constexpr int kStartMs = 300;
    static constexpr int kPaceMs = 100;
    static constexpr int kStepMs = kMarkingStepMs;
    TSpellMarker(TKySpellChecker& checker, richtext::ui::TNYXpageView& view);
    // A new pass (forced: every paragraph again) replaces the running one.
    void Start(bool force, int delayMs = kStartMs);
    void Stop();
    bool Running() const { return job_ != nullptr; }
    // One paced step now (what the timer does); true when the pass is over.
    bool StepNow();
    std::int64_t LongestStepUs() const { return longest_; }

private:
    TKySpellChecker& checker_;
    QPointer<richtext::ui::TNYXpageView> view_;
    QTimer timer_;
    std::unique_ptr<TSpellMarkingJob> job_;
    std::int64_t longest_ = 0;
};

// The marker of a view, made on first use (nullptr for no view).
TSpellMarker* MarkerOf(TKySpellChecker& checker, richtext::ui::TNYXpageView* view);

// The pop-up entries on a marked word for every box: suggestions (or
// "(nessun suggerimento)"), "&Ignora tutti", "&Aggiungi", "&Controllo
// ortografia". `checkFrom` runs the interactive check from the word.
// Returns the contributor's id (RemovePopupContributor).
int AddSpellPopup(TKySpellChecker& checker, std::function<void(richtext::ui::TNYXpageView&)> checkFrom);

}  // namespace shell::ui
