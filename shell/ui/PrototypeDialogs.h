// The prototype library window ("Componenti personalizzati (librerie)...",
// TFcustomC) and the window that puts a custom component on the page
// ("Componente personalizzato..."): thin Qt shells over the library and
// component operations of the model.
#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/Prototypes.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace shell::ui {

class TMainForm;

class TFcustomC : public QDialog {
public:
    TFcustomC(model::TPrototypeLibrary& library, QWidget* parent);
    void accept() override;
    model::TPrototypeLibrary& Library() { return lib_; }
    QTreeWidget* Tree() const { return tree_; }
    // Writes what the tabs show into the prototype being edited.
    void Collect();

private:
    void Refill(const model::TNYXtreeNode* select = nullptr);
    void ShowPrototype();
    void ShowFiles();
    void NodeChosen();
    void ImportPrototypes();
    model::TPrototypeLibrary& lib_;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* kind_ = nullptr;
    QCheckBox* quick_ = nullptr;
    QTableWidget* params_ = nullptr;
    QListWidget* files_ = nullptr;
    QPlainTextEdit* html_ = nullptr;
    bool showing_ = false;
};

// "Componente personalizzato...": a prototype of the library or of the
// hypertext, its parameter values and the component's size.
class TFcomponente : public QDialog {
public:
    TFcomponente(std::vector<const model::TNYXoggetto*> prototypes, QWidget* parent);
    const model::TNYXoggetto* Chosen() const;
    void Choose(const model::TNYXoggetto* prototype);
    model::TPropList Values() const;
    int ComponentWidth() const;
    int ComponentHeight() const;
    bool Percent() const;

private:
    void ShowParameters();
    std::vector<const model::TNYXoggetto*> prototypes_;
    QListWidget* list_ = nullptr;
    QTableWidget* values_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QCheckBox* percent_ = nullptr;
};

void AddPrototypeCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What the commands do, for the handlers and for tests.
bool ShowPrototypeLibrary(TMainForm& form);
// `preselected`: the prototype chosen in the dialog as it opens (a quick-access entry).
bool InsertCustomComponent(TMainForm& form, const model::TNYXoggetto* preselected = nullptr);
// The quick-access entries before "Componente personalizzato..." in its menu.
void RebuildQuickComponents(TMainForm& form);

}  // namespace shell::ui
