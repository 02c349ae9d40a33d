#include "richtext/Editing.h"

#include <algorithm>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "markup/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/Undo.h"

namespace richtext {

using namespace markup;
namespace {

std::string Head(const TNYXparag& p, std::int32_t ch) {
    std::string s;
    WriteParagraph(p, s, wmRelayout, ch, 0);
    return s;
}

// The text from ch on as a paragraph of its own (same paragraph style).
std::string TailOwn(const TNYXparag& p, std::int32_t ch) {
    std::string s;
    WriteParagraph(p, s, wmRelayout, -1, ch);
    return s;
}

// The text from ch on, to continue another paragraph with its own look.
std::string TailCont(const TNYXparag& p, std::int32_t ch) {
    std::string s;
    if (p.IsTableParagraph() || ch >= static_cast<std::int32_t>(p.text.size())) return s;
    WriteParagraph(p, s, wmContinue, -1, ch);
    return s;
}

std::string Whole(const TNYXparag& p) {
    std::string s;
    WriteParagraph(p, s, wmRelayout);
    return s;
}

void AppendNumber(std::string& out, std::int64_t v) { out += std::to_string(v); }

void CharTag(std::string& out, const TMyFont& f) {
    out += "<Y c";
    AppendColourHex(out, f.colour);
    out += ' ';
    if (std::string n = TagSafeFontName(f.name); !n.empty()) {
        out += "F\"";
        out += n;
        out += "\" ";
    }
    out += 's';
    AppendNumber(out, f.size);
    out += " y";
    AppendNumber(out, f.style & 15);
    out += " p";
    AppendNumber(out, f.position & 0x7F);
    out += " >";
}

void LinkTag(std::string& out, std::int32_t key) {
    static const char kHex[] = "0123456789ABCDEF";
    out += "<$";
    for (int k = 7; k >= 0; --k) out += kHex[(static_cast<std::uint32_t>(key) >> (4 * k)) & 15];
    out += '>';
}

// The objects of a paragraph range and, for tables, of their cells.
// A stored picture field: a whole reference, or the slot of a picture.
std::int32_t PictureRef(std::int32_t v) {
    if (v < 0) return model::kNoRef;
    if (static_cast<std::uint32_t>(v) <= model::kMaxIndex) return model::MakeRef(model::immagine, static_cast<std::uint32_t>(v));
    return v;
}

std::int32_t MapKey(const std::vector<std::int32_t>& from, const std::vector<std::int32_t>& to, std::int32_t v) {
    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i)
        if (from[i] == v) return to[i];
    return v;
}

bool IsLocalKey(std::int32_t key) { return (static_cast<std::uint32_t>(key) >> 24) == 0x6F; }

void CollectObjects(const TNYXparag& p, std::int32_t from, std::int32_t to, std::vector<const TNYXembedded*>& out,
                    std::vector<std::int32_t>& styles, std::vector<std::int32_t>& links, int depth = 0) {
    if (std::int32_t n = TNYXbox::StyleNumber(p.style.Named()); n > 1) styles.push_back(n);
    for (std::int32_t c = std::max(from, 0); c < to && c < static_cast<std::int32_t>(p.text.size()); ++c) {
        if (static_cast<std::size_t>(c) < p.recs.size() && IsLocalKey(p.recs[static_cast<std::size_t>(c)].link))
            links.push_back(p.recs[static_cast<std::size_t>(c)].link);
        const TNYXembedded* e = p.ObjectAt(static_cast<std::size_t>(c));
        if (!e) continue;
        out.push_back(e);
        if (depth > 32) continue;
        for (const auto& cell : e->Cells())
            if (cell)
                for (const auto& cp : cell->paragraphs)
                    CollectObjects(*cp, 0, static_cast<std::int32_t>(cp->text.size()), out, styles, links, depth + 1);
    }
}

bool SameOverrides(const TNYXFontStyle& a, const TNYXFontStyle& b) {
    for (int f = TNYXFontStyle::fColour; f <= TNYXFontStyle::fPosition; ++f) {
        const auto field = static_cast<TNYXFontStyle::Field>(f);
        if (a.Overridden(field) != b.Overridden(field)) return false;
    }
    return true;
}

// Drops the attribute changes that change nothing (a run cut or joined by an
// edit restates the look already in force), so edited text reads as typed.
void Tidy(TNYXparag& p) {
    const TNYXFontStyle* prev = nullptr;
    for (std::size_t k = 0; k < p.text.size() && k < p.recs.size(); ++k) {
        const std::int32_t f = p.recs[k].font;
        if (f < 0 || static_cast<std::size_t>(f) >= p.fonts.size()) continue;
        const TNYXFontStyle& cur = *p.fonts[static_cast<std::size_t>(f)];
        const bool same = prev ? cur.Font() == prev->Font() && SameOverrides(cur, *prev)
                               : !cur.AnyOverride() && cur.Font() == p.style.Font();
        if (same) p.recs[k].font = -1;
        else prev = &cur;
    }
}

std::vector<int> BodyKinds(std::size_t n) { return std::vector<int>(n, pkBody); }

// Objects a pasted container brings, created in a registry.
struct PastedObjects {
    std::vector<std::int32_t> oldIds, newIds, oldKeys, newKeys;
};

}  // namespace

