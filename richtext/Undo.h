// The undo list of a hypertext and its snapshots. A snapshot locates its box
// by instance ids (the box's id in the list's box registry, then for a cell
// the table's id and the cell's index), never by pointer, so it survives
// boxes being rebuilt. Undoing a snapshot first records the state it is about
// to replace into the redo list, and redoing records the state it replaces
// back into the undo list, so the two lists walk one history back and forth.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/NYXset.h"
#include "richtext/Box.h"
#include "richtext/Markup.h"

namespace richtext {

class TNYXundoList;

// The selection a snapshot brings back.
struct TSelRange {
    TTextPos start, end, caret;
};

class TNYXbackup {
public:
    TNYXbackup(TNYXundoList& list, TNYXbox* target, std::string label, int listNumber);
    virtual ~TNYXbackup() = default;
    TNYXbackup(const TNYXbackup&) = delete;
    TNYXbackup& operator=(const TNYXbackup&) = delete;

    // Brings the state back; returns the box that should get the focus.
    virtual TNYXbox* Restore() = 0;
    // False while the snapshot may turn out to cover no change at all.
    virtual bool Changed() { return true; }
    // A snapshot of what Restore is about to replace, for the other list
    // (`listNumber`), taken before Restore runs; nullptr when there is
    // nothing to take (its target is gone).
    virtual std::unique_ptr<TNYXbackup> Inverse(int listNumber) = 0;
    // Told, when this is an inverse, which paragraphs the restore it stands
    // against left in place of the saved ones.
    virtual void SetRangeAfter(std::int32_t /*first*/, std::int32_t /*last*/) {}

    // After Restore: whether it brought anything back, and the paragraphs it
    // left (first > last for a restore without paragraphs).
    bool Restored() const { return restored_; }
    std::int32_t RestoredFirst() const { return restoredFirst_; }
    std::int32_t RestoredLast() const { return restoredLast_; }

    const std::string& Label() const { return label_; }
    int ListNumber() const { return listNumber_; }
    const std::vector<std::int32_t>& Path() const { return path_; }
    // Unique within the process: tells a snapshot from one made later at
    // the same address.
    std::uint64_t Serial() const { return serial_; }

protected:
    // The box of the path, or nullptr (with the error box for a broken chain,
    // unless quiet).
    TNYXbox* Locate(bool quiet = false) const;
    void SetRestored(std::int32_t first, std::int32_t last) {
        restored_ = true;
        restoredFirst_ = first;
        restoredLast_ = last;
    }
    TNYXundoList& list_;
    std::vector<std::int32_t> path_;  // innermost first

private:
    std::string label_;
    int listNumber_;
    std::uint64_t serial_;
    bool restored_ = false;
    std::int32_t restoredFirst_ = 0, restoredLast_ = -1;
};

// A range of paragraphs, written in mode 1, with the range after the change.
class TboBackup : public TNYXbackup {
public:
    TboBackup(TNYXundoList& list, TNYXbox& box, std::string label, std::int32_t first, std::int32_t last,
              int listNumber = 0);
    // Records the paragraphs the operation left in place of the saved ones.
    void SetRangeAfter(std::int32_t first, std::int32_t last) override;
    TNYXbox* Restore() override;
    bool Changed() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

private:
    std::string saved_;
    std::vector<int> kinds_;
    std::int32_t first_, last_, lastAfter_;
    TSelRange before_;
    TNYXbox* box_;  // only for the change test, right after the operation
};

// A deletion: the paragraphs it touched, whole, with the objects inside the
// deleted range (their records) so that they come back under their old ids.
class TcancelBackup : public TNYXbackup {
public:
    TcancelBackup(TNYXundoList& list, TNYXbox& box, std::string label, TTextPos start, TTextPos end,
                  int listNumber = 0);
    // How many paragraphs the deletion left (1, or 2 when it ended before a table).
    void SetParagraphsLeft(std::int32_t n) { left_ = n; }
    TNYXbox* Restore() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

private:
    struct Obj {
        std::int32_t id;
        std::int32_t kind;
        std::string record;
    };
    std::string saved_;
    std::vector<int> kinds_;
    std::vector<Obj> objects_;
    TTextPos start_, end_;
    std::int32_t left_ = 1;
    TSelRange before_;
};

// A copy of one object record of the hypertext (a style or a picture).
class TogBackup : public TNYXbackup {
public:
    TogBackup(TNYXundoList& list, model::TNYXoggetto& object, std::string label, int listNumber = 0);
    TNYXbox* Restore() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

private:
    int type_;
    std::uint32_t index_;
    std::string record_;
};

// The default page order: the order tree's stored form and the chapter and
// position numbers of every page, as a move in the order changes them.
class TorderBackup : public TNYXbackup {
public:
    TorderBackup(TNYXundoList& list, std::string label, int listNumber = 0);
    TNYXbox* Restore() override;
    bool Changed() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

private:
    struct Numbers {
        std::uint32_t slot;
        std::uint16_t chapter, position;
    };
    bool hasTree_ = false;
    std::string tree_;
    std::vector<Numbers> numbers_;
};

// The state an undo or a redo replaces: paragraphs written whole (tables
// with their cells) with the records of every object they show, cells
// included, so that restoring it brings back objects the other restore freed,
// under their old ids.
class TswapBackup : public TNYXbackup {
public:
    TswapBackup(TNYXundoList& list, TNYXbox& box, std::string label, std::int32_t first, std::int32_t last,
                int listNumber);
    void SetRangeAfter(std::int32_t first, std::int32_t last) override;
    TNYXbox* Restore() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

private:
    struct Obj {
        std::int32_t id;
        std::int32_t kind;
        std::int32_t width, height;
        std::string record;
    };
    // The objects paragraphs [first, last] show, and those of their tables' cells.
    static void Collect(const TNYXbox& box, std::int32_t first, std::int32_t last, std::vector<Obj>& out, int depth);
    std::string saved_;
    std::vector<int> kinds_;
    std::vector<Obj> objects_;
    std::int32_t first_, lastAfter_;
    TSelRange before_;
};

// The list also takes the snapshots of objects that the hypertext's own
// operations change: it is the hypertext's undo recorder while it lives.
class TNYXundoList : public TUndoRecorder, public model::TObjectUndoRecorder {
public:
    explicit TNYXundoList(model::TNYXset* set = nullptr);
    ~TNYXundoList() override;

