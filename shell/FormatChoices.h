// What the "Formato" toolbar and the formatting dialogs let the author
// choose, without the windows: the typed values are checked (with an Italian
// message for the first wrong one, never cut silently) and turned into the
// box's character and paragraph operations or into a style record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model
namespace richtext {
class TNYXTextAttributes;
class TNYXParaAttributes;
}  // namespace richtext

namespace shell {

// Font sizes offered by the size box (points).
const std::vector<int>& FontSizes();
// The sixteen basic colours (0x00BBGGRR) in the order the colour menu shows them.
const std::vector<std::uint32_t>& BasicColours();
// "Normale", "Pedice", "Apice" (position 0, 1, 2).
const std::vector<std::string>& PositionNames();

// A font size typed by the author: a whole number of points 1..999.
std::optional<int> ParseFontSize(std::string_view text, std::string* error);
// A font name: not empty, at most 32 characters (Windows-1252 bytes).
bool CheckFontName(std::string_view name, std::string* error);
// A measure typed in a unit ("2,5" or "2.5"); its pixel value must fit the
// stored 16-bit field (-32000..32000 pixels).
std::optional<double> ParseMeasure(std::string_view text, int unit, std::string_view field, std::string* error);

// The paragraph dialog: the six measures in the caret paragraph's unit.
struct TParagraphChoices {
    enum Measure { kLineHeight, kIndent, kLeft, kRight, kAbove, kBelow, kCount };
    int unit = 1;
    std::string text[kCount];  // as shown and typed
    double shown[kCount] = {};  // the values the dialog opened with
    // Labels of the fields, for messages and the dialog.
    static const char* Label(int m);
    // The caret paragraph's values.
    void Load(const richtext::TNYXParaAttributes& para);
    // The fields whose typed value differs from the one shown, with their
    // values; nullopt (and the message) when a field is wrong.
    std::optional<std::vector<std::pair<int, double>>> Changes(std::string* error) const;
    // Applies the changes (each an undoable operation); false with the
    // message when a field is wrong, in which case nothing changes.
    bool Apply(richtext::TNYXParaAttributes& para, std::string* error) const;
};

// The style editor: every field of a style record.
struct TStyleChoices {
    std::string name;  // Windows-1252
    std::string font;
    std::string size = "12";
    std::uint32_t colour = 0;
    std::uint8_t style = 0;
    std::uint8_t position = 0;
    int align = 0;
    int list = 0;
    int unit = 1;
    std::string measure[TParagraphChoices::kCount];

    // The fields of a style record (nullptr: a new style's defaults).
    void Load(const model::TNYXoggetto* style);
    // Checks the fields and writes them into a style record (its name
    // included); false with the message for the first wrong field.
    bool Store(model::TNYXoggetto& out, std::string* error) const;
};

// What choosing a style in the main window's style list does.
enum class TStyleChoice { Apply, Ask, Nothing };
// `current`: the caret paragraph's style; `deviates`: the text at the caret
// does not match the chosen style.
TStyleChoice ChooseStyle(const model::TNYXoggetto* chosen, const model::TNYXoggetto* current, bool deviates);
// "Stile \"name\"": the question asked when the chosen style is the caret's.
std::string StyleQuestion(std::string_view name);

// The question asked before deleting a style: tells how many paragraphs use
// it. Empty when the style cannot be deleted (the two built-in ones).
std::string DeleteStyleQuestion(model::TNYXset& set, const model::TNYXoggetto& style, std::string* refusal);

// The characters of the symbol table: every Windows-1252 code from 32 to 255
// that has a character (the five undefined codes and DEL left out).
const std::vector<unsigned char>& SymbolCodes();

}  // namespace shell
