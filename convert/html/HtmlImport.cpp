#include "convert/html/HtmlImport.h"

#include "convert/Converter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>
#include <unordered_map>

#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "convert/html/HtmlCss.h"
#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::html {

namespace fs = std::filesystem;
using model::TNYXoggetto;
using model::TNYXset;
using model::TNYXtesto;
using richtext::ParaField;

namespace {

constexpr int kHtmlSizes[7] = {8, 10, 12, 14, 19, 27, 34};
constexpr std::size_t kParaSoft = 1700;  // a paragraph this long ends at its next blank
constexpr std::size_t kParaHard = 1800;  // and never grows past this
constexpr std::size_t kMaxDepth = 256;   // formatting states kept; deeper ones are not pushed
constexpr std::size_t kMaxTableDepth = 15;
constexpr int kMaxColumns = 50;
constexpr std::size_t kMaxRows = 255;
constexpr std::size_t kPreviewChars = 5000;
constexpr std::size_t kMaxZones = 30;
constexpr std::uintmax_t kMaxSheetSize = 4u << 20;

char Up(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char Low(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Upper(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Up(c);
    return o;
}
std::string LowerS(std::string_view s) {
    std::string o(s);
    for (char& c : o) c = Low(c);
    return o;
}
std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Case-insensitive search of an ASCII needle (given in lower case).
std::size_t FindNoCase(std::string_view s, std::size_t from, std::string_view lowNeedle) {
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

int ToInt(std::string_view v, int fallback) {
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

void AppendHex8(std::string& out, std::uint32_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "<$";
    for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(v >> shift) & 0xF];
    out += '>';
}

int SmallerSize(int size) {
    int r = kHtmlSizes[0];
    for (int s : kHtmlSizes)
        if (s < size) r = s;
    return size <= kHtmlSizes[0] ? size : r;
}

int HtmlSizeToPoints(std::string_view v) {
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

TTagId TagOf(std::string_view upperName) {
    static const std::unordered_map<std::string_view, TTagId> kTags = {
        {"B", tB}, {"STRONG", tB}, {"I", tI}, {"EM", tI}, {"U", tU}, {"S", tS}, {"STRIKE", tS},
        {"SUB", tSub}, {"SUP", tSup}, {"SMALL", tSmall}, {"FONT", tFont}, {"SPAN", tSpan}, {"A", tA},
        {"P", tP}, {"DIV", tDiv}, {"CENTER", tCenter}, {"H1", tH1}, {"H2", tH2}, {"H3", tH3}, {"H4", tH4},
        {"H5", tH5}, {"H6", tH6}, {"H7", tH6}, {"PRE", tPre}, {"LISTING", tListing},
        {"BLOCKQUOTE", tBlock}, {"ADDRESS", tBlock}, {"ARTICLE", tBlock}, {"ASIDE", tBlock},
        {"NAV", tBlock}, {"HEADER", tBlock}, {"FOOTER", tBlock}, {"MAIN", tBlock}, {"FIGURE", tBlock},
        {"FIGCAPTION", tBlock}, {"DETAILS", tBlock}, {"SUMMARY", tBlock}, {"FIELDSET", tBlock},
        {"LEGEND", tBlock}, {"SECTION", tBlock}, {"HGROUP", tBlock},
        {"UL", tUl}, {"MENU", tUl}, {"DIR", tUl}, {"OL", tOl}, {"LI", tLi}, {"DL", tDl}, {"DT", tDt},
        {"DD", tDd}, {"BR", tBr}, {"HR", tHr},
        {"HTML", tHtml}, {"HEAD", tHead}, {"TITLE", tTitle}, {"META", tMeta}, {"LINK", tLink},
        {"BASE", tBase}, {"STYLE", tStyle}, {"SCRIPT", tScript}, {"BODY", tBody}, {"NOSCRIPT", tNoscript},
        {"IMG", tImg}, {"MAP", tMap}, {"AREA", tArea}, {"EMBED", tEmbed}, {"FORM", tForm},
        {"INPUT", tInput}, {"SELECT", tSelect}, {"OPTION", tOption}, {"TEXTAREA", tTextarea},
        {"TABLE", tTable}, {"TR", tTr}, {"TD", tTd}, {"TH", tTh}, {"CAPTION", tCaption},
        {"THEAD", tSection}, {"TBODY", tSection}, {"TFOOT", tSection}, {"XMP", tXmp},
        {"PLAINTEXT", tPlaintext},
    };
    auto it = kTags.find(upperName);
    return it == kTags.end() ? tUnknown : it->second;
}

bool IsInline(TTagId t) { return t >= tB && t <= tSpan; }
bool IsBlockish(TTagId t) {
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

}  // namespace

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

std::string PathKey(const fs::path& p) {
    std::error_code ec;
    fs::path a = fs::absolute(p, ec);
    if (ec) a = p;
    return a.lexically_normal().string();
}

namespace {

// A CSS declaration list applied to a style record.
void StyleFromCss(TNYXoggetto& s, const TSheetStyles::TClass& c) {
    using namespace richtext;
    int unit = -1;
    if (c.hasPara) {
        std::uint8_t bits = 0;
        ForEachDeclaration(c.para.declarations, [&](std::string_view prop, std::string_view v) {
            double d;
            int u;
            if (prop == "font-family") s.SetStr(style::kFont, style::kFontCap, CleanFace(v));
            else if (prop == "font-size") {
                const int pt = ParseFontSize(v, 12);
                if (pt > 0) SetStyleValue(s, pfSize, pt);
            } else if (prop == "color") {
                const std::int64_t col = ParseColour(v);
                if (col >= 0) SetStyleValue(s, pfColour, static_cast<std::int32_t>(col));
            } else if (prop == "font-style") {
                if (LowerS(v) == "italic" || LowerS(v) == "oblique") bits |= kItalic;
            } else if (prop == "font-weight") {
                const std::string w = LowerS(v);
                if (w == "bold" || w == "bolder" || ToInt(w, 0) >= 600) bits |= kBold;
            } else if (prop == "text-decoration") {
                const std::string w = LowerS(v);
                if (w.find("underline") != std::string::npos) bits |= kUnderline;
                if (w.find("line-through") != std::string::npos) bits |= kStrikeOut;
            } else if (prop == "text-align") {
                const std::string w = LowerS(v);
                SetStyleValue(s, pfAlign, w == "right" ? 1 : w == "center" ? 2 : w == "justify" ? 3 : 0);
            } else if (prop == "list-style-type") {
                const std::string w = LowerS(v);
                SetStyleValue(s, pfList, w == "decimal" ? 6 : (w == "disc" || w == "circle" || w == "square") ? 10 : 0);
            } else if (ParseLength(v, d, u)) {
                const ParaField f = prop == "line-height"     ? pfLineHeight
                                    : prop == "margin-left"   ? pfLeft
                                    : prop == "margin-right"  ? pfRight
                                    : prop == "margin-top"    ? pfAbove
                                    : prop == "margin-bottom" ? pfBelow
                                    : prop == "text-indent"   ? pfIndent
                                                              : kParaFieldCount;
                if (f == kParaFieldCount) return;
                SetStyleValue(s, f, ToPixels(d, u));
                if (f != pfLineHeight) unit = u;
            }
        });
        SetStyleValue(s, pfStyle, bits);
        if (unit >= 0) SetStyleValue(s, pfUnit, unit);
    }
    if (c.hasLink) {
        std::uint8_t bits = kUnderline;
        bool sized = false;
        ForEachDeclaration(c.link.declarations, [&](std::string_view prop, std::string_view v) {
            const std::string w = LowerS(v);
            if (prop == "color") {
                const std::int64_t col = ParseColour(v);
                if (col >= 0) SetStyleValue(s, pfLinkColour, static_cast<std::int32_t>(col));
            } else if (prop == "font-size") {
                const int pt = ParseFontSize(v, 12);
                if (pt > 0) {
                    SetStyleValue(s, pfLinkSize, pt);
                    sized = true;
                }
            } else if (prop == "font-style" && (w == "italic" || w == "oblique")) {
                bits |= kItalic;
            } else if (prop == "font-weight" && (w == "bold" || ToInt(w, 0) >= 600)) {
                bits |= kBold;
            } else if (prop == "text-decoration") {
                if (w.find("none") != std::string::npos) bits &= static_cast<std::uint8_t>(~kUnderline);
                if (w.find("line-through") != std::string::npos) bits |= kStrikeOut;
            }
        });
        if (!sized) SetStyleValue(s, pfLinkSize, -1);
        SetStyleValue(s, pfLinkStyle, bits);
    }
}

// True when `s`, written out by the exporter, gives what the sheet says:
// an existing style of that name is then the same style (lengths are
// written rounded to whole units, so a fresh copy would not be equal).
bool SameAsWritten(const TNYXoggetto& s, const TSheetStyles::TClass& c) {
    using namespace richtext;
    auto fresh = model::MakeObject(model::stileParagrafo);
    fresh->Reset();
    std::memcpy(fresh->Data() + 5, s.Data() + 5, model::kDataSize - 5);
    // Apply the sheet onto a copy: lengths are compared as written (rounded
    // in the copy's unit), everything else must come out equal.
    StyleFromCss(*fresh, c);
    for (ParaField f : {pfSize, pfColour, pfStyle, pfAlign, pfList, pfLinkColour, pfLinkStyle})
        if (StyleValue(fresh.get(), f) != StyleValue(&s, f)) return false;
    const auto linkSize = [](std::int32_t v) { return v > 0 ? v : -1; };
    if (linkSize(StyleValue(fresh.get(), pfLinkSize)) != linkSize(StyleValue(&s, pfLinkSize))) return false;
    if (StyleFontName(fresh.get()) != StyleFontName(&s)) return false;
    const int unit = StyleValue(&s, pfUnit);
    for (ParaField f : {pfLeft, pfRight, pfAbove, pfBelow, pfIndent}) {
        const auto rounded = [&](std::int32_t px) { return std::lround(FromPixels(px, unit)); };
        if (rounded(StyleValue(fresh.get(), f)) != rounded(StyleValue(&s, f))) return false;
    }
    return true;
}

}  // namespace

// --- the scan ---------------------------------------------------------------------------

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

const TNYXoggetto* THtmlScan::Style(int n) const {
    const TNYXoggetto* s = n >= 0 ? set_.ObjectAt(model::stileParagrafo, n) : nullptr;
    return s && !s->IsEmpty() ? s : nullptr;
}

int THtmlScan::Face(std::string_view name) {
    std::string key(name);
    auto it = faceIndex_.find(key);
    if (it != faceIndex_.end()) return it->second;
    faces_.push_back(key);
    const int i = static_cast<int>(faces_.size()) - 1;
    faceIndex_.emplace(std::move(key), i);
    return i;
}

TFont THtmlScan::StyleFont(int n) {
    auto it = styleFonts_.find(n);
    if (it != styleFonts_.end()) return it->second;
    const TNYXoggetto* s = Style(n);
    if (!s) s = Style(0);
    TFont f;
    f.face = Face(richtext::StyleFontName(s));
    f.size = richtext::StyleValue(s, richtext::pfSize);
    f.colour = static_cast<std::uint32_t>(richtext::StyleValue(s, richtext::pfColour)) & 0xFFFFFF;
    f.bits = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfStyle) & 15);
    f.pos = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfPosition));
    styleFonts_[n] = f;
    return f;
}

TState THtmlScan::Apply(const TState& below, const TDelta& d) {
    TState s = below;
    if (d.table) {
        s = TState{};
        s.style = 1;
        s.font = StyleFont(1);
    }
    if (d.style >= 0) {
        s.style = d.style;
        s.font = StyleFont(d.style);
        s.classFont = d.classFont;
        s.align = -1;
        s.list = -1;
        s.measures = {};
    }
    if (d.face >= 0) s.font.face = d.face;
    for (int i = 0; i < d.smaller; ++i) s.font.size = SmallerSize(s.font.size);
    if (d.size > 0) s.font.size = d.size;
    if (d.colour >= 0) s.font.colour = static_cast<std::uint32_t>(d.colour) & 0xFFFFFF;
    s.font.bits = static_cast<std::uint8_t>((s.font.bits | d.setBits) & ~d.clearBits & 15);
    if (d.pos >= 0) s.font.pos = static_cast<std::uint8_t>(d.pos);
    if (d.align >= 0) s.align = d.align;
    if (d.list >= 0) s.list = d.list;
    if (d.pre) s.pre = true;
    if (d.listKind) s.listKind = d.listKind;
    for (int i = 0; i < TMeasures::kCount; ++i)
        if (d.measures.Has(i)) s.measures.Set(i, d.measures.v[i], d.measures.unit);
    return s;
}

void THtmlScan::Push(const TDelta& d) {
    if (deltas_.size() >= kMaxDepth) return;  // nesting is capped: deeper elements change nothing
    states_.push_back(Apply(states_.back(), d));
    deltas_.push_back(d);
}

void THtmlScan::RemoveAt(std::size_t i) {
    if (i >= deltas_.size()) return;
    deltas_.erase(deltas_.begin() + static_cast<std::ptrdiff_t>(i));
    states_.resize(i + 1);
    for (std::size_t k = i; k < deltas_.size(); ++k) states_.push_back(Apply(states_.back(), deltas_[k]));
}

// An end tag pops the nearest element of its own name inside the current
// table cell, and only that one: an end tag without its element changes nothing.
bool THtmlScan::PopTag(TTagId t) {
    for (std::size_t i = deltas_.size(); i-- > ScopeFloor();) {
        if (deltas_[i].tag != t) continue;
        RemoveAt(i);
        return true;
    }
    return false;
}

void THtmlScan::CloseOpenP() {
    for (std::size_t i = deltas_.size(); i-- > ScopeFloor();) {
        if (deltas_[i].tag == tP) {
            RemoveAt(i);
            return;
        }
        if (!IsInline(deltas_[i].tag) && deltas_[i].tag != tA) return;
    }
}

// --- output ------------------------------------------------------------------------------

void THtmlScan::OpenParagraph(TOut& o) {
    const TState& st = Cur();
    int style = o.pendingStyle >= 0 ? o.pendingStyle : st.style;
    if (!Style(style)) style = outs_.size() > 1 ? 1 : 0;
    const TNYXoggetto* sp = Style(style);
    using namespace richtext;
    o.text += "<Z S";
    o.text += std::to_string(style);
    o.text += ' ';
    auto param = [&](char key, std::int32_t v) {
        o.text += key;
        o.text += std::to_string(v);
        o.text += ' ';
    };
    if (st.align >= 0 && st.align != StyleValue(sp, pfAlign)) param('A', st.align);
    const int list = o.pendingList >= 0 ? o.pendingList : st.list;
    if (list >= 0 && list != StyleValue(sp, pfList)) param('N', list);
    const TMeasures& m = st.measures;
    if (m.set) {
        if (m.unit >= 0 && m.unit != StyleValue(sp, pfUnit)) param('M', m.unit);
        static constexpr ParaField kFields[] = {pfLineHeight, pfIndent, pfLeft, pfRight, pfAbove, pfBelow};
        static constexpr char kKeys[] = {'L', 'I', 'l', 'r', 't', 'b'};
        for (int i = 0; i < TMeasures::kCount; ++i)
            if (m.Has(i) && m.v[i] != StyleValue(sp, kFields[i])) param(kKeys[i], m.v[i]);
    }
    o.text += '>';
    o.paraOpen = true;
    o.paraLen = 0;
    o.paraBase = StyleFont(style);
    o.written = o.paraBase;
    o.lastSpace = false;
    o.lastRunTag = std::string::npos;
    o.linkWritten = -1;
    o.pendingList = -1;
    o.pendingStyle = -1;
}

void THtmlScan::CloseParagraph(TOut& o) {
    // In a page this program exported, a paragraph holding only the
    // non-breaking space the exporter ends every paragraph with is an empty one.
    if (!o.paraOpen && marked_ && o.pend == "\xA0") OpenParagraph(o);
    o.pend.clear();
    if (!o.paraOpen) return;
    if (o.linkWritten >= 0) o.text += "<%>";
    o.linkWritten = -1;
    o.paraOpen = false;
    o.lastRunTag = std::string::npos;
}

void THtmlScan::BreakLine() {
    TOut& o = Out();
    if (!o.paraOpen) OpenParagraph(o);
    CloseParagraph(o);
}

void THtmlScan::SyncLink(TOut& o, std::int32_t want) {
    if (o.linkWritten == want) return;
    if (want < 0) o.text += "<%>";
    else AppendHex8(o.text, static_cast<std::uint32_t>(want));
    o.linkWritten = want;
    o.lastRunTag = std::string::npos;
}

void THtmlScan::SyncFont(TOut& o, const TFont& f) {
    if (o.written == f) return;
    // Two run tags never stand side by side: the later one replaces the earlier.
    if (o.lastRunTag != std::string::npos && o.lastRunTag < o.text.size()) {
        o.text.resize(o.lastRunTag);
        o.written = o.beforeRun;
        o.lastRunTag = std::string::npos;
        if (o.written == f) return;
    }
    o.beforeRun = o.written;
    o.lastRunTag = o.text.size();
    const TFont& b = o.paraBase;
    o.text += "<Y ";
    if (f.colour != b.colour) {
        o.text += 'c';
        markup::AppendColourHex(o.text, f.colour);
        o.text += ' ';
    }
    if (f.face != b.face) {
        o.text += "F\"";
        o.text += richtext::TagSafeFontName(faces_[static_cast<std::size_t>(f.face)]);
        o.text += "\" ";
    }
    if (f.size != b.size) {
        o.text += 's';
        o.text += std::to_string(f.size);
        o.text += ' ';
    }
    if (f.bits != b.bits) {
        o.text += 'y';
        o.text += std::to_string(f.bits);
        o.text += ' ';
    }
    if (f.pos != b.pos) {
        o.text += 'p';
        o.text += std::to_string(f.pos);
        o.text += ' ';
    }
    o.text += '>';
    o.written = f;
}

void THtmlScan::FlushPend(TOut& o) {
    SyncLink(o, o.pendLink);
    SyncFont(o, o.pendFont);
    for (char c : o.pend) markup::AppendEscaped(o.text, c);
    o.paraLen += o.pend.size();
    o.lastSpace = o.pend.back() == ' ';
    o.pend.clear();
    o.lastRunTag = std::string::npos;
}

void THtmlScan::BeforeContent(bool isChar) {
    if (inHead_) EndHead();
    TOut& o = Out();
    if (!o.paraOpen) OpenParagraph(o);
    if (!o.pend.empty()) FlushPend(o);
    SyncLink(o, o.linkWanted);
    if (isChar) SyncFont(o, Cur().font);
}

void THtmlScan::AppendRun(std::string_view run) {
    while (!run.empty()) {
        BeforeContent(true);
        TOut& o = Out();
        const std::size_t room = o.paraLen < kParaHard ? kParaHard - o.paraLen : 0;
        const std::size_t k = std::min(run.size(), room);
        o.text.append(run.data(), k);
        o.paraLen += k;
        o.lastSpace = false;
        o.lastRunTag = std::string::npos;
        run.remove_prefix(k);
        if (o.paraLen >= kParaHard) CloseParagraph(o);
    }
}

void THtmlScan::EmitText(std::string_view t) {
    for (char c : t) Char(static_cast<unsigned char>(c));
}

void THtmlScan::Char(unsigned char c) {
    if (IsBlank(static_cast<char>(c))) {
        if (Cur().pre) PreBlank(c);
        else Whitespace();
        return;
    }
    if (c < 0x20 || c == 0x7F) return;  // control bytes carry no text
    if (c == 0xA0 && marked_ && !Cur().pre) {
        Nbsp();
        return;
    }
    BeforeContent(true);
    TOut& o = Out();
    markup::AppendEscaped(o.text, static_cast<char>(c));
    ++o.paraLen;
    o.lastSpace = false;
    o.lastRunTag = std::string::npos;
    if (o.paraLen >= kParaHard) CloseParagraph(o);
}

void THtmlScan::Whitespace() {
    TOut& o = Out();
    if (!o.paraOpen && o.pend.empty()) return;  // blanks at a paragraph's start are not text
    if (!o.pend.empty()) {
        if (o.pend.back() == ' ') return;  // collapsed
        o.pend += ' ';
        return;
    }
    if (o.paraLen >= kParaSoft) {  // a long paragraph ends at a blank
        CloseParagraph(o);
        return;
    }
    o.pend = " ";
    o.pendFont = Cur().font;
    o.pendLink = o.linkWanted;
}

// A non-breaking space in a page this program exported: the exporter writes
// one after every blank of a run of blanks (objects between them included)
// and one at every paragraph end. After a blank it is a blank again; at a
// paragraph end it goes.
void THtmlScan::Nbsp() {
    TOut& o = Out();
    if (!o.pend.empty()) {
        for (char& c : o.pend) c = ' ';
        if (o.pend.size() < kParaHard) o.pend += ' ';
        return;
    }
    if (o.paraOpen && o.lastSpace) {
        o.pend = " ";
        o.pendFont = Cur().font;
        o.pendLink = o.linkWanted;
        return;
    }
    o.pend = "\xA0";
    o.pendFont = Cur().font;
    o.pendLink = o.linkWanted;
}

void THtmlScan::PreBlank(unsigned char c) {
    if (c == '\n') {
        BreakLine();
        return;
    }
    if (c == '\r') {
        if (p_ < s_.size() && s_[p_] == '\n') return;  // the "\n" that follows ends the line
        BreakLine();
        return;
    }
    const std::size_t n = c == '\t' ? 8 - Out().paraLen % 8 : 1;
    for (std::size_t i = 0; i < n; ++i) {
        BeforeContent(true);
        TOut& o = Out();
        o.text += ' ';
        ++o.paraLen;
        o.lastSpace = true;
        o.lastRunTag = std::string::npos;
        if (o.paraLen >= kParaHard) CloseParagraph(o);
    }
}

void THtmlScan::EmitObject(const TNYXoggetto* obj) {
    if (!obj) return;
    BeforeContent(false);
    TOut& o = Out();
    AppendHex8(o.text, static_cast<std::uint32_t>(obj->Reference()));
    ++o.paraLen;
    o.lastRunTag = std::string::npos;
}

// --- the main loop and tags ------------------------------------------------------------------

void THtmlScan::Run() {
    const std::size_t n = s_.size();
    std::size_t nextPoll = std::size_t{1} << 20;
    while (p_ < n) {
        if (imp_.ImpPreview && outs_.front().text.size() >= kPreviewChars) break;
        if (p_ >= nextPoll) {
            nextPoll = p_ + (std::size_t{1} << 20);
            if (imp_.stopRequested && imp_.stopRequested()) {
                imp_.report_.stopped = true;
                break;
            }
        }
        const char c = s_[p_];
        if (c == '<') {
            Tag();
            continue;
        }
        if (c == '&') {
            char32_t cps[2];
            std::size_t next = p_ + 1;
            const int k = DecodeCharRef(s_, p_, false, cps, next);
            p_ = next;
            if (k == 0) {
                Char('&');
                continue;
            }
            for (int i = 0; i < k; ++i) {
                unsigned char b = 0;
                if (!ToCp1252(cps[i], b)) {
                    b = '?';
                    ++imp_.report_.unmapped;
                }
                Char(b);
            }
            continue;
        }
        // A run of plain characters.
        std::size_t e = p_;
        if (!Cur().pre) {
            while (e < n) {
                const auto b = static_cast<unsigned char>(s_[e]);
                if (b <= 0x20 || b == '<' || b == '&' || b == '>' || b == 0x7F || (b == 0xA0 && marked_)) break;
                ++e;
            }
        }
        if (e > p_) {
            const std::string_view run = s_.substr(p_, e - p_);
            p_ = e;
            AppendRun(run);
            continue;
        }
        ++p_;
        Char(static_cast<unsigned char>(c));
    }
}

void THtmlScan::Tag() {
    const std::size_t begin = p_;
    const std::size_t n = s_.size();
    if (begin + 1 >= n) {
        ++p_;
        Char('<');
        return;
    }
    const char next = s_[begin + 1];
    if (next == '!') return Bang(begin);
    if (next == '?') return Pi(begin);
    if (next == '/' && begin + 2 < n && IsAlpha(s_[begin + 2])) return EndTag(begin);
    if (IsAlpha(next)) return StartTag(begin);
    if (next == '/') {  // "</" + something else: a bogus comment up to ">"
        const std::size_t e = s_.find('>', begin);
        p_ = e == std::string_view::npos ? n : e + 1;
        return;
    }
    ++p_;
    Char('<');  // "a < b": a plain character
}

// Attributes up to the tag's ">": names in upper case, values without their
// quotes and with their character references decoded.
std::size_t THtmlScan::ParseAttributes(std::size_t p) {
    nAttrs_ = 0;
    const std::size_t n = s_.size();
    while (p < n) {
        while (p < n && (IsBlank(s_[p]) || s_[p] == '/')) ++p;
        if (p >= n) break;
        if (s_[p] == '>') return p + 1;
        const std::size_t nb = p;
        while (p < n && !IsBlank(s_[p]) && s_[p] != '>' && s_[p] != '=' && !(s_[p] == '/' && p + 1 < n && s_[p + 1] == '>'))
            ++p;
        if (p == nb) ++p;  // a lone "=": skipped
        // The entries are kept from tag to tag, so their strings are too.
        if (nAttrs_ == attrs_.size()) attrs_.emplace_back();
        TAttr& a = attrs_[nAttrs_];
        const bool keep = nAttrs_ < 64;
        if (keep) ++nAttrs_;
        a.name.assign(s_.data() + nb, p - nb);
        for (char& c : a.name) c = Up(c);
        a.value.clear();
        std::size_t q = p;
        while (q < n && IsBlank(s_[q])) ++q;
        if (q < n && s_[q] == '=') {
            ++q;
            while (q < n && IsBlank(s_[q])) ++q;
            std::string_view raw;
            if (q < n && (s_[q] == '"' || s_[q] == '\'')) {
                const char quote = s_[q];
                const std::size_t e = s_.find(quote, q + 1);
                const std::size_t end = e == std::string_view::npos ? n : e;
                raw = s_.substr(q + 1, end - q - 1);
                p = e == std::string_view::npos ? n : e + 1;
            } else {
                const std::size_t vb = q;
                while (q < n && !IsBlank(s_[q]) && s_[q] != '>') ++q;
                raw = s_.substr(vb, q - vb);
                p = q;
            }
            DecodeAttrInto(raw, a.value);
        }
        (void)keep;
    }
    return n;
}

const std::string* THtmlScan::Attr(std::string_view upperName) const {
    for (std::size_t i = 0; i < nAttrs_; ++i)
        if (attrs_[i].name == upperName) return &attrs_[i].value;
    return nullptr;
}

std::string THtmlScan::DecodeAttr(std::string_view raw) {
    std::string o;
    DecodeAttrInto(raw, o);
    return o;
}

void THtmlScan::DecodeAttrInto(std::string_view raw, std::string& o) {
    o.clear();
    if (raw.find('&') == std::string_view::npos) {
        o.assign(raw.data(), raw.size());
        return;
    }
    o.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (raw[i] != '&') {
            o += raw[i++];
            continue;
        }
        char32_t cps[2];
        std::size_t next = i + 1;
        const int k = DecodeCharRef(raw, i, true, cps, next);
        if (k == 0) {
            o += raw[i++];
            continue;
        }
        for (int j = 0; j < k; ++j) {
            unsigned char b = 0;
            if (!ToCp1252(cps[j], b)) {
                b = '?';
                ++imp_.report_.unmapped;
            }
            o += static_cast<char>(b);
        }
        i = next;
    }
}

