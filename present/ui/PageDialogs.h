// The page dialogs of the main window: "Nuova pagina..." (a title and,
// optionally, a frame layout model) and "Tutte le pagine dell'ipertesto..."
// (every page with its title, number and size, sortable; the chosen one is
// shown).
#pragma once

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "present/FrameProperties.h"

class QComboBox;
class QLineEdit;

namespace model {
class TNYXset;
}

namespace present::ui {

class TNYXListView;

class TFnuovaPagina : public QDialog {
    Q_OBJECT
public:
    TFnuovaPagina(std::vector<TFrameModel> models, QWidget* parent = nullptr);
    // Windows-1252; "Senza titolo" when left empty.
    std::string Title() const;
    // The layout model chosen; empty for none.
    std::filesystem::path Model() const;

private:
    std::vector<TFrameModel> models_;
    QLineEdit* title_;
    QComboBox* model_;
};

class TFtuttePagine : public QDialog {
    Q_OBJECT
public:
    TFtuttePagine(model::TNYXset& set, std::int64_t current, QWidget* parent = nullptr);
    TNYXListView* List() const { return list_; }
    // The page chosen, -1 for none.
    std::int64_t Chosen() const;

private:
    TNYXListView* list_;
};

}  // namespace present::ui
