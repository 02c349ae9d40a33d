#include "richtext/Markup.h"

#include <cstdio>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "markup/Lexer.h"
#include "model/Upgrade.h"

namespace richtext {

using namespace markup;
namespace {

constexpr int kMaxCellDepth = 16;
constexpr std::size_t kParaFontCap = 20;

bool IsLinkKind(std::uint32_t key) {
    std::uint32_t top = key >> 24;
    return top == 0x00 || top == 0x03 || top == 0x6F;
}

std::int32_t EffectiveLink(std::int32_t key) {
    return key != -1 && IsLinkKind(static_cast<std::uint32_t>(key)) ? key : -1;
}

void AppendInt(std::string& out, std::int64_t v) {
    char b[24];
    int n = std::snprintf(b, sizeof b, "%lld", static_cast<long long>(v));
    out.append(b, static_cast<std::size_t>(n));
}

void AppendHex(std::string& out, std::uint32_t v, int digits) {
    static const char kHex[] = "0123456789ABCDEF";
    for (int k = digits - 1; k >= 0; --k) out += kHex[(v >> (4 * k)) & 15];
}

void AppendFontName(std::string& out, char key, std::string_view name) {
    out += key;
    out += '"';
    out += TagSafeFontName(name);
    out += "\" ";
}

// Character values of a "<Y" tag; `all` writes the five, else those in `mask`.
void AppendCharTag(std::string& out, const TMyFont& f, unsigned mask) {
    out += "<Y ";
    if (mask & 1) {
        out += 'c';
        AppendColourHex(out, f.colour);
        out += ' ';
    }
    if ((mask & 2) && !TagSafeFontName(f.name).empty()) AppendFontName(out, 'F', f.name);
    if (mask & 4) {
        out += 's';
        AppendInt(out, f.size);
        out += ' ';
    }
    if (mask & 8) {
        out += 'y';
        AppendInt(out, f.style & 15);
        out += ' ';
    }
    if (mask & 16) {
        out += 'p';
        AppendInt(out, f.position & 0x7F);
        out += ' ';
    }
    out += '>';
}

std::int32_t MapIn(const std::vector<std::int32_t>* olds, const std::vector<std::int32_t>* news, std::int32_t v,
                   bool& mapped) {
    mapped = false;
    if (!olds || !news) return v;
    for (std::size_t j = 0; j < olds->size() && j < news->size(); ++j)
        if ((*olds)[j] == v) {
            mapped = true;
            return (*news)[j];
        }
    return v;
}

// Cells inside cells are written at most this deep; deeper ones are written
// empty (the reader never builds them deeper than kMaxCellDepth).
thread_local int writeDepth = 0;

void WriteCells(const TNYXembedded& e, std::string& out) {
    const int total = e.StoredCellCount();
    if (writeDepth > 2 * kMaxCellDepth) {
        for (int k = 0; k < total; ++k) out += "<Z S1 ><T>";
        return;
    }
    ++writeDepth;
    for (int k = 0; k < total; ++k) {
        const TNYXbox* cell = static_cast<std::size_t>(k) < e.Cells().size() ? e.Cells()[static_cast<std::size_t>(k)].get() : nullptr;
        bool any = false;
        if (cell) {
            for (std::int32_t i = cell->BodyBegin(); i < cell->BodyEnd(); ++i) {
                WriteParagraph(*cell->paragraphs[static_cast<std::size_t>(i)], out, wmStore);
                any = true;
            }
        }
        if (!any) out += "<Z S1 >";
        out += "<T>";
    }
    --writeDepth;
}

// --- reader ---------------------------------------------------------------------

class Reader {
public:
    Reader(TNYXparag& p, std::string_view d, std::size_t& pos, int mode, const TKeyMaps* maps)
        : p_(p), box_(*p.box), d_(d), pos_(pos), mode_(mode), maps_(maps) {}

    ReadStop Run(bool& got);

private:
    bool ReadParagraphTag(const Token& t);
    void Begin();
    void AddChar(unsigned char c);
    void CharTag(const Token& t);
    void RefTag(const Token& t);
    void ObjectTag(std::uint32_t key, const Token& t, std::size_t& next);
    void ReadCells(TNYXembedded& e, std::size_t& next);
    void SkipCells(std::size_t count, std::size_t& next);
    void Finish();
    void Note(MarkupProblem pr, std::size_t off) { box_.Note(pr, off); }
    TMyFont LinkFont() const {
        TMyFont f = running_;
        f.colour = static_cast<std::uint32_t>(p_.style.Get(pfLinkColour));
        f.style = static_cast<std::uint8_t>(f.style ^ (p_.style.Get(pfLinkStyle) & 15));
        std::int32_t ls = p_.style.Get(pfLinkSize);
        if (ls != -1) f.size = ls;
        return f;
    }

