// "Proprietà pagina..." and "Ordine predefinito pagine...": thin windows over
// the page choices (shell/PageProperties.h) and the page order tree
// (model/PageOrder.h).
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

#include "shell/PageProperties.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace model {
class TNYXorderedTree;
class TNYXtreeNode;
}  // namespace model

namespace shell::ui {

class TFproprietaPagina : public QDialog {
    Q_OBJECT
public:
    TFproprietaPagina(model::TNYXset& set, model::TNYXoggetto& page, QWidget* parent = nullptr);
    // What the fields hold now (Windows-1252 texts).
    TPageChoices Choices() const;
    // "Colore non valido" and the like; empty when the fields read well.
    std::string FieldError() const;
    void AddKeyword(const std::string& cp1252);
    void done(int r) override;

private:
    model::TNYXset& set_;
    model::TNYXoggetto& page_;
    TPageChoices start_;
    QLineEdit* title_;
    QCheckBox* autoTitle_;
    QLineEdit* colours_[4];
    QComboBox* picture_;
    QCheckBox* fixed_;
    QListWidget* keywords_;
    QLineEdit* newKeyword_;
    QComboBox* header_;
    QComboBox* footer_;
    QSpinBox* chapter_;
    QSpinBox* position_;
    QComboBox* nextSlide_;
    QLineEdit* alias_;
    QPlainTextEdit* head_;
};

// The tree of chapters and pages. Moves go straight into the tree; OK stores
// it (and numbers the pages), Annulla leaves the hypertext as it was.
class TFordinePagine : public QDialog {
    Q_OBJECT
public:
    TFordinePagine(model::TNYXset& set, QWidget* parent = nullptr);
    ~TFordinePagine() override;
    model::TNYXorderedTree& Tree() { return *tree_; }
    QTreeWidget* View() const { return view_; }
    // Rebuilds the view from the tree, selecting `select` when given.
    void Refill(const model::TNYXtreeNode* select = nullptr);
    // A drop of the selected item onto `target` (a drag in the view).
    bool DropOn(QTreeWidgetItem* target);
    model::TNYXtreeNode* NodeOf(QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const model::TNYXtreeNode* node) const;

private:
    void Move(bool up);
    void AddChapter();
    void Delete();
    std::unique_ptr<model::TNYXorderedTree> tree_;
    QTreeWidget* view_;
};

}  // namespace shell::ui
