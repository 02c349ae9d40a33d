// nyx print FILE --pdf OUT.pdf [--pages LIST | --all] [--margins T,R,B,L]:
// prints pages of a hypertext into a PDF file as the print commands of the
// desktop program do. This subcommand alone needs the toolkit's painting
// (fonts, PDF writer): it starts a GUI application on the offscreen platform.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Util.h"

#if QUOR_NYX_QT
#include <QGuiApplication>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "present/PrintSetup.h"
#include "present/ui/PrintRender.h"
#endif

namespace nyx {
namespace {

const char* kUsageText =
    "nyx print FILE --pdf OUT.pdf [--pages LIST | --all] [--margins T,R,B,L] [--numbered]\n"
    "          [--background] [--table-backgrounds] [--scale N] [--paper A4|A3|A5|Letter|Legal] [--landscape]\n"
    "  LIST: page numbers (slots) separated by commas, ranges as 3-5 (default --all: every page\n"
    "  in the default page order); margins in millimetres (default 25 each); --numbered writes\n"
    "  one file per page (OUT-1.pdf, OUT-2.pdf, ...); --scale: printed size in hundredths of a\n"
    "  millimetre of 100 picture pixels (20-20000, default 2500)";

int CmdPrint(const Args& a);

const Registrar reg{{"print", "stampa pagine di un ipertesto in un file PDF", kUsageText, CmdPrint}};

#if QUOR_NYX_QT
int CmdPrint(const Args& a) {
    const Command self{"print", "", kUsageText, {}};
    if (a.empty() || a[0].rfind("--", 0) == 0) return UsageError(self, "manca il file dell'ipertesto");
    std::string out;
    std::vector<std::int32_t> pages;
    bool all = false, numbered = false;
    present::TMargins margins;
    present::TPrintOptions options;
    present::ui::TPrintDestination dest;
    for (std::size_t i = 1; i < a.size(); ++i) {
        const std::string& o = a[i];
        const bool more = i + 1 < a.size();
        if (o == "--pdf" && more) {
            out = a[++i];
        } else if (o == "--pages" && more) {
            if (!present::ParsePageList(a[++i], pages)) return UsageError(self, "lista di pagine non valida: " + a[i]);
        } else if (o == "--all") {
            all = true;
        } else if (o == "--margins" && more) {
            if (!present::ParseMarginsMm(a[++i], margins)) return UsageError(self, "margini non validi: " + a[i]);
        } else if (o == "--numbered") {
            numbered = true;
        } else if (o == "--background") {
            options.pageBackground = true;
        } else if (o == "--table-backgrounds") {
            options.tableBackgrounds = true;
        } else if (o == "--scale" && more) {
            auto n = ParseInt(a[++i]);
            if (!n) return UsageError(self, "scala non valida: " + a[i]);
            options.pictureScale = present::ClampPictureScale(*n);
        } else if (o == "--paper" && more) {
            const std::string p = a[++i];
            if (p == "A4") dest.paper = QPageSize(QPageSize::A4);
            else if (p == "A3") dest.paper = QPageSize(QPageSize::A3);
            else if (p == "A5") dest.paper = QPageSize(QPageSize::A5);
            else if (p == "Letter") dest.paper = QPageSize(QPageSize::Letter);
            else if (p == "Legal") dest.paper = QPageSize(QPageSize::Legal);
            else return UsageError(self, "formato del foglio sconosciuto: " + p);
        } else if (o == "--landscape") {
            dest.landscape = true;
        } else {
            return UsageError(self, "argomento sconosciuto: " + o);
        }
    }
    if (out.empty()) return UsageError(self, "manca --pdf OUT.pdf");
    if (all && !pages.empty()) return UsageError(self, "--pages e --all insieme");

    // Fonts and the PDF writer need a GUI application; no display is used.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "nyx";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    model::TNYXset set;
    if (!set.LoadFromFile(a[0])) {
        std::fprintf(stderr, "nyx print: impossibile leggere %s\n", a[0].c_str());
        return kFailed;
    }
    ApplyProgramOptions(set);
    if (pages.empty()) pages = present::PagesInDefaultOrder(set);
    for (std::int32_t p : pages) {
        const model::TNYXoggetto* o = set.ObjectAt(model::testoHtml, p);
        if (!o || o->IsEmpty()) std::fprintf(stderr, "nyx print: la pagina %d non esiste: saltata\n", p);
    }
    dest.kind = numbered ? present::ui::TPrintDestination::kNumberedPdf : present::ui::TPrintDestination::kPdf;
    dest.file = out;
    present::ui::TPrintReport report;
    const bool ok = present::ui::PrintPages(set, pages, options, margins, dest, report);
    for (const std::string& line : report.diagnostics.Summary())
        std::fprintf(stderr, "nyx print: %s\n", Out(line).c_str());
    if (!ok) {
        std::fprintf(stderr, "nyx print: %s\n", report.error.c_str());
        return kFailed;
    }
    std::printf("pagine stampate: %d, fogli: %d\n", report.pages, report.sheets);
    for (const auto& f : report.files) std::printf("%s\n", f.string().c_str());
    return kOk;
}
#else
int CmdPrint(const Args&) {
    std::fprintf(stderr, "nyx print: questa versione di nyx \xC3\xA8 stata costruita senza Qt\n");
    return kFailed;
}
#endif

}  // namespace
}  // namespace nyx
