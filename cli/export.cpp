// nyx export html FILE OUTDIR [--pages LIST]: writes a hypertext as a web site.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Util.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace nyx {

// cli/import.cpp
int ExportText(const Args& a, const std::vector<std::int32_t>& pages, bool cp1252);
// cli/rtf.cpp
int ExportRtf(const Args& a);

namespace {

const char* kUsageText =
    "nyx export html FILE OUTDIR [--pages LIST]\n"
    "nyx export text FILE OUT [--pages LIST] [--cp1252]   (UTF-8 unless --cp1252)\n"
    "nyx export rtf|rtf-pages|winhelp FILE OUT ...        (nyx export rtf --help)\n"
    "  LIST: page numbers separated by commas (default: every page, in slot order)";

bool ParseList(const std::string& s, std::vector<std::int32_t>& out) {
    std::size_t p = 0;
    while (p <= s.size()) {
        std::size_t e = s.find(',', p);
        if (e == std::string::npos) e = s.size();
        auto n = ParseInt(s.substr(p, e - p));
        if (!n || *n < 0 || *n > 0xFFFFFF) return false;
        out.push_back(static_cast<std::int32_t>(*n));
        p = e + 1;
    }
    return !out.empty();
}

int CmdExport(const Args& a);

const Registrar reg{{"export", "esporta un ipertesto (html: un sito web; text: testo)", kUsageText, CmdExport}};

int CmdExport(const Args& a) {
    const Command self{"export", "", kUsageText, {}};
    if (!a.empty() && (a[0] == "rtf" || a[0] == "rtf-pages" || a[0] == "winhelp")) return ExportRtf(a);
    if (a.size() < 3 || (a[0] != "html" && a[0] != "text")) return UsageError(self, "argomenti mancanti");
    std::vector<std::int32_t> pages;
    bool cp1252 = false;
    for (std::size_t i = 3; i < a.size(); ++i) {
        if (a[i] == "--cp1252" && a[0] == "text") {
            cp1252 = true;
        } else if (a[i] == "--pages" && i + 1 < a.size()) {
            if (!ParseList(a[++i], pages)) return UsageError(self, "lista di pagine non valida: " + a[i]);
        } else {
            return UsageError(self, "argomento sconosciuto: " + a[i]);
        }
    }
    if (a[0] == "text") return ExportText(a, pages, cp1252);
    model::TNYXset set;
    if (!set.LoadFromFile(a[1])) {
        std::fprintf(stderr, "nyx export: impossibile leggere %s\n", a[1].c_str());
        return kFailed;
    }
    convert::html::TNYXtoHtml x(&set);
    x.options = shell::ReadHtmlExportOptions(shell::TOptionsStore(shell::TOptionsStore::DefaultFile()));
    x.ExportPath = a[2];
    if (pages.empty()) pages = convert::AllPages(set);
    const bool ok = x.Export(pages, true);
    for (const std::string& p : x.Report().problems) std::fprintf(stderr, "%s\n", Out(p).c_str());
    std::printf("pagine scritte: %zu, file copiati: %zu\n", x.Report().pagesWritten, x.Report().filesCopied);
    if (!ok) {
        std::fprintf(stderr, "nyx export: export non riuscito (%zu problemi)\n", x.Report().problems.size());
        return kFailed;
    }
    return kOk;
}

}  // namespace
}  // namespace nyx