    TNYXparag& p_;
    TNYXbox& box_;
    std::string_view d_;
    std::size_t& pos_;
    int mode_;
    const TKeyMaps* maps_;
    TMyFont running_;
    TMyFont draw_;
    std::int32_t link_ = -1;
    int prev_ = -1;  // previous character in the drawing font, -1 after a font change
};

bool Reader::ReadParagraphTag(const Token& t) {
    TNYXParaStyle& st = p_.style;
    std::size_t b = t.begin + 2;
    if (b < t.end && d_[b] == ' ') ++b;
    TParamCursor pc(d_, b, t.end);
    std::int32_t n = 0;
    auto r = pc.Number('S', n);
    std::int64_t styleNo = box_.DefaultStyleNumber();
    if (r == TParamCursor::Result::Ok) {
        styleNo = n;
        if (maps_ && n >= 0 && static_cast<std::uint32_t>(n) <= model::kMaxIndex) {
            bool mapped = false;
            std::int32_t k = MapIn(maps_->oldKeys, maps_->newKeys, model::MakeRef(model::stileParagrafo, static_cast<std::uint32_t>(n)), mapped);
            if (mapped) styleNo = model::RefIndex(k);
        }
    } else {
        Note(r == TParamCursor::Result::Truncated ? MarkupProblem::TruncatedParameter : MarkupProblem::MissingStyle,
             t.begin);
    }
    st.SetNamed(box_.StyleByNumber(styleNo));

    auto noteBad = [&](TParamCursor::Result res) {
        if (res == TParamCursor::Result::Truncated) Note(MarkupProblem::TruncatedParameter, t.begin);
        else if (res == TParamCursor::Result::Malformed) Note(MarkupProblem::MalformedParameter, t.begin);
    };
    auto colour = [&](char key, ParaField f) {
        std::uint32_t c = 0;
        auto res = pc.Colour(key, c);
        if (res == TParamCursor::Result::Ok) st.Set(f, static_cast<std::int32_t>(c));
        else noteBad(res);
    };
    auto number = [&](char key, ParaField f, std::int32_t mask) {
        std::int32_t v = 0;
        auto res = pc.Number(key, v);
        if (res != TParamCursor::Result::Ok) return noteBad(res);
        if (mask == 15) v = (st.Get(f) & ~15) | (v & 15);
        else if (mask) v &= mask;
        st.Set(f, v);
    };
    colour('c', pfColour);
    {
        std::string name;
        auto res = pc.FontName('F', name);
        if (res == TParamCursor::Result::Ok) {
            name = TagSafeFontName(name);
            if (name.size() > kParaFontCap) name.resize(kParaFontCap);
            if (!name.empty()) st.SetFontName(name);
        } else {
            noteBad(res);
        }
    }
    number('s', pfSize, 0);
    number('y', pfStyle, 15);
    number('p', pfPosition, 0x7F);
    number('P', pfSpare, 0x7F);
    number('A', pfAlign, 0x7F);
    number('N', pfList, 0x7F);
    number('M', pfUnit, 0x7F);
    number('L', pfLineHeight, 0);
    number('I', pfIndent, 0);
    number('l', pfLeft, 0);
    number('r', pfRight, 0);
    number('t', pfAbove, 0);
    number('b', pfBelow, 0);
    colour('C', pfLinkColour);
    number('S', pfLinkSize, 0);
    number('Y', pfLinkStyle, 15);
    if (t.truncated) Note(MarkupProblem::TruncatedTag, t.begin);
    return true;
}

void Reader::Begin() {
    p_.style.Running().Assign(p_.style);
    p_.baseFont = p_.style.Font();
    running_ = draw_ = p_.baseFont;
    p_.defaultLineHeight = box_.Metrics().LineHeight(p_.baseFont);
    link_ = -1;
    prev_ = -1;
    p_.text.clear();
    p_.recs.clear();
    p_.fonts.clear();
    p_.lines.clear();
    p_.lines.emplace_back();
    p_.recs.push_back({});
}

void Reader::AddChar(unsigned char c) {
    TCharMetrics m = MeasureChar(box_.Metrics(), draw_, prev_, c);
    prev_ = c;
    TNYXcharRec& r = p_.recs.back();
    r.width = m.width;
    r.height = m.height;
    r.ascent = m.ascent;
    p_.text += static_cast<char>(c);
    TNYXcharRec next;
    next.link = link_;
    p_.recs.push_back(next);
}

void Reader::CharTag(const Token& t) {
    std::size_t b = t.begin + 2;
    if (b < t.end && d_[b] == ' ') ++b;
    TParamCursor pc(d_, b, t.end);
    auto noteBad = [&](TParamCursor::Result res) {
        if (res == TParamCursor::Result::Truncated) Note(MarkupProblem::TruncatedParameter, t.begin);
        else if (res == TParamCursor::Result::Malformed) Note(MarkupProblem::MalformedParameter, t.begin);
    };
    std::uint32_t colour = 0;
    std::string name;
    std::int32_t size = 0, ital = 0, bold = 0, sty = 0, pos = 0;
    auto rc = pc.Colour('c', colour);
    noteBad(rc);
    auto rf = pc.FontName('F', name);
    noteBad(rf);
    if (rf == TParamCursor::Result::Ok) name = TagSafeFontName(name);
    bool hasName = rf == TParamCursor::Result::Ok && !name.empty();
    auto rs = pc.Number('s', size);
    noteBad(rs);
    auto ri = pc.Number('i', ital);
    noteBad(ri);
    auto rg = pc.Number('g', bold);
    noteBad(rg);
    auto ry = pc.Number('y', sty);
    noteBad(ry);
    auto rp = pc.Number('p', pos);
    noteBad(rp);
    using R = TParamCursor::Result;
    if (t.truncated) Note(MarkupProblem::TruncatedTag, t.begin);

    auto applyIG = [&](std::uint8_t s) {
        if (ri == R::Ok) s = static_cast<std::uint8_t>(ital ? (s | kItalic) : (s & ~kItalic));
        if (rg == R::Ok) s = static_cast<std::uint8_t>(bold ? (s | kBold) : (s & ~kBold));
        return s;
    };
    TNYXFontStyle* fs = nullptr;
    std::int32_t cur = p_.recs.back().font;
    if (cur >= 0 && static_cast<std::size_t>(cur) < p_.fonts.size()) {
        fs = p_.fonts[static_cast<std::size_t>(cur)].get();
        if (rc == R::Ok) fs->SetColour(colour);
        if (hasName) fs->SetName(name);
        if (rs == R::Ok) fs->SetSize(size);
        if (ry == R::Ok) fs->SetStyle(static_cast<std::uint8_t>(sty & 15));
        else if (ri == R::Ok || rg == R::Ok) fs->SetStyle(applyIG(fs->Style()));
        if (rp == R::Ok) fs->SetPosition(static_cast<std::uint8_t>(pos & 0x7F));
    } else {
        const TMyFont& base = p_.baseFont;
        auto nf = std::make_unique<TNYXFontStyle>();
        nf->SetBase(p_.style.Named());
        std::uint8_t s = base.style;
        if (ry == R::Ok) s = static_cast<std::uint8_t>(sty & 15);
        else if (ri == R::Ok || rg == R::Ok) s = applyIG(0);
        nf->AssignFont({hasName ? name : base.name, s, rc == R::Ok ? colour : base.colour,
                        rs == R::Ok ? size : base.size,
                        rp == R::Ok ? static_cast<std::uint8_t>(pos & 0x7F) : base.position});
        fs = nf.get();
        p_.fonts.push_back(std::move(nf));
        p_.recs.back().font = static_cast<std::int32_t>(p_.fonts.size() - 1);
    }
    running_ = fs->Font();
    prev_ = -1;
    if (link_ == -1) {
        draw_ = running_;
    } else if (p_.style.Get(pfLinkSize) == -1) {
        draw_.size = running_.size;
        draw_.name = running_.name;
        draw_.style = static_cast<std::uint8_t>(running_.style ^ (p_.style.Get(pfLinkStyle) & 15));
    }
}

void Reader::RefTag(const Token& t) {
    std::uint32_t key = 0;
    if (!ParseRefTag(d_, t, key)) {
        Note(t.truncated ? MarkupProblem::TruncatedTag : MarkupProblem::UnknownLink, t.begin);
        return;
    }
    std::uint32_t top = key >> 24;
    if (top == 0xFF) return;  // handled by the caller
    if (!IsLinkKind(key)) {
        Note(MarkupProblem::UnknownLink, t.begin);
        return;
    }
    auto k = static_cast<std::int32_t>(key);
    if (top == 0x6F && maps_) {
        bool mapped = false;
        k = MapIn(maps_->oldKeys, maps_->newKeys, k, mapped);
    }
    link_ = k;
    draw_ = LinkFont();
    prev_ = -1;
    p_.recs.back().link = k;
}

void Reader::SkipCells(std::size_t count, std::size_t& next) {
    TMarkupLexer lx(d_, next);
    while (count > 0) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End || t.kind == TokenKind::Nul) {
            next = t.begin;
            return;
        }
        if (t.kind != TokenKind::Tag) continue;
        if (t.letter == 'T' && t.end - t.begin == 3 && !t.truncated) {
            --count;
        } else if (t.letter == '$') {
            std::uint32_t key = 0;
            if (!ParseRefTag(d_, t, key) || (key >> 24) != 0xFF) continue;
            TNYXembedded* e = box_.Registry() ? box_.Registry()->Find(static_cast<std::int32_t>(key & 0xFFFFFF)) : nullptr;
            if (!e || !e->IsTable()) continue;
            if (d_.substr(t.end, 3) == "<@>") {
                lx.Seek(t.end + 3);
            } else if (count < (std::size_t(1) << 24)) {
                count += static_cast<std::size_t>(e->StoredCellCount());
            }
        }
    }
    next = lx.Pos();
}