// Text of a title or an option: references decoded, blanks collapsed, trimmed.
std::string THtmlScan::DecodeText(std::string_view raw) {
    const std::string d = DecodeAttr(raw);
    std::string o;
    bool blank = false;
    for (char c : d) {
        if (IsBlank(c)) {
            blank = !o.empty();
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20) continue;
        if (blank) o += ' ';
        blank = false;
        o += c;
    }
    return o;
}

// Where an element whose content is raw text ends: after "</name ... >".
// `contentEnd` gets where its content ends. Without an end tag, the end of the text.
std::size_t THtmlScan::ElementEnd(std::size_t from, std::string_view lowName, std::size_t* contentEnd) {
    std::string needle = "</";
    needle += lowName;
    std::size_t at = from;
    for (;;) {
        at = FindNoCase(s_, at, needle);
        if (at == std::string_view::npos) {
            if (contentEnd) *contentEnd = s_.size();
            return s_.size();
        }
        const std::size_t after = at + needle.size();
        if (after >= s_.size() || IsBlank(s_[after]) || s_[after] == '>' || s_[after] == '/') break;
        at = after;
    }
    if (contentEnd) *contentEnd = at;
    const std::size_t gt = s_.find('>', at);
    return gt == std::string_view::npos ? s_.size() : gt + 1;
}

