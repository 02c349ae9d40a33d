// The album window ("Album immagini e files"): six tabs listing the pictures,
// files, prototypes, pages, external addresses and placed pictures of the
// hypertext, with a preview, renaming in place, adding, replacing, editing
// in an outside program and deleting through the deletion window, whose
// deletions can be taken back until the hypertext is saved. A thin Qt shell
// over album/Album.h and album/OutsideEdit.h.
#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QListView>
#include <QPixmap>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "album/Album.h"
#include "album/OutsideEdit.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace model {
class TNYXset;
}
namespace shell {
class TMainDocument;
}
namespace shell::ui {
class TMainForm;
}
namespace present::ui {
class TInsiemeCornici;
}

namespace album::ui {

// The rows of one tab. Thumbnails of pictures are made when the view first
// asks for a row's picture (the rows on screen), then kept.
class TAlbumListModel : public QAbstractListModel {
    Q_OBJECT
public:
    TAlbumListModel(model::TNYXset& set, TTab tab, QObject* parent = nullptr);
    void Refresh();
    TTab Tab() const { return tab_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    std::int32_t RefAt(int row) const;
    int RowOf(std::int32_t ref) const;
    std::size_t ThumbnailsMade() const { return thumbs_.size(); }
    // A row was renamed (its reference).
    std::function<void(std::int32_t)> onRenamed;
    static constexpr int kThumb = 48;

private:
    model::TNYXset& set_;
    TTab tab_;
    std::vector<TAlbumRow> rows_;
    mutable std::unordered_map<std::int32_t, QPixmap> thumbs_;
};

// A list whose editing in place can be ended from outside (closing the window).
class TAlbumList : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    void EndEditing();
};

// "Cancella oggetti dagli album interni": the report of where each object
// is used, made in slices while the window is open; "Cancella" deletes the
// objects nothing uses (the others stay, and the window says so).
class TFcancellaOggetti : public QDialog {
    Q_OBJECT
public:
    TFcancellaOggetti(TAlbumDeletion& deletion, TAlbumTrash& trash, QWidget* parent = nullptr);
    ~TFcancellaOggetti() override;
    QListWidget* Lines() const { return lines_; }
    std::size_t DeletedCount() const { return deleted_; }
    void ConfirmDeletion();

private:
    void ShowLines();
    TAlbumDeletion& deletion_;
    TAlbumTrash& trash_;
    QListWidget* lines_;
    QLabel* state_;
    QPushButton* delete_;
    QTimer timer_;
    std::size_t deleted_ = 0;
};

class TFalbum : public QDialog {
    Q_OBJECT
public:
    // `main` (may be null) is the main window whose editor shows the pages.
    TFalbum(shell::TMainDocument& document, shell::ui::TMainForm* main, QWidget* parent = nullptr);
    ~TFalbum() override;

    QTabWidget* Tabs() const { return tabs_; }
    TTab CurrentTab() const;
    void SetTab(TTab tab);
    TAlbumList* List(TTab tab) const { return lists_[static_cast<int>(tab)]; }
    TAlbumListModel* Model(TTab tab) const { return models_[static_cast<int>(tab)]; }
    // Lists every tab again (after changes made elsewhere).
    void Refresh();
    std::vector<std::int32_t> Selected() const;
    void Select(std::int32_t ref);
    TAlbumTrash& Trash() { return trash_; }
    QLabel* Preview() const { return preview_; }
    present::ui::TInsiemeCornici* PagePreview() const { return pagePreview_; }
    QLabel* StateLabel() const { return state_; }

    // The commands of the buttons; false when nothing was done.
    bool Add();
    bool Replace();
    bool Edit();
    bool Delete();
    bool UndoDeletion();
    bool ApplyEdit();
    // The outside edit under way (null when none).
    TOutsideEdit* OutsideEdit() const { return edit_.get(); }
    // Which program edits a file (tests put a script here).
    std::function<TProgramChoice(const std::filesystem::path&)> chooseProgram;
    // Checks the outside program now instead of waiting for the timer.
    void PollOutsideEdit();

protected:
    void done(int r) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void UpdateButtons();
    void ShowPreview();
    void Changed(bool pagesToo);
    void EndOutsideEdit();
    void Close();
    model::TNYXset& Set() const;

    shell::TMainDocument& document_;
    shell::ui::TMainForm* main_;
    TAlbumTrash trash_;
    QTabWidget* tabs_;
    std::vector<TAlbumList*> lists_;
    std::vector<TAlbumListModel*> models_;
    QLabel* preview_;
    QCheckBox* showPage_;
    QVBoxLayout* side_ = nullptr;
    present::ui::TInsiemeCornici* pagePreview_ = nullptr;
    QLabel* state_;
    QPushButton* add_;
    QPushButton* replace_;
    QPushButton* edit_btn_;
    QPushButton* delete_;
    QPushButton* undo_;
    QPushButton* apply_;
    QPushButton* ok_;
    QPushButton* close_;
    std::unique_ptr<TOutsideEdit> edit_;
    QTimer editTimer_;
};

// Registers the album with the main window ("TFalbum").
void RegisterFalbum();

}  // namespace album::ui
