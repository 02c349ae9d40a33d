// nyx add-page: a new page at the end of the page order, optionally divided
// as a ".frm" layout model, saved into the file.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "present/Pages.h"

namespace fs = std::filesystem;

namespace nyx {
namespace {

int CmdAddPage(const Args& a) {
    std::string file, title, frames;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--title" && i + 1 < a.size()) title = a[++i];
        else if (a[i] == "--frames" && i + 1 < a.size()) frames = a[++i];
        else if (file.empty() && a[i].rfind("--", 0) != 0) file = a[i];
        else return kUsage;
    }
    if (file.empty()) return kUsage;
    std::size_t unmapped = 0;
    const std::string cpTitle = platform::text::Utf8ToCp1252(title, &unmapped);
    if (cpTitle.size() > 71) {
        std::fprintf(stderr, "nyx add-page: titolo troppo lungo (al massimo 71 caratteri)\n");
        return kUsage;
    }
    if (!frames.empty() && !fs::is_regular_file(frames)) {
        std::fprintf(stderr, "nyx add-page: %s: file .frm non trovato\n", frames.c_str());
        return kFailed;
    }
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    model::TNYXoggetto* page = present::AddNewPage(set, cpTitle, frames.empty() ? fs::path() : fs::path(frames));
    if (!page) {
        std::fprintf(stderr, "nyx add-page: la tabella delle pagine è piena\n");
        return kFailed;
    }
    const std::uint32_t index = page->Index();
    if (!SaveReporting(set, file)) return kFailed;
    if (unmapped) std::fprintf(stderr, "nyx add-page: %zu caratteri del titolo sono diventati \"?\"\n", unmapped);
    std::printf("pagina %u \"%s\"\n", index, Out(cpTitle.empty() ? std::string("Senza titolo") : cpTitle).c_str());
    return kOk;
}

Registrar r({"add-page", "aggiunge una pagina in fondo all'ordine delle pagine",
             "nyx add-page FILE [--title TITOLO] [--frames MODELLO.frm]", CmdAddPage});

}  // namespace
}  // namespace nyx
