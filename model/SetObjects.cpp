// Finding objects, styles, aliases, links to other hypertexts, URLs, files,
// prototypes, the tree holders and the picture cache of a hypertext.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "model/Fields.h"
#include "model/LoadedFile.h"
#include "model/NYXset.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace fs = std::filesystem;
using platform::text::Lower;
using platform::text::Upper;

TNYXoggetto* TNYXset::ObjectInPage(const TNYXtesto* page, std::int32_t ref) const {
    const std::uint32_t u = static_cast<std::uint32_t>(ref);
    if (u < 0x08000000u) return ObjectByRef(ref);
    if (u >= kPageLocalBase && u <= 0x6FFFFFFFu) {
        if (!page) return nullptr;
        const std::size_t i = u - kPageLocalBase;
        return i < page->LocalObjects().size() ? page->LocalObjects()[i].get() : nullptr;
    }
    return nullptr;
}

TNYXoggetto* TNYXset::FindByName(const TNYXoggetto& obj) const {
    const int t = obj.Type();
    if (t < 0 || t >= kTypeCount) return nullptr;
    const std::string want = Lower(obj.GetName());
    for (const auto& o : tables_[t])
        if (o && !o->IsEmpty() && Lower(o->GetName()) == want) return o.get();
    return nullptr;
}

// --- styles -------------------------------------------------------------------------

int TNYXset::StyleIndex(std::string_view name) const {
    const std::string want = Lower(name);
    const auto& table = tables_[stileParagrafo];
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] && !table[i]->IsEmpty() && Lower(table[i]->GetName()) == want) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> TNYXset::StyleNames() const {
    std::vector<std::string> names;
    for (const auto& o : tables_[stileParagrafo])
        if (o && !o->IsEmpty()) names.push_back(o->GetName());
    return names;
}

TNYXoggetto* TNYXset::StyleByName(std::string_view name) const {
    const std::string want = Upper(name);
    for (const auto& o : tables_[stileParagrafo])
        if (o && !o->IsEmpty() && Upper(o->GetName()) == want) return o.get();
    return nullptr;
}

std::string TNYXset::UniqueStyleName(std::string_view name) const {
    if (!StyleExists(name)) return std::string(name);
    for (int n = 1;; ++n) {
        const std::string joined = std::string(name) + std::to_string(n);
        const std::string spaced = std::string(name) + " " + std::to_string(n);
        if (!StyleExists(joined) && !StyleExists(spaced)) return spaced;
    }
}

void TNYXset::RenameStyleDuplicates() {
    auto& table = tables_[stileParagrafo];
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!table[i] || table[i]->IsEmpty()) continue;
        const std::string low = Lower(table[i]->GetName());
        bool earlier = false;
        for (std::size_t j = 0; j < i && !earlier; ++j)
            earlier = table[j] && !table[j]->IsEmpty() && Lower(table[j]->GetName()) == low;
        if (earlier) table[i]->SetName(UniqueStyleName(table[i]->GetName()));
    }
}

// --- aliases and links ------------------------------------------------------------------

std::string TNYXset::PageAlias(const TNYXoggetto& page) {
    const std::string* s = page.SecondStream();
    if (!s || s->size() < 8) return {};
    const std::int32_t n = bytes::GetI32(*s, 4);
    if (n <= 0) return {};
    return s->substr(8, std::min<std::size_t>(static_cast<std::size_t>(n), s->size() - 8));
}

TNYXtesto* TNYXset::PageByAlias(std::string_view alias) const {
    const std::string want = Upper(alias);
    for (const auto& o : tables_[testoHtml])
        if (o && !o->IsEmpty() && Upper(PageAlias(*o)) == want) return static_cast<TNYXtesto*>(o.get());
    return nullptr;
}

