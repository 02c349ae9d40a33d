#include "convert/html/NYXtoHtml.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Prototypes.h"
#include "model/Page.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/FormData.h"
#include "present/FrameData.h"
#include "present/PictureData.h"
#include "present/TableData.h"
#include "richtext/Attributes.h"
#include "markup/Lexer.h"
#include "model/Upgrade.h"

namespace convert::html {

using namespace markup;

using model::TNYXoggetto;
using model::TNYXset;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGenerator = "Quor 3.0";
constexpr const char* kAlignWords[] = {"left", "right", "center", "justify"};
constexpr const char* kPictureAlign[] = {"LEFT", "RIGHT", "CENTER", "TOP", "MIDDLE", "BOTTOM"};
constexpr const char* kCellAlign[] = {"TOP", "MIDDLE", "BOTTOM"};
constexpr const char* kTargets[] = {"_top ", "_self ", "_parent ", "_blank "};
constexpr int kHtmlSizes[] = {8, 10, 12, 14, 19, 27, 34};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}
std::string FileExt(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find_first_of("/\\", dot) != std::string::npos) return {};
    return name.substr(dot);
}
std::string Str(int v) { return std::to_string(v); }

bool Exists(const TNYXoggetto* o) { return o && !o->IsEmpty(); }

std::string AlignWord(int a) { return a >= 0 && a < 4 ? kAlignWords[a] : "left"; }
std::string PictureAlignWord(int a) { return a >= 0 && a < 6 ? kPictureAlign[a] : "BOTTOM"; }

std::string LengthText(std::int32_t pixels, int unit) {
    if (unit < 0 || unit > 5) unit = 5;
    const double v = richtext::FromPixels(pixels, unit);
    const long r = static_cast<long>(v < 0 ? v - 0.5 : v + 0.5);
    static constexpr const char* kUnits[] = {"cm", "mm", "in", "pt", "pc", "px"};
    return std::to_string(r) + kUnits[unit];
}

// A comment text that cannot end the comment early.
std::string CommentSafe(std::string s) {
    for (std::size_t p; (p = s.find("--")) != std::string::npos;) s.replace(p, 2, "- -");
    if (!s.empty() && (s.front() == '>' || s.back() == '-')) s = " " + s + " ";
    return s;
}

// Script strings inside an attribute: backslash and apostrophe escaped, then
// the attribute escapes.
std::string ScriptString(std::string_view s) {
    std::string o;
    for (char c : s) {
        if (c == '\\' || c == '\'') o += '\\';
        o += c;
    }
    return o;
}

struct TFont {
    std::string face = "Times New Roman";
    std::int32_t size = 12;
    std::uint32_t colour = 0;
    std::uint8_t bits = 0;
    std::uint8_t pos = 0;
};

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

TFont StyleFont(const TNYXoggetto* s) {
    TFont f;
    if (!s) return f;
    f.face = richtext::StyleFontName(s);
    f.size = richtext::StyleValue(s, richtext::pfSize);
    f.colour = static_cast<std::uint32_t>(richtext::StyleValue(s, richtext::pfColour)) & 0xFFFFFF;
    f.bits = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfStyle) & 15);
    f.pos = static_cast<std::uint8_t>(richtext::StyleValue(s, richtext::pfPosition));
    return f;
}

std::string HtmlSize(std::int32_t size) {
    int n = 7;
    for (int i = 0; i < 7; ++i)
        if (kHtmlSizes[i] >= size) {
            n = i + 1;
            break;
        }
    const int d = n - 3;
    return (d < 0 ? "-" : "+") + std::to_string(d < 0 ? -d : d);
}

}  // namespace

// ---------------------------------------------------------------------------
// Escapes

std::string TNYXtoHtml::EscapeText(std::string_view s) {
    std::string o;
    o.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            case '\0': break;
            default: o += c;
        }
    }
    return o;
}

