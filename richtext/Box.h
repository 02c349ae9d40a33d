// The in-memory form of formatted text, without any widget: paragraphs with
// their character records and attribute changes, the embedded objects they
// point at, the page's instance-id registry and the box that holds the
// paragraphs of one text (a page, a header or footer text, a table cell).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "richtext/Attributes.h"
#include "richtext/Diagnostics.h"
#include "richtext/Metrics.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace richtext {

class TNYXbox;
class TNYXparag;

struct TNYXcharRec {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t ascent = 0;
    std::int32_t font = -1;    // index in the paragraph's attribute changes
    std::int32_t object = -1;  // index in the paragraph's objects
    std::int32_t link = -1;    // key of the link covering the character
    std::int32_t spare = 0;
};

// One laid-out line of a paragraph. Tops are relative to the paragraph's text
// top (its top plus its space above).
struct TNYXline {
    std::int32_t first = 0;        // index of the first character
    std::int32_t count = 0;        // characters on the line
    std::int32_t ascent = 0;       // baseline's distance from the line top
    std::int32_t height = 0;
    std::int32_t top = 0;
    std::int32_t alignOffset = 0;  // added to startX: 0, the width left over, or half of it
    std::int32_t startX = 0;       // left margin (+ first-line indent on the first line)
    std::int32_t usedWidth = 0;    // line width minus the width left over
};

constexpr std::int32_t kOutOfSight = -20000;

// An embedded object as text sees it: the object record, its size in the text
// flow and, for a table, the boxes of its cells (row by row).
class TNYXembedded {
public:
    TNYXembedded(model::TNYXoggetto* record, std::int32_t width = 32, std::int32_t height = 32);
    ~TNYXembedded();

    model::TNYXoggetto* Record() const { return record_; }
    void SetRecord(model::TNYXoggetto* r) { record_ = r; }
    std::int32_t Id() const { return id_; }
    bool IsTable() const;
    // The grid as shown: at least one row, 1 to 50 columns.
    int Rows() const;
    int Columns() const;
    // The cell texts the markup holds after the table's tag: exactly the
    // stored rows x stored columns, whatever the grid shows.
    int StoredCellCount() const;
    // Cells of a row lie this far apart in Cells() (the stored column count
    // when it is above 50).
    int RowStride() const;

    std::int32_t width;
    std::int32_t height;

    // Placement by line layout, in box coordinates: left is kOutOfSight until
    // the paragraph that shows the object has been laid out; `placed` turns
    // false whenever the position changed and the control must be moved.
    std::int32_t left = kOutOfSight;
    std::int32_t top = 0;
    bool placed = false;

    // The cells of a table (Rows() x Columns() boxes once read).
    std::vector<std::unique_ptr<TNYXbox>>& Cells() { return cells_; }
    const std::vector<std::unique_ptr<TNYXbox>>& Cells() const { return cells_; }
    TNYXbox* CellAt(int row, int col) const;

    // The paragraph that currently shows the object (at most one).
    TNYXparag* PlacedIn() const { return placedIn_; }
    // True when shown by a paragraph of the registry's current load.
    bool PlacedNow(std::uint32_t generation) const { return placedIn_ && placedGen_ == generation; }

private:
    friend class TNYXundoIndiciList;
    friend class TNYXparag;
    model::TNYXoggetto* record_;
    std::int32_t id_ = -1;
    TNYXparag* placedIn_ = nullptr;
    std::uint32_t placedGen_ = 0;
    std::vector<std::unique_ptr<TNYXbox>> cells_;
};

// The instance-id registry of a page: embedded objects by id, ids never
// reused while the page exists.
class TNYXundoIndiciList {
public:
    TNYXundoIndiciList() = default;
    ~TNYXundoIndiciList();
    TNYXundoIndiciList(const TNYXundoIndiciList&) = delete;
    TNYXundoIndiciList& operator=(const TNYXundoIndiciList&) = delete;

    // Gives the object the next id and keeps it.
    TNYXembedded* Add(std::unique_ptr<TNYXembedded> e);
    // Puts an object at a given id (the list grows with empty slots); an id
    // already taken keeps its object and the new one is refused (nullptr).
    TNYXembedded* Put(std::int32_t id, std::unique_ptr<TNYXembedded> e);
    TNYXembedded* Find(std::int32_t id) const;
    // Frees the object at an id; the id stays used.
    void Free(std::int32_t id);
    std::int32_t Counter() const { return counter_; }
    std::size_t Size() const { return slots_.size(); }