// --- helpers ------------------------------------------------------------------------

TNYXundoList* TNYXediting::Undo() const { return dynamic_cast<TNYXundoList*>(box_.undo); }

TboBackup* TNYXediting::Snap(const std::string& label, std::int32_t first, std::int32_t last) {
    TNYXundoList* u = Undo();
    return u ? u->TakeRange(label, box_, first, last) : nullptr;
}

void TNYXediting::AfterRange(TboBackup* b, std::int32_t first, std::int32_t last) {
    if (b) b->SetRangeAfter(first, last);
}

std::int32_t TNYXediting::Length(std::int32_t para) const {
    if (para < 0 || para >= static_cast<std::int32_t>(box_.paragraphs.size())) return 0;
    return static_cast<std::int32_t>(Para(para).text.size());
}

TTextPos TNYXediting::Clamp(TTextPos p) const {
    const std::int32_t lo = box_.BodyBegin(), hi = std::max(box_.BodyEnd() - 1, lo);
    p.para = std::clamp(p.para, lo, hi);
    p.ch = std::clamp(p.ch, 0, Length(p.para));
    return p;
}

std::int32_t TNYXediting::Rebuild(std::int32_t first, std::int32_t last, const std::string& markup) {
    const int kind = Para(first).kind;
    const std::int32_t top = Para(first).top, bottom = Para(last).bottom;
    std::string data = markup;
    data += '\0';
    EraseParagraphs(box_, first, last);
    std::size_t n = ReadParagraphsAt(box_, first, data, wmRelayout, std::vector<int>(markup.size() / 4 + 1, kind));
    if (n == 0) n = ReadParagraphsAt(box_, first, std::string_view("<Z S0 >\0", 8), wmRelayout, {kind});
    Para(first).top = top;
    Para(first + static_cast<std::int32_t>(n) - 1).bottom = bottom;
    for (std::size_t i = 0; i < n; ++i) Tidy(Para(first + static_cast<std::int32_t>(i)));
    return static_cast<std::int32_t>(n);
}

void TNYXediting::Relayout(std::int32_t first, std::int32_t last) {
    RelayoutParagraphs(box_, first, last);
    box_.Layout(first, last);
}

// --- caret and selection ------------------------------------------------------------------

void TNYXediting::CaretMoved() {
    typing_ = deleting_ = false;
    attrs_.TakePending();
}

void TNYXediting::SetCaret(TTextPos p) {
    p = Clamp(p);
    box_.caret = box_.selStart = box_.selEnd = p;
    CaretMoved();
}

void TNYXediting::Select(TTextPos anchor, TTextPos active) {
    box_.selStart = Clamp(anchor);
    box_.selEnd = Clamp(active);
    box_.caret = box_.selEnd;
    CaretMoved();
}

void TNYXediting::SelectAll() {
    const std::int32_t last = std::max(box_.BodyEnd() - 1, box_.BodyBegin());
    Select({box_.BodyBegin(), 0}, {last, Length(last)});
}

void TNYXediting::ClearSelection() { box_.selStart = box_.selEnd = box_.caret; }

TTextPos TNYXediting::SelectionStart() const {
    if (!box_.HasSelection()) return Clamp(box_.caret);
    return Clamp(std::min(box_.selStart, box_.selEnd));
}

TTextPos TNYXediting::SelectionEnd() const {
    if (!box_.HasSelection()) return Clamp(box_.caret);
    return Clamp(std::max(box_.selStart, box_.selEnd));
}

// --- splitting ---------------------------------------------------------------------------

std::int32_t TNYXediting::SplitAt(TTextPos at) {
    at = Clamp(at);
    const TNYXparag& p = Para(at.para);
    Rebuild(at.para, at.para, Head(p, at.ch) + TailOwn(p, at.ch));
    return at.para + 1;
}

bool TNYXediting::SplitParagraph() {
    if (box_.HasSelection()) DeleteSelection();
    CaretMoved();
    const TTextPos c = Clamp(box_.caret);
    TboBackup* snap = Snap("Inserimento paragrafo", c.para, c.para);
    const std::int32_t next = SplitAt(c);
    AfterRange(snap, c.para, next);
    box_.caret = box_.selStart = box_.selEnd = {next, 0};
    box_.Layout(c.para, next);
    return true;
}

