#include "richtext/TextAttributes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "model/NYXoggetto.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace richtext {
namespace {

std::string StyleWords(std::uint8_t bits) {
    std::string s;
    if (bits & kItalic) s += "Italico ";
    if (bits & kBold) s += "Grassetto ";
    return s;
}

}  // namespace

std::string MeasureText(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%g", v);
    return b;
}

// --- TNYXTextAttributes ----------------------------------------------------------

TNYXTextAttributes::At TNYXTextAttributes::AttributesAt(PosKind kind) const {
    At at;
    if (box_.paragraphs.empty()) return at;
    TTextPos lo = std::min(box_.selStart, box_.selEnd), hi = std::max(box_.selStart, box_.selEnd);
    TTextPos p = box_.caret;
    switch (kind) {
        case BeforeCaret: p.ch -= 1; break;
        case Caret: break;
        case AfterCaret: p.ch += 1; break;
        case BeforeSelStart: p = lo; p.ch -= 1; break;
        case SelStart: p = lo; break;
        case SelEnd: p = hi; break;
        case BeforeSelEnd: p = hi; p.ch -= 1; break;
    }
    const auto n = static_cast<std::int32_t>(box_.paragraphs.size());
    p.para = std::clamp(p.para, 0, n - 1);
    at.para = box_.paragraphs[static_cast<std::size_t>(p.para)].get();
    const auto last = static_cast<std::int32_t>(at.para->recs.empty() ? 0 : at.para->recs.size() - 1);
    at.ch = std::clamp(p.ch, 0, last);
    at.font = at.para->FontAt(static_cast<std::size_t>(at.ch));
    if (!at.para->recs.empty()) at.link = at.para->recs[static_cast<std::size_t>(at.ch)].link;
    return at;
}

TMyFont TNYXTextAttributes::Effective() const {
    TMyFont f = AttributesAt(box_.HasSelection() ? SelStart : BeforeCaret).font;
    if (pending_.colour) f.colour = pending_.colourValue;
    if (pending_.size) f.size = pending_.sizeValue;
    if (pending_.name) f.name = pending_.nameValue;
    if (pending_.style) f.style = pending_.styleValue;
    if (pending_.position) f.position = pending_.positionValue;
    return f;
}

std::uint32_t TNYXTextAttributes::Colour() const { return Effective().colour; }
std::int32_t TNYXTextAttributes::Size() const { return Effective().size; }
std::string TNYXTextAttributes::FontName() const { return Effective().name; }
std::uint8_t TNYXTextAttributes::Style() const { return Effective().style; }
std::uint8_t TNYXTextAttributes::Position() const { return Effective().position; }
std::int32_t TNYXTextAttributes::LinkKey() const { return AttributesAt(Caret).link; }

