#include "present/PrintBox.h"

#include <algorithm>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "model/Types.h"
#include "model/Upgrade.h"
#include "present/PictureData.h"
#include "present/TableData.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"

namespace present {

using richtext::TNYXbox;
using richtext::TNYXembedded;
using richtext::TNYXparag;

// Sizes of the objects of a printed text, in printer pixels.
class TPrintedPage::Host : public richtext::TLayoutHost {
public:
    explicit Host(TPrintedPage& page) : page_(page) {}
    bool MeasureObject(TNYXembedded& e, std::int32_t lineWidth) override {
        const model::TNYXoggetto* o = e.Record();
        if (!o) {
            e.width = e.height = 0;
            return false;
        }
        if (e.IsTable()) {
            page_.LayoutTable(e, lineWidth);
            const TPrintedTable* t = page_.TableOf(e);
            e.width = t ? t->width : 0;
            e.height = t ? t->height : 0;
            return true;
        }
        if (o->Type() == model::immagineNew) {
            const Size s = page_.PictureSize(*o);
            e.width = s.width;
            e.height = s.height;
            return true;
        }
        // Buttons, form controls, multimedia, frames and markers print
        // nothing; the marker of subtype 15 leaves an empty square.
        if (o->Byte(4) == 15) {
            e.width = page_.g_.pictureFactorX * 105 / 100;
            e.height = page_.g_.pictureFactorY * 105 / 100;
        } else {
            e.width = 0;
            e.height = 10;
        }
        return true;
    }

private:
    TPrintedPage& page_;
};

namespace {

class Collect : public richtext::TMarkupProblemSink {
public:
    explicit Collect(richtext::TMarkupDiagnostics& into) : into_(into) {}
    void Report(const richtext::TMarkupDiagnostics& d) override {
        for (const richtext::TMarkupNote& n : d.Notes()) into_.Note(n.problem, n.offset);
    }

private:
    richtext::TMarkupDiagnostics& into_;
};

std::int64_t Positive(std::int64_t v, std::int64_t fallback) { return v > 0 ? v : fallback; }

}  // namespace

TPrintedPage::TPrintedPage(model::TNYXset& set, const TPrintGeometry& geometry, const TPrintOptions& options,
                           richtext::TTextMetrics& printerMetrics)
    : set_(set), g_(geometry), options_(options), metrics_(printerMetrics) {
    options_.pictureScale = ClampPictureScale(options_.pictureScale);
    host_ = std::make_unique<Host>(*this);
    registry_ = std::make_unique<richtext::TNYXundoIndiciList>();
    box_ = std::make_unique<TNYXbox>(&set_, registry_.get(), &metrics_);
    box_->host = host_.get();
}

TPrintedPage::~TPrintedPage() {
    // The box shows objects of the working copy: it goes first.
    box_.reset();
    registry_.reset();
    copy_.reset();
}

bool TPrintedPage::Build(model::TNYXoggetto& page) {
    if (page.IsEmpty() || page.Type() != model::testoHtml) return false;
    // Text still in the first markup version is converted before it is read,
    // so that it never prints as an empty sheet.
    model::UpgradePageText(set_, page);
    if (model::TNYXoggetto* h = model::HeaderPageOf(set_, page)) model::UpgradePageText(set_, *h);
    if (model::TNYXoggetto* f = model::FooterPageOf(set_, page)) model::UpgradePageText(set_, *f);
    copy_ = model::BuildWorkingCopy(set_, &page);
    if (!copy_) return false;
    auto addObjects = [&](model::TNYXtesto& t, std::int32_t base) {
        auto& objs = t.EmbeddedObjects();
        for (std::size_t i = 0; i < objs.size(); ++i)
            registry_->Put(base + static_cast<std::int32_t>(i), std::make_unique<TNYXembedded>(objs[i].get()));
    };
    addObjects(*copy_, 0);
    std::string header, footer;
    if (model::TNYXtesto* h = copy_->HeaderCopy()) {
        const auto base = static_cast<std::int32_t>(registry_->Size());
        addObjects(*h, base);
        header = richtext::ShiftInstanceIds(h->Text(), base);
    }
    if (model::TNYXtesto* f = copy_->FooterCopy()) {
        const auto base = static_cast<std::int32_t>(registry_->Size());
        addObjects(*f, base);
        footer = richtext::ShiftInstanceIds(f->Text(), base);
    }
    backgroundColour = static_cast<std::uint32_t>(copy_->Int(model::pagerec::kBackColour)) & 0xFFFFFF;
    backgroundPicture = copy_->Int(model::pagerec::kBackPicture);
    Collect sink(diagnostics_);
    richtext::LoadBox(*box_, 0, copy_->Text(), header, footer, &sink);
    LayoutAll();
    return true;
}

void TPrintedPage::BuildFromText(std::string_view body, const std::vector<model::TNYXoggetto*>& objects) {
    for (std::size_t i = 0; i < objects.size(); ++i)
        registry_->Put(static_cast<std::int32_t>(i), std::make_unique<TNYXembedded>(objects[i]));
    Collect sink(diagnostics_);
    richtext::LoadBox(*box_, 0, body, {}, {}, &sink);
    LayoutAll();
}

void TPrintedPage::ConvertLengths(TNYXbox& box) {
    using namespace richtext;
    for (auto& p : box.paragraphs) {
        TNYXParaStyle& s = p->style;
        const std::int32_t left = s.Get(pfLeft), right = s.Get(pfRight), indent = s.Get(pfIndent);
        const std::int32_t above = s.Get(pfAbove), below = s.Get(pfBelow), line = s.Get(pfLineHeight);
        s.Set(pfLeft, g_.ConvertX(left));
        s.Set(pfRight, g_.ConvertX(right));
        s.Set(pfIndent, g_.ConvertX(indent));
        s.Set(pfAbove, g_.ConvertY(above));
        s.Set(pfBelow, g_.ConvertY(below));
        s.Set(pfLineHeight, line > 0 ? g_.ConvertY(line) : line);
        for (TNYXembedded* e : p->Objects())
            if (e && e->IsTable())
                for (auto& cell : e->Cells())
                    if (cell) {
                        cell->host = host_.get();
                        cell->SetMetrics(&metrics_);
                        ConvertLengths(*cell);
                    }
    }
}

void TPrintedPage::LayoutAll() {
    ConvertLengths(*box_);
    box_->layoutWidth = g_.printableWidth;
    box_->cellPadding = 0;
    // The first paragraph starts at its own space above: no default gap.
    LayoutBoxAt(*box_, 0);
}

std::int32_t TPrintedPage::LayoutBoxAt(TNYXbox& box, std::int32_t firstTop) {
    std::int32_t t = firstTop;
    const auto n = static_cast<std::int32_t>(box.paragraphs.size());
    for (std::int32_t i = 0; i < n; ++i) {
        richtext::LayoutParagraph(box, i, t);
        TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        if (!p.IsTableParagraph()) {
            // A line taller than the printable height would leave the sheets
            // after it blank: it is brought down to that height.
            std::int32_t next = 0;
            bool capped = false;
            for (richtext::TNYXline& l : p.lines) {
                if (l.height > g_.printableHeight) {
                    l.height = g_.printableHeight;
                    l.ascent = std::min(l.ascent, l.height);
                    capped = true;
                }
                l.top = next;
                next = l.top + l.height;
            }
            if (capped && !p.lines.empty()) {
                const richtext::TParaMargins m = richtext::MarginsOf(p);
                p.bottom = std::max(p.top - 1, p.top + m.above + next + m.below - 1);
            }
        }
        t = p.bottom + 1;
    }
    richtext::NumberLists(box);
    return box.paragraphs.empty() ? firstTop - 1 : box.paragraphs.back()->bottom;
}

TPrintedPage::Size TPrintedPage::PictureSize(const model::TNYXoggetto& o) const {
    std::int64_t nw = o.SWord(15), nh = o.SWord(17), dw = o.SWord(19), dh = o.SWord(21);
    if (nw <= 0 || nh <= 0) {
        // No natural size stored: the picture's own pixel size.
        nw = nh = 0;
        const std::int32_t ref = PictureRefFrom(o.Int(0));
        model::TNYXoggetto* pic = ref == model::kNoRef ? nullptr : set_.ObjectAt(model::immagine, model::RefIndex(ref));
        if (pic && !pic->IsEmpty())
            if (auto img = pic->GetPicture()) {
                nw = img->width;
                nh = img->height;
            }
        nw = Positive(nw, 100);
        nh = Positive(nh, 100);
    }
    if (o.Byte(23) == 1) {
        dw = nw * Positive(dw, 100) / 100;
        dh = nh * Positive(dh, 100) / 100;
    }
    dw = Positive(dw, nw);
    dh = Positive(dh, nh);
    std::int64_t w = dw * g_.pictureFactorX / 100;
    std::int64_t h = dh * g_.pictureFactorY / 100;
    // Never larger than the printable area: kept in proportion.
    const std::int64_t maxW = std::max(1, g_.printableWidth), maxH = std::max(1, g_.printableHeight);
    if (w > maxW) {
        h = std::max<std::int64_t>(1, h * maxW / w);
        w = maxW;
    }
    if (h > maxH) {
        w = std::max<std::int64_t>(1, w * maxH / h);
        h = maxH;
    }
    return {static_cast<std::int32_t>(std::max<std::int64_t>(w, 1)), static_cast<std::int32_t>(std::max<std::int64_t>(h, 1))};
}

const TPrintedTable* TPrintedPage::TableOf(const TNYXembedded& e) const {
    auto it = tables_.find(&e);
    return it == tables_.end() ? nullptr : &it->second;
}

void TPrintedPage::LayoutTable(TNYXembedded& e, std::int32_t available) {
    const model::TNYXoggetto* o = e.Record();
    if (!o) return;
    const TTableData d(*o);
    TPrintedTable& t = tables_[&e];
    t = TPrintedTable{};
    t.rows = e.Rows();
    t.columns = e.Columns();
    const std::size_t count = static_cast<std::size_t>(t.rows) * static_cast<std::size_t>(t.columns);
    if (t.rows <= 0 || t.columns <= 0 || e.Cells().size() < count) return;
    t.cells.resize(count);
    // Cell backgrounds: only a colour or a picture value paints; -1 and
    // anything else is transparent.
    const std::vector<std::int32_t> bgs = d.CellBackgrounds();
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t v = i < bgs.size() ? bgs[i] : -1;
        t.cells[i].background = BackgroundKind(v) == TBackgroundKind::kNone ? -1 : v;
    }
    // The stored lengths are screen pixels, like paragraph lengths.
    const std::int32_t g = g_.ConvertX(d.Spacing());
    const std::int32_t pad = g_.ConvertX(d.Padding()) + g_.ConvertX(d.Border());
    const std::int32_t minFree = g_.ConvertX(30);
    const std::int64_t width = d.WidthIsPercent() ? std::int64_t{available} * d.PercentWidth() / 100
                                                   : std::int64_t{g_.ConvertX(d.PixelWidth())};
    std::int64_t inner = width - std::int64_t{t.columns + 1} * g;
    if (inner < 0) inner = 10;