// --- typing -------------------------------------------------------------------------------

bool TNYXediting::InsertChar(unsigned char c) {
    if (c < 32 || box_.paragraphs.empty()) return false;
    if (box_.HasSelection()) {
        typing_ = false;
        DeleteSelection();
    }
    deleting_ = false;
    TTextPos at = Clamp(box_.caret);
    const bool inTable = Para(at.para).IsTableParagraph();
    if (typing_ && Undo() && Undo()->NewestSerial() != typingSnap_) typing_ = false;
    if (!typing_ || inTable) {
        TboBackup* snap = Snap("Inserimento caratteri", at.para, at.para);
        typingSnap_ = snap ? snap->Serial() : 0;
        typing_ = true;
        if (inTable) {
            // The character gets a paragraph of its own, after the table or before it.
            const std::int32_t next = SplitAt(at);
            at = at.ch > 0 ? TTextPos{next, 0} : TTextPos{at.para, 0};
            AfterRange(snap, std::min(at.para, next - 1), next);
        }
    }
    TNYXparag& p = Para(at.para);
    const auto ch = static_cast<std::size_t>(at.ch);
    const std::int32_t link =
        ch > 0 ? p.recs[ch - 1].link : (p.text.empty() ? -1 : p.recs[0].link);

    if (autoEngQuote && (c == '"' || c == '\'')) {
        const unsigned char prev = ch > 0 ? static_cast<unsigned char>(p.text[ch - 1]) : 0;
        const bool opening = ch == 0 || prev == ' ' || prev == 0x92 || prev == 0x94;
        c = c == '"' ? (opening ? 0x93 : 0x94) : (opening ? 0x91 : 0x92);
    }

    if (attrs_.PeekPending().Any()) {
        TNYXTextAttributes::Pending pend = attrs_.TakePending();
        TMyFont f = p.FontAt(ch > 0 ? ch - 1 : 0);
        if (pend.colour) f.colour = pend.colourValue;
        if (pend.size) f.size = pend.sizeValue;
        if (pend.name) f.name = pend.nameValue;
        if (pend.style) f.style = pend.styleValue;
        if (pend.position) f.position = pend.positionValue;
        std::string m = Head(p, at.ch);
        CharTag(m, f);
        if (link != -1) LinkTag(m, link);
        AppendEscaped(m, static_cast<char>(c));
        if (link != -1) m += "<%>";
        // The text after the caret keeps the attributes it had.
        m += TailCont(p, at.ch);
        Rebuild(at.para, at.para, m);
    } else {
        TNYXcharRec r;
        r.link = link;
        if (ch == 0 && !p.recs.empty() && p.recs[0].font >= 0) {
            // The first character's attribute change now starts at the new one.
            r.font = p.recs[0].font;
            p.recs[0].font = -1;
        }
        p.text.insert(ch, 1, static_cast<char>(c));
        p.recs.insert(p.recs.begin() + static_cast<std::ptrdiff_t>(ch), r);
        p.spell.clear();
        RelayoutParagraphs(box_, at.para, at.para);
    }
    box_.caret = box_.selStart = box_.selEnd = {at.para, at.ch + 1};
    box_.Layout(at.para, at.para);
    return true;
}

// --- deleting -------------------------------------------------------------------------------

bool TNYXediting::DeleteSelection() {
    if (!box_.HasSelection()) {
        platform::ui().Error("SelectionMustExists");
        return false;
    }
    typing_ = false;
    return DeleteRange(SelectionStart(), SelectionEnd(), false);
}

bool TNYXediting::DeleteRange(TTextPos lo, TTextPos hi, bool run) {
    lo = Clamp(lo);
    hi = Clamp(hi);
    if (!(lo < hi)) return false;
    TNYXparag& first = Para(lo.para);
    const bool oneObject = lo.para == hi.para && hi.ch == lo.ch + 1 && first.ObjectAt(static_cast<std::size_t>(lo.ch));
    // A run shares its snapshot while it stays inside one paragraph.
    TcancelBackup* snap = nullptr;
    const bool shared = run && deleting_ && lo.para == hi.para && lo.para == runPara_ &&
                        (!Undo() || Undo()->NewestSerial() == deletingSnap_);
    if (!shared) {
        if (TNYXundoList* u = Undo()) {
            snap = u->TakeDeletion(oneObject ? "Cancella oggetto" : "Cancella selezione", box_, lo, hi);
            deletingSnap_ = snap ? snap->Serial() : 0;
        }
    }
    std::string m;
    if (lo.para == hi.para) {
        m = Head(first, lo.ch) + TailCont(first, hi.ch);
    } else {
        TNYXparag& last = Para(hi.para);
        if (last.IsTableParagraph() && hi.ch == 0) {
            // The table paragraph the deletion ended at stays whole.
            m = Head(first, lo.ch) + Whole(last);
        } else if (first.IsTableParagraph() && lo.ch > 0) {
            // Never merge text into a table's paragraph.
            m = Whole(first) + TailOwn(last, hi.ch);
        } else if (lo.ch == 0) {
            m = TailOwn(last, hi.ch);
        } else {
            m = Head(first, lo.ch) + TailCont(last, hi.ch);
        }
    }
    const std::int32_t left = Rebuild(lo.para, hi.para, m);
    if (snap) snap->SetParagraphsLeft(left);
    deleting_ = run;
    runPara_ = left == 1 ? lo.para : -1;
    box_.caret = box_.selStart = box_.selEnd = Clamp(lo);
    box_.Layout(lo.para, lo.para + left - 1);
    return true;
}