void Reader::ReadCells(TNYXembedded& e, std::size_t& next) {
    const int total = e.StoredCellCount();
    e.Cells().clear();
    bool ended = false;
    for (int k = 0; k < total; ++k) {
        auto cell = std::make_unique<TNYXbox>(box_.Set(), box_.Registry(), &box_.Metrics());
        cell->ownerTable = &e;
        cell->depth = box_.depth + 1;
        cell->diagnostics = box_.diagnostics;
        if (!ended) {
            std::size_t added = 0;
            ReadStop s = ReadParagraphs(*cell, d_, next, 0, pkBody, &added, maps_);
            if (s == ReadStop::TextEnd) {
                ended = true;
                if (k + 1 < total) Note(MarkupProblem::MissingCells, next);
            }
        }
        if (cell->paragraphs.empty()) {
            std::size_t q = 0;
            ReadParagraphs(*cell, kNewCellText, q, 0, pkBody);
        }
        e.Cells().push_back(std::move(cell));
    }
}

void Reader::ObjectTag(std::uint32_t key, const Token& t, std::size_t& next) {
    auto id = static_cast<std::int32_t>(key & 0xFFFFFF);
    if (maps_) {
        bool mapped = false;
        id = MapIn(maps_->oldIds, maps_->newIds, id, mapped) & 0xFFFFFF;
    }
    TNYXembedded* e = box_.Registry() ? box_.Registry()->Find(id) : nullptr;
    if (!e) {
        Note(MarkupProblem::UnknownObject, t.begin);
        return;
    }
    const bool withCells = e->IsTable() && mode_ == 0;
    const bool keepCells = withCells && d_.substr(next, 3) == "<@>";
    if (e->PlacedNow(box_.Registry()->Generation())) {
        // Already shown by a paragraph: the second tag is dropped with its cells.
        Note(MarkupProblem::DuplicateObject, t.begin);
        if (keepCells) next += 3;
        else if (withCells) SkipCells(static_cast<std::size_t>(e->StoredCellCount()), next);
        return;
    }
    // Shown by this paragraph before its cells are read, so that a cell
    // cannot show the table that holds it.
    std::int32_t idx = p_.AddObject(e);
    if (idx < 0) {
        if (keepCells) next += 3;
        else if (withCells) SkipCells(static_cast<std::size_t>(e->StoredCellCount()), next);
        return;
    }
    if (withCells && (e->StoredCellCount() == 0 || e->Record()->Byte(94) > 50))
        Note(MarkupProblem::TableShape, t.begin);  // the grid shows 1 to 50 columns, the record stays
    if (keepCells) {
        next += 3;
    } else if (withCells) {
        if (box_.depth + 1 > kMaxCellDepth) {
            Note(MarkupProblem::NestingTooDeep, t.begin);
            SkipCells(static_cast<std::size_t>(e->StoredCellCount()), next);
        } else {
            ReadCells(*e, next);
        }
    }
    prev_ = -1;
    TNYXcharRec& r = p_.recs.back();
    r.width = e->width;
    r.height = e->height;
    r.ascent = e->height;
    r.object = idx;
    r.link = link_;
    p_.text += ' ';
    TNYXcharRec nr;
    nr.link = link_;
    p_.recs.push_back(nr);
}