    // A whole-text load starts a new generation: objects shown by paragraphs
    // of an earlier load (the cells of a table no longer on the page) may be
    // shown again; within one load an object is shown at most once.
    void NewGeneration() { ++generation_; }
    std::uint32_t Generation() const { return generation_; }
    // A number no other registry of this process has had: work posted for
    // later (a deferred deletion) finds out whether its registry still lives.
    std::uint64_t Serial() const { return serial_; }

private:
    std::uint64_t serial_ = NextSerial();
    static std::uint64_t NextSerial();
    std::vector<std::unique_ptr<TNYXembedded>> slots_;
    std::uint32_t generation_ = 1;
    std::int32_t counter_ = -1;
};

enum ParagKind : int { pkBody = 0, pkHeader = 1, pkFooter = 2 };

class TNYXparag {
public:
    explicit TNYXparag(TNYXbox* box, int kind = pkBody);
    ~TNYXparag();
    TNYXparag(const TNYXparag&) = delete;
    TNYXparag& operator=(const TNYXparag&) = delete;

    TNYXbox* box;
    int kind;
    std::string text;  // objects as blanks
    TNYXParaStyle style;
    std::vector<TNYXcharRec> recs;  // text.size() + 1 once read
    std::vector<std::unique_ptr<TNYXFontStyle>> fonts;
    std::vector<TNYXline> lines;
    // Painting: 1 for a line whose runs were found to agree with their
    // characters' widths (set again by every layout).
    std::vector<std::uint8_t> linesChecked;
    std::string spell;
    std::int32_t listNumber = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    std::int32_t defaultLineHeight = 0;
    TMyFont baseFont;  // the character attributes at the paragraph start

    const std::vector<TNYXembedded*>& Objects() const { return objects_; }
    // Appends an object shown by this paragraph; returns its index, or -1 when
    // it is already shown elsewhere.
    std::int32_t AddObject(TNYXembedded* e);
    // The object a character stands for, or nullptr.
    TNYXembedded* ObjectAt(std::size_t i) const;
    // True for the paragraph of a table (its only character is the table).
    bool IsTableParagraph() const;
    // Attributes in force at a character (clamped to the end record).
    TMyFont FontAt(std::size_t i) const;
    // Index of the attribute change in force at i, or -1.
    std::int32_t FontIndexAt(std::size_t i) const;
    // Gives the paragraph its end record when it has none.
    void EnsureEndRecord();
    // Drops the objects (they stay in the registry) and the content.
    void ReleaseObjects();

private:
    friend class TNYXundoIndiciList;
    std::vector<TNYXembedded*> objects_;
};

struct TTextPos {
    std::int32_t para = 0;
    std::int32_t ch = 0;
    auto operator<=>(const TTextPos&) const = default;
};

// Records the undo snapshot an operation takes before it changes text.
class TUndoRecorder {
public:
    virtual ~TUndoRecorder() = default;
    virtual void Snapshot(const std::string& label, TNYXbox& box, std::int32_t firstPara, std::int32_t lastPara) = 0;
};

// What a box asks of whoever shows it: object sizes, repainting and the
// scroll ranges. Every operation has a headless default.
class TLayoutHost {
public:
    virtual ~TLayoutHost() = default;
    // Sets e.width and e.height for a line of `lineWidth` pixels; false when
    // the object is not shown in the box's current mode.
    virtual bool MeasureObject(TNYXembedded& e, std::int32_t lineWidth);
    // Rows [top, bottom] of the box must be painted again (bottom -1: to the end).
    virtual void Invalidate(std::int32_t /*top*/, std::int32_t /*bottom*/) {}
    // The text's height or its content width changed.
    virtual void ContentSizeChanged() {}
    // The outermost update ended.
    virtual void UpdateEnded() {}
    // Objects of paragraphs [first, last] have new places (see TNYXembedded::placed).
    virtual void ObjectsMoved(std::int32_t /*first*/, std::int32_t /*last*/) {}
};