void THtmlScan::Bang(std::size_t begin) {
    const std::size_t n = s_.size();
    if (s_.compare(begin, 4, "<!--") == 0) {
        std::size_t e = s_.find("-->", begin + 4);
        const std::size_t textEnd = e == std::string_view::npos ? n : e;
        p_ = e == std::string_view::npos ? n : e + 3;
        const std::string_view text = s_.substr(begin + 4, textEnd - begin - 4);
        Comment(text, s_.substr(begin, p_ - begin));
        return;
    }
    if (s_.compare(begin, 9, "<![CDATA[") == 0) {
        std::size_t e = s_.find("]]>", begin + 9);
        const std::size_t textEnd = e == std::string_view::npos ? n : e;
        p_ = e == std::string_view::npos ? n : e + 3;
        EmitText(s_.substr(begin + 9, textEnd - begin - 9));
        return;
    }
    std::size_t e = s_.find('>', begin);
    p_ = e == std::string_view::npos ? n : e + 1;
    const std::string_view tag = s_.substr(begin + 2, (e == std::string_view::npos ? n : e) - begin - 2);
    // The exporter's list numbers: "<!lisnum>" ... "<!/lisnum>".
    if (tag == "lisnum") {
        const std::size_t close = s_.find("<!/lisnum>", p_);
        p_ = close == std::string_view::npos ? p_ : close + 10;
        return;
    }
    if (tag.compare(0, 4, "QUOR") == 0) {
        QuorStyles(tag.substr(4));
        return;
    }
    if (tag.compare(0, 3, "qu_") == 0 && tag.size() >= 4) {
        const std::string_view rest = tag.substr(4);
        switch (tag[3]) {
            case 's': {
                const int st = ToInt(rest, -1);
                if (st >= 0 && Style(st)) {
                    CloseParagraph();
                    Out().pendingStyle = st;
                }
                break;
            }
            case 'l': {
                const int lang = ToInt(rest, -1);
                imp_.language = lang > 0 ? lang : 1033;
                break;
            }
            case 'c': {
                TNYXoggetto* o = set_.NewObject(model::shortObj);
                o->SetSubtype(10);
                o->SetFirstStream(std::string(Trim(rest)));
                EmitObject(o);
                break;
            }
            case 't': {
                // "<!qu_t R.. C.. W0.. P0.. ...": the column widths and rules of the next table.
                pendingColumns_.clear();
                std::map<int, std::pair<int, int>> cols;
                for (std::size_t i = 0; i < rest.size();) {
                    while (i < rest.size() && IsBlank(rest[i])) ++i;
                    if (i >= rest.size()) break;
                    const char k = rest[i++];
                    std::size_t e2 = i;
                    while (e2 < rest.size() && !IsBlank(rest[e2])) ++e2;
                    const std::string_view item = rest.substr(i, e2 - i);
                    i = e2;
                    if ((k == 'W' || k == 'P') && !item.empty() && IsDigit(item[0])) {
                        std::size_t d = 0;
                        while (d < item.size() && IsDigit(item[d])) ++d;
                        const int col = ToInt(item.substr(0, d), -1);
                        const int v = ToInt(item.substr(d < item.size() && item[d] == '=' ? d + 1 : d), 0);
                        if (col >= 0 && col < kMaxColumns) (k == 'W' ? cols[col].second : cols[col].first) = v;
                    }
                }
                for (auto& [c, rw] : cols) {
                    if (static_cast<std::size_t>(c) >= pendingColumns_.size()) pendingColumns_.resize(static_cast<std::size_t>(c) + 1, {2, 0});
                    pendingColumns_[static_cast<std::size_t>(c)] = rw;
                }
                break;
            }
            default: break;
        }
        return;
    }
    // DOCTYPE and other declarations: nothing.
}

void THtmlScan::Pi(std::size_t begin) {
    const std::size_t n = s_.size();
    std::size_t e = s_.find('>', begin);
    p_ = e == std::string_view::npos ? n : e + 1;
    if (FindNoCase(s_.substr(begin, std::min<std::size_t>(p_ - begin, 6)), 0, "<?xml") == 0) return;  // the XML declaration
    ParseAttributes(begin + 2);
    const std::string* order = Attr("ORDER");
    if (!order) return;
    TNYXoggetto* o = set_.NewObject(model::shortObj);
    o->SetSubtype(model::markerrec::kCatalogueLink);
    o->SetInt(model::markerrec::kValue, ToInt(*order, 0));
    EmitObject(o);
}

void THtmlScan::Comment(std::string_view text, std::string_view raw) {
    if (text.compare(0, 10, "pageQuor=\"") == 0) {
        marked_ = true;
        return;
    }
    // The exporter's list numbers in comment form.
    if (text == "lisnum") {
        const std::size_t close = s_.find("<!--/lisnum-->", p_);
        if (close != std::string_view::npos) p_ = close + 14;
        return;
    }
    if (text == "/lisnum") return;
    if (inHead_) {
        head_ += raw;
        return;
    }
    TNYXoggetto* o = set_.NewObject(model::shortObj);
    o->SetSubtype(10);
    static constexpr std::string_view kLead = "n.n.\r\n";
    std::string body(text);
    if (body.compare(0, kLead.size(), kLead) != 0) body.insert(0, kLead);
    o->SetFirstStream(std::move(body));
    EmitObject(o);
}

// "<!QUOR" style definitions: each a name (quoted, or up to a blank) and the
// parameters of a paragraph tag, definitions separated by ";" or line ends.
void THtmlScan::QuorStyles(std::string_view defs) {
    using namespace richtext;
    std::size_t i = 0;
    while (i < defs.size()) {
        std::size_t e = defs.find_first_of(";\r\n", i);
        if (e == std::string_view::npos) e = defs.size();
        std::string_view d = Trim(defs.substr(i, e - i));
        i = e + 1;
        if (d.empty()) continue;
        std::string name;
        if (d.front() == '"') {
            const std::size_t q = d.find('"', 1);
            name = std::string(d.substr(1, q == std::string_view::npos ? std::string_view::npos : q - 1));
            d = q == std::string_view::npos ? std::string_view() : d.substr(q + 1);
        } else {
            const std::size_t sp = d.find(' ');
            name = std::string(d.substr(0, sp));
            d = sp == std::string_view::npos ? std::string_view() : d.substr(sp + 1);
        }
        if (name.empty()) continue;
        auto s = model::MakeObject(model::stileParagrafo);
        s->Reset();
        const std::string params = " " + std::string(d) + " ";
        markup::TParamCursor pc(params, 1, params.size());
        using R = markup::TParamCursor::Result;
        std::uint32_t col = 0;
        std::int32_t v = 0;
        std::string face;
        if (pc.Colour('c', col) == R::Ok) SetStyleValue(*s, pfColour, static_cast<std::int32_t>(col));
        if (pc.FontName('F', face) == R::Ok && !face.empty()) s->SetStr(style::kFont, style::kFontCap, face);
        static constexpr std::pair<char, ParaField> kKeys[] = {
            {'s', pfSize}, {'y', pfStyle}, {'p', pfPosition}, {'P', pfSpare}, {'A', pfAlign}, {'N', pfList},
            {'M', pfUnit}, {'L', pfLineHeight}, {'I', pfIndent}, {'l', pfLeft}, {'r', pfRight}, {'t', pfAbove},
            {'b', pfBelow}};
        for (const auto& [key, field] : kKeys)
            if (pc.Number(key, v) == R::Ok) SetStyleValue(*s, field, v);
        if (pc.Colour('C', col) == R::Ok) SetStyleValue(*s, pfLinkColour, static_cast<std::int32_t>(col));
        if (pc.Number('S', v) == R::Ok) SetStyleValue(*s, pfLinkSize, v);
        if (pc.Number('Y', v) == R::Ok) SetStyleValue(*s, pfLinkStyle, v);
        s->SetName(name);
        ImportStyle(set_, *s);
        styleFonts_.clear();
    }
}

