// The scan of an RTF text: the stack of group states, destinations chosen by
// a group's first control word, the header tables (fonts, colours, styles,
// lists) and the character and paragraph control words.
#include "convert/rtf/RtfReader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace convert::rtf {

namespace {

bool In(std::string_view w, std::initializer_list<const char*> list) {
    for (const char* s : list)
        if (w == s) return true;
    return false;
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == ';')) s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && s[b] == ' ') ++b;
    return s.substr(b);
}

}  // namespace

TRtfReader::TRtfReader(TNYXtortf& x, model::TNYXset& set, bool clipboard, bool severalPages, const std::filesystem::path& file)
    : x_(x), set_(set), clip_(clipboard), several_(severalPages), file_(file) {}

TRtfReader::~TRtfReader() = default;

bool TRtfReader::Read(std::string_view rtf) {
    std::size_t p = 0;
    if (rtf.substr(0, 3) == "\xEF\xBB\xBF") p = 3;
    while (p < rtf.size() && (rtf[p] == ' ' || rtf[p] == '\t' || rtf[p] == '\r' || rtf[p] == '\n')) ++p;
    if (rtf.compare(p, 5, "{\\rtf") != 0) return false;
    sc_ = TRtfScanner(rtf, p);
    stack_.assign(1, TRtfState{});
    outs_.assign(1, TOut{});
    colours_.clear();
    bool fresh = false, starred = false;
    for (;;) {
        const TRtfToken t = sc_.Next();
        if (t.kind == TRtfTok::End) break;
        if (t.kind == TRtfTok::Open) {
            if (static_cast<int>(stack_.size()) > kMaxDepth) {
                // Groups nested this deep carry nothing a page could show.
                ++depthSkipped_;
                sc_.SkipGroup();
                continue;
            }
            const TDest parent = S().dest;
            stack_.push_back(S());
            fresh = true;
            starred = false;
            if (parent == TDest::StyleSheet) {
                S().dest = TDest::StyleEntry;
                S().ch = TCharFmt{};
                S().pa = TParaFmt{};
                styleEntryNo_ = 0;
                styleEntryBase_ = -1;
                styleEntryWords_.clear();
                entryText_.clear();
            } else if (parent == TDest::FontTable) {
                entryText_.clear();
            }
            continue;
        }
        if (t.kind == TRtfTok::Close) {
            if (stack_.size() <= 1) break;
            const TRtfState closed = S();
            stack_.pop_back();
            fresh = false;
            EndGroup(closed);
            if (stack_.size() <= 1) break;  // the document's own group is closed
            continue;
        }
        if (t.kind == TRtfTok::Symbol && t.symbol == '*' && fresh) {
            starred = true;
            continue;
        }
        if (t.kind == TRtfTok::Word && fresh) {
            fresh = false;
            const std::string_view w = t.word;
            TRtfState& s = S();
            TDest d = s.dest;
            if (d == TDest::Skip || d == TDest::NoText) {
                // inside text that is not shown only pictures count
                if (w == "pict") d = TDest::Pict;
                else if (w == "shptxt") d = TDest::Normal;
                else if (In(w, {"sp", "sv", "shpinst", "shp"})) d = TDest::NoText;
                else d = TDest::Skip;
            } else if (starred) {
                if (w == "shppict") d = s.dest;
                else if (w == "shpinst") d = TDest::NoText;
                else if (w == "annotation") d = TDest::Annotation;
                else if (w == "atnauthor") d = TDest::AtnAuthor;
                else if (w == "pn") d = TDest::Pn;
                else d = TDest::Skip;
            } else if (w == "fonttbl") d = TDest::FontTable;
            else if (w == "colortbl") d = TDest::ColourTable;
            else if (w == "stylesheet") d = TDest::StyleSheet;
            else if (w == "listtable") d = TDest::ListTable;
            else if (w == "listoverridetable") d = TDest::ListOverride;
            else if (w == "info") d = TDest::Info;
            else if (w == "title" && d == TDest::Info) d = TDest::InfoTitle;
            else if (d == TDest::Info) d = TDest::Skip;
            else if (w == "pict") d = TDest::Pict;
            else if (w == "pn") d = TDest::Pn;
            else if (w == "footnote") d = TDest::Footnote;
            else if (w == "annotation") d = TDest::Annotation;
            else if (w == "atnauthor") d = TDest::AtnAuthor;
            else if (In(w, {"header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf"})) d = TDest::Frame;
            else if (In(w, {"aftnsep", "aftnsepc", "aftncn", "ftnsep", "ftnsepc", "ftncn", "bkmkstart", "bkmkend", "do", "object",
                            "pnseclvl", "pntext", "tc", "xe", "listtext", "filetbl", "revtbl", "rsidtbl", "template",
                            "userprops", "nonshppict", "shprslt", "fldinst", "pntxta", "pntxtb", "txe", "rxe", "private",
                            "docvar", "atnid", "atndate", "atnref", "xmlnstbl", "generator", "pgdsctbl", "sn"}))
                d = TDest::Skip;
            if (d == TDest::Skip) {
                stack_.pop_back();
                sc_.SkipGroup();
                continue;
            }
            if (d != s.dest) {
                const TDest was = s.dest;
                s.dest = d;
                if (d == TDest::Footnote || d == TDest::Annotation) {
                    TOut o;
                    o.kind = TOut::kPlain;
                    outs_.push_back(std::move(o));
                    s.out = static_cast<int>(outs_.size() - 1);
                } else if (d == TDest::Frame) {
                    TOut o;
                    o.kind = TOut::kFrame;
                    outs_.push_back(std::move(o));
                    s.out = static_cast<int>(outs_.size() - 1);
                    s.pa = TParaFmt{};
                } else if (d == TDest::Pict && was != TDest::Pict) {
                    pictHex_.clear();
                    pictBin_.clear();
                    pictKind_.clear();
                    picw_ = pich_ = picwgoal_ = pichgoal_ = 0;
                    scalex_ = scaley_ = 100;
                    pictBad_ = false;
                } else if (d == TDest::AtnAuthor) {
                    atnAuthor_.clear();
                } else if (d == TDest::Pn) {
                    s.pa.numbering = 10;
                }
            }
            Word(t);
            continue;
        }
        fresh = false;
        switch (t.kind) {
            case TRtfTok::Word: Word(t); break;
            case TRtfTok::Symbol: Symbol(t.symbol); break;
            case TRtfTok::Hex:
                if (unicodeSkip_ > 0) {
                    --unicodeSkip_;
                    break;
                }
                if (S().dest == TDest::Pict) pictBad_ = true;
                else Byte(t.byte);
                break;
            case TRtfTok::Bin:
                if (S().dest == TDest::Pict) pictBin_.append(t.word);
                unicodeSkip_ = 0;
                break;
            case TRtfTok::Text: {
                std::string_view text = t.word;
                if (unicodeSkip_ > 0) {
                    const std::size_t k = std::min<std::size_t>(static_cast<std::size_t>(unicodeSkip_), text.size());
                    unicodeSkip_ -= static_cast<int>(k);
                    text.remove_prefix(k);
                }
                switch (S().dest) {
                    case TDest::Pict:
                        for (const char c : text) {
                            if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) pictHex_ += c;
                            else if (c != ' ' && c != '\t') pictBad_ = true;
                        }
                        break;
                    case TDest::FontTable:
                    case TDest::ColourTable:
                    case TDest::StyleEntry:
                    case TDest::InfoTitle:
                    case TDest::AtnAuthor: HeaderText(text); break;
                    case TDest::Normal:
                    case TDest::Frame:
                    case TDest::Footnote:
                    case TDest::Annotation: TextBytes(text); break;
                    default: break;
                }
                break;
            }
            default: break;
        }
    }
    if (depthSkipped_) problems.push_back("gruppi annidati oltre " + std::to_string(kMaxDepth) + " livelli ignorati: " + std::to_string(depthSkipped_));
    // A text cut short still finishes its open texts.
    while (stack_.size() > 1) {
        const TRtfState closed = S();
        stack_.pop_back();
        EndGroup(closed);
    }
    FinishBody();
    return true;
}