ReadStop Reader::Run(bool& got) {
    got = false;
    const std::size_t n = d_.size();
    std::size_t q = pos_;
    while (q < n && static_cast<unsigned char>(d_[q]) < 0x20 && d_[q] != '\0') ++q;
    if (q >= n || d_[q] == '\0') {
        pos_ = q;
        p_.EnsureEndRecord();
        return ReadStop::TextEnd;
    }
    got = true;
    TMarkupLexer lx(d_, q);
    if (d_.substr(q, 2) == "<Z") {
        Token t = lx.Next();
        ReadParagraphTag(t);
    } else {
        // No paragraph tag here: the text still forms a paragraph of the
        // box's own style rather than being lost.
        if (d_[q] != '<') Note(MarkupProblem::TextBeforeParagraph, q);
        else if (d_.substr(q, 3) != "<T>") Note(MarkupProblem::MissingStyle, q);
        p_.style.SetNamed(box_.StyleByNumber(box_.DefaultStyleNumber()));
    }
    Begin();

    ReadStop stop = ReadStop::TextEnd;
    for (;;) {
        Token t = lx.Next();
        if (t.kind == TokenKind::End || t.kind == TokenKind::Nul) {
            pos_ = t.begin;
            stop = ReadStop::TextEnd;
            break;
        }
        if (t.kind == TokenKind::Text) {
            for (std::size_t i = t.begin; i < t.end; ++i) {
                auto c = static_cast<unsigned char>(d_[i]);
                if (c >= 0x20) AddChar(c);
            }
            continue;
        }
        if (t.kind == TokenKind::Entity) {
            if (t.ch >= 0x20) AddChar(static_cast<unsigned char>(t.ch));
            continue;
        }
        switch (t.letter) {
            case 'Z':
                pos_ = t.begin;
                Finish();
                return ReadStop::Next;
            case 'Y':
                CharTag(t);
                break;
            case '$': {
                std::uint32_t key = 0;
                if (ParseRefTag(d_, t, key) && (key >> 24) == 0xFF) {
                    std::size_t next = t.end;
                    ObjectTag(key, t, next);
                    lx.Seek(next);
                } else {
                    RefTag(t);
                }
                break;
            }
            case '%':
                link_ = -1;
                p_.recs.back().link = -1;
                draw_ = running_;
                prev_ = -1;
                break;
            case 'T':
                if (t.end - t.begin == 3 && !t.truncated) {
                    if (box_.IsCell()) {
                        pos_ = t.end;
                        Finish();
                        return ReadStop::CellEnd;
                    }
                    Note(MarkupProblem::StrayCellEnd, t.begin);
                }
                break;
            case 'D': case 'F': case 'R': {
                const char close[4] = {'<', static_cast<char>(t.letter + ('a' - 'A')), '>', 0};
                std::size_t at = t.truncated ? std::string_view::npos : d_.find(close, t.end, 3);
                std::size_t nul = d_.find('\0', t.end);
                if (at != std::string_view::npos && (nul == std::string_view::npos || at < nul)) {
                    lx.Seek(at + 3);
                } else {
                    Note(MarkupProblem::UnterminatedBlock, t.begin);
                }
                break;
            }
            default:
                if (t.truncated) Note(MarkupProblem::TruncatedTag, t.begin);
                break;
        }
    }
    Finish();
    return stop;
}

