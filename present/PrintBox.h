// The printed copy of a page: its header, body and footer texts read again
// from the stored markup with printer metrics, laid out by the same line
// breaker as the screen in printer pixels (paragraph lengths, table spacing,
// padding and widths converted from screen pixels), pictures at the picture
// scale, tables laid out cell by cell; then cut into bands as high as the
// printable area, band k going on sheet k + 1.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "present/PrintSetup.h"
#include "richtext/Box.h"
#include "richtext/Diagnostics.h"

namespace model {
class TNYXset;
class TNYXoggetto;
class TNYXtesto;
}  // namespace model

namespace present {

// The settings of one run.
struct TPrintOptions {
    bool pageBackground = false;
    bool tableBackgrounds = false;
    std::int32_t pictureScale = kDefaultPictureScale;
};

// A printed table: its size and the place of every cell in it (row by row).
struct TPrintedTable {
    struct Cell {
        std::int32_t x = 0, y = 0, width = 0, height = 0;
        std::int32_t background = -1;  // -1 transparent, a colour, or 3000000 + picture
    };
    std::int32_t width = 0, height = 0;
    int rows = 0, columns = 0;
    std::vector<Cell> cells;
};

// What prints on one sheet, in drawing order.
struct TSheetItem {
    enum Kind { kCell, kMark, kLine };
    Kind kind = kLine;
    richtext::TNYXbox* box = nullptr;  // the page's box or a cell box
    std::int32_t para = 0;
    std::int32_t line = 0;
    // The box's place in content coordinates (a cell: also its size).
    std::int32_t boxLeft = 0, boxTop = 0;
    std::int32_t cellWidth = 0, cellHeight = 0;
    std::int32_t background = -1;  // kCell: the cell's background value
};

struct TSheet {
    std::int32_t bandTop = 0;  // content row printed at the top margin
    std::vector<TSheetItem> items;
};

class TPrintedPage {
public:
    TPrintedPage(model::TNYXset& set, const TPrintGeometry& geometry, const TPrintOptions& options,
                 richtext::TTextMetrics& printerMetrics);
    ~TPrintedPage();
    TPrintedPage(const TPrintedPage&) = delete;
    TPrintedPage& operator=(const TPrintedPage&) = delete;

    // Builds the working copy of the page and reads and lays out its texts.
    // A version-1 text is converted first. False when the page cannot be
    // printed (no page record, no working copy); nothing was laid out then.
    bool Build(model::TNYXoggetto& page);
    // Reads a stored text as a page body without a page record, its
    // embedded objects ("<$FF" + index) given in order.
    void BuildFromText(std::string_view body, const std::vector<model::TNYXoggetto*>& objects = {});

    richtext::TNYXbox& Box() { return *box_; }
    const TPrintGeometry& Geometry() const { return g_; }
    const TPrintOptions& Options() const { return options_; }
    // Markup problems met while reading (all texts of the page).
    const richtext::TMarkupDiagnostics& Diagnostics() const { return diagnostics_; }
    // The page's background (colour 0xBBGGRR, picture slot or -1).
    std::uint32_t backgroundColour = 0xFFFFFF;
    std::int32_t backgroundPicture = -1;

    // The printed layout of a table object (nullptr for another object).
    const TPrintedTable* TableOf(const richtext::TNYXembedded& e) const;
    // The size a picture prints at, in printer pixels.
    struct Size {
        std::int32_t width = 0, height = 0;
    };
    Size PictureSize(const model::TNYXoggetto& placed) const;

    // The sheets of the page (at least one).
    std::vector<TSheet> Sheets();

private:
    class Host;
    void LayoutAll();
    void ConvertLengths(richtext::TNYXbox& box);
    std::int32_t LayoutBoxAt(richtext::TNYXbox& box, std::int32_t firstTop);
    void LayoutTable(richtext::TNYXembedded& e, std::int32_t available);
    void CapLines(richtext::TNYXbox& box);

    model::TNYXset& set_;
    TPrintGeometry g_;
    TPrintOptions options_;
    richtext::TTextMetrics& metrics_;
    std::unique_ptr<model::TNYXtesto> copy_;
    std::unique_ptr<richtext::TNYXundoIndiciList> registry_;
    std::unique_ptr<richtext::TNYXbox> box_;
    std::unique_ptr<Host> host_;
    std::map<const richtext::TNYXembedded*, TPrintedTable> tables_;
    richtext::TMarkupDiagnostics diagnostics_;
};

// The band walk over a laid-out box: which lines, list marks and cells
// print on which sheet. A line prints on the sheet its top falls in (whole,
// even where it reaches below the band) and on no other; a table prints the
// cells that meet each band. Sheets without anything on them are left out,
// as long as one sheet remains.
std::vector<TSheet> WalkBands(richtext::TNYXbox& box, std::int32_t bandHeight,
                              const std::map<const richtext::TNYXembedded*, TPrintedTable>& tables);

}  // namespace present
