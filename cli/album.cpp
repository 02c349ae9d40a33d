// nyx album: the objects of a hypertext as the album lists them, one tab or
// all; nyx rm: deletes an object the way the album does, refused with the
// report of where it is used while anything refers to it.
#include <cstdio>
#include <string>

#include "album/Album.h"
#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"

namespace nyx {
namespace {

int CmdAlbum(const Args& a) {
    std::string file;
    std::optional<album::TTab> only;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--type" && i + 1 < a.size()) {
            only = album::TabFromKeyword(a[++i]);
            if (!only) return kUsage;
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
    for (album::TTab tab : album::kTabs) {
        if (only && *only != tab) continue;
        const std::vector<album::TAlbumRow> rows = album::AlbumRows(set, tab);
        if (!only) std::printf("[%s] %zu\n", album::TabCaption(tab), rows.size());
        for (const album::TAlbumRow& r : rows)
            std::printf("%08X\t%u\t%s\n", static_cast<unsigned>(r.ref), static_cast<unsigned>(r.ref & 0xFFFFFF),
                        Out(r.name).c_str());
    }
    return kOk;
}

// A type as a type name or code, or the word `nyx album --type` lists it
// under ("pages:2", "urls:0").
int AlbumType(std::string_view word) {
    const std::optional<album::TTab> tab = album::TabFromKeyword(word);
    return tab ? album::TabType(*tab) : ParseType(word);
}


int CmdRm(const Args& a) {
    if (a.size() != 2) return kUsage;
    std::int32_t ref = 0;
    if (!ParseObject(a[1], ref, AlbumType)) return kUsage;
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(a[0])) return kFailed;
    const model::TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty()) {
        std::fprintf(stderr, "nyx rm: l'oggetto %s non esiste\n", a[1].c_str());
        return kFailed;
    }
    album::TAlbumTrash trash(set);
    album::TAlbumDeletion deletion(set, {ref});
    std::vector<std::size_t> refused;
    const std::size_t n = deletion.Confirm(trash, &refused);
    if (n == 0) {
        std::fprintf(stderr, "nyx rm: %s\n", Out(album::kStillUsed).c_str());
        for (const std::string& line : deletion.Lines()) std::fprintf(stderr, "%s\n", Out(line).c_str());
        return kFailed;
    }
    if (!SaveReporting(set, a[0])) return kFailed;
    for (const std::string& line : deletion.Lines()) std::printf("%s\n", Out(line).c_str());
    return kOk;
}

Registrar albumCmd({"album", "gli oggetti dell'album: immagini, files, prototipi, pagine, indirizzi, immagini poste",
                    "nyx album FILE [--type pictures|files|pages|urls|prototypes|placed]", CmdAlbum});
Registrar rmCmd({"rm", "cancella un oggetto che nulla usa (altrimenti dice dove \xC3\xA8 usato)",
                 "nyx rm FILE TIPO:POSTO|RIFERIMENTO", CmdRm});

}  // namespace
}  // namespace nyx
