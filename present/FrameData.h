// A page's frame map: the type-9 object whose first attached stream holds the
// frame records of the page's division (without the ".frm" header) and whose
// int32 at 89 is their record length. The page's int32 at 81 names the map's
// slot (-1: the page is not divided).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "present/FrameTree.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace present {

constexpr std::size_t kPageMapField = 81;
constexpr std::size_t kMapRecordLengthField = 89;

// The record length of a map; 58 when the stored value is not a usable one.
std::size_t MapRecordLength(const model::TNYXoggetto& map);
// The frame tree of a map; null when it has no readable record.
std::unique_ptr<TNonVisCornice> ReadFrameMap(const model::TNYXoggetto& map, TFrameReadReport* report = nullptr);
// Writes a tree into a map: record length 58 and the records as its stream.
void WriteFrameMap(model::TNYXoggetto& map, const TNonVisCornice& top);

// The map a page refers to (its slot at 81; a whole type-9 reference is taken
// too), when it exists and is not empty.
model::TNYXoggetto* PageMap(const model::TNYXset& set, const model::TNYXoggetto& page);

// Makes `top` the page's division: a tree without children clears the page's
// map (which stays empty in its slot) and sets 81 to -1; otherwise the page's
// map, or a new one, gets the records and the page its slot.
void StorePageMap(model::TNYXset& set, model::TNYXoggetto& page, const TNonVisCornice* top);

// A flat view of a frame tree for readers that only walk it (the HTML export):
// one node per frame, preorder, children by index.
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

TFrameTree Flatten(const TNonVisCornice& top);
// Reads 58-byte records (see ReadFrameRecords).
TFrameTree ReadFrameTree(std::string_view records);
// The tree of a frame map object (empty when it has no readable records).
TFrameTree ReadFrameTree(const model::TNYXoggetto& map);

}  // namespace present