bool TNYXediting::RemoveParagraph(std::int32_t i, TTextPos caretAfter) {
    // Snapshot of the paragraph and its table neighbour; the neighbour stays.
    const bool tableAfter = i + 1 < static_cast<std::int32_t>(box_.paragraphs.size()) && Para(i + 1).IsTableParagraph();
    const std::int32_t a = tableAfter ? i : i - 1;
    TboBackup* snap = Snap("Cancella selezione", a, a + 1);
    EraseParagraphs(box_, i, i);
    AfterRange(snap, a, a);
    CaretMoved();
    box_.caret = box_.selStart = box_.selEnd = Clamp(caretAfter);
    box_.Layout(a, a);
    return true;
}

bool TNYXediting::DeleteForward() {
    if (box_.HasSelection()) return DeleteSelection();
    typing_ = false;
    const TTextPos c = Clamp(box_.caret);
    if (c.ch < Length(c.para)) return DeleteRange(c, {c.para, c.ch + 1}, true);
    const std::int32_t next = c.para + 1;
    if (next >= box_.BodyEnd()) return false;
    const bool here = Para(c.para).IsTableParagraph(), there = Para(next).IsTableParagraph();
    if (!here && !there) return DeleteRange(c, {next, 0}, true);
    // Next to a table nothing is joined: only an empty paragraph beside it goes.
    if (there && !here && Length(c.para) == 0) return RemoveParagraph(c.para, {c.para, 0});
    if (here && !there && Length(next) == 0) return RemoveParagraph(next, c);
    return false;
}

bool TNYXediting::Backspace() {
    if (box_.HasSelection()) return DeleteSelection();
    const TTextPos c = Clamp(box_.caret);
    if (c.ch > 0) {
        box_.caret = box_.selStart = box_.selEnd = {c.para, c.ch - 1};
    } else {
        if (c.para <= box_.BodyBegin()) return false;
        box_.caret = box_.selStart = box_.selEnd = {c.para - 1, Length(c.para - 1)};
    }
    return DeleteForward();
}

// --- replacing --------------------------------------------------------------------------------

bool TNYXediting::ReplaceSelection(std::string_view text) {
    if (!box_.HasSelection() || text.empty()) return false;
    const TTextPos lo = SelectionStart(), hi = SelectionEnd();
    if (lo.para != hi.para) {
        platform::ui().Information(
            "Funzione non disponibile per parole non comprese interamente in un paragrafo.");
        return false;
    }
    if (lo.ch == hi.ch) return false;
    CaretMoved();
    Snap("Sostituzione selezione con: " + std::string(text), lo.para, lo.para);
    TNYXparag& p = Para(lo.para);
    const auto a = static_cast<std::size_t>(lo.ch), b = static_cast<std::size_t>(hi.ch);
    const std::size_t nOld = b - a, nNew = text.size(), common = std::min(nOld, nNew);
    const std::int32_t lastLink = p.recs[b - 1].link;
    for (std::size_t i = 0; i < common; ++i) {
        p.text[a + i] = text[i];
        p.recs[a + i].object = -1;
    }
    if (nOld > nNew) {
        // The attribute change in force at the end stays there.
        std::int32_t lastFont = -1;
        for (std::size_t j = a + nNew; j < b; ++j)
            if (p.recs[j].font >= 0) lastFont = p.recs[j].font;
        if (lastFont >= 0 && p.recs[b].font < 0) p.recs[b].font = lastFont;
        p.text.erase(a + nNew, nOld - nNew);
        p.recs.erase(p.recs.begin() + static_cast<std::ptrdiff_t>(a + nNew), p.recs.begin() + static_cast<std::ptrdiff_t>(b));
    } else if (nNew > nOld) {
        TNYXcharRec r;
        r.link = lastLink;
        p.text.insert(b, text.substr(nOld));
        p.recs.insert(p.recs.begin() + static_cast<std::ptrdiff_t>(b), nNew - nOld, r);
    }
    p.spell.clear();
    Tidy(p);
    Relayout(lo.para, lo.para);
    box_.selStart = lo;
    box_.selEnd = box_.caret = {lo.para, lo.ch + static_cast<std::int32_t>(nNew)};
    return true;
}

