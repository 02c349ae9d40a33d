// The scan of the HTML import, shared by the files that hold its parts: the
// helpers and element table, the formatting states and output texts, the
// tables under construction, and THtmlScan itself. One forward scan over a
// file's text: HtmlImport.cpp runs it and fills the page, ImportScanner.cpp
// reads tags and comments, ImportFormatting.cpp keeps the formatting stack
// and writes the markup, ImportLinks.cpp resolves references, ImportHead.cpp
// reads the head, the body's attributes and the style sheets,
// ImportObjects.cpp makes pictures, maps and plug-ins, ImportForms.cpp the
// form elements and ImportTables.cpp the tables.
//
// Internal to convert/html: only the import's own files include it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "convert/html/HtmlCss.h"
#include "convert/html/HtmlImport.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"

namespace convert::html {

namespace fs = std::filesystem;
using model::TNYXoggetto;
using model::TNYXset;
using model::TNYXtesto;

// Names of the scan's own; its files see them unqualified.
namespace scan {

inline constexpr int kHtmlSizes[7] = {8, 10, 12, 14, 19, 27, 34};
inline constexpr std::size_t kParaSoft = 1700;  // a paragraph this long ends at its next blank
inline constexpr std::size_t kParaHard = 1800;  // and never grows past this
inline constexpr std::size_t kMaxDepth = 256;   // formatting states kept; deeper ones are not pushed
inline constexpr std::size_t kMaxTableDepth = 15;
inline constexpr int kMaxColumns = 50;
inline constexpr std::size_t kMaxRows = 255;
inline constexpr std::size_t kPreviewChars = 5000;
inline constexpr std::size_t kMaxZones = 30;
inline constexpr std::uintmax_t kMaxSheetSize = 4u << 20;

inline char Up(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline char Low(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

inline std::string Upper(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Up(c);
    return o;
}
inline std::string LowerS(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Low(c);
    return o;
}
inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Case-insensitive search of an ASCII needle (given in lower case).
inline std::size_t FindNoCase(std::string_view s, std::size_t from, std::string_view lowNeedle) {
    if (lowNeedle.empty()) return from;
    const char a = lowNeedle[0], b = Up(a);
    const std::size_t n = s.size(), m = lowNeedle.size();
    for (std::size_t p = from; p + m <= n; ++p) {
        const char c = s[p];
        if (c != a && c != b) continue;
        std::size_t k = 1;
        while (k < m && Low(s[p + k]) == lowNeedle[k]) ++k;
        if (k == m) return p;
    }
    return std::string_view::npos;
}

inline int ToInt(std::string_view v, int fallback) {
    v = Trim(v);
    bool neg = false;
    std::size_t i = 0;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) neg = v[i++] == '-';
    if (i >= v.size() || !IsDigit(v[i])) return fallback;
    long long r = 0;
    while (i < v.size() && IsDigit(v[i])) {
        r = r * 10 + (v[i++] - '0');
        if (r > 1000000000) r = 1000000000;
    }
    return static_cast<int>(neg ? -r : r);
}

inline void AppendHex8(std::string& out, std::uint32_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "<$";
    for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
    out += '>';
}

inline int SmallerSize(int size) {
    int r = kHtmlSizes[0];
    for (int s : kHtmlSizes)
        if (s < size) r = s;
    return size <= kHtmlSizes[0] ? size : r;
}

inline int HtmlSizeToPoints(std::string_view v) {
    v = Trim(v);
    if (v.empty()) return 12;
    int n;
    if (v[0] == '+' || v[0] == '-') n = 3 + ToInt(v, 0);
    else n = ToInt(v, -100);
    if (n == -100) return 12;
    n = std::clamp(n, 1, 7);
    return kHtmlSizes[n - 1];
}

// --- elements ---------------------------------------------------------------------------

enum TTagId : std::uint8_t {
    tUnknown,
    tB, tI, tU, tS, tSub, tSup, tSmall, tFont, tSpan,
    tA,
    tP, tDiv, tCenter, tH1, tH2, tH3, tH4, tH5, tH6, tPre, tListing, tBlock,
    tUl, tOl, tLi, tDl, tDt, tDd, tBr, tHr,
    tHtml, tHead, tTitle, tMeta, tLink, tBase, tStyle, tScript, tBody, tNoscript,
    tImg, tMap, tArea, tEmbed, tForm, tInput, tSelect, tOption, tTextarea,
    tTable, tTr, tTd, tTh, tCaption, tSection,  // THEAD, TBODY, TFOOT
    tXmp, tPlaintext,
};

TTagId TagOf(std::string_view upperName);

inline bool IsInline(TTagId t) { return t >= tB && t <= tSpan; }
inline bool IsBlockish(TTagId t) {
    return (t >= tP && t <= tHr) || t == tCaption || t == tForm;
}

// --- formatting state -------------------------------------------------------------------

struct TFont {
    int face = 0;  // index into the face table
    int size = 12;
    std::uint32_t colour = 0;
    std::uint8_t bits = 0;
    std::uint8_t pos = 0;
    bool operator==(const TFont&) const = default;
};

// Paragraph measures given by CSS (pixels), each when set.
struct TMeasures {
    enum : int { kLine, kIndent, kLeft, kRight, kTop, kBottom, kCount };
    std::int32_t v[kCount] = {};
    std::uint8_t set = 0;
    int unit = -1;
    void Set(int i, std::int32_t px, int u) {
        v[i] = px;
        set = static_cast<std::uint8_t>(set | (1 << i));
        unit = u;
    }
    bool Has(int i) const { return set & (1 << i); }
};

// What one element changes; the state in force is the states below with
// the changes applied in order.
struct TDelta {
    TTagId tag = tUnknown;
    bool table = false;     // a table: its cells start from the cell style
    bool classFont = false; // the style came from a style sheet class: FONT attributes do not change the font
    int style = -1;         // paragraph style (the font becomes the style's)
    int face = -1;
    int size = -1;
    int smaller = 0;        // SMALL, PRE: steps down the HTML sizes
    std::int64_t colour = -1;
    std::uint8_t setBits = 0, clearBits = 0;
    int pos = -1;
    int align = -1;
    int list = -1;
    bool pre = false;
    int listKind = 0;       // inside UL (10) or OL (6): what LI gives its paragraph
    TMeasures measures;
};

struct TState {
    TFont font;
    int style = 0;
    bool classFont = false;
    int align = -1;  // -1: the style's
    int list = -1;
    bool pre = false;
    int listKind = 0;
    TMeasures measures;
};

struct TAttr {
    std::string name;   // upper case
    std::string value;  // entities decoded
};

// One output text: the page's, or one table cell's while it is read.
struct TOut {
    std::string text;
    bool paraOpen = false;      // the paragraph tag is written
    int pendingList = -1;       // list mark LI gives the next paragraph
    int pendingStyle = -1;      // "<!qu_s": style of the next paragraph
    std::size_t paraLen = 0;
    TFont paraBase;             // what the paragraph tag gives
    TFont written;              // font in force at the end of `text`
    std::size_t lastRunTag = std::string::npos;  // where the last run tag starts, when nothing follows it
    TFont beforeRun;            // font in force before that tag
    std::int32_t linkWritten = -1;
    std::int32_t linkWanted = -1;
    std::string pend;           // blanks waiting for the next character
    bool lastSpace = false;     // the last character written is a blank (objects leave it as it is)
    TFont pendFont;
    std::int32_t pendLink = -1;
};

struct TCell {
    std::string text;
    int widthRule = 2;  // 0 percent, 1 pixels, 2 free
    int width = 0;
    std::int32_t background = -1;
};

struct TTableBuild {
    TNYXoggetto* obj = nullptr;
    std::vector<std::vector<TCell>> rows;
    bool rowOpen = false;
    bool cellOpen = false;
    bool overflow = false;  // cells past the 50th run into the last one
    int colspan = 1;
    TCell cell;             // the open cell's attributes
    std::size_t stackBase = 0;  // index of the table's entry in the state stack
    bool anyBackground = false;
};

struct TZone {
    std::int32_t link;
    int left, top, width, height;
};

// A record's data from `from` to `to` set to zero: new records start filled
// with 0xFF, and the fields an import writes must not keep that.
inline void Zero(TNYXoggetto& o, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < static_cast<std::size_t>(model::kDataSize); ++i) o.SetByte(i, 0);
}
inline std::string Cut(std::string_view s, std::size_t n) { return std::string(s.substr(0, std::min(s.size(), n))); }
}  // namespace scan

using namespace scan;

// --- style sheets -----------------------------------------------------------------------

struct TSheetStyles {
    bool own = false;  // written by our exporter
    struct TClass {
        TCssRule para;
        bool hasPara = false;
        TCssRule link;
        bool hasLink = false;
        int style = -1;  // made or found on first use
    };
    std::vector<std::string> order;  // class names in sheet order
    std::map<std::string, TClass> classes;
};

class THtmlScan {
public:
    THtmlScan(THtmlImport& imp, TNYXset& set, std::string_view text, const fs::path& file)
        : imp_(imp), set_(set), s_(text), file_(file) {
        std::error_code ec;
        fs::path abs = fs::absolute(file, ec);
        if (ec) abs = file;
        file_ = abs.lexically_normal();
        folder_ = file_.parent_path();
        baseDir_ = folder_;
        faces_.push_back("");
        TState base;
        base.style = 0;
        base.font = StyleFont(0);
        states_.push_back(base);
        outs_.emplace_back();
    }

