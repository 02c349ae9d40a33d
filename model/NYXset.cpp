#include "model/NYXset.h"

#include <random>
#include <system_error>

#include "model/Fields.h"
#include "model/LoadedFile.h"
#include "model/PageOrder.h"
#include "platform/Env.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace fs = std::filesystem;

namespace {

std::uint32_t RandomBelow(std::uint32_t bound) {
    static std::mt19937 rng(std::random_device{}());
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(rng);
}

// The last part of a name that may carry Windows or POSIX folders.
std::string BaseName(std::string_view name) {
    std::size_t cut = name.find_last_of("/\\");
    std::string base(cut == std::string_view::npos ? name : name.substr(cut + 1));
    return base;
}

std::string Extension(const std::string& name) {
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

TNYXset::TNYXset() { SetNewHeader(); }

TNYXset::~TNYXset() {
    for (auto& table : tables_) table.clear();
    file_.reset();
    if (!workFolder_.empty()) {
        std::error_code ec;
        fs::remove_all(workFolder_, ec);
    }
}

std::string TNYXset::Info() const {
    const char* p = reinterpret_cast<const char*>(header_.data() + hdr::kInfo);
    std::size_t n = 0;
    while (n < 1257 && p[n]) ++n;
    return std::string(p, n);
}

void TNYXset::SetInfo(std::string_view text) {
    std::size_t n = text.size() < 1257 ? text.size() : 1257;
    std::memset(header_.data() + hdr::kInfo, 0, 1258);
    std::memcpy(header_.data() + hdr::kInfo, text.data(), n);
}

std::size_t TNYXset::Count(int type) const {
    if (type < 0 || type > kLastStoredType) return 0;
    return tables_[type].size();
}

TNYXoggetto* TNYXset::ObjectAt(int type, std::int64_t index) const {
    if (index < 0 || index > static_cast<std::int64_t>(kMaxIndex) || type < 0 || type > multiMedia) return nullptr;
    if (type == zipLink || type == mappaClic) {
        auto it = conversion_.find(MakeRef(type, static_cast<std::uint32_t>(index)));
        if (it != conversion_.end()) {
            type = RefType(it->second);
            index = RefIndex(it->second);
        }
    }
    const auto& table = tables_[type];
    if (static_cast<std::size_t>(index) >= table.size()) return nullptr;
    return table[static_cast<std::size_t>(index)].get();
}

TNYXoggetto* TNYXset::ObjectByRef(std::int32_t ref) const {
    if (ref == kNoRef) return nullptr;
    return ObjectAt(RefType(ref), RefIndex(ref));
}

void TNYXset::NoteEmptySlot(int type, std::uint32_t index) {
    if (type >= 0 && type < kTypeCount && index < freeHint_[type]) freeHint_[type] = index;
}

std::int32_t TNYXset::RegisterObject(int type, std::int64_t index, TNYXoggetto* obj) {
    return RegisterObject(type, index, std::unique_ptr<TNYXoggetto>(obj));
}

std::int32_t TNYXset::RegisterObject(int type, std::int64_t index, std::unique_ptr<TNYXoggetto> obj) {
    if (!obj || type < 0 || type >= kTypeCount) {
        obj.release();  // the caller still owns what it passed
        return -1;
    }
    auto& table = tables_[type];
    std::size_t slot;
    if (index < 0 || index > static_cast<std::int64_t>(kMaxIndex)) {
        // First slot whose object is empty; no empty slot lies below the hint.
        slot = table.size();
        for (std::size_t i = freeHint_[type]; i < table.size(); ++i) {
            if (table[i] && table[i]->IsEmpty()) {
                slot = i;
                break;
            }
        }
        freeHint_[type] = slot + 1;
    } else if (static_cast<std::size_t>(index) >= table.size()) {
        slot = table.size();
    } else {
        slot = static_cast<std::size_t>(index);
        if (!table[slot]) {
            obj.release();
            return -1;
        }
    }
    if (slot >= kMaxIndex) {
        obj.release();
        return -1;
    }
    TNYXoggetto* raw = obj.get();
    // A page that takes a slot holding no page in use is a page added to the
    // hypertext: without numbers of its own it joins the end of the number
    // order that previous-page and next-page links follow.
    const TNYXoggetto* before = slot < table.size() ? table[slot].get() : nullptr;
    const bool addedPage = type == testoHtml && before != raw && (!before || before->IsEmpty());
    if (slot == table.size()) {
        table.push_back(std::move(obj));
    } else if (table[slot].get() != raw) {
        // The old object is replaced by its new copy: it is freed without
        // resetting what its text refers to, since the new copy refers to it too.
        table[slot] = std::move(obj);
    } else {
        obj.release();
    }
    raw->SetSet(this);
    raw->SetIndex(static_cast<std::uint32_t>(slot));
    raw->SetRegistered(true);
    NoteFileName(*raw, true);
    if (addedPage && raw->Type() == testoHtml && !raw->IsEmpty() && raw->SWord(pagerec::kPosition) < 0) {
        NumberAddedPage(*raw);
    } else if (type == testoHtml && orderEndKnown_) {
        // A page that brings numbers of its own may be the new end; a new
        // object in the end's own slot may have left the end anywhere.
        if (orderEnd_.any && slot == orderEnd_.slot) orderEndKnown_ = false;
        else ExtendOrderEnd(orderEnd_, *raw);
    }
    modified_ = true;
    return static_cast<std::int32_t>(slot);
}

std::unique_ptr<TNYXoggetto> TNYXset::ClearSlot(int type, std::int64_t index) {
    if (type < 0 || type >= kTypeCount || index < 0) return nullptr;
    auto& table = tables_[type];
    if (static_cast<std::size_t>(index) >= table.size()) return nullptr;
    if (type == testoHtml) orderEndKnown_ = false;
    auto old = std::move(table[static_cast<std::size_t>(index)]);
    if (old) {
        old->SetRegistered(false);
        NoteFileName(*old, false);
    }
    return old;
}

TNYXset::TPageRun::TPageRun(TNYXset& set) : set_(set) {
    ++set_.pageRuns_;
    set_.orderEndKnown_ = false;
}

TNYXset::TPageRun::~TPageRun() {
    if (--set_.pageRuns_ == 0) set_.orderEndKnown_ = false;
}

void TNYXset::NumberAddedPage(TNYXoggetto& page) {
    if (pageRuns_ == 0) {
        NumberNewPage(*this, page);
        return;
    }
    // The remembered end holds while its page is still in its slot, in use,
    // with the numbers it had.
    if (orderEndKnown_ && orderEnd_.any) {
        const TNYXoggetto* p = ObjectAt(testoHtml, orderEnd_.slot);
        orderEndKnown_ = p == orderEnd_.page && p != &page && !p->IsEmpty() &&
                         p->SWord(pagerec::kChapter) == orderEnd_.chapter &&
                         p->SWord(pagerec::kPosition) == orderEnd_.position;
    }
    if (!orderEndKnown_) {
        orderEnd_ = FindOrderEnd(*this, &page);
        orderEndKnown_ = true;
    }
    NumberAfter(orderEnd_, page);
}

TNYXoggetto* TNYXset::NewObject(int type) {
    auto o = MakeObject(type);
    o->SetSet(this);
    o->Reset();
    o->MakeNew();
    TNYXoggetto* raw = o.get();
    if (RegisterObject(type, -1, std::move(o)) < 0) return nullptr;
    return raw;
}

TNYXoggetto* TNYXset::FindEqual(const TNYXoggetto& obj) const {
    int t = obj.Type();
    if (t < 0 || t >= kTypeCount) return nullptr;
    for (const auto& o : tables_[t])
        if (o && o.get() != &obj && obj.Equals(*o)) return o.get();
    return nullptr;
}

namespace {
bool NamedFileType(int t) { return t == genLink || t == zipLink || t == immagine || t == mappaClic; }
}  // namespace

void TNYXset::NoteFileName(TNYXoggetto& o, bool present) const {
    if (!nameIndexBuilt_) return;
    if (o.inNameIndex && o.indexedGeneration == nameIndexGeneration_) {
        auto it = nameIndex_.find(o.indexedName);
        if (it != nameIndex_.end() && --it->second <= 0) nameIndex_.erase(it);
        o.inNameIndex = false;
    }
    if (present && NamedFileType(o.Type())) {
        o.indexedName = platform::text::Lower(o.GetFileName());
        ++nameIndex_[o.indexedName];
        o.inNameIndex = true;
        o.indexedGeneration = nameIndexGeneration_;
    }
}

std::string TNYXset::UniqueFileName(std::string_view name) const {
    if (!nameIndexBuilt_) {
        nameIndex_.clear();
        ++nameIndexGeneration_;
        for (int t : {genLink, zipLink, immagine, mappaClic})
            for (const auto& o : tables_[t]) {
                if (!o) continue;
                o->indexedName = platform::text::Lower(o->GetFileName());
                ++nameIndex_[o->indexedName];
                o->inNameIndex = true;
                o->indexedGeneration = nameIndexGeneration_;
            }
        nameIndexBuilt_ = true;
    }
    std::string candidate = BaseName(name);
    const std::string ext = Extension(candidate);
    for (int guard = 0; guard < 1000; ++guard) {
        if (!nameIndex_.count(platform::text::Lower(candidate))) return candidate;
        char buf[16];
        std::snprintf(buf, sizeof buf, "ed%06X", RandomBelow(1u << 24));
        candidate = buf + ext;
    }
    return candidate;
}

void TNYXset::CreateDefaultStyles() {
    for (int i = 0; i < 2; ++i) {
        auto s = MakeObject(stileParagrafo);
        s->SetSet(this);
        s->Reset();
        s->SetSubtype(1);
        s->SetName(i == 0 ? "[nessuno stile]" : "[nessuno stile tabella]");
        if (i == 1) {
            s->SetWord(86, 0);
            s->SetWord(88, 0);
        }
        RegisterObject(stileParagrafo, i, std::move(s));
    }
}

TNYXoggetto* TNYXset::DefaultStyle(int which) const {
    return (which == 0 || which == 1) ? ObjectAt(stileParagrafo, which) : nullptr;
}

void TNYXset::AttachView(TNYXview* v) {
    if (v) views_.push_back(v);
}

void TNYXset::DetachView(TNYXview* v) { std::erase(views_, v); }

void TNYXset::FireBeforeNew() {
    for (auto& f : onBeforeNew)
        if (f) f();
}

void TNYXset::FireAfterNew() {
    for (auto& f : onAfterNew)
        if (f) f();
}

// --- working folder -----------------------------------------------------------

const fs::path& TNYXset::WorkFolder() {
    if (!workFolder_.empty() && fs::is_directory(workFolder_)) return workFolder_;
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "quor-%08X_%08X-", platform::env().InstanceId(),
                  static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this)));
    std::string tmpl = (platform::env().TempFolder() / (std::string(prefix) + "XXXXXX")).string();
    if (mkdtemp(tmpl.data())) workFolder_ = tmpl;  // mode 0700
    return workFolder_;
}

fs::path TNYXset::UniqueWorkFileName(std::string_view name) {
    // Only the last part of the name is used, so a name taken from a file
    // cannot lead outside the working folder.
    std::string base = BaseName(name);
    if (base.empty() || base == "." || base == "..") base = "file";
    for (char& c : base)
        if (c == '\0') c = '_';
    const fs::path folder = WorkFolder();
    fs::path p = folder / base;
    std::error_code ec;
    const std::string ext = Extension(base);
    while (fs::exists(fs::symlink_status(p, ec))) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "re%03X%03X", RandomBelow(0x1000), RandomBelow(0x1000));
        p = folder / (buf + ext);
    }
    return p;
}

}  // namespace model
