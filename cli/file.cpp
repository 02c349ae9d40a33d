// nyx new, info, check, resave, dump: the native file from the command line.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/LoadedFile.h"
#include "model/NYXset.h"
#include "markup/Lexer.h"
#include "platform/text.h"
#include "shell/LinkChoices.h"

namespace fs = std::filesystem;
using model::TNYXset;

namespace nyx {
namespace {

bool Load(TNYXset& set, const std::string& file) { return set.LoadFromFile(file); }

int CmdNew(const Args& a) {
    std::string file, title;
    bool force = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--title" && i + 1 < a.size()) title = a[++i];
        else if (a[i] == "--force") force = true;
        else if (file.empty() && a[i].rfind("--", 0) != 0) file = a[i];
        else return kUsage;
    }
    if (file.empty()) return kUsage;
    if (fs::exists(file) && !force) {
        std::fprintf(stderr, "nyx new: %s esiste già (usa --force per sostituirlo)\n", file.c_str());
        return kFailed;
    }
    TNYXset set;
    set.NewHypertext();
    if (!title.empty()) set.SetTitle(platform::text::Utf8ToCp1252(title));
    return SaveReporting(set, file) ? kOk : kFailed;
}

int CmdInfo(const Args& a) {
    std::string file;
    bool json = false;
    for (const auto& s : a) {
        if (s == "--json") json = true;
        else if (file.empty()) file = s;
        else return kUsage;
    }
    if (file.empty()) return kUsage;
    TNYXset set;
    if (!Load(set, file)) return kFailed;
    using namespace model;
    auto hs = [&](int off, int cap) { return Out(set.HStr(off, cap)); };
    if (json) {
        std::string j = "{";
        j += "\"title\":" + JsonString(Out(set.Title()));
        j += ",\"version\":" + std::to_string(set.Version());
        j += ",\"saveCounter\":" + std::to_string(set.SaveCounter());
        j += ",\"exportPrefix\":" + JsonString(Out(set.ExpPrefix()));
        j += ",\"authors\":" + JsonString(hs(hdr::kAuthors, hdr::kNameCap));
        j += ",\"company\":" + JsonString(hs(hdr::kCompany, hdr::kNameCap));
        j += ",\"copyright\":" + JsonString(hs(hdr::kCopyright, hdr::kNameCap));
        j += std::string(",\"readOnly\":") + (set.HByte(hdr::kReadOnly) ? "true" : "false");
        j += ",\"coverPage\":" + std::to_string(set.HInt(hdr::kCoverPage));
        j += ",\"contentsPage\":" + std::to_string(set.HInt(hdr::kContentsPage));
        j += ",\"headerPage\":" + std::to_string(set.HInt(hdr::kHeaderPage));
        j += ",\"footerPage\":" + std::to_string(set.HInt(hdr::kFooterPage));
        j += ",\"language\":" + std::to_string(set.HWord(hdr::kLanguage));
        j += ",\"types\":{";
        for (int t = 0; t <= kLastStoredType; ++t) {
            std::size_t used = 0;
            for (std::size_t i = 0; i < set.Count(t); ++i)
                if (auto* o = set.ObjectAt(t, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) ++used;
            if (t) j += ",";
            j += JsonString(TypeName(t)) + ":{\"slots\":" + std::to_string(set.Count(t)) +
                 ",\"used\":" + std::to_string(used) + "}";
        }
        j += "},\"pages\":[";
        bool first = true;
        for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
            auto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
            if (!p || p->IsEmpty()) continue;
            if (!first) j += ",";
            first = false;
            j += "{\"index\":" + std::to_string(i) + ",\"title\":" + JsonString(Out(p->Str(5, 71))) + "}";
        }
        j += "]}";
        std::printf("%s\n", j.c_str());
        return kOk;
    }
    std::printf("Titolo:          %s\n", Out(set.Title()).c_str());
    std::printf("Versione:        %d (salvataggi: %d)\n", set.Version(), set.SaveCounter());
    std::printf("Prefisso export: %s\n", Out(set.ExpPrefix()).c_str());
    std::printf("Autori:          %s\n", hs(hdr::kAuthors, hdr::kNameCap).c_str());
    std::printf("Lingua:          %u\n", set.HWord(hdr::kLanguage));
    std::printf("Oggetti:\n");
    for (int t = 0; t <= kLastStoredType; ++t) {
        if (!set.Count(t)) continue;
        std::size_t used = 0;
        for (std::size_t i = 0; i < set.Count(t); ++i)
            if (auto* o = set.ObjectAt(t, static_cast<std::int64_t>(i)); o && !o->IsEmpty()) ++used;
        std::printf("  %-16s %zu usati su %zu\n", std::string(TypeName(t)).c_str(), used, set.Count(t));
    }
    std::printf("Pagine:\n");
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        auto* p = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty()) std::printf("  %4zu  %s\n", i, Out(p->Str(5, 71)).c_str());
    }
    return kOk;
}