    void Run();
    // Closes what is open and fills the page.
    void Finish(TNYXtesto& page);
    std::size_t Position() const { return p_; }
    bool Marked() const { return marked_; }

private:
    // --- state stack
    const TState& Cur() const { return states_.back(); }
    TState Apply(const TState& below, const TDelta& d);
    void Push(const TDelta& d);
    void RemoveAt(std::size_t i);
    std::size_t ScopeFloor() const { return tables_.empty() ? 0 : tables_.back().stackBase + 1; }
    bool PopTag(TTagId t);
    void CloseOpenP();
    TFont StyleFont(int n);
    int Face(std::string_view name);
    const TNYXoggetto* Style(int n) const;

    // --- output
    TOut& Out() { return outs_.back(); }
    void OpenParagraph(TOut& o);
    void CloseParagraph(TOut& o);
    void CloseParagraph() { CloseParagraph(Out()); }
    void BreakLine();
    void SyncLink(TOut& o, std::int32_t want);
    void SyncFont(TOut& o, const TFont& f);
    void BeforeContent(bool isChar);
    void FlushPend(TOut& o);
    void Char(unsigned char c);
    void Whitespace();
    void Nbsp();
    void PreBlank(unsigned char c);
    void AppendRun(std::string_view run);
    void EmitObject(const TNYXoggetto* o);
    void EmitText(std::string_view t);