    auto cellBox = [&](int r, int c) { return e.CellAt(r, c); };
    auto layoutCell = [&](TNYXbox& cell, std::int32_t w) {
        cell.layoutWidth = std::max(1, w);
        cell.cellPadding = pad;
        const std::int32_t bottom = LayoutBoxAt(cell, pad);
        return bottom + 1 + pad;
    };
    auto at = [&](int r, int c) -> TPrintedTable::Cell& {
        return t.cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(t.columns) + static_cast<std::size_t>(c)];
    };
    // Widths row by row.
    std::int64_t y = g;
    for (int r = 0; r < t.rows; ++r) {
        std::int64_t x = g, used = 0, rest = 0, rowHeight = 0;
        for (int c = 0; c < t.columns; ++c) {
            std::int64_t w = 0;
            switch (d.ColumnRule(c)) {
                case TTableData::kPercent: {
                    const std::int64_t pc = d.ColumnWidth(c);
                    w = inner * pc / 100;
                    rest += inner * pc % 100;
                    if (rest > 100) {
                        ++w;
                        rest -= 100;
                    }
                    break;
                }
                case TTableData::kFixed: w = g_.ConvertX(d.ColumnWidth(c)); break;
                default:
                    w = width - used;
                    if (w <= 0) w = minFree;
                    break;
            }
            w = std::clamp<std::int64_t>(w, 1, 1000000);
            TPrintedTable::Cell& cell = at(r, c);
            cell.x = static_cast<std::int32_t>(x);
            cell.y = static_cast<std::int32_t>(y);
            cell.width = static_cast<std::int32_t>(w);
            cell.height = layoutCell(*cellBox(r, c), cell.width);
            rowHeight = std::max<std::int64_t>(rowHeight, cell.height);
            used += w;
            x += w + g;
        }
        y += rowHeight + g;
    }
    // Each column as wide as its widest cell.
    std::int64_t x = g;
    for (int c = 0; c < t.columns; ++c) {
        std::int32_t w = 1;
        for (int r = 0; r < t.rows; ++r) w = std::max(w, at(r, c).width);
        for (int r = 0; r < t.rows; ++r) {
            TPrintedTable::Cell& cell = at(r, c);
            cell.x = static_cast<std::int32_t>(x);
            cell.width = w;
            cell.height = layoutCell(*cellBox(r, c), w);
        }
        x += w + g;
    }
    // Each row as high as its tallest cell.
    y = g;
    for (int r = 0; r < t.rows; ++r) {
        std::int32_t h = 1;
        for (int c = 0; c < t.columns; ++c) h = std::max(h, at(r, c).height);
        for (int c = 0; c < t.columns; ++c) {
            at(r, c).y = static_cast<std::int32_t>(y);
            at(r, c).height = h;
        }
        y += h + g;
    }
    t.width = static_cast<std::int32_t>(std::min<std::int64_t>(x, 2000000000));
    t.height = static_cast<std::int32_t>(std::min<std::int64_t>(y, 2000000000));
}

