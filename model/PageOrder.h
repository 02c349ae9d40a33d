// The default page order with chapters, and the grouping of the prototypes of
// a library: a tree bound to a hypertext and to one object type, stored as
// text in the first stream of a holder marker of that hypertext so that it
// travels in the native file.
//
// Stored form, one line per node in depth-first order, each ended by CR LF:
//   "a" + level + "," + reference + ",x"      an object
//   "a" + level + ",-3," + text               a chapter
//   "a" + level + ",-2," + text               the root (the hypertext itself)
//   "a" + level + ",-1," + text               a node without data
//
// Nodes refer to their objects by reference, never by pointer: saving reloads
// the hypertext, and an object deleted meanwhile (emptied in its slot) leaves
// its node without data instead of a dangling pointer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/Types.h"

namespace model {

class TNYXset;
class TNYXoggetto;

class TNYXtreeNode {
public:
    // Root: the hypertext; Chapter: a chapter marker without data of its own
    // (a group in a prototype library); Object: a page or a prototype; None:
    // a node whose data is missing.
    enum class Kind { None, Root, Chapter, Object };

    Kind kind = Kind::None;
    std::string text;           // Windows-1252
    std::int32_t ref = kNoRef;  // the object, for Kind::Object
    std::string icon;           // file type whose icon the node shows: ".nyx", ".txt", ".ini", ".hlp" or ""

    TNYXtreeNode* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<TNYXtreeNode>>& Children() const { return children_; }
    // Depth: 0 for top-level nodes.
    int Level() const;
    // Position among its siblings.
    std::size_t IndexInParent() const;
    bool IsRoot() const { return kind == Kind::Root; }
    bool IsChapter() const { return kind == Kind::Chapter; }
    // True when `other` is this node or lies below it.
    bool Contains(const TNYXtreeNode* other) const;

private:
    friend class TNYXorderedTree;
    TNYXtreeNode* parent_ = nullptr;
    std::vector<std::unique_ptr<TNYXtreeNode>> children_;
};

class TNYXorderedTree {
public:
    // Deepest level a node may have; deeper lines of a stored form are refused.
    static constexpr int kMaxLevel = 100;

    // Why a node could not be moved under another.
    enum class MoveResult { Moved, NotEditable, NotInTree, IsRoot, IntoOwnSubtree, TooDeep };

    TNYXorderedTree() = default;
    TNYXorderedTree(TNYXset* set, int objects) : LinkedNYXset(set), Objects(objects) {}
    TNYXorderedTree(const TNYXorderedTree&) = delete;
    TNYXorderedTree& operator=(const TNYXorderedTree&) = delete;

    // --- bindings -------------------------------------------------------------------
    TNYXset* LinkedNYXset = nullptr;
    int Objects = testoHtml;  // testoHtml: page order; custom: prototype groups
    bool Editable = true;     // moves and deletions are allowed
    bool LeftMouseSelect = false;
    // Asked before a node of a prototype tree is deleted; false refuses. The
    // handler may change the hypertext, not the tree.
    std::function<bool(TNYXtreeNode&)> OnDel;
    // Called after a node was renamed in place.
    std::function<void(TNYXtreeNode&, const std::string&)> OnRenameItem;

    // The marker that holds the stored form (made on first use); none for
    // object types other than pages and prototypes.
    TNYXoggetto* Holder() const;

    // --- loading and storing ---------------------------------------------------------
    // Rebuilds the tree from the hypertext: from the holder's stored form, or,
    // when it has none, the default tree (then stored). False when the stored
    // form had errors (each error text is shown once).
    bool Reload();
    // Writes the stored form into the holder's first stream; a page tree
    // also numbers the pages from it (see NumberPages).
    bool Store();
    // Gives the pages their chapter and position numbers from the tree's
    // order (the rule is written above PagesInNumberOrder).
    void NumberPages();
    // The tree as stored / rebuilt from a stored form (false on errors).
    std::string StoredForm() const;
    bool ReadStoredForm(std::string_view stored);
    void Clear();

    // --- looking at the tree -----------------------------------------------------------
    const std::vector<std::unique_ptr<TNYXtreeNode>>& TopNodes() const { return top_; }
    // Every node, depth-first: a node, its subtree, then its next sibling.
    std::vector<TNYXtreeNode*> NodesInOrder() const;
    // The node's object while it still exists, is of this tree's type and is
    // not empty; otherwise none (the node has no data).
    TNYXoggetto* NodeObject(const TNYXtreeNode& node) const;
    // Appends the object of every node, in tree order.
    void ObjectsInOrder(std::vector<TNYXoggetto*>& list) const;
    TNYXtreeNode* RootNode() const;  // the first node holding the hypertext

