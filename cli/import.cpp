// nyx import html|text FILE.nyx INPUT... : files as new pages of a hypertext.
// nyx export text FILE OUT : pages as plain text (reached through "nyx export").
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Util.h"
#include "convert/html/HtmlImport.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"
#include "platform/console/ConsoleUi.h"

namespace nyx {

namespace fs = std::filesystem;

int ImportRtf(const Args& a);  // cli/rtf.cpp

namespace {

const char* kImportUsage =
    "nyx import html|text FILE.nyx INPUT... [--report] [--follow N] [--outside] [--preview]\n"
    "nyx import rtf|winhelp FILE.nyx INPUT... [options]   (nyx import rtf --help)\n"
    "  every INPUT becomes a new page of FILE.nyx (made when it does not exist), which is then saved\n"
    "  --report   prints what the import did (pages, characters replaced by \"?\", files skipped)\n"
    "  --follow N (html) also imports the local pages the inputs link to, up to N levels\n"
    "  --outside  also loads pictures and style sheets outside an input's folder (listed by --report)\n"
    "  --preview  (html) only the first 5000 characters of each page";

int CmdImport(const Args& a) {
    const Command self{"import", "", kImportUsage, {}};
    if (!a.empty() && (a[0] == "rtf" || a[0] == "winhelp")) return ImportRtf(a);
    if (a.size() < 3 || (a[0] != "html" && a[0] != "text")) return UsageError(self, "argomenti mancanti");
    bool report = false, outside = false, preview = false;
    int follow = 0;
    std::vector<fs::path> inputs;
    for (std::size_t i = 2; i < a.size(); ++i) {
        if (a[i] == "--report") report = true;
        else if (a[i] == "--outside") outside = true;
        else if (a[i] == "--preview") preview = true;
        else if (a[i] == "--follow" && i + 1 < a.size()) {
            auto n = ParseInt(a[++i]);
            if (!n || *n < 0 || *n > 100) return UsageError(self, "numero di livelli non valido: " + a[i]);
            follow = static_cast<int>(*n);
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
    // Questions about files outside the inputs' folders get the answer of --outside.
    platform::ConsoleUi answers(outside ? platform::Answer::Yes : platform::Answer::No);
    answers.SetQuiet(true);
    platform::ScopedUi scope(answers);
    convert::html::TImportReport r;
    if (a[0] == "html") {
        convert::html::THtmlImport imp(&set);
        imp.ImpPreview = preview;
        if (follow > 0) {
            std::vector<fs::path> all;
            for (const fs::path& in : inputs) {
                all.push_back(in);
                for (const fs::path& f : imp.CollectLinkedFiles(in, follow)) all.push_back(f);
            }
            inputs = std::move(all);
        }
        imp.ImportFiles(inputs, 1);
        r = imp.Report();
    } else {
        convert::text::TNYXtoTxt txt(&set);
        txt.ImportFiles(inputs, 1);
        r = txt.Report();
    }
    if (report)
        for (const std::string& line : r.Lines()) std::printf("%s\n", line.c_str());
    for (const std::string& s : r.skipped) std::fprintf(stderr, "nyx import: %s\n", s.c_str());
    if (r.pages.empty()) {
        std::fprintf(stderr, "nyx import: nessuna pagina importata\n");
        return kFailed;
    }
    if (!SaveReporting(set, a[1])) return kFailed;
    std::printf("pagine importate: %zu\n", r.pages.size());
    return r.problems.empty() ? kOk : kFailed;
}

const Registrar reg{{"import", "importa file html o di testo come pagine", kImportUsage, CmdImport}};

}  // namespace

// "nyx export text FILE OUT [--pages LIST] [--cp1252]", called by "nyx export".
int ExportText(const Args& a, const std::vector<std::int32_t>& pagesGiven, bool cp1252) {
    model::TNYXset set;
    if (!set.LoadFromFile(a[1])) {
        std::fprintf(stderr, "nyx export: impossibile leggere %s\n", a[1].c_str());
        return kFailed;
    }
    convert::text::TNYXtoTxt txt(&set);
    txt.encoding = cp1252 ? convert::text::TTextEncoding::Cp1252 : convert::text::TTextEncoding::Utf8;
    txt.ExportFileName = a[2];
    const std::vector<std::int32_t> pages = pagesGiven.empty() ? convert::AllPages(set) : pagesGiven;
    const bool ok = txt.ExportPages(pages);
    for (const std::string& p : txt.Problems()) std::fprintf(stderr, "%s\n", Out(p).c_str());
    if (!ok) return kFailed;
    std::printf("pagine scritte: %zu\n", pages.size());
    return kOk;
}

}  // namespace nyx