// --- objects and links -------------------------------------------------------------------------

bool TNYXediting::InsertObject(TNYXembedded* object) {
    TNYXundoIndiciList* reg = box_.Registry();
    if (!object || !reg || reg->Find(object->Id()) != object) return false;
    if (object->PlacedNow(reg->Generation())) return false;
    CaretMoved();
    if (box_.HasSelection()) DeleteSelection();
    if (object->IsTable()) {
        // A table stands at the start of an empty paragraph of its own.
        if (Clamp(box_.caret).ch > 0) SplitParagraph();
        if (Length(Clamp(box_.caret).para) > 0) {
            const TTextPos c = Clamp(box_.caret);
            SplitParagraph();
            box_.caret = box_.selStart = box_.selEnd = {c.para, 0};
        }
    }
    TTextPos at = Clamp(box_.caret);
    TboBackup* snap = Snap("Inserimento oggetti", at.para, at.para);
    if (Para(at.para).IsTableParagraph()) {
        const std::int32_t next = SplitAt(at);
        at = at.ch > 0 ? TTextPos{next, 0} : TTextPos{at.para, 0};
        AfterRange(snap, std::min(at.para, next - 1), next);
    }
    TNYXparag& p = Para(at.para);
    const std::int32_t index = p.AddObject(object);
    if (index < 0) return false;
    TNYXcharRec r;
    r.object = index;
    r.width = object->width;
    r.height = object->height;
    const auto ch = static_cast<std::size_t>(at.ch);
    r.link = ch > 0 ? p.recs[ch - 1].link : -1;
    p.text.insert(ch, 1, ' ');
    p.recs.insert(p.recs.begin() + static_cast<std::ptrdiff_t>(ch), r);
    Relayout(at.para, at.para);
    box_.caret = box_.selStart = box_.selEnd = {at.para, at.ch + 1};
    return true;
}

bool TNYXediting::SetLink(std::int32_t key) {
    if (!box_.HasSelection()) {
        platform::ui().Warning("Selection must exists!");
        return false;
    }
    CaretMoved();
    const TTextPos lo = SelectionStart(), hi = SelectionEnd();
    Snap("Inserisci collegamento ", lo.para, hi.para);
    for (std::int32_t i = lo.para; i <= hi.para; ++i) {
        TNYXparag& p = Para(i);
        const auto from = static_cast<std::size_t>(i == lo.para ? lo.ch : 0);
        // A paragraph the selection goes on from gives its end record the link too.
        const std::size_t to = i == hi.para ? static_cast<std::size_t>(hi.ch) : p.recs.size();
        for (std::size_t j = from; j < to && j < p.recs.size(); ++j) p.recs[j].link = key;
    }
    Relayout(lo.para, hi.para);
    return true;
}

// --- clipboard ------------------------------------------------------------------------------------

