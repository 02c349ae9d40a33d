#include "richtext/Layout.h"

#include <algorithm>

#include "model/NYXoggetto.h"
#include "model/Types.h"

namespace richtext {
namespace {

constexpr std::int32_t kCharWidth = 7;    // width of "h" in the window font
constexpr std::int32_t kBoxHeight = 22;   // a one-line drop-down box
constexpr std::int32_t kListWidth = 121;  // an ordinary list box
constexpr std::int32_t kListLine = 16;

std::int32_t Positive(std::int32_t v, std::int32_t fallback) { return v > 0 ? v : fallback; }

// v percent of base, in 64 bits so that wide lines and large percentages do
// not overflow, cut to the 16-bit range sizes are stored in.
std::int32_t PercentOf(std::int64_t base, std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(base * v / 100, 0, 65535));
}

}  // namespace

bool TLayoutHost::MeasureObject(TNYXembedded& e, std::int32_t lineWidth) {
    StoredObjectSize(e, lineWidth);
    return true;
}

TParaMargins MarginsOf(const TNYXparag& p) {
    TParaMargins m;
    const std::int32_t pad = p.box ? p.box->cellPadding : 0;
    m.left = p.style.Get(pfLeft) + pad;
    m.right = p.style.Get(pfRight) + pad;
    m.indent = p.style.Get(pfIndent);
    if (m.indent < 0 && p.style.Get(pfList) != 0) m.indent = 0;
    m.above = p.style.Get(pfAbove);
    m.below = p.style.Get(pfBelow);
    return m;
}

std::int32_t TextTop(const TNYXparag& p) { return p.top + p.style.Get(pfAbove); }

std::int32_t ObjectAscent(std::int32_t placement, std::int32_t h) {
    if (placement == 3) return 0;
    if (placement == 4) return h / 2;
    return h;
}

void StoredObjectSize(TNYXembedded& e, std::int32_t lineWidth) {
    const model::TNYXoggetto* o = e.Record();
    if (!o) return;
    const int sub = o->Byte(4);
    std::int32_t w = 105, h = 105;
    switch (o->Type()) {
        case model::tabellaHtml:
            w = std::max<std::int32_t>(lineWidth, 20);
            h = std::max(1, e.Rows()) * 24;
            break;
        case model::immagineNew: {
            // Sizes are 16-bit; a new record holds -1 (none) there.
            const std::int32_t nw = o->SWord(15), nh = o->SWord(17);
            std::int32_t dw = o->SWord(19), dh = o->SWord(21);
            if (o->Byte(23) == 1) {
                dw = PercentOf(nw, dw);
                dh = PercentOf(nh, dh);
            }
            w = Positive(dw, Positive(nw, 100));
            h = Positive(dh, Positive(nh, 100));
            break;
        }
        case model::shortObj:
            h = 18;
            w = sub >= 21 && sub <= 26 ? 36 : (sub == 27 || sub == 28) ? 90 : 18;
            break;
        case model::bottoneCGI:
            if (static_cast<std::int32_t>(o->Int(177)) != -1) {
                // Sizes are unsigned; byte 194 makes them percentages of the natural size.
                std::int32_t dw = o->Word(190), dh = o->Word(192);
                if (o->Byte(194) == 1) {
                    dw = PercentOf(o->Word(186), dw);
                    dh = PercentOf(o->Word(188), dh);
                }
                w = Positive(dw, 105);
                h = Positive(dh, 105);
            } else {
                w = (static_cast<std::int32_t>(o->Str(97, 79).size()) + 2) * kCharWidth;
                h = kBoxHeight;
            }
            break;
        case model::inputStat:
        case model::inputDin: {
            const bool dyn = o->Type() == model::inputDin;
            const std::int32_t n = o->Byte(179);
            if (sub == 1 || (!dyn && (sub == 2 || sub == 3))) {
                w = Positive(n, 20) * kCharWidth + 8;
                h = kBoxHeight;
            } else if ((!dyn && sub == 4) || (dyn && sub == 2)) {
                w = 40 * kCharWidth + 8;
                h = 10 * kListLine + 4;
            } else if ((!dyn && sub == 6) || (!dyn && sub == 7)) {
                w = h = 13;
            } else if ((!dyn && sub == 8) || (dyn && sub == 6)) {
                w = kListWidth;
                h = Positive(n, 10) * kListLine + 4;
            } else if ((!dyn && sub == 9) || (dyn && sub == 7)) {
                w = kListWidth;
                h = kBoxHeight;
            } else if (!dyn && sub == 18) {
                w = Positive(o->SWord(182), 105);
                h = Positive(o->SWord(180), 105);
                if (o->Byte(178) == 1) w = std::max<std::int32_t>(1, PercentOf(lineWidth, w));
            } else {
                w = h = 18;
            }
            break;
        }
        case model::inizioForm:
            w = h = 18;
            break;
        case model::multiMedia:
        case model::dbloc:
            w = Positive(o->SWord(33), 105);
            h = Positive(o->SWord(35), 105);
            if (o->Byte(37) == 1) w = std::max<std::int32_t>(1, PercentOf(lineWidth, w));
            break;
        default:
            break;
    }
    e.width = w;
    e.height = h;
}

