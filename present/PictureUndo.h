// The undo step of a change to a placed picture shown by a box (its zones,
// its size, its properties): the object's record as it was, found again by
// the box and the object's instance id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "richtext/Undo.h"

namespace present {

class TPictureBackup : public richtext::TNYXbackup {
public:
    TPictureBackup(richtext::TNYXundoList& list, richtext::TNYXbox& box, std::int32_t objectId, std::string label,
                   int listNumber = 0);
    richtext::TNYXbox* Restore() override;
    bool Changed() override;
    std::unique_ptr<richtext::TNYXbackup> Inverse(int listNumber) override;

private:
    model::TNYXoggetto* Live(richtext::TNYXbox** box = nullptr, bool quiet = true) const;
    std::int32_t id_;
    std::string record_;  // the data block
};

// Takes the snapshot before a picture is changed (nothing without an undo list).
void SnapshotPicture(richtext::TNYXundoList* list, richtext::TNYXbox& box, std::int32_t objectId,
                     const std::string& label);

}  // namespace present