std::string TNYXediting::CopyContainer(bool withResources) const {
    if (!box_.HasSelection()) return {};
    const TTextPos lo = SelectionStart(), hi = SelectionEnd();
    TClipContainer c;
    c.paragraphs = hi.para - lo.para + 1;
    std::vector<const TNYXembedded*> objects;
    std::vector<std::int32_t> styles, links, pictures;
    for (std::int32_t i = lo.para; i <= hi.para; ++i) {
        const TNYXparag& p = Para(i);
        const std::int32_t from = i == lo.para ? lo.ch : 0;
        const std::int32_t to = i == hi.para ? hi.ch : Length(i);
        WriteParagraph(p, c.markup, wmStore, to, from);
        CollectObjects(p, from, to, objects, styles, links);
    }
    for (const TNYXembedded* e : objects) {
        TClipObject o;
        o.old = e->Id();
        if (const model::TNYXoggetto* r = e->Record()) {
            o.kind = r->Type();
            r->SaveToStream(o.record);
            for (std::size_t off : model::LinkFields(*r))
                if (IsLocalKey(r->Int(off))) links.push_back(r->Int(off));
            for (std::size_t off : model::PictureFields(*r))
                if (std::int32_t ref = PictureRef(r->Int(off)); ref != model::kNoRef) pictures.push_back(ref);
        } else {
            o.kind = model::none;
            model::MakeObject(model::none)->SaveToStream(o.record);
        }
        c.objects.push_back(std::move(o));
    }
    // The text's own link records, and those they point at in turn.
    if (box_.objectHome) {
        std::vector<std::int32_t> done;
        for (std::size_t k = 0; k < links.size() && k < 4096; ++k) {
            const std::int32_t key = links[k];
            if (std::find(done.begin(), done.end(), key) != done.end()) continue;
            done.push_back(key);
            const model::TNYXoggetto* r = box_.objectHome->LocalLink(key);
            if (!r) continue;
            TClipObject o;
            o.kind = r->Type();
            o.old = key;
            r->SaveToStream(o.record);
            c.links.push_back(std::move(o));
            for (std::size_t off : model::LinkFields(*r))
                if (IsLocalKey(r->Int(off))) links.push_back(r->Int(off));
        }
    }
    if (withResources && box_.Set()) {
        std::sort(pictures.begin(), pictures.end());
        pictures.erase(std::unique(pictures.begin(), pictures.end()), pictures.end());
        for (std::int32_t ref : pictures) {
            const model::TNYXoggetto* pic = box_.Set()->ObjectByRef(ref);
            if (!pic || pic->IsEmpty()) continue;
            TClipObject o;
            o.kind = pic->Type();
            pic->SaveToStream(o.record);
            c.resources.push_back(std::move(o));
        }
        std::sort(styles.begin(), styles.end());
        styles.erase(std::unique(styles.begin(), styles.end()), styles.end());
        for (std::int32_t n : styles) {
            const model::TNYXoggetto* s = box_.StyleByNumber(n);
            if (!s || static_cast<std::int32_t>(s->Index()) != n) continue;
            TClipObject o;
            o.kind = model::stileParagrafo;
            s->SaveToStream(o.record);
            c.resources.push_back(std::move(o));
        }
    }
    return BuildContainer(c);
}

std::string TNYXediting::CutContainer() {
    std::string c = CopyContainer();
    if (!c.empty()) DeleteSelection();
    return c;
}

namespace {

// Reads the container's paragraphs into a scratch box whose objects are
// scratch copies: the check that the markup holds exactly the paragraphs it
// announces, before the real box is touched.
bool MarkupSound(const TClipContainer& c, const TNYXbox& like) {
    // Every object the markup shows comes with the container: an id it does
    // not bring would pick up an object of the page it is pasted into.
    bool foreign = false;
    ForEachObjectRef(c.markup, [&](std::int32_t key) {
        if ((static_cast<std::uint32_t>(key) >> 24) != 0xFF) return;
        const std::int32_t id = key & 0xFFFFFF;
        if (std::none_of(c.objects.begin(), c.objects.end(), [&](const TClipObject& o) { return o.old == id; }))
            foreign = true;
    });
    if (foreign) return false;
    TNYXundoIndiciList reg;
    std::vector<std::unique_ptr<model::TNYXoggetto>> records;
    std::vector<std::int32_t> oldIds, newIds;
    for (const TClipObject& o : c.objects) {
        auto rec = model::MakeObject(o.kind);
        std::size_t pos = 0;
        if (!rec->LoadFromStream(o.record, pos)) return false;
        TNYXembedded* e = reg.Add(std::make_unique<TNYXembedded>(rec.get()));
        if (!e) return false;
        records.push_back(std::move(rec));
        oldIds.push_back(o.old);
        newIds.push_back(e->Id());
    }
    TNYXbox scratch(like.Set(), &reg, &like.Metrics());
    TMarkupDiagnostics diag;
    scratch.diagnostics = &diag;
    TKeyMaps maps;
    maps.oldIds = &oldIds;
    maps.newIds = &newIds;
    std::string data = c.markup;
    data += '\0';
    std::size_t pos = 0, added = 0;
    const ReadStop stop = ReadParagraphs(scratch, data, pos, wmStore, pkBody, &added, &maps);
    const bool ok = stop == ReadStop::TextEnd && added == static_cast<std::size_t>(c.paragraphs) && pos >= c.markup.size() &&
                    diag.Empty();
    // Cells first, while the objects they show exist.
    scratch.paragraphs.clear();
    return ok;
}

}  // namespace