void TRtfReader::HeaderText(std::string_view text) {
    switch (S().dest) {
        case TDest::FontTable:
            for (const char c : text) {
                if (c == ';') {
                    TFontEntry& f = fonts_[entryFont_];
                    std::string face;
                    // A face name can never close or break a markup tag.
                    for (const char k : Trim(entryText_))
                        if (k != '"' && k != '>' && k != '<' && static_cast<unsigned char>(k) >= 32) face += k;
                    if (face.size() > 31) face.resize(31);
                    f.face = face;
                    entryText_.clear();
                } else {
                    entryText_ += c;
                }
            }
            break;
        case TDest::ColourTable:
            for (const char c : text)
                if (c == ';') {
                    colours_.push_back(entryHasRed_ ? entryColour_ : 0);
                    entryColour_ = 0;
                    entryHasRed_ = false;
                }
            break;
        case TDest::StyleEntry: entryText_.append(text); break;
        case TDest::InfoTitle: infoTitle_.append(text); break;
        case TDest::AtnAuthor: atnAuthor_.append(text); break;
        default: break;
    }
}

void TRtfReader::EndGroup(const TRtfState& closed) {
    switch (closed.dest) {
        case TDest::StyleEntry:
            if (S().dest == TDest::StyleSheet && styleEntryNo_ >= 0) {
                TStyleEntry e;
                e.name = Trim(entryText_);
                for (char& c : e.name)
                    if (static_cast<unsigned char>(c) < 32) c = ' ';
                e.ch = closed.ch;
                e.pa = closed.pa;
                e.pa.inTable = false;
                e.basedOn = styleEntryBase_;
                e.words = std::move(styleEntryWords_);
                styles_[styleEntryNo_] = std::move(e);
            }
            styleEntryWords_.clear();
            entryText_.clear();
            break;
        case TDest::StyleSheet:
            if (S().dest != TDest::StyleSheet) ResolveStyles();
            break;
        case TDest::Pict:
            if (S().dest != TDest::Pict) Picture();
            break;
        case TDest::Footnote:
        case TDest::Annotation:
            if (S().dest != closed.dest && closed.out < static_cast<int>(outs_.size())) {
                std::string text = std::move(outs_[static_cast<std::size_t>(closed.out)].plain);
                outs_.resize(static_cast<std::size_t>(closed.out));
                if (closed.dest == TDest::Footnote) Footnote(text);
                else Comment(text);
            }
            break;
        case TDest::Frame:
            if (S().dest != TDest::Frame && closed.out < static_cast<int>(outs_.size())) {
                TOut& o = outs_[static_cast<std::size_t>(closed.out)];
                if (o.paraOpen) WriteParagraph(o);
                if (o.haveTable) FinishTable(o);
                std::string markup = std::move(o.markup);
                outs_.resize(static_cast<std::size_t>(closed.out));
                if (!clip_ && !markup.empty()) MakePage(std::move(markup), "Intestazione / pi\xE8 di pagina");
            }
            break;
        case TDest::Pn:
            if (S().dest != TDest::Pn) {
                S().pa.numbering = closed.pa.numbering;
                S().pa.given |= TParaFmt::gNumbering;
            }
            break;
        default: break;
    }
    if (closed.ch.hidden && !S().ch.hidden && S().out < static_cast<int>(outs_.size())) {
        TOut& o = outs_[static_cast<std::size_t>(S().out)];
        if (!o.hidden.empty()) HotSpotDone(o);
    }
}