std::string TNYXTextAttributes::SelectedText() const {
    std::string out;
    if (!box_.HasSelection()) return out;
    TTextPos lo = std::min(box_.selStart, box_.selEnd), hi = std::max(box_.selStart, box_.selEnd);
    const auto n = static_cast<std::int32_t>(box_.paragraphs.size());
    for (std::int32_t i = std::max(lo.para, 0); i <= hi.para && i < n; ++i) {
        const std::string& t = box_.paragraphs[static_cast<std::size_t>(i)]->text;
        const auto len = static_cast<std::int32_t>(t.size());
        std::int32_t a = i == lo.para ? std::clamp(lo.ch, 0, len) : 0;
        std::int32_t b = i == hi.para ? std::clamp(hi.ch, 0, len) : len;
        if (b > a) out.append(t, static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    }
    return out;
}

template <class F>
void TNYXTextAttributes::Apply(const std::string& label, Field field, F compute) {
    auto get = [field](const TMyFont& f) -> Val {
        switch (field) {
            case kColour: return {f.colour, {}};
            case kName: return {0, f.name};
            case kSize: return {f.size, {}};
            case kStyle: return {f.style, {}};
            case kPosition: return {f.position, {}};
        }
        return {};
    };
    auto put = [field](TMyFont& f, const Val& v) {
        switch (field) {
            case kColour: f.colour = static_cast<std::uint32_t>(v.n); break;
            case kName: f.name = v.s; break;
            case kSize: f.size = static_cast<std::int32_t>(v.n); break;
            case kStyle: f.style = static_cast<std::uint8_t>(v.n); break;
            case kPosition: f.position = static_cast<std::uint8_t>(v.n); break;
        }
    };
    // Changes one attribute change's value through compute.
    auto update = [&](TNYXFontStyle& fs) {
        TMyFont f = fs.Font();
        put(f, compute(get(f)));
        fs.AssignFont(f);
    };
    auto updatePara = [&](TNYXparag& p) {
        TMyFont f = p.style.Font();
        put(f, compute(get(f)));
        p.style.AssignFont(f);
    };
    // Makes the record at ch carry `font` (creating an attribute change).
    auto setAt = [&](TNYXparag& p, std::size_t ch, const TMyFont& font) {
        if (ch >= p.recs.size()) return;
        std::int32_t fi = p.recs[ch].font;
        if (fi >= 0 && static_cast<std::size_t>(fi) < p.fonts.size()) {
            // An existing change takes only this field.
            TNYXFontStyle& fs = *p.fonts[static_cast<std::size_t>(fi)];
            TMyFont cur = fs.Font();
            put(cur, get(font));
            fs.AssignFont(cur);
            return;
        }
        auto fs = std::make_unique<TNYXFontStyle>();
        fs->SetBase(p.style.Named());
        fs->AssignFont(font);
        p.fonts.push_back(std::move(fs));
        p.recs[ch].font = static_cast<std::int32_t>(p.fonts.size() - 1);
    };
    auto updateRange = [&](TNYXparag& p, std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to && k < p.recs.size(); ++k) {
            std::int32_t fi = p.recs[k].font;
            if (fi >= 0 && static_cast<std::size_t>(fi) < p.fonts.size()) update(*p.fonts[static_cast<std::size_t>(fi)]);
        }
    };

    if (box_.paragraphs.empty()) return;
    if (!box_.HasSelection()) {
        TMyFont f = Effective();
        Val v = compute(get(f));
        switch (field) {
            case kColour: pending_.colour = true; pending_.colourValue = static_cast<std::uint32_t>(v.n); break;
            case kName: pending_.name = true; pending_.nameValue = v.s; break;
            case kSize: pending_.size = true; pending_.sizeValue = static_cast<std::int32_t>(v.n); break;
            case kStyle: pending_.style = true; pending_.styleValue = static_cast<std::uint8_t>(v.n); break;
            case kPosition: pending_.position = true; pending_.positionValue = static_cast<std::uint8_t>(v.n); break;
        }
        return;
    }
    pending_ = {};
    const auto n = static_cast<std::int32_t>(box_.paragraphs.size());
    TTextPos lo = std::min(box_.selStart, box_.selEnd), hi = std::max(box_.selStart, box_.selEnd);
    lo.para = std::clamp(lo.para, 0, n - 1);
    hi.para = std::clamp(hi.para, 0, n - 1);
    box_.Snapshot(label, lo.para, hi.para);
    TNYXparag& first = *box_.paragraphs[static_cast<std::size_t>(lo.para)];
    TNYXparag& last = *box_.paragraphs[static_cast<std::size_t>(hi.para)];
    const auto start = static_cast<std::size_t>(std::clamp<std::int32_t>(lo.ch, 0, static_cast<std::int32_t>(first.text.size())));
    const auto end = static_cast<std::size_t>(std::clamp<std::int32_t>(hi.ch, 0, static_cast<std::int32_t>(last.text.size())));

    const Val remembered = get(last.FontAt(end));
    // At the start.
    TMyFont scratch = first.FontAt(start);
    const Val before = get(scratch);
    put(scratch, compute(before));
    if (!(get(scratch) == before)) setAt(first, start, scratch);
    // The value in force after the selection comes back at its end.
    auto restoreEnd = [&](TNYXparag& p) {
        TMyFont f = end > 0 ? p.FontAt(end - 1) : p.style.Font();
        if (get(f) == remembered) return;
        put(f, remembered);
        setAt(p, end, f);
    };
    if (lo.para == hi.para) {
        updateRange(first, start, end);
        restoreEnd(first);
    } else {
        updateRange(first, start, first.recs.size());
        for (std::int32_t i = lo.para + 1; i < hi.para; ++i) {
            TNYXparag& p = *box_.paragraphs[static_cast<std::size_t>(i)];
            updatePara(p);
            updateRange(p, 0, p.recs.size());
        }
        updatePara(last);
        updateRange(last, 0, end);
        restoreEnd(last);
    }
    // Character records follow the new attributes.
    RelayoutParagraphs(box_, lo.para, hi.para);
    box_.Layout(lo.para, hi.para);
}

