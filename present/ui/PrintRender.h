// Printing pages onto a printer or into PDF files: each page's printed copy
// (present/PrintBox.h) is laid out with printer metrics and its sheets are
// painted with the screen's line painter, pictures at the picture scale
// composited on white, page and cell backgrounds as the run asks.
#pragma once

#include <QImage>
#include <QPageSize>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "present/PrintBox.h"
#include "present/PrintSetup.h"
#include "richtext/Diagnostics.h"

class QPainter;
class QPrinter;
class QPagedPaintDevice;

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace present::ui {

// Where the sheets go: a printer (one job per page), one PDF file holding
// every page, or one numbered PDF file per page ("name-1.pdf", ...).
struct TPrintDestination {
    enum Kind { kPrinter, kPdf, kNumberedPdf };
    Kind kind = kPdf;
    QPrinter* printer = nullptr;  // kPrinter
    std::filesystem::path file;   // kPdf, kNumberedPdf
    QPageSize paper = QPageSize(QPageSize::A4);
    bool landscape = false;
    int resolution = 600;  // PDF: dots per inch
    int copies = 1;
};

struct TPrintReport {
    int pages = 0;   // pages printed
    int sheets = 0;  // sheets printed, all pages together
    std::vector<std::filesystem::path> files;  // PDF files written
    std::string error;  // why nothing (more) was printed (UTF-8)
    richtext::TMarkupDiagnostics diagnostics;  // of every page of the run
    std::vector<int> sheetsPerPage;
};

// Prints pages (slots) in the given order. Returns false, with the reason in
// the report, when the margins leave no room (checked before any job
// starts), an output cannot be written, or the user stopped the progress
// (progress returns false). Entries that are not pages are skipped.
bool PrintPages(model::TNYXset& set, const std::vector<std::int32_t>& pages, const TPrintOptions& options,
                const TMargins& margins, const TPrintDestination& destination, TPrintReport& report,
                const std::function<bool(int done, int total)>& progress = {});

// The numbered file of page n (1-based) of a numbered-PDF destination.
std::filesystem::path NumberedFile(const std::filesystem::path& file, int n);

// A stored printer profile onto a printer: the printer it names when that is
// still installed (else the current one stays, and `message` says so), then
// the device-mode fields. The profile of a printer, with the margins given.
void ApplyProfile(QPrinter& printer, const TPrinterProfile& profile, std::string* message = nullptr);
TPrinterProfile ProfileOf(QPrinter& printer, const TMargins& margins);
// The paper a profile names.
QPageSize PaperOfProfile(const TPrinterProfile& profile);

// The paper of a device as the page geometry needs it.
TPaper PaperOf(const QPagedPaintDevice& device, int resolution);

}  // namespace present::ui
