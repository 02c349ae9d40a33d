// The choices behind the table dialogs and the "Tabella" menu, without any
// widget: a new table with its preset style, the properties dialog and its
// "Applica a:" targets, cell backgrounds, and adding and deleting rows and
// columns on a table's record and cells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "present/TableLayout.h"
#include "richtext/Box.h"

namespace richtext {
class TNYXediting;
}

namespace present {

inline constexpr int kMaxTableRows = 255;  // the row count is one byte
inline constexpr int kMaxNewTableRows = 200;
inline constexpr int kTableStyles = 12;
inline constexpr const char* kTooManyColumns = "Il numero massimo di colonne è limitato.";
inline constexpr const char* kTooManyRows = "Il numero massimo di righe è limitato.";

// The background value of a picture-file object's slot.
inline std::int32_t PictureBackground(std::uint32_t slot) { return 0x3000000 + static_cast<std::int32_t>(slot & 0xFFFFFF); }

// The fields of a new table record: one fixed column, spacing and padding
// 2, no border, 100 % wide, transparent, the system's border colours.
void SetTableDefaults(model::TNYXoggetto& table);

// "Nuova tabella".
struct TNewTableChoices {
    int rows = 3;      // 1 to 200
    int columns = 3;   // 1 to 50
    int style = 0;     // 0 to 11
    bool border = false;
    std::int32_t first = 0xFFFFFF;   // colours, red in the low byte
    std::int32_t second = 0xC0C0C0;
    bool usePicture = false;
    std::int32_t picture = -1;       // a picture background value, -1 none

    // Empty when the choices can be made into a table, else the message.
    std::string Check() const;
    // Fills a table record with the defaults, then the style, shape, border,
    // columns of equal percentage, and the cell backgrounds the style gives.
    void Apply(model::TNYXoggetto& table) const;
};

// Rows x columns backgrounds of a preset style; -1 for the cells it leaves transparent.
std::vector<std::int32_t> StyleBackgrounds(int style, int rows, int columns, std::int32_t first, std::int32_t second);

// The cells "Applica a:" names from the current cell: 0 nowhere, 1 the cell,
// 2 its row, 3 its column, 4 the row's even columns, 5 the column's even
// rows, 6 the row's odd columns, 7 the column's odd rows.
std::vector<TCell> ApplyTargets(int target, int rows, int columns, TCell current);

// The cell backgrounds of a table record: rows x columns values, a short or
// missing stream read as transparent for the cells it does not reach.
std::vector<std::int32_t> ReadBackgrounds(const model::TNYXoggetto& table);
void WriteBackgrounds(model::TNYXoggetto& table, const std::vector<std::int32_t>& values);

// "Proprietà tabella" as the dialog shows and returns it.
struct TTableProperties {
    std::string html;          // the free HTML text
    int columnRule = 0;        // the current column's rule and width
    int columnWidth = 0;
    int backgroundKind = 0;    // 0 transparent, 1 picture, 2 colour
    std::int32_t colour = 0xFFFFFF;
    std::int32_t picture = -1; // a picture background value, -1 none
    int applyTo = 0;           // 0 to 7
    int padding = 2;
    int spacing = 2;
    bool percent = true;
    bool bordered = false;
    int border = 1;
    std::int32_t tableBackground = -1;
    int width = 100;           // percent, or pixels

    static TTableProperties Of(const model::TNYXoggetto& table, int column);
    // Writes the choices into the record; the current cell (row, column)
    // decides which cells take the background.
    void Apply(model::TNYXoggetto& table, TCell current) const;
};

// Editing the grid of a table shown in a box. Each operation keeps the
// record, the cells and the background stream in step; the caller takes the
// undo snapshot and lays the holding paragraph out again.
class TTableGrid {
public:
    TTableGrid(richtext::TNYXembedded& table, const richtext::TNYXbox& holder) : e_(table), holder_(holder) {}

    int Rows() const { return e_.Rows(); }
    int Columns() const { return e_.Columns(); }
    // The cell of a box, {-1, -1} when the box is no cell of this table.
    TCell CellOf(const richtext::TNYXbox& cell) const;

    // Inserts before column / row p; false with the message when the limit
    // (50 columns, 255 rows) would be passed.
    bool AddColumns(int p, int n, std::string& message);
    bool AddRows(int p, int n, std::string& message);
    // Deletes an inclusive range; false (nothing done) outside the grid or
    // for the whole table.
    bool DeleteColumns(int first, int last);
    bool DeleteRows(int first, int last);
    static bool CanDelete(int first, int last, int count) { return first >= 0 && last <= count - 1 && first <= last && !(first == 0 && last == count - 1); }

private:
    // A table stored with 0 rows, 0 or more than 50 columns, or with cells
    // missing, is given the shape it shows before its first edit.
    void Normalise();
    richtext::TNYXembedded& e_;
    const richtext::TNYXbox& holder_;
};

// Makes a new table of the choices in the box's object home, with its empty
// cells, and inserts it at the caret as one undoable step (the table stands
// in a paragraph of its own). nullptr when it cannot be inserted there.
richtext::TNYXembedded* InsertNewTable(richtext::TNYXbox& box, richtext::TNYXediting& editing, const TNewTableChoices& c);

// The paragraph that shows a table in the box holding it, -1 when none.
std::int32_t HolderParagraph(const richtext::TNYXembedded& table);

// One change of a table shown in a box: the undo snapshot of the paragraph
// that holds it (record and cells), then the change. False when the table
// is not shown or the change refused (the snapshot then covers nothing).
bool EditTable(richtext::TNYXembedded& table, richtext::TUndoRecorder* undo, const std::string& label,
               const std::function<bool(TTableGrid&)>& change);

}  // namespace present