void Reader::Finish() {
    if (p_.text.empty()) draw_ = p_.baseFont;
    p_.EnsureEndRecord();
    if (p_.lines.empty()) p_.lines.emplace_back();
    if (p_.lines[0].height == 0) p_.lines[0].height = p_.defaultLineHeight > 0 ? p_.defaultLineHeight : 20;
}

// Reads one paragraph at box index `at`; false when nothing was there.
bool ReadOneAt(TNYXbox& box, std::size_t at, std::string_view data, std::size_t& pos, int mode, int kind,
               ReadStop& stop, const TKeyMaps* maps) {
    auto para = std::make_unique<TNYXparag>(&box, kind);
    TNYXparag* raw = para.get();
    box.paragraphs.insert(box.paragraphs.begin() + static_cast<std::ptrdiff_t>(at), std::move(para));
    bool got = false;
    Reader r(*raw, data, pos, mode, maps);
    stop = r.Run(got);
    if (!got) box.paragraphs.erase(box.paragraphs.begin() + static_cast<std::ptrdiff_t>(at));
    return got;
}

void AddEmptyParagraph(TNYXbox& box, std::size_t at, int kind) {
    std::string t = "<Z S";
    AppendInt(t, box.DefaultStyleNumber());
    t += " >";
    std::size_t q = 0;
    ReadStop s;
    ReadOneAt(box, at, t, q, 0, kind, s, nullptr);
}

