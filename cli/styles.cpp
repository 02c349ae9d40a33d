// nyx styles: the paragraph styles of a hypertext and how many paragraphs of
// its pages use each.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "richtext/StyleSheet.h"

namespace nyx {
namespace {

int CmdStyles(const Args& a) {
    if (a.size() != 1) return kUsage;
    model::TNYXset set;
    if (!set.LoadFromFile(a[0])) return kFailed;
    const auto usage = richtext::StyleUsage(set);
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        const model::TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (!s || s->IsEmpty()) continue;
        const auto it = usage.find(static_cast<std::int32_t>(i));
        std::printf("%zu\t%s\t%lld\n", i, Out(s->GetName()).c_str(),
                    static_cast<long long>(it == usage.end() ? 0 : it->second));
    }
    return kOk;
}

Registrar r({"styles", "stili di paragrafo e quanti paragrafi li usano", "nyx styles FILE", CmdStyles});

}  // namespace
}  // namespace nyx