void THtmlScan::StartTag(std::size_t begin) {
    const std::size_t n = s_.size();
    std::size_t q = begin + 1;
    while (q < n && (IsAlpha(s_[q]) || IsDigit(s_[q]) || s_[q] == '-' || s_[q] == ':' || s_[q] == '_')) ++q;
    char nameBuf[16];
    const std::size_t len = q - begin - 1;
    std::string_view name;
    std::string longName;
    if (len < sizeof nameBuf) {
        for (std::size_t i = 0; i < len; ++i) nameBuf[i] = Up(s_[begin + 1 + i]);
        name = std::string_view(nameBuf, len);
    } else {
        longName = Upper(s_.substr(begin + 1, len));
        name = longName;
    }
    p_ = ParseAttributes(q);
    const std::string_view raw = s_.substr(begin, p_ - begin);
    TTagId t = TagOf(name);
    if (name == "XMP" || name == "PLAINTEXT") t = tPre;
    // Inside the head: what the head keeps, and what ends it.
    switch (t) {
        case tHtml: return;
        case tHead: inHead_ = true; return;
        case tBody: EndHead(); Body(); return;
        case tTitle: {
            std::size_t contentEnd = n;
            const std::size_t end = ElementEnd(p_, "title", &contentEnd);
            if (!titleSet_) {
                title_ = DecodeText(s_.substr(p_, contentEnd - p_));
                titleSet_ = true;
            }
            p_ = end;
            return;
        }
        case tMeta: Meta(raw); return;
        case tLink: LinkTag(raw); return;
        case tBase: Base(); return;
        case tStyle: {
            // A style sheet in the document stays in the head, wherever it stands.
            const std::size_t end = ElementEnd(p_, "style", nullptr);
            head_ += s_.substr(begin, end - begin);
            p_ = end;
            return;
        }
        case tScript: {
            std::size_t contentEnd = n;
            const std::size_t end = ElementEnd(p_, "script", &contentEnd);
            const std::string_view element = s_.substr(begin, end - begin);
            const std::string_view content = s_.substr(p_, contentEnd - p_);
            p_ = end;
            // The scripts the exporter writes itself are written again by the next export.
            if (marked_ && (content.find("QuorC_") != std::string_view::npos || content.find("QuorF_") != std::string_view::npos))
                return;
            if (inHead_) {
                head_ += element;
                return;
            }
            TNYXoggetto* o = set_.NewObject(model::shortObj);
            o->SetSubtype(11);
            std::string second(4, '\0');
            second += element;
            o->SetSecondStream(std::move(second));
            EmitObject(o);
            return;
        }
        case tNoscript: return;
        default: break;
    }
    if (inHead_) {
        if (t == tUnknown) {  // an element of the head this program does not know: kept for the export
            head_ += raw;
            return;
        }
        EndHead();
    }
    if (IsInline(t)) return InlineStart(t);
    switch (t) {
        case tA: Anchor(); return;
        case tBr: BreakLine(); return;
        case tHr:
            CloseOpenP();
            CloseParagraph();
            return;
        case tImg: Img(); return;
        case tMap: Map(); return;
        case tArea: Area(); return;
        case tEmbed: Embed(begin); return;
        case tForm: Form(); return;
        case tInput: Input(); return;
        case tSelect: Select(); return;
        case tTextarea: Textarea(); return;
        case tOption: return;
        case tTable: TableStart(); return;
        case tTr: RowStart(); return;
        case tTd: CellStart(false); return;
        case tTh: CellStart(true); return;
        case tSection: return;
        case tCaption: CloseParagraph(); return;
        case tUnknown: return;
        default: break;
    }
    if (IsBlockish(t)) BlockStart(t);
}

void THtmlScan::EndTag(std::size_t begin) {
    const std::size_t n = s_.size();
    std::size_t q = begin + 2;
    while (q < n && (IsAlpha(s_[q]) || IsDigit(s_[q]) || s_[q] == '-' || s_[q] == ':' || s_[q] == '_')) ++q;
    const std::string name = Upper(s_.substr(begin + 2, q - begin - 2));
    const std::size_t gt = s_.find('>', q);
    p_ = gt == std::string_view::npos ? n : gt + 1;
    TTagId t = TagOf(name);
    if (name == "XMP" || name == "PLAINTEXT") t = tPre;
    if (IsInline(t)) {
        PopTag(t);
        return;
    }
    switch (t) {
        case tHead: EndHead(); return;
        case tA: Out().linkWanted = -1; return;
        case tMap: currentMap_.clear(); return;
        case tTr: RowEnd(); return;
        case tTd:
        case tTh: CellEnd(); return;
        case tTable: TableEnd(); return;
        case tCaption: CloseParagraph(); return;
        case tLi:
        case tDt:
        case tDd:
        case tP:
        case tDiv:
        case tCenter:
        case tH1:
        case tH2:
        case tH3:
        case tH4:
        case tH5:
        case tH6:
        case tPre:
        case tListing:
        case tBlock:
        case tUl:
        case tOl:
        case tDl:
        case tForm:
            CloseParagraph();
            PopTag(t);
            return;
        default: return;
    }
}

// The CSS of a STYLE attribute: character properties for every element,
// alignment and measures for paragraphs.
void THtmlScan::ApplyStyleAttr(TDelta& d, bool paragraph) {
    const std::string* style = Attr("STYLE");
    if (!style) return;
    const int current = Cur().font.size;
    ForEachDeclaration(*style, [&](std::string_view prop, std::string_view v) {
        const std::string w = LowerS(v);
        if (prop == "color") {
            const std::int64_t c = Colour(v);
            if (c >= 0) d.colour = c;
        } else if (prop == "font-family") {
            const std::string face = CleanFace(v);
            if (!face.empty()) d.face = Face(face);
        } else if (prop == "font-size") {
            const int pt = ParseFontSize(v, current);
            if (pt > 0) {
                d.size = pt;
                d.smaller = 0;
            }
        } else if (prop == "font-weight") {
            if (w == "bold" || w == "bolder" || ToInt(w, 0) >= 600) d.setBits |= richtext::kBold, d.clearBits &= ~richtext::kBold;
            else if (w == "normal" || w == "lighter" || (ToInt(w, 1000) <= 500)) d.clearBits |= richtext::kBold, d.setBits &= ~richtext::kBold;
        } else if (prop == "font-style") {
            if (w == "italic" || w == "oblique") d.setBits |= richtext::kItalic, d.clearBits &= ~richtext::kItalic;
            else if (w == "normal") d.clearBits |= richtext::kItalic, d.setBits &= ~richtext::kItalic;
        } else if (prop == "text-decoration") {
            if (w.find("underline") != std::string::npos) d.setBits |= richtext::kUnderline;
            if (w.find("line-through") != std::string::npos) d.setBits |= richtext::kStrikeOut;
            if (w == "none" || w == "normal") {
                d.clearBits |= richtext::kUnderline | richtext::kStrikeOut;
                d.setBits &= ~(richtext::kUnderline | richtext::kStrikeOut);
            }
        } else if (prop == "vertical-align") {
            if (w == "sub") d.pos = 1;
            else if (w == "super") d.pos = 2;
        } else if (paragraph) {
            if (prop == "text-align") {
                d.align = w == "right" ? 1 : w == "center" ? 2 : w == "justify" ? 3 : 0;
            } else if (prop == "list-style-type") {
                d.list = w == "decimal" ? 6 : (w == "disc" || w == "circle" || w == "square") ? 10 : 0;
            } else {
                double len;
                int unit;
                int idx = prop == "line-height"     ? TMeasures::kLine
                          : prop == "text-indent"   ? TMeasures::kIndent
                          : prop == "margin-left"   ? TMeasures::kLeft
                          : prop == "margin-right"  ? TMeasures::kRight
                          : prop == "margin-top"    ? TMeasures::kTop
                          : prop == "margin-bottom" ? TMeasures::kBottom
                                                    : -1;
                if (idx >= 0 && ParseLength(v, len, unit)) d.measures.Set(idx, richtext::ToPixels(len, unit), unit);
            }
        }
    });
}

void THtmlScan::InlineStart(TTagId t) {
    TDelta d;
    d.tag = t;
    switch (t) {
        case tB: d.setBits = richtext::kBold; break;
        case tI: d.setBits = richtext::kItalic; break;
        case tU: d.setBits = richtext::kUnderline; break;
        case tS: d.setBits = richtext::kStrikeOut; break;
        case tSub: d.pos = 1; break;
        case tSup: d.pos = 2; break;
        case tSmall: d.smaller = 1; break;
        case tFont:
            // A paragraph whose style comes from a style sheet class keeps the
            // class's font: the exporter's FONT attributes only round it.
            if (!Cur().classFont) {
                if (const std::string* c = Attr("COLOR")) d.colour = Colour(*c);
                if (const std::string* f = Attr("FACE")) {
                    const std::string face = CleanFace(*f);
                    if (!face.empty()) d.face = Face(face);
                }
                if (const std::string* sz = Attr("SIZE")) d.size = HtmlSizeToPoints(*sz);
            }
            break;
        default: break;
    }
    ApplyStyleAttr(d, false);
    Push(d);
}

void THtmlScan::BlockStart(TTagId t) {
    // Blocks end an open P (as browsers do); list items end the item before.
    if (t != tLi && t != tDt && t != tDd) CloseOpenP();
    if (t == tLi) {
        CloseOpenP();
        PopTag(tLi);
    }
    if (t == tDt || t == tDd) {
        PopTag(tDt);
        PopTag(tDd);
    }
    CloseParagraph();
    TDelta d;
    d.tag = t;
    static constexpr int kHeading[] = {27, 19, 14, 12, 10, 8};
    switch (t) {
        case tCenter: d.align = 2; break;
        case tH1: case tH2: case tH3: case tH4: case tH5: case tH6: d.size = kHeading[t - tH1]; break;
        case tPre:
        case tListing:
            d.pre = true;
            d.face = Face("Courier New");
            d.smaller = t == tListing ? 2 : 1;
            // A line end just after the start tag is not part of the text.
            if (p_ < s_.size() && s_[p_] == '\r') ++p_;
            if (p_ < s_.size() && s_[p_] == '\n') ++p_;
            break;
        case tUl: d.listKind = 10; break;
        case tOl: d.listKind = 6; break;
        case tLi: {
            const int kind = Cur().listKind;
            if (kind) Out().pendingList = kind;
            break;
        }
        default: break;
    }
    if (t == tP || t == tDiv) {
        if (const std::string* a = Attr("ALIGN")) {
            const std::string w = LowerS(*a);
            d.align = w == "right" ? 1 : w == "center" ? 2 : w == "justify" ? 3 : 0;
        }
    }
    if (t == tDiv) {
        if (const std::string* cls = Attr("CLASS")) {
            const int st = ClassStyle(LowerS(Trim(*cls)));
            if (st >= 0) {
                d.style = st;
                d.classFont = true;
            }
        }
    }
    ApplyStyleAttr(d, true);
    Push(d);
}

// --- head, body, links --------------------------------------------------------------------

void THtmlScan::Meta(std::string_view raw) {
    const std::string name = Attr("NAME") ? LowerS(*Attr("NAME")) : std::string();
    const std::string equiv = Attr("HTTP-EQUIV") ? LowerS(*Attr("HTTP-EQUIV")) : std::string();
    if (name == "keywords") {
        const std::string* content = Attr("CONTENT");
        if (!content) return;
        std::size_t p = 0;
        while (p <= content->size()) {
            std::size_t e = content->find(',', p);
            if (e == std::string::npos) e = content->size();
            const std::string_view w = Trim(std::string_view(*content).substr(p, e - p));
            if (!w.empty()) keywords_.emplace_back(w);
            p = e + 1;
        }
        return;
    }
    if (name == "generator") return;
    // The charset of the file says nothing about the page once its text is converted.
    if (equiv == "content-type" || Attr("CHARSET")) return;
    // What the exporter writes from the hypertext itself.
    if (marked_ && (name == "author" || name == "copyright" || equiv == "refresh")) return;
    head_ += raw;
}

