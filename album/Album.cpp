#include "album/Album.h"
#include "album/OutsideEdit.h"

#include <algorithm>
#include <set>

#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/Pages.h"

namespace fs = std::filesystem;
namespace text = platform::text;
using model::TNYXoggetto;
using model::TNYXset;

namespace album {

int TabType(TTab tab) {
    switch (tab) {
        case TTab::kPictures: return model::immagine;
        case TTab::kFiles: return model::genLink;
        case TTab::kPrototypes: return model::custom;
        case TTab::kPages: return model::testoHtml;
        case TTab::kUrls: return model::internetLink;
        case TTab::kPlaced: return model::immagineNew;
    }
    return model::immagine;
}

const char* TabCaption(TTab tab) {
    switch (tab) {
        case TTab::kPictures: return "Immagini";
        case TTab::kFiles: return "Files";
        case TTab::kPrototypes: return "Prototipi";
        case TTab::kPages: return "Pagine";
        case TTab::kUrls: return "Collegamenti esterni";
        case TTab::kPlaced: return "Alt";
    }
    return "";
}

const char* TabKeyword(TTab tab) {
    switch (tab) {
        case TTab::kPictures: return "pictures";
        case TTab::kFiles: return "files";
        case TTab::kPrototypes: return "prototypes";
        case TTab::kPages: return "pages";
        case TTab::kUrls: return "urls";
        case TTab::kPlaced: return "placed";
    }
    return "";
}

std::optional<TTab> TabFromKeyword(std::string_view word) {
    for (TTab t : kTabs)
        if (word == TabKeyword(t)) return t;
    return std::nullopt;
}

TTabCommands CommandsOf(TTab tab) {
    switch (tab) {
        case TTab::kPictures:
        case TTab::kFiles: return {true, true, true};
        case TTab::kPages: return {true, false, true};
        case TTab::kUrls: return {true, false, false};
        default: return {};
    }
}

std::string RowName(const TNYXoggetto& o) {
    std::string name = o.GetName();
    if (name.empty()) name = o.Description();
    return name;
}

std::vector<TAlbumRow> AlbumRows(const TNYXset& set, TTab tab) {
    const int type = TabType(tab);
    std::vector<TAlbumRow> rows;
    const std::size_t n = set.Count(type);
    rows.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const TNYXoggetto* o = set.ObjectAt(type, static_cast<std::int64_t>(i));
        if (!o || o->IsEmpty()) continue;
        rows.push_back({o->Reference(), RowName(*o)});
    }
    return rows;
}

bool Rename(TNYXset& set, std::int32_t ref, std::string_view name) {
    TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty()) return false;
    for (unsigned char c : name)
        if (c < 0x20) {
            platform::ui().Warning("Il nome non pu\xC3\xB2 contenere a capo o caratteri di controllo.");
            return false;
        }
    if (name.empty()) return false;
    if (o->GetName() == name) return false;
    o->SetName(name);
    if (o->Type() == model::internetLink) {
        // The kind of address follows what it now starts with, as for a new one.
        std::uint8_t sub = 4;
        if (name.rfind("quor:", 0) == 0) sub = 6;
        if (name.rfind("http:", 0) == 0) sub = 7;
        if (name.rfind("mailto:", 0) == 0) sub = 8;
        o->SetSubtype(sub);
    }
    set.SetModified(true);
    return true;
}

std::vector<std::int32_t> UsersOf(const TNYXset& set, std::int32_t ref) {
    std::vector<std::int32_t> users;
    for (int type = 0; type < model::kTypeCount; ++type) {
        const std::size_t n = set.Count(type);
        for (std::size_t i = 0; i < n; ++i) {
            const TNYXoggetto* o = set.ObjectAt(type, static_cast<std::int64_t>(i));
            if (!o || o->IsEmpty() || o->Reference() == ref) continue;
            if (o->ReferenceReason(ref) != 0) users.push_back(o->Reference());
        }
    }
    return users;
}

