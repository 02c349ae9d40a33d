// An ordered tree (the page order, a library's groups of prototypes) shown
// in a QTreeWidget: chapters in brackets, objects by name, each item knowing
// its node.
#pragma once

class QTreeWidget;
class QTreeWidgetItem;

namespace model {
class TNYXorderedTree;
class TNYXtreeNode;
}  // namespace model

namespace shell::ui {

// Rebuilds the view from the tree and selects `select` (else the tree's selection).
void FillTreeView(QTreeWidget& view, const model::TNYXorderedTree& tree, const model::TNYXtreeNode* select = nullptr);
// The node an item shows (nullptr when the tree no longer holds it).
model::TNYXtreeNode* TreeNodeOf(const model::TNYXorderedTree& tree, const QTreeWidgetItem* item);
QTreeWidgetItem* TreeItemOf(QTreeWidget& view, const model::TNYXtreeNode* node);

}  // namespace shell::ui