bool TNYXediting::PasteContainer(std::string_view bytes, const std::string& label) {
    TClipContainer c;
    if (ParseContainer(bytes, c) != ClipParse::Ok) return false;
    if (!MarkupSound(c, box_)) return false;
    TNYXundoIndiciList* reg = box_.Registry();
    model::TNYXset* set = box_.Set();
    if (!c.objects.empty() && (!reg || !set)) return false;

    // From here on the container is known to be whole.
    if (box_.HasSelection()) DeleteSelection();
    CaretMoved();
    const TTextPos at = Clamp(box_.caret);
    TboBackup* snap = Snap(label, at.para, at.para);

    PastedObjects map;
    // Local link records join the text's own (without a home for them the links are dropped).
    std::vector<std::int32_t> newLocal;
    for (const TClipObject& o : c.links) {
        std::int32_t key = -1;
        if (box_.objectHome) {
            auto rec = model::MakeObject(o.kind);
            std::size_t pos = 0;
            if (rec && rec->LoadFromStream(o.record, pos)) key = box_.objectHome->AddLocalLink(std::move(rec));
        }
        map.oldKeys.push_back(o.old);
        map.newKeys.push_back(key);
        if (key != -1) newLocal.push_back(key);
    }
    // Links between the pasted records point at their new keys.
    for (std::int32_t key : newLocal)
        if (model::TNYXoggetto* r = box_.objectHome->LocalLink(key))
            for (std::size_t off : model::LinkFields(*r))
                if (IsLocalKey(r->Int(off))) r->SetInt(off, MapKey(map.oldKeys, map.newKeys, r->Int(off)));
    if (set) {
        for (const TClipObject& o : c.resources) {
            auto copy = model::MakeObject(o.kind);
            std::size_t pos = 0;
            copy->LoadFromStream(o.record, pos);
            const std::int32_t oldKey = model::MakeRef(o.kind, copy->Index());
            // The same object: equal content (a style also by name), the
            // slot it came from first.
            auto sameAs = [&](model::TNYXoggetto* x) {
                return x && !x->IsEmpty() && x->Equals(*copy) &&
                       (o.kind != model::stileParagrafo || x->GetName() == copy->GetName());
            };
            model::TNYXoggetto* same = nullptr;
            if (model::TNYXoggetto* x = set->ObjectAt(o.kind, copy->Index()); sameAs(x)) same = x;
            const std::size_t count = set->Count(o.kind);
            for (std::size_t i = 0; i < count && !same; ++i) {
                model::TNYXoggetto* x = set->ObjectAt(o.kind, static_cast<std::int64_t>(i));
                if (sameAs(x)) same = x;
            }
            if (!same) {
                same = set->NewObject(o.kind);
                if (!same) continue;
                pos = 0;
                same->LoadFromStream(o.record, pos);
            }
            map.oldKeys.push_back(oldKey);
            map.newKeys.push_back(same->Reference());
        }
        for (const TClipObject& o : c.objects) {
            model::TNYXoggetto* rec = box_.NewEmbeddedRecord(o.kind);
            if (rec) {
                std::size_t pos = 0;
                rec->LoadFromStream(o.record, pos);
                for (std::size_t off : model::LinkFields(*rec))
                    rec->SetInt(off, MapKey(map.oldKeys, map.newKeys, rec->Int(off)));
                for (std::size_t off : model::PictureFields(*rec)) {
                    const std::int32_t v = rec->Int(off);
                    const std::int32_t ref = PictureRef(v);
                    if (ref == model::kNoRef) continue;
                    const std::int32_t mapped = MapKey(map.oldKeys, map.newKeys, ref);
                    // Keep the field's form: a slot stays a slot.
                    rec->SetInt(off, v == static_cast<std::int32_t>(model::RefIndex(ref))
                                         ? static_cast<std::int32_t>(model::RefIndex(mapped))
                                         : mapped);
                }
            }
            TNYXembedded* e = reg->Add(std::make_unique<TNYXembedded>(rec));
            if (!e) continue;
            map.oldIds.push_back(o.old);
            map.newIds.push_back(e->Id());
        }
    }
    TKeyMaps maps;
    maps.oldKeys = &map.oldKeys;
    maps.newKeys = &map.newKeys;
    maps.oldIds = &map.oldIds;
    maps.newIds = &map.newIds;

    // Head (the caret paragraph) and tail, as Enter makes them.
    const std::int32_t tailAt = SplitAt(at);
    std::string data = c.markup;
    data += '\0';
    auto n = static_cast<std::int32_t>(
        ReadParagraphsAt(box_, tailAt, data, wmStore, BodyKinds(static_cast<std::size_t>(c.paragraphs)), &maps));
    std::int32_t head = at.para, last = tailAt + n - 1, tail = tailAt + n;
    TTextPos start = {head, at.ch};
    TTextPos end = {last, Length(last)};
    if (n == 0) end = {tail, 0};

    // The end: the last pasted paragraph joins the tail unless either is a table.
    if (n > 0) {
        TNYXparag& lp = Para(last);
        TNYXparag& tp = Para(tail);
        if (tp.IsTableParagraph()) {
            if (!lp.IsTableParagraph() && lp.text.empty() && n > 1) {
                EraseParagraphs(box_, last, last);
                --n;
                --last;
                --tail;
                end = {last, Length(last)};
            }
        } else if (!lp.IsTableParagraph() && JoinParagraphs(box_, last)) {
            tail = last;
        }
    }
    // The start: the first pasted paragraph joins the head.
    if (n > 0) {
        TNYXparag& hp = Para(head);
        TNYXparag& fp = Para(head + 1);
        const bool headEmpty = hp.text.empty() && !hp.IsTableParagraph();
        if (hp.IsTableParagraph() || fp.IsTableParagraph()) {
            if (headEmpty && fp.IsTableParagraph()) {
                EraseParagraphs(box_, head, head);
                start = {head, 0};
                --end.para;
                --tail;
            }
        } else if (headEmpty && TNYXbox::StyleNumber(fp.style.Named()) > 1) {
            // An empty head takes the pasted paragraph with its style.
            EraseParagraphs(box_, head, head);
            start = {head, 0};
            --end.para;
            --tail;
        } else {
            const auto headLen = static_cast<std::int32_t>(hp.text.size());
            // Pasted into text, the first paragraph is written in the look of
            // the text it lands in; into an empty paragraph it keeps its own.
            if (!headEmpty) fp.style = hp.style;
            if (JoinParagraphs(box_, head)) {
                if (end.para == head + 1) end.ch += headLen;
                --end.para;
                --tail;
            }
        }
    }
    const std::int32_t lastTouched = std::max(tail, end.para);
    for (std::int32_t i = at.para; i <= lastTouched; ++i) Tidy(Para(i));
    AfterRange(snap, at.para, lastTouched);
    RelayoutParagraphs(box_, at.para, lastTouched);
    box_.selStart = Clamp(start);
    box_.selEnd = box_.caret = Clamp(end);
    box_.Layout(at.para, lastTouched);
    return true;
}