class UiSink : public TMarkupProblemSink {
public:
    void Report(const TMarkupDiagnostics& d) override {
        if (d.Count(MarkupProblem::TruncatedParameter)) platform::ui().Error("Truncated line!");
    }
};

}  // namespace

std::string TagSafeFontName(std::string_view name) {
    std::string s;
    s.reserve(name.size());
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != '"' && c != '<' && c != '>') s += c;
    return s;
}

// --- writer ----------------------------------------------------------------------

void WriteParagraph(const TNYXparag& p, std::string& out, int mode, std::int64_t end, std::int64_t start) {
    const auto n = static_cast<std::int64_t>(p.text.size());
    std::int64_t e = end < 0 || end > n ? n : end;
    std::int64_t s = start < 0 ? 0 : (start > e ? e : start);
    std::int64_t cellFrom = s, cellTo = e;  // mode 3: tables written with their cells
    if (mode == wmUndoRange) {
        s = 0;
        e = n;
    }
    const TNYXParaStyle& st = p.style;
    const bool table = p.IsTableParagraph();

    if (mode != wmContinue || table) {
        out += "<Z S";
        AppendInt(out, TNYXbox::StyleNumber(st.Named()));
        out += ' ';
        struct K {
            char key;
            ParaField f;
            int kind;  // 0 colour, 1 name, 2 number, 3 four bits, 4 seven bits
        };
        static constexpr K kOrder[] = {
            {'c', pfColour, 0},     {'F', pfName, 1},      {'s', pfSize, 2},       {'y', pfStyle, 3},
            {'p', pfPosition, 4},   {'P', pfSpare, 4},     {'A', pfAlign, 4},      {'N', pfList, 4},
            {'M', pfUnit, 4},       {'L', pfLineHeight, 2}, {'I', pfIndent, 2},    {'l', pfLeft, 2},
            {'r', pfRight, 2},      {'t', pfAbove, 2},     {'b', pfBelow, 2},      {'C', pfLinkColour, 0},
            {'S', pfLinkSize, 2},   {'Y', pfLinkStyle, 3},
        };
        for (const K& k : kOrder) {
            if (!st.Overridden(k.f)) continue;
            std::int32_t v = st.Get(k.f);
            switch (k.kind) {
                case 0:
                    out += k.key;
                    AppendColourHex(out, static_cast<std::uint32_t>(v));
                    out += ' ';
                    break;
                case 1:
                    if (!TagSafeFontName(st.FontName()).empty()) AppendFontName(out, 'F', st.FontName());
                    break;
                default:
                    out += k.key;
                    AppendInt(out, k.kind == 3 ? (v & 15) : k.kind == 4 ? (v & 0x7F) : v);
                    out += ' ';
                    break;
            }
        }
        out += '>';
    } else {
        AppendCharTag(out, st.Font(), 31);
    }

    const TMyFont paraFont = st.Font();
    TMyFont runningFont = paraFont;
    std::int32_t link = -1;
    std::size_t lastYBegin = std::string::npos, lastYEnd = std::string::npos;
    auto beginY = [&]() {
        if (lastYEnd == out.size() && lastYBegin != std::string::npos) out.erase(lastYBegin);
        lastYBegin = out.size();
    };
    for (std::int64_t i = 0; i < e; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        const TNYXcharRec rec = ui < p.recs.size() ? p.recs[ui] : TNYXcharRec{};
        if (rec.font >= 0 && static_cast<std::size_t>(rec.font) < p.fonts.size()) {
            const TNYXFontStyle& fs = *p.fonts[static_cast<std::size_t>(rec.font)];
            // A value the change does not override follows the paragraph's
            // named style (which a newly applied style may have replaced).
            const model::TNYXoggetto* named = st.Named();
            TMyFont f = fs.Font();
            if (!fs.Overridden(TNYXFontStyle::fColour)) f.colour = static_cast<std::uint32_t>(StyleValue(named, pfColour));
            if (!fs.Overridden(TNYXFontStyle::fName)) f.name = StyleFontName(named);
            if (!fs.Overridden(TNYXFontStyle::fSize)) f.size = StyleValue(named, pfSize);
            if (!fs.Overridden(TNYXFontStyle::fStyle)) f.style = static_cast<std::uint8_t>(StyleValue(named, pfStyle));
            if (!fs.Overridden(TNYXFontStyle::fPosition))
                f.position = static_cast<std::uint8_t>(StyleValue(named, pfPosition));
            if (i >= s) {
                // A value is written when it differs from the named style, and
                // also when it differs from what a reader would fill in (the
                // paragraph's own values), so that a run reset to the style
                // inside an overridden paragraph survives a round trip.
                unsigned mask = 0;
                if (mode == wmContinue) {
                    mask = 31;
                } else {
                    if (fs.Overridden(TNYXFontStyle::fColour) || f.colour != paraFont.colour) mask |= 1;
                    if (fs.Overridden(TNYXFontStyle::fName) || f.name != paraFont.name) mask |= 2;
                    if (fs.Overridden(TNYXFontStyle::fSize) || f.size != paraFont.size) mask |= 4;
                    if (fs.Overridden(TNYXFontStyle::fStyle) || f.style != paraFont.style) mask |= 8;
                    if (fs.Overridden(TNYXFontStyle::fPosition) || f.position != paraFont.position) mask |= 16;
                }
                beginY();
                AppendCharTag(out, f, mask);
                lastYEnd = out.size();
            }
            runningFont = f;
        } else if (i == s && i > 0) {
            beginY();
            AppendCharTag(out, runningFont, 31);
            lastYEnd = out.size();
        }
        if (i < s) continue;
        std::int32_t rl = EffectiveLink(rec.link);
        if (rl != link) {
            link = rl;
            if (link == -1) {
                out += "<%>";
            } else {
                out += "<$";
                AppendHex(out, static_cast<std::uint32_t>(link), 8);
                out += '>';
            }
        }
        TNYXembedded* obj = p.ObjectAt(ui);
        if (obj) {
            out += "<$FF";
            AppendHex(out, static_cast<std::uint32_t>(obj->Id()), 6);
            out += '>';
            if (obj->IsTable()) {
                if (mode == wmStore || (mode == wmUndoRange && i >= cellFrom && i < cellTo)) WriteCells(*obj, out);
                else if (mode == wmUndoRange) out += "<@>";
            }
            continue;
        }
        char c = ui < p.text.size() ? p.text[ui] : ' ';
        if (static_cast<unsigned char>(c) >= 0x20) AppendEscaped(out, c);
        // The plain characters that follow, up to the next record with
        // anything to write, go out in one piece.
        std::size_t j = ui + 1;
        const auto limit = static_cast<std::size_t>(e);
        const std::size_t nrec = p.recs.size();
        while (j < limit && j < nrec && j < p.text.size()) {
            const TNYXcharRec& r = p.recs[j];
            const auto b = static_cast<unsigned char>(p.text[j]);
            if (r.font >= 0 || r.object >= 0 || EffectiveLink(r.link) != link || b < 0x20 || b == '&' || b == '<' ||
                b == '>')
                break;
            ++j;
        }
        if (j > ui + 1) {
            out.append(p.text, ui + 1, j - ui - 1);
            i = static_cast<std::int64_t>(j) - 1;
        }
    }
    if (link != -1) out += "<%>";
}

