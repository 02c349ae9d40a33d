// Sizes and paints the embedded objects of a page: buttons, form controls,
// marker icons and plug-in frames, in edit mode and as a reader sees them.
#pragma once

#include <QRect>

#include <cstdint>

#include "model/NYXoggetto.h"
#include "present/ObjectKinds.h"
#include "richtext/Box.h"

class QPainter;

namespace present::ui {

// Metrics of the application font, measured once.
const TObjectMetrics& WindowMetrics();

// Sets the object's size for a line of lineWidth pixels; false when it is not
// shown in this mode (markers in view mode, anchors shown while they are
// previewed).
bool MeasureEmbedded(richtext::TNYXembedded& e, std::int32_t lineWidth, bool readOnly, bool anchorPreview = false);

// Paints the object in r; state, when given, holds what a reader entered.
// False for the kinds the box paints itself (pictures, tables).
bool PaintEmbedded(QPainter& p, const model::TNYXoggetto& o, const QRect& r, const TFieldState* state = nullptr);

}  // namespace present::ui
