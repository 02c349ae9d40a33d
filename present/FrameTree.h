// The frame tree of a divided page without any display: every frame holds its
// record and, when it is a container, its children in order. Read from a
// page's frame map or a ".frm" layout file, written back to both, laid out in
// pixels, and written as the HTML frameset of the page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "present/FrameRecord.h"

namespace present {

struct TFrameRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TFrameRect&) const = default;
};

class TNonVisCornice {
public:
    TFrameRecord rec;
    std::vector<std::unique_ptr<TNonVisCornice>> children;
    TNonVisCornice* parent = nullptr;
    // Where the last layout put the frame (pixels of the frame set).
    TFrameRect rect;

    bool IsLeaf() const { return children.empty(); }
    bool IsTop() const { return parent == nullptr; }
    // The children of this frame are rows (else columns).
    bool ChildrenAreRows() const { return rec.ChildrenAreRows(); }
    int Depth() const;
    std::size_t IndexInParent() const;
    TNonVisCornice* Add(std::unique_ptr<TNonVisCornice> child, std::size_t at = SIZE_MAX);
    std::unique_ptr<TNonVisCornice> Remove(std::size_t at);
    std::unique_ptr<TNonVisCornice> Clone() const;
    // Every frame of the subtree, this one first (preorder).
    void ForEach(const std::function<void(TNonVisCornice&)>& f);
    void ForEach(const std::function<void(const TNonVisCornice&)>& f) const;
    bool Contains(const TNonVisCornice* f) const;
    std::size_t CountFrames() const;
};

// "Frame" and the smallest number no frame of the tree is named with
// (names compared without regard to case).
std::string FreeFrameName(const TNonVisCornice& top);
// Gives every frame without a name such a name.
void GiveDefaultNames(TNonVisCornice& top);

// Limits on what a reader builds from outside bytes.
constexpr int kMaxFrameDepth = 32;
constexpr std::size_t kMaxFrames = 1024;
constexpr std::size_t kMinRecordLength = 8;
constexpr std::size_t kMaxRecordLength = 4096;
constexpr std::int32_t kFrmMagic = 4660;  // 0x1234

// What a reader met that it could not take as it was.
struct TFrameReadReport {
    std::size_t orphans = 0;      // records whose parent is no frame before them
    std::size_t duplicates = 0;   // identities already used by another frame
    std::size_t cycles = 0;       // records naming themselves or a frame below as their parent
    std::size_t dropped = 0;      // records beyond the depth or count limits
    std::size_t trailingBytes = 0;  // bytes after the last whole record
    bool Clean() const { return !orphans && !duplicates && !cycles && !dropped && !trailingBytes; }
    // One Italian line per kind of problem (UTF-8).
    std::vector<std::string> Lines() const;
};

// Reads records of `length` bytes each (8..4096; only the first 58 are
// used) in preorder: the first record is the top frame, and a record is a
// child of the nearest open frame whose identity it names as its parent.
// Records that fit nowhere are counted in the report and left out. Null when
// there is no whole record.
std::unique_ptr<TNonVisCornice> ReadFrameRecords(std::string_view records, std::size_t length,
                                                 TFrameReadReport* report = nullptr);

// Writes the tree in preorder with fresh identities (1, 2, ... in that
// order), each parent's identity, -1 above the top frame, the container flag
// set on frames with children and the legacy border flags cleared.
std::string WriteFrameRecords(const TNonVisCornice& top);

// ".frm" layout files: 4660, the record length, the records.
enum class TFrmStatus { kLoaded, kEmpty, kBadFormat };
struct TFrmRead {
    TFrmStatus status = TFrmStatus::kBadFormat;
    std::unique_ptr<TNonVisCornice> top;  // when kLoaded
    TFrameReadReport report;
};
// An empty file is kEmpty (a page without divisions); a short header, a
// record length below 8 or above 4096, a wrong magic number, a record cut
// short or no record at all is kBadFormat.
TFrmRead ReadFrm(std::string_view bytes);
// The bytes of a ".frm" file for a tree; "" for a tree without divisions.
std::string WriteFrm(const TNonVisCornice& top);
// The largest ".frm" file a reader takes in (the limits above, whole).
constexpr std::size_t kMaxFrmFileSize = 8 + kMaxFrames * kMaxRecordLength;

// Sizes every frame of the tree in `area`: the top frame fills it and every
// container shares its height (rows) or width (columns) among its children by
// their size rules, with bars of the container's border width between them
// (at least 3 while editing). Percent and fixed sizes are kept consistent in
// the records as they are measured. Sizes never go below 0.
void LayoutFrames(TNonVisCornice& top, const TFrameRect& area, bool editing);
// Sizes the children of one container inside its current rectangle.
void LayoutChildren(TNonVisCornice& container, bool editing);
// The width of the bars between a container's children.
int BarThickness(const TNonVisCornice& container, bool editing);
// The bar after child i of a container (as laid out).
TFrameRect BarRect(const TNonVisCornice& container, std::size_t i, bool editing);
// The share of a container's height (rows) or width (columns) left to its
// children once the bars are taken away; never below 0.
int SharedSpace(const TNonVisCornice& container, bool editing);

// The HTML frameset of a divided page, as written for export: a container
// writes <FRAMESET ROWS= or COLS= with its children's sizes, a leaf <FRAME>.
struct TFrameSetHtml {
    // The document a leaf shows for its page reference; without it "$" and the
    // reference as 8 hexadecimal digits.
    std::function<std::string(std::int32_t pageRef)> source;
    // Makes a frame name safe inside a double-quoted attribute; without it
    // &, <, > and " become entities (the bytes stay Windows-1252).
    std::function<std::string(std::string_view name)> escapeName;
};
std::string FrameSetText(const TNonVisCornice& top, const TFrameSetHtml& how = {});
// &, <, > and " as entities.
std::string EscapeFrameName(std::string_view name);

}  // namespace present