void TRtfReader::ResolveStyles() {
    // A style is the style it is based on with its own words read on top;
    // the base is resolved first. A chain that comes back to a style already
    // on the way stops there.
    std::set<int> seen;
    std::function<void(int)> resolve = [&](int n) {
        if (!seen.insert(n).second) return;
        TStyleEntry& e = styles_[n];
        const auto base = styles_.find(e.basedOn);
        if (e.basedOn == n || base == styles_.end()) return;
        resolve(e.basedOn);
        TRtfState st;
        st.dest = TDest::StyleEntry;
        st.ch = base->second.ch;
        st.pa = base->second.pa;
        for (const TStyleWord& w : e.words)
            if (!ParaWord(w.word, w.has, w.param, st)) CharWord(w.word, w.has, w.param, st);
        e.ch = st.ch;
        e.pa = st.pa;
        e.pa.inTable = false;
    };
    std::vector<int> numbers;
    for (const auto& [n, e] : styles_) numbers.push_back(n);
    for (const int n : numbers) resolve(n);
}

bool TRtfReader::BorderWord(std::string_view w, bool has, std::int32_t v) {
    // The sides of a row or cell ("\trbrdrt", "\clbrdrb", ...) and the words
    // of the border that follows them give the table's border. Paragraph
    // borders and a cell's diagonals are read and left.
    const bool side = (w.size() == 7 && (w.substr(0, 6) == "trbrdr" || w.substr(0, 6) == "clbrdr")) ||
                      w == "cldglu" || w == "cldgll";
    if (side) {
        CommitBorderSide();
        sideOpen_ = w.substr(0, 2) != "cl" || w.substr(2, 4) == "brdr";
        sideStyle_ = 0;
        sideWidth_ = -1;
        return true;
    }
    if (w == "box" || In(w, {"brdrt", "brdrb", "brdrl", "brdrr", "brdrbtw", "brdrbar"})) {
        CommitBorderSide();
        return true;
    }
    if (w.substr(0, 4) == "brdr" || w == "brsp") {
        if (!sideOpen_) return true;
        if (w == "brdrw") sideWidth_ = has ? std::max(v, 0) : 0;
        else if (w == "brdrnone" || w == "brdrnil" || w == "brdrtbl") sideStyle_ = -1;
        else if (w == "brdrth") sideStyle_ = 2;
        else if (w != "brdrcf" && w != "brsp") sideStyle_ = 1;
        return true;
    }
    if (sideOpen_) CommitBorderSide();
    return false;
}

