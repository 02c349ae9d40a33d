// The dialogs of the main window: program options ("Opzioni del programma"),
// the properties of the current hypertext, the windows settings, the about
// box and the tips window. Every field has an object name so that interface
// texts and tests can reach it.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "model/NYXset.h"
#include "shell/OptionsStore.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace shell::ui {

class TFopzioni : public QDialog {
    Q_OBJECT
public:
    explicit TFopzioni(QWidget* parent = nullptr);
    // Shows the stored values.
    void Load(const shell::TOptionsStore& store);
    // Writes them back in one disk write (numbers clamped by the spin boxes,
    // flags as "1"/"0").
    bool Store(shell::TOptionsStore& store);
    // "Azzera settaggi memorizzati per finestre": asks, then deletes the
    // stored window placements. True when they were deleted.
    bool ResetWindowSettings(shell::TOptionsStore& store);
    // Why spell checking is off (Windows-1252), shown on the "Scrittura"
    // page; "" hides the note.
    void SetSpellingNote(const std::string& why);
    QLabel* SpellingNote() const { return spellNote_; }

private:
    QCheckBox* Flag(const char* name, const char* caption);
    QLabel* spellNote_ = nullptr;
    std::vector<std::pair<const char*, QCheckBox*>> flags_;
    QSpinBox* maxCacheImg_ = nullptr;
    QSpinBox* undoDeep_ = nullptr;
    QSpinBox* formLim_ = nullptr;
    QSpinBox* timeSave_ = nullptr;
    QComboBox* cursors_ = nullptr;
    QLineEdit* defaultLib_ = nullptr;
    QCheckBox* notSaveTool_ = nullptr;
    std::string lastFile_, hcpPath_;
};

// The header fields of the hypertext.
class TFproprieta : public QDialog {
    Q_OBJECT
public:
    TFproprieta(const model::TNYXset& set, QWidget* parent = nullptr);
    // Writes the fields into the header; true when something changed.
    bool Store(model::TNYXset& set) const;

private:
    QLineEdit* Line(const char* name, int capacity);
    QLineEdit *title_, *prefix_, *password_, *company_, *copyright_, *authors_;
    QPlainTextEdit* info_;
    QCheckBox *readOnly_, *showContents_, *showSearch_, *showHelp_, *hideCover_, *noButtons_;
    QComboBox *cover_, *contents_, *header_, *footer_;
    QLineEdit *backColor_, *textColor_, *linkColor_, *visitedColor_;
    QSpinBox *backPicture_, *language_;
    std::vector<std::int32_t> pageIndexes_;
};

// Which parts of the main window are shown.
class TFfinestre : public QDialog {
    Q_OBJECT
public:
    explicit TFfinestre(QWidget* parent = nullptr);
    void AddWindow(QWidget* w, const char* caption);
    void Apply();

private:
    std::vector<std::pair<QWidget*, QCheckBox*>> windows_;
};

// The password question of a read-only hypertext ("edPassword", masked).
class TFpassword : public QDialog {
    Q_OBJECT
public:
    explicit TFpassword(const std::string& prompt, QWidget* parent = nullptr);  // prompt in UTF-8
    std::string Password() const;  // UTF-8

private:
    QLineEdit* password_ = nullptr;
};

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr, bool splash = false);
};

// "Suggerimento del giorno": shown while the program starts ("Caricamento in
// corso"), then renamed "Suggerimenti" and left open unless it closes itself.
class TTipForm : public QDialog {
    Q_OBJECT
public:
    explicit TTipForm(QWidget* parent = nullptr);
    void SetStarting(bool starting);
    void NextTip();
    bool ShowAtStart() const;
    static const std::vector<const char*>& Tips();

protected:
    void done(int r) override;

private:
    QLabel* tip_ = nullptr;
    QCheckBox* showAtStart_ = nullptr;
    std::size_t current_ = 0;
};

}  // namespace shell::ui