    model::TNYXset* Set() const { return set_; }

    // The boxes the snapshots find again (a page's box, the editor's frames).
    // A box is given an id by its first snapshot; its owner calls ForgetBox
    // before the box goes (its snapshots then report a broken chain).
    std::int32_t BoxId(TNYXbox& box);
    TNYXbox* FindBox(std::int32_t id) const;
    void ForgetBox(TNYXbox& box);
    const std::vector<TNYXbox*>& Boxes() const { return boxes_; }

    int Depth() const { return depth_; }
    // Values below 2 are ignored; the oldest entries beyond the depth go.
    void SetDepth(int depth);

    // Registration. A new undo entry is a new change: it empties the redo
    // list, unless it turns out to cover no change (it is then dropped and
    // the redo list stays).
    void AddUndo(std::unique_ptr<TNYXbackup> b);
    void AddRedo(std::unique_ptr<TNYXbackup> b);
    bool CanUndo();
    bool CanRedo();
    std::size_t Count();
    std::size_t RedoCount();
    // Labels newest first, as the drop-down lists show them (for the redo
    // list: the next step to redo first).
    std::vector<std::string> Labels();
    std::vector<std::string> RedoLabels();
    TNYXbackup* Newest();
    // The serial of the newest undo entry, 0 when there is none.
    std::uint64_t NewestSerial() const { return undo_.empty() ? 0 : undo_.back()->Serial(); }

    // Undoes the newest entry, recording what it replaces as a redo entry;
    // returns the box to focus (nullptr: keep it).
    TNYXbox* UndoOnce();
    // The drop-down choice: undoes `steps` entries one after another.
    TNYXbox* UndoSteps(std::size_t steps);
    // Redoes the newest redo entry, recording what it replaces as an undo
    // entry (the redo list stays).
    TNYXbox* RedoOnce();
    TNYXbox* RedoSteps(std::size_t steps);
    // Takes back the newest entry of an operation that failed half-way: the
    // state comes back and nothing goes into the redo list.
    TNYXbox* Revert();
    void Clear();
    // A number no snapshot has had yet.
    std::uint64_t NextSerial() { return ++serials_; }

    // Set while the drop-down list is open: undo commands are ignored.
    bool Busy() const { return busy_; }
    void SetBusy(bool b) { busy_ = b; }

    // TUndoRecorder: a range snapshot for attribute and paragraph operations.
    void Snapshot(const std::string& label, TNYXbox& box, std::int32_t firstPara, std::int32_t lastPara) override;
    TboBackup* TakeRange(const std::string& label, TNYXbox& box, std::int32_t first, std::int32_t last);
    TcancelBackup* TakeDeletion(const std::string& label, TNYXbox& box, TTextPos start, TTextPos end);
    // model::TObjectUndoRecorder: a copy of one object record.
    void SnapshotObject(const std::string& label, model::TNYXoggetto& object) override;
    // Drops the newest entry without restoring it (an operation that failed).
    void DropNewest();

private:
    // Drops the newest entry when it covers no change; empties the redo list
    // once the entry taken after an undo or redo is known to be a change.
    void Settle();
    // Restores the newest entry of `from` and records its inverse in `to`.
    TNYXbox* Step(std::vector<std::unique_ptr<TNYXbackup>>& from, std::vector<std::unique_ptr<TNYXbackup>>& to,
                  int toNumber);
    void Push(std::vector<std::unique_ptr<TNYXbackup>>& list, std::unique_ptr<TNYXbackup> b);
    model::TNYXset* set_;
    std::vector<TNYXbox*> boxes_;
    std::vector<std::unique_ptr<TNYXbackup>> undo_, redo_;
    int depth_ = 10;
    bool busy_ = false;
    // The undo entry whose being a change decides whether the redo list goes.
    std::uint64_t redoGuard_ = 0;
    std::uint64_t serials_ = 0;
};

// Reads paragraphs of the given kinds from data at box index `at` (used by
// the restores and the editing operations); returns how many it added.
std::size_t ReadParagraphsAt(TNYXbox& box, std::int32_t at, std::string_view data, int mode,
                             const std::vector<int>& kinds, const TKeyMaps* maps = nullptr);
// Removes paragraphs [first, last] and keeps the header/footer counts right.
void EraseParagraphs(TNYXbox& box, std::int32_t first, std::int32_t last);

}  // namespace richtext