    // --- tags
    void Tag();
    void StartTag(std::size_t begin);
    void EndTag(std::size_t begin);
    void Bang(std::size_t begin);
    void Pi(std::size_t begin);
    std::size_t ParseAttributes(std::size_t p);
    const std::string* Attr(std::string_view upperName) const;
    std::string DecodeAttr(std::string_view raw);
    void DecodeAttrInto(std::string_view raw, std::string& out);
    std::string DecodeText(std::string_view raw);
    std::size_t ElementEnd(std::size_t from, std::string_view lowName, std::size_t* contentEnd);
    void EndHead() { inHead_ = false; }
    void InlineStart(TTagId t);
    void BlockStart(TTagId t);
    void ApplyStyleAttr(TDelta& d, bool paragraph);
    void Anchor();
    void Meta(std::string_view raw);
    void LinkTag(std::string_view raw);
    void Base();
    void Body();
    void Img();
    void Map();
    void Area();
    void Embed(std::size_t begin);
    void Form();
    void Input();
    void Select();
    void Textarea();
    void Comment(std::string_view text, std::string_view raw);
    void QuorStyles(std::string_view defs);

    // --- tables
    void TableStart();
    void RowStart();
    void CellStart(bool header);
    void CellEnd();
    void RowEnd();
    void TableEnd();
    void EmitTable(TTableBuild& tb);
    TNYXoggetto* NewTableLike(const TNYXoggetto* model);

    // --- references
    struct TRef {
        enum Kind { Invalid, Internet, Local } kind = Invalid;
        std::string url;  // Internet: the address as written (or joined with BASE)
        fs::path path;    // Local
        bool outside = false;
    };
    TRef Resolve(std::string_view value);
    TRef ResolveNew(std::string_view value);
    std::int32_t LinkFor(std::string_view value);
    std::int32_t LoadPicture(std::string_view value);
    std::int64_t Colour(std::string_view v) const { return ParseColour(v); }
    std::shared_ptr<TSheetStyles> ReadSheet(const fs::path& p);
    int ClassStyle(const std::string& cls);

    THtmlImport& imp_;
    TNYXset& set_;
    std::string_view s_;
    std::size_t p_ = 0;
    fs::path file_, folder_, baseDir_;
    std::string baseUrl_;
    std::vector<TDelta> deltas_;
    std::vector<TState> states_;
    std::vector<TOut> outs_;
    std::vector<TTableBuild> tables_;
    int ignoredTables_ = 0;
    std::vector<std::string> faces_;
    std::unordered_map<std::string, int> faceIndex_;
    std::map<int, TFont> styleFonts_;
    std::vector<TAttr> attrs_;
    std::size_t nAttrs_ = 0;
    bool inHead_ = false;
    bool marked_ = false;
    std::string head_, title_;
    bool titleSet_ = false;
    std::vector<std::string> keywords_;
    std::int64_t bodyBack_ = -1, bodyText_ = -1, bodyLink_ = -1, bodyVisited_ = -1;
    std::int32_t bodyPicture_ = -1;
    std::map<std::string, std::vector<TZone>> maps_;
    std::string currentMap_;
    std::vector<std::pair<TNYXoggetto*, std::string>> usemaps_;
    std::map<std::string, std::pair<std::shared_ptr<TSheetStyles>, TSheetStyles::TClass*>> classes_;
    std::vector<std::pair<int, int>> pendingColumns_;  // "<!qu_t": rule and width of each column
    std::unordered_map<std::string, TRef> resolved_;   // references already resolved (by base and value)
};

}  // namespace convert::html