std::string TNYXediting::SelectedPlainText() const {
    std::string out;
    if (!box_.HasSelection()) return out;
    const TTextPos lo = SelectionStart(), hi = SelectionEnd();
    for (std::int32_t i = lo.para; i <= hi.para; ++i) {
        const TNYXparag& p = Para(i);
        const std::int32_t from = i == lo.para ? lo.ch : 0, to = i == hi.para ? hi.ch : Length(i);
        for (std::int32_t k = from; k < to; ++k)
            if (!p.ObjectAt(static_cast<std::size_t>(k))) out += p.text[static_cast<std::size_t>(k)];
        if (i < hi.para) out += "\r\n";
    }
    return platform::text::Cp1252ToUtf8(out);
}

bool TNYXediting::PastePlainText(std::string_view utf8, const std::string& label) {
    if (utf8.empty() || box_.paragraphs.empty()) return false;
    if (codeMode && CodePaste() && box_.Set()) {
        const std::string container = CodePaste()(*box_.Set(), utf8);
        if (!container.empty()) return PasteContainer(container, label);
    }
    const std::string text = platform::text::Utf8ToCp1252(utf8);
    const std::int32_t style = TNYXbox::StyleNumber(Para(Clamp(box_.caret).para).style.Named());
    TClipContainer c;
    auto open = [&] {
        c.markup += "<Z S";
        c.markup += std::to_string(style);
        c.markup += " >";
        ++c.paragraphs;
    };
    open();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            open();
        } else if (ch == '\t') {
            c.markup += ' ';
        } else if (static_cast<unsigned char>(ch) >= 0x20) {
            AppendEscaped(c.markup, ch);
        }
    }
    return PasteContainer(BuildContainer(c), label);
}

// --- dragging ------------------------------------------------------------------------------------

bool TNYXediting::DragMove(TTextPos drop) {
    if (!box_.HasSelection()) return false;
    const TTextPos lo = SelectionStart(), hi = SelectionEnd();
    drop = Clamp(drop);
    // Into itself (its edges included, where nothing would move).
    if (!(drop < lo) && !(hi < drop)) return false;
    if (Para(drop.para).IsTableParagraph()) return false;
    const std::string container = CopyContainer(false);
    const auto sizeBefore = static_cast<std::int32_t>(box_.paragraphs.size());
    const std::int32_t tailLen = Length(drop.para) - drop.ch;
    if (!DeleteRange(lo, hi, false)) return false;
    const std::int32_t removed = sizeBefore - static_cast<std::int32_t>(box_.paragraphs.size());
    if (hi < drop) {
        // The drop position after the removed text: its paragraph moved up by
        // the paragraphs removed; on the selection's last paragraph it keeps
        // its distance from the paragraph end.
        drop.para -= removed;
        if (drop.para == hi.para - removed) drop.ch = Length(drop.para) - tailLen;
    }
    SetCaret(drop);
    if (!PasteContainer(container, "Inserimento tramite trascina selezione")) {
        if (TNYXundoList* u = Undo()) u->Revert();
        return false;
    }
    return true;
}

}  // namespace richtext