void TNYXTextAttributes::SetColour(std::uint32_t c) {
    Apply("Applica colore " + std::string(ColourName(c)), kColour, [c](const Val&) { return Val{c, {}}; });
}

void TNYXTextAttributes::SetFontName(std::string_view name) {
    std::string s(name);
    Apply("Applica font " + s, kName, [s](const Val&) { return Val{0, s}; });
}

void TNYXTextAttributes::SetSize(std::int32_t size) {
    Apply("Applica dimensione font " + std::to_string(size), kSize, [size](const Val&) { return Val{size, {}}; });
}

void TNYXTextAttributes::SetStyle(std::uint8_t bits) {
    Apply("Applica stile font: " + StyleWords(bits), kStyle, [bits](const Val&) { return Val{bits & 15, {}}; });
}

void TNYXTextAttributes::AddRemoveStyle(std::uint8_t add, std::uint8_t remove) {
    Apply("Applica stile font: ", kStyle, [add, remove](const Val& v) {
        return Val{((v.n | add) & ~static_cast<std::int64_t>(remove)) & 15, {}};
    });
}

void TNYXTextAttributes::SetPosition(std::uint8_t pos) {
    const char* name = pos == 1 ? "Pedice" : pos == 2 ? "Apice" : "Normale";
    Apply(std::string("Applica font ") + name, kPosition, [pos](const Val&) { return Val{pos, {}}; });
}

void TNYXTextAttributes::SetLink(std::int32_t key) {
    if (!box_.HasSelection() || box_.paragraphs.empty()) return;
    const auto n = static_cast<std::int32_t>(box_.paragraphs.size());
    TTextPos lo = std::min(box_.selStart, box_.selEnd), hi = std::max(box_.selStart, box_.selEnd);
    lo.para = std::clamp(lo.para, 0, n - 1);
    hi.para = std::clamp(hi.para, 0, n - 1);
    box_.Snapshot("Inserisci collegamento ", lo.para, hi.para);
    for (std::int32_t i = lo.para; i <= hi.para; ++i) {
        TNYXparag& p = *box_.paragraphs[static_cast<std::size_t>(i)];
        const auto len = static_cast<std::int32_t>(p.text.size());
        std::int32_t a = i == lo.para ? std::clamp(lo.ch, 0, len) : 0;
        std::int32_t b = i == hi.para ? std::clamp(hi.ch, 0, len) : len;
        for (std::int32_t k = a; k < b; ++k) p.recs[static_cast<std::size_t>(k)].link = key;
    }
    RelayoutParagraphs(box_, lo.para, hi.para);
    box_.Layout(lo.para, hi.para);
}

