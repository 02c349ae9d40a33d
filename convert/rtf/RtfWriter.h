// The writer of one RTF document: the font, colour and style tables it
// fills while the body is written (ExportTables.cpp), the walk of a stored
// text (ExportText.cpp), links, comments and tables (ExportObjects.cpp),
// pictures (ExportPictures.cpp) and the WinHelp footnotes (WinHelp.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "convert/rtf/NYXtortf.h"

namespace markup {
struct Token;
}
namespace model {
namespace codecs {
struct Image;
}
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::rtf {

struct TRtfFont {
    std::string face = "Times New Roman";
    std::int32_t size = 12;
    std::uint32_t colour = 0;
    std::uint8_t bits = 0;
    std::uint8_t pos = 0;
};

struct TParaFormat {
    TRtfFont font;
    int align = 0, numbering = 0;
    std::int32_t lineHeight = 0, indent = 0, left = 0, right = 0, above = 0, below = 0;  // pixels
};

// Twips of a length in pixels (96 per inch).
inline std::int32_t Twips(std::int64_t pixels) { return static_cast<std::int32_t>(pixels * 15); }

// RTF text of Windows-1252 characters: control codes dropped (13 a
// paragraph), "\", "{", "}" escaped, 126..255 as "\'hh".
void AppendRtfText(std::string& out, std::string_view text);
std::string RtfText(std::string_view text);

// An RGBA PNG (stored deflate blocks) and a 24-bit BMP of a decoded picture.
std::string EncodePng(const model::codecs::Image& im);
std::string EncodeBmp(const model::codecs::Image& im);

class TRtfWriter {
public:
    TRtfWriter(TNYXtortf& x, model::TNYXset& set, bool clipboard);

    // --- tables (ExportTables.cpp) -----------------------------------------------------
    int FontIndex(const std::string& face);
    int ColourIndex(std::uint32_t colour);
    int StyleIndex(int styleNo);
    // The header up to and including the paper size ("{\rtf1" ... "\margr" + r + " ").
    std::string Header(bool info);
    TParaFormat StyleFormat(int styleNo) const;
    // "\f.. \fs.. \cf.. ..." of a paragraph format; list text only when `body`.
    std::string FormatWords(const TParaFormat& f, bool body);

    // --- text (ExportText.cpp) -----------------------------------------------------------
    // Writes the body of one text (a page's, a header's, a fragment); `page`
    // is the page whose local objects the text refers to.
    void Text(std::string_view markup, const model::TNYXoggetto* page, std::string& out);

    // --- WinHelp (WinHelp.cpp) -----------------------------------------------------------
    void TopicFootnotes(const model::TNYXoggetto& page, std::string& out);
    // The name of a window reduced to 8 characters, unique in this document.
    std::string WindowName(std::string_view name);

    std::vector<std::string> fonts;
    std::vector<std::uint32_t> colours{0};  // index from 1; black first
    std::vector<int> styles;                // style numbers, index from 1
    std::vector<std::string> windows;       // reduced names, in order
    std::map<std::string, std::string> windowOf;  // original name -> reduced
    std::map<std::int32_t, std::string> bitmapOf; // picture reference -> bitmap file name
    std::vector<std::string> bitmaps;
    int listCounter = 1;

private:
    struct TTable {
        long cells = 0;
        int columns = 0;  // as the cell texts are stored
        long k = 0;
        const model::TNYXoggetto* obj = nullptr;
        int shown = 0;    // the columns shown: cells past them run on in the last
    };
    void Paragraph(const markup::Token& t);
    void RunFormat(const markup::Token& t);
    void FontChange(const TRtfFont& f);
    void WritePending();
    void Char(unsigned char c);
    void Object(std::int32_t ref);

    // --- objects (ExportObjects.cpp) -------------------------------------------------------
    void OpenLink(const model::TNYXoggetto& l);
    void CloseLink();
    std::string LinkClosing(const model::TNYXoggetto& l);
    void Comment(const model::TNYXoggetto& o);
    void TableStart(const model::TNYXoggetto& o);
    void CellEnd();
    std::string RowDefinition(const model::TNYXoggetto& t, int row);

    // --- pictures (ExportPictures.cpp) -----------------------------------------------------
    void Picture(const model::TNYXoggetto& o);
    std::string BitmapFor(const model::TNYXoggetto& picture);

    const model::TNYXoggetto* Obj(std::int32_t ref) const;

    TNYXtortf& x_;
    model::TNYXset& set_;
    bool clipboard_;
    std::string* out_ = nullptr;
    std::string_view text_;
    const model::TNYXoggetto* page_ = nullptr;
    TRtfFont run_;        // the paragraph's run font
    TRtfFont cur_;        // what the next character tag changes
    TRtfFont last_;       // last font written
    bool lastValid_ = false;
    bool pending_ = false;  // a character tag waits for the next character
    bool firstPara_ = true;
    bool noPar_ = false;  // the next paragraph follows a cell end
    bool paraOpen_ = false;
    int styleNo_ = 0;
    TParaFormat para_;
    const model::TNYXoggetto* link_ = nullptr;
    std::vector<TTable> tables_;
    std::int32_t tableMargins_ = -1;  // left + right margins (twips) of the first table's paragraph
};

}  // namespace convert::rtf