void THtmlScan::LinkTag(std::string_view raw) {
    const std::string rel = Attr("REL") ? LowerS(Trim(*Attr("REL"))) : std::string();
    const std::string* href = Attr("HREF");
    if (rel != "stylesheet" || !href) {
        if (inHead_) head_ += raw;
        return;
    }
    const TRef r = Resolve(*href);
    if (r.kind != TRef::Local) return;
    if (r.outside && !imp_.OutsideAllowed(r.path, "foglio di stile")) return;
    const auto sheet = ReadSheet(r.path);
    if (!sheet) return;
    for (const std::string& cls : sheet->order) classes_[cls] = {sheet, &sheet->classes[cls]};
    // The exporter's sheet gives every style, in order, so that style numbers come back as they were.
    if (sheet->own)
        for (const std::string& cls : sheet->order) ClassStyle(cls);
}

void THtmlScan::Base() {
    const std::string* href = Attr("HREF");
    if (!href) return;
    const std::string v(Trim(*href));
    if (v.empty()) return;
    std::size_t i = 0;
    while (i < v.size() && (IsAlpha(v[i]) || IsDigit(v[i]) || v[i] == '+' || v[i] == '-' || v[i] == '.')) ++i;
    if (i >= 2 && i < v.size() && v[i] == ':' && LowerS(v.substr(0, i)) != "file") {
        baseUrl_ = v;
        return;
    }
    const TRef r = Resolve(v);
    if (r.kind == TRef::Local) baseDir_ = v.back() == '/' || v.back() == '\\' ? r.path : r.path.parent_path();
}

void THtmlScan::Body() {
    auto colour = [&](const char* name, std::int64_t& out) {
        if (const std::string* v = Attr(name)) {
            const std::int64_t c = Colour(*v);
            if (c >= 0) out = c;
        }
    };
    colour("BGCOLOR", bodyBack_);
    colour("TEXT", bodyText_);
    colour("LINK", bodyLink_);
    colour("VLINK", bodyVisited_);
    if (const std::string* bg = Attr("BACKGROUND")) {
        const std::int32_t pic = LoadPicture(*bg);
        if (pic >= 0) bodyPicture_ = pic;
    }
}

void THtmlScan::Anchor() {
    TOut& o = Out();
    if (const std::string* name = Attr("NAME")) {
        // The exporter's anchors "an" + number come back as anchors.
        const std::string& v = *name;
        if (v.size() > 2 && v[0] == 'a' && v[1] == 'n' && std::all_of(v.begin() + 2, v.end(), IsDigit)) {
            TNYXoggetto* a = set_.NewObject(model::shortObj);
            a->SetSubtype(model::markerrec::kAnchor);
            a->SetInt(model::markerrec::kValue, ToInt(std::string_view(v).substr(2), 0));
            const std::int32_t keep = o.linkWanted;
            o.linkWanted = -1;
            EmitObject(a);
            o.linkWanted = keep;
        }
    }
    const std::string* href = Attr("HREF");
    if (!href) return;
    o.linkWanted = LinkFor(*href);
}

THtmlScan::TRef THtmlScan::Resolve(std::string_view value) {
    // A page names the same files again and again: each is looked up once.
    std::string key = baseUrl_.empty() ? baseDir_.string() : baseUrl_;
    key += '\n';
    key += value;
    if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;
    TRef r = ResolveNew(value);
    if (resolved_.size() < 100000) resolved_.emplace(std::move(key), r);
    return r;
}

THtmlScan::TRef THtmlScan::ResolveNew(std::string_view value) {
    TRef r;
    const std::string v(Trim(value));
    if (v.empty()) return r;
    std::size_t i = 0;
    while (i < v.size() && (IsAlpha(v[i]) || (i > 0 && (IsDigit(v[i]) || v[i] == '+' || v[i] == '-' || v[i] == '.')))) ++i;
    std::string local;
    bool fileUrl = false;
    // Any "scheme:" but a drive letter is an address of the internet.
    if (i >= 2 && i < v.size() && v[i] == ':') {
        if (LowerS(v.substr(0, i)) != "file") {
            r.kind = TRef::Internet;
            r.url = v;
            return r;
        }
        fileUrl = true;
        local = v.substr(i + 1);
        if (local.compare(0, 2, "//") == 0) {
            local.erase(0, 2);
            if (LowerS(local.substr(0, 9)) == "localhost") local.erase(0, 9);
        }
    } else if (!baseUrl_.empty()) {
        r.kind = TRef::Internet;
        if (v.compare(0, 2, "//") == 0) {
            r.url = baseUrl_.substr(0, baseUrl_.find(':') + 1) + v;
        } else if (v[0] == '/') {
            const std::size_t host = baseUrl_.find("//");
            const std::size_t slash = host == std::string::npos ? std::string::npos : baseUrl_.find('/', host + 2);
            r.url = (slash == std::string::npos ? baseUrl_ : baseUrl_.substr(0, slash)) + v;
        } else {
            const std::size_t slash = baseUrl_.rfind('/');
            const std::size_t host = baseUrl_.find("//");
            const bool onlyHost = host != std::string::npos && (slash == std::string::npos || slash < host + 2);
            r.url = (onlyHost ? baseUrl_ + "/" : baseUrl_.substr(0, slash + 1)) + v;
        }
        return r;
    } else {
        local = v;
    }
    // Fragments and queries say nothing about the file; names are percent-decoded.
    const std::size_t cut = local.find_first_of("?#");
    if (cut != std::string::npos) local.resize(cut);
    r.kind = TRef::Local;
    if (local.empty()) {
        r.path = file_;
        return r;
    }
    std::string utf8 = platform::text::Cp1252ToUtf8(local), name;
    for (std::size_t k = 0; k < utf8.size(); ++k) {
        auto hex = [](char c) { return IsDigit(c) ? c - '0' : (Low(c) >= 'a' && Low(c) <= 'f') ? Low(c) - 'a' + 10 : -1; };
        if (utf8[k] == '%' && k + 2 < utf8.size() && hex(utf8[k + 1]) >= 0 && hex(utf8[k + 2]) >= 0) {
            name += static_cast<char>(hex(utf8[k + 1]) * 16 + hex(utf8[k + 2]));
            k += 2;
        } else {
            name += utf8[k] == '\\' ? '/' : utf8[k];
        }
    }
    if (name.find('\0') != std::string::npos) {
        r.kind = TRef::Invalid;
        return r;
    }
    fs::path p;
    if (name.size() >= 2 && IsAlpha(name[0]) && name[1] == ':') {
        // A name made on Windows with its drive: the file beside this one.
        const std::size_t slash = name.find_last_of('/');
        p = folder_ / (slash == std::string::npos ? name.substr(2) : name.substr(slash + 1));
    } else if (name[0] == '/') {
        p = fs::path(name).lexically_normal();
    } else {
        p = (baseDir_ / name).lexically_normal();
    }
    std::error_code ec;
    if (!fs::exists(p, ec)) {
        // Names made on Windows: the same letters in another case.
        fs::path found = folder_.root_path();
        const fs::path rel = p.lexically_relative(found);
        bool ok = !rel.empty();
        for (const fs::path& part : rel) {
            if (!ok) break;
            const fs::path direct = found / part;
            if (fs::exists(direct, ec)) {
                found = direct;
                continue;
            }
            ok = false;
            for (fs::directory_iterator it(found, ec), end; !ec && it != end; it.increment(ec)) {
                if (platform::text::EqualsNoCase(it->path().filename().string(), part.string())) {
                    found = it->path();
                    ok = true;
                    break;
                }
            }
        }
        if (ok) p = found;
    }
    r.path = p;
    const fs::path relToFolder = p.lexically_relative(folder_);
    r.outside = fileUrl || relToFolder.empty() || *relToFolder.begin() == "..";
    return r;
}

std::int32_t THtmlScan::LinkFor(std::string_view value) {
    const TRef r = Resolve(value);
    std::string address;
    if (r.kind == TRef::Internet) {
        address = r.url;
    } else if (r.kind == TRef::Local) {
        const std::string ext = LowerS(r.path.extension().string());
        if (ext == ".htm" || ext == ".html" || ext == ".txt") {
            const std::string key = PathKey(r.path);
            auto it = imp_.localLinks_.find(key);
            if (it != imp_.localLinks_.end()) {
                const TNYXoggetto* l = set_.ObjectByRef(it->second);
                if (l && !l->IsEmpty()) return it->second;
            }
            TNYXoggetto* l = set_.NewObject(model::speclink);
            l->SetSubtype(model::linkrec::kAutoImport);
            l->SetByte(model::linkrec::kShows, 1);
            l->SetByte(model::linkrec::kOpenMode, 5);
            l->SetFirstStream(platform::text::Utf8ToCp1252(r.path.string()));
            imp_.localLinks_[key] = l->Reference();
            return l->Reference();
        }
        address = std::string(Trim(value));  // another kind of file: an address as written
    } else {
        return -1;
    }
    if (address.size() > 127) address.resize(127);
    // An address already in the hypertext is used again (the addresses of
    // the hypertext are read once a run, not once a link).
    if (!imp_.urlsIndexed_) {
        imp_.urlsIndexed_ = true;
        for (std::size_t i = 0; i < set_.Count(model::internetLink); ++i) {
            const TNYXoggetto* u = set_.ObjectAt(model::internetLink, static_cast<std::int64_t>(i));
            if (u && !u->IsEmpty()) imp_.urls_.emplace(u->GetName(), u->Reference());
        }
    }
    if (auto it = imp_.urls_.find(address); it != imp_.urls_.end()) {
        const TNYXoggetto* u = set_.ObjectByRef(it->second);
        if (u && !u->IsEmpty() && u->GetName() == address) return it->second;
    }
    std::unique_ptr<TNYXoggetto> url = set_.NewURL(address);
    const std::int32_t slot = set_.RegisterObject(model::internetLink, -1, std::move(url));
    if (slot < 0) return -1;
    const std::int32_t ref = model::MakeRef(model::internetLink, static_cast<std::uint32_t>(slot));
    imp_.urls_[address] = ref;
    return ref;
}

std::int32_t THtmlScan::LoadPicture(std::string_view value) {
    const TRef r = Resolve(value);
    if (r.kind != TRef::Local) return -1;
    const std::string key = PathKey(r.path);
    auto it = imp_.pictures_.find(key);
    if (it != imp_.pictures_.end()) {
        const TNYXoggetto* pic = it->second > 0 ? set_.ObjectByRef(it->second) : nullptr;
        if (pic && !pic->IsEmpty()) return it->second;
        if (it->second == 0) return -1;
    }
    if (r.outside && !imp_.OutsideAllowed(r.path, "immagine")) return -1;
    std::error_code ec;
    TNYXoggetto* pic = fs::is_regular_file(r.path, ec) ? set_.AddPicture(r.path) : nullptr;
    const std::int32_t ref = pic ? pic->Reference() : 0;
    imp_.pictures_[key] = ref;
    return pic ? ref : -1;
}

std::shared_ptr<TSheetStyles> THtmlScan::ReadSheet(const fs::path& p) {
    const std::string key = PathKey(p);
    if (auto it = imp_.sheets_.find(key); it != imp_.sheets_.end()) return it->second;
    std::error_code ec;
    std::shared_ptr<TSheetStyles> sheet;
    const auto size = fs::file_size(p, ec);
    if (!ec && size <= kMaxSheetSize) {
        std::ifstream in(p, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.good() || in.eof()) {
            const TDecodedText d = DecodeTextBytes(bytes);
            sheet = std::make_shared<TSheetStyles>();
            sheet->own = d.text.compare(0, 30, "/* Quor 3.0 automatic CSS */\r\n") == 0;
            for (TCssRule& r : ParseClassRules(d.text)) {
                auto& c = sheet->classes[r.cls];
                if (!c.hasPara && !c.hasLink) sheet->order.push_back(r.cls);
                if (r.link) {
                    c.link = std::move(r);
                    c.hasLink = true;
                } else {
                    c.para = std::move(r);
                    c.hasPara = true;
                }
            }
        }
    }
    imp_.sheets_[key] = sheet;
    return sheet;
}

