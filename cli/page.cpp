// nyx page, order: a page's properties, and moving pages in the default order.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/text.h"
#include "shell/PageProperties.h"

using namespace model;

namespace nyx {
namespace {

std::string Joined(const std::vector<std::string>& list) {
    std::string s;
    for (const std::string& k : list) s += (s.empty() ? "" : ",") + k;
    return s;
}

TNYXoggetto* PageArg(TNYXset& set, const std::string& arg) {
    const auto n = ParseInt(arg);
    if (!n || *n < 0) return nullptr;
    TNYXoggetto* p = set.ObjectAt(testoHtml, *n);
    return p && !p->IsEmpty() ? p : nullptr;
}

int CmdPage(const Args& a);
const Command kPage{"page", "mostra o cambia le proprieta' di una pagina",
                    "nyx page FILE N [--title TITOLO] [--keywords K1,K2,...]\n"
                    "  N: numero (slot) della pagina; senza opzioni stampa le proprieta'.\n"
                    "  --title \"Senza titolo\" ridà alla pagina il titolo automatico; --keywords \"\" toglie le parole chiave.",
                    CmdPage};

int CmdPage(const Args& a) {
    if (WantsHelp(a)) return UsageError(kPage, "");
    std::vector<std::string> plain;
    std::optional<std::string> title, keywords;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if ((a[i] == "--title" || a[i] == "--keywords") && i + 1 < a.size()) {
            (a[i] == "--title" ? title : keywords) = platform::text::Utf8ToCp1252(a[i + 1]);
            ++i;
        } else if (a[i].rfind("--", 0) == 0) {
            return UsageError(kPage, "opzione sconosciuta: " + a[i]);
        } else {
            plain.push_back(a[i]);
        }
    }
    if (plain.size() != 2) return UsageError(kPage, "servono FILE e N");
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(plain[0])) return kFailed;
    TNYXoggetto* page = PageArg(set, plain[1]);
    if (!page) {
        std::fprintf(stderr, "nyx page: nessuna pagina %s\n", plain[1].c_str());
        return kFailed;
    }
    shell::TPageChoices c = shell::ReadPageChoices(set, *page);
    if (!title && !keywords) {
        std::printf("titolo: %s%s\n", Out(c.title).c_str(), c.autoTitle ? " (automatico)" : "");
        std::printf("parole chiave: %s\n", Out(Joined(c.keywords)).c_str());
        std::printf("colori: testo %06X, collegamenti %06X, visitati %06X, sfondo %06X\n", unsigned(c.textColour),
                    unsigned(c.linkColour), unsigned(c.visitedColour), unsigned(c.backColour));
        std::printf("immagine di sfondo: %d%s\n", c.backPicture, c.fixedBackground ? " (fissa)" : "");
        std::printf("intestazione: %d, piede: %d\n", c.headerPage, c.footerPage);
        std::printf("ordine: capitolo %d, posizione %d\n", c.chapter, c.position);
        std::printf("diapositiva successiva: %d\n", c.nextSlide);
        std::printf("alias: %s\n", Out(c.alias).c_str());
        return kOk;
    }
    if (title) {
        c.autoTitle = *title == shell::kAutoTitle;
        c.title = *title;
    }
    if (keywords) c.keywords = shell::SplitKeywords(*keywords);
    if (const std::string why = shell::CheckPageChoices(set, *page, c); !why.empty()) {
        std::fprintf(stderr, "nyx page: %s\n", why.c_str());
        return kFailed;
    }
    if (!shell::ApplyPageChoices(set, *page, c)) return kOk;  // nothing changed
    return SaveReporting(set, plain[0]) ? kOk : kFailed;
}

TNYXtreeNode* NodeOfPage(const TNYXorderedTree& tree, const TNYXoggetto& page) {
    for (TNYXtreeNode* n : tree.NodesInOrder())
        if (tree.NodeObject(*n) == &page) return n;
    return nullptr;
}

int CmdOrder(const Args& a);
const Command kOrder{"order", "stampa l'ordine predefinito delle pagine o vi sposta una pagina",
                     "nyx order FILE [--move N --after M]\n"
                     "  senza opzioni stampa l'albero (livello, pagina N o [capitolo]);\n"
                     "  --move N --after M mette la pagina N subito dopo la pagina M, allo stesso livello.",
                     CmdOrder};

int CmdOrder(const Args& a) {
    if (WantsHelp(a)) return UsageError(kOrder, "");
    std::string file, move, after;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--move" && i + 1 < a.size()) move = a[++i];
        else if (a[i] == "--after" && i + 1 < a.size()) after = a[++i];
        else if (a[i].rfind("--", 0) == 0 || !file.empty()) return UsageError(kOrder, "argomento inatteso: " + a[i]);
        else file = a[i];
    }
    if (file.empty() || move.empty() != after.empty()) return UsageError(kOrder, "servono FILE, e --move con --after");
    TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    TNYXorderedTree tree(&set, testoHtml);
    if (!tree.Reload()) return kFailed;
    if (move.empty()) {
        for (const TNYXtreeNode* n : tree.NodesInOrder()) {
            const TNYXoggetto* o = tree.NodeObject(*n);
            std::printf("%s", std::string(static_cast<std::size_t>(2 * n->Level()), ' ').c_str());
            if (o) std::printf("%u %s\n", o->Index(), Out(o->GetName()).c_str());
            else if (n->IsChapter()) std::printf("[%s]\n", Out(n->text).c_str());
            else std::printf("%s\n", Out(n->text).c_str());
        }
        return kOk;
    }
    TNYXoggetto* pm = PageArg(set, move);
    TNYXoggetto* pa = PageArg(set, after);
    TNYXtreeNode* nm = pm ? NodeOfPage(tree, *pm) : nullptr;
    TNYXtreeNode* na = pa ? NodeOfPage(tree, *pa) : nullptr;
    if (!nm || !na) {
        std::fprintf(stderr, "nyx order: la pagina %s non e' nell'ordine\n", nm ? after.c_str() : move.c_str());
        return kFailed;
    }
    if (tree.MoveAfter(nm, na) != TNYXorderedTree::MoveResult::Moved) {
        std::fprintf(stderr, "nyx order: la pagina %s non puo' andare dopo la pagina %s\n", move.c_str(), after.c_str());
        return kFailed;
    }
    if (!tree.Store()) return kFailed;
    set.SetModified(true);
    return SaveReporting(set, file) ? kOk : kFailed;
}

Registrar r0(kPage);
Registrar r1(kOrder);

}  // namespace
}  // namespace nyx
