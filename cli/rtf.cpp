// nyx export rtf|rtf-pages|winhelp and nyx import rtf|winhelp: RTF documents
// and WinHelp sources written from a hypertext, RTF and WinHelp topic files
// read into one.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Util.h"
#include "convert/rtf/NYXtortf.h"
#include "model/NYXset.h"
#include "platform/console/ConsoleUi.h"
#include "platform/text.h"

namespace nyx {

namespace fs = std::filesystem;

namespace {

const char* kExportUsage =
    "nyx export rtf FILE OUT.rtf [--pages LIST]         every page in one RTF document\n"
    "nyx export rtf-pages FILE OUTDIR [--pages LIST]    one RTF document per page\n"
    "nyx export winhelp FILE OUT.rtf [--pages LIST] [--titles-as-keywords] [--compiler PROGRAM]\n"
    "  the WinHelp topic file, its .HPJ project and the bitmaps; with --compiler the help compiler\n"
    "  is started on the project (none is needed on Linux)\n"
    "  LIST: page numbers separated by commas (default: every page, in slot order)";

const char* kImportUsage =
    "nyx import rtf FILE.nyx INPUT... [--one-page] [--pars N] [--summary] [--level N] [--common-index] [--gif] [--report]\n"
    "nyx import winhelp FILE.nyx TOPICFILE... [--report]\n"
    "  --one-page      all the text of a file in one page (else split at page breaks and every N paragraphs)\n"
    "  --pars N        paragraphs per page (default 100)\n"
    "  --summary       headings start pages and an index page is made (--level: deepest heading, default 4;\n"
    "                  --common-index: one index for every file)\n"
    "  --gif           pictures stored as GIF";

bool ParsePages(const std::string& s, std::vector<std::int32_t>& out) {
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

}  // namespace

int ExportRtf(const Args& a) {
    const Command self{"export", "", kExportUsage, {}};
    if (WantsHelp(a)) return UsageError(self, "");
    if (a.size() < 3) return UsageError(self, "argomenti mancanti");
    std::vector<std::int32_t> pages;
    bool titleKeys = false;
    std::string compiler;
    for (std::size_t i = 3; i < a.size(); ++i) {
        if (a[i] == "--pages" && i + 1 < a.size()) {
            if (!ParsePages(a[++i], pages)) return UsageError(self, "lista di pagine non valida: " + a[i]);
        } else if (a[i] == "--titles-as-keywords" && a[0] == "winhelp") {
            titleKeys = true;
        } else if (a[i] == "--compiler" && a[0] == "winhelp" && i + 1 < a.size()) {
            compiler = a[++i];
        } else {
            return UsageError(self, "argomento sconosciuto: " + a[i]);
        }
    }
    model::TNYXset set;
    if (!set.LoadFromFile(a[1])) {
        std::fprintf(stderr, "nyx export: impossibile leggere %s\n", a[1].c_str());
        return kFailed;
    }
    // Questions (a document past 5 MB) are answered Yes: the whole export is written.
    platform::ConsoleUi answers(platform::Answer::Yes);
    answers.SetQuiet(true);
    platform::ScopedUi scope(answers);
    convert::rtf::TNYXtortf x(&set);
    if (pages.empty()) pages = convert::AllPages(set);
    bool ok = false;
    if (a[0] == "rtf-pages") {
        x.ExportPath = a[2];
        ok = x.ExportEachPage(pages);
    } else {
        x.ExportFileName = a[2];
        x.ExportPath = fs::path(a[2]).has_parent_path() ? fs::path(a[2]).parent_path() : fs::path(".");
        x.winHelp = a[0] == "winhelp";
        x.titlesAsKeywords = titleKeys;
        ok = x.ExportPages(pages);
        if (x.winHelp && ok) {
            ok = x.WriteProject(pages);
            if (ok && !compiler.empty()) {
                x.compilerCommand = compiler;
                std::string err;
                if (!x.RunCompiler(&err)) {
                    std::fprintf(stderr, "nyx export: %s\n", err.c_str());
                    ok = false;
                }
            }
        }
    }
    for (const std::string& p : x.Problems()) std::fprintf(stderr, "%s\n", Out(p).c_str());
    if (!ok) {
        std::fprintf(stderr, "nyx export: export non riuscito\n");
        return kFailed;
    }
    std::printf("pagine scritte: %zu\n", pages.size());
    return kOk;
}

int ImportRtf(const Args& a) {
    const Command self{"import", "", kImportUsage, {}};
    if (WantsHelp(a)) return UsageError(self, "");
    if (a.size() < 3) return UsageError(self, "argomenti mancanti");
    convert::rtf::TRtfImportOptions o;
    o.winHelp = a[0] == "winhelp";
    bool several = true, report = false;
    std::vector<fs::path> inputs;
    for (std::size_t i = 2; i < a.size(); ++i) {
        auto number = [&](int lo, int hi, int& out) {
            if (i + 1 >= a.size()) return false;
            auto n = ParseInt(a[++i]);
            if (!n || *n < lo || *n > hi) return false;
            out = static_cast<int>(*n);
            return true;
        };
        if (a[i] == "--report") report = true;
        else if (a[i] == "--one-page") several = false;
        else if (a[i] == "--summary") o.summary = true;
        else if (a[i] == "--common-index") o.commonIndex = true;
        else if (a[i] == "--gif") o.allToGif = true;
        else if (a[i] == "--pars") {
            if (!number(1, 1000000, o.parsPerPage)) return UsageError(self, "numero di paragrafi non valido");
        } else if (a[i] == "--level") {
            if (!number(1, 9, o.headingLevel)) return UsageError(self, "livello non valido");
        } else if (a[i].rfind("--", 0) == 0) {
            return UsageError(self, "argomento sconosciuto: " + a[i]);
        } else {
            inputs.emplace_back(a[i]);
        }
    }
    if (inputs.empty()) return UsageError(self, "nessun file da importare");
    model::TNYXset set;
    std::error_code ec;
    if (fs::exists(a[1], ec)) {
        if (!set.LoadFromFile(a[1])) {
            std::fprintf(stderr, "nyx import: impossibile leggere %s\n", a[1].c_str());
            return kFailed;
        }
    } else {
        set.NewHypertext();
    }
    ApplyProgramOptions(set);
    platform::ConsoleUi answers(platform::Answer::No);
    answers.SetQuiet(true);
    platform::ScopedUi scope(answers);
    convert::rtf::TNYXtortf x(&set);
    x.importOptions = o;
    x.ImportFiles(inputs, several ? 1 : 0);
    const auto& r = x.Report();
    if (report) {
        for (const std::string& line : r.Lines()) std::printf("%s\n", line.c_str());
        if (o.winHelp)
            for (const std::string& line : x.WinHelpReportLines()) std::printf("%s\n", line.c_str());
    }
    for (const std::string& s : r.skipped) std::fprintf(stderr, "nyx import: %s\n", s.c_str());
    for (const auto& p : r.problems) std::fprintf(stderr, "nyx import: %s: %s\n", p.file.c_str(), p.text.c_str());
    if (r.pages.empty()) {
        std::fprintf(stderr, "nyx import: nessuna pagina importata\n");
        return kFailed;
    }
    if (!SaveReporting(set, a[1])) return kFailed;
    std::printf("pagine importate: %zu\n", r.pages.size());
    return kOk;
}

}  // namespace nyx