void TRtfReader::CommitBorderSide() {
    if (!sideOpen_) return;
    sideOpen_ = false;
    if (sideStyle_ <= 0 || outs_.empty()) return;
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind == TOut::kPlain || !o.table.defining) return;
    // A line without its width is the thinnest one; a thick line is twice
    // its width.
    const std::int32_t width = std::min(sideWidth_ < 0 ? 15 : sideWidth_, 1000);
    o.table.border = std::max(o.table.border, sideStyle_ == 2 ? 2 * width : width);
}

void TRtfReader::CharWord(std::string_view w, bool has, std::int32_t v, TRtfState& s) {
    TCharFmt& c = s.ch;
    const bool on = !has || v != 0;
    auto bit = [&](std::uint8_t b) { c.bits = static_cast<std::uint8_t>(on ? c.bits | b : c.bits & ~b); };
    const bool hotSpots = x_.importOptions.winHelp && !clip_;
    if (w == "f") c.font = has ? v : deff_;
    else if (w == "fs") { if (has && v > 0 && v < 3276) c.halfPoints = v; }
    else if (w == "cf") c.colour = has ? v : 0;
    else if (w == "b") bit(1);
    else if (w == "i") bit(2);
    else if (w == "strike" || w == "striked") bit(8);
    else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "ulth" || w == "uldash" || w == "ulwave" ||
             w == "uldashd" || w == "uldashdd" || w == "ulthd") {
        if (hotSpots) c.hot = on ? (w == "ul" ? 1 : 2) : 0;
        else bit(4);
    } else if (w == "ulnone") {
        if (hotSpots) c.hot = 0;
        else c.bits = static_cast<std::uint8_t>(c.bits & ~4);
    } else if (w == "up" || w == "super") c.pos = on ? 2 : 0;
    else if (w == "dn" || w == "sub") c.pos = on ? 1 : 0;
    else if (w == "nosupersub") c.pos = 0;
    else if (w == "v") c.hidden = on;
    else if (w == "plain") {
        const int font = deff_;
        const bool hidden = false;
        c = TCharFmt{};
        c.font = font;
        c.hidden = hidden;
    }
}