int CmdCheck(const Args& a) {
    if (a.size() != 1) return kUsage;
    TNYXset set;
    if (!Load(set, a[0])) return kFailed;
    using namespace model;
    int problems = 0;
    for (int t = 0; t <= kLastStoredType; ++t) {
        for (std::size_t i = 0; i < set.Count(t); ++i) {
            auto* o = set.ObjectAt(t, static_cast<std::int64_t>(i));
            if (!o || o->IsEmpty()) continue;
            if (o->FirstStreamInFile()) {
                char probe;
                if (o->FirstStreamSize() &&
                    !o->LazyFile()->ReadAt(o->LazyOffset() + o->FirstStreamSize() - 1, 1, &probe)) {
                    std::fprintf(stderr, "%s %zu: contenuto non leggibile\n", std::string(TypeName(t)).c_str(), i);
                    ++problems;
                }
            }
            if (t == testoHtml) {
                std::string text;
                o->ReadFirstStream(text);
                markup::ForEachObjectRef(text, [&](std::int32_t r) {
                    std::uint32_t u = static_cast<std::uint32_t>(r);
                    if (u >= kPageLocalBase) return;  // page- and fragment-local
                    if (!set.ObjectByRef(r)) {
                        std::fprintf(stderr, "pagina %zu: riferimento a un oggetto che non esiste (%08X)\n", i, u);
                        ++problems;
                    }
                });
            }
        }
    }
    for (const shell::TBrokenLink& b : shell::BrokenLinks(set)) {
        std::fprintf(stderr, "pagina %lld: collegamento interrotto alla pagina %lld, che non esiste più\n",
                     static_cast<long long>(b.page), static_cast<long long>(b.target));
        ++problems;
    }
    problems += static_cast<int>(ReportMarkupProblems(set));
    if (problems) {
        std::fprintf(stderr, "%d problemi trovati\n", problems);
        return kFailed;
    }
    std::printf("%s: nessun problema\n", a[0].c_str());
    return kOk;
}

int CmdResave(const Args& a) {
    std::vector<std::string> files;
    bool force = false;
    for (const auto& x : a) {
        if (x == "--force") force = true;
        else if (x.rfind("--", 0) == 0) return kUsage;
        else files.push_back(x);
    }
    if (files.empty() || files.size() > 2) return kUsage;
    TNYXset set;
    ApplyProgramOptions(set);
    if (!Load(set, files[0])) return kFailed;
    const std::string out = files.size() == 2 ? files[1] : files[0];
    // Even forced, content that could not be read is a failure to report.
    return SaveReporting(set, out, force) && set.SaveWarnings().empty() ? kOk : kFailed;
}

int CmdDump(const Args& a) {
    if (a.size() < 3 || a.size() > 4) return kUsage;
    int type = ParseType(a[1]);
    auto index = ParseInt(a[2]);
    const bool markup = a.size() == 4 && a[3] == "--markup";
    if (type < 0 || !index || (a.size() == 4 && !markup) || (markup && type != model::testoHtml)) return kUsage;
    TNYXset set;
    if (!Load(set, a[0])) return kFailed;
    model::TNYXoggetto* o = set.ObjectAt(type, *index);
    if (!o) {
        std::fprintf(stderr, "nyx dump: nessun oggetto %s %lld\n", a[1].c_str(), static_cast<long long>(*index));
        return kFailed;
    }
    if (markup) {
        const std::string text = Out(static_cast<model::TNYXtesto*>(o)->Text());
        std::printf("%s\n", text.c_str());
        return kOk;
    }
    int size = model::RecordSize(type);
    std::printf("%s %lld (riferimento %08X)%s\n", std::string(model::TypeName(type)).c_str(),
                static_cast<long long>(*index), static_cast<unsigned>(o->Reference()), o->IsEmpty() ? " vuoto" : "");
    for (int off = 0; off < size; off += 16) {
        std::printf("%04x ", off);
        for (int k = off; k < off + 16 && k < size; ++k) std::printf(" %02x", o->Byte(k));
        std::printf("\n");
    }
    std::printf("primo flusso: %llu byte%s\n", static_cast<unsigned long long>(o->FirstStreamSize()),
                o->FirstStreamInFile() ? " (nel file)" : "");
    std::printf("secondo flusso: %zu byte\n", o->SecondStream() ? o->SecondStream()->size() : 0);
    if (!o->ExternalPath().empty()) std::printf("file esterno: %s\n", o->ExternalPath().c_str());
    return kOk;
}

Registrar r0({"new", "crea un nuovo ipertesto", "nyx new FILE [--title TITOLO] [--force]", CmdNew});
Registrar r1({"info", "intestazione e oggetti di un ipertesto", "nyx info FILE [--json]", CmdInfo});
Registrar r2({"check", "legge un ipertesto e ne verifica i contenuti", "nyx check FILE", CmdCheck});
Registrar r3({"resave", "carica e salva (in OUT o sul posto)", "nyx resave FILE [OUT] [--force]", CmdResave});
Registrar r4({"dump", "byte di un record e dimensioni dei suoi flussi", "nyx dump FILE TIPO INDICE [--markup]", CmdDump});

}  // namespace
}  // namespace nyx