TNYXoggetto* AddUrl(TNYXset& set, std::string_view address) {
    std::unique_ptr<TNYXoggetto> url = set.NewURL(address);
    TNYXoggetto* raw = url.get();
    if (set.RegisterObject(model::internetLink, -1, std::move(url)) < 0) return nullptr;
    set.SetModified(true);
    return raw;
}

std::string ReplaceProblem(const TNYXset& set, const std::vector<std::int32_t>& selected) {
    if (selected.empty()) return "Seleziona oggetto da sostituire";
    if (selected.size() > 1) return "Seleziona un solo oggetto";
    const TNYXoggetto* o = set.ObjectByRef(selected.front());
    if (!o || o->IsEmpty() || (o->Type() != model::immagine && o->Type() != model::genLink))
        return "Seleziona oggetto da sostituire";
    return {};
}

bool ConfirmReplaceInUse(const TNYXset& set, std::int32_t ref) {
    if (UsersOf(set, ref).empty()) return true;
    return platform::ui().AskYesNo("Risulta usato da almeno un oggetto personalizzato. Vuoi sostituire comunque?") ==
           platform::Answer::Yes;
}

bool ReplaceFile(TNYXset& set, std::int32_t ref, const fs::path& source) {
    TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty() || o->Type() != model::genLink) return false;
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return false;
    // Kept whole until the new contents are in: a failed copy changes nothing.
    std::string keep;
    o->SaveToStream(keep);
    if (!set.AddFile(source, o)) {
        std::size_t pos = 0;
        o->LoadFromStream(keep, pos);
        return false;
    }
    set.SetModified(true);
    return true;
}

bool ReplacePicture(TNYXset& set, std::int32_t ref, TNYXoggetto& with) {
    TNYXoggetto* o = set.ObjectByRef(ref);
    if (!o || o->IsEmpty() || o->Type() != model::immagine || with.Type() != model::immagine) return false;
    if (&with == o) return true;
    const std::string name = o->GetName();
    const std::string file = o->GetFileName();
    o->ReplaceContent(with);
    // The picture keeps the name the author gave it and its file name (its
    // extension follows the new contents).
    o->SetName(name);
    const fs::path newName = text::Cp1252ToUtf8(with.GetFileName());
    fs::path kept = text::Cp1252ToUtf8(file);
    if (!newName.extension().empty()) kept.replace_extension(newName.extension());
    o->SetFileName(text::Utf8ToCp1252(kept.string()));
    set.UncachePicture(*o);
    set.SetModified(true);
    return true;
}

TLoadedPicture LoadPicture(TNYXset& set, const fs::path& file) {
    TLoadedPicture out;
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) return out;
    model::codecs::Info info;
    if (!model::codecs::ReadInfo(bytes, info) || info.width <= 0 || info.height <= 0) return out;
    model::codecs::Image image;
    if (!model::codecs::Decode(bytes, image)) return out;
    TNYXoggetto* pic = set.NewPicture(file, info.transparent, info.height, info.width);
    if (!pic) return out;
    if (!pic->Registered()) out.owned.reset(pic);
    out.picture = pic;
    return out;
}

// --- trash -------------------------------------------------------------------------

namespace {

struct TSaved {
    int type = 0;
    std::uint32_t index = 0;
    std::string stream;
};
struct TDeleted {
    std::int32_t ref = -1;
    std::vector<TSaved> objects;  // the object first, then what it owned
};

}  // namespace

struct TAlbumTrash::TState {
    std::vector<TDeleted> deleted;
};

TAlbumTrash::TAlbumTrash(TNYXset& set) : set_(set), state_(std::make_shared<TState>()) {
    // Saving reloads the hypertext and a new or opened one replaces it: what
    // was deleted stays deleted then.
    std::weak_ptr<TState> weak = state_;
    set_.onBeforeNew.push_back([weak] {
        if (auto s = weak.lock()) s->deleted.clear();
    });
}

TAlbumTrash::~TAlbumTrash() = default;

