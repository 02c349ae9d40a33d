// What the link dialog chooses, without any widget: the kind of link and its
// target, what is shown and how it opens. The choices are checked against the
// capacities of the records and turned into a link record (type 10) or a URL
// (type 1); an existing record is read back into choices for editing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace richtext {
class TNYXbox;
class TNYXediting;
}

namespace shell {

enum class TLinkKind : std::uint8_t {
    page,        // a page of this hypertext, optionally an anchor in it
    address,     // a URL or "mailto:" address
    hypertext,   // a page of another hypertext: "quor:" file "|" page
    special,     // previous / next page, close window, keywords, automatic import
};

struct TLinkChoices {
    TLinkKind kind = TLinkKind::page;
    std::int64_t page = -1;          // target page slot (kind page)
    std::int32_t anchor = -1;        // anchor number in the target page, -1 none
    std::string address;             // kind address (Windows-1252)
    std::string file;                // kind hypertext: the other native file
    std::int64_t foreignPage = -1;   // kind hypertext: its page, -1 its cover page
    std::uint8_t shows = 0;          // 0 the single page, 1 the frame set
    std::uint8_t openMode = 0;       // 0..6
    std::string windowName = "Ky";   // Windows-1252, capacity 19
    std::uint8_t special = 4;        // kind special: link subtype 2..6
    std::string importText;          // kind special, subtype 6: the import's text
};

constexpr std::size_t kLinkAddressCap = 127;
constexpr std::size_t kWindowNameCap = 19;

// The phrase of each open mode, as the dialog lists them.
const std::vector<std::string>& OpenModeNames();

// "" when the choices make a link, else the message that says why not.
std::string CheckLinkChoices(const model::TNYXset& set, const TLinkChoices& c);
// The address a URL record would hold ("quor:" form for another hypertext).
std::string LinkAddress(const TLinkChoices& c);
// A record for the choices, not registered (nullptr when they are refused).
// A URL that opens other than in the current frame becomes a link record
// whose target is the URL, registered in the hypertext (an equal one reused).
std::unique_ptr<model::TNYXoggetto> MakeLinkRecord(model::TNYXset& set, const TLinkChoices& c);
// What lists and hints will say of the link the choices make ("" while they
// are refused). For an address, the address itself: its record is made only
// when the dialog is accepted.
std::string LinkDescription(model::TNYXset& set, const TLinkChoices& c);
// The choices that an existing URL or link record stands for.
TLinkChoices ChoicesFromRecord(const model::TNYXset& set, const model::TNYXoggetto& record);

// Pages whose title holds `part` (compared case-insensitively), in slot order.
std::vector<std::int64_t> PagesByTitle(const model::TNYXset& set, std::string_view part);

// A link of a page's text that leads to a page no longer in the hypertext.
struct TBrokenLink {
    std::int64_t page;    // the page whose text holds it
    std::int32_t key;     // the key in the text (a link record or the page itself)
    std::int64_t target;  // the slot of the missing page
};
// True when a link key leads to a page slot that holds no page in use.
// `record` is the link record the key names (nullptr: the key itself is the target).
bool LeadsToMissingPage(const model::TNYXset& set, const model::TNYXoggetto* record, std::int32_t key);
// Every such link in the stored texts of the hypertext's pages.
std::vector<TBrokenLink> BrokenLinks(const model::TNYXset& set);

// Gives the selection the record as a link local to the text (undoable);
// false without a selection or when the box cannot keep it.
bool ApplyLinkRecord(richtext::TNYXediting& editing, std::unique_ptr<model::TNYXoggetto> record);
// Selects the run of characters around a position that share its link key;
// returns the key (-1: no link there, nothing selected).
std::int32_t SelectLinkAt(richtext::TNYXediting& editing, std::int32_t para, std::int32_t ch);

// The number the next anchor of a box gets: one past the highest its body shows.
std::int32_t NextAnchorNumber(const richtext::TNYXbox& box);
// Inserts an anchor marker at the caret (undoable); returns its number, -1 when refused.
std::int32_t InsertAnchor(richtext::TNYXediting& editing);

}  // namespace shell
