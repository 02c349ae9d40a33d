// What the picture dialogs choose, without any widget: the properties of a
// placed picture (size in pixels or as a percentage of the natural size,
// alignment, border, alternative text, low-resolution and pointer-over
// pictures) read from and written to its record, the size the picture is
// shown at, scaling to 100 % and 50 %, and placing a picture of the
// hypertext at the caret of a page being edited.
#pragma once

#include <cstdint>
#include <string>

#include "model/NYXoggetto.h"

namespace model {
class TNYXset;
}
namespace richtext {
class TNYXbox;
class TNYXediting;
}  // namespace richtext

namespace present {

struct TPictureSize {
    int width = 0, height = 0;
    bool operator==(const TPictureSize& o) const { return width == o.width && height == o.height; }
};

// Alignment against the text line: low, centred on the baseline, high.
constexpr std::uint8_t kAlignLow = 3, kAlignCentre = 4, kAlignHigh = 5;

struct TPictureChoices {
    int width = 100, height = 100;  // pixels, or percent of the natural size
    bool percent = false;
    std::uint8_t alignment = kAlignCentre;
    bool border = false;
    std::string altText;             // Windows-1252, up to 32 characters
    std::int32_t lowRes = -1;        // picture slot, -1 none
    std::int32_t rollover = -1;      // picture slot, -1 none
};

constexpr std::size_t kAltTextCap = 32;
constexpr int kMaxPercent = 1000;
// The size fields are 16-bit.
constexpr int kMaxSide = 32767;

TPictureChoices ChoicesFromRecord(const model::TNYXoggetto& placed);
// "" when the choices can be stored, else the message that says why not.
std::string CheckPictureChoices(const TPictureChoices& c);
// Writes the choices (clamped to the fields) into the record; when the
// displayed size changes the zones follow it.
void ApplyPictureChoices(model::TNYXoggetto& placed, const TPictureChoices& c);

// The picture-file object a field of a placed picture names (0 the picture,
// 5 the low-resolution one, 9 the pointer-over one); nullptr: none or empty.
// Without a hypertext the record's own is used.
model::TNYXoggetto* PictureOf(const model::TNYXoggetto& placed, std::size_t field = 0, model::TNYXset* set = nullptr);
// The real size of a picture file (its decoded size when it decodes, else
// the size stored in its record); {0, 0} when it has none.
TPictureSize RealSize(model::TNYXoggetto& picture);
// False for a picture file whose bytes are damaged or too large to decode
// (GIF, JPEG, PNG and BMP are decoded; WMF and EMF are taken as they are).
bool PictureDecodes(model::TNYXoggetto& picture);
// The displayed size in pixels: the stored size (percentages of the natural
// size worked out), 100 for a stored 0.
TPictureSize ShownSize(const model::TNYXoggetto& placed);
// Natural and displayed sizes reset to the picture's real size when the
// stored natural size differs from it; true when the record changed.
bool RefreshNaturalSize(model::TNYXoggetto& placed);
// The displayed size set to a percentage of the natural size (100 x 100
// without a picture file); the zones follow. Returns the new size.
TPictureSize ScaleTo(model::TNYXoggetto& placed, int percent);

// The hint over a picture: its text (the alternative text, in the editor
// followed by the free HTML text) and, with the description of the link it
// carries, that text put before the "|" of the description and at its end,
// after " - ".
std::string PictureHint(const std::string& linkDescription, const std::string& text);

// A placed picture of `picture` made in the box's home (the page being
// edited) and put at the caret as one undoable step; nullptr when the
// picture belongs to another hypertext or the box cannot take it.
model::TNYXoggetto* InsertPlacedPicture(richtext::TNYXbox& box, richtext::TNYXediting& editing,
                                        model::TNYXoggetto& picture);

}  // namespace present
