#include "richtext/ui/BoxPainter.h"

#include <QBrush>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <cstdlib>

#include "richtext/Layout.h"

namespace richtext::ui {
namespace {

QColor FromColour(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int FloorMod(int a, int m) {
    int r = a % m;
    return r < 0 ? r + m : r;
}

void Hatch(QPainter& p, const TBoxLook& look, const QRect& r) {
    p.fillRect(r, QBrush(look.buttonHighlight, Qt::FDiagPattern));
    p.fillRect(r, QBrush(look.buttonShadow, Qt::BDiagPattern));
}

struct Selection {
    TTextPos lo, hi;
    bool on = false;
    bool Has(std::int32_t para, std::int32_t ch) const {
        if (!on) return false;
        const TTextPos t{para, ch};
        return !(t < lo) && t < hi;
    }
};

void DottedLine(QPainter& p, int x0, int x1, int y) {
    for (int x = x0; x < x1; x += 2) p.drawPoint(x, y);
}

void PaintListMark(QPainter& p, const TNYXparag& para, TQtTextMetrics& metrics, std::int32_t baseline) {
    const std::int32_t mark = para.style.Get(pfList);
    if (mark != 6 && mark != 10) return;
    const std::int32_t left = MarginsOf(para).left;
    const std::int32_t indent = para.style.Get(pfIndent);
    TQtTextMetrics::Entry& e = metrics.Font(para.baseFont);
    p.setPen(FromColour(para.baseFont.colour));
    if (mark == 6) {
        const QString text = QString::number(para.listNumber) + QStringLiteral(". ");
        const int tw = e.fm.horizontalAdvance(text);
        const int x = indent < 0 ? left + indent : indent < tw ? left - tw : left;
        p.setFont(e.font);
        p.drawText(x, baseline, text);
    } else {
        // The bullet of the symbol font: a small black diamond.
        const int x = indent < 0 ? left + indent : indent > 9 ? left : left - 10;
        const int s = std::max(2, e.ascent / 4);
        const int cx = x + s + 1, cy = baseline - e.ascent / 3;
        QPolygon d;
        d << QPoint(cx, cy - s) << QPoint(cx + s, cy) << QPoint(cx, cy + s) << QPoint(cx - s, cy);
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(FromColour(para.baseFont.colour));
        p.drawPolygon(d);
        p.restore();
    }
}

void PaintLine(QPainter& p, TNYXbox& box, std::int32_t pi, TNYXparag& para, std::size_t li, std::int32_t textTop,
               TQtTextMetrics& metrics, const TBoxLook& look, const Selection& sel) {
    const TNYXline& line = para.lines[li];
    if (para.linesChecked.size() != para.lines.size()) para.linesChecked.assign(para.lines.size(), 0);
    // Runs are compared with their characters' widths once per layout.
    const bool check = !para.linesChecked[li];
    std::int32_t x = line.startX + line.alignOffset;
    const std::int32_t lineTop = textTop + line.top;
    const std::int32_t baseline = lineTop + line.ascent;
    const auto end = static_cast<std::size_t>(line.first + line.count);
    const bool spell = !para.spell.empty();
    std::size_t k = static_cast<std::size_t>(line.first);
    while (k < end) {
        if (TNYXembedded* e = para.ObjectAt(k)) {
            const QRect r(x, baseline - para.recs[k].ascent, para.recs[k].width, para.recs[k].height);
            if (r.width() > 0) {
                if (sel.Has(pi, static_cast<std::int32_t>(k))) p.fillRect(r.adjusted(-1, -1, 1, 1), look.highlight);
                if (look.paintObject) look.paintObject(p, *e, r);
                else PaintPlaceholder(p, r);
            }
            x += para.recs[k].width;
            ++k;
            continue;
        }
        const std::size_t s = k;
        const bool selected = sel.Has(pi, static_cast<std::int32_t>(s));
        const std::int32_t link = para.recs[s].link;
        std::int32_t sum = para.recs[s].width;
        for (++k; k < end; ++k) {
            const TNYXcharRec& r = para.recs[k];
            if (r.font >= 0 || r.object >= 0 || r.link != link || sel.Has(pi, static_cast<std::int32_t>(k)) != selected)
                break;
            sum += r.width;
        }
        const TMyFont font = DrawFont(para, s);
        TQtTextMetrics::Entry& e = metrics.Font(font);
        const QString text = QtText(std::string_view(para.text).substr(s, k - s));
        const std::int32_t top = baseline + (font.position == 1 ? e.height / 2 : 0) - para.recs[s].ascent;
        const std::int32_t y = top + e.ascent;
        if (selected) p.fillRect(QRect(x, lineTop, sum, line.height), look.highlight);
        p.setPen(selected ? look.highlightText : FromColour(font.colour));
        p.setFont(e.font);
        if (check && std::abs(e.fm.horizontalAdvance(text) - sum) > 4) {
            // The run disagrees with its characters: draw them one by one,
            // measured again.
            std::int32_t cx = x;
            int prev = -1;
            sum = 0;
            for (std::size_t c = s; c < k; ++c) {
                const auto ch = static_cast<unsigned char>(para.text[c]);
                const std::int32_t w = MeasureChar(metrics, font, prev, ch).width;
                prev = ch;
                para.recs[c].width = w;
                p.drawText(cx, y, QString(QtChar(ch)));
                cx += w;
                sum += w;
            }
        } else {
            p.drawText(x, y, text);
        }
        if (spell) {
            std::int32_t cx = x;
            for (std::size_t c = s; c < k;) {
                if (c < para.spell.size() && para.spell[c] == '!') {
                    std::int32_t sx = cx;
                    while (c < k && c < para.spell.size() && para.spell[c] == '!') cx += para.recs[c++].width;
                    p.save();
                    p.setPen(QColor(Qt::red));
                    DottedLine(p, sx, cx, baseline + 2);
                    DottedLine(p, sx + 1, cx, baseline + 4);
                    p.restore();
                } else {
                    cx += para.recs[c++].width;
                }
            }
        }
        x += sum;
    }
    para.linesChecked[li] = 1;
    (void)box;
}

}  // namespace

TMyFont DrawFont(const TNYXparag& para, std::size_t i) {
    TMyFont f = para.FontAt(i);
    if (i < para.recs.size() && para.recs[i].link != -1) {
        f.colour = static_cast<std::uint32_t>(para.style.Get(pfLinkColour));
        f.style = static_cast<std::uint8_t>(f.style ^ (para.style.Get(pfLinkStyle) & 15));
        const std::int32_t ls = para.style.Get(pfLinkSize);
        if (ls != -1) f.size = ls;
    }
    return f;
}

void PaintPlaceholder(QPainter& p, const QRect& r) {
    p.save();
    p.fillRect(r, QColor(0xE8, 0xE8, 0xE8));
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.restore();
}

void PaintBackground(QPainter& p, const TBoxLook& look, const QRect& area) {
    if (!look.picture.isNull()) {
        if (look.pageBox && !look.pictureOpaque) p.fillRect(area, look.background);
        const int w = look.picture.width(), h = look.picture.height();
        if (w > 0 && h > 0) {
            // Tile origin: the scroll position for a fixed background (the
            // tiles stay still in the window), else multiples of the picture
            // size in the box (or, for cells, in the parent).
            QPoint origin;
            if (look.pageBox && look.fixedBackground) origin = look.scroll;
            else if (!look.pageBox) origin = -look.parentOffset;
            const QPoint offset(FloorMod(area.x() - origin.x(), w), FloorMod(area.y() - origin.y(), h));
            p.drawTiledPixmap(area, QPixmap::fromImage(look.picture), offset);
        }
    } else if (!look.transparent) {
        p.fillRect(area, look.background);
    }
    if (look.inactive && look.editable) Hatch(p, look, area);
}

void PaintBorder(QPainter& p, const TBoxLook& look, const QSize& size, BorderOf kind, int width, bool showBoundaries,
                 bool readOnly) {
    if (look.inactive || !showBoundaries || (width == 0 && readOnly)) return;
    const int w = size.width(), h = size.height();
    auto ring = [&](int i, const QColor& topLeft, const QColor& bottomRight) {
        if (w - 2 * i <= 0 || h - 2 * i <= 0) return;
        const int l = i, t = i, r = w - 1 - i, b = h - 1 - i;
        p.setPen(topLeft);
        p.drawLine(l, t, r, t);
        p.drawLine(l, t, l, b);
        p.setPen(bottomRight);
        p.drawLine(l, b, r, b);
        p.drawLine(r, t, r, b);
    };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (kind == BorderOf::Cell && width > 0) {
        for (int i = 0; i < width; ++i) ring(i, look.buttonShadow, look.buttonHighlight);
    } else if (kind == BorderOf::Table && width > 0) {
        ring(0, look.buttonHighlight, look.buttonShadow);
    } else if (kind == BorderOf::Cell) {
        // Black dots on white along the edge.
        p.setPen(Qt::white);
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w - 1, h - 1);
        p.setPen(Qt::black);
        for (int x = 0; x < w; x += 2) {
            p.drawPoint(x, 0);
            p.drawPoint(x, h - 1);
        }
        for (int y = 0; y < h; y += 2) {
            p.drawPoint(0, y);
            p.drawPoint(w - 1, y);
        }
    }
    p.restore();
}

void PaintParagraphs(QPainter& p, TNYXbox& box, TQtTextMetrics& metrics, const TBoxLook& look, const QRect& clip) {
    Selection sel;
    if (look.showSelection && box.HasSelection()) {
        sel.on = true;
        sel.lo = std::min(box.selStart, box.selEnd);
        sel.hi = std::max(box.selStart, box.selEnd);
    }
    const int width = std::max(box.layoutWidth, box.contentWidth);
    for (std::size_t i = ParagraphAt(box, clip.top()); i < box.paragraphs.size(); ++i) {
        TNYXparag& para = *box.paragraphs[i];
        if (para.top > clip.bottom()) break;
        if (para.lines.empty()) continue;
        if ((para.kind == pkHeader || para.kind == pkFooter) && look.pageBox && look.editable)
            Hatch(p, look, QRect(0, para.top - 2, width, para.bottom - para.top + 4));
        const std::int32_t textTop = TextTop(para);
        PaintListMark(p, para, metrics, textTop + para.lines[0].top + para.lines[0].ascent);
        for (std::size_t li = 0; li < para.lines.size(); ++li) {
            const TNYXline& l = para.lines[li];
            if (textTop + l.top > clip.bottom()) break;
            if (textTop + l.top + l.height < clip.top()) continue;
            PaintLine(p, box, static_cast<std::int32_t>(i), para, li, textTop, metrics, look, sel);
        }
    }
}

void PaintTextLine(QPainter& p, TNYXbox& box, std::int32_t para, std::size_t line, TQtTextMetrics& metrics,
                   const TBoxLook& look) {
    if (para < 0 || static_cast<std::size_t>(para) >= box.paragraphs.size()) return;
    TNYXparag& pa = *box.paragraphs[static_cast<std::size_t>(para)];
    if (line >= pa.lines.size()) return;
    PaintLine(p, box, para, pa, line, TextTop(pa), metrics, look, Selection{});
}

void PaintParagraphMark(QPainter& p, const TNYXparag& para, TQtTextMetrics& metrics) {
    if (para.lines.empty()) return;
    PaintListMark(p, para, metrics, TextTop(para) + para.lines[0].top + para.lines[0].ascent);
}

void PaintBox(QPainter& p, TNYXbox& box, TQtTextMetrics& metrics, const TBoxLook& look, const QRect& clip) {
    if (box.UpdateCount() > 0) return;
    PaintBackground(p, look, clip);
    PaintParagraphs(p, box, metrics, look, clip);
}

}  // namespace richtext::ui
