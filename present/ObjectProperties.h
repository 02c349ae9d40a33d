// The choices of an embedded object's properties dialog, without any widget:
// which fields the kind shows (from its record's field table), their values
// as the dialog edits them, the kind's free HTML text (the "Html" tab), the
// lines of a text area or the items of a list, and writing them all back
// into the record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/NYXoggetto.h"

namespace present {

enum class TPropKind {
    kText,    // a length-prefixed string of `cap` characters
    kNumber,  // an integer of `bytes` bytes (1 unsigned, 2 and 4 signed)
    kCheck,   // a byte, 1 or 0
    kChoice,  // a byte taking one of `choices`
};

// The file an object shows or plays, chosen in its properties.
enum class TObjectFile { kNone, kMedia, kPicture };

struct TPropField {
    std::string key;    // names the field's widget
    std::string label;  // the dialog's text for it (UTF-8, as every interface text)
    TPropKind kind = TPropKind::kText;
    std::size_t offset = 0;
    std::size_t cap = 0;   // kText
    int bytes = 1;         // kNumber
    std::int32_t min = 0, max = 255;
    std::vector<std::pair<int, std::string>> choices;  // kChoice: value and text
};

class TObjectProperties {
public:
    explicit TObjectProperties(const model::TNYXoggetto& o);

    // The dialog's caption ("Proprietà bottone", ..., UTF-8); empty for a
    // kind that has no properties dialog. Values are the record's bytes.
    const std::string& Title() const { return title_; }
    const std::vector<TPropField>& Fields() const { return fields_; }
    const TPropField* Field(const std::string& key) const;

    // Values as text: strings as they are, numbers in decimal, checks "1" or
    // "0", choices their value in decimal. Unknown keys read as "".
    std::string Value(const std::string& key) const;
    // False for an unknown key or a value the field cannot take (a number
    // out of range, a choice not offered, a text longer than the field).
    bool SetValue(const std::string& key, const std::string& value);

    // The free HTML text the exporter writes for the object.
    std::string html;
    // The lines of a text area, or the items of a list or drop-down list
    // (three lines each: text shown, value sent, "n" when not selected),
    // separated by line feeds. Only when HasLines().
    std::string lines;
    bool HasLines() const { return hasLines_; }
    const std::string& LinesLabel() const { return linesLabel_; }

    // Sound and video play a file of the hypertext (offset 17), a button may
    // show a picture (offset 177). The dialog shows its name (UTF-8, empty
    // for none) and may choose another: a path on disk is copied into the
    // hypertext when the dialog is applied (a picture also sets the button's
    // natural and displayed sizes to its own); an empty path takes the file
    // away. Unset: the file is kept.
    TObjectFile FileKind() const { return fileKind_; }
    const std::string& FileName() const { return fileName_; }
    std::optional<std::filesystem::path> file;

    // Writes the values into the record; true when the record changed. A
    // media file that cannot be copied leaves the reference as it was.
    bool Apply(model::TNYXoggetto& o) const;

private:
    void Add(TPropField f);
    std::string title_;
    std::vector<TPropField> fields_;
    std::vector<std::string> values_;
    bool hasLines_ = false;
    std::string linesLabel_;
    TObjectFile fileKind_ = TObjectFile::kNone;
    std::string fileName_;
    int type_ = 0, subtype_ = 0;
};

// Sets the free HTML text of a record's second stream, keeping the data that
// leads it.
void SetHtmlText(model::TNYXoggetto& o, const std::string& text);

}  // namespace present

namespace richtext {
class TNYXbox;
class TNYXembedded;
}  // namespace richtext

namespace present {

// Writes the dialog's values into an object the box shows, as one undoable
// step (the kind's properties label), and lays its paragraph out again.
// False when nothing changed (no undo entry is left then).
bool ApplyProperties(richtext::TNYXbox& box, richtext::TNYXembedded& e, const TObjectProperties& p);

// The link a button follows when used ("cambia pagina"): a link key of the
// box's text, -1 for none (the button sends its form). One undoable step;
// false for an object that is no button or a link it already has.
bool SetButtonLink(richtext::TNYXbox& box, richtext::TNYXembedded& e, std::int32_t key);

// A button showing a picture whose stored natural size is no longer the
// picture's real size (the picture was replaced): the natural and displayed
// sizes become the real size, in pixels. True when the record changed.
bool FollowButtonPictureSize(model::TNYXoggetto& button);

}  // namespace present
