// The print dialog "Stampa": the list of pages to print with a read-only
// preview of the hypertext, the default page order with chapters, the
// options of the run and where the sheets go (a printer, one PDF file, or
// one numbered PDF file per page when no printer is there or the user asks
// for files). In order mode only the page-order tab shows.
#pragma once

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "present/PrintSetup.h"
#include "present/ui/PrintRender.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QPrinter;

namespace model {
class TNYXset;
class TNYXorderedTree;
class TNYXtreeNode;
}  // namespace model

namespace present::ui {

class TInsiemeCornici;

class TFprint : public QDialog {
    Q_OBJECT
public:
    // `current`: the page being edited (-1 none). Order mode shows only the
    // page-order tab and "&Ok".
    TFprint(model::TNYXset& set, std::int32_t current, bool orderMode, QWidget* parent = nullptr);
    ~TFprint() override;

    // --- what the caller gives -------------------------------------------------------
    TMargins margins;
    // The printer chosen with "Imposta stampante..." (none: the first one
    // installed, else PDF output).
    QPrinter* printer = nullptr;
    QPageSize paper = QPageSize(QPageSize::A4);
    bool landscape = false;
    // "preview al clic sulla lista", kept by the caller in the options.
    void SetPreviewOnClick(bool on);
    bool PreviewOnClick() const;
    std::function<void(bool)> onPreviewOnClickChanged;
    // Asks for a PDF file name (nullopt: cancelled).
    std::function<std::optional<std::filesystem::path>()> choosePdf;
    // Runs the dialogs this one opens ("Scegli pagine"); empty: exec().
    std::function<int(QDialog&)> runDialog;

    // --- the list (also for tests and "Stampa tutte") --------------------------------------
    TPrintList& List() { return list_; }
    void AllInOrder();       // "Tutte, in ordine predefinito"
    void AddCurrent();       // "Corrente"
    void AddPreviewPage();   // "Aggiungi pagina a destra"
    void MoveSelected(int step);  // "Sposta prima" (-1), "Sposta dopo" (+1)
    void RemoveSelected();   // "Cestina selezionata"
    void SelectRow(int row);
    std::int32_t PreviewPage() const;
    // Shows a page in the preview (and, when following links adds pages, lists it).
    void ShowInPreview(std::int32_t slot);
    TInsiemeCornici* Preview() const { return preview_; }
    // The next slide of the page shown in a preview (-1: none); the
    // previews' pop-up entry "Prossima slide..." shows it.
    std::int32_t NextSlideOf(const TInsiemeCornici& preview) const;
    bool ShowNextSlide(TInsiemeCornici& preview);

    // --- options and destination ------------------------------------------------------------
    TPrintOptions Options() const;
    void SetOptions(const TPrintOptions& o);
    // Destination choices: printers by name, then "File PDF", "File PDF numerati".
    void SetPdfFile(const std::filesystem::path& file, bool numbered);
    TPrintDestination Destination() const;

    // --- running -----------------------------------------------------------------------------
    // "&Stampa": prints the list (the preview page when empty), stores the
    // page order when it changed, then closes. False when nothing printed
    // or the user stopped the run ("Ferma" beside the progress bar, or
    // closing the dialog while it prints).
    bool Print();
    bool Printing() const { return printing_; }
    // "Ferma": the run ends after the page being printed.
    void StopPrinting() { stopRequested_ = true; }
    void reject() override;
    // "&Ok" in order mode: stores the order when it changed.
    bool StoreOrder();
    // Whether this dialog stored a changed page order.
    bool OrderStored() const { return orderStored_; }
    const TPrintReport& Report() const { return report_; }
    model::TNYXorderedTree& OrderTree() { return *tree_; }
    // The order tab's commands. "Aggiungi pagina" adds the page shown in
    // the order tab's preview; a click on a page of the tree shows it there.
    bool AddChapter();
    bool AddPageToOrder(std::int32_t slot);
    void ExpandAll();
    // "Elimina" (and the Delete key): the selected node with its subtree,
    // never the root.
    bool RemoveFromOrder();
    TInsiemeCornici* OrderPreview() const { return orderPreview_; }
    std::int32_t OrderPreviewPage() const;
    void ShowInOrderPreview(std::int32_t slot);
    // Selects the tree's first node of a page (false: the page is not in it).
    bool SelectInOrder(std::int32_t slot);

private:
    void RefillList();
    void RefillTree(const model::TNYXtreeNode* select = nullptr);
    void TreeSelectionChanged();
    void ChoosePages();
    void PreviewChanged();
    void UpdateOrderButtons();
    void AddPreviewPopup();

    model::TNYXset& set_;
    std::int32_t current_;
    bool orderMode_;
    TPrintList list_;
    std::unique_ptr<model::TNYXorderedTree> tree_;
    std::string storedOrder_;
    TPrintReport report_;
    bool followAdds_ = true;
    QTabWidget* tabs_ = nullptr;
    QTreeWidget* listView_ = nullptr;
    QTreeWidget* treeView_ = nullptr;
    TInsiemeCornici* preview_ = nullptr;
    TInsiemeCornici* orderPreview_ = nullptr;
    std::vector<QPushButton*> addButtons_;  // enabled on the root or a chapter
    int popupId_ = -1;
    QCheckBox* addTouched_ = nullptr;
    QCheckBox* previewOnClick_ = nullptr;
    QCheckBox* background_ = nullptr;
    QCheckBox* tableBackgrounds_ = nullptr;
    QSpinBox* scale_ = nullptr;
    QComboBox* destination_ = nullptr;
    QLineEdit* file_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stop_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool printing_ = false;
    bool stopRequested_ = false;
    std::int32_t lastPreview_ = -1;
    bool orderStored_ = false;
};

}  // namespace present::ui