std::vector<TSheet> TPrintedPage::Sheets() { return WalkBands(*box_, g_.printableHeight, tables_); }

// --- band walk -----------------------------------------------------------------------------------

namespace {

using Tables = std::map<const TNYXembedded*, TPrintedTable>;

void PrintParagraph(TNYXbox& box, std::int32_t boxLeft, std::int32_t boxTop, std::int32_t pi, std::int32_t t,
                    std::int32_t b, const Tables& tables, std::vector<TSheetItem>& items) {
    const TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(pi)];
    if (p.IsTableParagraph()) {
        // The table prints only what of it meets the band.
        for (TNYXembedded* e : p.Objects()) {
            if (!e || e->left == richtext::kOutOfSight) continue;
            auto it = tables.find(e);
            if (it == tables.end()) continue;
            const TPrintedTable& tab = it->second;
            for (int r = 0; r < tab.rows; ++r)
                for (int c = 0; c < tab.columns; ++c) {
                    const TPrintedTable::Cell& cell =
                        tab.cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(tab.columns) +
                                  static_cast<std::size_t>(c)];
                    TNYXbox* cb = e->CellAt(r, c);
                    if (!cb) continue;
                    const std::int32_t cx = boxLeft + e->left + cell.x, cy = boxTop + e->top + cell.y;
                    if (cy >= b || cy + cell.height <= t) continue;
                    TSheetItem it2;
                    it2.kind = TSheetItem::kCell;
                    it2.box = cb;
                    it2.boxLeft = cx;
                    it2.boxTop = cy;
                    it2.cellWidth = cell.width;
                    it2.cellHeight = cell.height;
                    it2.background = cell.background;
                    items.push_back(it2);
                    for (std::size_t j = 0; j < cb->paragraphs.size(); ++j) {
                        const TNYXparag& q = *cb->paragraphs[j];
                        if (cy + q.top < b && cy + q.bottom >= t)
                            PrintParagraph(*cb, cx, cy, static_cast<std::int32_t>(j), t, b, tables, items);
                    }
                }
        }
        return;
    }
    if (p.lines.empty()) return;
    const std::int32_t textTop = boxTop + richtext::TextTop(p);
    TSheetItem base;
    base.box = &box;
    base.para = pi;
    base.boxLeft = boxLeft;
    base.boxTop = boxTop;
    const std::int32_t mark = p.style.Get(richtext::pfList);
    if (mark == 6 || mark == 10) {
        const std::int32_t top = textTop + p.lines[0].top;
        if (top >= t && top < b) {
            TSheetItem m = base;
            m.kind = TSheetItem::kMark;
            items.push_back(m);
        }
    }
    for (std::size_t li = 0; li < p.lines.size(); ++li) {
        const std::int32_t top = textTop + p.lines[li].top;
        if (top >= b) break;
        if (top < t) continue;
        TSheetItem l = base;
        l.kind = TSheetItem::kLine;
        l.line = static_cast<std::int32_t>(li);
        items.push_back(l);
    }
}

}  // namespace