std::int32_t LayoutParagraph(TNYXbox& box, std::int32_t index, std::int32_t top) {
    TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(index)];
    box.BeginUpdate();
    p.EnsureEndRecord();
    p.top = p.bottom = top;
    const TParaMargins m = MarginsOf(p);
    const std::int32_t lineHeight = p.style.Get(pfLineHeight);
    const std::int32_t align = p.style.Get(pfAlign);
    const std::int32_t firstWidth = box.layoutWidth - m.left - m.right - m.indent;
    const std::int32_t laterWidth = box.layoutWidth - m.left - m.right;
    const std::size_t n = std::min(p.text.size(), p.recs.size() - 1);
    TLayoutHost& host = box.Host();

    std::vector<TNYXline> lines;
    lines.reserve(p.lines.size() + 1);
    TNYXline cur;
    std::int32_t lineWidth = firstWidth;
    std::int32_t remaining = firstWidth;
    std::int32_t nextTop = 0;
    std::int64_t cand = -1;  // break candidate: the position after a blank
    std::int32_t candRemaining = 0;
    bool open = true;
    cur.startX = m.left + m.indent;

    auto startLine = [&](std::int32_t first) {
        cur = TNYXline{};
        cur.first = first;
        cur.top = nextTop;
        cur.startX = m.left;
        lineWidth = remaining = laterWidth;
        cand = -1;
        open = true;
    };
    auto endLine = [&](std::int32_t rem) {
        std::int32_t asc = 0, h = 0, drawn = 0;
        const auto end = static_cast<std::size_t>(cur.first + cur.count);
        for (auto k = static_cast<std::size_t>(cur.first); k < end; ++k) {
            asc = std::max(asc, p.recs[k].ascent);
            drawn += p.recs[k].width;
        }
        for (auto k = static_cast<std::size_t>(cur.first); k < end; ++k)
            h = std::max(h, asc + p.recs[k].height - p.recs[k].ascent);
        if (cur.count == 0) {
            h = p.defaultLineHeight > 0 ? p.defaultLineHeight : 20;
            asc = std::min(h, MeasureChar(box.Metrics(), p.baseFont, -1, ' ').ascent);
        }
        cur.ascent = asc;
        cur.height = lineHeight > 0 ? lineHeight : h;
        const std::int32_t left = rem > 0 ? rem : 0;
        cur.alignOffset = align == 1 ? left : align == 2 ? left / 2 : 0;
        cur.usedWidth = lineWidth - rem;
        // What the line really needs: an object alone on a line counts whole.
        box.contentWidth = std::max(box.contentWidth, cur.startX + std::max(drawn, cur.usedWidth) + m.right);
        nextTop = cur.top + cur.height;
        lines.push_back(cur);
        open = false;
    };
    auto add = [&](std::size_t i, std::int32_t w) {
        remaining -= w;
        ++cur.count;
        if (p.text[i] == ' ') {
            cand = static_cast<std::int64_t>(i) + 1;
            candRemaining = remaining;
        }
    };

    for (std::size_t i = 0; i < n; ++i) {
        if (!open) startLine(static_cast<std::int32_t>(i));
        TNYXcharRec& r = p.recs[i];
        if (TNYXembedded* e = p.ObjectAt(i)) {
            const bool shown = host.MeasureObject(*e, lineWidth);
            std::int32_t w = shown ? e->width : 0;
            std::int32_t h = shown ? e->height : 10;
            const model::TNYXoggetto* o = e->Record();
            const int type = o ? o->Type() : -1;
            if (type >= model::inputStat && type <= model::bottoneCGI) h += 2;
            r.width = w;
            r.height = h;
            r.ascent = ObjectAscent(type == model::immagineNew ? o->Byte(13) : 4, h);
            e->left = kOutOfSight;
            e->placed = false;
        }
        const std::int32_t w = r.width;
        if (remaining - w > 0) {
            add(i, w);
        } else if (cur.count > 0) {
            if (cand < 0 && i > 0 && p.text[i - 1] == ' ') {
                cand = static_cast<std::int64_t>(i);
                candRemaining = remaining;
            }
            if (cand < 0) {
                add(i, w);  // a word longer than the line runs past its edge
            } else {
                const auto breakAt = static_cast<std::int32_t>(cand);
                const std::int32_t movedWidth = candRemaining - remaining;
                const std::int32_t moved = cur.first + cur.count - breakAt;
                cur.count = breakAt - cur.first;
                endLine(candRemaining);
                startLine(breakAt);
                remaining -= movedWidth;
                cur.count = moved;
                add(i, w);
            }
        } else {
            add(i, w);
            endLine(0);
        }
    }
    if (open) endLine(remaining);

    const TNYXline& last = lines.back();
    p.bottom = std::max(top - 1, top + m.above + last.top + last.height + m.below - 1);
    p.lines = std::move(lines);
    p.linesChecked.assign(p.lines.size(), 0);

    if (!p.Objects().empty()) {
        const std::int32_t textTop = top + m.above;
        for (const TNYXline& l : p.lines) {
            std::int32_t x = l.startX + l.alignOffset;
            const std::int32_t base = textTop + l.top + l.ascent;
            const auto end = static_cast<std::size_t>(l.first + l.count);
            for (auto k = static_cast<std::size_t>(l.first); k < end; ++k) {
                if (TNYXembedded* e = p.ObjectAt(k)) {
                    e->left = x;
                    e->top = base - p.recs[k].ascent;
                }
                x += p.recs[k].width;
            }
        }
    }
    box.EndUpdate();
    return p.bottom + 1;
}