bool TAlbumTrash::CanUndo() const { return !state_->deleted.empty(); }
std::size_t TAlbumTrash::Size() const { return state_->deleted.size(); }

bool TAlbumTrash::Delete(std::int32_t ref) {
    TNYXoggetto* o = set_.ObjectByRef(ref);
    if (!o || o->IsEmpty()) return false;
    TDeleted d;
    d.ref = ref;
    std::set<std::int32_t> seen;
    std::vector<const TNYXoggetto*> owned;
    present::CollectOwnedObjects(set_, *o, seen, owned);
    for (const TNYXoggetto* x : owned) {
        TSaved s;
        s.type = x->Type();
        s.index = x->Index();
        // A picture or file still in the open file is copied out now: the
        // copy must not depend on the file a save replaces.
        x->SaveToStream(s.stream);
        d.objects.push_back(std::move(s));
    }
    o->Reset();
    set_.SetModified(true);
    state_->deleted.push_back(std::move(d));
    return true;
}

std::int32_t TAlbumTrash::Undo() {
    auto& deleted = state_->deleted;
    if (deleted.empty()) return -1;
    TDeleted d = std::move(deleted.back());
    deleted.pop_back();
    for (const TSaved& s : d.objects) {
        const TNYXoggetto* o = set_.ObjectAt(s.type, s.index);
        if (o && !o->IsEmpty()) {
            platform::ui().Warning("L'oggetto non si pu\xC3\xB2 ripristinare: il suo posto \xC3\xA8 stato occupato.");
            return -1;
        }
    }
    for (const TSaved& s : d.objects) {
        TNYXoggetto* o = set_.ObjectAt(s.type, s.index);
        std::size_t pos = 0;
        if (o) {
            o->LoadFromStream(s.stream, pos);
        } else {
            auto fresh = model::MakeObject(s.type);
            fresh->SetSet(&set_);
            if (fresh->LoadFromStream(s.stream, pos)) set_.RegisterObject(s.type, s.index, std::move(fresh));
        }
    }
    set_.SetModified(true);
    return d.ref;
}

// --- deletion ----------------------------------------------------------------------

TAlbumDeletion::TAlbumDeletion(TNYXset& set, std::vector<std::int32_t> objects)
    : set_(set), objects_(objects), report_(set, std::move(objects)) {}

std::vector<std::size_t> TAlbumDeletion::InUse() {
    if (!report_.Finished() && !report_.Stopped()) report_.RunToEnd();
    std::vector<std::size_t> used;
    const auto& heads = report_.Headings();
    const auto& lines = report_.Lines();
    for (std::size_t k = 0; k < objects_.size(); ++k) {
        // "+ ..." heads an object with users; "- ..." one nothing uses. An
        // object a stopped report never reached counts as used: only what
        // the report found unused is deleted.
        if (k >= heads.size() || lines[heads[k]].rfind("+ \"", 0) == 0) used.push_back(k);
    }
    return used;
}

std::size_t TAlbumDeletion::Confirm(TAlbumTrash& trash, std::vector<std::size_t>* refused) {
    const std::vector<std::size_t> used = InUse();
    if (refused) *refused = used;
    std::vector<std::size_t> go;
    for (std::size_t k = 0; k < objects_.size(); ++k)
        if (std::find(used.begin(), used.end(), k) == used.end()) {
            const TNYXoggetto* o = set_.ObjectByRef(objects_[k]);
            if (o && !o->IsEmpty()) go.push_back(k);
        }
    if (go.empty()) return 0;
    std::size_t n = 0;
    for (std::size_t k : go)
        if (trash.Delete(objects_[k])) {
            deleted_.push_back(k);
            ++n;
        }
    return n;
}

std::vector<std::string> TAlbumDeletion::Lines() const {
    std::vector<std::string> lines = report_.Lines();
    const auto& heads = report_.Headings();
    for (std::size_t k : deleted_)
        if (k < heads.size()) lines[heads[k]] = std::string(shell::kDeletedMark) + " " + lines[heads[k]];
    return lines;
}

}  // namespace album
