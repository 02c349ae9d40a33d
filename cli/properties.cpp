// nyx props: the properties of an embedded object as its dialog shows them,
// and setting them from the command line (the record is saved back).
#include <cstdio>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "present/ObjectProperties.h"

using model::TNYXoggetto;
using model::TNYXset;

namespace nyx {
namespace {

std::string Utf8(const std::string& cp) { return platform::text::Cp1252ToUtf8(cp); }

int CmdProps(const Args& a) {
    if (a.size() < 3) return kUsage;
    const int type = ParseType(a[1]);
    auto index = ParseInt(a[2]);
    if (type < 0 || !index || *index < 0 || *index > static_cast<std::int64_t>(model::kMaxIndex)) return kUsage;
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    TNYXoggetto* o = set.ObjectAt(type, *index);
    if (!o || o->IsEmpty()) {
        std::fprintf(stderr, "nyx props: nessun oggetto %s %lld\n", a[1].c_str(), static_cast<long long>(*index));
        return kFailed;
    }
    present::TObjectProperties p(*o);
    if (p.Title().empty()) {
        std::fprintf(stderr, "nyx props: questo oggetto non ha propriet\xC3\xA0\n");
        return kFailed;
    }
    if (a.size() == 3) {
        std::printf("%s\n", p.Title().c_str());
        for (const present::TPropField& f : p.Fields())
            std::printf("%s=%s\t(%s)\n", f.key.c_str(), Utf8(p.Value(f.key)).c_str(), f.label.c_str());
        std::printf("html=%s\n", Utf8(p.html).c_str());
        return kOk;
    }
    for (std::size_t i = 3; i < a.size(); ++i) {
        const std::size_t eq = a[i].find('=');
        if (eq == std::string::npos) return kUsage;
        const std::string key = a[i].substr(0, eq);
        const std::string value = platform::text::Utf8ToCp1252(a[i].substr(eq + 1));
        if (key == "html") {
            p.html = value;
        } else if (!p.SetValue(key, value)) {
            std::fprintf(stderr, "nyx props: %s: campo sconosciuto o valore non valido\n", a[i].c_str());
            return kFailed;
        }
    }
    if (!p.Apply(*o)) {
        std::printf("nessuna modifica\n");
        return kOk;
    }
    set.SetModified(true);
    return SaveReporting(set, a[0]) ? kOk : kFailed;
}

Registrar r0({"props", "le propriet\xC3\xA0 di un oggetto della pagina; CAMPO=VALORE le cambia",
              "nyx props FILE TIPO INDICE [CAMPO=VALORE...]", CmdProps});

}  // namespace
}  // namespace nyx