bool TRtfReader::ParaWord(std::string_view w, bool has, std::int32_t v, TRtfState& s) {
    TParaFmt& p = s.pa;
    if (w == "pard") {
        p = TParaFmt{};
        curLs_ = 0;
    } else if (w == "s") {
        const bool tbl = p.inTable;
        p.style = has ? v : 0;
        if (auto it = styles_.find(p.style); it != styles_.end()) {
            p = it->second.pa;
            p.style = has ? v : 0;
        }
        p.inTable = tbl;
    } else if (w == "ql" || w == "qj" || w == "qr" || w == "qc") {
        p.align = w == "qr" ? 1 : w == "qc" ? 2 : 0;
        p.given |= TParaFmt::gAlign;
    } else if (!has && In(w, {"fi", "li", "ri", "sb", "sa", "sl"})) return true;  // a word without its value changes nothing
    else if (w == "fi") p.fi = v, p.given |= TParaFmt::gFi;
    else if (w == "li") p.li = v, p.given |= TParaFmt::gLi;
    else if (w == "ri") p.ri = v, p.given |= TParaFmt::gRi;
    else if (w == "sb") p.sb = v, p.given |= TParaFmt::gSb;
    else if (w == "sa") p.sa = v, p.given |= TParaFmt::gSa;
    else if (w == "sl") {
        p.sl = v;
        p.slGiven = true;
    } else if (w == "ls") {
        const auto o = overrides_.find(v);
        const int nfc = o != overrides_.end() && listNfc_.count(o->second) ? listNfc_[o->second] : 0;
        p.numbering = nfc == 255 ? 0 : nfc == 23 ? 10 : 6;
        p.given |= TParaFmt::gNumbering;
    } else if (w == "pnlvlbody") p.numbering = 6, p.given |= TParaFmt::gNumbering;
    else if (w == "pnlvlblt") p.numbering = 10, p.given |= TParaFmt::gNumbering;
    else if (w == "pnlvlcont") {
    } else if (w == "intbl") p.inTable = true;
    else return false;
    return true;
}