bool TNYXTextAttributes::MatchesStyle(const model::TNYXoggetto& style) const {
    TMyFont f = Effective();
    const TNYXparag* p = AttributesAt(Caret).para;
    if (p && p->style.AnyOverride()) return false;
    return f.size == StyleValue(&style, pfSize) && f.colour == static_cast<std::uint32_t>(StyleValue(&style, pfColour)) &&
           f.name == StyleFontName(&style) && f.style == StyleValue(&style, pfStyle) &&
           f.position == StyleValue(&style, pfPosition);
}

// --- TNYXParaAttributes ----------------------------------------------------------

std::int32_t TNYXParaAttributes::First() const {
    TTextPos p = box_.HasSelection() ? std::min(box_.selStart, box_.selEnd) : box_.caret;
    return std::clamp(p.para, 0, static_cast<std::int32_t>(box_.paragraphs.size()) - 1);
}

std::int32_t TNYXParaAttributes::Last() const {
    TTextPos p = box_.HasSelection() ? std::max(box_.selStart, box_.selEnd) : box_.caret;
    return std::clamp(p.para, 0, static_cast<std::int32_t>(box_.paragraphs.size()) - 1);
}

TNYXparag* TNYXParaAttributes::CaretParagraph() const {
    if (box_.paragraphs.empty()) return nullptr;
    auto i = std::clamp(box_.caret.para, 0, static_cast<std::int32_t>(box_.paragraphs.size()) - 1);
    return box_.paragraphs[static_cast<std::size_t>(i)].get();
}

void TNYXParaAttributes::ForEach(const std::string& label, ParaField f, std::int32_t v) {
    if (box_.paragraphs.empty()) return;
    box_.Snapshot(label, First(), Last());
    for (std::int32_t i = First(); i <= Last(); ++i) box_.paragraphs[static_cast<std::size_t>(i)]->style.Set(f, v);
    box_.Layout(First(), Last());
}

void TNYXParaAttributes::ForEachMeasure(const std::string& label, ParaField f, double v) {
    if (box_.paragraphs.empty()) return;
    box_.Snapshot(label, First(), Last());
    for (std::int32_t i = First(); i <= Last(); ++i) box_.paragraphs[static_cast<std::size_t>(i)]->style.SetMeasure(f, v);
    box_.Layout(First(), Last());
}

void TNYXParaAttributes::SetAlignment(int a) {
    const char* label = a == 1 ? "Allinea a destra" : a == 2 ? "Centra" : "Allinea a sinistra";
    ForEach(label, pfAlign, a);
}

void TNYXParaAttributes::SetListMark(int mark) {
    if (box_.paragraphs.empty()) return;
    box_.Snapshot("Numerazione " + std::to_string(mark), First(), Last());
    for (std::int32_t i = First(); i <= Last(); ++i) {
        TNYXParaStyle& st = box_.paragraphs[static_cast<std::size_t>(i)]->style;
        const std::int32_t old = st.Get(pfList);
        if (mark != 0 && old == 0) {
            // A hanging indent of 10 mm, expressed in the paragraph's unit.
            const double unitValue = ConvertLength(10.0, kMm, st.Get(pfUnit));
            const double left = st.GetMeasure(pfLeft);
            st.SetMeasure(pfIndent, -unitValue);
            st.SetMeasure(pfLeft, left + unitValue);
        } else if (mark == 0 && old != 0) {
            st.Set(pfLeft, st.Get(pfLeft) + st.Get(pfIndent));
            st.Set(pfIndent, 0);
        }
        st.Set(pfList, mark);
    }
    box_.Layout(First(), Last());
}

bool TNYXParaAttributes::ApplyStyle(std::string_view name) {
    if (box_.paragraphs.empty()) return false;
    box_.Snapshot("Stile " + std::string(name), First(), Last());
    const model::TNYXoggetto* style = box_.Set() ? StyleByName(*box_.Set(), name) : nullptr;
    if (!style) return false;
    for (std::int32_t i = First(); i <= Last(); ++i) {
        TNYXparag& p = *box_.paragraphs[static_cast<std::size_t>(i)];
        if (p.style.Named() == style) {
            for (auto& r : p.recs) r.font = -1;
            p.fonts.clear();
        } else {
            p.style.SetNamed(style);
        }
        p.style.ClearOverrides();
    }
    RelayoutParagraphs(box_, First(), Last());
    box_.Layout(First(), Last());
    return true;
}

