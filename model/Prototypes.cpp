#include "model/Prototypes.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <set>
#include <system_error>

#include "model/Bytes.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/TextLines.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace model {

namespace {

constexpr const char* kIncorrectUsage = "incorrect usage";
constexpr const char* kGroupNotEmpty = "Gruppo non vuoto!";
constexpr const char* kImportFailed = "Errore importando un prototipo";
constexpr const char* kAlreadyIncluded = "Questo prototipo è già incluso.";
constexpr const char* kFilesReused =
    "Qualche file associato al prototipo risulta già presente, quindi non è stato copiato.";
constexpr const char* kFromEditedFile = "(impossibile importare da file in edit)";
constexpr const char* kSaveCurrent = "Salvo la libreria corrente?";
constexpr const char* kReportCaption = "Report errori:";
constexpr const char* kFileInUse = "Non posso cancellare, questo file è usato da:";
constexpr const char* kDeletedFile = "[X] Cancellato";
constexpr const char* kNewPrototype = "Nuovo prototipo";
constexpr const char* kNewGroup = "Nuovo gruppo";

constexpr int kNameOff = 17, kNameCap = 40, kQuickAccessOff = 59;
constexpr int kCompPrototypeOff = 17, kCompWidthOff = 33, kCompHeightOff = 35, kCompPercentOff = 37;
constexpr std::uint8_t kCustomComponent = 6;

using lines::Lines;
using lines::Number;

// The pairs of a stored list: int32 N, then lines; N is cut to the lines present.
std::vector<std::pair<std::string_view, std::string_view>> Pairs(std::string_view stream) {
    std::vector<std::pair<std::string_view, std::string_view>> out;
    if (stream.size() < 4) return out;
    const std::int32_t n = bytes::GetI32(stream, 0);
    const std::vector<std::string_view> lines = Lines(stream.substr(4));
    const std::size_t count = n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), lines.size());
    for (std::size_t i = 0; i + 1 < count; i += 2) out.emplace_back(lines[i], lines[i + 1]);
    return out;
}

// A line break inside a name or value would shift every later line.
void PutLine(std::string& out, std::string_view text) {
    for (char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
    out += "\r\n";
}

std::string Lower(std::string_view s) { return platform::text::Lower(s); }

// Where the file list ends and the parameters begin; false when the first
// stream holds neither.
bool SplitFirstStream(const std::string& s, std::size_t& listLen) {
    if (s.size() < 5) return false;
    const std::int32_t l = bytes::GetI32(s, 0);
    if (l < 0 || static_cast<std::size_t>(l) > s.size() - 4) return false;
    listLen = static_cast<std::size_t>(l);
    return true;
}

bool IsFile(const TNYXoggetto* o) { return o && o->Type() == genLink && !o->IsEmpty(); }

void TrimTrailingZeros(std::vector<std::int32_t>& files) {
    while (!files.empty() && files.back() == 0) files.pop_back();
}

}  // namespace

// --- property list -------------------------------------------------------------------------------

std::string_view PropTypeCaption(int type) {
    static constexpr std::string_view kCaptions[kPropTypeCount] = {
        "",          "Stringa",    "Numero", "Colore",   "Nome font", "Stile font",
        "Pagina",    "Immagine",   "File nell'album interno",         "File esterni o http://",
    };
    return type >= 0 && type < kPropTypeCount ? kCaptions[type] : std::string_view();
}

bool TPropList::Check(Mode wanted) const {
    if (mode == wanted) return true;
    platform::ui().Warning(kIncorrectUsage);
    return false;
}

const TProp* TPropList::Find(std::string_view name) const {
    const std::string key = Lower(name);
    for (const TProp& p : entries_)
        if (Lower(p.name) == key) return &p;
    return nullptr;
}

std::string TPropList::UniqueName(std::string_view base) const {
    if (!Find(base)) return std::string(base);
    for (unsigned n = 1;; ++n) {
        std::string candidate = std::string(base) + std::to_string(n);
        if (!Find(candidate)) return candidate;
    }
}

void TPropList::LoadDefinitions(std::string_view stream) {
    entries_.clear();
    for (const auto& [name, type] : Pairs(stream)) {
        if (Find(name)) continue;
        entries_.push_back({std::string(name), Number(type).value_or(propNone), std::string()});
    }
}

TProp* TPropList::NewParameter() { return AddParameter(kNewName, propString); }

TProp* TPropList::AddParameter(std::string_view name, int type) {
    if (!Check(Mode::Definition)) return nullptr;
    entries_.push_back({UniqueName(name), type, std::string()});
    return &entries_.back();
}

