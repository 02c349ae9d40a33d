// nyx options: read and change the program options from scripts and for
// support, without the desktop program.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/Command.h"
#include "platform/text.h"
#include "shell/KeyTree.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace {

namespace text = platform::text;
using shell::TOptionsStore;

const char* kUsage =
    "nyx options list [--file FILE] [--show-passwords] [--defaults] [SEZIONE]\n"
    "       nyx options get  [--file FILE] [--section SEZIONE] NOME\n"
    "       nyx options set  [--file FILE] [--section SEZIONE] NOME VALORE\n"
    "       nyx options path [--file FILE]\n"
    "  SEZIONE: \"options\" (predefinita), \"ftpnet\\0\", ... oppure una chiave completa \"\\SOFTWARE\\...\".\n"
    "  FILE: predefinito $XDG_CONFIG_HOME/quor/options.ini.";

const nyx::Command& Self();

struct Parsed {
    std::optional<std::string> file;
    std::string section = "options";
    bool showPasswords = false;
    bool defaults = false;
    std::vector<std::string> rest;
};

std::optional<Parsed> Parse(const nyx::Args& args, std::string& why) {
    Parsed p;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--file" || a == "--section") {
            if (i + 1 >= args.size()) {
                why = a + " senza valore";
                return std::nullopt;
            }
            (a == "--file" ? p.file.emplace() : p.section) = args[++i];
        } else if (a == "--show-passwords") {
            p.showPasswords = true;
        } else if (a == "--defaults") {
            p.defaults = true;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            why = "opzione sconosciuta " + a;
            return std::nullopt;
        } else {
            p.rest.push_back(a);
        }
    }
    return p;
}

// UTF-8 argument -> Windows-1252, telling about characters it cannot keep.
std::string Bytes(const std::string& utf8) {
    std::size_t unmapped = 0;
    std::string out = text::Utf8ToCp1252(utf8, &unmapped);
    if (unmapped)
        std::fprintf(stderr, "nyx options: attenzione: %zu caratteri non rappresentabili in \"%s\" diventano \"?\"\n",
                     unmapped, utf8.c_str());
    return out;
}

// A section name, or a whole key path when it starts with "\".
std::string KeyPath(const std::string& section) {
    return !section.empty() && section[0] == '\\' ? section : std::string(shell::kProgramKey) + section;
}

bool IsBelowOrAt(const std::string& key, const std::string& top) {
    const std::string k = shell::TKeyTree::NormalizePath(key), t = shell::TKeyTree::NormalizePath(top);
    return t.empty() || text::EqualsNoCase(k, t) ||
           (k.size() > t.size() && k[t.size()] == '\\' && text::EqualsNoCase(k.substr(0, t.size()), t));
}

int List(TOptionsStore& store, const Parsed& p) {
    if (p.defaults) {
        for (const shell::TOptionInfo& s : shell::OptionCatalogue()) {
            std::string range;
            if (s.kind == shell::TOptionKind::Number) range = " [" + std::to_string(s.min) + ".." + std::to_string(s.max) + "]";
            std::printf("%s\t%s\t%s%s\t%s\n", s.section, s.name, s.defaultValue, range.c_str(), s.meaning);
        }
        return nyx::kOk;
    }
    if (p.rest.size() > 1) return nyx::UsageError(Self(), "troppi argomenti");
    const std::string top = p.rest.empty() ? std::string("\\") : KeyPath(Bytes(p.rest[0]));
    shell::TKeyTree shown;
    for (const std::string& key : store.KeyPaths()) {
        if (!IsBelowOrAt(key, top)) continue;
        shown.CreateKey(key);
        for (auto [name, value] : store.ReadKeyValues(key)) {
            if (!p.showPasswords && text::EqualsNoCase(name, "pass") && !value.empty()) value = "********";
            shown.Set(key, name, value);
        }
    }
    std::string out = shell::SerializeKeyFile(shown);
    out.erase(0, out.find('\n') + 1);  // the file's heading comment
    if (!out.empty() && out[0] == '\n') out.erase(0, 1);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return nyx::kOk;
}

int Get(TOptionsStore& store, const Parsed& p) {
    if (p.rest.size() != 1) return nyx::UsageError(Self(), "serve il nome dell'opzione");
    const std::string name = Bytes(p.rest[0]);
    const std::string key = KeyPath(Bytes(p.section));
    if (auto v = store.ReadKey(key, name)) {
        std::printf("%s\n", text::Cp1252ToUtf8(*v).c_str());
        return nyx::kOk;
    }
    const std::string section = Bytes(p.section);
    if (const shell::TOptionInfo* s = section[0] == '\\' ? nullptr : shell::FindOptionInfo(section, name)) {
        if (*s->defaultValue) {
            std::printf("%s\n", s->defaultValue);
            return nyx::kOk;
        }
    }
    std::fprintf(stderr, "nyx options: opzione non presente: %s\n", p.rest[0].c_str());
    return nyx::kFailed;
}

int Set(TOptionsStore& store, const Parsed& p) {
    if (p.rest.size() != 2) return nyx::UsageError(Self(), "servono nome e valore");
    const std::string name = Bytes(p.rest[0]);
    const std::string value = Bytes(p.rest[1]);
    const std::string section = Bytes(p.section);
    if (const shell::TOptionInfo* s = section[0] == '\\' ? nullptr : shell::FindOptionInfo(section, name);
        s && s->kind == shell::TOptionKind::Number) {
        long long n;
        const int read = shell::NumberValue(*s, value);
        if (!shell::ParseInteger(value, n) || n != read)
            std::fprintf(stderr, "nyx options: attenzione: \"%s\" verr\xC3\xA0 letto come %d (valori da %d a %d)\n",
                         p.rest[1].c_str(), read, s->min, s->max);
    }
    if (!store.WriteKey(KeyPath(section), name, value)) return nyx::kFailed;  // the reason is on stderr already
    return nyx::kOk;
}

int Run(const nyx::Args& args) {
    if (args.empty()) return nyx::UsageError(Self(), "manca il comando (list, get, set, path)");
    std::string why;
    const auto parsed = Parse(nyx::Args(args.begin() + 1, args.end()), why);
    if (!parsed) return nyx::UsageError(Self(), why);
    if (parsed->section.empty()) return nyx::UsageError(Self(), "sezione vuota");
    TOptionsStore store(parsed->file ? std::filesystem::path(*parsed->file) : TOptionsStore::DefaultFile());
    const std::string& verb = args[0];
    if (verb == "path") {
        std::printf("%s\n", store.FileName().c_str());
        return nyx::kOk;
    }
    if (verb == "list") return List(store, *parsed);
    if (verb == "get") return Get(store, *parsed);
    if (verb == "set") return Set(store, *parsed);
    return nyx::UsageError(Self(), "comando sconosciuto \"" + verb + "\"");
}

const nyx::Registrar registrar({"options", "legge e modifica le opzioni del programma", kUsage, Run});

const nyx::Command& Self() {
    for (const auto& c : nyx::Commands())
        if (c.name == "options") return c;
    static const nyx::Command fallback{"options", "", kUsage, Run};
    return fallback;
}

}  // namespace
