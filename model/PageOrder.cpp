#include "model/PageOrder.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_set>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/TextLines.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace {

constexpr std::int32_t kNumOther = -1, kNumRoot = -2, kNumChapter = -3;
constexpr const char* kDecodeError = "error decoding nodes";
constexpr const char* kLoadError = "error loading nodes";

using lines::Lines;
using lines::Number;

// A line break inside a node's text would split its line in two.
std::string LineText(std::string_view text) {
    std::string t(text);
    for (char& c : t)
        if (c == '\r' || c == '\n') c = ' ';
    return t;
}

int Height(const TNYXtreeNode& node) {
    int h = 0;
    for (const auto& c : node.Children()) h = std::max(h, 1 + Height(*c));
    return h;
}

std::size_t PositionIn(const std::vector<std::unique_ptr<TNYXtreeNode>>& list, const TNYXtreeNode* node) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == node) return i;
    return list.size();
}

bool HoldsRoot(const TNYXtreeNode& node) {
    if (node.IsRoot()) return true;
    for (const auto& c : node.Children())
        if (HoldsRoot(*c)) return true;
    return false;
}

}  // namespace

// --- nodes --------------------------------------------------------------------------------

int TNYXtreeNode::Level() const {
    int l = 0;
    for (const TNYXtreeNode* p = parent_; p; p = p->parent_) ++l;
    return l;
}

std::size_t TNYXtreeNode::IndexInParent() const {
    if (!parent_) return 0;
    for (std::size_t i = 0; i < parent_->children_.size(); ++i)
        if (parent_->children_[i].get() == this) return i;
    return 0;
}

bool TNYXtreeNode::Contains(const TNYXtreeNode* other) const {
    for (const TNYXtreeNode* p = other; p; p = p->parent_)
        if (p == this) return true;
    return false;
}

// --- the tree -------------------------------------------------------------------------------

TNYXoggetto* TNYXorderedTree::Holder() const {
    if (!LinkedNYXset) return nullptr;
    if (Objects == testoHtml) return LinkedNYXset->PageTreeHolder();
    if (Objects == custom) return LinkedNYXset->PrototypeTreeHolder();
    return nullptr;
}

std::string TNYXorderedTree::ObjectIcon() const { return Objects == custom ? ".ini" : ".txt"; }

void TNYXorderedTree::Clear() {
    selected_ = nullptr;
    top_.clear();
}

bool TNYXorderedTree::Owns(const TNYXtreeNode* node) const {
    if (!node) return false;
    const TNYXtreeNode* t = node;
    while (t->Parent()) t = t->Parent();
    for (const auto& n : top_)
        if (n.get() == t) return true;
    return false;
}

TNYXtreeNode* TNYXorderedTree::Append(TNYXtreeNode* parent, std::unique_ptr<TNYXtreeNode> node) {
    node->parent_ = parent;
    auto& list = parent ? parent->children_ : top_;
    list.push_back(std::move(node));
    return list.back().get();
}

std::vector<std::unique_ptr<TNYXtreeNode>>& TNYXorderedTree::SiblingsOf(TNYXtreeNode* node) {
    return node->parent_ ? node->parent_->children_ : top_;
}

std::unique_ptr<TNYXtreeNode> TNYXorderedTree::Detach(TNYXtreeNode* node) {
    auto& list = SiblingsOf(node);
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == node) {
            std::unique_ptr<TNYXtreeNode> out = std::move(*it);
            list.erase(it);
            out->parent_ = nullptr;
            return out;
        }
    return nullptr;
}

TNYXoggetto* TNYXorderedTree::NodeObject(const TNYXtreeNode& node) const {
    if (node.kind != TNYXtreeNode::Kind::Object || !LinkedNYXset || node.ref == kNoRef) return nullptr;
    if (RefType(node.ref) != Objects) return nullptr;
    TNYXoggetto* o = LinkedNYXset->ObjectByRef(node.ref);
    if (!o || o->Type() != Objects || o->IsEmpty()) return nullptr;
    return o;
}

std::vector<TNYXtreeNode*> TNYXorderedTree::NodesInOrder() const {
    std::vector<TNYXtreeNode*> out;
    std::vector<TNYXtreeNode*> stack;
    for (auto it = top_.rbegin(); it != top_.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
        TNYXtreeNode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) stack.push_back(it->get());
    }
    return out;
}