std::string TNYXtoHtml::EscapeUrl(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = platform::text::Cp1252ToUtf8(s);
    std::string o;
    for (unsigned char c : utf8) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`' || c == '\\' || c == '\'') {
            o += '%';
            o += kHex[c >> 4];
            o += kHex[c & 15];
        } else if (c == '&') {
            o += "&amp;";
        } else {
            o += static_cast<char>(c);
        }
    }
    return o;
}

std::string TNYXtoHtml::CleanAttribute(std::string_view s) {
    std::string o(s);
    for (char& ch : o) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"') ch = static_cast<char>(148);
        else if (c == '\'') ch = static_cast<char>(146);
        else if (c < 32 || c == 127 || c == '<' || c == '>' || c == '#' || c == '$' || c == '%' || c == '&') ch = ' ';
    }
    return o;
}

std::string TNYXtoHtml::ColourText(std::uint32_t c) {
    std::string s;
    markup::AppendColourHex(s, c & 0xFFFFFF);
    return s;
}

// ---------------------------------------------------------------------------
// Names

void TNYXtoHtml::ResetRun() {
    report_ = {};
    frames_.clear();
    files_.clear();
    fileSet_.clear();
    fileNames_.clear();
    usedNames_.clear();
}

int TNYXtoHtml::StartPage() const { return LinkedNYXset ? LinkedNYXset->HInt(model::hdr::kCoverPage) : 0; }

std::string TNYXtoHtml::FileNameOf(const TNYXoggetto& o) {
    const std::int32_t ref = o.Reference();
    if (auto it = fileNames_.find(ref); it != fileNames_.end()) return it->second;
    const std::string orig = o.GetFileName();
    const std::string ext = Lower(FileExt(orig));
    const std::string D = options.expSepImage ? "images/" : "";
    const std::string tag = o.Type() == model::immagine ? "_i" : "_g";
    const std::string generated = ExportPrefix() + tag + Hex6(o.Index()) + FileExt(SafeLeafName(orig));
    std::string name;
    const bool keepOrig = options.expOrigName || (o.Type() == model::genLink && (ext == ".cla" || ext == ".mov"));
    if (keepOrig) {
        name = SafeLeafName(orig);
        if (name.empty()) {
            Problem("Nome file non valido, rinominato: \"" + orig + "\" -> \"" + generated + "\"");
            name = generated;
        } else if (name != orig) {
            Problem("Nome file con cartella, usato solo il nome: \"" + orig + "\" -> \"" + name + "\"");
        }
        if (usedNames_.count(Lower(name))) {
            // Two objects with the same original name never overwrite each other.
            const std::string e = FileExt(name);
            std::string renamed = name.substr(0, name.size() - e.size()) + "_" + Hex6(o.Index()) + e;
            for (int n = 2; usedNames_.count(Lower(renamed)); ++n)
                renamed = name.substr(0, name.size() - e.size()) + "_" + Hex6(o.Index()) + "_" + Str(n) + e;
            Problem("Nome file gi\xE0 usato, rinominato: \"" + name + "\" -> \"" + renamed + "\"");
            name = renamed;
        }
    } else {
        name = generated;
    }
    usedNames_.insert(Lower(name));
    name = D + name;
    fileNames_[ref] = name;
    return name;
}

std::string TNYXtoHtml::PageFileName(const TNYXoggetto* o, int kind) {
    if (!Exists(o)) return {};
    const std::string P = ExportPrefix();
    const char L = kind == 0 ? '_' : kind == 1 ? '-' : '=';
    switch (o->Type()) {
        case model::testoHtml:
            if (static_cast<int>(o->Index()) == StartPage()) return P + L + "index" + Ext();
            return P + L + Hex6(o->Index()) + Ext();
        case model::internetLink: {
            const std::string address = o->GetName();
            if (LinkedNYXset) {
                model::HypertextLink h = LinkedNYXset->ParseHypertextLink(address);
                if (h.isLink) {
                    if (h.sameFile) {
                        return PageFileName(LinkedNYXset->ObjectAt(model::testoHtml, h.page), kind);
                    }
                    std::string name = TNYXset::ForeignPageFileName(h.file, h.page, Ext());
                    if (name.empty()) return address;
                    fs::path rel = h.file.parent_path().lexically_relative(LinkedNYXset->NYXFileName().parent_path());
                    std::string folder = rel.empty() || rel == "." ? "" : platform::text::Utf8ToCp1252(rel.generic_string()) + "/";
                    return folder + name;
                }
            }
            return address;
        }
        case model::genLink:
        case model::zipLink:
        case model::immagine:
            return FileNameOf(*o);
        case model::immagineNew:
            if (LinkedNYXset)
                return PageFileName(LinkedNYXset->ObjectByRef(present::TPictureData(*o).PictureRef()), kind);
            return {};
        default:
            return {};
    }
}

void TNYXtoHtml::AddFile(std::int32_t ref) {
    if (!LinkedNYXset) return;
    TNYXoggetto* o = LinkedNYXset->ObjectByRef(ref);
    if (!Exists(o)) return;
    if (o->Type() == model::immagineNew) {
        AddFile(present::TPictureData(*o).PictureRef());
        return;
    }
    if (o->Type() != model::immagine && o->Type() != model::genLink && o->Type() != model::zipLink) return;
    if (fileSet_.insert(o->Reference()).second) files_.push_back(o->Reference());
}

void TNYXtoHtml::AddFrame(std::int32_t pageRef) { frames_.push_back(pageRef); }

// ---------------------------------------------------------------------------
// Style sheet

std::string TNYXtoHtml::StyleSheetText() const {
    std::string o = std::string("/* ") + kGenerator + " automatic CSS */\r\n\r\n";
    if (!LinkedNYXset) return o;
    const TNYXset& set = *LinkedNYXset;
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        const TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (!Exists(s)) continue;
        using namespace richtext;
        std::string name = s->GetName();
        for (std::size_t p; (p = name.find("*/")) != std::string::npos;) name.replace(p, 2, "* /");
        const TFont f = StyleFont(s);
        const int unit = StyleValue(s, pfUnit);
        const std::string n = std::to_string(i);
        o += "/* " + name + " */\r\n" + "DIV.s" + n + " {\r\n";
        std::string face = f.face;
        face.erase(std::remove_if(face.begin(), face.end(), [](char c) { return c == '"' || c == '\\' || c == '}' || c == '{' || c == ';'; }), face.end());
        o += "\tfont-family:\"" + face + "\";\r\n\tfont-size:" + Str(f.size) + "pt;\r\n\tcolor:#" + ColourText(f.colour) + ";\r\n";
        if (f.bits & kItalic) o += "\tfont-style:italic;\r\n";
        if (f.bits & kBold) o += "\tfont-weight:bold;\r\n";
        if (f.bits & kUnderline) o += "\ttext-decoration:underline;\r\n";
        else if (f.bits & kStrikeOut) o += "\ttext-decoration:line-through;\r\n";
        const std::int32_t lh = StyleValue(s, pfLineHeight);
        if (lh != -32000 && lh > 0) o += "\tline-height:" + LengthText(lh, unit) + ";\r\n";
        o += "\tmargin-left:" + LengthText(StyleValue(s, pfLeft), unit) + ";\r\n";
        o += "\tmargin-right:" + LengthText(StyleValue(s, pfRight), unit) + ";\r\n";
        o += "\tmargin-top:" + LengthText(StyleValue(s, pfAbove), unit) + ";\r\n";
        o += "\tmargin-bottom:" + LengthText(StyleValue(s, pfBelow), unit) + ";\r\n";
        o += "\ttext-indent:" + LengthText(StyleValue(s, pfIndent), unit) + ";\r\n";
        o += "\ttext-align:" + AlignWord(StyleValue(s, pfAlign)) + ";\r\n";
        const int list = StyleValue(s, pfList);
        o += list == 6 ? "\tlist-style-type:decimal;" : list == 10 ? "\tlist-style-type:disc;" : "\tlist-style-type:none;";
        o += "\t}\r\n";
        const int lbits = StyleValue(s, pfLinkStyle);
        o += "A.s" + n + " {\r\n\tcolor:#" + ColourText(static_cast<std::uint32_t>(StyleValue(s, pfLinkColour))) + ";\r\n";
        if (StyleValue(s, pfLinkSize) > 0) o += "\tfont-size:" + Str(StyleValue(s, pfLinkSize)) + "pt;\r\n";
        if (lbits & kItalic) o += "\tfont-style:italic;\r\n";
        if (lbits & kBold) o += "\tfont-weight:bold;\r\n";
        if (!(lbits & kUnderline)) o += "\ttext-decoration:none;\r\n";
        else if (lbits & kStrikeOut) o += "\ttext-decoration:line-through;\r\n";
        o += "\t}\r\n";
    }
    return o;
}

bool TNYXtoHtml::WriteFile(const fs::path& rel, const std::string& bytes) {
    const fs::path target = ExportPath / fs::path(platform::text::Cp1252ToUtf8(rel.generic_string()));
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream f(target, std::ios::binary | std::ios::trunc);
    if (f) f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f || !f.flush()) {
        Problem("Errore nella scrittura del file: \"" + platform::text::Utf8ToCp1252(target.string()) + "\"");
        return false;
    }
    return true;
}

bool TNYXtoHtml::WriteStyleSheet() { return WriteFile(StyleSheetName(), platform::text::Cp1252ToUtf8(StyleSheetText())); }

// ---------------------------------------------------------------------------
// Documents and the text walk

struct TDocContext {
    int kind = 0;
    int flags = 0;  // 1 browser, 2 rollover, 4 close, 8 open, 16 plain open
    std::vector<std::int32_t> rollovers;
    const TNYXoggetto* page = nullptr;  // the page whose text is being written
};

class TTextWalk {
public:
    TTextWalk(TNYXtoHtml& x, TDocContext& doc, std::string& out) : x_(x), set_(*x.LinkedNYXset), doc_(doc), out_(out) {
        states_.emplace_back();
    }
    void Walk(std::string_view text);
    std::string Expand(const TNYXoggetto& o);

private:
    struct TInline {
        std::string name, open;
    };
    struct TTable {
        const TNYXoggetto* t;
        int k;
    };
    TState& S() { return states_.back(); }

    // Inline elements are kept well nested: closing one closes what was
    // opened inside it and opens those again.
    void Open(const std::string& name, const std::string& tag) {
        out_ += tag;
        inline_.push_back({name, tag});
    }
    void Close(const std::string& name) {
        auto it = std::find_if(inline_.rbegin(), inline_.rend(), [&](const TInline& e) { return e.name == name; });
        if (it == inline_.rend()) return;
        const std::size_t at = static_cast<std::size_t>(inline_.rend() - it) - 1;
        std::vector<TInline> above(inline_.begin() + static_cast<std::ptrdiff_t>(at) + 1, inline_.end());
        for (std::size_t i = above.size(); i-- > 0;) out_ += "</" + above[i].name + ">";
        out_ += "</" + name + ">";
        inline_.resize(at);
        for (auto& e : above) Open(e.name, e.open);
    }
    void CloseAllInline() {
        while (!inline_.empty()) {
            out_ += "</" + inline_.back().name + ">";
            inline_.pop_back();
        }
    }
    void RunClosing() {
        if (S().bits & richtext::kItalic) Close("I");
        if (S().bits & richtext::kBold) Close("B");
        if (S().pos == 1) Close("SUB");
        if (S().pos == 2) Close("SUP");
        if (S().fontOpen) Close("FONT");
        S().fontOpen = false;
    }
    void ParagraphClosing() {
        if (!paraOpen_) return;
        CloseLink();
        RunClosing();
        CloseAllInline();
        if (S().numbering == 10) out_ += "</LI>";
        out_ += "</DIV>\r\n";
        paraOpen_ = false;
    }
    void CloseLink() {
        if (link_) Close("A");
        link_ = nullptr;
    }
    std::string FontTag(const TFont& b, const TFont& r) const;
    void WritePending();
    void Char(unsigned char c);
    void Paragraph(const markup::Token& t);
    void RunFormat(const markup::Token& t);
    void Object(std::int32_t ref);
    void OpenLink(const TNYXoggetto& l);
    std::string LinkStartTag(const TNYXoggetto& l);
    std::string TargetPart(const TNYXoggetto& l);
    std::string TargetFile(const TNYXoggetto& l, bool addFrame);
    std::string WindowCall(int mode, const TNYXoggetto& l, bool withFeatures, int anchor);
    std::string Features(const TNYXoggetto& l);
    void Picture(const TNYXoggetto& o);
    void TableStart(const TNYXoggetto& o);
    void NextCell();
    std::string Background(std::int32_t v);
    void FormStart(const TNYXoggetto& o);
    void FormField(const TNYXoggetto& o);
    void Button(const TNYXoggetto& o);
    void Multimedia(const TNYXoggetto& o);
    std::string Custom(const TNYXoggetto& component);
    std::string File(std::int32_t ref) {
        x_.AddFile(ref);
        return TNYXtoHtml::EscapeUrl(x_.PageFileName(set_.ObjectByRef(ref), 2));
    }
    const TNYXoggetto* Obj(std::int32_t ref) const {
        const TNYXoggetto* o = set_.ObjectByRef(ref);
        return Exists(o) ? o : nullptr;
    }

    TNYXtoHtml& x_;
    TNYXset& set_;
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
    const TNYXoggetto* link_ = nullptr;
    int listCounter_ = 1;
    int formCounter_ = 0;
    bool formOpen_ = false;
    std::size_t divPos_ = std::string::npos;
    std::vector<TTable> tables_;
    std::vector<TState> savedForTable_;
    std::vector<bool> savedPara_;
    std::string_view text_;

public:
    int depth_ = 0;
};

std::string TTextWalk::FontTag(const TFont& b, const TFont& r) const {
    std::string attr, style;
    const bool isDefault = Upper(r.face) == "TIMES NEW ROMAN" && r.size == 12 && r.colour == 0;
    if (!isDefault) {
        if (r.size != 12) attr += " SIZE=" + HtmlSize(r.size);
        if (r.colour != 0) attr += " COLOR=#" + TNYXtoHtml::ColourText(r.colour);
        if (Upper(r.face) != "TIMES NEW ROMAN") attr += " FACE=\"" + TNYXtoHtml::EscapeText(r.face) + "\"";
    }
    if (r.colour != b.colour) style += "color:#" + TNYXtoHtml::ColourText(r.colour) + ";";
    if (r.face != b.face) style += "font-family:&quot;" + TNYXtoHtml::EscapeText(r.face) + "&quot;;";
    if (r.size != b.size) style += "font-size:" + Str(r.size) + "pt;";
    if ((r.bits & 15) != (b.bits & 15)) {
        if ((b.bits & richtext::kBold) && !(r.bits & richtext::kBold)) style += "font-weight:normal;";
        if ((b.bits & richtext::kItalic) && !(r.bits & richtext::kItalic)) style += "font-style:normal;";
        if ((r.bits & 12) != (b.bits & 12)) {
            if (r.bits & richtext::kUnderline) style += "text-decoration:underline;";
            else if (r.bits & richtext::kStrikeOut) style += "text-decoration:line-through;";
            else style += "text-decoration:normal;";
        }
    }
    if (attr.empty() && style.empty()) return {};
    return "<FONT" + (style.empty() ? std::string() : " style='" + style + "'") + attr + ">";
}

void TTextWalk::WritePending() {
    if (!pending_) return;
    TState& s = S();
    const bool fontChange = !(R_.colour == s.colour && R_.face == s.face && R_.size == s.size && R_.bits == s.bits);
    const std::string F = FontTag(B_, R_);
    const bool incremental = F.empty() && !(fontChange && s.fontOpen);
    const bool sb = s.bits & richtext::kBold, si = s.bits & richtext::kItalic;
    const bool rb = R_.bits & richtext::kBold, ri = R_.bits & richtext::kItalic;
    if (incremental) {
        if (si && !ri) Close("I");
        if (sb && !rb) Close("B");
        if (s.pos != R_.pos) {
            if (s.pos == 1) Close("SUB");
            if (s.pos == 2) Close("SUP");
        }
    } else {
        if (si) Close("I");
        if (sb) Close("B");
        if (s.pos == 1) Close("SUB");
        if (s.pos == 2) Close("SUP");
    }
    if (fontChange) {
        if (s.fontOpen) Close("FONT");
        s.fontOpen = false;
        if (!F.empty()) {
            Open("FONT", F);
            s.fontOpen = true;
        }
    }
    if (incremental) {
        if (rb && !sb) Open("B", "<B>");
        if (ri && !si) Open("I", "<I>");
        if (s.pos != R_.pos) {
            if (R_.pos == 1) Open("SUB", "<SUB>");
            if (R_.pos == 2) Open("SUP", "<SUP>");
        }
    } else {
        if (rb) Open("B", "<B>");
        if (ri) Open("I", "<I>");
        if (R_.pos == 1) Open("SUB", "<SUB>");
        if (R_.pos == 2) Open("SUP", "<SUP>");
    }
    s.colour = R_.colour;
    s.size = R_.size;
    s.face = R_.face;
    s.bits = R_.bits;
    s.pos = R_.pos;
    pending_ = false;
}

void TTextWalk::Char(unsigned char c) {
    if (c == ' ') {
        if (space_) c = 160;
        else space_ = true;
    } else {
        space_ = false;
    }
    WritePending();
    if (c < 32) return;
    if (c == '&') out_ += "&amp;";
    else if (c == '<') out_ += "&lt;";
    else if (c == '>') out_ += "&gt;";
    else if (c >= 160 && c <= 251) {
        out_ += '&';
        out_ += markup::EntityName(c);
        out_ += ';';
    } else {
        out_ += static_cast<char>(c);
    }
}

void TTextWalk::Paragraph(const markup::Token& t) {
    using markup::TParamCursor;
    using R = TParamCursor::Result;
    space_ = false;
    std::size_t b = t.begin + 2;
    const std::string_view data = text_;
    if (b < t.end && data[b] == ' ') ++b;
    TParamCursor pc(data, b, t.truncated ? t.end : t.end - 1);
    std::int32_t n = 0;
    const TNYXoggetto* style = nullptr;
    if (pc.Number('S', n) == R::Ok) {
        styleNo_ = n;
        style = n >= 0 ? set_.ObjectAt(model::stileParagrafo, n) : nullptr;
        if (Exists(style)) {
            B_ = StyleFont(style);
            defLinkSize_ = richtext::StyleValue(style, richtext::pfLinkSize);
            defLinkColour_ = static_cast<std::uint32_t>(richtext::StyleValue(style, richtext::pfLinkColour)) & 0xFFFFFF;
            defLinkBits_ = static_cast<std::uint8_t>(richtext::StyleValue(style, richtext::pfLinkStyle) & 15);
        } else {
            style = nullptr;
        }
    }
    link_ = nullptr;
    if (paraOpen_) {
        out_ += "&nbsp;";
        ParagraphClosing();
    }
    divPos_ = out_.size();
    std::string div = "<DIV";
    R_ = B_;
    {
        std::uint32_t c = 0;
        if (pc.Colour('c', c) == R::Ok) R_.colour = c;
        std::string face;
        if (pc.FontName('F', face) == R::Ok && !face.empty()) R_.face = face;
        std::int32_t v = 0;
        if (pc.Number('s', v) == R::Ok) R_.size = v;
        if (pc.Number('y', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v & 15);
        if (pc.Number('p', v) == R::Ok) R_.pos = static_cast<std::uint8_t>(v & 0x7F);
    }
    TState& s = S();
    const TNYXoggetto* st = style;
    s.align = st ? richtext::StyleValue(st, richtext::pfAlign) : 0;
    s.numbering = st ? richtext::StyleValue(st, richtext::pfList) : 0;
    s.unit = st ? richtext::StyleValue(st, richtext::pfUnit) : 0;
    s.linkColour = defLinkColour_;
    s.linkSize = defLinkSize_;
    s.linkBits = defLinkBits_;
    std::string inl;
    const bool css = x_.options.expCSS == ecUseCSS;
    std::int32_t v = 0;
    pc.Number('P', v);
    if (pc.Number('A', v) == R::Ok) {
        s.align = v;
        if (css) inl += "text-align: " + AlignWord(v) + ";";
    }
    if (pc.Number('N', v) == R::Ok) {
        s.numbering = v;
        if (css) inl += v == 6 ? "list-style-type:decimal;" : v == 10 ? "list-style-type:disc;" : "list-style-type:none;";
    }
    if (pc.Number('M', v) == R::Ok) s.unit = v;
    const std::pair<char, const char*> lengths[] = {{'L', "line-height: "}, {'I', "text-indent: "}, {'l', "margin-left: "},
                                                    {'r', "margin-right: "}, {'t', "margin-top: "}, {'b', "margin-bottom: "}};
    for (auto& [key, prop] : lengths)
        if (pc.Number(key, v) == R::Ok && css) inl += std::string(prop) + LengthText(v, s.unit) + ";";
    std::uint32_t lc = 0;
    if (pc.Colour('C', lc) == R::Ok) s.linkColour = lc;
    if (pc.Number('S', v) == R::Ok) s.linkSize = v;
    if (pc.Number('Y', v) == R::Ok) s.linkBits = static_cast<std::uint8_t>(s.linkBits | (v & 7));
    if (s.align != 0) div += " ALIGN=" + AlignWord(s.align);
    div += " class=s" + Str(styleNo_) + " ";
    div += inl.empty() ? ">" : " style='" + inl + "'>";
    out_ += div + "\r\n";
    if (s.numbering == 0) listCounter_ = 1;
    else if (s.numbering == 6) out_ += "<!--lisnum-->" + Str(listCounter_++) + ". <!--/lisnum-->";
    else if (s.numbering == 10) {
        out_ += "<LI>";
        listCounter_ = 1;
    }
    s.colour = R_.colour;
    s.size = R_.size;
    s.face = R_.face;
    s.bits = R_.bits;
    s.pos = R_.pos;
    s.fontOpen = false;
    const std::string F = FontTag(B_, R_);
    if (!F.empty()) {
        Open("FONT", F);
        s.fontOpen = true;
    }
    if (R_.bits & richtext::kBold) Open("B", "<B>");
    if (R_.bits & richtext::kItalic) Open("I", "<I>");
    if (R_.pos == 1) Open("SUB", "<SUB>");
    if (R_.pos == 2) Open("SUP", "<SUP>");
    pending_ = false;
    paraOpen_ = true;
}

void TTextWalk::RunFormat(const markup::Token& t) {
    using R = markup::TParamCursor::Result;
    if (!pending_) R_ = B_;
    std::size_t b = t.begin + 2;
    if (b < t.end && text_[b] == ' ') ++b;
    markup::TParamCursor pc(text_, b, t.truncated ? t.end : t.end - 1);
    std::uint32_t c = 0;
    if (pc.Colour('c', c) == R::Ok) R_.colour = c;
    std::string face;
    if (pc.FontName('F', face) == R::Ok && !face.empty()) R_.face = face;
    std::int32_t v = 0;
    if (pc.Number('s', v) == R::Ok) R_.size = v;
    if (pc.Number('i', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v == 1 ? R_.bits | richtext::kItalic : R_.bits & ~richtext::kItalic);
    if (pc.Number('g', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v == 1 ? R_.bits | richtext::kBold : R_.bits & ~richtext::kBold);
    if (pc.Number('y', v) == R::Ok) R_.bits = static_cast<std::uint8_t>(v & 15);
    if (pc.Number('p', v) == R::Ok) R_.pos = static_cast<std::uint8_t>(v & 0x7F);
    pending_ = true;
}

void TTextWalk::Walk(std::string_view text) {
    text_ = text;
    markup::TMarkupLexer lx(text);
    bool stop = false;
    while (!stop) {
        const markup::Token t = lx.Next();
        switch (t.kind) {
            case markup::TokenKind::End:
            case markup::TokenKind::Nul: stop = true; break;
            case markup::TokenKind::Text:
                for (std::size_t i = t.begin; i < t.end; ++i) Char(static_cast<unsigned char>(text[i]));
                break;
            case markup::TokenKind::Entity:
                WritePending();
                space_ = false;
                Char(static_cast<unsigned char>(t.ch == ' ' ? ' ' : t.ch));
                break;
            case markup::TokenKind::Tag: {
                if (t.truncated && t.letter != 'T') {
                    stop = true;
                    break;
                }
                switch (t.letter) {
                    case '$': {
                        std::uint32_t key = 0;
                        WritePending();
                        if (markup::ParseRefTag(text, t, key)) Object(static_cast<std::int32_t>(key));
                        break;
                    }
                    case '%':
                        CloseLink();
                        break;
                    case 'D':
                    case 'F':
                    case 'R': {
                        const std::string close = std::string("<") + static_cast<char>(t.letter - 'A' + 'a') + ">";
                        const std::size_t at = text.find(close, t.end);
                        if (at == std::string_view::npos) stop = true;
                        else lx.Seek(at + close.size());
                        break;
                    }
                    case 'T':
                        NextCell();
                        break;
                    case 'Y': RunFormat(t); break;
                    case 'Z': Paragraph(t); break;
                    default: break;
                }
                break;
            }
        }
    }
    // Tables left open by a damaged text are closed, then the text itself.
    while (!tables_.empty()) {
        const present::TTableData td(*tables_.back().t);
        const int cells = td.Rows() * td.Columns();
        if (tables_.back().k < cells) tables_.back().k = cells;
        NextCell();
    }
    WritePending();
    if (paraOpen_) out_ += "&nbsp;";
    CloseLink();
    ParagraphClosing();
    CloseAllInline();
    if (formOpen_) out_ += "</FORM>\r\n";
    formOpen_ = false;
}

std::string TTextWalk::TargetFile(const TNYXoggetto& l, bool addFrame) {
    const TNYXoggetto* target = Obj(l.Int(13));
    if (!target) return {};
    if (target->Type() != model::testoHtml) return TNYXtoHtml::EscapeUrl(x_.PageFileName(target, 0));
    const bool frameFlag = l.Byte(17) == 1;
    std::string f = x_.PageFileName(target, frameFlag ? 0 : 1);
    if (!frameFlag && addFrame) x_.AddFrame(target->Reference());
    return TNYXtoHtml::EscapeUrl(f);
}

std::string TTextWalk::Features(const TNYXoggetto& l) {
    std::string rec;
    if (!l.HasFirstStream() || !l.ReadFirstStream(rec) || rec.size() < 22) return ",''";
    const auto* p = reinterpret_cast<const std::uint8_t*>(rec.data());
    auto w = [&](int off) { return static_cast<int>(static_cast<std::int16_t>(p[off] | (p[off + 1] << 8))); };
    const int top = w(0), left = w(2), width = w(4), height = w(6), sx = w(8), sy = w(10);
    std::vector<std::string> items;
    if (width != -20000) {
        items.push_back("height=" + Str(height));
        items.push_back("width=" + Str(width));
    }
    if (sx != -20000) items.push_back("screenX=" + Str(sx));
    if (top != -20000) items.push_back("left=" + Str(left));
    if (sx != -20000) items.push_back("screenY=" + Str(sy));
    if (top != -20000) items.push_back("top=" + Str(top));
    const char* names[] = {"dependent=", "fullscreen=", "location=", "menubar=", "resizable=", "scrollbars=", "status=", "toolbar="};
    const int offs[] = {13, 15, 16, 17, 18, 19, 20, 21};
    for (int i = 0; i < 8; ++i) items.push_back(names[i] + Str(p[offs[i]]));
    std::string s = ",'";
    for (std::size_t i = 0; i < items.size(); ++i) s += (i ? "," : "") + items[i];
    return s + "'";
}

std::string TTextWalk::WindowCall(int mode, const TNYXoggetto& l, bool withFeatures, int anchor) {
    const std::string name = ScriptString(TNYXtoHtml::CleanAttribute(l.Str(19, 19)));
    const std::string file = ScriptString(TargetFile(l, true));
    std::string s;
    if (mode == 0 || mode == 3) s += "javascript:";
    if (mode == 1) s += "\r\n<SCRIPT>\r\n<!--//\r\n  " + name + "=";
    if (mode == 0 || mode == 1) s += "QuorF_open('" + file;
    else if (mode == 2) s += file;
    else {
        s += "QuorF_openB('" + file;
        doc_.flags |= 16;
    }
    if ((mode == 0 || mode == 2) && anchor != -1) s += "#an" + Str(anchor);
    if (mode == 0 || mode == 1) {
        const int page = doc_.page ? static_cast<int>(doc_.page->Index()) : 0;
        s += "','" + name + "'" + (withFeatures ? Features(l) : std::string(",''")) + ",'Pag" + Str(page) + "');";
        doc_.flags |= 8;
    } else if (mode == 3) {
        s += "');";
    }
    if (mode == 1) s += "\r\n//-->\r\n</SCRIPT>\r\n";
    return s;
}

std::string TTextWalk::TargetPart(const TNYXoggetto& l) {
    if (l.Type() != model::speclink) return "HREF=\"" + TNYXtoHtml::EscapeUrl(x_.PageFileName(&l, 0)) + "\" ";
    std::string part;
    const int anchor = l.Int(9);
    auto T = [&]() {
        std::string f = TargetFile(l, true);
        if (anchor >= 0) f += "#an" + Str(anchor);
        return f;
    };
    const std::string win = TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(l.Str(19, 19)));
    switch (l.Subtype()) {
        case 1:
            switch (l.Byte(18)) {
                case 0: part = "TARGET=_self HREF=\"" + T() + "\""; break;
                case 1: part = "TARGET=\"" + win + "\" HREF=\"" + T() + "\""; break;
                case 3:
                    part = "HREF=\"javascript:QuorF_openB('" + ScriptString(TargetFile(l, true)) + "');\"";
                    doc_.flags |= 16;
                    break;
                case 5: part = "HREF=\"" + T() + "\""; break;
                case 6: part = "HREF=\"#an" + Str(anchor) + "\" TARGET=_self"; break;
                default: {
                    const int m = l.Byte(18);
                    part = "HREF=\"" + TNYXtoHtml::EscapeText(WindowCall(0, l, m == 2 || m == 4, anchor)) + "\"";
                }
            }
            break;
        case 2:
            part = "HREF=\"javascript:QuorF_close('" + ScriptString(win) + "');\" ";
            doc_.flags |= 4;
            break;
        case 4:
        case 5: {
            // The page before or after by chapter and position, when it is exported too.
            std::string f;
            if (doc_.page) {
                const TNYXoggetto* to =
                    l.Subtype() == 4 ? model::PreviousPage(set_, *doc_.page) : model::NextPage(set_, *doc_.page);
                const auto& order = x_.pageOrder;
                if (to && std::find(order.begin(), order.end(), static_cast<std::int32_t>(to->Index())) != order.end())
                    f = x_.PageFileName(to, 0);
            }
            part = "HREF=\"" + TNYXtoHtml::EscapeUrl(f.empty() ? "#" : f) + "\"";
            break;
        }
        default: part = "HREF=\"#\""; break;
    }
    return part + " " + Expand(l);
}

std::string TTextWalk::LinkStartTag(const TNYXoggetto& l) {
    std::string tag = "<A class=s" + Str(styleNo_) + " ";
    const TState& s = S();
    std::string diff;
    if (s.linkColour != defLinkColour_) diff += "color:#" + TNYXtoHtml::ColourText(s.linkColour) + ";";
    if (s.linkSize != defLinkSize_) diff += "font-size:" + Str(s.linkSize) + "pt;";
    const std::uint8_t d = s.linkBits ^ defLinkBits_;
    if (d & richtext::kBold) diff += (s.linkBits & richtext::kBold) ? "font-weight:bold;" : "font-weight:normal;";
    if (d & richtext::kItalic) diff += (s.linkBits & richtext::kItalic) ? "font-style:italic;" : "font-style:normal;";
    if (d & richtext::kUnderline) diff += (s.linkBits & richtext::kUnderline) ? "text-decoration:underline;" : "text-decoration:normal;";
    if (!diff.empty()) tag += "style='" + diff + "' ";
    return tag + TargetPart(l) + " >";
}

void TTextWalk::OpenLink(const TNYXoggetto& l) {
    CloseLink();
    if (l.Type() == model::genLink) x_.AddFile(l.Reference());
    link_ = &l;
    Open("A", LinkStartTag(l));
}

void TTextWalk::Object(std::int32_t ref) {
    const TNYXoggetto* o = Obj(ref);
    if (!o) return;
    switch (o->Type()) {
        case model::testoHtml:
        case model::internetLink:
        case model::zipLink:
        case model::genLink:
        case model::programma:
        case model::speclink: OpenLink(*o); break;
        case model::immagine:
        case model::mappaClic: x_.Problem("bug: ogg immagine non deve esser presente qui"); break;
        case model::shortObj:
            switch (o->Subtype()) {
                case 10: {
                    std::string c;
                    if (o->HasFirstStream()) o->ReadFirstStream(c);
                    out_ += "<!--" + CommentSafe(c) + "-->";
                    break;
                }
                case 11: out_ += Expand(*o); break;
                case 13: {
                    const TNYXoggetto* l = Obj(o->Int(5));
                    if (!l || l->Type() != model::speclink) break;
                    if (l->Subtype() == 2) {
                        const std::string n = ScriptString(TNYXtoHtml::CleanAttribute(l->Str(19, 19)));
                        out_ += "\r\n<SCRIPT><!--//\r\n  " + n + "=open('','" + n + "' );\r\n  " + n + ".close( );\r\n//--></SCRIPT>\r\n";
                    } else {
                        const int m = l->Byte(18);
                        out_ += WindowCall(1, *l, m == 2 || m == 4, -1);
                    }
                    break;
                }
                case 14: {
                    std::string reopen;
                    if (link_) {
                        auto it = std::find_if(inline_.rbegin(), inline_.rend(), [](const TInline& e) { return e.name == "A"; });
                        if (it != inline_.rend()) reopen = it->open;
                        Close("A");
                    }
                    out_ += "<A NAME=\"an" + Str(o->Int(5)) + "\"></A>";
                    if (link_ && !reopen.empty()) Open("A", reopen);
                    break;
                }
                default: break;
            }
            break;
        case model::immagineNew: Picture(*o); break;
        case model::tabellaHtml: TableStart(*o); break;
        case model::inizioForm: FormStart(*o); break;
        case model::inputStat: FormField(*o); break;
        case model::bottoneCGI: Button(*o); break;
        case model::multiMedia: Multimedia(*o); break;
        default: break;
    }
}

void TTextWalk::Picture(const TNYXoggetto& o) {
    const present::TPictureData pd(o);
    const std::string n = Hex6(o.Index());
    const std::int32_t pic = pd.PictureRef();
    if (!Obj(pic)) {
        x_.Problem("Immagine mancante: \"" + o.GetName() + "\"");
        return;
    }
    const std::string file = File(pic);
    const bool low = Obj(pd.LowResRef()) != nullptr, roll = Obj(pd.RolloverRef()) != nullptr;
    const std::string lowFile = low ? File(pd.LowResRef()) : "";
    const std::string rollFile = roll ? File(pd.RolloverRef()) : "";
    const bool map = pd.HasMap();
    if (map) {
        out_ += "<MAP NAME=ma" + n + " >\r\n";
        for (int i = 0; i < present::TPictureData::kZones; ++i) {
            const present::TZoneData z = pd.Zone(i);
            if (z.link < 0) continue;
            const TNYXoggetto* l = Obj(z.link);
            if (!l) continue;
            const std::string desc = TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(l->DescriptionTitle()));
            out_ += "<AREA COORDS=" + Str(z.left) + "," + Str(z.top) + "," + Str(z.left + z.width) + "," + Str(z.top + z.height) +
                    " " + TargetPart(*l);
            if (x_.options.expAlt) out_ += " ALT=\"" + desc + "\"";
            out_ += " TITLE=\"" + desc + "\">\r\n";
        }
        out_ += "</MAP>\r\n";
    }
    bool ownAnchor = false;
    if (roll) {
        const std::string over = " onMouseOver=\"QuorF_over('i" + n + "','" + ScriptString(rollFile) + "');\"" +
                                 " onMouseOut=\"QuorF_over('i" + n + "','" + ScriptString(file) + "');\" >";
        if (link_) {
            auto it = std::find_if(inline_.rbegin(), inline_.rend(), [](const TInline& e) { return e.name == "A"; });
            std::string open = it != inline_.rend() ? it->open : "<A ";
            if (open.size() >= 2 && open.compare(open.size() - 2, 2, " >") == 0) open.resize(open.size() - 2);
            Close("A");
            Open("A", open + over);
        } else {
            const std::string self = doc_.page ? x_.PageFileName(doc_.page, doc_.kind) : "";
            out_ += "<A HREF=\"" + TNYXtoHtml::EscapeUrl(self) + "\" " + over;
            ownAnchor = true;
        }
        doc_.flags |= 1 | 2;
        if (std::find(doc_.rollovers.begin(), doc_.rollovers.end(), pd.RolloverRef()) == doc_.rollovers.end())
            doc_.rollovers.push_back(pd.RolloverRef());
    }
    out_ += "<IMG SRC=\"" + file + "\" BORDER=0 ALIGN=" + PictureAlignWord(pd.Alignment()) + " ALT=\"" +
            TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(pd.AltText())) + "\"";
    if (roll) out_ += " NAME=i" + n;
    if (map) out_ += " USEMAP=#ma" + n;
    if (low) out_ += " LOWSRC=\"" + lowFile + "\"";
    out_ += " WIDTH=" + Str(pd.Width()) + " HEIGHT=" + Str(pd.Height()) + " " + Expand(o) + " >";
    if (ownAnchor) out_ += "</A>";
}

std::string TTextWalk::Background(std::int32_t v) {
    switch (present::BackgroundKind(v)) {
        case present::TBackgroundKind::kColour: return " BGCOLOR=#" + TNYXtoHtml::ColourText(static_cast<std::uint32_t>(v));
        case present::TBackgroundKind::kPicture: {
            const std::int32_t ref = model::MakeRef(model::immagine, static_cast<std::uint32_t>(v) & 0xFFFFFF);
            if (!Obj(ref)) return {};
            return " background=\"" + File(ref) + "\"";
        }
        default: return {};
    }
}

void TTextWalk::TableStart(const TNYXoggetto& o) {
    const present::TTableData td(o);
    space_ = false;
    listCounter_ = 1;
    CloseLink();
    RunClosing();
    CloseAllInline();
    savedForTable_.push_back(S());
    savedPara_.push_back(paraOpen_);
    states_.push_back(TState{});
    tables_.push_back({&o, 0});
    const std::string width = td.WidthIsPercent() ? Str(td.PercentWidth()) + "%" : Str(td.PixelWidth());
    out_ += "<TABLE WIDTH=" + width + " BORDER=" + Str(td.Border()) + " CELLPADDING=" + Str(td.Padding()) +
            " CELLSPACING=" + Str(td.Spacing()) + Background(td.Background()) + " " + Expand(o) + ">\r\n";
    paraOpen_ = false;
    if (td.Rows() <= 0 || td.Columns() <= 0) {
        // A table without cells is an empty table; its text has no cells.
        out_ += "</TABLE>";
        tables_.pop_back();
        states_.pop_back();
        savedForTable_.pop_back();
        if (savedPara_.back()) out_ += "</DIV>\r\n";
        savedPara_.pop_back();
        return;
    }
    NextCell();
}

void TTextWalk::NextCell() {
    if (tables_.empty()) return;
    TTable& tb = tables_.back();
    const present::TTableData td(*tb.t);
    const int C = td.Columns(), Rw = td.Rows();
    const int k = tb.k++;
    const int row = C ? k / C : 0, col = C ? k % C : 0;
    auto closeCell = [&]() {
        WritePending();
        if (paraOpen_) out_ += "&nbsp;";
        CloseLink();
        RunClosing();
        CloseAllInline();
        if (paraOpen_) {
            if (S().numbering == 10) out_ += "</LI>";
            out_ += "</DIV>";
        }
        paraOpen_ = false;
    };
    if (k < C * Rw) {
        if (col != 0) {
            closeCell();
            out_ += "</TD>\r\n";
        } else if (k > 0) {
            closeCell();
            out_ += "</TD></TR>\r\n";
        }
        if (col == 0) out_ += "<TR>\r\n";
        S() = TState{};
        std::string w;
        switch (td.ColumnRule(col)) {
            case present::TTableData::kPercent: w = " WIDTH=" + Str(td.ColumnWidth(col)) + "%"; break;
            case present::TTableData::kFixed: w = " WIDTH=" + Str(td.ColumnWidth(col)); break;
            default: break;
        }
        std::string bg;
        const auto cells = td.CellBackgrounds();
        if (static_cast<std::size_t>(k) < cells.size()) bg = Background(cells[static_cast<std::size_t>(k)]);
        out_ += "<TD" + w + " VALIGN=\"" + kCellAlign[0] + "\" " + bg + " >\r\n";
        (void)row;
        space_ = false;
        paraOpen_ = false;
    } else {
        out_ += "\r\n";
        closeCell();
        out_ += "</TD></TR></TABLE>";
        states_.pop_back();
        tables_.pop_back();
        TState restored = savedForTable_.back();
        savedForTable_.pop_back();
        restored.fontOpen = false;
        S() = restored;
        if (savedPara_.back()) out_ += (S().numbering == 10 ? "</LI></DIV>\r\n" : "</DIV>\r\n");
        savedPara_.pop_back();
        paraOpen_ = false;
    }
}

void TTextWalk::FormStart(const TNYXoggetto& o) {
    const present::TFormStartData fd(o);
    std::string taken;
    if (paraOpen_ && divPos_ != std::string::npos && divPos_ <= out_.size()) {
        taken = out_.substr(divPos_);
        out_.resize(divPos_);
    }
    std::string f;
    if (formOpen_) f += "</FORM>";
    f += "<FORM ";
    switch (fd.Method()) {
        case present::TFormStartData::kGet:
        case present::TFormStartData::kPost:
            f += std::string("TARGET=_top METHOD=") + (fd.Method() == 1 ? "GET" : "POST") + " ACTION=\"" + TNYXtoHtml::EscapeUrl(fd.Address()) + "\" ";
            if (fd.WriteEncoding()) f += " ENCTYPE=\"" + TNYXtoHtml::EscapeText(fd.Encoding()) + "\" ";
            break;
        case present::TFormStartData::kMail:
            f += "METHOD=POST ACTION=\"mailto:" + TNYXtoHtml::EscapeUrl(fd.Address()) + "\" ENCTYPE=\"text/plain\" ";
            break;
        default: break;
    }
    f += " " + Expand(o) + ">\r\n";
    out_ += f;
    if (!taken.empty()) divPos_ = out_.size();
    out_ += taken;
    ++formCounter_;
    formOpen_ = true;
}

void TTextWalk::FormField(const TNYXoggetto& o) {
    using FD = present::TFormFieldData;
    const FD fd(o);
    const std::string id = TNYXtoHtml::EscapeText(fd.Identifier());
    const std::string extra = Expand(o);
    switch (fd.Kind()) {
        case FD::kText:
        case FD::kPassword:
        case FD::kFile:
            out_ += std::string("<INPUT") + (fd.Kind() == FD::kPassword ? " TYPE=password" : fd.Kind() == FD::kFile ? " TYPE=file" : "") +
                    " NAME=\"" + id + "\"";
            if (fd.ShowInitial()) out_ += " VALUE=\"" + TNYXtoHtml::EscapeText(fd.Value()) + "\"";
            out_ += " SIZE=" + Str(fd.WidthChars() > 0 ? fd.WidthChars() : 20) + " " + extra + ">\r\n";
            break;
        case FD::kTextArea: {
            out_ += "<TEXTAREA NAME=\"" + id + "\" ROWS=" + Str(fd.Rows()) + " COLS=" + Str(fd.Columns()) + " " + extra + ">\r\n";
            std::string lines;
            if (fd.ShowInitial() && o.HasFirstStream()) o.ReadFirstStream(lines);
            out_ += TNYXtoHtml::EscapeText(lines) + "\r\n</TEXTAREA>";
            break;
        }
        case FD::kHidden:
        case FD::kRadio:
        case FD::kCheck:
            out_ += std::string("<INPUT TYPE=") + (fd.Kind() == FD::kHidden ? "hidden " : fd.Kind() == FD::kRadio ? "radio " : "checkbox ") +
                    "NAME=\"" + id + "\" VALUE=\"" + TNYXtoHtml::EscapeText(fd.Value()) + "\" ";
            if (fd.Kind() != FD::kHidden && fd.Checked()) out_ += "CHECKED ";
            out_ += " " + extra + ">\r\n";
            break;
        case FD::kList:
        case FD::kCombo: {
            out_ += "<SELECT NAME=\"" + id + "\" ";
            if (fd.Kind() == FD::kList) {
                out_ += " SIZE=" + Str(fd.VisibleRows());
                if (fd.Multiple()) out_ += " MULTIPLE";
            }
            out_ += " " + extra + " >";
            std::string items;
            if (o.HasFirstStream()) o.ReadFirstStream(items);
            std::vector<std::string> lines;
            std::size_t p = 0;
            while (p < items.size()) {
                std::size_t e = items.find('\n', p);
                if (e == std::string::npos) e = items.size();
                std::string line = items.substr(p, e - p);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(line);
                p = e + 1;
            }
            for (std::size_t i = 0; i + 3 <= lines.size(); i += 3) {
                const std::string& text = lines[i];
                const std::string& value = lines[i + 1];
                const std::string& flag = lines[i + 2];
                const bool sel = !flag.empty() && (flag[0] == 'X' || flag[0] == 'Y' || flag[0] == 'x' || flag[0] == 'y');
                out_ += "<OPTION VALUE=\"" + TNYXtoHtml::EscapeText(value) + "\"" + (sel ? " SELECTED" : "") + " >" +
                        TNYXtoHtml::EscapeText(text) + "\r\n";
            }
            out_ += "</SELECT>";
            break;
        }
        case FD::kFloating: {
            const present::TFloatingData fl(o);
            const std::string unit = fl.Percent() ? "%" : "";
            out_ += "<IFRAME ";
            if (fl.MarginHeight() || fl.MarginWidth()) out_ += " MARGINHEIGHT=" + Str(fl.MarginHeight()) + " MARGINWIDTH=" + Str(fl.MarginWidth());
            else out_ += " FRAMEBORDER=\"no\" ";
            if (!fl.Name().empty()) out_ += " NAME=\"" + TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(fl.Name())) + "\"";
            std::string src;
            const TNYXoggetto* shown = fl.ShownPage() >= 0 ? set_.ObjectAt(model::testoHtml, fl.ShownPage()) : nullptr;
            if (Exists(shown)) {
                src = x_.PageFileName(shown, fl.ShowFrames() ? 0 : 1);
                if (!fl.ShowFrames()) x_.AddFrame(shown->Reference());
            }
            out_ += " HEIGHT=" + Str(fl.Height()) + unit + " WIDTH=" + Str(fl.Width()) + unit + " " + " SRC=\"" +
                    TNYXtoHtml::EscapeUrl(src) + "\" TARGET=" + kTargets[0] + " BORDERCOLOR=#" + TNYXtoHtml::ColourText(fl.BorderColour()) +
                    " SCROLLING=" + (fl.Scrolling() ? "yes" : "no") + " " + extra + ">\r\n</IFRAME>\r\n";
            break;
        }
        default: break;
    }
}

void TTextWalk::Button(const TNYXoggetto& o) {
    const present::TButtonData bd(o);
    const std::string extra = Expand(o);
    const TNYXoggetto* pic = Obj(bd.PictureRef());
    if (bd.Kind() == present::TButtonData::kReset && pic) {
        out_ += "<A HREF=\"#\" onclick=\"document.forms[" + Str(formCounter_ - 1 < 0 ? 0 : formCounter_ - 1) + "].reset()\"><IMG SRC=\"" +
                File(bd.PictureRef()) + "\" BORDER=0 WIDTH=" + Str(bd.Width()) + " HEIGHT=" + Str(bd.Height()) + " ></A>\r\n";
        return;
    }
    const char* type = bd.Kind() == 1 ? "submit" : bd.Kind() == 2 ? "image" : bd.Kind() == 3 ? "reset" : "button";
    const TNYXoggetto* l = Obj(bd.LinkRef());
    out_ += std::string("<INPUT TYPE=") + type;
    if (!l && !bd.Identifier().empty()) out_ += " NAME=\"" + TNYXtoHtml::EscapeText(bd.Identifier()) + "\" ";
    if (bd.Kind() == 2 || (bd.Kind() == 1 && pic)) {
        if (pic) out_ += " SRC=\"" + File(bd.PictureRef()) + "\" BORDER=0";
        out_ += " WIDTH=" + Str(bd.Width()) + " HEIGHT=" + Str(bd.Height());
    }
    out_ += " VALUE=\"" + TNYXtoHtml::EscapeText(bd.Caption()) + "\"  " + extra;
    if (l) {
        if (l->Type() != model::speclink) {
            out_ += " onClick=\"javascript:location='" + ScriptString(TNYXtoHtml::EscapeUrl(x_.PageFileName(l, 0))) + "'\" ";
        } else if (l->Subtype() == 2) {
            out_ += " onClick=\"javascript:QuorF_close('" + ScriptString(TNYXtoHtml::CleanAttribute(l->Str(19, 19))) + "');\" ";
            doc_.flags |= 4;
            out_ += " " + Expand(*l);
        } else {
            const int m = l->Byte(18);
            if (m == 3) out_ += " onClick=\"" + TNYXtoHtml::EscapeText(WindowCall(3, *l, false, -1)) + "\"";
            else if (m == 6) out_ += " onClick=\"javascript:location='#an" + Str(l->Int(9)) + "'\" ";
            else out_ += " onClick=\"" + TNYXtoHtml::EscapeText(WindowCall(0, *l, m == 2 || m == 4, l->Int(9))) + "\"";
            out_ += " " + Expand(*l);
        }
    }
    out_ += ">\r\n";
}

void TTextWalk::Multimedia(const TNYXoggetto& o) {
    const present::TMultimediaData md(o);
    const int k = md.Kind();
    const std::string unit = md.Percent() ? "%" : "";
    if (k >= 1 && k <= 4) {
        const TNYXoggetto* media = Obj(md.MediaRef());
        if (!media) {
            x_.Problem("File multimediale mancante in pagina");
            return;
        }
        const std::string file = File(md.MediaRef());
        if (k <= 2) {
            out_ += "<EMBED SRC=\"" + file + "\"";
            if (md.Cyclic()) out_ += " AUTOSTART=true HIDDEN=true LOOP=" + (md.Cycles() < 0 ? std::string("true") : Str(md.Cycles()));
            else out_ += " CONTROLS=SMALLCONSOLE height=15";
            out_ += ">\r\n";
        } else {
            out_ += "<EMBED SRC=\"" + file + "\" WIDTH=" + Str(md.Width()) + unit + " HEIGHT=" + Str(md.Height()) + unit;
            if (md.Cyclic()) out_ += std::string(" CONTROLLER=false AUTOSTART=true LOOP=") + (md.Cycles() < 0 ? "true" : "false");
            else out_ += " CONTROLS=true ";
            if (Lower(FileExt(media->GetFileName())) == ".mov") out_ += " URL=\"https://support.apple.com/quicktime\"";
            out_ += " >";
        }
        if (const TNYXoggetto* alt = Obj(md.AlternativePictureRef())) {
            out_ += "<IMG BORDER=0 ALIGN=" + PictureAlignWord(alt->Byte(13)) + " ALT=\"" +
                    TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(alt->GetName())) + "\" SRC=\"" + File(md.AlternativePictureRef()) +
                    "\" HEIGHT=" + Str(md.Height()) + unit + " WIDTH=" + Str(md.Width()) + unit + " >";
        }
        out_ += "\r\n";  // EMBED is an empty element: no end tag
    } else if (k == 5) {
        out_ += Expand(o);
    } else if (k == 6) {
        out_ += Custom(o);
    }
}

namespace {
// The free HTML text of a prototype or object after its editor block.
std::string FreeHtml(const TNYXoggetto& o) { return o.SecondStreamText(); }

}  // namespace

std::string TTextWalk::Expand(const TNYXoggetto& o) {
    const std::string text = FreeHtml(o);
    if (text.empty()) return {};
    std::string r;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = text.find("!Ref", i);
        if (at == std::string::npos) {
            r.append(text, i, std::string::npos);
            break;
        }
        r.append(text, i, at - i);
        if (at + 14 > text.size() || text[at + 5] != ':') {
            r += "!Ref";
            i = at + 4;
            continue;
        }
        const char k = text[at + 4];
        std::uint32_t ref = 0;
        const bool hex = markup::ParseHex(text, at + 6, 8, ref);
        switch (k) {
            case 'I':
            case 'L':
            case 'F':
                if (hex) {
                    const TNYXoggetto* t = Obj(static_cast<std::int32_t>(ref));
                    if (t) {
                        if (t->Type() != model::testoHtml) x_.AddFile(t->Reference());
                        r += TNYXtoHtml::EscapeUrl(x_.PageFileName(t, 0));
                    }
                }
                i = at + 14;
                break;
            case 'P':
                if (hex) {
                    const TNYXoggetto* t = Obj(static_cast<std::int32_t>(ref));
                    if (t && t->Type() == model::testoHtml && depth_ < 4) {
                        const auto* page = dynamic_cast<const model::TNYXtesto*>(t);
                        if (page && page->HasFirstStream()) {
                            TTextWalk inner(x_, doc_, r);
                            inner.depth_ = depth_ + 1;
                            inner.Walk(page->Text());
                        }
                    }
                }
                i = at + 14;
                break;
            case 'X':
            case 'Y':
                if (o.Type() == model::multiMedia) {
                    const present::TMultimediaData md(o);
                    r += Str(k == 'X' ? md.Width() : md.Height()) + (md.Percent() ? "%" : "");
                }
                i = at + 14;
                break;
            default:
                r += "!Ref";
                i = at + 4;
        }
    }
    return r;
}

// Custom component: the prototype's HTML with its file and parameter
// placeholders filled in from the component's values.
std::string TTextWalk::Custom(const TNYXoggetto& component) {
    const present::TMultimediaData md(component);
    const TNYXoggetto* proto = Obj(md.MediaRef());
    if (!proto || proto->Type() != model::custom) return {};
    // The prototype's files and parameters, with the component's values.
    const std::vector<std::int32_t> files = model::PrototypeFiles(*proto);
    model::TPropList props = model::PrototypeParameters(*proto);
    props.mode = model::TPropList::Mode::Value;
    std::string values;
    if (component.HasFirstStream()) component.ReadFirstStream(values);
    props.LoadValues(values);

    const std::string text = FreeHtml(*proto);
    std::string r;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = text.find("!Re", i);
        if (at == std::string::npos) {
            r.append(text, i, std::string::npos);
            break;
        }
        r.append(text, i, at - i);
        const std::string_view rest = std::string_view(text).substr(at);
        std::uint32_t v = 0;
        if (rest.substr(0, 6) == "!ReCF:" && markup::ParseHex(text, at + 6, 8, v)) {
            if (v < files.size() && Obj(files[v])) r += File(files[v]);
            i = at + 14;
        } else if (rest.substr(0, 6) == "!ReCP:" && rest.find('!', 6) != std::string_view::npos) {
            const std::size_t end = rest.find('!', 6);
            if (const model::TProp* prop = props.Find(rest.substr(6, end - 6))) {
                const int type = prop->type;
                const std::string& val = prop->value;
                if (type == 3) r += val.size() >= 7 ? val.substr(1, 6) : std::string("000000");
                else if (type >= 6 && type <= 8) {
                    std::int32_t ref = 0;
                    try {
                        ref = static_cast<std::int32_t>(std::stoll(val));
                    } catch (...) {
                        ref = -1;
                    }
                    if (const TNYXoggetto* t = Obj(ref)) {
                        if (t->Type() == model::testoHtml) r += TNYXtoHtml::EscapeUrl(x_.PageFileName(t, 0));
                        else r += File(ref);
                    }
                } else if (type >= 1 && type <= 9) {
                    r += TNYXtoHtml::EscapeText(val);
                }
            }
            i = at + end + 1;
        } else if ((rest.substr(0, 6) == "!RefX:" || rest.substr(0, 6) == "!RefY:") && rest.size() >= 14) {
            r += Str(rest[4] == 'X' ? md.Width() : md.Height()) + (md.Percent() ? "%" : "");
            i = at + 14;
        } else {
            r += "!Re";
            i = at + 3;
        }
    }
    return r;
}

// ---------------------------------------------------------------------------
// Page documents

namespace {

std::string PageText(const TNYXoggetto& page) {
    const auto* t = dynamic_cast<const model::TNYXtesto*>(&page);
    if (!t || !t->HasFirstStream()) return {};
    std::string text = t->Text();
    if (page.Byte(model::kTextVersionOffset) == 1)
        text = model::UpgradeVersion1(text, static_cast<std::uint32_t>(page.Int(89)), static_cast<std::uint32_t>(page.Int(93)), nullptr);
    return text;
}

std::string Title(const TNYXoggetto& page) {
    std::string t = page.GetName();
    if (t.size() > 71) t.resize(71);
    return TNYXtoHtml::EscapeText(t);
}

std::string MarkerName(const TNYXset& set) {
    return TNYXtoHtml::EscapeText(CommentSafe(platform::text::Utf8ToCp1252(set.NYXFileName().filename().string())));
}

}  // namespace

std::string TNYXtoHtml::TextToHtml(std::string_view markup, const TNYXoggetto* page, int kind) {
    if (!LinkedNYXset) return {};
    TDocContext doc;
    doc.kind = kind;
    doc.page = page;
    std::string out;
    TTextWalk w(*this, doc, out);
    w.Walk(markup);
    return out;
}

namespace {
void FrameSet(TNYXtoHtml& x, TNYXset& set, const present::TFrameTree& t, std::size_t i, std::string& out, int depth,
              const std::function<void(std::int32_t)>& addFrame) {
    const present::TFrameNode& f = t.nodes[i];
    if (f.container && !f.children.empty() && depth < 32) {
        out += "<FRAMESET ";
        if (f.place == 1 || f.place == 4 || f.place == 5) out += "ROWS=";
        else if (f.place < 6) out += "COLS=";
        out += "\"";
        for (std::size_t c = 0; c < f.children.size(); ++c) {
            const present::TFrameNode& ch = t.nodes[f.children[c]];
            if (c) out += ",";
            out += ch.rule == 0 ? std::to_string(ch.percent) + "%" : ch.rule == 1 ? std::to_string(ch.pixels) : "*";
        }
        out += "\" BORDER=" + std::to_string(f.childBorder) + " FRAMESPACING=" + std::to_string(f.childBorder) + " >\r\n";
        for (std::size_t c : f.children) FrameSet(x, set, t, c, out, depth + 1, addFrame);
        out += "</FRAMESET>\r\n";
        return;
    }
    const TNYXoggetto* page = set.ObjectByRef(f.pageRef);
    std::string src;
    if (Exists(page) && page->Type() == model::testoHtml) {
        src = x.PageFileName(page, 1);
        addFrame(page->Reference());
    }
    std::string name = f.name.substr(0, 19);
    out += "<FRAME NAME=\"" + TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(name)) + "\" SRC=\"" + TNYXtoHtml::EscapeUrl(src) +
           "\" SCROLLING=" + (f.scrolling ? "auto " : "no ") + (f.border ? "" : "FRAMEBORDER=no ") + (f.resizable ? ">\r\n" : "NORESIZE>\r\n");
}
}  // namespace

std::string TNYXtoHtml::WritePage(const TNYXoggetto& page, int kind) {
    if (!LinkedNYXset) return {};
    TNYXset& set = *LinkedNYXset;
    std::string head = "<!DOCTYPE html>\r\n<HTML><HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n";
    head += "<TITLE>" + Title(page) + "\r\n</TITLE>\r\n";
    bool anyKey = false;
    for (int i = 0; i < 20; ++i) {
        const TNYXoggetto* k = set.ObjectAt(model::keyword, page.Int(105 + 4 * static_cast<std::size_t>(i)));
        if (!Exists(k)) continue;
        if (!anyKey) head += "<META NAME=\"keywords\" CONTENT=\"";
        anyKey = true;
        head += EscapeText(k->GetName()) + ",";
    }
    if (anyKey) head += "\">\r\n";
    TDocContext doc;
    doc.kind = kind;
    doc.page = &page;
    {
        std::string own;
        TTextWalk w(*this, doc, own);
        own = w.Expand(page);
        head += own;
    }
    head += "<!--pageQuor=\"" + std::to_string(page.Index()) + ";" + MarkerName(set) + "\"-->\r\n";
    const std::string author = set.HStr(model::hdr::kAuthors, model::hdr::kNameCap);
    const std::string copyright = set.HStr(model::hdr::kCopyright, model::hdr::kNameCap);
    if (!author.empty()) head += "<META NAME=\"author\" CONTENT=\"" + EscapeText(author) + "\">\r\n";
    if (!copyright.empty()) head += "<META NAME=\"copyright\" CONTENT=\"" + EscapeText(copyright) + "\">\r\n";
    head += std::string("<META NAME=\"generator\" CONTENT=\"") + kGenerator + "\">\r\n";
    head += "<LINK REL=STYLESHEET HREF=\"" + EscapeUrl(StyleSheetName()) + "\" TYPE=\"text/css\">\r\n";

    std::string body;
    bool frames = false;
    if (kind == 0) {
        const TNYXoggetto* map = page.Int(81) >= 0 ? set.ObjectAt(model::mappaFrame, page.Int(81)) : nullptr;
        if (Exists(map)) {
            const present::TFrameTree tree = present::ReadFrameTree(*map);
            if (!tree.Empty()) {
                FrameSet(*this, set, tree, 0, body, 0, [&](std::int32_t r) { AddFrame(r); });
                body += "\r\n<NOFRAMES>\r\n";
                frames = true;
            }
        }
    }
    const TNYXoggetto* header = model::HeaderPageOf(set, page);
    const TNYXoggetto* footer = model::FooterPageOf(set, page);
    body += "<BODY";
    const TNYXoggetto* bg = page.Int(85) >= 0 ? set.ObjectAt(model::immagine, page.Int(85)) : nullptr;
    if (Exists(bg)) {
        AddFile(bg->Reference());
        body += " BACKGROUND=\"" + EscapeUrl(PageFileName(bg, 2)) + "\"";
    }
    auto col = [&](int off) { return ColourText(static_cast<std::uint32_t>(page.Int(static_cast<std::size_t>(off)))); };
    body += " TEXT=#" + col(89) + " LINK=#" + col(93) + " VLINK=#" + col(97) + " BGCOLOR=#" + col(101) + " >\r\n<BASE TARGET=\"_top\">\r\n";
    auto walk = [&](const TNYXoggetto* t) {
        if (!Exists(t)) return;
        doc.page = t;
        TTextWalk w(*this, doc, body);
        w.Walk(PageText(*t));
    };
    walk(header);
    walk(&page);
    walk(footer);
    doc.page = &page;

    std::string script;
    if (doc.flags) {
        script = "<SCRIPT>\r\n<!--//\r\n";
        if (doc.flags & 1) script += "\r\nQuorC_bname = navigator.appName;\r\nQuorC_bver = parseFloat(navigator.appVersion);\r\n";
        if (doc.flags & 2)
            script += "\r\nQuorC_SensOk ='false';\r\nif (QuorC_bver >= 3.0) { QuorC_SensOk = 'true' } \r\n\r\nfunction QuorF_over(img,ref)\r\n{\r\n  if (QuorC_SensOk=='true') { document.images[img].src = ref }\r\n}\r\n";
        if (doc.flags & 8)
            script += "\r\nfunction QuorF_open(newURL, newName, newFeatures, orgName) \r\n{\r\n  var remote = open(newURL, newName, newFeatures);\r\n  if (remote.opener == null) remote.opener = window;\r\n  remote.opener.name = orgName;\r\n}\r\n";
        if (doc.flags & 16) script += "\r\nfunction QuorF_openB(newURL) \r\n{\r\n  var remote = open(newURL);\r\n}\r\n";
        if (doc.flags & 4) script += "\r\nfunction QuorF_close(finName)\r\n{\r\n  QuorC_tmp=open('', finName);\r\n  QuorC_tmp.close( );\r\n}\r\n";
        script += "\r\n//-->\r\n</SCRIPT>\r\n";
    }
    std::string out = head + script + "</HEAD>\r\n" + body;
    if (!doc.rollovers.empty()) {
        out += "\r\n<SCRIPT>\r\n<!--//\r\n  if (QuorC_SensOk == 'true')\r\n  {";
        for (std::size_t i = 0; i < doc.rollovers.size(); ++i) {
            const std::string n = "QuorP_" + std::to_string(i);
            out += "\r\n  " + n + "= new Image();" + n + ".src=\"" + ScriptString(EscapeUrl(PageFileName(set.ObjectByRef(doc.rollovers[i]), 2))) + "\";";
        }
        out += "\r\n  }\r\n//-->\r\n</SCRIPT>\r\n";
    }
    // The no-frames part is plain text for browsers that show the frames, so
    // the document ends with it.
    if (frames) out += "</BODY>\r\n</NOFRAMES>\r\n</HTML>\r\n";
    else out += "\r\n</BODY></HTML>\r\n";
    // Stored texts are Windows-1252; the documents are UTF-8, as they declare.
    return platform::text::Cp1252ToUtf8(out);
}

bool TNYXtoHtml::WriteAliasPage(const TNYXoggetto& page) {
    if (!LinkedNYXset) return false;
    const std::string alias = TNYXset::PageAlias(page);
    if (alias.empty()) return true;
    const std::string leaf = SafeLeafName(alias);
    if (leaf.empty() || leaf != alias) {
        Problem("Alias di pagina rifiutato (deve essere un nome di file nella cartella di export): \"" + alias + "\"");
        return false;
    }
    const std::string target = EscapeUrl(PageFileName(&page, 0));
    if (leaf == PageFileName(&page, 0) || leaf == StyleSheetName()) {
        Problem("Alias di pagina rifiutato (nome gi\xE0 usato dall'export): \"" + alias + "\"");
        return false;
    }
    auto col = [&](int off) { return ColourText(static_cast<std::uint32_t>(page.Int(static_cast<std::size_t>(off)))); };
    std::string o = "<!DOCTYPE html>\r\n<HTML><HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n<TITLE>" +
                    Title(page) + "\r\n</TITLE>\r\n";
    o += "<!--pageQuor=\"" + std::to_string(page.Index()) + ";" + MarkerName(*LinkedNYXset) + "\"-->\r\n";
    o += "<META HTTP-EQUIV=\"refresh\" CONTENT=\"0;URL=" + target + "\">\r\n</HEAD>\r\n<BODY";
    const TNYXoggetto* bg = page.Int(85) >= 0 ? LinkedNYXset->ObjectAt(model::immagine, page.Int(85)) : nullptr;
    if (Exists(bg)) {
        AddFile(bg->Reference());
        o += " BACKGROUND=\"" + EscapeUrl(PageFileName(bg, 2)) + "\"";
    }
    o += " TEXT=#" + col(89) + " LINK=#" + col(93) + " VLINK=#" + col(97) + " BGCOLOR=#" + col(101) + ">\r\n";
    o += "<A HREF=\"" + target + "\">Loading...</A>\r\n</BODY></HTML>\r\n";
    return WriteFile(leaf, platform::text::Cp1252ToUtf8(o));
}

bool TNYXtoHtml::Export(const std::vector<std::int32_t>& pages, bool aliases) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    std::error_code ec;
    fs::create_directories(ExportPath, ec);
    if (!fs::is_directory(ExportPath, ec)) {
        Problem("Errore nella creazione directory: \"" + platform::text::Utf8ToCp1252(ExportPath.string()) + "\" controlla la linguetta \"path\".");
        return false;
    }
    if (pageOrder.empty()) pageOrder = pages;
    WriteStyleSheet();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(pages.size()), 1);
        const TNYXoggetto* page = set.ObjectAt(model::testoHtml, pages[i]);
        if (!Exists(page)) {
            Problem("Pagina inesistente: " + std::to_string(pages[i]));
            continue;
        }
        if (WriteFile(PageFileName(page, 0), WritePage(*page, 0))) ++report_.pagesWritten;
        if (aliases) WriteAliasPage(*page);
    }
    // Frame-content documents, each written once even when several frame
    // sets or links show it.
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(frames_.size()), 2);
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* page = set.ObjectByRef(frames_[i]);
        if (!Exists(page)) continue;
        if (WriteFile(PageFileName(page, 1), WritePage(*page, 1))) ++report_.pagesWritten;
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(files_.size()), 3);
        const TNYXoggetto* o = set.ObjectByRef(files_[i]);
        if (!Exists(o)) continue;
        const std::string rel = PageFileName(o, 2);
        const fs::path target = ExportPath / fs::path(platform::text::Cp1252ToUtf8(rel));
        fs::create_directories(target.parent_path(), ec);
        if (o->WriteContentsTo(target)) ++report_.filesCopied;
        else Problem("File mancante o illeggibile, non copiato: \"" + o->GetFileName() + "\"");
    }
    return report_.ok();
}

bool TNYXtoHtml::ExportOnePage(std::vector<std::int32_t>& filesOut, std::vector<std::int32_t>& pagesOut, std::int32_t page) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    if (pageOrder.empty()) pageOrder = AllPages(set);
    const TNYXoggetto* p = set.ObjectAt(model::testoHtml, page);
    if (!Exists(p)) {
        Problem("Pagina inesistente: " + std::to_string(page));
        return false;
    }
    if (WriteFile(PageFileName(p, 0), WritePage(*p, 0))) pagesOut.push_back(p->Reference());
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* f = set.ObjectByRef(frames_[i]);
        if (!Exists(f)) continue;
        if (WriteFile(PageFileName(f, 1), WritePage(*f, 1))) pagesOut.push_back(f->Reference());
    }
    for (std::int32_t r : files_)
        if (std::find(filesOut.begin(), filesOut.end(), r) == filesOut.end()) filesOut.push_back(r);
    return report_.ok();
}

bool TNYXtoHtml::ExportAllPages(std::vector<std::int32_t>& filesOut) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    const auto pages = AllPages(set);
    if (pageOrder.empty()) pageOrder = pages;
    std::error_code ec;
    fs::create_directories(ExportPath, ec);
    WriteStyleSheet();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(pages.size()), 1);
        const TNYXoggetto* p = set.ObjectAt(model::testoHtml, pages[i]);
        if (WriteFile(PageFileName(p, 0), WritePage(*p, 0))) ++report_.pagesWritten;
    }
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(frames_.size()), 2);
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* f = set.ObjectByRef(frames_[i]);
        if (Exists(f) && WriteFile(PageFileName(f, 1), WritePage(*f, 1))) ++report_.pagesWritten;
    }
    filesOut = files_;
    return report_.ok();
}

}  // namespace convert::html