// Where the records of objects that editing brings into a text live: pasted
// objects and link records, and objects an undo brings back. A page shown for
// editing keeps them in its working copy until the page is stored; without a
// home they are registered in the hypertext.
class TObjectHome {
public:
    virtual ~TObjectHome() = default;
    // A new, empty embedded-object record of a kind (nullptr: none can be made).
    virtual model::TNYXoggetto* NewEmbedded(int kind) = 0;
    // Keeps a link record local to the text; returns its key (top byte 0x6F), -1 when refused.
    virtual std::int32_t AddLocalLink(std::unique_ptr<model::TNYXoggetto> record) = 0;
    // The local link record of a key, nullptr when there is none.
    virtual model::TNYXoggetto* LocalLink(std::int32_t key) const = 0;
};

// A headless holder of the paragraphs of one text.
class TNYXbox {
public:
    TNYXbox(model::TNYXset* set, TNYXundoIndiciList* registry, TTextMetrics* metrics = nullptr);
    ~TNYXbox();
    TNYXbox(const TNYXbox&) = delete;
    TNYXbox& operator=(const TNYXbox&) = delete;

    model::TNYXset* Set() const { return set_; }
    TNYXundoIndiciList* Registry() const { return registry_; }
    TTextMetrics& Metrics() const { return metrics_ ? *metrics_ : DefaultMetrics(); }
    void SetMetrics(TTextMetrics* m) { metrics_ = m; }

    std::vector<std::unique_ptr<TNYXparag>> paragraphs;
    std::int32_t headerCount = 0;
    std::int32_t footerCount = 0;

    // Cells: the table holding the box and its depth (0 for a page's box).
    TNYXembedded* ownerTable = nullptr;
    int depth = 0;
    bool IsCell() const { return ownerTable != nullptr; }
    // Cells: the place in the table (the width is layoutWidth) and the
    // height of the row the cell stands in.
    std::int32_t cellLeft = 0;
    std::int32_t cellTop = 0;
    std::int32_t cellHeight = 0;
    std::int32_t cellBackground = -1;
    // Style of new text in this box: 0 body text, 1 table cell.
    int DefaultStyleNumber() const { return IsCell() ? 1 : 0; }

    // Paragraph-style object for a number (style 0 when not found; nullptr
    // without a hypertext, meaning the defaults of a new style).
    const model::TNYXoggetto* StyleByNumber(std::int64_t n) const;
    // Number of a style object (its slot), 0 when none.
    static std::int32_t StyleNumber(const model::TNYXoggetto* s);

    // Body paragraphs are [headerCount, size - footerCount).
    std::int32_t BodyBegin() const { return headerCount; }
    std::int32_t BodyEnd() const { return static_cast<std::int32_t>(paragraphs.size()) - footerCount; }

    // Selection and caret (character positions; the caret sits before ch).
    TTextPos caret;
    TTextPos selStart, selEnd;
    bool HasSelection() const { return selStart != selEnd; }

    TUndoRecorder* undo = nullptr;
    TObjectHome* objectHome = nullptr;
    // A new embedded-object record in the box's object home (else in the hypertext).
    model::TNYXoggetto* NewEmbeddedRecord(int kind) const;
    // Lays out and repaints paragraphs [first, last]: through onLayout when
    // set, else by line layout once the box has a layout width.
    std::function<void(std::int32_t first, std::int32_t last)> onLayout;
    void Layout(std::int32_t first, std::int32_t last);

    // --- layout values -----------------------------------------------------------
    std::int32_t layoutWidth = 0;   // client width of the page area, or the cell width
    std::int32_t contentWidth = 0;  // the widest line needed (horizontal scroll range)
    std::int32_t cellPadding = 0;   // cells: added to both margins and the first top
    TLayoutHost* host = nullptr;
    TLayoutHost& Host() const;
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    // Bottom row of the text (the last paragraph's bottom), 0 when empty.
    std::int32_t TextBottom() const { return paragraphs.empty() ? 0 : paragraphs.back()->bottom; }
    void Snapshot(const std::string& label, std::int32_t first, std::int32_t last) {
        if (undo) undo->Snapshot(label, *this, first, last);
    }

    // Notes of the current load (the cells of a table share their page's).
    TMarkupDiagnostics* diagnostics = nullptr;
    void Note(MarkupProblem p, std::size_t offset) {
        if (diagnostics) diagnostics->Note(p, offset);
    }

private:
    model::TNYXset* set_;
    TNYXundoIndiciList* registry_;
    TTextMetrics* metrics_;
    int updateCount_ = 0;
};

}  // namespace richtext