// --- reading ----------------------------------------------------------------------

ReadStop ReadParagraphEx(TNYXparag& p, std::string_view data, std::size_t& pos, int mode, const TKeyMaps* maps) {
    bool got = false;
    Reader r(p, data, pos, mode, maps);
    return r.Run(got);
}

ReadStop ReadParagraphs(TNYXbox& box, std::string_view data, std::size_t& pos, int mode, int kind,
                        std::size_t* added, const TKeyMaps* maps) {
    std::size_t count = 0;
    ReadStop stop = ReadStop::TextEnd;
    for (;;) {
        std::size_t before = pos;
        bool got = ReadOneAt(box, box.paragraphs.size(), data, pos, mode, kind, stop, maps);
        if (got) ++count;
        if (stop != ReadStop::Next || pos <= before) break;
    }
    if (added) *added = count;
    return stop;
}

void LoadBox(TNYXbox& box, int mode, std::string_view body, std::string_view header, std::string_view footer,
             TMarkupProblemSink* sink) {
    platform::BusyCursor busy;
    TMarkupDiagnostics diag;
    TMarkupDiagnostics* previous = box.diagnostics;
    box.diagnostics = &diag;
    box.paragraphs.clear();
    box.headerCount = box.footerCount = 0;
    if (box.Registry() && !box.IsCell()) box.Registry()->NewGeneration();
    std::size_t n = 0, pos = 0;
    if (!header.empty()) {
        ReadParagraphs(box, header, pos, mode, pkHeader, &n);
        box.headerCount = static_cast<std::int32_t>(n);
    }
    pos = 0;
    ReadParagraphs(box, body, pos, mode, pkBody, &n);
    if (n == 0) AddEmptyParagraph(box, box.paragraphs.size(), pkBody);
    if (!footer.empty()) {
        pos = 0;
        ReadParagraphs(box, footer, pos, mode, pkFooter, &n);
        box.footerCount = static_cast<std::int32_t>(n);
    }
    box.diagnostics = previous;
    if (previous) {
        for (const auto& note : diag.Notes()) previous->Note(note.problem, note.offset);
    }
    box.Layout(0, static_cast<std::int32_t>(box.paragraphs.size()) - 1);
    if (!diag.Empty()) {
        UiSink ui;
        (sink ? static_cast<TMarkupProblemSink&>(*sink) : ui).Report(diag);
    }
}

