// What the editor may do with an embedded object of each kind: whether its
// handles resize it, the labels of its snapshots, and how a size the handles
// gave is stored into its record. Whoever keeps data that depends on an
// object's size (the click zones of a picture) listens for resizes here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/NYXoggetto.h"
#include "present/ObjectKinds.h"

namespace present {

// The handles of buttons with a picture, video, plug-in objects, size-2
// custom components, placed pictures and floating frames resize; every
// other kind's frame is fixed.
bool Resizable(const model::TNYXoggetto& o);

// The label of the snapshot taken before the object's properties change
// ("Modifica bottone", ...) and before it is resized ("Dimensiona bottone", ...).
std::string PropertiesLabel(const model::TNYXoggetto& o);
std::string ResizeLabel(const model::TNYXoggetto& o);

// The sizes a percentage is taken against: the width available to the
// object and the page's visible client height.
struct TSizeBase {
    std::int32_t availableWidth = 0;
    std::int32_t clientHeight = 0;
};

// The part of a displayed size that the record stores: a video with the
// player's buttons shows the bar above its picture, and stores the picture.
TObjectSize StoredPartOf(const model::TNYXoggetto& o, TObjectSize shown);

// Stores a new displayed size into the record (its kind's fields, in pixels
// or, when the record says so, in percent of its base). A percentage whose
// base is 0 keeps the old value. Sizes are cut to 1..65535 (the fields are
// 16 bits). False when the kind has no size to store or nothing changed.
bool StoreObjectSize(model::TNYXoggetto& o, TObjectSize size, const TSizeBase& base);

// Told after an object was resized by its handles (displayed sizes before
// and after); the id removes the listener.
using TResizeListener = std::function<void(model::TNYXoggetto&, TObjectSize before, TObjectSize after)>;
int AddResizeListener(TResizeListener fn);
void RemoveResizeListener(int id);
void NotifyResized(model::TNYXoggetto& o, TObjectSize before, TObjectSize after);

}  // namespace present
