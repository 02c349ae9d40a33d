// The frame tree of a page's frame map (type 9), read from its records
// without any display: one node per 58-byte frame record, children in order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXoggetto;
}

namespace present {

struct TFrameNode {
    std::int32_t id = 0;
    std::int32_t parent = -1;
    std::string name;       // at most 19 characters
    int place = 0;          // 0/2 row, 1/4 column, 3 last row, 5 last column
    bool scrolling = true;
    bool container = false;
    bool resizable = false;
    std::int32_t pageRef = -1;
    std::int32_t percent = 100;
    bool border = true;
    std::int32_t pixels = 20;
    int childBorder = 3;
    int rule = 0;  // 0 percent, 1 fixed pixels, 2 free
    std::vector<std::size_t> children;  // indexes into TFrameTree::nodes
};

struct TFrameTree {
    std::vector<TFrameNode> nodes;  // nodes[0] is the top frame when not empty
    bool Empty() const { return nodes.empty(); }
};

constexpr std::size_t kFrameRecordSize = 58;

// Reads records in preorder. A record whose parent is not an ancestor on the
// current path ends the tree there (damaged maps never loop or nest deeper
// than the records they hold).
TFrameTree ReadFrameTree(std::string_view records);
// The tree of a frame map object (empty when it has no readable records).
TFrameTree ReadFrameTree(const model::TNYXoggetto& map);

}  // namespace present
