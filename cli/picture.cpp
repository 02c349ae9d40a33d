// nyx picture: lists the pictures of a hypertext (size, whether they can be
// drawn) and its placed pictures with their click zones; with --add, places
// a picture file at the end of a page and saves the file.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "present/PictureChoices.h"
#include "present/Zones.h"

namespace nyx {
namespace {

int List(model::TNYXset& set) {
    int damaged = 0;
    for (std::size_t i = 0; i < set.Count(model::immagine); ++i) {
        model::TNYXoggetto* p = set.ObjectAt(model::immagine, static_cast<std::int64_t>(i));
        if (!p || p->IsEmpty()) continue;
        const present::TPictureSize s = present::RealSize(*p);
        const bool ok = present::PictureDecodes(*p);
        if (!ok) ++damaged;
        std::printf("immagine %zu: %s %dx%d%s\n", i, Out(p->GetFileName()).c_str(), s.width, s.height,
                    ok ? "" : " (danneggiata)");
    }
    for (std::size_t i = 0; i < set.Count(model::immagineNew); ++i) {
        model::TNYXoggetto* o = set.ObjectAt(model::immagineNew, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        const present::TPictureSize s = present::ShownSize(*o);
        present::TZoneList zones;
        zones.Load(*o);
        std::printf("posizionata %zu: immagine %d, %dx%d, %zu zone\n", i, o->Int(0), s.width, s.height, zones.Size());
        for (std::size_t z = 0; z < zones.Size(); ++z)
            std::printf("  zona %d: %d,%d %dx%d collegamento %08X\n", zones[z].slot, zones[z].left, zones[z].top,
                        zones[z].width, zones[z].height, static_cast<unsigned>(zones[z].link));
    }
    return damaged > 0 ? kFailed : kOk;
}

int Add(model::TNYXset& set, const std::string& file, const std::string& image, std::int64_t page) {
    model::TNYXoggetto* target = set.ObjectAt(model::testoHtml, page);
    if (!target || target->IsEmpty()) {
        std::fprintf(stderr, "nyx picture: la pagina %lld non esiste\n", static_cast<long long>(page));
        return kFailed;
    }
    model::TNYXoggetto* pic = set.AddPicture(image);
    if (!pic) {
        std::fprintf(stderr, "nyx picture: impossibile leggere l'immagine %s\n", image.c_str());
        return kFailed;
    }
    std::unique_ptr<model::TNYXoggetto> made(set.NewPlacedPicture(pic));
    if (!made) return kFailed;
    model::TNYXoggetto* placed = set.NewObject(model::immagineNew);
    if (!placed) return kFailed;
    std::memcpy(placed->Data(), made->Data(), model::kDataSize);
    std::string text;
    target->ReadFirstStream(text);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (text.empty()) text = "<Z S0 >";
    char tag[16];
    std::snprintf(tag, sizeof tag, "<$%08X>", static_cast<unsigned>(placed->Reference()));
    target->SetFirstStream(text + tag + std::string(1, '\0'));
    set.SetModified(true);
    // Saving reloads the hypertext: its objects are not the ones above any more.
    const unsigned picSlot = pic->Index(), placedSlot = placed->Index();
    if (!SaveReporting(set, file)) return kFailed;
    std::printf("pagina %lld: immagine %u posizionata (%u)\n", static_cast<long long>(page), picSlot, placedSlot);
    return kOk;
}

int CmdPicture(const Args& a) {
    std::string file, image;
    std::optional<std::int64_t> page;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--add" && i + 2 < a.size()) {
            image = a[++i];
            page = ParseInt(a[++i]);
            if (!page || *page < 0) return kUsage;
        } else if (a[i].rfind("--", 0) == 0 || !file.empty()) {
            return kUsage;
        } else {
            file = a[i];
        }
    }
    if (file.empty()) return kUsage;
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    return image.empty() ? List(set) : Add(set, file, image, *page);
}

Registrar r({"picture", "elenca immagini e mappe cliccabili, o posiziona un'immagine in fondo a una pagina",
             "nyx picture FILE [--add IMMAGINE PAGINA]", CmdPicture});

}  // namespace
}  // namespace nyx