// The paragraph style of a class of the linked style sheets: an existing
// style of the class's name that the sheet describes, else a new one.
int THtmlScan::ClassStyle(const std::string& cls) {
    auto it = classes_.find(cls);
    if (it == classes_.end()) return -1;
    TSheetStyles::TClass& c = *it->second.second;
    if (c.style >= 0 && Style(c.style)) return c.style;
    if (!c.hasPara) return -1;
    std::string name = c.para.comment.empty() ? cls : c.para.comment;
    if (name.size() > richtext::style::kNameCap) name.resize(richtext::style::kNameCap);
    for (std::size_t i = 0; i < set_.Count(model::stileParagrafo); ++i) {
        const TNYXoggetto* s = Style(static_cast<int>(i));
        if (s && platform::text::EqualsNoCase(s->GetName(), name) && SameAsWritten(*s, c)) {
            c.style = static_cast<int>(i);
            return c.style;
        }
    }
    auto fresh = model::MakeObject(model::stileParagrafo);
    fresh->Reset();
    StyleFromCss(*fresh, c);
    fresh->SetName(name);
    TNYXoggetto* made = richtext::ImportStyle(set_, *fresh);
    styleFonts_.clear();
    c.style = made ? static_cast<int>(made->Index()) : -1;
    return c.style;
}

// --- objects ----------------------------------------------------------------------------------

namespace {
// A record's data from `from` to `to` set to zero: new records start filled
// with 0xFF, and the fields an import writes must not keep that.
void Zero(TNYXoggetto& o, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < static_cast<std::size_t>(model::kDataSize); ++i) o.SetByte(i, 0);
}
std::string Cut(std::string_view s, std::size_t n) { return std::string(s.substr(0, std::min(s.size(), n))); }
}  // namespace

void THtmlScan::Img() {
    const std::string* src = Attr("SRC");
    const std::int32_t pic = src ? LoadPicture(*src) : -1;
    if (pic < 0) {
        ++imp_.report_.picturesMissing;
        EmitText("[i] ");
        return;
    }
    TNYXoggetto* placed = set_.NewPlacedPicture(set_.ObjectByRef(pic));
    if (!placed) return;
    if (!placed->Registered()) set_.RegisterObject(model::immagineNew, -1, placed);
    if (const std::string* w = Attr("WIDTH"); w && w->find('%') == std::string::npos) {
        const int v = ToInt(*w, -1);
        if (v > 0 && v < 65536) placed->SetWord(19, static_cast<std::uint16_t>(v));
    }
    if (const std::string* h = Attr("HEIGHT"); h && h->find('%') == std::string::npos) {
        const int v = ToInt(*h, -1);
        if (v > 0 && v < 65536) placed->SetWord(21, static_cast<std::uint16_t>(v));
    }
    if (const std::string* low = Attr("LOWSRC")) {
        const std::int32_t l = LoadPicture(*low);
        if (l >= 0) placed->SetInt(model::placedrec::kLowRes, l);
    }
    if (const std::string* map = Attr("USEMAP")) {
        std::string name = LowerS(Trim(*map));
        if (!name.empty() && name[0] == '#') name.erase(0, 1);
        if (!name.empty()) usemaps_.emplace_back(placed, name);
    }
    if (const std::string* alt = Attr("ALT")) placed->SetStr(28, 32, Cut(*alt, 32));
    if (const std::string* align = Attr("ALIGN")) {
        static constexpr const char* kWords[] = {"LEFT", "RIGHT", "CENTER", "TOP", "MIDDLE", "BOTTOM"};
        const std::string a = Upper(Trim(*align));
        for (int i = 0; i < 6; ++i)
            if (a == kWords[i]) placed->SetByte(13, static_cast<std::uint8_t>(i));
    }
    placed->SetByte(14, 0);
    EmitObject(placed);
}

void THtmlScan::Map() {
    const std::string* name = Attr("NAME");
    currentMap_ = name ? LowerS(Trim(*name)) : std::string();
    if (!currentMap_.empty()) maps_[currentMap_];
}

void THtmlScan::Area() {
    if (currentMap_.empty()) return;
    auto& zones = maps_[currentMap_];
    if (zones.size() >= kMaxZones) return;
    const std::string* href = Attr("HREF");
    if (!href) return;
    const std::int32_t link = LinkFor(*href);
    if (link < 0) return;
    const std::string shape = Attr("SHAPE") ? LowerS(Trim(*Attr("SHAPE"))) : std::string();
    TZone z{link, 10 * static_cast<int>(zones.size()), 0, 20, 20};
    if (shape.empty() || shape == "rect" || shape == "rectangle") {
        int c[4] = {0, 0, 0, 0};
        if (const std::string* coords = Attr("COORDS")) {
            std::size_t p = 0;
            for (int& v : c) {
                std::size_t e = coords->find(',', p);
                if (e == std::string::npos) e = coords->size();
                v = ToInt(std::string_view(*coords).substr(p, e - p), 0);
                p = std::min(coords->size(), e + 1);
            }
        }
        z = {link, c[0], c[1], std::max(5, c[2] - c[0]), std::max(5, c[3] - c[1])};
    }
    zones.push_back(z);
}

void THtmlScan::Embed(std::size_t begin) {
    std::size_t end = p_;
    // Everything up to "</EMBED>" when the element has one before the next EMBED.
    const std::size_t close = FindNoCase(s_, p_, "</embed");
    const std::size_t again = FindNoCase(s_, p_, "<embed");
    if (close != std::string_view::npos && (again == std::string_view::npos || close < again)) {
        const std::size_t gt = s_.find('>', close);
        end = gt == std::string_view::npos ? s_.size() : gt + 1;
    }
    TNYXoggetto* o = set_.NewObject(model::multiMedia);
    Zero(*o, 5, 60);
    o->SetSubtype(5);
    o->SetInt(17, -1);
    o->SetInt(21, -1);
    o->SetWord(27, 0xFFFF);
    if (const std::string* w = Attr("WIDTH")) o->SetWord(33, static_cast<std::uint16_t>(std::clamp(ToInt(*w, 0), 0, 32767)));
    if (const std::string* h = Attr("HEIGHT")) o->SetWord(35, static_cast<std::uint16_t>(std::clamp(ToInt(*h, 0), 0, 32767)));
    std::string second(4, '\0');
    second += s_.substr(begin, end - begin);
    o->SetSecondStream(std::move(second));
    p_ = end;
    EmitObject(o);
}

void THtmlScan::Form() {
    TNYXoggetto* o = set_.NewObject(model::inizioForm);
    Zero(*o, 5, 360);
    const std::string method = Attr("METHOD") ? LowerS(Trim(*Attr("METHOD"))) : std::string();
    int sub = method == "get" ? 1 : 2;
    std::string action = Attr("ACTION") ? std::string(Trim(*Attr("ACTION"))) : std::string();
    if (LowerS(action.substr(0, 7)) == "mailto:") {
        sub = 4;
        action.erase(0, 7);
    }
    o->SetSubtype(static_cast<std::uint8_t>(sub));
    o->SetStr(17, 255, Cut(action, 255));
    if (const std::string* enc = Attr("ENCTYPE")) {
        o->SetByte(273, 1);
        o->SetStr(276, 79, Cut(*enc, 79));
    }
    EmitObject(o);
}

void THtmlScan::Input() {
    const std::string type = Attr("TYPE") ? LowerS(Trim(*Attr("TYPE"))) : std::string();
    const std::string name = Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string();
    const std::string* value = Attr("VALUE");
    int field = 0, button = 0;
    if (type.empty() || type == "edit" || type == "text" || type == "int") field = 1;
    else if (type == "password") field = 2;
    else if (type == "file") field = 3;
    else if (type == "hidden") field = 5;
    else if (type == "radio") field = 6;
    else if (type == "checkbox") field = 7;
    else if (type == "submit") button = 1;
    else if (type == "reset") button = 3;
    else if (type == "image") button = 2;
    else return;
    if (field) {
        TNYXoggetto* o = set_.NewObject(model::inputStat);
        Zero(*o, 5, 460);
        o->SetSubtype(static_cast<std::uint8_t>(field));
        o->SetStr(17, 79, name);
        std::string v = value ? Cut(*value, 79) : std::string();
        if (field == 7 && v.empty()) v = "on";
        o->SetStr(97, 79, v);
        const int size = Attr("SIZE") ? ToInt(*Attr("SIZE"), 20) : 20;
        o->SetByte(179, static_cast<std::uint8_t>(std::clamp(size, 1, 255)));
        o->SetByte(180, (field == 6 || field == 7 || value) ? 1 : 0);
        o->SetByte(181, Attr("CHECKED") ? 1 : 0);
        EmitObject(o);
        return;
    }
    TNYXoggetto* o = set_.NewObject(model::bottoneCGI);
    Zero(*o, 5, 200);
    o->SetSubtype(static_cast<std::uint8_t>(button));
    o->SetStr(17, 79, name);
    std::string caption = value ? Cut(*value, 79) : std::string();
    if (caption.empty() && button == 1) caption = "Submit";
    if (caption.empty() && button == 3) caption = "Reset";
    o->SetStr(97, 79, caption);
    o->SetInt(177, -1);
    o->SetInt(181, -1);
    if (button == 2) {
        const std::int32_t pic = Attr("SRC") ? LoadPicture(*Attr("SRC")) : -1;
        if (pic >= 0) {
            o->SetInt(177, pic);
            if (const TNYXoggetto* p = set_.ObjectByRef(pic)) {
                o->SetWord(186, p->Word(model::picturerec::kWidth));
                o->SetWord(188, p->Word(model::picturerec::kHeight));
                o->SetWord(190, p->Word(model::picturerec::kWidth));
                o->SetWord(192, p->Word(model::picturerec::kHeight));
            }
        }
        if (const std::string* w = Attr("WIDTH")) o->SetWord(190, static_cast<std::uint16_t>(std::clamp(ToInt(*w, 0), 0, 32767)));
        if (const std::string* h = Attr("HEIGHT")) o->SetWord(192, static_cast<std::uint16_t>(std::clamp(ToInt(*h, 0), 0, 32767)));
    }
    EmitObject(o);
}

// SELECT up to "</SELECT>": its options. Without the end tag the list ends
// where a list cannot go on (another control, the form's or a cell's end).
void THtmlScan::Select() {
    TNYXoggetto* o = set_.NewObject(model::inputStat);
    Zero(*o, 5, 460);
    const int size = Attr("SIZE") ? ToInt(*Attr("SIZE"), 1) : 1;
    o->SetSubtype(size == 1 ? 9 : 8);
    o->SetStr(17, 79, Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string());
    o->SetByte(179, static_cast<std::uint8_t>(std::clamp(size == 1 ? 10 : size, 1, 255)));
    o->SetByte(182, size != 1 && Attr("MULTIPLE") ? 1 : 0);
    std::string items;
    int count = 0;
    const std::size_t n = s_.size();
    while (p_ < n) {
        const std::size_t lt = s_.find('<', p_);
        if (lt == std::string_view::npos) {
            p_ = n;
            break;
        }
        p_ = lt;
        const bool end = lt + 1 < n && s_[lt + 1] == '/';
        std::size_t q = lt + (end ? 2 : 1);
        const std::size_t nb = q;
        while (q < n && (IsAlpha(s_[q]) || IsDigit(s_[q]))) ++q;
        const std::string name = Upper(s_.substr(nb, q - nb));
        if (end && name == "SELECT") {
            const std::size_t gt = s_.find('>', q);
            p_ = gt == std::string_view::npos ? n : gt + 1;
            break;
        }
        const TTagId t = TagOf(name);
        if (t == tSelect || t == tInput || t == tTextarea || t == tTable || t == tTr || t == tTd || t == tTh ||
            (!end && IsBlockish(t)) || (end && (t == tForm || t == tTable || t == tTd || t == tTr)))
            break;  // the element ends here
        if (!end && t == tOption) {
            p_ = ParseAttributes(q);
            const bool selected = Attr("SELECTED") != nullptr;
            const std::string* value = Attr("VALUE");
            std::string v = value ? *value : std::string();
            const std::size_t next = s_.find('<', p_);
            const std::size_t textEnd = next == std::string_view::npos ? n : next;
            const std::string text = DecodeText(s_.substr(p_, textEnd - p_));
            p_ = textEnd;
            for (char& c : v)
                if (static_cast<unsigned char>(c) < 32 || c == '\n') c = ' ';
            items += text + "\n" + (value ? v : text) + "\n" + (selected ? "X" : "N") + "\n";
            ++count;
            continue;
        }
        const std::size_t gt = s_.find('>', q);
        p_ = gt == std::string_view::npos ? n : gt + 1;
    }
    o->SetByte(178, static_cast<std::uint8_t>(std::min(count, 255)));
    o->SetFirstStream(std::move(items));
    EmitObject(o);
}

