// The head of an imported page (META, LINK, BASE), its BODY attributes and
// the style sheets whose classes become paragraph styles.
#include "convert/html/ImportScan.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>

#include "convert/Converter.h"
#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::html {

using richtext::ParaField;

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

}  // namespace convert::html