void TNYXorderedTree::ObjectsInOrder(std::vector<TNYXoggetto*>& list) const {
    for (TNYXtreeNode* n : NodesInOrder())
        if (TNYXoggetto* o = NodeObject(*n)) list.push_back(o);
}

TNYXtreeNode* TNYXorderedTree::RootNode() const {
    for (TNYXtreeNode* n : NodesInOrder())
        if (n->IsRoot()) return n;
    return nullptr;
}

// --- stored form ------------------------------------------------------------------------------

std::string TNYXorderedTree::StoredForm() const {
    std::string out;
    for (TNYXtreeNode* n : NodesInOrder()) {
        out += 'a';
        out += std::to_string(n->Level());
        out += ',';
        switch (n->kind) {
            case TNYXtreeNode::Kind::Object:
                if (TNYXoggetto* o = NodeObject(*n)) {
                    out += std::to_string(o->Reference());
                    out += ",x";
                } else {
                    out += std::to_string(kNumOther) + "," + LineText(n->text);
                }
                break;
            case TNYXtreeNode::Kind::Chapter: out += std::to_string(kNumChapter) + "," + LineText(n->text); break;
            case TNYXtreeNode::Kind::Root: out += std::to_string(kNumRoot) + "," + LineText(n->text); break;
            case TNYXtreeNode::Kind::None: out += std::to_string(kNumOther) + "," + LineText(n->text); break;
        }
        out += "\r\n";
    }
    return out;
}

bool TNYXorderedTree::ReadStoredForm(std::string_view stored) {
    Clear();
    bool decodeError = false, loadError = false;
    TNYXtreeNode* prev = nullptr;
    int prevLevel = 0;
    for (std::string_view line : Lines(stored)) {
        if (line.empty() || line[0] != 'a') {
            decodeError = true;
            continue;
        }
        // "a" level "," number "," text; a missing part reads as not a number.
        std::string_view rest = line.substr(1);
        std::string_view levelPart = rest, numberPart, text;
        if (std::size_t c1 = rest.find(','); c1 != std::string_view::npos) {
            levelPart = rest.substr(0, c1);
            std::string_view after = rest.substr(c1 + 1);
            numberPart = after;
            if (std::size_t c2 = after.find(','); c2 != std::string_view::npos) {
                numberPart = after.substr(0, c2);
                text = after.substr(c2 + 1);
            }
        }
        const std::int32_t level = Number(levelPart).value_or(1);
        const std::int32_t number = Number(numberPart).value_or(1);
        if (level > kMaxLevel) {
            loadError = true;
            continue;
        }

        TNYXtreeNode* parent = nullptr;
        int nodeLevel = 0;
        if (prev) {
            if (level == prevLevel) {
                parent = prev->Parent();
                nodeLevel = prevLevel;
            } else if (level == prevLevel + 1) {
                parent = prev;
                nodeLevel = level;
            } else if (level > prevLevel + 1) {
                // The line's data is not put anywhere: the next lines still attach as stored.
                loadError = true;
                continue;
            } else {
                TNYXtreeNode* n = prev->Parent();
                int nl = prevLevel - 1;
                while (n && nl > level) {
                    n = n->Parent();
                    --nl;
                }
                parent = n ? n->Parent() : nullptr;
                nodeLevel = n ? nl : 0;
            }
        }

        auto node = std::make_unique<TNYXtreeNode>();
        node->text = std::string(text);
        if (number == kNumChapter) {
            node->kind = TNYXtreeNode::Kind::Chapter;
            node->icon = ".hlp";
        } else if (number == kNumRoot) {
            node->kind = TNYXtreeNode::Kind::Root;
            node->icon = ".nyx";
        } else if (number != kNumOther && RefType(number) == Objects) {
            node->kind = TNYXtreeNode::Kind::Object;
            node->ref = number;
            if (TNYXoggetto* o = NodeObject(*node)) {
                node->text = o->GetName();
                node->icon = ObjectIcon();
            } else {
                // A slot that is empty or does not exist: the node keeps no data.
                node->kind = TNYXtreeNode::Kind::None;
                node->ref = kNoRef;
            }
        }
        prev = Append(parent, std::move(node));
        prevLevel = nodeLevel;
    }
    if (decodeError) platform::ui().Error(kDecodeError);
    if (loadError) platform::ui().Error(kLoadError);
    return !decodeError && !loadError;
}

