// The walk of a stored text into HTML: paragraphs, runs and characters here,
// links in Links.cpp, the objects a text refers to in Objects.cpp, tables in
// Tables.cpp, custom components in Custom.cpp. One walker writes one text; a
// page document (Document.cpp) runs one each for the header, the page and the
// footer, sharing the document's context.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/html/NYXtoHtml.h"
#include "convert/html/Words.h"

namespace markup {
struct Token;
}
namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::html {

struct TFont {
    std::string face = "Times New Roman";
    std::int32_t size = 12;
    std::uint32_t colour = 0;
    std::uint8_t bits = 0;
    std::uint8_t pos = 0;
};

// The paragraph style's font (the defaults without a style).
TFont StyleFont(const model::TNYXoggetto* style);

// Formatting state of one nesting level (a table cell opens a new one).
struct TState {
    std::uint8_t bits = 0, pos = 0;
    std::uint32_t colour = 0;
    std::int32_t size = 0;
    std::string face;
    bool fontOpen = false;
    int align = 0, numbering = 0, unit = 0;
    std::uint32_t linkColour = 0;
    std::int32_t linkSize = 0;
    std::uint8_t linkBits = 0;
};

// What the texts of one document share.
struct TDocContext {
    enum Flag { kBrowser = 1, kRollover = 2, kClose = 4, kOpen = 8, kPlainOpen = 16 };
    int kind = 0;   // 0 page document, 1 frame-content document
    int flags = 0;  // script functions the document needs
    std::vector<std::int32_t> rollovers;
    const model::TNYXoggetto* page = nullptr;  // the page whose text is being written
};

class TTextWalk {
public:
    TTextWalk(TNYXtoHtml& x, TDocContext& doc, std::string& out);
    void Walk(std::string_view text);
    // The free HTML text of an object with its references filled in.
    std::string Expand(const model::TNYXoggetto& o);

private:
    struct TInline {
        std::string name, open;
    };
    struct TTable {
        const model::TNYXoggetto* t;
        int k;
    };
    TState& S() { return states_.back(); }

    // --- inline elements (TextWalk.cpp) -----------------------------------------
    // Kept well nested: closing one closes what was opened inside it and
    // opens those again.
    void Open(const std::string& name, const std::string& tag);
    void Close(const std::string& name);
    void CloseAllInline();
    // The start tag of the innermost open element `name`, or "".
    std::string OpenTagOf(const std::string& name) const;
    void RunClosing();
    void ParagraphClosing();

    // --- text (TextWalk.cpp) ------------------------------------------------------
    std::string FontTag(const TFont& b, const TFont& r) const;
    void WritePending();
    void Char(unsigned char c);
    void Paragraph(const markup::Token& t);
    void RunFormat(const markup::Token& t);

    // --- links (Links.cpp) ----------------------------------------------------------
    void OpenLink(const model::TNYXoggetto& l);
    void CloseLink();
    std::string LinkStartTag(const model::TNYXoggetto& l);
    std::string TargetPart(const model::TNYXoggetto& l);
    // The file a link of subtype 1 leads to; a page shown without its frames
    // is its frame-content document, added to the run's list when `addFrame`.
    std::string TargetFile(const model::TNYXoggetto& l, bool addFrame);
    // The file of the page before or after the current one, when it is
    // exported too ("" otherwise).
    std::string NeighbourFile(const model::TNYXoggetto& l);
    std::string WindowCall(int mode, const model::TNYXoggetto& l, bool withFeatures, int anchor);
    std::string Features(const model::TNYXoggetto& l);
    std::string WindowName(const model::TNYXoggetto& l) const;
    std::string CloseScript(const model::TNYXoggetto& l) const;
    // The click handler of a button that follows the link l.
    std::string ButtonClick(const model::TNYXoggetto& l);

    // --- objects (Objects.cpp) ----------------------------------------------------
    void Object(std::int32_t ref);
    void ShortObject(const model::TNYXoggetto& o);
    void Anchor(const model::TNYXoggetto& o);
    void Picture(const model::TNYXoggetto& o);
    void ImageMap(const model::TNYXoggetto& o, const std::string& n);
    void FormStart(const model::TNYXoggetto& o);
    void FormField(const model::TNYXoggetto& o);
    void Floating(const model::TNYXoggetto& o, const std::string& extra);
    void Button(const model::TNYXoggetto& o);
    void Multimedia(const model::TNYXoggetto& o);
    // The file name of a picture or file, which the run then copies.
    std::string File(std::int32_t ref);
    const model::TNYXoggetto* Obj(std::int32_t ref) const;

    // --- tables (Tables.cpp) -------------------------------------------------------
    void TableStart(const model::TNYXoggetto& o);
    void NextCell();
    void CloseCell();
    // Tables left open by a damaged text are closed at its end.
    void CloseOpenTables();
    std::string Background(std::int32_t v);

    // --- custom components (Custom.cpp) -------------------------------------------
    std::string Custom(const model::TNYXoggetto& component);

    TNYXtoHtml& x_;
    model::TNYXset& set_;
    TDocContext& doc_;
    std::string& out_;
    std::vector<TState> states_;
    std::vector<TInline> inline_;
    TFont B_, R_;
    bool pending_ = false;
    bool paraOpen_ = false;
    bool space_ = false;
    int styleNo_ = 0;
    std::uint32_t defLinkColour_ = 0;
    std::int32_t defLinkSize_ = 0;
    std::uint8_t defLinkBits_ = 0;
    const model::TNYXoggetto* link_ = nullptr;
    int listCounter_ = 1;
    int formCounter_ = 0;
    bool formOpen_ = false;
    std::size_t divPos_ = std::string::npos;
    std::vector<TTable> tables_;
    std::vector<TState> savedForTable_;
    std::vector<bool> savedPara_;
    std::string_view text_;
    int depth_ = 0;  // nesting of page texts written through "!RefP:"
};

}  // namespace convert::html