void TNYXParaAttributes::SetLineHeight(double v) { ForEachMeasure("Altezza linea " + MeasureText(v), pfLineHeight, v); }
void TNYXParaAttributes::SetSpaceAbove(double v) { ForEachMeasure("Margine sup " + MeasureText(v), pfAbove, v); }
void TNYXParaAttributes::SetSpaceBelow(double v) { ForEachMeasure("Margine inf " + MeasureText(v), pfBelow, v); }
void TNYXParaAttributes::SetIndent(double v) { ForEachMeasure("Margine indent " + MeasureText(v), pfIndent, v); }
void TNYXParaAttributes::SetLeftMargin(double v) { ForEachMeasure("Margine sx " + MeasureText(v), pfLeft, v); }
void TNYXParaAttributes::SetRightMargin(double v) { ForEachMeasure("Margine dx " + MeasureText(v), pfRight, v); }

void TNYXParaAttributes::SetLeftMarginAndIndent(double left, double indent) {
    if (box_.paragraphs.empty()) return;
    box_.Snapshot("Margine sx " + MeasureText(left), First(), Last());
    for (std::int32_t i = First(); i <= Last(); ++i) {
        TNYXparag& p = *box_.paragraphs[static_cast<std::size_t>(i)];
        p.style.SetMeasure(pfLeft, left);
        p.style.SetMeasure(pfIndent, indent);
    }
    box_.Layout(First(), Last());
}

void TNYXParaAttributes::SetLinkColour(std::uint32_t c) {
    ForEach("Colore link " + std::string(ColourName(c)), pfLinkColour, static_cast<std::int32_t>(c));
}
void TNYXParaAttributes::SetLinkSize(std::int32_t size) {
    ForEach("Dimensione link " + std::to_string(size), pfLinkSize, size);
}
void TNYXParaAttributes::SetLinkStyle(std::uint8_t bits) { ForEach("Stile link " + StyleWords(bits), pfLinkStyle, bits & 15); }

void TNYXParaAttributes::SetUnit(int unit) {
    for (std::int32_t i = First(); i <= Last() && !box_.paragraphs.empty(); ++i)
        box_.paragraphs[static_cast<std::size_t>(i)]->style.Set(pfUnit, unit);
}

std::int32_t TNYXParaAttributes::Value(ParaField f) const {
    const TNYXparag* p = CaretParagraph();
    return p ? p->style.Get(f) : StyleValue(nullptr, f);
}

double TNYXParaAttributes::Measure(ParaField f) const {
    const TNYXparag* p = CaretParagraph();
    return p ? p->style.GetMeasure(f) : 0.0;
}

void TNYXParaAttributes::MakeTemplate(const TNYXTextAttributes& text, model::TNYXoggetto& out) const {
    const TNYXparag* p = CaretParagraph();
    if (!p) return;
    const TNYXParaStyle& st = p->style;
    if (const model::TNYXoggetto* named = st.Named())
        std::memcpy(out.Data() + 5, named->Data() + 5, model::kDataSize - 5);
    for (ParaField f : {pfAlign, pfLinkSize, pfLinkColour, pfLinkStyle, pfLeft, pfRight, pfAbove, pfBelow,
                        pfLineHeight, pfIndent, pfUnit, pfList})
        SetStyleValue(out, f, st.Get(f));
    SetStyleValue(out, pfPosition, 0);
    TMyFont f = text.Effective();
    out.SetStr(style::kFont, style::kFontCap, f.name);
    SetStyleValue(out, pfSize, f.size);
    SetStyleValue(out, pfColour, static_cast<std::int32_t>(f.colour));
    SetStyleValue(out, pfStyle, f.style);
}

}  // namespace richtext
