#include "shell/ui/OrderTreeView.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <functional>

#include "model/NYXoggetto.h"
#include "model/PageOrder.h"
#include "platform/text.h"

namespace shell::ui {
namespace {

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

}  // namespace

void FillTreeView(QTreeWidget& view, const model::TNYXorderedTree& tree, const model::TNYXtreeNode* select) {
    view.clear();
    std::function<void(QTreeWidgetItem*, const model::TNYXtreeNode&)> add = [&](QTreeWidgetItem* parent,
                                                                                const model::TNYXtreeNode& n) {
        const model::TNYXoggetto* o = tree.NodeObject(n);
        QString text = o ? Q(o->GetName()) : Q(n.text);
        if (n.IsChapter()) text = "[" + text + "]";
        auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(&view, {text});
        item->setData(0, Qt::UserRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(&n)));
        if (n.IsRoot()) item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);
        for (const auto& c : n.Children()) add(item, *c);
    };
    for (const auto& n : tree.TopNodes()) add(nullptr, *n);
    view.expandAll();
    if (QTreeWidgetItem* item = TreeItemOf(view, select ? select : tree.Selected())) view.setCurrentItem(item);
}

model::TNYXtreeNode* TreeNodeOf(const model::TNYXorderedTree& tree, const QTreeWidgetItem* item) {
    if (!item) return nullptr;
    auto* n = reinterpret_cast<model::TNYXtreeNode*>(item->data(0, Qt::UserRole).value<quintptr>());
    return tree.Owns(n) ? n : nullptr;
}

QTreeWidgetItem* TreeItemOf(QTreeWidget& view, const model::TNYXtreeNode* node) {
    if (!node) return nullptr;
    const auto key = reinterpret_cast<quintptr>(node);
    for (QTreeWidgetItemIterator it(&view); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).value<quintptr>() == key) return *it;
    return nullptr;
}

}  // namespace shell::ui
