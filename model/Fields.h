// Named offsets of the record fields that more than one part of the program
// reads, and the one table of the fields that hold links and pictures. Every
// part that walks the links or pictures of a record (working copies, storing
// a page, resetting what a record owns, why a record refers to another, where
// a record leads, the clipboard) reads the table below with the use it serves,
// so they cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/Types.h"

namespace model {

// Page record (type 0).
namespace pagerec {
constexpr std::size_t kTitle = 5, kTitleCap = 71;
constexpr std::size_t kChapter = 77;   // int16: chapter number of the number order
constexpr std::size_t kPosition = 79;  // int16: place in the chapter; negative: not in the order
constexpr std::size_t kFrameMap = 81;  // slot index of the frame layout
constexpr std::size_t kBackPicture = 85;  // slot index of the background picture, -1 none
constexpr std::size_t kTextColour = 89, kLinkColour = 93, kVisitedColour = 97, kBackColour = 101;
constexpr std::size_t kKeywords = 105, kKeywordCount = 20;  // int32 slot indexes of keywords
constexpr std::size_t kNewFlag = 189;        // byte, 1 for a new page
constexpr std::size_t kNewWord = 191;        // int16, 1040 for a new page
constexpr std::size_t kMarkupVersion = 195;  // byte: 1 old markup, 2 current
constexpr std::size_t kStamp = 196;
constexpr std::size_t kNextSlide = 227;   // reference of the next slide, -1 none
constexpr std::size_t kHeaderPage = 231;  // slot index; -1: the hypertext's header page
constexpr std::size_t kFooterPage = 235;  // slot index; -1: the hypertext's footer page
constexpr std::size_t kFixedBackground = 288;  // byte, 1: the background stays while the text scrolls
constexpr std::uint8_t kOldMarkup = 1, kCurrentMarkup = 2;
}  // namespace pagerec

// Link record (type 10).
namespace linkrec {
constexpr std::size_t kAnchor = 9;   // anchor number in the target page, -1 none
constexpr std::size_t kTarget = 13;  // target reference (subtype 1)
constexpr std::size_t kShows = 17, kOpenMode = 18, kWindowName = 19, kWindowNameCap = 19;
constexpr std::uint8_t kGoTo = 1, kCloseWindow = 2, kKeywords = 3, kPreviousPage = 4, kNextPage = 5, kAutoImport = 6;
}  // namespace linkrec

// Marker record (type 11): its value, a number or a reference by subtype.
namespace markerrec {
constexpr std::size_t kValue = 5;
constexpr std::uint8_t kTreeHolder = 10, kWindowLaunch = 13, kAnchor = 14, kCatalogueLink = 15;
}  // namespace markerrec

// Picture data (type 5).
namespace picturerec {
constexpr std::size_t kStamp = 77, kWidth = 85, kHeight = 87, kFileName = 94, kTransparency = 170, kSize = 174;
}  // namespace picturerec

// Embedded file (types 2 and 3): name and file name at 5, its size and stamp.
namespace filerec {
constexpr std::size_t kName = 5, kNameCap = 79, kSize = 85, kStamp = 89;
}  // namespace filerec

// Placed picture (type 16): picture, low-resolution and pointer-over
// pictures, and 30 click zones of 16 bytes whose first int32 is the link.
namespace placedrec {
constexpr std::size_t kPicture = 0, kLowRes = 5, kRollover = 9, kZones = 73, kZoneSize = 16, kZoneCount = 30;
}  // namespace placedrec

// Multimedia element (type 24): the file it plays, or a custom component's prototype.
namespace mediarec {
constexpr std::size_t kReference = 17, kAltPicture = 21;
constexpr std::uint8_t kCustomComponent = 6;
constexpr std::size_t kAction = 25;         // 0 the player's buttons, 1 plays by itself (cycles)
constexpr std::size_t kCycles = 27;         // int16, -1 endless
constexpr std::size_t kCyclesLeft = 31;     // int16, working copy of kCycles while shown
constexpr std::size_t kWidth = 33, kHeight = 35, kPercent = 37;
constexpr std::uint8_t kSound = 1, kVideo = 3, kPlugin = 5, kDatabase = 7;
}  // namespace mediarec

// Common to buttons (type 22) and form and dynamic elements (types 20, 21):
// the identifier and the caption or initial content, 79 characters each.
namespace fieldrec {
constexpr std::size_t kName = 17, kNameCap = 79, kValue = 97, kValueCap = 79;
}  // namespace fieldrec

// Button (type 22).
namespace buttonrec {
constexpr std::size_t kPicture = 177;  // picture reference, -1 a standard push button
constexpr std::size_t kLink = 181;     // link followed when used, -1 sends the form
constexpr std::size_t kNaturalWidth = 186, kNaturalHeight = 188, kWidth = 190, kHeight = 192;
constexpr std::size_t kPercent = 194;  // 1: the displayed size is a percentage of the natural one
constexpr std::uint8_t kSubmit = 1, kImage = 2, kReset = 3, kPlain = 4;
}  // namespace buttonrec

// Form element (type 20) and dynamic element (type 21).
namespace formrec {
constexpr std::size_t kColumns = 177, kRows = 178, kWidthChars = 179, kShowInitial = 180;
constexpr std::size_t kChecked = 181, kMultiple = 182;
constexpr std::size_t kServerFile = 320, kServerFileCap = 127;
constexpr std::uint8_t kFloating = 18;
}  // namespace formrec

// Form start (type 23).
namespace formstartrec {
constexpr std::size_t kAction = 17, kActionCap = 255, kWriteEncoding = 273, kEncoding = 276, kEncodingCap = 79;
}  // namespace formstartrec

// Floating frame (type 20, subtype 18).
namespace floatrec {
constexpr std::size_t kName = 17, kNameCap = 79, kScrolling = 97, kMarginHeight = 98, kMarginWidth = 99;
constexpr std::size_t kBorderColour = 100, kHostPage = 104, kPageNumber = 108, kShowFrames = 116;
constexpr std::size_t kPercent = 178, kHeight = 180, kWidth = 182;
}  // namespace floatrec

// The objects a page's text holds that belong to the page: tables, links,
// markers, database connections, placed pictures, form and multimedia
// elements. Resetting the page resets them; a working copy holds private
// copies of them (and of the URLs the text uses, which stay shared).
constexpr bool OwnedByPageText(int type) {
    return type == tabellaHtml || type == speclink || type == shortObj || type == dbloc || type == immagineNew ||
           (type >= inputStat && type <= multiMedia);
}

// --- the table of link fields ---------------------------------------------------------------

// What a link field is read for. A field serves the uses its row names, and
// only those.
enum TLinkUse : std::uint8_t {
    // A working copy's private copies, and objects copied through the
    // clipboard, point the field at page-local copies of URLs and links, and
    // storing the page points it back at the hypertext's objects.
    luLocal = 1,
    // Resetting the record resets the link the field names (the record owns it).
    luOwned = 2,
    // ReferenceReason: the record refers to where the field leads.
    luRefers = 4,
    // CollectLinkTargets: the record leads where the field leads.
    luLeads = 8,
};

// Which records of the row's type have the field, by subtype.
enum class TSubtypeRule : std::uint8_t { Any, Only, Except };

struct TLinkField {
    std::uint8_t type;
    TSubtypeRule rule;
    std::uint8_t subtypes[2];  // the subtypes the rule names (Only: the first; Except: both)
    std::uint16_t offset;
    std::uint8_t count;   // fields in a row: the 30 zones of a placed picture
    std::uint8_t stride;
    std::uint8_t uses;    // TLinkUse bits
    // The value names a link record that leads on to its target; false: the
    // value is the target itself.
    bool follow;
    std::uint8_t reason;  // the ReferenceReason of a record that refers through the field
};

std::span<const TLinkField> LinkFieldTable();
// Whether the row applies to the record (its type and subtype).
bool LinkFieldApplies(const TLinkField& row, const TNYXoggetto& o);

// Calls fn(row, offset) for every field of o that serves use.
template <class F>
void ForEachLinkField(const TNYXoggetto& o, TLinkUse use, F&& fn);

// Offsets inside an object that hold references to URLs or links, as working
// copies and the clipboard make them page-local (luLocal).
std::vector<std::size_t> LinkFields(const TNYXoggetto& o);

// --- the table of picture fields ------------------------------------------------------------

// What a picture field is read for.
enum TPictureUse : std::uint8_t {
    puCarried = 1,  // the clipboard carries the picture with the object and maps the field on paste
    puRefers = 2,   // ReferenceReason
};

// A picture field holds the picture's slot index or its whole reference
// (objects made from a picture store the slot, others the reference).
struct TPictureField {
    std::uint8_t type;
    TSubtypeRule rule;
    std::uint8_t subtypes[2];
    std::uint16_t offset;
    std::uint8_t uses;
    std::uint8_t reason;
};

std::span<const TPictureField> PictureFieldTable();
bool PictureFieldApplies(const TPictureField& row, const TNYXoggetto& o);
// The slot index a picture field names, -1 for none (either form).
std::int32_t PictureSlotOf(std::int32_t value);

// Offsets inside an object that hold pictures the clipboard carries (puCarried).
std::vector<std::size_t> PictureFields(const TNYXoggetto& o);

template <class F>
void ForEachLinkField(const TNYXoggetto& o, TLinkUse use, F&& fn) {
    for (const TLinkField& row : LinkFieldTable()) {
        if (!(row.uses & use) || !LinkFieldApplies(row, o)) continue;
        for (std::size_t i = 0; i < row.count; ++i) fn(row, row.offset + i * row.stride);
    }
}

}  // namespace model
