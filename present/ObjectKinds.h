// Which control each embedded object gets, how big it is shown, which icon a
// marker carries, and the values its form control holds while a reader uses
// the page. Toolkit-free: the painted controls and the tests share it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"

namespace present {

enum class TControlKind {
    kNone,        // no control: not shown, zero width, the record is kept
    kTable,
    kMarker,      // a small icon standing for an element invisible in the editor
    kDatabase,
    kImage,
    kEdit,        // text, password or file box
    kMemo,        // text area
    kRadio,
    kCheck,
    kList,
    kCombo,
    kFloating,
    kButton,
    kFormStart,
    kMultimedia,
};

TControlKind ControlKindOf(const model::TNYXoggetto& o);

// The control is drawn in view mode (markers stand for what a reader never sees).
bool ShownInView(TControlKind k);

// Whether the object is drawn in view mode: markers are not, except the
// 11/15 marker and, while anchors are previewed, the anchor marker.
bool ShownInView(const model::TNYXoggetto& o, bool anchorPreview);

// The kind of the prototype a custom component (multimedia subtype 6) is
// made from: 1 "Invisibile", 2 resizable, 3 text box, 4 text area, 5 radio
// button, 6 check box, 7 list, 8 drop-down list, 9 "Testo"; 0 when it names
// no prototype of its hypertext (it is then shown as a plain frame).
int PrototypeKind(const model::TNYXoggetto& o);
// The control a custom component is previewed as in the page: kMarker for
// an icon (kinds 1 and 9), kMultimedia for the frame of its stored size.
TControlKind PreviewKind(const model::TNYXoggetto& o);

// Name of the marker's icon among the program's pictures, empty when none.
std::string MarkerIcon(const model::TNYXoggetto& o);

// Standard metrics of the window font.
struct TObjectMetrics {
    std::int32_t charWidth = 7;    // width of "h"
    std::int32_t boxHeight = 22;   // a one-line drop-down box
    std::int32_t listWidth = 121;  // an ordinary list box
    std::int32_t listLine = 16;
};

struct TObjectSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Display size of an object in a line of lineWidth pixels. Stored sizes of 0
// or below fall back to the kind's default and sizes above 65535 are cut to
// 65535, for display only: the record is left as it is. Sound and video
// with the player's buttons make room for the player bar (141 x 30); sound
// that plays by itself is its 18 x 18 icon; custom components take the size
// of their preview, an "Invisibile" one 1 pixel wide in view mode.
TObjectSize DisplaySize(const model::TNYXoggetto& o, std::int32_t lineWidth, const TObjectMetrics& m = {},
                        bool readOnly = false);

// The player bar of sound and video with the player's buttons.
constexpr std::int32_t kPlayerBarWidth = 141, kPlayerBarHeight = 30;

// One item of a list or drop-down list.
struct TListItem {
    std::string text;
    std::string value;
    bool selected = false;
};

// Items of a list stream: three lines per item (text, value, selected flag,
// "n"/"N" meaning not selected), each ended by byte 10; a CR before it is
// dropped; a partial trailing item is left out.
std::vector<TListItem> ParseListItems(const std::string& stream);

// The state of one form control while a reader uses the page.
class TFieldState {
public:
    explicit TFieldState(const model::TNYXoggetto& o);
    TControlKind Kind() const { return kind_; }
    const model::TNYXoggetto& Record() const { return *o_; }
    std::string GetValue() const;
    void SetValue(const std::string& v);
    // Back to the record's initial content.
    void Reset();

    const std::string& Text() const { return text_; }
    bool Checked() const { return checked_; }
    const std::vector<TListItem>& Items() const { return items_; }
    // Chosen item (-1: none); a multiple-choice list marks items in `chosen`.
    std::int32_t Current() const { return current_; }
    void Choose(std::int32_t index);
    const std::vector<bool>& Chosen() const { return chosen_; }

private:
    const model::TNYXoggetto* o_;
    TControlKind kind_;
    bool multiple_ = false;
    std::string text_;
    bool checked_ = false;
    std::vector<TListItem> items_;
    std::int32_t current_ = -1;
    std::vector<bool> chosen_;
};

// The form controls of a text in order; a form-start marker opens a new form.
class TFormStates {
public:
    // Adds an object met in the text (fields and form starts; others ignored).
    void Add(const model::TNYXoggetto& o);
    TFieldState* Find(const model::TNYXoggetto& o);
    // Restores the fields of the form that holds `member` (a field or a button).
    void ResetFormOf(const model::TNYXoggetto& member);
    std::size_t Size() const { return fields_.size(); }
    // Marks a button as a member of the form it stands in.
    void AddButton(const model::TNYXoggetto& o);
    // Checks a radio button and unchecks the others of its group (same form,
    // same identifier).
    void CheckRadio(const model::TNYXoggetto& radio);

private:
    struct TEntry {
        TFieldState state;
        int form;
    };
    std::vector<TEntry> fields_;
    std::vector<std::pair<const model::TNYXoggetto*, int>> buttons_;
    int form_ = 0;
};

}  // namespace present