void TNYXorderedTree::BuildDefault() {
    Clear();
    auto root = std::make_unique<TNYXtreeNode>();
    root->kind = TNYXtreeNode::Kind::Root;
    root->icon = ".nyx";
    if (LinkedNYXset)
        root->text = platform::text::Utf8ToCp1252(LinkedNYXset->NYXFileName().filename().string());
    TNYXtreeNode* r = Append(nullptr, std::move(root));
    if (!LinkedNYXset) return;
    for (std::size_t i = 0; i < LinkedNYXset->Count(Objects); ++i) {
        TNYXoggetto* o = LinkedNYXset->ObjectAt(Objects, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        auto n = std::make_unique<TNYXtreeNode>();
        n->kind = TNYXtreeNode::Kind::Object;
        n->ref = o->Reference();
        n->text = o->GetName();
        n->icon = ObjectIcon();
        Append(r, std::move(n));
    }
}

bool TNYXorderedTree::Reload() {
    TNYXoggetto* holder = Holder();
    std::string stored;
    if (holder && holder->HasFirstStream() && holder->FirstStreamSize() > 0 && holder->ReadFirstStream(stored))
        return ReadStoredForm(stored);
    BuildDefault();
    if (holder) StoreForm();
    return true;
}

bool TNYXorderedTree::Store() {
    if (!StoreForm()) return false;
    if (Objects == testoHtml) NumberPages();
    return true;
}

bool TNYXorderedTree::StoreForm() {
    TNYXoggetto* holder = Holder();
    if (!holder) return false;
    // Nodes whose object is gone stay without data from now on, even if a new
    // object takes the slot later.
    for (TNYXtreeNode* n : NodesInOrder())
        if (n->kind == TNYXtreeNode::Kind::Object && !NodeObject(*n)) {
            n->kind = TNYXtreeNode::Kind::None;
            n->ref = kNoRef;
            n->icon.clear();
        }
    std::string form = StoredForm();
    const std::string* now = holder->FirstStreamMemory();
    if (!now || *now != form) {
        holder->SetFirstStream(std::move(form));
        LinkedNYXset->SetModified(true);
    }
    return true;
}

// --- selection -------------------------------------------------------------------------------

TNYXoggetto* TNYXorderedTree::SelectObject(std::int32_t ref) {
    for (TNYXtreeNode* n : NodesInOrder())
        if (TNYXoggetto* o = NodeObject(*n); o && o->Reference() == ref) {
            selected_ = n;
            return o;
        }
    return nullptr;
}

std::string TNYXorderedTree::SelectedChapterName() const {
    return selected_ && selected_->IsChapter() ? selected_->text : std::string();
}

TNYXoggetto* TNYXorderedTree::SelectedObject() const { return selected_ ? NodeObject(*selected_) : nullptr; }

// --- editing ---------------------------------------------------------------------------------

TNYXtreeNode* TNYXorderedTree::AddChapter(std::string_view name) {
    if (!selected_ || !(selected_->IsRoot() || selected_->IsChapter())) return nullptr;
    if (selected_->Level() + 1 > kMaxLevel) return nullptr;
    auto n = std::make_unique<TNYXtreeNode>();
    n->kind = TNYXtreeNode::Kind::Chapter;
    n->text = std::string(name);
    n->icon = ".hlp";
    return Append(selected_, std::move(n));
}

TNYXtreeNode* TNYXorderedTree::AddObject(std::int32_t ref) {
    if (!selected_ || !(selected_->IsRoot() || selected_->IsChapter())) return nullptr;
    if (selected_->Level() + 1 > kMaxLevel) return nullptr;
    auto n = std::make_unique<TNYXtreeNode>();
    n->kind = TNYXtreeNode::Kind::Object;
    n->ref = ref;
    TNYXoggetto* o = NodeObject(*n);
    if (!o) return nullptr;
    n->text = o->GetName();
    n->icon = ObjectIcon();
    return Append(selected_, std::move(n));
}

bool TNYXorderedTree::DeleteNode(TNYXtreeNode* node) {
    if (!Editable || !Owns(node) || HoldsRoot(*node)) return false;
    if (Objects == custom && OnDel && !OnDel(*node)) return false;
    if (selected_ && node->Contains(selected_)) selected_ = node->Parent();
    Detach(node);
    return true;
}

bool TNYXorderedTree::MoveUp() { return MoveUp(selected_); }
bool TNYXorderedTree::MoveDown() { return MoveDown(selected_); }

bool TNYXorderedTree::MoveUp(TNYXtreeNode* node) {
    if (!Editable || !Owns(node)) return false;
    auto& list = SiblingsOf(node);
    const std::size_t at = PositionIn(list, node);
    // The second child goes before the first, later ones before their previous sibling.
    if (at == 0 || at >= list.size()) return false;
    std::swap(list[at - 1], list[at]);
    return true;
}

bool TNYXorderedTree::MoveDown(TNYXtreeNode* node) {
    if (!Editable || !Owns(node)) return false;
    auto& list = SiblingsOf(node);
    const std::size_t at = PositionIn(list, node);
    // After the next sibling; the second to last goes to the end; the last stays.
    if (at + 1 >= list.size()) return false;
    std::swap(list[at], list[at + 1]);
    return true;
}

TNYXorderedTree::MoveResult TNYXorderedTree::MoveNode(TNYXtreeNode* node, TNYXtreeNode* target) {
    if (!Editable) return MoveResult::NotEditable;
    if (!Owns(node) || !Owns(target)) return MoveResult::NotInTree;
    if (HoldsRoot(*node)) return MoveResult::IsRoot;
    if (node->Contains(target)) return MoveResult::IntoOwnSubtree;
    if (target->Level() + 1 + Height(*node) > kMaxLevel) return MoveResult::TooDeep;
    Append(target, Detach(node));
    return MoveResult::Moved;
}

TNYXorderedTree::MoveResult TNYXorderedTree::MoveAfter(TNYXtreeNode* node, TNYXtreeNode* sibling) {
    if (!Editable) return MoveResult::NotEditable;
    if (!Owns(node) || !Owns(sibling) || !sibling->Parent()) return MoveResult::NotInTree;
    if (node == sibling) return MoveResult::Moved;
    TNYXtreeNode* parent = sibling->Parent();
    const MoveResult r = MoveNode(node, parent);
    if (r != MoveResult::Moved) return r;
    // Now the parent's last child: bring it back to just after the sibling.
    auto& kids = parent->children_;
    const std::size_t at = sibling->IndexInParent() + 1;
    std::rotate(kids.begin() + static_cast<std::ptrdiff_t>(at), kids.end() - 1, kids.end());
    return MoveResult::Moved;
}

bool TNYXorderedTree::AcceptsForeignDrop(const TNYXtreeNode* target) const {
    return Editable && Owns(target) && !NodeObject(*target);
}

bool TNYXorderedTree::RenameNode(TNYXtreeNode* node, std::string_view text) {
    if (!Editable || !Owns(node)) return false;
    node->text = std::string(text);
    if (OnRenameItem) OnRenameItem(*node, node->text);
    return true;
}

// --- chapter and position numbers ---------------------------------------------------------------

namespace {

constexpr int kMaxNumber = 32767;  // the numbers are 16-bit

std::int16_t ChapterOf(const TNYXoggetto& p) { return p.SWord(pagerec::kChapter); }
std::int16_t PositionOf(const TNYXoggetto& p) { return p.SWord(pagerec::kPosition); }

bool SetNumbers(TNYXoggetto& p, int chapter, int position) {
    const bool changed = ChapterOf(p) != chapter || PositionOf(p) != position;
    p.SetWord(pagerec::kChapter, static_cast<std::uint16_t>(chapter));
    p.SetWord(pagerec::kPosition, static_cast<std::uint16_t>(position));
    return changed;
}

// Hands out numbers in order.
class TPageNumbers {
public:
    void StartChapter() {
        if (position_ > 0 && chapter_ < kMaxNumber) {
            ++chapter_;
            position_ = 0;
        }
    }
    bool Give(TNYXoggetto& page) {
        if (position_ > kMaxNumber) {
            if (chapter_ < kMaxNumber) {
                ++chapter_;
                position_ = 0;
            } else {
                position_ = kMaxNumber;
            }
        }
        return SetNumbers(page, chapter_, position_++);
    }

private:
    int chapter_ = 0, position_ = 0;
};

}  // namespace

void TNYXorderedTree::NumberPages() {
    if (!LinkedNYXset || Objects != testoHtml) return;
    const std::vector<TNYXoggetto*> before = PagesInNumberOrder(*LinkedNYXset);
    std::unordered_set<const TNYXoggetto*> done;
    TPageNumbers numbers;
    bool changed = false;
    for (TNYXtreeNode* n : NodesInOrder()) {
        if (n->IsChapter()) {
            numbers.StartChapter();
        } else if (TNYXoggetto* p = NodeObject(*n); p && done.insert(p).second) {
            changed |= numbers.Give(*p);
        }
    }
    for (TNYXoggetto* p : before)
        if (!done.count(p)) changed |= numbers.Give(*p);
    LinkedNYXset->ForgetOrderEnd();
    if (changed) LinkedNYXset->SetModified(true);
}

TOrderEnd FindOrderEnd(const TNYXset& set, const TNYXoggetto* except) {
    TOrderEnd end;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!p || p == except || p->IsEmpty() || PositionOf(*p) < 0) continue;
        if (!end.any || ChapterOf(*p) > end.chapter || (ChapterOf(*p) == end.chapter && PositionOf(*p) > end.position)) {
            end.any = true;
            end.chapter = ChapterOf(*p);
            end.position = PositionOf(*p);
            end.page = p;
            end.slot = static_cast<std::uint32_t>(i);
        }
    }
    return end;
}