std::string BoxText(const TNYXbox& box) {
    std::string out;
    std::size_t estimate = 16;
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i)
        estimate += box.paragraphs[static_cast<std::size_t>(i)]->text.size() * 5 / 4 + 16;
    out.reserve(estimate);
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i)
        WriteParagraph(*box.paragraphs[static_cast<std::size_t>(i)], out, wmStore);
    out += '\0';
    return out;
}

void StoreBoxText(const TNYXbox& box, model::TNYXtesto& page) {
    std::string t = BoxText(box);
    t.pop_back();
    page.SetText(t);
    page.SetByte(model::kTextVersionOffset, 2);
}

void LoadBoxFromPage(TNYXbox& box, model::TNYXtesto& page, TMarkupProblemSink* sink) {
    if (model::TNYXset* s = box.Set() ? box.Set() : page.Set()) model::UpgradePageText(*s, page);
    std::string text = page.HasFirstStream() ? page.Text() : std::string();
    LoadBox(box, 0, text, {}, {}, sink);
}

void RelayoutParagraphs(TNYXbox& box, std::int32_t first, std::int32_t last) {
    const auto size = static_cast<std::int32_t>(box.paragraphs.size());
    if (size == 0) return;
    if (first < 0) first = 0;
    if (last >= size) last = size - 1;
    if (first > last) return;
    std::string s;
    for (std::int32_t i = first; i <= last; ++i) WriteParagraph(*box.paragraphs[static_cast<std::size_t>(i)], s, wmRelayout);
    s += '\0';
    const std::int32_t top = box.paragraphs[static_cast<std::size_t>(first)]->top;
    const std::int32_t bottom = box.paragraphs[static_cast<std::size_t>(last)]->bottom;
    std::vector<int> kinds;
    for (std::int32_t i = first; i <= last; ++i) kinds.push_back(box.paragraphs[static_cast<std::size_t>(i)]->kind);
    box.paragraphs.erase(box.paragraphs.begin() + first, box.paragraphs.begin() + last + 1);
    std::size_t pos = 0;
    std::int32_t at = first;
    for (int kind : kinds) {
        ReadStop stop = ReadStop::TextEnd;
        if (!ReadOneAt(box, static_cast<std::size_t>(at), s, pos, wmRelayout, kind, stop, nullptr))
            AddEmptyParagraph(box, static_cast<std::size_t>(at), kind);
        ++at;
    }
    box.paragraphs[static_cast<std::size_t>(first)]->top = top;
    box.paragraphs[static_cast<std::size_t>(at - 1)]->bottom = bottom;
}

bool JoinParagraphs(TNYXbox& box, std::int32_t i) {
    const auto size = static_cast<std::int32_t>(box.paragraphs.size());
    if (i < 0 || i + 1 >= size) return false;
    TNYXparag& a = *box.paragraphs[static_cast<std::size_t>(i)];
    TNYXparag& b = *box.paragraphs[static_cast<std::size_t>(i) + 1];
    if (a.IsTableParagraph() || b.IsTableParagraph() || a.kind != b.kind) return false;
    std::string s;
    WriteParagraph(a, s, wmRelayout);
    WriteParagraph(b, s, wmContinue);
    s += '\0';
    const int kind = a.kind;
    const std::int32_t top = a.top, bottom = b.bottom;
    box.paragraphs.erase(box.paragraphs.begin() + i, box.paragraphs.begin() + i + 2);
    std::size_t pos = 0;
    ReadStop stop;
    if (!ReadOneAt(box, static_cast<std::size_t>(i), s, pos, wmRelayout, kind, stop, nullptr))
        AddEmptyParagraph(box, static_cast<std::size_t>(i), kind);
    if (kind == pkHeader) --box.headerCount;
    else if (kind == pkFooter) --box.footerCount;
    box.paragraphs[static_cast<std::size_t>(i)]->top = top;
    box.paragraphs[static_cast<std::size_t>(i)]->bottom = bottom;
    return true;
}

}  // namespace richtext
