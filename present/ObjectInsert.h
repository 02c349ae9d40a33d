// New embedded objects of every kind the author can insert: their commands,
// the defaults of a new record, and the insertion at the caret (undoable).
#pragma once

#include <string>
#include <vector>

#include "model/NYXoggetto.h"

namespace richtext {
class TNYXbox;
class TNYXediting;
}  // namespace richtext

namespace present {

struct TInsertKind {
    const char* command;  // "actInsBottone", ... (the window's command table names it)
    int type;
    int subtype;
};

const std::vector<TInsertKind>& InsertKinds();
const TInsertKind* FindInsertKind(const std::string& command);

// Fills a new record of a kind with the defaults an inserted object starts with.
void SetNewObjectDefaults(model::TNYXoggetto& o, int type, int subtype);

// Makes a record of the kind in the box's object home and inserts it at the
// caret as one undoable step; nullptr when it cannot be inserted there.
model::TNYXoggetto* InsertNewObject(richtext::TNYXbox& box, richtext::TNYXediting& editing, const TInsertKind& kind);

// Inserts a copy of a record made elsewhere (a custom component from its
// prototype) at the caret, in the box's object home, as one undoable step.
model::TNYXoggetto* InsertMadeObject(richtext::TNYXbox& box, richtext::TNYXediting& editing, const model::TNYXoggetto& made);

}  // namespace present