void TRtfReader::Word(const TRtfToken& t) {
    const std::string_view w = t.word;
    const bool has = t.hasParam;
    const std::int32_t v = t.param;
    TRtfState& s = S();
    switch (s.dest) {
        case TDest::FontTable:
            if (w == "f") {
                entryFont_ = v;
                fonts_[v].codePage = 0;
                entryText_.clear();
            } else if (w == "fcharset") {
                fonts_[entryFont_].codePage = CharsetCodePage(v);
            } else if (w == "cpg" && has) {
                fonts_[entryFont_].codePage = v;
            }
            return;
        case TDest::ColourTable:
            if (w == "red" || w == "green" || w == "blue") {
                const std::uint32_t c = static_cast<std::uint32_t>(std::clamp(v, 0, 255));
                const int sh = w == "red" ? 0 : w == "green" ? 8 : 16;
                entryColour_ = (entryColour_ & ~(0xFFu << sh)) | (c << sh);
                entryHasRed_ = true;
            }
            return;
        case TDest::StyleEntry:
            if (w == "s") styleEntryNo_ = has ? v : 0;
            else if (w == "cs" || w == "ds" || w == "ts" || w == "tsrowd") styleEntryNo_ = -1;
            else if (w == "sbasedon") styleEntryBase_ = has ? v : -1;
            else {
                styleEntryWords_.push_back({std::string(w), has, v});
                if (!ParaWord(w, has, v, s)) CharWord(w, has, v, s);
            }
            return;
        case TDest::ListTable:
            if (w == "list") curNfc_ = -1;
            else if (w == "levelnfc" && curNfc_ < 0) curNfc_ = v;
            else if (w == "listid") listNfc_[v] = curNfc_ < 0 ? 0 : curNfc_;
            return;
        case TDest::ListOverride:
            if (w == "listid") curList_ = v;
            else if (w == "ls") overrides_[v] = curList_;
            return;
        case TDest::Pict:
            if (w == "picw") picw_ = v;
            else if (w == "pich") pich_ = v;
            else if (w == "picwgoal") picwgoal_ = v;
            else if (w == "pichgoal") pichgoal_ = v;
            else if (w == "picscalex" && v > 0) scalex_ = v;
            else if (w == "picscaley" && v > 0) scaley_ = v;
            else if (In(w, {"pngblip", "jpegblip", "emfblip", "wmetafile", "dibitmap", "wbitmap", "macpict", "pmmetafile"}))
                pictKind_ = std::string(w);
            return;
        case TDest::Info:
        case TDest::InfoTitle:
        case TDest::AtnAuthor:
        case TDest::NoText: return;
        default: break;
    }
    if (w == "rtf" || w == "ansi") return;
    if (BorderWord(w, has, v)) return;
    if (w == "ansicpg") {
        if (has) codePage_ = v;
        return;
    }
    if (w == "deff") {
        deff_ = has ? v : 0;
        return;
    }
    if (w == "uc") {
        if (has && v >= 0 && v < 16) s.uc = v;
        return;
    }
    if (w == "u") {
        Unicode(v);
        unicodeSkip_ = s.uc;
        return;
    }
    if (ParaWord(w, has, v, s)) return;
    if (w == "par") return EndParagraph();
    if (w == "line") return EndParagraph(true);
    if (w == "page" || w == "sect") {
        if (several_ && !clip_ && s.dest == TDest::Normal) return PageBreak();
        return;
    }
    if (w == "tab") return TextBytes("      ");
    if (w == "bullet") return Char('\x95');
    if (w == "emdash") return Char('\x97');
    if (w == "endash") return Char('\x96');
    if (w == "ldblquote") return Char('\x93');
    if (w == "rdblquote") return Char('\x94');
    if (w == "lquote") return Char('\x91');
    if (w == "rquote") return Char('\x92');
    if (w == "emspace" || w == "enspace" || w == "qmspace") return Char(' ');
    if (w == "chftn") {
        const std::string n = std::to_string(x_.footnoteCounter_ + 1);
        return TextBytes(n);
    }
    if (w == "trowd") return RowDefinition();
    if (w == "cellx") return CellX(has ? v : 0);
    if (w == "clcfpat" || w == "clcbpat") {
        TOut& o = outs_[static_cast<std::size_t>(s.out)];
        o.table.pendingBack = has ? static_cast<std::int32_t>(ColourOf(v)) : -1;
        return;
    }
    if (w == "cell") return Cell();
    if (w == "row") return Row();
    if (w == "nestcell") return Char(' ');
    if (w == "nestrow") return EndParagraph(true);
    CharWord(w, has, v, s);
}

void TRtfReader::Symbol(char c) {
    switch (c) {
        case '\\':
        case '{':
        case '}':
            if (unicodeSkip_ > 0) {
                --unicodeSkip_;
                return;
            }
            if (S().dest == TDest::Normal || S().dest == TDest::Frame || S().dest == TDest::Footnote || S().dest == TDest::Annotation)
                Char(c);
            else if (S().dest == TDest::StyleEntry || S().dest == TDest::FontTable)
                HeaderText(std::string_view(&c, 1));
            break;
        case '~': Char(' '); break;
        case '_': Char('-'); break;
        case 'n': EndParagraph(); break;
        default: break;  // "\-", "\|", "\:" and broken escapes carry no character
    }
}

}  // namespace convert::rtf