std::vector<TSheet> WalkBands(TNYXbox& box, std::int32_t H, const Tables& tables) {
    std::vector<TSheet> sheets(1);
    if (H <= 0) return sheets;
    std::int64_t t = 0;
    const std::size_t n = box.paragraphs.size();
    auto newSheet = [&] {
        sheets.emplace_back();
        sheets.back().bandTop = static_cast<std::int32_t>(std::min<std::int64_t>(t, INT32_MAX));
    };
    std::size_t i = 0;
    while (i < n) {
        const TNYXparag& p = *box.paragraphs[i];
        const std::int64_t bandBottom = t + H;  // first row below the band
        const bool meets = p.top < bandBottom && p.bottom >= t;
        if (meets) {
            PrintParagraph(box, 0, 0, static_cast<std::int32_t>(i), static_cast<std::int32_t>(t),
                           static_cast<std::int32_t>(std::min<std::int64_t>(bandBottom, INT32_MAX)), tables,
                           sheets.back().items);
            if (p.bottom < bandBottom) {
                ++i;
            } else {
                t += H;
                newSheet();
            }
        } else if (p.top >= bandBottom) {
            // Below the band: skip ahead to the band it starts in.
            t += (p.top - t) / H * H;
            newSheet();
        } else {
            ++i;  // an empty paragraph above the band
        }
    }
    // Sheets that received nothing (after a paragraph's space below, or over
    // space above) are not printed.
    std::vector<TSheet> out;
    for (TSheet& s : sheets)
        if (!s.items.empty()) out.push_back(std::move(s));
    if (out.empty()) out.emplace_back();
    return out;
}

}  // namespace present
