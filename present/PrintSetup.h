// Printing without a printer: the page setup (margins in hundredths of a
// millimetre and the printer profile kept in the options), the geometry of
// one run (printable area, margins and picture factors in printer pixels),
// the conversion of screen lengths to printer pixels, and the page list the
// print dialog edits.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace present {

// Limits of the options of a run.
constexpr std::int32_t kMinPictureScale = 20;
constexpr std::int32_t kMaxPictureScale = 20000;
constexpr std::int32_t kDefaultPictureScale = 2500;
std::int32_t ClampPictureScale(std::int64_t scale);
// A copy count of 0 or below prints one copy.
std::int32_t ClampCopies(std::int64_t copies);

// The paper as the printer reports it: its size in printer pixels and in
// millimetres (the whole sheet; margins are the page setup's).
struct TPaper {
    std::int32_t widthPx = 0;
    std::int32_t heightPx = 0;
    double widthMm = 0;
    double heightMm = 0;
};

// Margins in hundredths of a millimetre (25 mm each at start).
struct TMargins {
    std::int32_t left = 2500, top = 2500, right = 2500, bottom = 2500;
    bool operator==(const TMargins&) const = default;
};

// Everything a run needs in printer pixels.
struct TPrintGeometry {
    double factorX = 0;  // printer pixels per hundredth of a millimetre, across
    double factorY = 0;  // and down
    std::int32_t printableWidth = 0;
    std::int32_t printableHeight = 0;
    std::int32_t marginLeftPx = 0;
    std::int32_t marginTopPx = 0;
    std::int32_t pictureFactorX = 0;  // printer pixels per 100 picture pixels
    std::int32_t pictureFactorY = 0;
    std::int32_t pageWidthPx = 0;
    std::int32_t pageHeightPx = 0;

    // Screen lengths (pixels at 96 per inch) in printer pixels.
    std::int32_t ConvertX(std::int64_t screenPixels) const;
    std::int32_t ConvertY(std::int64_t screenPixels) const;
};

// The message shown when the margins leave no room to print in (UTF-8,
// like every text for the user).
extern const char* const kNoPrintableArea;

// Computes the geometry of a run; false (with the reason) when the paper is
// unknown or the margins leave no printable area, so that no job starts.
bool ComputeGeometry(const TPaper& paper, const TMargins& margins, std::int32_t pictureScale, TPrintGeometry& out,
                     std::string* why = nullptr);

// The printer's device-mode fields and the margins, as stored in the options
// under "\Software\ZR\printerProfiles\PrnSettings_" + the profile name.
struct TPrinterProfile {
    std::string device, driver, port;
    std::int32_t paperSize = 9;  // 9: A4
    std::int32_t paperLength = 0, paperWidth = 0;  // tenths of a millimetre (custom paper)
    std::int32_t orientation = 1;                  // 1 portrait, 2 landscape
    std::int32_t scale = 100;
    std::int32_t copies = 1;
    std::int32_t defaultSource = 7;  // 7: automatic
    std::int32_t printQuality = 600;  // dots per inch (negative: draft .. high)
    std::int32_t color = 2;           // 1 monochrome, 2 colour
    std::int32_t duplex = 1;          // 1 simplex, 2 long edge, 3 short edge
    TMargins margins;
    bool saved = false;
};

extern const char* const kProfilesKey;      // "\Software\ZR\printerProfiles"
extern const char* const kDefaultProfile;   // "PrinterSettings1"
std::string ProfileKey(std::string_view profileName);

// How profiles reach the options store (the shell gives its own).
struct TProfileStore {
    std::function<std::optional<std::string>(const std::string& key, const std::string& name)> read;
    std::function<bool(const std::string& key, const std::string& name, const std::string& value)> write;
};

// Loads a profile into `p`: false (p untouched) when the key does not exist;
// a missing or unreadable value ends the loading there, what was read so far
// stays. Strings are cut to 80 characters.
bool LoadPrinterProfile(const TProfileStore& store, std::string_view profileName, TPrinterProfile& p);
// Writes every value, "PrnParsSaved" last.
bool SavePrinterProfile(const TProfileStore& store, std::string_view profileName, const TPrinterProfile& p);

// The list of pages the print dialog prints: page slots, each at most once.
class TPrintList {
public:
    const std::vector<std::int32_t>& Pages() const { return pages_; }
    bool Empty() const { return pages_.empty(); }
    // Adds a page at the end; false when it is already listed.
    bool Add(std::int32_t slot);
    // "Tutte, in ordine predefinito": the pages of the page-order tree.
    void SetAllInOrder(model::TNYXset& set);
    // Moves entry i one place up or down; returns its new index (i when it stays).
    std::size_t MoveUp(std::size_t i);
    std::size_t MoveDown(std::size_t i);
    // Removes the entries at the given indices.
    void Remove(std::vector<std::size_t> indices);
    void Clear() { pages_.clear(); }
    // The pages a print with this list prints: the list, or the page shown
    // in the preview when the list is empty; entries that are not pages of
    // the hypertext (deleted meanwhile) are skipped.
    std::vector<std::int32_t> ToPrint(const model::TNYXset& set, std::int32_t previewPage) const;

private:
    std::vector<std::int32_t> pages_;
};

// The pages of the page-order tree in tree order (the default order).
std::vector<std::int32_t> PagesInDefaultOrder(model::TNYXset& set);

// The name a page is printed under ("Pagina n" when it has none).
std::string PrintedPageName(const model::TNYXoggetto& page);
// The job title: "Quor, pag: " + the page's name.
std::string JobTitle(const model::TNYXoggetto& page);

// Parses "1,3,5-7" into page numbers; false on anything else.
bool ParsePageList(std::string_view s, std::vector<std::int32_t>& out);
// Parses "T,R,B,L" in millimetres (decimals allowed) into margins.
bool ParseMarginsMm(std::string_view s, TMargins& out);

}  // namespace present