bool ExtendOrderEnd(TOrderEnd& end, const TNYXoggetto& page) {
    if (page.IsEmpty() || PositionOf(page) < 0) return false;
    if (end.any && (ChapterOf(page) < end.chapter || (ChapterOf(page) == end.chapter && PositionOf(page) < end.position)))
        return false;
    end.any = true;
    end.chapter = ChapterOf(page);
    end.position = PositionOf(page);
    end.page = &page;
    end.slot = page.Index();
    return true;
}

void NumberAfter(TOrderEnd& end, TNYXoggetto& page) {
    if (!end.any) {
        SetNumbers(page, 0, 0);
    } else if (end.position < kMaxNumber) {
        SetNumbers(page, end.chapter, end.position + 1);
    } else {
        const bool next = end.chapter < kMaxNumber;
        SetNumbers(page, next ? end.chapter + 1 : end.chapter, next ? 0 : end.position);
    }
    ExtendOrderEnd(end, page);
}

void NumberNewPage(const TNYXset& set, TNYXoggetto& page) {
    TOrderEnd end = FindOrderEnd(set, &page);
    NumberAfter(end, page);
}

// --- previous and next page -------------------------------------------------------------------

std::vector<TNYXoggetto*> PagesInNumberOrder(const TNYXset& set) {
    std::vector<TNYXoggetto*> pages;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        TNYXoggetto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty() && PositionOf(*p) >= 0) pages.push_back(p);
    }
    std::stable_sort(pages.begin(), pages.end(), [](const TNYXoggetto* a, const TNYXoggetto* b) {
        if (ChapterOf(*a) != ChapterOf(*b)) return ChapterOf(*a) < ChapterOf(*b);
        return PositionOf(*a) < PositionOf(*b);
    });
    return pages;
}

namespace {

TNYXoggetto* Neighbour(const TNYXset& set, const TNYXoggetto& page, int step) {
    if (page.Type() != testoHtml || page.IsEmpty() || PositionOf(page) < 0) return nullptr;
    const std::vector<TNYXoggetto*> pages = PagesInNumberOrder(set);
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i]->Index() == page.Index()) {
            const std::int64_t j = static_cast<std::int64_t>(i) + step;
            if (j < 0 || j >= static_cast<std::int64_t>(pages.size())) return nullptr;
            return pages[static_cast<std::size_t>(j)];
        }
    return nullptr;
}

}  // namespace

TNYXoggetto* PreviousPage(const TNYXset& set, const TNYXoggetto& page) { return Neighbour(set, page, -1); }
TNYXoggetto* NextPage(const TNYXset& set, const TNYXoggetto& page) { return Neighbour(set, page, +1); }

}  // namespace model
