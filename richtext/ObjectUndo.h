// The snapshot of one embedded object of a text: its record (data block and
// both streams) before a change of its properties or its size. It finds the
// object again by the box's id in the undo list and the object's instance id,
// so it survives the box being laid out or read again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "richtext/Undo.h"

namespace richtext {

class TimBackup : public TNYXbackup {
public:
    TimBackup(TNYXundoList& list, TNYXbox& box, const TNYXembedded& object, std::string label, int listNumber = 0);
    TNYXbox* Restore() override;
    // A snapshot whose record is what it was when taken covers no change.
    bool Changed() override;
    std::unique_ptr<TNYXbackup> Inverse(int listNumber) override;

    std::int32_t ObjectId() const { return id_; }

private:
    TNYXembedded* Find() const;
    std::int32_t id_;
    std::string record_;
};

// Takes the snapshot of an object in the box's undo list; nullptr when the
// box keeps no undo list.
TimBackup* SnapshotObject(TNYXbox& box, const TNYXembedded& object, const std::string& label);

// Called after a restore put an object's record back (whoever shows the
// object rebuilds what it holds of it, a picture's zones for example).
extern std::function<void(TNYXbox&, TNYXembedded&)> onObjectRestored;

}  // namespace richtext
