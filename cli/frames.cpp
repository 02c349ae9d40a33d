// nyx frames: a page's frame tree; saving it to and loading it from a ".frm"
// layout file; dividing and deleting frames as dragging the bars would; the
// HTML frameset written for the page.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "present/FrameLayout.h"
#include "present/FrameProperties.h"

namespace nyx {
namespace {

using present::TFrameRecord;
using present::TNonVisCornice;

std::string SizeText(const TFrameRecord& r) {
    switch (r.RuleCode()) {
        case TFrameRecord::kFixed: return std::to_string(r.Pixels()) + " pixel";
        case TFrameRecord::kFree: return "libera";
        default: return std::to_string(r.Percent()) + "%";
    }
}

std::string PlaceText(std::uint8_t p) {
    switch (p) {
        case 0: case 2: return "riga";
        case 1: case 4: return "colonna";
        case 3: return "ultima riga";
        case 5: return "ultima colonna";
        default: return "posto " + std::to_string(p);
    }
}

void Print(const TNonVisCornice& f, const model::TNYXset& set) {
    const TFrameRecord& r = f.rec;
    std::string line(static_cast<std::size_t>(2 * f.Depth()), ' ');
    line += Out(r.Name()) + ":";
    if (!f.IsTop()) line += " " + PlaceText(r.PlaceCode()) + " " + SizeText(r) + ",";
    if (!f.IsLeaf()) {
        line += std::string(f.ChildrenAreRows() ? " righe" : " colonne") + ", bordo " + std::to_string(r.BorderWidth());
    } else {
        const std::int32_t ref = r.PageRef();
        const model::TNYXoggetto* page = ref == -1 ? nullptr : set.ObjectByRef(ref);
        if (ref == -1) line += " pagina nuova";
        else if (page && page->Type() == model::testoHtml && !page->IsEmpty())
            line += " pagina " + std::to_string(page->Index()) + " \"" + Out(page->GetName()) + "\"";
        else line += " pagina inesistente";
        if (r.Scrolling()) line += ", scorrimento";
        if (r.Border()) line += ", bordino";
        if (r.Resizable()) line += ", ridimensionabile";
    }
    line += ", " + std::to_string(f.rect.left) + "," + std::to_string(f.rect.top) + " " + std::to_string(f.rect.width) +
            "x" + std::to_string(f.rect.height);
    std::printf("%s\n", line.c_str());
    for (const auto& c : f.children) Print(*c, set);
}

bool ParseSize(const std::string& s, int& w, int& h) {
    const auto x = s.find('x');
    if (x == std::string::npos) return false;
    auto a = ParseInt(s.substr(0, x)), b = ParseInt(s.substr(x + 1));
    if (!a || !b || *a < 0 || *b < 0 || *a > 100000 || *b > 100000) return false;
    w = static_cast<int>(*a);
    h = static_cast<int>(*b);
    return true;
}

int Save(model::TNYXset& set, const std::string& file) {
    const bool ok = set.SaveToFile(file);
    for (const auto& m : set.SaveErrors()) std::fprintf(stderr, "Errore!: %s\n", m.c_str());
    for (const auto& m : set.SaveWarnings()) std::fprintf(stderr, "Attenzione!: %s\n", m.c_str());
    return ok ? kOk : kFailed;
}

int CmdFrames(const Args& a) {
    if (a.size() < 2) return kUsage;
    auto n = ParseInt(a[1]);
    if (!n || *n < 0 || *n > 0xFFFFFF) return kUsage;
    int width = 800, height = 600;
    std::string action, file, name, direction;
    std::int64_t distance = 0;
    for (std::size_t i = 2; i < a.size(); ++i) {
        const std::string& o = a[i];
        const bool more = i + 1 < a.size();
        if (o == "--size" && more) {
            if (!ParseSize(a[++i], width, height)) return kUsage;
        } else if ((o == "--save" || o == "--load") && more && action.empty()) {
            action = o;
            file = a[++i];
        } else if (o == "--divide" && i + 3 < a.size() && action.empty()) {
            action = o;
            name = a[++i];
            direction = a[++i];
            auto d = ParseInt(a[++i]);
            if (!d || *d < 0 || *d > 100000 || (direction != "righe" && direction != "colonne")) return kUsage;
            distance = *d;
        } else if (o == "--delete" && more && action.empty()) {
            action = o;
            name = a[++i];
        } else if (o == "--html" && action.empty()) {
            action = o;
        } else {
            return kUsage;
        }
    }
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    present::TFrameLayout layout(&set);
    if (!layout.ShowPage(static_cast<std::int32_t>(*n))) {
        std::fprintf(stderr, "nyx frames: pagina %lld inesistente\n", static_cast<long long>(*n));
        return kFailed;
    }
    layout.Layout(width, height);
    auto report = [&] {
        for (const std::string& l : layout.LastReport().Lines()) std::fprintf(stderr, "Attenzione!: %s\n", l.c_str());
    };
    report();
    if (action.empty()) {
        Print(*layout.Top(), set);
        return kOk;
    }
    if (action == "--html") {
        std::fputs(Out(present::FrameSetText(*layout.Top())).c_str(), stdout);
        return kOk;
    }
    if (action == "--save") {
        std::string bytes;
        if (!layout.SaveLayout(bytes)) return kFailed;
        if (!present::WriteFrmFile(file, bytes)) {
            std::fprintf(stderr, "nyx frames: non riesco a scrivere %s\n", file.c_str());
            return kFailed;
        }
        return kOk;
    }
    if (action == "--load") {
        std::string bytes;
        if (!present::ReadFrmFile(file, bytes)) {
            std::fprintf(stderr, "nyx frames: non riesco a leggere %s\n", file.c_str());
            return kFailed;
        }
        if (!layout.LoadLayout(bytes, present::kMapMode)) return kFailed;
        report();
    } else {
        TNonVisCornice* f = layout.FrameByName(platform::text::Utf8ToCp1252(name));
        if (!f) {
            std::fprintf(stderr, "nyx frames: nessuna cornice \"%s\"\n", name.c_str());
            return kFailed;
        }
        if (action == "--divide") {
            const auto side = direction == "righe" ? present::TFrameSide::kTop : present::TFrameSide::kLeft;
            const auto r = layout.Divide(*f, side, static_cast<int>(distance));
            if (r == present::TDivideResult::kTooShort) {
                std::fprintf(stderr, "nyx frames: la nuova cornice deve superare %d pixel\n", 4 * layout.barWidth);
                return kFailed;
            }
            if (r != present::TDivideResult::kDivided) {
                std::fprintf(stderr, "nyx frames: la cornice \"%s\" non si divide in %s\n", name.c_str(), direction.c_str());
                return kFailed;
            }
        } else if (layout.DeleteFrame(*f) != present::TDeleteResult::kDeleted) {
            if (f->IsTop()) std::fprintf(stderr, "nyx frames: la cornice principale non si cancella\n");
            return kFailed;
        }
    }
    if (!layout.StoreMap()) return kFailed;
    const int rc = Save(set, a[0]);
    if (rc == kOk) Print(*layout.Top(), set);
    return rc;
}

Registrar r({"frames", "cornici di una pagina: albero, file .frm, divisione, cancellazione, frameset HTML",
             "nyx frames FILE PAGINA [--size LxA] [--save X.frm | --load X.frm | --divide CORNICE righe|colonne PIXEL |"
             " --delete CORNICE | --html]",
             CmdFrames});

}  // namespace
}  // namespace nyx
