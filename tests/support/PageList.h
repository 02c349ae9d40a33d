// The main window's page list as a test reads and drives it: rows in the
// order shown (sorted by title), the current row, the page slot of a row.
#pragma once

#include <QTreeWidget>
#include <QWidget>

#include <cstdint>

#include "model/Types.h"

namespace testsupport {

class PageList {
public:
    explicit PageList(QTreeWidget* w) : w_(w) {}
    static PageList Of(QWidget& window) { return PageList(window.findChild<QTreeWidget*>(QStringLiteral("lvPagine"))); }

    explicit operator bool() const { return w_ != nullptr; }
    operator QWidget*() const { return w_; }
    PageList* operator->() { return this; }

    int count() const { return w_->topLevelItemCount(); }
    int currentRow() const { return w_->currentItem() ? w_->indexOfTopLevelItem(w_->currentItem()) : -1; }
    void setCurrentRow(int row) { w_->setCurrentItem(w_->topLevelItem(row)); }
    QString text(int row) const { return w_->topLevelItem(row)->text(0); }
    std::int64_t slot(int row) const { return model::RefIndex(w_->topLevelItem(row)->data(0, Qt::UserRole).toInt()); }
    // By page slot, whatever row the title sorts the page into.
    std::int64_t currentSlot() const { return currentRow() < 0 ? -1 : slot(currentRow()); }
    int rowOfSlot(std::int64_t s) const {
        for (int r = 0; r < count(); ++r)
            if (slot(r) == s) return r;
        return -1;
    }
    void setCurrentSlot(std::int64_t s) { setCurrentRow(rowOfSlot(s)); }

private:
    QTreeWidget* w_;
};

}  // namespace testsupport
