// nyx pages, lib: the default page order and the prototype libraries.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Prototypes.h"

namespace fs = std::filesystem;
using namespace model;

namespace nyx {
namespace {

std::string Indent(int level) { return std::string(static_cast<std::size_t>(2 * level), ' '); }

void PrintNode(const TNYXorderedTree& tree, const TNYXtreeNode& n,
               const std::function<void(const TNYXoggetto&, int)>& more) {
    const int level = n.Level();
    const TNYXoggetto* o = tree.NodeObject(n);
    switch (n.kind) {
        case TNYXtreeNode::Kind::Root: std::printf("%s%s\n", Indent(level).c_str(), Out(n.text).c_str()); break;
        case TNYXtreeNode::Kind::Chapter:
            std::printf("%s[%s] %s\n", Indent(level).c_str(), tree.Objects == custom ? "gruppo" : "capitolo",
                        Out(n.text).c_str());
            break;
        default:
            if (o) {
                std::printf("%s%s  #%u\n", Indent(level).c_str(), Out(o->GetName()).c_str(), o->Index());
                if (more) more(*o, level + 1);
            } else {
                std::printf("%s%s (senza dati)\n", Indent(level).c_str(), Out(n.text).c_str());
            }
            break;
    }
}

bool HasStoredTree(TNYXset& set, int objects) {
    const std::int32_t ref = set.HInt(objects == custom ? hdr::kPrototypeTreeHolder : hdr::kPageTreeHolder);
    const TNYXoggetto* h = ref ? set.ObjectByRef(ref) : nullptr;
    return h && h->Type() == shortObj && h->Subtype() == 10 && h->FirstStreamSize() > 0;
}

int CmdPages(const Args& a) {
    std::string file;
    bool numbers = false;
    for (const auto& s : a) {
        if (s == "--numbers") numbers = true;
        else if (file.empty() && s.rfind("--", 0) != 0) file = s;
        else return kUsage;
    }
    if (file.empty()) return kUsage;
    TNYXset set;
    if (!set.LoadFromFile(file)) return kFailed;
    if (numbers) {
        // The sequence that previous-page and next-page links follow.
        for (const TNYXoggetto* p : PagesInNumberOrder(set))
            std::printf("%4d %4d  %s  #%u\n", p->SWord(model::pagerec::kChapter), p->SWord(model::pagerec::kPosition), Out(p->GetName()).c_str(), p->Index());
        return kOk;
    }
    const bool stored = HasStoredTree(set, testoHtml);
    TNYXorderedTree tree(&set, testoHtml);
    const bool ok = tree.Reload();
    if (!stored) std::fprintf(stderr, "nyx pages: nessun ordine salvato, ordine dei record\n");
    for (const TNYXtreeNode* n : tree.NodesInOrder()) PrintNode(tree, *n, nullptr);
    return ok ? kOk : kFailed;
}

void PrintPrototype(const TNYXset& lib, const TNYXoggetto& p, int level) {
    const TPrototypeContent c = ReadPrototype(p);
    const std::string pad = Indent(level);
    std::string kind(PrototypeKindCaption(c.kind));
    if (kind.empty()) kind = "tipo " + std::to_string(c.kind);
    std::printf("%stipo: %s%s\n", pad.c_str(), kind.c_str(), c.quickAccess ? ", accessibile rapidamente" : "");
    for (const TProp& prop : c.parameters.Entries()) {
        std::string type(PropTypeCaption(prop.type));
        if (type.empty()) type = std::to_string(prop.type);
        std::printf("%sparametro: %s (%s)\n", pad.c_str(), Out(prop.name).c_str(), type.c_str());
    }
    for (std::size_t k = 0; k < c.files.size(); ++k) {
        if (c.files[k] == 0) continue;
        const TNYXoggetto* f = RefType(c.files[k]) == genLink ? lib.ObjectByRef(c.files[k]) : nullptr;
        const std::string name = f && !f->IsEmpty() ? Out(f->GetName()) : "[X] Cancellato";
        std::printf("%sfile %zu: %s\n", pad.c_str(), k, name.c_str());
    }
}

int CmdLib(const Args& a) {
    if (a.size() != 1) return kUsage;
    TNYXset lib;
    if (!lib.LoadFromFile(a[0])) return kFailed;
    TNYXorderedTree tree(&lib, custom);
    const bool ok = tree.Reload();
    auto more = [&](const TNYXoggetto& p, int level) { PrintPrototype(lib, p, level); };
    std::set<std::int32_t> shown;
    for (const TNYXtreeNode* n : tree.NodesInOrder()) {
        PrintNode(tree, *n, more);
        if (const TNYXoggetto* o = tree.NodeObject(*n)) shown.insert(o->Reference());
    }
    bool header = false;
    for (std::size_t i = 0; i < lib.Count(custom); ++i) {
        const TNYXoggetto* p = lib.ObjectAt(custom, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty() || shown.count(p->Reference())) continue;
        if (!header) std::printf("Prototipi fuori dai gruppi:\n");
        header = true;
        std::printf("  %s  #%zu\n", Out(p->GetName()).c_str(), i);
        PrintPrototype(lib, *p, 2);
    }
    return ok ? kOk : kFailed;
}

Registrar r0({"pages", "ordine predefinito delle pagine, con i capitoli", "nyx pages FILE [--numbers]", CmdPages});
Registrar r1({"lib", "gruppi e prototipi di una libreria (.cus)", "nyx lib FILE.cus", CmdLib});

}  // namespace
}  // namespace nyx
