// nyx add-picture, add-file, extract, refs: pictures and embedded files of a
// hypertext, and what refers to an object.
#include <cstdio>
#include <filesystem>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace fs = std::filesystem;
using model::TNYXoggetto;
using model::TNYXset;

namespace nyx {
namespace {

int Save(TNYXset& set, const std::string& file) { return SaveReporting(set, file) ? kOk : kFailed; }

// Adds each path with `add` (a picture or a file), then saves; prints where each went.
template <class Add>
int AddAndSave(const Args& a, const char* command, const char* what, const char* type, Add add) {
    if (a.size() < 2) return kUsage;
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    std::vector<std::pair<std::string, std::uint32_t>> added;
    for (std::size_t i = 1; i < a.size(); ++i) {
        TNYXoggetto* o = add(set, a[i]);
        if (!o) {
            std::fprintf(stderr, "nyx %s: %s: %s\n", command, a[i].c_str(), what);
            return kFailed;
        }
        added.emplace_back(a[i], o->Index());
    }
    const int rc = Save(set, a[0]);
    if (rc == kOk)
        for (const auto& [name, index] : added) std::printf("%s -> %s %u\n", name.c_str(), type, index);
    return rc;
}

int CmdAddPicture(const Args& a) {
    return AddAndSave(a, "add-picture", "immagine non leggibile (formati: bmp, gif, jpg, png, wmf, emf)", "immagine",
                      [](TNYXset& set, const std::string& p) { return set.AddPicture(p); });
}

int CmdAddFile(const Args& a) {
    return AddAndSave(a, "add-file", "file non leggibile", "genLink",
                      [](TNYXset& set, const std::string& p) { return set.AddFile(p); });
}

int CmdExtract(const Args& a) {
    if (a.size() < 3 || a.size() > 4) return kUsage;
    const int type = ParseType(a[1]);
    auto index = ParseInt(a[2]);
    if (type < 0 || !index) return kUsage;
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    TNYXoggetto* o = set.ObjectAt(type, *index);
    if (!o || o->IsEmpty()) {
        std::fprintf(stderr, "nyx extract: nessun oggetto %s %lld\n", a[1].c_str(), static_cast<long long>(*index));
        return kFailed;
    }
    std::string name = platform::text::Cp1252ToUtf8(o->GetFileName());
    if (name.empty()) name = platform::text::Cp1252ToUtf8(o->GetName());
    // Only the last part of a stored name is used: nothing lands outside the target folder.
    name = fs::path(name).filename().string();
    if (name.empty() || name == "." || name == "..") name = "contenuto";
    fs::path out = a.size() == 4 ? fs::path(a[3]) : fs::path(name);
    if (fs::is_directory(out)) out /= name;
    if (!o->WriteContentsTo(out)) {
        std::fprintf(stderr, "nyx extract: non riesco a scrivere %s\n", out.c_str());
        return kFailed;
    }
    std::printf("%s\n", out.c_str());
    return kOk;
}

const char* ReasonText(int r) {
    switch (r) {
        case 1: return "nel testo o fra le parole chiave";
        case 2: return "sfondo o immagine nel testo";
        case 3: return "sfondo di cella";
        case 4: return "intestazione o piè di pagina";
        case 5: return "pagina seguente della presentazione";
        case 6: return "riferimento nel testo HTML";
        case 7: return "immagine di un elemento multimediale";
        case 8: return "cornice mobile";
        case 9: return "bottone";
        case 10: return "destinazione di un collegamento";
        case 11: return "zona cliccabile";
        case 12: return "apertura finestra";
        case 13: return "file di un prototipo";
        case 14: return "elemento multimediale";
        case 15: return "componente personalizzato";
        case 16: return "connessione database";
        default: return "";
    }
}

int CmdRefs(const Args& a) {
    if (a.size() != 3) return kUsage;
    const int type = ParseType(a[1]);
    auto index = ParseInt(a[2]);
    if (type < 0 || !index || *index < 0 || *index > static_cast<std::int64_t>(model::kMaxIndex)) return kUsage;
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    const std::int32_t ref = model::MakeRef(type, static_cast<std::uint32_t>(*index));
    int found = 0;
    for (int t = 0; t <= model::kLastStoredType; ++t)
        for (std::size_t i = 0; i < set.Count(t); ++i) {
            TNYXoggetto* o = set.ObjectAt(t, static_cast<std::int64_t>(i));
            if (!o) continue;
            const int why = o->ReferenceReason(ref);
            if (!why) continue;
            ++found;
            std::printf("%s %zu: %s (%d: %s)\n", std::string(model::TypeName(t)).c_str(), i,
                        Out(o->DescriptionTitle()).c_str(), why, ReasonText(why));
        }
    if (!found) std::printf("nessun oggetto si riferisce a %s %lld\n", a[1].c_str(), static_cast<long long>(*index));
    return kOk;
}

Registrar r0({"add-picture", "aggiunge immagini (bmp diventa gif)", "nyx add-picture FILE IMMAGINE...", CmdAddPicture});
Registrar r1({"add-file", "incorpora file nell'ipertesto", "nyx add-file FILE PERCORSO...", CmdAddFile});
Registrar r2({"extract", "estrae il contenuto di un'immagine o di un file", "nyx extract FILE TIPO INDICE [DESTINAZIONE]",
              CmdExtract});
Registrar r3({"refs", "chi si riferisce a un oggetto, e perché", "nyx refs FILE TIPO INDICE", CmdRefs});

}  // namespace
}  // namespace nyx
