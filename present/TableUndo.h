// The undo snapshot of a table change: the table's record (its data block
// and its cell backgrounds) together with the paragraph that shows it and
// every cell text. Restoring puts the record back before the cells are read
// again, so that the cell list read always matches the grid's size.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "richtext/Box.h"
#include "richtext/Undo.h"

namespace present {

class TTableBackup : public richtext::TNYXbackup {
public:
    TTableBackup(richtext::TNYXundoList& list, richtext::TNYXbox& holder, richtext::TNYXembedded& table, std::string label,
                 int listNumber = 0);
    richtext::TNYXbox* Restore() override;
    bool Changed() override;
    std::unique_ptr<richtext::TNYXbackup> Inverse(int listNumber) override;

private:
    struct TState {
        std::string data, stream, text;
        bool hasStream = false;
        std::vector<int> kinds;
        bool operator==(const TState&) const = default;
    };
    static TState Take(const richtext::TNYXbox& holder, std::int32_t para, const richtext::TNYXembedded& table);
    std::int32_t para_;
    std::int32_t id_;
    TState saved_;
    richtext::TNYXbox* box_;  // only for the change test, right after the operation
};

// Takes the snapshot of a table about to change into the undo list (when
// the recorder is one); false when the table is not shown.
bool SnapshotTable(richtext::TUndoRecorder* undo, richtext::TNYXembedded& table, const std::string& label);

}  // namespace present
