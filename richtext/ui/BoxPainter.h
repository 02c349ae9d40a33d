// Painting a laid-out box with QPainter: background (colour, tiles, fixed
// tiles, hatching), list marks, text runs, selection, spell marks and the
// places of embedded objects. The painter is set up in box coordinates.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <functional>

#include "richtext/Box.h"
#include "richtext/ui/QtMetrics.h"

namespace richtext::ui {

struct TBoxLook {
    QColor background{0xC0, 0xC0, 0xC0};
    QImage picture;               // background tiles (none: null)
    bool pictureOpaque = true;    // false: the colour is filled first
    bool transparent = false;     // paints no background at all
    bool fixedBackground = false; // tiles stay still in the window
    bool pageBox = true;          // a page's box (not a table or a cell)
    bool editable = true;         // header and footer text is hatched
    bool inactive = false;        // the whole box is hatched (shared text)
    bool showSelection = true;
    bool showBoundaries = true;   // table and cell borders drawn
    QPoint scroll;                // the view's scroll positions
    QPoint parentOffset;          // cells: the box's place in its parent
    QColor highlight{0x33, 0x66, 0xCC}, highlightText{Qt::white};
    QColor buttonHighlight{Qt::white}, buttonShadow{0x80, 0x80, 0x80};
    // Draws an embedded object at its place (box coordinates); by default a
    // placeholder frame of the object's size.
    std::function<void(QPainter&, const TNYXembedded&, const QRect&)> paintObject;
};

// The background of `area` (box coordinates).
void PaintBackground(QPainter& p, const TBoxLook& look, const QRect& area);
// The paragraphs that meet `clip`, with list marks; stores widths measured
// again when a run disagrees with its characters by more than 4 pixels.
void PaintParagraphs(QPainter& p, TNYXbox& box, TQtTextMetrics& metrics, const TBoxLook& look, const QRect& clip);
// The frame of a table box or a cell box of `size` (box coordinates from 0):
// w sunken one-pixel rings for a cell with border width w > 0, one raised
// ring for a table with a border, a black dotted outline for a cell without
// border; nothing when inactive, when boundaries are hidden, or for a border
// width of 0 in a read-only view.
enum class BorderOf { Table, Cell };
void PaintBorder(QPainter& p, const TBoxLook& look, const QSize& size, BorderOf kind, int width, bool showBoundaries,
                 bool readOnly);

// One laid-out line of paragraph `para` as PaintParagraphs draws it (without
// selection), and the paragraph's list mark: for painting on another device
// line by line (a printer's band).
void PaintTextLine(QPainter& p, TNYXbox& box, std::int32_t para, std::size_t line, TQtTextMetrics& metrics,
                   const TBoxLook& look);
void PaintParagraphMark(QPainter& p, const TNYXparag& para, TQtTextMetrics& metrics);

// Background then paragraphs; nothing while the box is under an update.
void PaintBox(QPainter& p, TNYXbox& box, TQtTextMetrics& metrics, const TBoxLook& look, const QRect& clip);
// The default placeholder of an object.
void PaintPlaceholder(QPainter& p, const QRect& r);
// The drawing font of character i (its run, turned into the link font inside a link).
TMyFont DrawFont(const TNYXparag& para, std::size_t i);

}  // namespace richtext::ui