    // --- selection ---------------------------------------------------------------------
    TNYXtreeNode* Selected() const { return selected_; }
    void Select(TNYXtreeNode* node) { selected_ = node && Owns(node) ? node : nullptr; }
    // Selects the first node whose object has that reference; returns the object.
    TNYXoggetto* SelectObject(std::int32_t ref);
    std::string SelectedChapterName() const;
    TNYXoggetto* SelectedObject() const;

    // --- editing -----------------------------------------------------------------------
    // A chapter / a node for an object under the selected node when that is
    // the root or a chapter; returns the new node (none when refused).
    TNYXtreeNode* AddChapter(std::string_view name);
    TNYXtreeNode* AddObject(std::int32_t ref);
    // Deletes a node with its subtree: never the root (nor a subtree holding
    // it); in a prototype tree only when OnDel allows it.
    bool DeleteNode(TNYXtreeNode* node);
    // Moves the selected node one place among its siblings.
    bool MoveUp();
    bool MoveDown();
    bool MoveUp(TNYXtreeNode* node);
    bool MoveDown(TNYXtreeNode* node);
    // Dragging a node onto another node of this tree: it becomes the target's
    // last child.
    MoveResult MoveNode(TNYXtreeNode* node, TNYXtreeNode* target);
    // Puts a node right after another one, among that one's siblings (the
    // same refusals as MoveNode; a top-level sibling counts as the target
    // "not in the tree" since only the root lives there).
    MoveResult MoveAfter(TNYXtreeNode* node, TNYXtreeNode* sibling);
    // Objects dragged from other trees or lists are accepted on nodes that
    // hold no object.
    bool AcceptsForeignDrop(const TNYXtreeNode* target) const;
    // Renaming a node in place.
    bool RenameNode(TNYXtreeNode* node, std::string_view text);

    bool Owns(const TNYXtreeNode* node) const;

private:
    TNYXtreeNode* Append(TNYXtreeNode* parent, std::unique_ptr<TNYXtreeNode> node);
    std::vector<std::unique_ptr<TNYXtreeNode>>& SiblingsOf(TNYXtreeNode* node);
    std::unique_ptr<TNYXtreeNode> Detach(TNYXtreeNode* node);
    std::string ObjectIcon() const;
    void BuildDefault();
    bool StoreForm();

    std::vector<std::unique_ptr<TNYXtreeNode>> top_;
    TNYXtreeNode* selected_ = nullptr;
};

// Previous and next page by the chapter and position numbers of the page
// records (16-bit, offsets 77 and 79): pages in order of chapter, then
// position, then slot; a page with a negative position is not in the order.
//
// Where the numbers come from. Numbers read from a file are kept as they are
// until the author changes the order; then:
// - Storing the page order (TNYXorderedTree::Store) numbers every page the
//   tree holds, in the tree's depth-first order: the chapter number starts
//   at 0 and moves on by one at each chapter node that follows a numbered
//   page (a chapter without pages takes no number); the position counts the
//   pages from 0 since the chapter number last moved on, and a chapter full
//   at 32767 goes on in the next number. A page the tree holds twice keeps
//   the numbers of its first node. Pages the tree does not hold that were in
//   the number order follow the tree's pages, in their old order; pages out
//   of the order stay out. The default tree that Reload makes when nothing
//   is stored numbers nothing: it only shows the pages in slot order.
// - A page added to the hypertext (taking a slot that held no page in use)
//   without numbers of its own goes to the end of the order: the position
//   after the last page's, in its chapter (chapter 0, position 0 when no
//   page is in the order yet).
std::vector<TNYXoggetto*> PagesInNumberOrder(const TNYXset& set);
// Gives a page added to the hypertext the place after the last page of the
// number order (the page itself does not count), found by looking at every
// page. TNYXset::RegisterObject calls it for each page added, except inside a
// TNYXset::TPageRun, where the end of the order is remembered between pages.
void NumberNewPage(const TNYXset& set, TNYXoggetto& page);

// The last place of the number order: the greatest chapter, then position, of
// the pages in the order, and the page that holds it.
struct TOrderEnd {
    bool any = false;  // some page is in the order
    int chapter = 0, position = 0;
    const TNYXoggetto* page = nullptr;
    std::uint32_t slot = 0;
};
// Looks at every page; `except` does not count.
TOrderEnd FindOrderEnd(const TNYXset& set, const TNYXoggetto* except);
// Makes `page` the end when it is in the order and lies past `end` or ties
// with it; true when it did.
bool ExtendOrderEnd(TOrderEnd& end, const TNYXoggetto& page);
// Gives `page` the place after `end` (chapter 0, position 0 when no page is
// in the order), then makes it the end.
void NumberAfter(TOrderEnd& end, TNYXoggetto& page);
TNYXoggetto* PreviousPage(const TNYXset& set, const TNYXoggetto& page);
TNYXoggetto* NextPage(const TNYXset& set, const TNYXoggetto& page);

}  // namespace model