HypertextLink TNYXset::ParseHypertextLink(std::string_view text) const {
    HypertextLink link;
    if (text.rfind("quor:", 0) != 0) return link;
    link.isLink = true;
    const std::size_t start = text.rfind("quor://", 0) == 0 ? 7 : 5;
    const std::size_t bar = text.find('|', start);
    const std::string filePart(text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    // Stored names use "\" as the folder separator.
    std::string posix = platform::text::Cp1252ToUtf8(filePart);
    std::replace(posix.begin(), posix.end(), '\\', '/');
    link.sameFile = !fileName_.empty() && posix == fileName_.string();
    const bool hasDrive = posix.size() >= 2 && posix[1] == ':';
    if (!link.sameFile && !hasDrive && !posix.empty() && posix[0] != '/' && !fileName_.empty())
        link.file = fileName_.parent_path() / posix;
    else
        link.file = posix;
    if (bar == std::string_view::npos) {
        link.page = HInt(hdr::kCoverPage);
    } else {
        std::string_view num = text.substr(bar + 1, 12);
        if (num.empty()) {
            link.page = -2;
        } else {
            std::int64_t v = 0;
            bool ok = true, neg = false;
            std::size_t i = 0;
            if (num[0] == '-' || num[0] == '+') {
                neg = num[0] == '-';
                i = 1;
            }
            if (i >= num.size()) ok = false;
            for (; ok && i < num.size(); ++i) {
                if (num[i] < '0' || num[i] > '9') ok = false;
                else v = v * 10 + (num[i] - '0');
            }
            link.page = (!ok || neg) ? 0 : v;
        }
    }
    return link;
}

std::string TNYXset::ForeignPageFileName(const fs::path& file, std::int64_t page, std::string_view suffix) {
    auto f = LoadedFile::Open(file);
    std::uint8_t h[kHeaderSize];
    if (!f || f->size() < kHeaderSize || !f->ReadAt(0, kHeaderSize, h)) return {};
    const int version = static_cast<std::int16_t>(bytes::U16(h, kHeaderSize, hdr::kVersion));
    if (version < 2) return "LinkToOldHypertext" + std::string(suffix);
    const std::string prefix = bytes::Str(h, kHeaderSize, hdr::kExportPrefix, hdr::kPrefixCap);
    if (page == bytes::I32(h, kHeaderSize, hdr::kCoverPage)) return prefix + "_index" + std::string(suffix);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%06llX", static_cast<unsigned long long>(page & 0xFFFFFF));
    return prefix + "_" + hex + std::string(suffix);
}

std::unique_ptr<TNYXoggetto> TNYXset::NewURL(std::string_view text) {
    auto url = MakeObject(internetLink);
    url->SetSet(this);
    url->Reset();
    url->MakeNew();
    url->SetName(text);
    std::uint8_t sub = 4;
    if (text.rfind("quor:", 0) == 0) sub = 6;
    if (text.rfind("http:", 0) == 0) sub = 7;
    if (text.rfind("mailto:", 0) == 0) sub = 8;
    url->SetSubtype(sub);
    return url;
}

// --- files -------------------------------------------------------------------------------

TNYXoggetto* TNYXset::AddFile(const fs::path& path, TNYXoggetto* obj) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return nullptr;
    std::unique_ptr<TNYXoggetto> fresh;
    if (!obj) {
        fresh = MakeObject(genLink);
        obj = fresh.get();
    }
    if (!obj->Registered()) {
        if (obj->Type() != genLink) obj->SetType(genLink);
        obj->SetSet(this);
    } else if (!obj->ExternalPath().empty() && obj->ExternalPath() != path) {
        // Only a file this hypertext extracted into its own folder is deleted.
        const fs::path folder = WorkFolder();
        if (!folder.empty() && obj->ExternalPath().parent_path() == folder) fs::remove(obj->ExternalPath(), ec);
    }
    obj->Reset();
    obj->MakeNew();
    const std::string name = UniqueFileName(platform::text::Utf8ToCp1252(path.filename().string()));
    const fs::path copy = UniqueWorkFileName(path.filename().string());
    if (copy.empty() || !fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec)) return nullptr;
    obj->SetExternalPath(copy);
    obj->SetStr(filerec::kName, filerec::kNameCap, name);
    obj->SetSubtype(4);
    obj->SetInt(filerec::kSize, static_cast<std::int32_t>(std::min<std::uintmax_t>(fs::file_size(copy, ec), 0x7FFFFFFF)));
    if (!obj->Registered()) {
        if (RegisterObject(genLink, -1, fresh ? std::move(fresh) : std::unique_ptr<TNYXoggetto>(obj)) < 0)
            return nullptr;
    }
    return obj;
}

