// The undo list of a hypertext and its snapshots. A snapshot locates its box
// by instance ids (the box's id in the list's box registry, then for a cell
// the table's id and the cell's index), never by pointer, so it survives
// boxes being rebuilt.
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

    const std::string& Label() const { return label_; }
    int ListNumber() const { return listNumber_; }
    const std::vector<std::int32_t>& Path() const { return path_; }

protected:
    // The box of the path, or nullptr (with the error box for a broken chain).
    TNYXbox* Locate() const;
    TNYXundoList& list_;
    std::vector<std::int32_t> path_;  // innermost first

private:
    std::string label_;
    int listNumber_;
};

// A range of paragraphs, written in mode 1, with the range after the change.
class TboBackup : public TNYXbackup {
public:
    TboBackup(TNYXundoList& list, TNYXbox& box, std::string label, std::int32_t first, std::int32_t last,
              int listNumber = 0);
    // Records the paragraphs the operation left in place of the saved ones.
    void SetRangeAfter(std::int32_t first, std::int32_t last);
    TNYXbox* Restore() override;
    bool Changed() override;

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

private:
    int type_;
    std::uint32_t index_;
    std::string record_;
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

    // Registration; the undo list also empties the redo list.
    void AddUndo(std::unique_ptr<TNYXbackup> b);
    void AddRedo(std::unique_ptr<TNYXbackup> b);
    bool CanUndo();
    bool CanRedo() const { return false; }  // restores record no inverse
    std::size_t Count();
    // Labels newest first, as the drop-down list shows them.
    std::vector<std::string> Labels();
    TNYXbackup* Newest();

    // Undoes the newest entry; returns the box to focus (nullptr: keep it).
    TNYXbox* UndoOnce();
    // The drop-down choice: undoes `steps` entries one after another.
    TNYXbox* UndoSteps(std::size_t steps);
    TNYXbox* RedoOnce() { return nullptr; }
    void Clear();

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
    // Drops the newest entry when it covers no change.
    void Settle();
    model::TNYXset* set_;
    std::vector<TNYXbox*> boxes_;
    std::vector<std::unique_ptr<TNYXbackup>> undo_, redo_;
    int depth_ = 10;
    bool busy_ = false;
};

// Reads paragraphs of the given kinds from data at box index `at` (used by
// the restores and the editing operations); returns how many it added.
std::size_t ReadParagraphsAt(TNYXbox& box, std::int32_t at, std::string_view data, int mode,
                             const std::vector<int>& kinds, const TKeyMaps* maps = nullptr);
// Removes paragraphs [first, last] and keeps the header/footer counts right.
void EraseParagraphs(TNYXbox& box, std::int32_t first, std::int32_t last);

}  // namespace richtext
