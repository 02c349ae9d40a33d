// nyx find: every occurrence of a text in the pages of a hypertext, with its
// page, paragraph and surroundings, optionally replaced (the file is then
// saved); nyx refs: the pages and prototypes that refer to an object.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "shell/References.h"
#include "shell/Search.h"

namespace nyx {
namespace {

int CmdFind(const Args& a) {
    std::string file, term, with;
    bool replace = false;
    shell::TSearchOptions o;
    o.confirmOne = o.confirmAll = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--replace" && i + 1 < a.size()) {
            with = a[++i];
            replace = true;
        } else if (a[i] == "--word") {
            o.wholeWord = true;
        } else if (a[i] == "--case") {
            o.ignoreCase = false;
        } else if (a[i].rfind("--", 0) == 0) {
            return kUsage;
        } else if (file.empty()) {
            file = a[i];
        } else if (term.empty()) {
            term = a[i];
        } else {
            return kUsage;
        }
    }
    if (file.empty() || term.empty()) return kUsage;
    std::size_t unmapped = 0, unmappedWith = 0;
    const std::string cpTerm = platform::text::Utf8ToCp1252(term, &unmapped);
    const std::string cpWith = platform::text::Utf8ToCp1252(with, &unmappedWith);
    if (unmapped + unmappedWith > 0) {
        std::fprintf(stderr, "nyx find: %s\n", Out(shell::kTermUnmappable).c_str());
        return kFailed;
    }
    shell::TSearchTerms terms;
    terms.a = cpTerm;
    terms.b = cpWith;
    if (const std::string why = shell::TermsProblem(terms); !why.empty()) {
        std::fprintf(stderr, "nyx find: %s\n", Out(why).c_str());
        return kFailed;
    }

    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    const std::vector<shell::TFindReport> finds = shell::FindAll(set, cpTerm, o);
    for (const shell::TFindReport& f : finds)
        std::printf("pagina %lld \"%s\", paragrafo %d: %s\n", static_cast<long long>(f.slot), Out(f.title).c_str(),
                    f.paragraph, Out(f.context).c_str());
    if (!replace) {
        std::fprintf(stderr, "%zu trovati\n", finds.size());
        return kOk;
    }
    const int n = shell::ReplaceAllInHypertext(set, cpTerm, cpWith, o, nullptr, nullptr);
    if (n > 0 && !SaveReporting(set, file)) return kFailed;
    std::printf("%d sostituzioni\n", n);
    return kOk;
}

int CmdRefs(const Args& a) {
    // The object as one word ("TYPE:SLOT", a reference) or as TYPE SLOT, the
    // way nyx dump and nyx extract name it.
    if (a.size() != 2 && a.size() != 3) return kUsage;
    const std::string object = a.size() == 3 ? a[1] + ":" + a[2] : a[1];
    std::int32_t ref = 0;
    if (!ParseObject(object, ref)) return kUsage;
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    const model::TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty()) {
        std::fprintf(stderr, "nyx refs: l'oggetto %s non esiste\n", object.c_str());
        return kFailed;
    }
    shell::TDeletionReportJob report(set, {ref});
    report.RunToEnd();
    for (const std::string& line : report.Lines()) std::printf("%s\n", Out(line).c_str());
    return kOk;
}

Registrar find({"find", "cerca (e sostituisce) un testo nelle pagine",
                "nyx find FILE TESTO [--replace NUOVO] [--word] [--case]", CmdFind});
Registrar refs({"refs", "le pagine e i prototipi che si riferiscono a un oggetto",
                "nyx refs FILE TIPO POSTO | TIPO:POSTO | RIFERIMENTO", CmdRefs});

}  // namespace
}  // namespace nyx