// --- prototypes -----------------------------------------------------------------------

int TNYXset::CopyPrototype(const TNYXoggetto& src, bool replace, TNYXoggetto** copyOut) {
    if (copyOut) *copyOut = nullptr;
    if (src.Type() != custom || src.IsEmpty()) return 0;
    TNYXoggetto* target = nullptr;
    const std::string want = Upper(src.GetName());
    for (const auto& o : tables_[custom])
        if (o && !o->IsEmpty() && Upper(o->GetName()) == want) {
            target = o.get();
            break;
        }
    if (target && !replace) {
        if (copyOut) *copyOut = target;
        return 1;
    }
    if (!target) target = NewObject(custom);
    if (!target) return 0;

    std::string stream;
    src.ReadFirstStream(stream);
    std::int32_t b = stream.size() >= 4 ? bytes::GetI32(stream, 0) : 0;
    if (b < 0 || static_cast<std::size_t>(b) > stream.size() - std::min<std::size_t>(4, stream.size())) b = 0;
    const std::size_t n = static_cast<std::size_t>(b) / 4;
    std::string out;
    bytes::PutI32(out, static_cast<std::int32_t>(4 * n));
    int result = 2;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t ref = bytes::GetI32(stream, 4 + 4 * i);
        TNYXoggetto* file = src.Set() ? src.Set()->ObjectByRef(ref) : nullptr;
        std::int32_t mine = 0;
        if (file && file->Type() == genLink && !file->IsEmpty()) {
            if (TNYXoggetto* same = FindByName(*file)) {
                mine = same->Reference();
                result = 3;
            } else {
                // Through a file of its own, so the source keeps its contents.
                const fs::path tmp = UniqueWorkFileName(platform::text::Cp1252ToUtf8(file->GetName()));
                if (file->WriteContentsTo(tmp)) {
                    TNYXoggetto* added = NewObject(genLink);
                    added->SetExternalPath(tmp);
                    added->SetStr(filerec::kName, filerec::kNameCap, file->GetName());
                    added->SetSubtype(4);
                    added->SetInt(filerec::kSize, file->Int(filerec::kSize));
                    mine = added->Reference();
                }
            }
        }
        bytes::PutI32(out, mine);
    }
    out += stream.substr(std::min(stream.size(), 4 + static_cast<std::size_t>(b)));
    target->SetFirstStream(out);
    if (src.SecondStream()) target->SetSecondStream(*src.SecondStream());
    else target->DropSecondStream();
    std::memcpy(target->Data(), src.Data(), 80);
    SetModified(true);
    if (copyOut) *copyOut = target;
    return result;
}

// --- tree holders -----------------------------------------------------------------------

TNYXoggetto* TNYXset::TreeHolder(int headerOffset) {
    const std::int32_t ref = HInt(headerOffset);
    if (ref != 0) {
        // A stored holder is trusted only while its slot still holds a tree holder.
        TNYXoggetto* o = ObjectByRef(ref);
        if (o && o->Type() == shortObj && o->Subtype() == 10) return o;
    }
    TNYXoggetto* holder = NewObject(shortObj);
    if (!holder) return nullptr;
    holder->SetSubtype(10);
    SetHInt(headerOffset, holder->Reference());
    return holder;
}

// --- picture cache -----------------------------------------------------------------------

std::shared_ptr<const TNYXpicture> TNYXset::CachedPicture(const TNYXoggetto& picture) const {
    for (const auto& [obj, loaded] : cache_)
        if (obj == &picture) return loaded;
    return nullptr;
}

void TNYXset::CachePicture(const TNYXoggetto& picture, std::shared_ptr<const TNYXpicture> loaded) {
    if (picture.Type() != immagine) {
        platform::ui().Error("What happens? Image cache bug?");
        return;
    }
    if (CachedPicture(picture)) return;
    cache_.emplace_back(&picture, std::move(loaded));
    while (cache_.size() > std::max<std::size_t>(1, maxCacheImg)) cache_.erase(cache_.begin());
}

void TNYXset::UncachePicture(const TNYXoggetto& picture) {
    std::erase_if(cache_, [&](const auto& e) { return e.first == &picture; });
}

}  // namespace model
