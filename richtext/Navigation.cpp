#include "richtext/Navigation.h"

#include <algorithm>
#include <cstdlib>

#include "richtext/Layout.h"

namespace richtext {
namespace {

const TNYXparag& Para(const TNYXbox& b, std::int32_t i) { return *b.paragraphs[static_cast<std::size_t>(i)]; }
std::int32_t Len(const TNYXbox& b, std::int32_t i) { return static_cast<std::int32_t>(Para(b, i).text.size()); }
std::int32_t FirstBody(const TNYXbox& b) { return b.BodyBegin(); }
std::int32_t LastBody(const TNYXbox& b) { return std::max(b.BodyEnd() - 1, b.BodyBegin()); }
bool HasBody(const TNYXbox& b) { return b.BodyEnd() > b.BodyBegin(); }

TTextPos ClampToBody(const TNYXbox& b, TTextPos p) {
    if (!HasBody(b)) return {std::max(0, b.BodyBegin()), 0};
    p.para = std::clamp(p.para, FirstBody(b), LastBody(b));
    p.ch = std::clamp(p.ch, 0, Len(b, p.para));
    return p;
}

TNYXembedded* TableOf(const TNYXbox& b, std::int32_t i) {
    const TNYXparag& p = Para(b, i);
    return p.IsTableParagraph() ? p.ObjectAt(0) : nullptr;
}

// The last line whose first index is at or before ch (0 without lines).
std::int32_t LineOf(const TNYXparag& p, std::int32_t ch) {
    std::int32_t li = 0;
    for (std::size_t i = 0; i < p.lines.size(); ++i)
        if (p.lines[i].first <= ch) li = static_cast<std::int32_t>(i);
    return li;
}

std::int32_t Width(const TNYXparag& p, std::int32_t k) {
    return static_cast<std::size_t>(k) < p.recs.size() ? p.recs[static_cast<std::size_t>(k)].width : 0;
}

std::int32_t LineLeft(const TNYXline& l) { return l.startX + l.alignOffset; }

// The last index the caret may take on a line: the paragraph end on its
// last line, else the line's last character (the next index is the next line).
std::int32_t LineLastIndex(const TNYXparag& p, std::int32_t li) {
    const TNYXline& l = p.lines[static_cast<std::size_t>(li)];
    if (static_cast<std::size_t>(li) + 1 >= p.lines.size()) return static_cast<std::int32_t>(p.text.size());
    return l.count > 0 ? l.first + l.count - 1 : l.first;
}

// The index before the character under x on a line.
std::int32_t IndexAtX(const TNYXparag& p, std::int32_t li, std::int32_t x) {
    if (p.lines.empty()) return 0;
    const TNYXline& l = p.lines[static_cast<std::size_t>(li)];
    std::int32_t run = LineLeft(l);
    const std::int32_t last = LineLastIndex(p, li);
    for (std::int32_t k = l.first; k < l.first + l.count && k < last; ++k) {
        run += Width(p, k);
        if (run > x) return k;
    }
    return last;
}

// A move to a line of paragraph i (-1: its last line) keeping x.
TTextPos OnLine(const TNYXbox& b, std::int32_t i, std::int32_t li, std::int32_t x) {
    const TNYXparag& p = Para(b, i);
    if (p.lines.empty()) return {i, 0};
    if (li < 0) li = static_cast<std::int32_t>(p.lines.size()) - 1;
    return {i, IndexAtX(p, li, x)};
}

TMove Out(TTextPos pos, int code, TNYXembedded* table = nullptr) { return {pos, code, table}; }

}  // namespace

bool IsWordSeparator(unsigned char c) {
    return (c >= 0x20 && c <= 0x22) || (c >= 0x27 && c <= 0x2F) || (c >= 0x3A && c <= 0x3F) || (c >= 0x7B && c <= 0x7E) ||
           c == 0x93 || c == 0x94;
}

TNYXcaretPos Normalise(const TNYXbox& box, TTextPos pos) {
    TNYXcaretPos c;
    if (box.paragraphs.empty()) return c;
    pos.para = std::clamp(pos.para, 0, static_cast<std::int32_t>(box.paragraphs.size()) - 1);
    const TNYXparag& p = Para(box, pos.para);
    c.para = pos.para;
    c.ch = std::clamp(pos.ch, 0, static_cast<std::int32_t>(p.text.size()));
    if (p.lines.empty()) {
        c.y = TextTop(p);
        return c;
    }
    c.line = LineOf(p, c.ch);
    const TNYXline& l = p.lines[static_cast<std::size_t>(c.line)];
    c.y = TextTop(p) + l.top;
    c.height = l.height;
    c.x = LineLeft(l);
    for (std::int32_t k = l.first; k < c.ch; ++k) c.x += Width(p, k);
    c.rightX = c.x + (c.ch < static_cast<std::int32_t>(p.text.size()) ? Width(p, c.ch) : 0);
    return c;
}

TMove CharLeft(const TNYXbox& box, TTextPos pos, bool tables) {
    if (!HasBody(box)) return Out(pos, kLeftOut);
    pos = ClampToBody(box, pos);
    if (tables)
        if (TNYXembedded* t = TableOf(box, pos.para)) return Out(pos, kTableLeft, t);
    if (pos.ch > 0) return {{pos.para, pos.ch - 1}};
    if (pos.para <= FirstBody(box)) return Out(pos, kLeftOut);
    const std::int32_t prev = pos.para - 1;
    if (tables)
        if (TNYXembedded* t = TableOf(box, prev)) return Out(pos, kTableLeft, t);
    return {{prev, Len(box, prev)}};
}

TMove CharRight(const TNYXbox& box, TTextPos pos, bool tables) {
    if (!HasBody(box)) return Out(pos, kRightOut);
    pos = ClampToBody(box, pos);
    if (tables)
        if (TNYXembedded* t = TableOf(box, pos.para)) return Out(pos, kTableRight, t);
    if (pos.ch < Len(box, pos.para)) return {{pos.para, pos.ch + 1}};
    if (pos.para >= LastBody(box)) return Out(pos, kRightOut);
    const std::int32_t next = pos.para + 1;
    if (tables)
        if (TNYXembedded* t = TableOf(box, next)) return Out(pos, kTableRight, t);
    return {{next, 0}};
}

TMove WordLeft(const TNYXbox& box, TTextPos pos) {
    if (!HasBody(box)) return Out(pos, kLeftOut);
    pos = ClampToBody(box, pos);
    if (pos.ch == 0) {
        if (pos.para <= FirstBody(box)) return Out(pos, kLeftOut);
        return {{pos.para - 1, Len(box, pos.para - 1)}};
    }
    const std::string& t = Para(box, pos.para).text;
    std::int32_t k = pos.ch;
    while (k > 0 && IsWordSeparator(static_cast<unsigned char>(t[static_cast<std::size_t>(k - 1)]))) --k;
    while (k > 0 && !IsWordSeparator(static_cast<unsigned char>(t[static_cast<std::size_t>(k - 1)]))) --k;
    return {{pos.para, k}};
}

TMove WordRight(const TNYXbox& box, TTextPos pos, bool blanksOnly) {
    if (!HasBody(box)) return Out(pos, kRightOut);
    pos = ClampToBody(box, pos);
    const std::int32_t len = Len(box, pos.para);
    if (pos.ch >= len) {
        if (pos.para >= LastBody(box)) return Out(pos, kRightOut);
        return {{pos.para + 1, 0}};
    }
    const std::string& t = Para(box, pos.para).text;
    auto at = [&](std::int32_t k) { return static_cast<unsigned char>(t[static_cast<std::size_t>(k)]); };
    std::int32_t k = pos.ch;
    while (k < len && !IsWordSeparator(at(k))) ++k;
    if (blanksOnly)
        while (k < len && at(k) == ' ') ++k;
    else
        while (k < len && IsWordSeparator(at(k))) ++k;
    return {{pos.para, k}};
}

TMove LineUp(const TNYXbox& box, TTextPos pos, std::int32_t x, bool tables) {
    if (!HasBody(box)) return Out(pos, kAboveOut);
    pos = ClampToBody(box, pos);
    if (tables)
        if (TNYXembedded* t = TableOf(box, pos.para)) return Out(pos, kTableUp, t);
    const TNYXparag& p = Para(box, pos.para);
    const std::int32_t li = LineOf(p, pos.ch);
    if (li > 0) return {OnLine(box, pos.para, li - 1, x)};
    if (pos.para <= FirstBody(box)) return Out(pos, kAboveOut);
    const std::int32_t prev = pos.para - 1;
    if (tables)
        if (TNYXembedded* t = TableOf(box, prev)) return Out(pos, kTableUp, t);
    return {OnLine(box, prev, -1, x)};
}

TMove LineDown(const TNYXbox& box, TTextPos pos, std::int32_t x, bool tables) {
    if (!HasBody(box)) return Out(pos, kBelowOut);
    pos = ClampToBody(box, pos);
    if (tables)
        if (TNYXembedded* t = TableOf(box, pos.para)) return Out(pos, kTableDown, t);
    const TNYXparag& p = Para(box, pos.para);
    const std::int32_t li = LineOf(p, pos.ch);
    if (static_cast<std::size_t>(li) + 1 < p.lines.size()) return {OnLine(box, pos.para, li + 1, x)};
    if (pos.para >= LastBody(box)) return Out(pos, kBelowOut);
    const std::int32_t next = pos.para + 1;
    if (tables)
        if (TNYXembedded* t = TableOf(box, next)) return Out(pos, kTableDown, t);
    return {OnLine(box, next, 0, x)};
}

TMove ParagraphUp(const TNYXbox& box, TTextPos pos) {
    pos = ClampToBody(box, pos);
    if (pos.para > FirstBody(box)) return {{pos.para - 1, 0}};
    if (pos.ch > 0) return {{pos.para, 0}};
    return Out(pos, kAboveOut);
}

TMove ParagraphDown(const TNYXbox& box, TTextPos pos) {
    pos = ClampToBody(box, pos);
    if (pos.para < LastBody(box)) return {{pos.para + 1, 0}};
    if (HasBody(box) && pos.ch < Len(box, pos.para)) return {{pos.para, Len(box, pos.para)}};
    return Out(pos, kBelowOut);
}

TTextPos LineStart(const TNYXbox& box, TTextPos pos) {
    pos = ClampToBody(box, pos);
    if (!HasBody(box)) return pos;
    const TNYXparag& p = Para(box, pos.para);
    if (p.lines.empty()) return {pos.para, 0};
    return {pos.para, p.lines[static_cast<std::size_t>(LineOf(p, pos.ch))].first};
}

TTextPos LineEnd(const TNYXbox& box, TTextPos pos) {
    pos = ClampToBody(box, pos);
    if (!HasBody(box)) return pos;
    const TNYXparag& p = Para(box, pos.para);
    if (p.lines.empty()) return {pos.para, Len(box, pos.para)};
    return {pos.para, LineLastIndex(p, LineOf(p, pos.ch))};
}

TTextPos TextStart(const TNYXbox& box) { return ClampToBody(box, {FirstBody(box), 0}); }

TTextPos TextEnd(const TNYXbox& box) {
    if (!HasBody(box)) return ClampToBody(box, {0, 0});
    return {LastBody(box), Len(box, LastBody(box))};
}

TTextPos PageUp(const TNYXbox& box, TTextPos pos, std::int32_t x) {
    for (int i = 0; i < 11; ++i) {
        const TMove m = LineUp(box, pos, x, false);
        if (m.code != kStays) break;
        pos = m.pos;
    }
    return ClampToBody(box, pos);
}

TTextPos PageDown(const TNYXbox& box, TTextPos pos, std::int32_t x) {
    for (int i = 0; i < 11; ++i) {
        const TMove m = LineDown(box, pos, x, false);
        if (m.code != kStays) break;
        pos = m.pos;
    }
    return ClampToBody(box, pos);
}

TTextPos HitTest(const TNYXbox& box, std::int32_t x, std::int32_t y, bool bodyOnly) {
    if (box.paragraphs.empty()) return {};
    std::size_t i = ParagraphAt(box, y);
    if (i >= box.paragraphs.size()) i = box.paragraphs.size() - 1;
    auto pi = static_cast<std::int32_t>(i);
    if (bodyOnly) {
        if (!HasBody(box)) return ClampToBody(box, {0, 0});
        pi = std::clamp(pi, FirstBody(box), LastBody(box));
    }
    const TNYXparag& p = Para(box, pi);
    if (p.lines.empty()) return {pi, 0};
    // Above the paragraph's text (its space above) counts as its first line.
    std::int32_t li = 0;
    const std::int32_t top = TextTop(p);
    for (std::size_t k = 0; k < p.lines.size(); ++k)
        if (top + p.lines[k].top <= y) li = static_cast<std::int32_t>(k);
    return {pi, IndexAtX(p, li, x)};
}

bool OverText(const TNYXbox& box, std::int32_t x, std::int32_t y) {
    const std::size_t i = ParagraphAt(box, y);
    if (i >= box.paragraphs.size()) return false;
    const TNYXparag& p = *box.paragraphs[i];
    const std::int32_t top = TextTop(p);
    for (const TNYXline& l : p.lines) {
        if (y < top + l.top || y >= top + l.top + l.height) continue;
        std::int32_t w = 0;
        for (std::int32_t k = l.first; k < l.first + l.count; ++k) w += Width(p, k);
        return x >= LineLeft(l) && x < LineLeft(l) + w;
    }
    return false;
}

std::pair<TTextPos, TTextPos> WordAt(const TNYXbox& box, TTextPos pos) {
    pos = ClampToBody(box, pos);
    if (!HasBody(box)) return {pos, pos};
    const std::string& t = Para(box, pos.para).text;
    const auto len = static_cast<std::int32_t>(t.size());
    auto sep = [&](std::int32_t k) { return IsWordSeparator(static_cast<unsigned char>(t[static_cast<std::size_t>(k)])); };
    std::int32_t a = pos.ch, b = pos.ch;
    if (b < len && sep(b)) {
        ++b;  // on a separator: that character
    } else {
        while (a > 0 && !sep(a - 1)) --a;
        while (b < len && !sep(b)) ++b;
    }
    while (b < len && t[static_cast<std::size_t>(b)] == ' ') ++b;
    return {{pos.para, a}, {pos.para, b}};
}

std::int32_t LinkKeyAt(const TNYXbox& box, TTextPos pos) {
    if (pos.para < 0 || static_cast<std::size_t>(pos.para) >= box.paragraphs.size()) return -1;
    const TNYXparag& p = Para(box, pos.para);
    if (pos.ch < 0 || static_cast<std::size_t>(pos.ch) >= p.text.size() || static_cast<std::size_t>(pos.ch) >= p.recs.size())
        return -1;
    return p.recs[static_cast<std::size_t>(pos.ch)].link;
}

std::int32_t LinkKeyNear(const TNYXbox& box, TTextPos pos) {
    const std::int32_t after = LinkKeyAt(box, pos);
    return after != -1 || pos.ch <= 0 ? after : LinkKeyAt(box, {pos.para, pos.ch - 1});
}

namespace {

TBoxPlace Enter(TNYXembedded* table, bool fromEnd, int depth);

// A place in a box; a table paragraph reached there is entered in turn.
TBoxPlace Reach(TNYXbox& box, TTextPos pos, bool fromEnd, int depth) {
    if (depth < 32 && HasBody(box))
        if (TNYXembedded* t = TableOf(box, pos.para)) {
            TBoxPlace inner = Enter(t, fromEnd, depth + 1);
            if (inner.box) return inner;
        }
    return {&box, pos};
}

TBoxPlace Enter(TNYXembedded* table, bool fromEnd, int depth) {
    if (!table) return {};
    auto& cells = table->Cells();
    if (cells.empty()) return {};
    // The first cell that exists from the chosen end.
    const auto n = static_cast<std::int32_t>(cells.size());
    for (std::int32_t k = 0; k < n; ++k) {
        TNYXbox* cell = cells[static_cast<std::size_t>(fromEnd ? n - 1 - k : k)].get();
        if (!cell) continue;
        return Reach(*cell, fromEnd ? TextEnd(*cell) : TextStart(*cell), fromEnd, depth);
    }
    return {};
}

}  // namespace

TBoxPlace CrossBoundary(TNYXbox& box, int code, TNYXembedded* table) {
    if (code >= kTableLeft && code <= kTableDown)
        return Enter(table, code == kTableLeft || code == kTableUp, 0);
    if (code < kLeftOut || code > kBelowOut || !box.IsCell()) return {};
    TNYXembedded* owner = box.ownerTable;
    auto& cells = owner->Cells();
    const auto n = static_cast<std::int32_t>(cells.size());
    std::int32_t idx = -1;
    for (std::int32_t k = 0; k < n; ++k)
        if (cells[static_cast<std::size_t>(k)].get() == &box) idx = k;
    const std::int32_t cols = std::max(1, owner->Columns());
    const bool backwards = code == kLeftOut || code == kAboveOut;
    if (idx >= 0) {
        const std::int32_t step = code == kLeftOut ? -1 : code == kRightOut ? 1 : code == kAboveOut ? -cols : cols;
        const std::int32_t to = idx + step;
        if (to >= 0 && to < n)
            if (TNYXbox* cell = cells[static_cast<std::size_t>(to)].get())
                return Reach(*cell, backwards ? TextEnd(*cell) : TextStart(*cell), backwards, 0);
    }
    // Out of the table, into the box that holds it.
    TNYXparag* holderPara = owner->PlacedIn();
    TNYXbox* holder = holderPara ? holderPara->box : nullptr;
    if (!holder) return {};
    std::int32_t ti = -1;
    for (std::size_t k = 0; k < holder->paragraphs.size(); ++k)
        if (holder->paragraphs[k].get() == holderPara) ti = static_cast<std::int32_t>(k);
    if (ti < 0) return {};
    if (backwards) {
        if (ti - 1 >= holder->BodyBegin()) return Reach(*holder, {ti - 1, Len(*holder, ti - 1)}, true, 0);
        return {holder, {ti, 0}};
    }
    if (ti + 1 < holder->BodyEnd()) return Reach(*holder, {ti + 1, 0}, false, 0);
    return {holder, {ti, Len(*holder, ti)}};
}

}  // namespace richtext