bool TPropList::Rename(std::size_t i, std::string_view name) {
    if (!Check(Mode::Definition) || i >= entries_.size()) return false;
    const TProp* other = Find(name);
    if (other && other != &entries_[i]) return false;
    entries_[i].name = std::string(name);
    return true;
}

bool TPropList::SetType(std::size_t i, int type) {
    if (!Check(Mode::Definition) || i >= entries_.size()) return false;
    entries_[i].type = type;
    return true;
}

bool TPropList::Remove(std::size_t i) {
    if (!Check(Mode::Definition) || i >= entries_.size()) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

bool TPropList::SaveDefinitions(std::string& out) const {
    if (!Check(Mode::Definition)) return false;
    bytes::PutI32(out, static_cast<std::int32_t>(2 * entries_.size()));
    for (const TProp& p : entries_) {
        PutLine(out, p.name);
        PutLine(out, std::to_string(p.type));
    }
    return true;
}

bool TPropList::SetValue(std::string_view name, std::string_view value) {
    if (!Check(Mode::Value)) return false;
    const TProp* p = Find(name);
    if (!p) return false;
    entries_[static_cast<std::size_t>(p - entries_.data())].value = std::string(value);
    return true;
}

bool TPropList::LoadValues(std::string_view stream) {
    if (!Check(Mode::Value)) return false;
    for (const auto& [name, value] : Pairs(stream))
        if (const TProp* p = Find(name)) entries_[static_cast<std::size_t>(p - entries_.data())].value = value;
    return true;
}

bool TPropList::SaveValues(std::string& out) const {
    if (!Check(Mode::Value)) return false;
    bytes::PutI32(out, static_cast<std::int32_t>(2 * entries_.size()));
    for (const TProp& p : entries_) {
        PutLine(out, Lower(p.name));
        PutLine(out, p.value);
    }
    return true;
}

// --- prototype records ---------------------------------------------------------------------------

std::string_view PrototypeKindCaption(int kind) {
    static constexpr std::string_view kKinds[kPrototypeKindCount] = {
        "Invisibile", "Oggetto ridimensionabile", "Casella edit", "Memo - box di edit", "Bottone radio",
        "Bottone check", "Lista", "Combo", "Testo",
    };
    return kind >= 1 && kind <= kPrototypeKindCount ? kKinds[kind - 1] : std::string_view();
}

std::vector<std::int32_t> PrototypeFiles(const TNYXoggetto& prototype) {
    std::vector<std::int32_t> files;
    std::string s;
    std::size_t len = 0;
    if (!prototype.ReadFirstStream(s) || !SplitFirstStream(s, len)) return files;
    for (std::size_t off = 4; off + 4 <= 4 + len; off += 4) files.push_back(bytes::GetI32(s, off));
    return files;
}

TPropList PrototypeParameters(const TNYXoggetto& prototype) {
    TPropList list(TPropList::Mode::Definition);
    std::string s;
    std::size_t len = 0;
    if (prototype.ReadFirstStream(s) && SplitFirstStream(s, len))
        list.LoadDefinitions(std::string_view(s).substr(4 + len));
    return list;
}

TPrototypeContent ReadPrototype(const TNYXoggetto& prototype) {
    TPrototypeContent c;
    c.kind = prototype.Subtype();
    c.quickAccess = prototype.Byte(kQuickAccessOff) == 1;
    c.files = PrototypeFiles(prototype);
    c.parameters = PrototypeParameters(prototype);
    if (const std::string* second = prototype.SecondStream(); second && second->size() >= 4) {
        const std::int32_t lead = bytes::GetI32(*second, 0);
        if (lead >= 0 && static_cast<std::size_t>(lead) <= second->size() - 4) {
            c.editorData = second->substr(4, static_cast<std::size_t>(lead));
            c.html = second->substr(4 + static_cast<std::size_t>(lead));
        }
    }
    return c;
}

void WritePrototype(TNYXoggetto& prototype, const TPrototypeContent& c) {
    // Kind 0 would make the prototype empty.
    const int kind = c.kind >= 1 && c.kind <= kPrototypeKindCount ? c.kind : 1;
    prototype.SetSubtype(static_cast<std::uint8_t>(kind));
    prototype.SetByte(kQuickAccessOff, c.quickAccess ? 1 : 0);
    std::string first;
    bytes::PutI32(first, static_cast<std::int32_t>(4 * c.files.size()));
    for (std::int32_t f : c.files) bytes::PutI32(first, f);
    TPropList defs = c.parameters;
    defs.mode = TPropList::Mode::Definition;
    defs.SaveDefinitions(first);
    prototype.SetFirstStream(std::move(first));
    std::string second;
    bytes::PutI32(second, static_cast<std::int32_t>(c.editorData.size()));
    second += c.editorData;
    second += c.html;
    prototype.SetSecondStream(std::move(second));
    if (prototype.Set()) prototype.Set()->SetModified(true);
}

// --- custom components ---------------------------------------------------------------------------

std::unique_ptr<TNYXoggetto> MakeCustomComponent(TNYXset& pageSet, const TNYXoggetto& prototype,
                                                 const TPropList& values, int width, int height, bool percent) {
    if (prototype.Type() != custom || prototype.IsEmpty()) return nullptr;
    const TNYXoggetto* proto = nullptr;
    if (prototype.Set() == &pageSet && prototype.Registered()) {
        proto = &prototype;
    } else {
        TNYXoggetto* copy = nullptr;
        if (pageSet.CopyPrototype(prototype, true, &copy) == 0 || !copy) return nullptr;
        proto = copy;
    }
    std::unique_ptr<TNYXoggetto> comp = MakeObject(multiMedia);
    comp->SetSet(&pageSet);
    comp->Reset();
    comp->MakeNew();
    comp->SetSubtype(kCustomComponent);
    comp->SetInt(kCompPrototypeOff, proto->Reference());
    comp->SetWord(kCompWidthOff, static_cast<std::uint16_t>(std::clamp(width, 0, 0xFFFF)));
    comp->SetWord(kCompHeightOff, static_cast<std::uint16_t>(std::clamp(height, 0, 0xFFFF)));
    comp->SetByte(kCompPercentOff, percent ? 1 : 0);
    TPropList list = PrototypeParameters(*proto);
    list.mode = TPropList::Mode::Value;
    for (const TProp& p : values.Entries()) list.SetValue(p.name, p.value);  // unknown names are dropped
    std::string first;
    list.SaveValues(first);
    comp->SetFirstStream(std::move(first));
    return comp;
}

TNYXoggetto* ComponentPrototype(const TNYXset& set, const TNYXoggetto& component) {
    if (component.Type() != multiMedia || component.Subtype() != kCustomComponent) return nullptr;
    const std::int32_t ref = component.Int(kCompPrototypeOff);
    if (RefType(ref) != custom) return nullptr;
    TNYXoggetto* p = set.ObjectByRef(ref);
    return p && p->Type() == custom && !p->IsEmpty() ? p : nullptr;
}

TPropList ComponentValues(const TNYXset& set, const TNYXoggetto& component) {
    TPropList list(TPropList::Mode::Value);
    const TNYXoggetto* proto = ComponentPrototype(set, component);
    if (!proto) return list;
    list = PrototypeParameters(*proto);
    list.mode = TPropList::Mode::Value;
    std::string s;
    if (component.ReadFirstStream(s)) list.LoadValues(s);
    return list;
}

// --- the library ------------------------------------------------------------------------------------

TPrototypeLibrary::TPrototypeLibrary(TNYXset& library) : lib_(library), tree_(&library, custom) {
    tree_.OnDel = [this](TNYXtreeNode& node) { return OnDelete(node); };
}

bool TPrototypeLibrary::Open(const fs::path& file) {
    edited_ = kNoRef;
    edit = TPrototypeContent{};
    std::error_code ec;
    if (fs::exists(file, ec)) {
        const bool ok = lib_.LoadFromFile(file);
        tree_.Reload();
        return ok;
    }
    lib_.NewHypertext();
    tree_.Reload();
    if (TNYXtreeNode* root = tree_.RootNode())
        root->text = platform::text::Utf8ToCp1252(file.filename().string());
    return SaveAs(file);
}

bool TPrototypeLibrary::AskSaveCurrent() {
    switch (platform::ui().AskYesNoCancel(kSaveCurrent)) {
        case platform::Answer::Cancel: return false;
        case platform::Answer::Yes: return Save();
        case platform::Answer::No: return true;
    }
    return false;
}

bool TPrototypeLibrary::SaveAs(const fs::path& file) {
    tree_.Store();
    return lib_.SaveToFile(file, 2);
}

bool TPrototypeLibrary::Save() {
    const fs::path file = lib_.NYXFileName();  // a copy: saving reloads the hypertext
    return SaveAs(file);
}

TNYXtreeNode* TPrototypeLibrary::GroupForInsert() {
    TNYXtreeNode* s = tree_.Selected();
    if (s && (s->IsRoot() || s->IsChapter())) return s;
    if (s && s->Parent() && (s->Parent()->IsRoot() || s->Parent()->IsChapter())) return s->Parent();
    return tree_.RootNode();
}

TNYXoggetto* TPrototypeLibrary::NewPrototype() {
    TNYXtreeNode* group = GroupForInsert();
    TNYXoggetto* proto = lib_.NewObject(custom);
    if (!proto) return nullptr;
    proto->SetStr(kNameOff, kNameCap, kNewPrototype);
    if (group) {
        tree_.Select(group);
        if (TNYXtreeNode* n = tree_.AddObject(proto->Reference())) tree_.Select(n);
    }
    return proto;
}

TNYXtreeNode* TPrototypeLibrary::NewGroup() {
    TNYXtreeNode* group = GroupForInsert();
    if (!group) return nullptr;
    tree_.Select(group);
    TNYXtreeNode* n = tree_.AddChapter(kNewGroup);
    if (n) tree_.Select(n);
    return n;
}

bool TPrototypeLibrary::DeleteSelected() { return tree_.DeleteNode(tree_.Selected()); }

std::vector<TNYXoggetto*> TPrototypeLibrary::QuickAccess() const {
    std::vector<TNYXoggetto*> out;
    for (std::size_t i = 0; i < lib_.Count(custom); ++i) {
        TNYXoggetto* p = lib_.ObjectAt(custom, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty() && p->Byte(kQuickAccessOff) == 1) out.push_back(p);
    }
    return out;
}

bool TPrototypeLibrary::OnDelete(TNYXtreeNode& node) {
    if (node.IsChapter() && !node.Children().empty()) {
        platform::ui().Warning(kGroupNotEmpty);
        return false;
    }
    TNYXoggetto* proto = tree_.NodeObject(node);
    if (!proto) return true;
    // The files of a prototype, with those of the edit state when it is the one being edited.
    auto filesOf = [&](const TNYXoggetto& p) {
        std::vector<std::int32_t> f = PrototypeFiles(p);
        if (p.Reference() == edited_) f.insert(f.end(), edit.files.begin(), edit.files.end());
        return f;
    };
    std::set<std::int32_t> own;
    for (std::int32_t f : filesOf(*proto))
        if (f != 0) own.insert(f);
    for (std::size_t i = 0; i < lib_.Count(custom) && !own.empty(); ++i) {
        TNYXoggetto* other = lib_.ObjectAt(custom, static_cast<std::int64_t>(i));
        if (!other || other == proto || other->IsEmpty()) continue;
        for (std::int32_t f : filesOf(*other)) own.erase(f);
    }
    for (std::int32_t f : own) {
        TNYXoggetto* file = lib_.ObjectByRef(f);
        // Only embedded files: a damaged list must not empty a page or a picture.
        if (IsFile(file)) file->Reset();
    }
    if (proto->Reference() == edited_) {
        edited_ = kNoRef;
        edit = TPrototypeContent{};
    }
    proto->Reset();
    return true;
}

bool TPrototypeLibrary::Edit(TNYXoggetto* prototype) {
    if (!prototype || prototype->Set() != &lib_ || prototype->Type() != custom || prototype->IsEmpty()) return false;
    edited_ = prototype->Reference();
    edit = ReadPrototype(*prototype);
    return true;
}

TNYXoggetto* TPrototypeLibrary::Edited() const {
    if (edited_ == kNoRef) return nullptr;
    TNYXoggetto* p = lib_.ObjectByRef(edited_);
    return p && p->Type() == custom && !p->IsEmpty() ? p : nullptr;
}

bool TPrototypeLibrary::WriteEdit() {
    TNYXoggetto* p = Edited();
    if (!p) return false;
    WritePrototype(*p, edit);
    return true;
}

bool TPrototypeLibrary::Commit() {
    WriteEdit();
    const bool saved = Save();
    if (onQuickAccessChanged) onQuickAccessChanged();
    return saved;
}

std::string TPrototypeLibrary::FileCaption(std::int32_t ref) const {
    const TNYXoggetto* f = ref != 0 && RefType(ref) == genLink ? lib_.ObjectByRef(ref) : nullptr;
    return IsFile(f) ? f->GetName() : std::string(kDeletedFile);
}

bool TPrototypeLibrary::AttachLibraryFile(std::int32_t fileRef) {
    if (!Edited() || RefType(fileRef) != genLink || !IsFile(lib_.ObjectByRef(fileRef))) return false;
    if (std::find(edit.files.begin(), edit.files.end(), fileRef) != edit.files.end()) return false;
    edit.files.push_back(fileRef);
    return true;
}

TNYXoggetto* TPrototypeLibrary::AttachDiskFile(const fs::path& path) {
    if (!Edited()) return nullptr;
    TNYXoggetto* f = lib_.AddFile(path);
    if (!f) return nullptr;
    edit.files.push_back(f->Reference());
    return f;
}

bool TPrototypeLibrary::DetachFile(std::size_t entry) {
    if (entry >= edit.files.size()) return false;
    // Later entries keep their numbers ("!ReCF:" placeholders name them).
    edit.files[entry] = 0;
    TrimTrailingZeros(edit.files);
    return true;
}

bool TPrototypeLibrary::DeleteLibraryFile(std::int32_t fileRef) {
    TNYXoggetto* file = RefType(fileRef) == genLink ? lib_.ObjectByRef(fileRef) : nullptr;
    if (!IsFile(file)) return false;
    TNYXoggetto* edited = Edited();
    std::vector<TNYXoggetto*> users;
    for (int t = 0; t <= multiMedia; ++t)
        for (std::size_t i = 0; i < lib_.Count(t); ++i) {
            TNYXoggetto* o = lib_.ObjectAt(t, static_cast<std::int64_t>(i));
            if (o && o != file && !o->IsEmpty() && o->ReferenceReason(fileRef) != 0) users.push_back(o);
        }
    if (!users.empty() && !(users.size() == 1 && users[0] == edited)) {
        std::vector<std::string> lines{kFileInUse};
        for (const TNYXoggetto* u : users)
            lines.push_back("  - " + platform::text::Cp1252ToUtf8(u->DescriptionTitle()));
        platform::ui().ShowErrorList(kReportCaption, lines);
        return false;
    }
    if (edited) {
        std::replace(edit.files.begin(), edit.files.end(), fileRef, 0);
        TrimTrailingZeros(edit.files);
        // The stored list must not keep naming the slot: a new file may take it.
        std::string s;
        std::size_t len = 0;
        if (edited->ReadFirstStream(s) && SplitFirstStream(s, len)) {
            bool changed = false;
            for (std::size_t off = 4; off + 4 <= 4 + len; off += 4)
                if (bytes::GetI32(s, off) == fileRef) {
                    bytes::SetI32(reinterpret_cast<std::uint8_t*>(s.data()), s.size(), off, 0);
                    changed = true;
                }
            if (changed) edited->SetFirstStream(std::move(s));
        }
    }
    file->Reset();
    return true;
}

const TPrototypeLibrary::ImportSource& TPrototypeLibrary::OpenImportSource(const fs::path& file) {
    import_ = ImportSource{};
    source_.reset();
    const std::string ext = platform::text::Lower(file.extension().string());
    if (ext != ".nyx" && ext != ".cus") return import_;
    std::error_code ec;
    if (editedHypertext && !editedHypertext->NYXFileName().empty() &&
        fs::equivalent(file, editedHypertext->NYXFileName(), ec)) {
        import_.note = kFromEditedFile;
        return import_;
    }
    source_ = std::make_unique<TNYXset>();
    if (!source_->LoadFromFile(file)) {
        source_.reset();
        return import_;
    }
    for (std::size_t i = 0; i < source_->Count(custom); ++i) {
        TNYXoggetto* p = source_->ObjectAt(custom, static_cast<std::int64_t>(i));
        if (p && !p->IsEmpty()) import_.prototypes.push_back(p);
    }
    import_.ok = true;
    return import_;
}

int TPrototypeLibrary::Import(const TNYXoggetto& sourcePrototype, TNYXoggetto** copyOut) {
    TNYXoggetto* copy = nullptr;
    const int r = lib_.CopyPrototype(sourcePrototype, false, &copy);
    if (copyOut) *copyOut = copy;
    switch (r) {
        case 0: platform::ui().Error(kImportFailed); break;
        case 1: platform::ui().Information(kAlreadyIncluded); break;
        case 3: platform::ui().Warning(kFilesReused); break;
        default: break;
    }
    if ((r == 2 || r == 3) && copy) {
        if (TNYXtreeNode* group = GroupForInsert()) {
            tree_.Select(group);
            if (TNYXtreeNode* n = tree_.AddObject(copy->Reference())) tree_.Select(n);
        }
    }
    return r;
}

}  // namespace model