void NumberLists(TNYXbox& box) {
    std::int32_t counter = 1;
    for (auto& p : box.paragraphs) {
        if (p->style.Get(pfList) == 6) {
            p->listNumber = counter++;
        } else {
            p->listNumber = 0;
            counter = 1;
        }
    }
}

void LayoutRange(TNYXbox& box, std::int32_t first, std::int32_t last, bool resetSelection, std::int32_t oldBottom,
                 std::int32_t top) {
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    if (n == 0) return;
    if (first < 0) first = 0;
    if (last >= n) last = n - 1;
    if (first > last) return;
    box.BeginUpdate();
    const std::int32_t oldContent = box.contentWidth;
    std::int32_t t = top;
    for (std::int32_t i = first; i <= last; ++i) t = LayoutParagraph(box, i, t);
    const std::int32_t newBottom = box.paragraphs[static_cast<std::size_t>(last)]->bottom;
    if (resetSelection) {
        box.selStart = {first, 0};
        box.selEnd = {last, static_cast<std::int32_t>(box.paragraphs[static_cast<std::size_t>(last)]->text.size())};
    }
    const std::int32_t delta = newBottom - oldBottom;
    if (delta != 0) {
        for (std::int32_t i = last + 1; i < n; ++i) {
            TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
            p.top += delta;
            p.bottom += delta;
            for (TNYXembedded* e : p.Objects())
                if (e && e->PlacedIn() == &p && e->left != kOutOfSight) {
                    e->top += delta;
                    e->placed = false;
                }
        }
    }
    NumberLists(box);
    TLayoutHost& host = box.Host();
    if (box.contentWidth != oldContent || delta != 0) host.ContentSizeChanged();
    const std::int32_t from = std::min(box.paragraphs[static_cast<std::size_t>(first)]->top, top);
    host.Invalidate(from, delta != 0 ? -1 : std::max(newBottom, oldBottom));
    host.ObjectsMoved(first, delta != 0 ? n - 1 : last);
    box.EndUpdate();
}

std::int32_t FirstParagraphTop(const TNYXbox& box) {
    if (box.paragraphs.empty()) return 0;
    const std::int32_t above = box.paragraphs.front()->style.Get(pfAbove);
    if (box.IsCell()) return above + box.cellPadding;
    return above == 0 ? 8 : above;
}

void LayoutBox(TNYXbox& box) {
    if (box.paragraphs.empty()) return;
    box.BeginUpdate();
    box.contentWidth = 0;
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    const std::int32_t oldBottom = box.paragraphs.back()->bottom;
    LayoutRange(box, 0, n - 1, false, oldBottom, FirstParagraphTop(box));
    box.Host().ContentSizeChanged();
    box.Host().Invalidate(0, -1);
    box.EndUpdate();
}

bool ResizeBox(TNYXbox& box, std::int32_t clientWidth) {
    const std::int32_t w = std::max<std::int32_t>(clientWidth, 20);
    if (w == box.layoutWidth) return false;
    box.layoutWidth = w;
    if (box.paragraphs.empty()) return false;
    LayoutBox(box);
    return true;
}

std::size_t ParagraphAt(const TNYXbox& box, std::int32_t y) {
    auto it = std::lower_bound(box.paragraphs.begin(), box.paragraphs.end(), y,
                               [](const std::unique_ptr<TNYXparag>& p, std::int32_t v) { return p->bottom < v; });
    return static_cast<std::size_t>(it - box.paragraphs.begin());
}

}  // namespace richtext
