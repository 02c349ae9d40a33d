#include "present/ui/PrintRender.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/PictureData.h"
#include "present/TableData.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"

namespace present::ui {
namespace {

QColor FromColour(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QString Q(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

// The pictures of one job, decoded once: drawn again, the same image is
// embedded once in a PDF.
class TPictureCache {
public:
    explicit TPictureCache(model::TNYXset& set) : set_(set) {}
    // A picture record of the hypertext by slot.
    model::TNYXoggetto* Picture(std::int32_t slot) {
        if (slot < 0 || static_cast<std::uint32_t>(slot) > model::kMaxIndex) return nullptr;
        model::TNYXoggetto* p = set_.ObjectAt(model::immagine, slot);
        return p && !p->IsEmpty() ? p : nullptr;
    }
    // The picture as it is (transparent pixels kept), null when unreadable.
    const QImage& Raw(model::TNYXoggetto* pic) {
        auto it = raw_.find(pic);
        if (it != raw_.end()) return it->second;
        QImage img;
        if (pic)
            if (auto d = pic->GetPicture(); d && d->width > 0 && d->height > 0 &&
                                             d->rgba.size() >= static_cast<std::size_t>(d->width) * d->height) {
                img = QImage(d->width, d->height, QImage::Format_RGBA8888);
                for (int y = 0; y < d->height; ++y)
                    std::memcpy(img.scanLine(y), d->rgba.data() + static_cast<std::size_t>(y) * d->width,
                                static_cast<std::size_t>(d->width) * 4);
            }
        return raw_.emplace(pic, std::move(img)).first->second;
    }
    // The picture drawn on white (transparent pixels become white).
    const QImage& OnWhite(model::TNYXoggetto* pic) {
        auto it = white_.find(pic);
        if (it != white_.end()) return it->second;
        const QImage& raw = Raw(pic);
        QImage img;
        if (!raw.isNull()) {
            img = QImage(raw.size(), QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            p.drawImage(0, 0, raw);
        }
        return white_.emplace(pic, std::move(img)).first->second;
    }

private:
    model::TNYXset& set_;
    std::map<model::TNYXoggetto*, QImage> raw_, white_;
};

class TSheetPainter {
public:
    TSheetPainter(QPainter& p, const TPrintGeometry& g, const TPrintOptions& o, richtext::ui::TQtTextMetrics& m,
                  TPictureCache& pictures, model::TNYXset& set)
        : p_(p), g_(g), o_(o), m_(m), pictures_(pictures), set_(set) {
        look_.transparent = true;
        look_.pageBox = false;
        look_.editable = false;
        look_.showSelection = false;
        look_.paintObject = [this](QPainter& painter, const richtext::TNYXembedded& e, const QRect& r) {
            PaintObject(painter, e, r);
        };
    }

    // Tiles of a picture over a rectangle of the sheet, each at the picture
    // factors, from a grid origin at the rectangle's top-left corner.
    void Tiles(const QImage& img, const QRect& area) {
        if (img.isNull() || area.isEmpty()) return;
        const int tw = std::max(1, img.width() * g_.pictureFactorX / 100);
        const int th = std::max(1, img.height() * g_.pictureFactorY / 100);
        p_.save();
        p_.setClipRect(area);
        for (int y = area.top(); y <= area.bottom(); y += th)
            for (int x = area.left(); x <= area.right(); x += tw) p_.drawImage(QRect(x, y, tw, th), img);
        p_.restore();
    }

    void PageBackground(std::uint32_t colour, std::int32_t pictureSlot) {
        const QRect sheet(0, 0, g_.pageWidthPx, g_.pageHeightPx);
        model::TNYXoggetto* pic = pictures_.Picture(pictureSlot);
        const QImage& img = pictures_.Raw(pic);
        if (img.isNull() || img.hasAlphaChannel()) p_.fillRect(sheet, FromColour(colour));
        Tiles(img, sheet);
    }

    void Sheet(const TSheet& s, std::uint32_t colour, std::int32_t pictureSlot) {
        if (o_.pageBackground) PageBackground(colour, pictureSlot);
        p_.setBackgroundMode(Qt::TransparentMode);
        for (const TSheetItem& it : s.items) {
            const int x = g_.marginLeftPx + it.boxLeft;
            const int y = g_.marginTopPx - s.bandTop + it.boxTop;
            switch (it.kind) {
                case TSheetItem::kCell:
                    if (o_.tableBackgrounds) CellBackground(it.background, QRect(x, y, it.cellWidth, it.cellHeight));
                    break;
                case TSheetItem::kMark:
                    p_.save();
                    p_.translate(x, y);
                    richtext::ui::PaintParagraphMark(p_, *it.box->paragraphs[static_cast<std::size_t>(it.para)], m_);
                    p_.restore();
                    break;
                case TSheetItem::kLine:
                    p_.save();
                    p_.translate(x, y);
                    richtext::ui::PaintTextLine(p_, *it.box, it.para, static_cast<std::size_t>(it.line), m_, look_);
                    p_.restore();
                    break;
            }
        }
    }

private:
    void CellBackground(std::int32_t v, const QRect& r) {
        switch (BackgroundKind(v)) {
            case TBackgroundKind::kColour: p_.fillRect(r, FromColour(static_cast<std::uint32_t>(v))); break;
            case TBackgroundKind::kPicture:
                Tiles(pictures_.Raw(pictures_.Picture(v & 0xFFFFFF)), r);
                break;
            case TBackgroundKind::kNone: break;
        }
    }

    void PaintObject(QPainter& painter, const richtext::TNYXembedded& e, const QRect& r) {
        const model::TNYXoggetto* o = e.Record();
        if (!o || o->Type() != model::immagineNew || r.isEmpty()) return;
        const std::int32_t ref = PictureRefFrom(o->Int(0));
        model::TNYXoggetto* pic =
            ref == model::kNoRef || model::RefType(ref) != model::immagine ? nullptr : pictures_.Picture(static_cast<std::int32_t>(model::RefIndex(ref)));
        const QImage& img = pictures_.OnWhite(pic);
        if (img.isNull()) return;
        painter.drawImage(r, img);
    }

    QPainter& p_;
    const TPrintGeometry& g_;
    const TPrintOptions& o_;
    richtext::ui::TQtTextMetrics& m_;
    TPictureCache& pictures_;
    model::TNYXset& set_;
    richtext::ui::TBoxLook look_;
};

model::TNYXoggetto* PageAt(model::TNYXset& set, std::int32_t slot) {
    model::TNYXoggetto* p = slot >= 0 ? set.ObjectAt(model::testoHtml, slot) : nullptr;
    return p && !p->IsEmpty() ? p : nullptr;
}

void SetUpPdf(QPdfWriter& w, const TPrintDestination& d, const QString& title) {
    w.setResolution(d.resolution > 0 ? d.resolution : 600);
    w.setPageLayout(QPageLayout(d.paper, d.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    w.setTitle(title);
    w.setCreator(QStringLiteral("Quor"));
}

}  // namespace

std::filesystem::path NumberedFile(const std::filesystem::path& file, int n) {
    std::filesystem::path out = file;
    const std::string ext = file.has_extension() ? file.extension().string() : std::string(".pdf");
    out.replace_filename(file.stem().string() + "-" + std::to_string(n) + ext);
    return out;
}

TPaper PaperOf(const QPagedPaintDevice& device, int /*resolution*/) {
    TPaper paper;
    const QRectF mm = device.pageLayout().fullRect(QPageLayout::Millimeter);
    paper.widthMm = mm.width();
    paper.heightMm = mm.height();
    const QRect px = device.pageLayout().fullRectPixels(device.logicalDpiX());
    paper.widthPx = px.width();
    paper.heightPx = px.height();
    return paper;
}

QPageSize PaperOfProfile(const TPrinterProfile& p) {
    if (p.paperSize > 0) {
        const QPageSize::PageSizeId id = QPageSize::id(p.paperSize);
        if (id != QPageSize::Custom) return QPageSize(id);
    }
    // Custom paper: tenths of a millimetre.
    if (p.paperWidth > 0 && p.paperLength > 0)
        return QPageSize(QSizeF(p.paperWidth / 10.0, p.paperLength / 10.0), QPageSize::Millimeter);
    return QPageSize(QPageSize::A4);
}

void ApplyProfile(QPrinter& printer, const TPrinterProfile& p, std::string* message) {
    if (!p.device.empty() && printer.outputFormat() == QPrinter::NativeFormat) {
        const QString name = Q(p.device);
        if (QPrinterInfo::availablePrinterNames().contains(name)) printer.setPrinterName(name);
        else if (message)
            *message = "La stampante \"" + platform::text::Cp1252ToUtf8(p.device) +
                       "\" non \xC3\xA8 pi\xC3\xB9 installata: resta in uso la stampante attuale.";
    }
    printer.setPageSize(PaperOfProfile(p));
    printer.setPageOrientation(p.orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(ClampCopies(p.copies));
    if (p.defaultSource >= 1 && p.defaultSource <= 15)
        printer.setPaperSource(static_cast<QPrinter::PaperSource>(p.defaultSource - 1));
    if (p.printQuality > 0) printer.setResolution(p.printQuality);
    printer.setColorMode(p.color == 1 ? QPrinter::GrayScale : QPrinter::Color);
    printer.setDuplex(p.duplex == 2 ? QPrinter::DuplexLongSide : p.duplex == 3 ? QPrinter::DuplexShortSide
                                                                               : QPrinter::DuplexNone);
}

TPrinterProfile ProfileOf(QPrinter& printer, const TMargins& margins) {
    TPrinterProfile p;
    p.device = platform::text::Utf8ToCp1252(printer.printerName().toStdString());
    p.driver = printer.outputFormat() == QPrinter::PdfFormat ? "PDF" : "CUPS";
    p.port = platform::text::Utf8ToCp1252(printer.outputFileName().toStdString());
    const QPageSize size = printer.pageLayout().pageSize();
    p.paperSize = size.windowsId();
    const QSizeF mm = size.size(QPageSize::Millimeter);
    p.paperWidth = static_cast<std::int32_t>(std::lround(mm.width() * 10));
    p.paperLength = static_cast<std::int32_t>(std::lround(mm.height() * 10));
    p.orientation = printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
    p.copies = ClampCopies(printer.copyCount());
    p.defaultSource = static_cast<std::int32_t>(printer.paperSource()) + 1;
    p.printQuality = printer.resolution();
    p.color = printer.colorMode() == QPrinter::GrayScale ? 1 : 2;
    p.duplex = printer.duplex() == QPrinter::DuplexLongSide ? 2 : printer.duplex() == QPrinter::DuplexShortSide ? 3 : 1;
    p.margins = margins;
    p.saved = true;
    return p;
}

bool PrintPages(model::TNYXset& set, const std::vector<std::int32_t>& pages, const TPrintOptions& optionsIn,
                const TMargins& margins, const TPrintDestination& d, TPrintReport& report,
                const std::function<bool(int, int)>& progress) {
    TPrintOptions options = optionsIn;
    options.pictureScale = ClampPictureScale(options.pictureScale);
    std::vector<model::TNYXoggetto*> list;
    for (std::int32_t s : pages)
        if (model::TNYXoggetto* p = PageAt(set, s)) list.push_back(p);
    if (list.empty()) {
        report.error = "Nessuna pagina da stampare.";
        return false;
    }
    if (d.kind == TPrintDestination::kPrinter && !d.printer) {
        report.error = "Nessuna stampante scelta.";
        return false;
    }
    TPictureCache pictures(set);
    const int total = static_cast<int>(list.size());
    std::unique_ptr<richtext::ui::TQtTextMetrics> metrics;
    std::unique_ptr<QPdfWriter> onePdf;  // kPdf: every page in one document
    QPainter painter;
    bool ok = true;

    for (int n = 0; n < total && ok; ++n) {
        model::TNYXoggetto& page = *list[static_cast<std::size_t>(n)];
        const QString title = Q(JobTitle(page));
        QPagedPaintDevice* device = nullptr;
        std::unique_ptr<QPdfWriter> numbered;
        std::filesystem::path file;
        if (d.kind == TPrintDestination::kPrinter) {
            d.printer->setFullPage(true);
            d.printer->setDocName(title);
            d.printer->setCopyCount(ClampCopies(d.copies));
            device = d.printer;
        } else if (d.kind == TPrintDestination::kNumberedPdf) {
            file = NumberedFile(d.file, n + 1);
            numbered = std::make_unique<QPdfWriter>(QString::fromStdString(file.string()));
            SetUpPdf(*numbered, d, title);
            device = numbered.get();
        } else {
            if (!onePdf) {
                file = d.file;
                onePdf = std::make_unique<QPdfWriter>(QString::fromStdString(file.string()));
                SetUpPdf(*onePdf, d, title);
            }
            device = onePdf.get();
        }
        const int dpi = device->logicalDpiX();
        TPrintGeometry g;
        if (!ComputeGeometry(PaperOf(*device, dpi), margins, options.pictureScale, g, &report.error)) {
            ok = false;
            break;
        }
        if (!metrics || metrics->PixelsPerInch() != dpi) metrics = std::make_unique<richtext::ui::TQtTextMetrics>(dpi);
        TPrintedPage printed(set, g, options, *metrics);
        if (!printed.Build(page)) continue;
        for (const richtext::TMarkupNote& note : printed.Diagnostics().Notes())
            report.diagnostics.Note(note.problem, note.offset);
        const std::vector<TSheet> sheets = printed.Sheets();
        // One job per page on a printer and per numbered file; one document
        // for the whole run in a single PDF file.
        const bool startJob = d.kind != TPrintDestination::kPdf || !painter.isActive();
        if (startJob) {
            if (!painter.begin(device)) {
                report.error = d.kind == TPrintDestination::kPrinter
                                   ? "Impossibile avviare la stampa."
                                   : "Impossibile scrivere il file " + file.string();
                ok = false;
                break;
            }
            if (!file.empty()) report.files.push_back(file);
        } else {
            device->newPage();
        }
        TSheetPainter sp(painter, g, options, *metrics, pictures, set);
        for (std::size_t k = 0; k < sheets.size(); ++k) {
            if (k > 0) device->newPage();
            sp.Sheet(sheets[k], printed.backgroundColour, printed.backgroundPicture);
        }
        if (d.kind != TPrintDestination::kPdf) painter.end();
        ++report.pages;
        report.sheets += static_cast<int>(sheets.size());
        report.sheetsPerPage.push_back(static_cast<int>(sheets.size()));
        if (progress && !progress(n + 1, total)) {
            report.error = "Stampa interrotta.";
            ok = false;
        }
    }
    if (painter.isActive()) painter.end();
    return ok;
}

}  // namespace present::ui