void THtmlScan::Textarea() {
    TNYXoggetto* o = set_.NewObject(model::inputStat);
    Zero(*o, 5, 460);
    o->SetSubtype(4);
    o->SetStr(17, 79, Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string());
    o->SetByte(178, static_cast<std::uint8_t>(std::clamp(Attr("ROWS") ? ToInt(*Attr("ROWS"), 8) : 8, 1, 255)));
    o->SetByte(177, static_cast<std::uint8_t>(std::clamp(Attr("COLS") ? ToInt(*Attr("COLS"), 40) : 40, 1, 255)));
    std::size_t contentEnd = s_.size();
    const std::size_t end = ElementEnd(p_, "textarea", &contentEnd);
    std::string text = DecodeAttr(s_.substr(p_, contentEnd - p_));
    p_ = end;
    // A line end just after the start tag is not content, nor (in pages the
    // exporter wrote) the one it writes before the end tag.
    if (text.compare(0, 2, "\r\n") == 0) text.erase(0, 2);
    else if (!text.empty() && text[0] == '\n') text.erase(0, 1);
    if (marked_ && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    o->SetByte(180, text.empty() ? 0 : 1);
    o->SetFirstStream(std::move(text));
    EmitObject(o);
}

// --- tables -------------------------------------------------------------------------------------
//
// A table's cells are gathered one output each and written at "</TABLE>"
// in the stored order (every row as wide as the widest, short rows padded),
// so a row with more cells than the first, cells past the 50th column (they
// run into the last cell) and tables of more than 255 rows (split into
// tables of 255) all keep their text.

TNYXoggetto* THtmlScan::NewTableLike(const TNYXoggetto* model) {
    TNYXoggetto* t = set_.NewObject(model::tabellaHtml);
    if (model) std::memcpy(t->Data() + 5, model->Data() + 5, 215);
    return t;
}

void THtmlScan::TableStart() {
    if (tables_.size() >= kMaxTableDepth) {
        ++ignoredTables_;
        CloseParagraph();
        return;
    }
    CloseOpenP();
    CloseParagraph();
    TTableBuild tb;
    tb.obj = NewTableLike(nullptr);
    TNYXoggetto& t = *tb.obj;
    if (const std::string* w = Attr("WIDTH")) {
        const int v = ToInt(*w, -1);
        if (v >= 0) {
            if (w->find('%') != std::string::npos) {
                t.SetByte(55, 1);
                t.SetByte(89, static_cast<std::uint8_t>(std::min(v, 100)));
            } else {
                t.SetByte(55, 0);
                t.SetWord(56, static_cast<std::uint16_t>(std::min(v, 65535)));
            }
        }
    }
    auto byte = [&](const char* name, std::size_t off, int absent) {
        if (const std::string* v = Attr(name)) t.SetByte(off, static_cast<std::uint8_t>(std::clamp(ToInt(*v, absent), 0, 255)));
    };
    byte("BORDER", 92, 1);
    byte("CELLPADDING", 90, 2);
    byte("CELLSPACING", 91, 2);
    if (const std::string* bg = Attr("BGCOLOR")) {
        const std::int64_t c = Colour(*bg);
        if (c >= 0) t.SetInt(207, static_cast<std::int32_t>(c));
    }
    if (const std::string* bg = Attr("BACKGROUND")) {
        const std::int32_t pic = LoadPicture(*bg);
        if (pic >= 0) t.SetInt(207, static_cast<std::int32_t>(0x3000000u + model::RefIndex(pic)));
    }
    for (std::size_t c = 0; c < pendingColumns_.size() && c < static_cast<std::size_t>(kMaxColumns); ++c) {
        t.SetByte(5 + c, static_cast<std::uint8_t>(std::clamp(pendingColumns_[c].first, 0, 2)));
        t.SetWord(97 + 2 * c, static_cast<std::uint16_t>(std::clamp(pendingColumns_[c].second, 0, 65535)));
    }
    const bool columnsGiven = !pendingColumns_.empty();
    pendingColumns_.clear();
    TDelta d;
    d.tag = tTable;
    d.table = true;
    // The table's entry in the stack is where its cells' formatting starts.
    tb.stackBase = deltas_.size();
    Push(d);
    if (deltas_.size() == tb.stackBase) {  // no room for the table: its text flows on
        ++ignoredTables_;
        return;
    }
    if (columnsGiven) tb.obj->SetByte(66, 1);
    tables_.push_back(std::move(tb));
}

void THtmlScan::RowStart() {
    // Rows of a table nested too deep are lines of the cell it stands in.
    if (ignoredTables_ > 0 || tables_.empty()) {
        CloseParagraph();
        return;
    }
    if (tables_.back().cellOpen) CellEnd();
    TTableBuild& tb = tables_.back();
    if (tb.rows.size() >= kMaxRows) {
        // A table holds 255 rows: the rest go on in a table of the same look.
        EmitTable(tb);
        const TNYXoggetto* model = tb.obj;
        tb.obj = NewTableLike(model);
        tb.rows.clear();
        tb.anyBackground = false;
    }
    tb.rows.emplace_back();
    tb.rowOpen = true;
    tb.overflow = false;
    while (deltas_.size() > tb.stackBase + 1) RemoveAt(deltas_.size() - 1);
}

void THtmlScan::CellStart(bool /*header*/) {
    if (ignoredTables_ > 0 || tables_.empty()) {
        CloseParagraph();
        return;
    }
    TTableBuild* tb = &tables_.back();
    if (!tb->rowOpen) {
        RowStart();
        tb = &tables_.back();
    }
    while (deltas_.size() > tb->stackBase + 1) RemoveAt(deltas_.size() - 1);
    if (tb->cellOpen && tb->rows.back().size() + 1 >= static_cast<std::size_t>(kMaxColumns)) {
        // Past the last column: the text runs into the last cell.
        tb->overflow = true;
        CloseParagraph();
        return;
    }
    if (tb->cellOpen) CellEnd();
    tb = &tables_.back();
    if (tb->rows.empty()) tb->rows.emplace_back();
    tb->cell = TCell{};
    if (const std::string* w = Attr("WIDTH")) {
        const int v = ToInt(*w, -1);
        if (v >= 0) {
            tb->cell.widthRule = w->find('%') != std::string::npos ? 0 : 1;
            tb->cell.width = std::min(v, 65535);
        }
    }
    if (const std::string* bg = Attr("BGCOLOR")) {
        const std::int64_t c = Colour(*bg);
        if (c >= 0) tb->cell.background = static_cast<std::int32_t>(c);
    }
    if (const std::string* bg = Attr("BACKGROUND")) {
        const std::int32_t pic = LoadPicture(*bg);
        if (pic >= 0) tb->cell.background = static_cast<std::int32_t>(0x3000000u + model::RefIndex(pic));
    }
    tb->colspan = Attr("COLSPAN") ? std::clamp(ToInt(*Attr("COLSPAN"), 1), 1, kMaxColumns) : 1;
    if (tb->cell.background >= 0) tb->anyBackground = true;
    tb->cellOpen = true;
    outs_.emplace_back();
}

void THtmlScan::CellEnd() {
    if (tables_.empty() || !tables_.back().cellOpen || ignoredTables_ > 0) return;
    TTableBuild& tb = tables_.back();
    CloseParagraph(Out());
    TCell cell = tb.cell;
    cell.text = std::move(Out().text);
    outs_.pop_back();
    tb.cellOpen = false;
    auto& row = tb.rows.back();
    row.push_back(std::move(cell));
    // A cell spanning columns: empty cells after it keep the others in their columns.
    for (int k = 1; k < tb.colspan && row.size() < static_cast<std::size_t>(kMaxColumns); ++k) row.push_back(TCell{});
    tb.colspan = 1;
    while (deltas_.size() > tb.stackBase + 1) RemoveAt(deltas_.size() - 1);
}

void THtmlScan::RowEnd() {
    if (tables_.empty() || ignoredTables_ > 0) return;
    CellEnd();
    tables_.back().rowOpen = false;
}

void THtmlScan::EmitTable(TTableBuild& tb) {
    TNYXoggetto& t = *tb.obj;
    std::size_t cols = 1;
    for (const auto& r : tb.rows) cols = std::max(cols, r.size());
    cols = std::min<std::size_t>(cols, kMaxColumns);
    std::size_t rows = 0;
    for (const auto& r : tb.rows) rows += 1, (void)r;
    const bool empty = rows == 0;
    if (empty) rows = 1;
    t.SetByte(93, static_cast<std::uint8_t>(rows));
    t.SetByte(94, static_cast<std::uint8_t>(cols));
    // Column widths from the first row, unless a "<!qu_t" gave them.
    if (t.Byte(66) != 1 && !tb.rows.empty()) {
        const auto& first = tb.rows.front();
        for (std::size_t c = 0; c < cols; ++c) {
            const TCell cell = c < first.size() ? first[c] : TCell{};
            t.SetByte(5 + c, static_cast<std::uint8_t>(cell.widthRule));
            t.SetWord(97 + 2 * c, static_cast<std::uint16_t>(cell.width));
        }
    }
    if (t.Byte(66) == 1) t.SetByte(66, 0);
    if (tb.anyBackground) {
        std::string bg;
        for (std::size_t r = 0; r < rows; ++r)
            for (std::size_t c = 0; c < cols; ++c) {
                std::int32_t v = -1;
                if (r < tb.rows.size() && c < tb.rows[r].size()) v = tb.rows[r][c].background;
                for (int k = 0; k < 4; ++k) bg += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
            }
        t.SetFirstStream(std::move(bg));
    }
    // The table's own paragraph in the text around it, in that text's style.
    TOut& o = Out();
    CloseParagraph(o);
    o.pendingStyle = states_[std::min(tb.stackBase, states_.size() - 1)].style;
    OpenParagraph(o);
    AppendHex8(o.text, static_cast<std::uint32_t>(t.Reference()));
    if (empty) {
        o.text += "<Z S1 ><patchm><T>";
    } else {
        for (const auto& r : tb.rows) {
            for (std::size_t c = 0; c < cols; ++c) {
                if (c < r.size()) o.text += r[c].text.empty() ? std::string("<Z S1 >") : r[c].text;
                else o.text += "<Z S0 ><patchtr>";
                o.text += "<T>";
            }
        }
    }
    o.paraLen = 1;
    CloseParagraph(o);
}

void THtmlScan::TableEnd() {
    // Tables not made (nested too deep) are always the innermost ones.
    if (ignoredTables_ > 0) {
        --ignoredTables_;
        CloseParagraph();
        return;
    }
    if (tables_.empty()) return;
    CellEnd();
    TTableBuild tb = std::move(tables_.back());
    tables_.pop_back();
    while (deltas_.size() > tb.stackBase) RemoveAt(deltas_.size() - 1);
    EmitTable(tb);
}

// --- the end of a file -------------------------------------------------------------------------

void THtmlScan::Finish(TNYXtesto& page) {
    while (!tables_.empty()) TableEnd();
    CloseParagraph(Out());
    // Zones of image maps, wherever the MAP stood.
    for (auto& [placed, name] : usemaps_) {
        auto it = maps_.find(name);
        if (it == maps_.end()) continue;
        for (std::size_t i = 0; i < it->second.size() && i < kMaxZones; ++i) {
            const TZone& z = it->second[i];
            const std::size_t b = model::placedrec::kZones + model::placedrec::kZoneSize * i;
            placed->SetInt(b, z.link);
            placed->SetInt(b + 4, 0);
            placed->SetWord(b + 8, static_cast<std::uint16_t>(std::clamp(z.left, -32768, 32767)));
            placed->SetWord(b + 10, static_cast<std::uint16_t>(std::clamp(z.top, -32768, 32767)));
            placed->SetWord(b + 12, static_cast<std::uint16_t>(std::clamp(z.width, 0, 32767)));
            placed->SetWord(b + 14, static_cast<std::uint16_t>(std::clamp(z.height, 0, 32767)));
        }
    }
    std::string text = PostProcessImportedText(set_, outs_.front().text);
    text += '\0';
    page.SetFirstStream(std::move(text));
    page.SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    // The second stream: an empty editor block (no alias), then the head's own HTML.
    std::string second(8, '\0');
    second[0] = 4;
    second += head_.empty() ? std::string(" ") : head_;
    page.SetSecondStream(std::move(second));
    if (bodyBack_ >= 0) page.SetInt(model::pagerec::kBackColour, static_cast<std::int32_t>(bodyBack_));
    if (bodyText_ >= 0) page.SetInt(model::pagerec::kTextColour, static_cast<std::int32_t>(bodyText_));
    if (bodyLink_ >= 0) page.SetInt(model::pagerec::kLinkColour, static_cast<std::int32_t>(bodyLink_));
    if (bodyVisited_ >= 0) page.SetInt(model::pagerec::kVisitedColour, static_cast<std::int32_t>(bodyVisited_));
    if (bodyPicture_ >= 0) page.SetInt(model::pagerec::kBackPicture, static_cast<std::int32_t>(model::RefIndex(bodyPicture_)));
    if (!title_.empty()) page.SetName(Cut(title_, model::pagerec::kTitleCap));
    int slot = 0;
    for (const std::string& word : keywords_) {
        auto k = model::MakeObject(model::keyword);
        k->SetSet(&set_);
        k->Reset();
        k->SetName(Cut(word, 79));
        TNYXoggetto* same = set_.FindByName(*k);
        std::int32_t index;
        if (same) index = static_cast<std::int32_t>(same->Index());
        else index = set_.RegisterObject(model::keyword, -1, std::move(k));
        if (index >= 0 && slot < static_cast<int>(model::pagerec::kKeywordCount))
            page.SetInt(model::pagerec::kKeywords + 4 * static_cast<std::size_t>(slot++), index);
    }
}

// --- THtmlImport ----------------------------------------------------------------------------------

THtmlImport::THtmlImport(TNYXset* set) : LinkedNYXset(set) {}
THtmlImport::~THtmlImport() = default;

void THtmlImport::BeginRun() {
    report_.Clear();
    localLinks_.clear();
    pagesByFile_.clear();
    pictures_.clear();
    sheets_.clear();
    outsideSeen_.clear();
    urls_.clear();
    urlsIndexed_ = false;
}

bool THtmlImport::OutsideAllowed(const fs::path& file, const std::string& what) {
    const std::string shown = file.string() + " (" + what + ")";
    if (std::find(report_.outside.begin(), report_.outside.end(), shown) == report_.outside.end())
        report_.outside.push_back(shown);
    if (!report_.outsideAsked) {
        report_.outsideAsked = true;
        report_.outsideLoaded =
            platform::ui().AskYesNo("Un file da importare fa riferimento a file fuori dalla sua cartella:\n" + file.string() +
                                    "\nCarico anche i file fuori dalla cartella (saranno elencati nel resoconto)?") ==
            platform::Answer::Yes;
    }
    return report_.outsideLoaded;
}

TNYXtesto* THtmlImport::ImportDocument(std::string_view bytes, const fs::path& file) {
    if (!LinkedNYXset) return nullptr;
    TNYXset& set = *LinkedNYXset;
    const TDecodedText decoded = DecodeHtmlBytes(bytes);
    report_.unmapped += decoded.unmapped;
    TNYXtesto* page = NewImportPage(set, importBackColour, importBackPicture);
    if (!page) return nullptr;
    THtmlScan scan(*this, set, decoded.text, file);
    try {
        scan.Run();
    } catch (const std::exception& e) {
        // A scan that fails keeps the page as far as it was read.
        report_.problems.push_back({file.string(), scan.Position(), e.what()});
    }
    try {
        scan.Finish(*page);
    } catch (const std::exception& e) {
        report_.problems.push_back({file.string(), scan.Position(), e.what()});
        if (!page->HasFirstStream()) page->SetText(richtext::kNewPageText.substr(0, 7));
    }
    report_.pages.push_back(static_cast<std::int32_t>(page->Index()));
    pagesByFile_[PathKey(file)] = page->Reference();
    return page;
}

int THtmlImport::ImportFiles(const std::vector<fs::path>& files, int /*flag*/) {
    BeginRun();
    if (!LinkedNYXset) return 0;
    platform::BusyCursor busy;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (stopRequested && stopRequested()) {
            report_.stopped = true;
            break;
        }
        if (OnImpProgress) OnImpProgress(i, count, 1);
        const fs::path& f = files[static_cast<std::size_t>(i)];
        const std::optional<std::string> bytes = ReadImportFile(f, kMaxFileSize, report_.skipped);
        if (!bytes) continue;
        ImportDocument(*bytes, f);
        if (report_.stopped) break;
    }
    if (OnImpProgress) OnImpProgress(count, count, 1);
    ResolveLocalLinks();
    return report_.pages.empty() ? 0 : report_.pages.front();
}

