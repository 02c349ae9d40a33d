// A list of the non-empty objects of one type of a hypertext: each with its
// name, then its size and file name (for pages their number), sorted by any
// column with a click on its heading. Renaming an item in place renames the
// object (OnEditStart when the editor opens, OnEditStop after the new name
// went in); Delete asks the owner (OnDel).
#pragma once

#include <QTreeWidget>

#include <cstdint>
#include <functional>

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace present::ui {

class TNYXListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TNYXListView(QWidget* parent = nullptr);

    int Objects = 0;  // the type listed (0: pages)
    model::TNYXset* LinkedNYXset = nullptr;
    bool RightMouseSelect = false;
    // False hides an object.
    std::function<bool(const model::TNYXoggetto&)> OnFilter;
    std::function<void(model::TNYXoggetto&)> OnDel;
    std::function<void()> OnReload;
    // False keeps the editor closed (a read-only hypertext).
    std::function<bool(const model::TNYXoggetto&)> OnCanEdit;
    std::function<void(model::TNYXoggetto&)> OnEditStart;
    std::function<void(model::TNYXoggetto&)> OnEditStop;

    // Lists the objects again, sorted as before.
    void Reload();
    model::TNYXoggetto* Selected() const;
    std::int32_t SelectedReference() const;
    bool SelectReference(std::int32_t ref);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    model::TNYXoggetto* ObjectOf(const QTreeWidgetItem* item) const;
    bool reloading_ = false;
};

}  // namespace present::ui
