// The text of a box as HTML, run by run (fonts, colours, links, pictures as
// images of their size, tables with their cells' text): what the benchmarks
// hand to Qt's own rich-text classes as the peer's copy of the same page.
#pragma once

#include <QString>

#include <string>

#include "richtext/Box.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"

namespace bench {

using namespace richtext;
using namespace richtext::ui;

inline QString Escaped(const std::string& bytes) { return QtText(bytes).toHtmlEscaped(); }

// The box's text as HTML, run by run.
inline QString Html(const TNYXbox& box) {
    QString h = QStringLiteral("<html><body>");
    auto runStyle = [](const TMyFont& f) {
        QString s = QStringLiteral("font-family:'%1'; font-size:%2pt; color:#%3%4%5;")
                        .arg(DrawnFamily(f.name))
                        .arg(f.size)
                        .arg(f.colour & 0xFF, 2, 16, QLatin1Char('0'))
                        .arg((f.colour >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
                        .arg((f.colour >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
        if (f.style & kBold) s += QStringLiteral(" font-weight:bold;");
        if (f.style & kItalic) s += QStringLiteral(" font-style:italic;");
        if (f.style & kUnderline) s += QStringLiteral(" text-decoration:underline;");
        return s;
    };
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i) {
        const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        const std::int32_t align = p.style.Get(pfAlign);
        h += QStringLiteral("<p style=\"margin-left:%1px; margin-right:%2px; margin-top:0; margin-bottom:0\"%3>")
                 .arg(p.style.Get(pfLeft))
                 .arg(p.style.Get(pfRight))
                 .arg(align == 1 ? QStringLiteral(" align=right") : align == 2 ? QStringLiteral(" align=center") : QString());
        bool open = false, inLink = false;
        std::string run;
        auto flush = [&] {
            h += Escaped(run);
            run.clear();
        };
        for (std::size_t k = 0; k < p.text.size(); ++k) {
            if (const TNYXembedded* e = p.ObjectAt(k)) {
                flush();
                if (e->IsTable()) {
                    h += QStringLiteral("<table border=1>");
                    for (int r = 0; r < e->Rows(); ++r) {
                        h += QStringLiteral("<tr>");
                        for (int c = 0; c < e->Columns(); ++c) {
                            h += QStringLiteral("<td>");
                            if (const TNYXbox* cell = e->CellAt(r, c))
                                for (auto& cp : cell->paragraphs) h += Escaped(cp->text);
                            h += QStringLiteral("</td>");
                        }
                        h += QStringLiteral("</tr>");
                    }
                    h += QStringLiteral("</table>");
                } else {
                    h += QStringLiteral("<img width=%1 height=%2>").arg(p.recs[k].width).arg(p.recs[k].height);
                }
                continue;
            }
            const bool link = p.recs[k].link != -1;
            if (k == 0 || p.recs[k].font >= 0 || link != inLink) {
                flush();
                if (open) h += QStringLiteral("</span>");
                if (inLink && !link) h += QStringLiteral("</a>");
                if (link && !inLink) h += QStringLiteral("<a href=\"#\">");
                inLink = link;
                h += QStringLiteral("<span style=\"") + runStyle(DrawFont(p, k)) + QStringLiteral("\">");
                open = true;
            }
            run += p.text[k];
        }
        flush();
        if (open) h += QStringLiteral("</span>");
        if (inLink) h += QStringLiteral("</a>");
        h += QStringLiteral("</p>");
    }
    return h + QStringLiteral("</body></html>");
}

}  // namespace bench
