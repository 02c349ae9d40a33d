// The scanner of the HTML import: the main loop over the text, tags and
// their attributes, entities, comments and the markers this program writes.
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

namespace scan {

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

}  // namespace scan

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

}  // namespace convert::html