// Links to local files that this run imported now lead to their pages.
void THtmlImport::ResolveLocalLinks() {
    TNYXset& set = *LinkedNYXset;
    for (std::size_t i = 0; i < set.Count(model::speclink); ++i) {
        TNYXoggetto* l = set.ObjectAt(model::speclink, static_cast<std::int64_t>(i));
        if (!l || l->IsEmpty() || l->Subtype() != model::linkrec::kAutoImport) continue;
        std::string name;
        if (!l->ReadFirstStream(name)) continue;
        const fs::path file(platform::text::Cp1252ToUtf8(name));
        auto it = pagesByFile_.find(PathKey(file));
        if (it == pagesByFile_.end()) {
            // The exporter's frame-content document of a page ("P-000001.htm")
            // shows the same page as its page document ("P_000001.htm").
            std::string stem = file.stem().string();
            const std::size_t dash = stem.rfind('-');
            const std::string tail = dash == std::string::npos ? std::string() : stem.substr(dash + 1);
            const bool page = tail == "index" || (tail.size() == 6 && tail.find_first_not_of("0123456789abcdef") == std::string::npos);
            if (!page) continue;
            stem[dash] = '_';
            it = pagesByFile_.find(PathKey(file.parent_path() / (stem + file.extension().string())));
            if (it == pagesByFile_.end()) continue;
        }
        l->SetSubtype(model::linkrec::kGoTo);
        l->SetInt(model::linkrec::kTarget, it->second);
        l->SetInt(model::linkrec::kAnchor, -1);
        l->SetByte(model::linkrec::kShows, 1);
        l->SetByte(model::linkrec::kOpenMode, 5);
        l->DropFirstStream();
    }
}

TPageMarker THtmlImport::ReadPageMarker(std::string_view bytes) {
    TPageMarker m;
    // The first 100 lines.
    std::size_t end = 0;
    for (int line = 0; line < 100 && end < bytes.size(); ++line) {
        const std::size_t nl = bytes.find('\n', end);
        end = nl == std::string_view::npos ? bytes.size() : nl + 1;
    }
    const std::string_view head = bytes.substr(0, end);
    static constexpr std::string_view kMarker = "<!--pageQuor=\"";
    const std::size_t at = head.find(kMarker);
    if (at == std::string_view::npos) return m;
    m.found = true;
    std::size_t p = at + kMarker.size();
    const std::size_t semi = head.find(';', p);
    const std::size_t quote = head.find('"', p);
    if (semi == std::string_view::npos || quote == std::string_view::npos || semi > quote) return m;
    m.page = ToInt(head.substr(p, semi - p), 0);
    std::string raw(head.substr(semi + 1, quote - semi - 1));
    // The exporter escapes the name as text.
    std::string name;
    for (std::size_t i = 0; i < raw.size();) {
        char32_t cps[2];
        std::size_t next = i + 1;
        if (raw[i] == '&' && DecodeCharRef(raw, i, true, cps, next) == 1 && cps[0] < 0x80) {
            name += static_cast<char>(cps[0]);
            i = next;
        } else {
            name += raw[i++];
        }
    }
    if (Upper(fs::path(name).extension().string()) == ".NYX") m.nyxName = name;
    return m;
}

TPageMarker THtmlImport::ReadPageMarker(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(64 * 1024, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ReadPageMarker(std::string_view(bytes));
}

std::vector<fs::path> THtmlImport::CollectLinkedFiles(const fs::path& start, int depth) {
    std::vector<fs::path> result;
    std::set<std::string> seen;
    std::error_code ec;
    const fs::path root = fs::absolute(start, ec).lexically_normal();
    const fs::path folder = root.parent_path();
    std::vector<fs::path> level{root};
    auto local = [](const fs::path& p) {
        const std::string ext = LowerS(p.extension().string());
        return ext == ".htm" || ext == ".html" || ext == ".txt";
    };
    for (int d = 0; d <= depth && !level.empty(); ++d) {
        std::vector<fs::path> next;
        for (const fs::path& f : level) {
            if (!seen.insert(PathKey(f)).second) continue;
            result.push_back(f);
            if (d == depth || !fs::is_regular_file(f, ec) || LowerS(f.extension().string()) == ".txt") continue;
            const auto size = fs::file_size(f, ec);
            if (ec || size > kMaxFileSize) continue;
            std::ifstream in(f, std::ios::binary);
            std::string bytes(static_cast<std::size_t>(size), '\0');
            if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) continue;
            const TDecodedText text = DecodeHtmlBytes(bytes);
            const std::string& s = text.text;
            fs::path base = f.parent_path();
            // Every HREF and SRC value: a quick look at the tags, enough for links.
            for (std::size_t p = s.find('<'); p != std::string::npos; p = s.find('<', p + 1)) {
                const std::size_t gt = s.find('>', p);
                if (gt == std::string::npos) break;
                const std::string tag = LowerS(std::string_view(s).substr(p, gt - p));
                const bool isBase = tag.compare(0, 5, "<base") == 0;
                for (const char* attr : {"href", "src"}) {
                    std::size_t a = tag.find(attr);
                    while (a != std::string::npos && a > 0 && !IsBlank(tag[a - 1])) a = tag.find(attr, a + 1);
                    if (a == std::string::npos) continue;
                    std::size_t v = a + std::strlen(attr);
                    while (v < tag.size() && IsBlank(tag[v])) ++v;
                    if (v >= tag.size() || tag[v] != '=') continue;
                    ++v;
                    while (v < tag.size() && IsBlank(tag[v])) ++v;
                    std::size_t e;
                    if (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) {
                        e = tag.find(tag[v], v + 1);
                        ++v;
                        if (e == std::string::npos) e = tag.size();
                    } else {
                        e = v;
                        while (e < tag.size() && !IsBlank(tag[e])) ++e;
                    }
                    // The value as written (the tag was lowered only to find it).
                    std::string value = s.substr(p + v, e - v);
                    const std::size_t cut = value.find_first_of("?#");
                    if (cut != std::string::npos) value.resize(cut);
                    std::size_t colon = value.find(':');
                    if (colon != std::string::npos && colon >= 2) {
                        if (isBase) base = f.parent_path();
                        continue;  // an internet address (a base of the internet is not followed)
                    }
                    std::string name = platform::text::Cp1252ToUtf8(value);
                    std::replace(name.begin(), name.end(), '\\', '/');
                    std::string decoded;
                    for (std::size_t k = 0; k < name.size(); ++k) {
                        auto hex = [](char c) { return IsDigit(c) ? c - '0' : (Low(c) >= 'a' && Low(c) <= 'f') ? Low(c) - 'a' + 10 : -1; };
                        if (name[k] == '%' && k + 2 < name.size() && hex(name[k + 1]) >= 0 && hex(name[k + 2]) >= 0) {
                            decoded += static_cast<char>(hex(name[k + 1]) * 16 + hex(name[k + 2]));
                            k += 2;
                        } else {
                            decoded += name[k];
                        }
                    }
                    if (decoded.empty() || decoded.find('\0') != std::string::npos) continue;
                    const fs::path target = (decoded[0] == '/' ? fs::path(decoded) : base / decoded).lexically_normal();
                    if (isBase) {
                        base = decoded.back() == '/' ? target : target.parent_path();
                        continue;
                    }
                    if (!local(target)) continue;
                    const fs::path rel = target.lexically_relative(folder);
                    if ((rel.empty() || *rel.begin() == "..") && !OutsideAllowed(target, "collegamento")) continue;
                    next.push_back(target);
                }
            }
        }
        level = std::move(next);
    }
    if (!result.empty()) result.erase(result.begin());  // the start file itself
    return result;
}

}  // namespace convert::html
