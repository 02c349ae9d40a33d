#include "model/NYXoggetto.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "model/Fields.h"
#include "model/LoadedFile.h"
#include "model/NYXset.h"
#include "model/Prototypes.h"
#include "model/TextLines.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace {

struct NameField {
    int off;
    int cap;
};

NameField NameOf(int type) {
    switch (type) {
        case testoHtml: return {5, 71};
        case internetLink: return {5, 127};
        case zipLink: case genLink: return {5, 79};
        case keyword: return {0, 79};
        case immagine: return {5, 71};
        case programma: return {5, 75};
        case mappaFrame: return {5, 79};
        case custom: return {17, 40};
        case dbloc: return {17, 15};
        case immagineNew: return {28, 32};
        case stileParagrafo: case fontFace: return {5, 32};
        case inputStat: case inputDin: case bottoneCGI: return {17, 79};
        case inizioForm: return {17, 255};
        default: return {-1, 0};
    }
}

NameField FileNameOf(int type) {
    switch (type) {
        case zipLink: case genLink: return {5, 79};
        case immagine: case mappaClic: return {94, 75};
        case programma: return {81, 127};
        default: return {-1, 0};
    }
}

int StampOffset(int type) {
    switch (type) {
        case testoHtml: return pagerec::kStamp;
        case zipLink: case genLink: return filerec::kStamp;
        case immagine: case mappaClic: return picturerec::kStamp;
        default: return -1;
    }
}

constexpr std::uint64_t kCopyChunk = 1 << 20;

bool CopyFileBytes(const std::filesystem::path& from, std::ostream& out) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::string buf(kCopyChunk, '\0');
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::streamsize got = in.gcount();
        if (got > 0) out.write(buf.data(), got);
        if (!out) return false;
    }
    return in.eof();
}

std::string Hex8(std::uint32_t v) {
    char b[9];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

}  // namespace

TNYXoggetto::TNYXoggetto() { data_.fill(0xFF); }
TNYXoggetto::~TNYXoggetto() {
    if (set_ && type_ == immagine) set_->UncachePicture(*this);
    if (set_ && inNameIndex) set_->NoteFileName(*this, false);
}

void TNYXoggetto::FileNameMayHaveChanged() {
    if (set_) set_->NoteFileName(*this, registered_);
}

void TNYXoggetto::SetType(int t) {
    if (type_ != testoHtmlRtf && registered_ && set_) {
        // Leaves the old slot without an object; whoever owned it keeps this one.
        auto owned = set_->ClearSlot(type_, index_);
        owned.release();
        registered_ = false;
    }
    if (set_ && inNameIndex) set_->NoteFileName(*this, false);
    type_ = static_cast<std::uint8_t>(t);
}

bool TNYXoggetto::IsEmpty() const {
    switch (type_) {
        case testoHtml: case immagine: return Subtype() == 3;
        case internetLink: case genLink: return Subtype() == 5;
        case keyword: return Str(0, 79) == "-";
        case programma: case mappaFrame: return Subtype() == 1;
        case zipLink: case mappaClic: case spazio4: case spazio5: case none: case testoHtmlRtf: return false;
        default: return Subtype() == 0;
    }
}

void TNYXoggetto::ResetLinkAt(std::size_t off) {
    if (!set_) return;
    std::int32_t r = Int(off);
    if (r == kNoRef || RefType(r) != speclink) return;
    TNYXoggetto* link = set_->ObjectByRef(r);
    if (link && link != this && link->Type() == speclink) link->Reset();
}

void TNYXoggetto::ResetOwned() {
    if (type_ == immagine && set_) set_->UncachePicture(*this);
    ForEachLinkField(*this, luOwned, [&](const TLinkField&, std::size_t off) { ResetLinkAt(off); });
}

void TNYXoggetto::Reset() {
    ResetOwned();
    const std::int32_t counter = set_ ? set_->SaveCounter() : 0;
    data_.fill(0xFF);
    externalPath_.clear();
    first_.reset();
    lazyFile_.reset();
    lazyOffset_ = lazySize_ = 0;
    second_.reset();
    switch (type_) {
        case testoHtml:
            SetSubtype(3);
            SetStr(pagerec::kTitle, pagerec::kTitleCap, "Senza titolo");
            if (set_) {
                SetInt(pagerec::kBackColour, set_->HInt(hdr::kBackColor));
                SetInt(pagerec::kBackPicture, set_->HInt(hdr::kBackPicture));
                SetInt(pagerec::kTextColour, set_->HInt(hdr::kTextColor));
                SetInt(pagerec::kLinkColour, set_->HInt(hdr::kLinkColor));
                SetInt(pagerec::kVisitedColour, set_->HInt(hdr::kVisitedColor));
            } else {
                SetInt(pagerec::kBackColour, 12632256);
                SetInt(pagerec::kTextColour, 0);
                SetInt(pagerec::kLinkColour, 16711680);
                SetInt(pagerec::kVisitedColour, 255);
            }
            SetByte(200, 0);
            SetByte(pagerec::kMarkupVersion, pagerec::kCurrentMarkup);
            SetInt(pagerec::kStamp, counter);
            SetWord(pagerec::kNewWord, 1040);
            SetByte(pagerec::kNewFlag, 1);
            break;
        case internetLink:
        case genLink:
            SetSubtype(5);
            SetInt(filerec::kStamp, counter);
            break;
        case keyword:
            SetStr(0, 79, "-");
            break;
        case immagine:
            SetSubtype(3);
            SetByte(666, 0);
            SetInt(picturerec::kStamp, counter);
            break;
        case programma:
            SetSubtype(1);
            break;
        case mappaFrame:
            SetSubtype(1);
            SetStr(5, 79, "Map");
            break;
        case tabellaHtml:
            SetSubtype(0);
            for (int i = 5; i < 55; ++i) SetByte(i, 1);  // every column of fixed width
            SetByte(55, 1);
            SetByte(88, 100);
            SetByte(89, 100);
            SetByte(90, 2);
            SetByte(91, 2);
            SetByte(92, 0);
            SetByte(93, 1);
            SetByte(94, 1);
            SetWord(95, 0);
            for (int i = 97; i < 197; ++i) SetByte(i, 0);
            SetInt(197, 0);
            SetInt(201, 0);
            SetWord(205, 0);
            SetInt(207, -1);
            SetInt(211, static_cast<std::int32_t>(0x80000014u));
            SetInt(215, static_cast<std::int32_t>(0x80000010u));
            SetByte(219, 2);
            break;
        case speclink:
            SetSubtype(0);
            SetStr(linkrec::kWindowName, linkrec::kWindowNameCap, "Ky");
            break;
        case custom:
            SetSubtype(0);
            SetStr(17, 40, "Nuovo prototipo");
            break;
        case dbloc:
            SetSubtype(0);
            SetByte(46, 0);
            SetStr(17, 15, "db");
            break;
        case stileParagrafo:
            data_.fill(0);
            SetSubtype(0);
            SetStr(39, 32, "Times New Roman");
            SetWord(72, 12);
            SetWord(86, 10);
            SetWord(88, 10);
            SetWord(94, 0x8300);
            SetByte(98, 1);
            SetWord(79, 0xFFFF);
            SetInt(81, 16711680);
            SetByte(85, 4);
            break;
        case shortObj: case fontFace: case immagineNew: case formato: case inputStat: case inputDin:
        case bottoneCGI: case inizioForm: case multiMedia:
            SetSubtype(0);
            break;
        default:
            break;
    }
    if (registered_ && set_) {
        set_->SetModified(true);
        set_->NoteEmptySlot(type_, index_);
    }
    FileNameMayHaveChanged();
}

void TNYXoggetto::MakeNew() {
    int sub = NewSubtype(type_);
    if (sub >= 0) SetSubtype(static_cast<std::uint8_t>(sub));
    SetStamp(set_ ? set_->SaveCounter() : 0);
    if (type_ == testoHtml) SetFirstStream(std::string("<Z S0 >\0", 8));
}

void TNYXoggetto::Register(std::int32_t index) {
    if (registered_ || !set_) return;
    set_->RegisterObject(type_, index, this);
}

std::string TNYXoggetto::GetName() const {
    NameField f = NameOf(type_);
    return f.off < 0 ? std::string() : Str(f.off, f.cap);
}

void TNYXoggetto::SetName(std::string_view name) {
    NameField f = NameOf(type_);
    if (f.off >= 0) SetStr(f.off, f.cap, name);
}

std::string TNYXoggetto::GetFileName() const {
    NameField f = FileNameOf(type_);
    return f.off < 0 ? std::string() : Str(f.off, f.cap);
}

void TNYXoggetto::SetFileName(std::string_view name) {
    NameField f = FileNameOf(type_);
    if (f.off < 0) return;
    std::string unique = set_ ? set_->UniqueFileName(name) : std::string(name);
    // A name this object already carries is not a clash with itself.
    if (set_ && unique != name && platform::text::Lower(GetFileName()) == platform::text::Lower(name))
        unique = std::string(name);
    SetStr(f.off, f.cap, unique);
}

std::int32_t TNYXoggetto::GetStamp() const {
    int off = StampOffset(type_);
    if (off < 0) return set_ ? set_->SaveCounter() : 0;
    return Int(off);
}

void TNYXoggetto::SetStamp(std::int32_t stamp) {
    int off = StampOffset(type_);
    if (off >= 0) SetInt(off, stamp);
}

std::int64_t TNYXoggetto::ListSize() const {
    switch (type_) {
        case testoHtml: return static_cast<std::int64_t>(FirstStreamSize());
        case zipLink: case genLink: return Int(filerec::kSize);
        case immagine: return first_ ? static_cast<std::int64_t>(first_->size()) : Int(174);
        case custom: return static_cast<std::int64_t>(Int(13)) + Int(76);
        case dbloc: return static_cast<std::int64_t>(Int(13)) + Int(42);
        default: return 0;
    }
}

std::uint64_t TNYXoggetto::FirstStreamSize() const {
    if (first_) return first_->size();
    if (lazyFile_) return lazySize_;
    return 0;
}

bool TNYXoggetto::ReadFirstStream(std::string& out) const {
    if (first_) {
        out = *first_;
        return true;
    }
    if (lazyFile_) return lazyFile_->ReadAt(lazyOffset_, lazySize_, out);
    out.clear();
    return false;
}

void TNYXoggetto::SetFirstStream(std::string bytes) {
    first_ = std::move(bytes);
    lazyFile_.reset();
    lazyOffset_ = lazySize_ = 0;
}

void TNYXoggetto::SetFirstStreamInFile(std::shared_ptr<LoadedFile> file, std::uint64_t offset, std::uint64_t size) {
    first_.reset();
    lazyFile_ = std::move(file);
    lazyOffset_ = offset;
    lazySize_ = size;
}

void TNYXoggetto::DropFirstStream() {
    first_.reset();
    lazyFile_.reset();
    lazyOffset_ = lazySize_ = 0;
}

std::string TNYXoggetto::SecondStreamText() const {
    if (!second_ || second_->size() < 4) return {};
    std::int32_t lead = bytes::GetI32(*second_, 0);
    if (lead < 0 || static_cast<std::uint64_t>(lead) > second_->size() - 4) return {};
    return second_->substr(4 + static_cast<std::size_t>(lead));
}

std::string TNYXoggetto::AttributeValue(std::string_view name) const {
    const std::string text = SecondStreamText();
    const std::string lowText = platform::text::Lower(text);
    const std::string want = platform::text::Lower(name);
    std::size_t i = 0;
    while (i < lowText.size()) {
        while (i < lowText.size() && std::isspace(static_cast<unsigned char>(lowText[i]))) ++i;
        std::size_t start = i;
        while (i < lowText.size() && lowText[i] != '=' && !std::isspace(static_cast<unsigned char>(lowText[i]))) ++i;
        std::string key = lowText.substr(start, i - start);
        if (i >= lowText.size() || lowText[i] != '=') {
            if (i == start) ++i;
            continue;
        }
        ++i;
        std::string value;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            char q = text[i++];
            std::size_t end = text.find(q, i);
            if (end == std::string::npos) end = text.size();
            value = text.substr(i, end - i);
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
            value = text.substr(i, end - i);
            i = end;
        }
        if (key == want) return value;
    }
    return {};
}

std::filesystem::path TNYXoggetto::ExtractToFile() {
    if (!HasFirstStream()) return externalPath_;
    if (!set_) return {};
    std::string name = GetFileName();
    if (name.empty()) name = GetName();
    std::filesystem::path target = set_->UniqueWorkFileName(platform::text::Cp1252ToUtf8(name));
    if (!WriteContentsTo(target)) {
        platform::ui().Error("Lo spazio su HD potrebbe essere insufficiente! Errore nella scorporazione file: " +
                             target.string());
        return {};
    }
    DropFirstStream();
    externalPath_ = target;
    return target;
}

bool TNYXoggetto::WriteContentsTo(const std::filesystem::path& path) const {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    bool ok = true;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        if (first_) {
            out.write(first_->data(), static_cast<std::streamsize>(first_->size()));
        } else if (lazyFile_) {
            std::string buf;
            for (std::uint64_t done = 0; ok && done < lazySize_;) {
                std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, lazySize_ - done));
                ok = lazyFile_->ReadAt(lazyOffset_ + done, n, buf);
                if (ok) out.write(buf.data(), static_cast<std::streamsize>(n));
                done += n;
            }
        } else if (!externalPath_.empty()) {
            ok = CopyFileBytes(externalPath_, out);
        } else {
            ok = false;
        }
        out.flush();
        ok = ok && static_cast<bool>(out);
    }
    if (!ok) std::filesystem::remove(path, ec);
    return ok;
}

void TNYXoggetto::SaveToStream(std::string& out) const {
    bytes::PutI32(out, static_cast<std::int32_t>(index_));
    out += static_cast<char>(type_);
    out.append(reinterpret_cast<const char*>(data_.data()), kDataSize);
    const std::string path = externalPath_.string();
    bytes::PutI32(out, static_cast<std::int32_t>(path.size()));
    out += path;
    std::string first;
    bool haveFirst = false;
    if (first_ || lazyFile_) {
        haveFirst = ReadFirstStream(first);
    } else if ((type_ == genLink || type_ == immagine || type_ == immagineNew) && !externalPath_.empty()) {
        std::ifstream in(externalPath_, std::ios::binary);
        if (in) {
            first.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            haveFirst = true;
        }
    }
    bytes::PutI32(out, haveFirst ? static_cast<std::int32_t>(first.size()) : 0);
    bytes::PutI32(out, 0);
    if (haveFirst) out += first;
    bytes::PutI32(out, second_ ? static_cast<std::int32_t>(second_->size()) : 0);
    if (second_) out += *second_;
}

bool TNYXoggetto::LoadFromStream(std::string_view in, std::size_t& pos) {
    auto need = [&](std::size_t n) { return pos <= in.size() && in.size() - pos >= n; };
    if (!need(4 + 1 + kDataSize + 4)) return false;
    std::uint32_t idx = static_cast<std::uint32_t>(bytes::GetI32(in, pos));
    std::uint8_t t = static_cast<std::uint8_t>(in[pos + 4]);
    if (t >= kTypeCount) return false;
    // New contents: a decoded picture of the old ones must not be shown again.
    if (set_ && type_ == immagine) set_->UncachePicture(*this);
    pos += 5;
    if (!registered_) index_ = idx & kMaxIndex;
    if (registered_ && t != type_) {
        platform::ui().Error(
            "In un TNYXoggetto registrato si può caricare solo un TNYXoggetto dello stesso tipo!");
    }
    type_ = t;
    std::memcpy(data_.data(), in.data() + pos, kDataSize);
    pos += kDataSize;
    std::int32_t pathLen = bytes::GetI32(in, pos);
    pos += 4;
    if (pathLen < 0 || !need(static_cast<std::size_t>(pathLen))) {
        DropFirstStream();
        second_.reset();
        return false;
    }
    externalPath_ = std::string(in.substr(pos, static_cast<std::size_t>(pathLen)));
    pos += static_cast<std::size_t>(pathLen);
    auto fail = [&] {
        DropFirstStream();
        second_.reset();
        return false;
    };
    if (!need(8)) return fail();
    std::int32_t s1 = bytes::GetI32(in, pos);
    pos += 8;
    if (s1 < 0 || !need(static_cast<std::size_t>(s1))) return fail();
    if (s1 > 0) SetFirstStream(std::string(in.substr(pos, static_cast<std::size_t>(s1))));
    pos += static_cast<std::size_t>(s1);
    if (!need(4)) return fail();
    std::int32_t s2 = bytes::GetI32(in, pos);
    pos += 4;
    if (s2 < 0 || !need(static_cast<std::size_t>(s2))) return fail();
    if (s2 > 0) second_ = std::string(in.substr(pos, static_cast<std::size_t>(s2)));
    pos += static_cast<std::size_t>(s2);
    FileNameMayHaveChanged();
    return true;
}

void TNYXoggetto::Assign(const TNYXoggetto& src) {
    if (&src == this) return;
    if (src.Type() == immagine) {
        // A picture assigned to an object makes it a placed picture of that picture.
        if (type_ != immagineNew) SetType(immagineNew);
        set_ = src.set_;
        data_.fill(0xFF);
        DropFirstStream();
        second_.reset();
        SetInt(0, static_cast<std::int32_t>(src.Index()));
        SetSubtype(1);
        SetByte(13, src.Byte(89));
        SetByte(14, 0);
        SetByte(23, 0);
        SetWord(15, src.Word(85));
        SetWord(17, src.Word(87));
        SetWord(19, src.Word(85));
        SetWord(21, src.Word(87));
        SetInt(24, 16711680);
        SetStr(28, 32, src.GetName());
        SetInt(5, -1);
        SetInt(9, -1);
        bool hadZones = src.Int(662) != -1 || src.Byte(666) != 0;
        for (int i = 0; i < 480; ++i) SetByte(73 + i, hadZones ? src.Byte(182 + i) : 0xFF);
        SetInt(69, -1);
        return;
    }
    if (type_ != src.type_) SetType(src.type_);
    if (src.first_) {
        SetFirstStream(*src.first_);
    } else if (src.lazyFile_) {
        SetFirstStreamInFile(src.lazyFile_, src.lazyOffset_, src.lazySize_);
    } else {
        DropFirstStream();
    }
    second_ = src.second_;
    externalPath_ = src.externalPath_;
    if (!registered_) index_ = src.index_;
    data_ = src.data_;
    if (registered_ && set_ != src.set_ && set_) set_->NoteFileName(*this, false);
    set_ = src.set_;
    FileNameMayHaveChanged();
}

bool TNYXoggetto::Equals(const TNYXoggetto& other) const {
    if (IsEmpty()) return false;
    switch (type_) {
        case internetLink:
        case keyword:
            return other.Type() == type_ && GetName() == other.GetName();
        case immagine: {
            if (other.Type() != immagine || Int(174) != other.Int(174)) return false;
            if (FirstStreamSize() != other.FirstStreamSize()) return false;
            std::string a, b;
            if (!ReadFirstStream(a) || !other.ReadFirstStream(b)) return false;
            return a == b;
        }
        case stileParagrafo: {
            if (other.Type() != stileParagrafo) return false;
            bool isDefault = registered_ && index_ <= 1;
            if (!isDefault && Str(39, 32) != other.Str(39, 32)) return false;
            return std::memcmp(Data() + 72, other.Data() + 72, 43) == 0;
        }
        default:
            return false;
    }
}

namespace {

// Whether a custom component's values name r: the values of its page,
// picture and album-file parameters are references written in decimal (a
// slot index is also read as a reference of the parameter's type).
bool ComponentValuesName(const TNYXoggetto& component, std::int32_t r) {
    if (!component.Set()) return false;
    const TPropList values = ComponentValues(*component.Set(), component);
    for (const TProp& p : values.Entries()) {
        const int t = p.type == propPage ? testoHtml : p.type == propPicture ? immagine : p.type == propAlbumFile ? genLink : -1;
        if (t < 0 || t != RefType(r)) continue;
        std::string_view v = p.value;
        while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        const std::optional<std::int32_t> n = lines::Number(v);
        if (!n || *n < 0) continue;
        const std::int32_t named =
            static_cast<std::uint32_t>(*n) <= kMaxIndex ? MakeRef(t, static_cast<std::uint32_t>(*n)) : *n;
        if (named == r) return true;
    }
    return false;
}

}  // namespace

int TNYXoggetto::ReferenceReason(std::int32_t r) const {
    if (IsEmpty() || r == kNoRef) return 0;
    // Text references carried by the HTML text of an object.
    if (type_ != custom && second_) {
        const std::string hex = Hex8(static_cast<std::uint32_t>(r));
        for (const char* tag : {"!RefI:", "!RefL:", "!RefP:", "!RefF:"})
            if (second_->find(std::string(tag) + hex) != std::string::npos) return 6;
    }
    auto obj = [&](std::int32_t ref) -> const TNYXoggetto* { return set_ ? set_->ObjectByRef(ref) : nullptr; };
    // A field leads to r when it holds r, or (for fields that name a link
    // record) a link of subtype 1 whose target is r.
    auto leadsTo = [&](std::int32_t v, bool follow) {
        if (v == kNoRef) return false;
        if (v == r) return true;
        if (!follow) return false;
        const TNYXoggetto* o = obj(v);
        return o && o->Type() == speclink && o->Subtype() == linkrec::kGoTo && o->Int(linkrec::kTarget) == r;
    };
    // The page's text holds r as a tag, or an object in it refers to r.
    auto inText = [&](int reason) {
        std::string t;
        ReadFirstStream(t);
        int found = 0;
        markup::ForEachObjectRef(t, [&](std::int32_t ref) {
            if (found) return;
            if (ref == r) found = reason;
            else if (const TNYXoggetto* o = obj(ref); o && o != this && o->Type() != testoHtml &&
                                                      o->ReferenceReason(r) != 0)
                found = reason;
        });
        return found;
    };
    const int rt = RefType(r);
    const std::int32_t ri = static_cast<std::int32_t>(RefIndex(r));

    if (rt == keyword) {
        if (type_ == testoHtml)
            for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k)
                if (Int(pagerec::kKeywords + 4 * k) == ri) return 1;
        return 0;
    }
    if (rt == immagine) {
        // Pictures are compared by slot index.
        for (const TPictureField& row : PictureFieldTable())
            if ((row.uses & puRefers) && PictureFieldApplies(row, *this) && PictureSlotOf(Int(row.offset)) == ri)
                return row.reason;
        switch (type_) {
            case testoHtml: return inText(2);
            case tabellaHtml: {
                std::string s;
                if (!ReadFirstStream(s)) return 0;
                const std::int32_t want = 0x03000000 + ri;
                for (std::size_t off = 0; off + 4 <= s.size(); off += 4)
                    if (bytes::GetI32(s, off) == want) return 3;
                return 0;
            }
            case multiMedia:
                return Subtype() == mediarec::kCustomComponent && ComponentValuesName(*this, r) ? 15 : 0;
            default: return 0;
        }
    }
    if (type_ == testoHtml) {
        if (Int(pagerec::kNextSlide) == r) return 5;
        if (Int(pagerec::kHeaderPage) == r || Int(pagerec::kFooterPage) == r) return 4;
        return inText(1);
    }
    int reason = 0;
    ForEachLinkField(*this, luRefers, [&](const TLinkField& row, std::size_t off) {
        if (!reason && leadsTo(Int(off), row.follow)) reason = row.reason;
    });
    if (reason) return reason;
    switch (type_) {
        case custom: {
            std::string s;
            if (!ReadFirstStream(s) || s.size() < 4) return 0;
            std::int32_t b = bytes::GetI32(s, 0);
            if (b < 0) return 0;
            for (std::size_t off = 4; off + 4 <= s.size() && off < 4 + static_cast<std::size_t>(b); off += 4)
                if (bytes::GetI32(s, off) == r) return 13;
            return 0;
        }
        case multiMedia:
            if (Subtype() != mediarec::kCustomComponent) return Int(mediarec::kReference) == r ? 14 : 0;
            return Int(mediarec::kReference) == r || ComponentValuesName(*this, r) ? 15 : 0;
        default: return 0;
    }
}

void TNYXoggetto::CollectLinkTargets(std::vector<std::int32_t>& targets) const {
    if (IsEmpty()) return;
    auto add = [&](std::int32_t r) {
        const int t = RefType(r);
        if (r == kNoRef || (t != testoHtml && t != internetLink && t != genLink)) return;
        if (set_ && !set_->ObjectByRef(r)) return;
        for (std::int32_t have : targets)
            if (have == r) return;
        targets.push_back(r);
    };
    // A value that names a link record is followed to the link's target.
    auto follow = [&](std::int32_t v) {
        if (v == kNoRef) return;
        if (RefType(v) == speclink && set_) {
            const TNYXoggetto* l = set_->ObjectByRef(v);
            if (l && !l->IsEmpty() && l->Subtype() == linkrec::kGoTo) add(l->Int(linkrec::kTarget));
        } else {
            add(v);
        }
    };
    switch (type_) {
        case testoHtml: {
            std::string text;
            ReadFirstStream(text);
            markup::ForEachObjectRef(text, [&](std::int32_t r) {
                const TNYXoggetto* o = set_ ? set_->ObjectByRef(r) : nullptr;
                if (o && o != this && o->Type() != testoHtml) o->CollectLinkTargets(targets);
                else add(r);
            });
            break;
        }
        case internetLink: case genLink: add(Reference()); break;
        default:
            ForEachLinkField(*this, luLeads, [&](const TLinkField& row, std::size_t off) {
                if (row.follow) follow(Int(off));
                else add(Int(off));
            });
            break;
    }
}

std::string TNYXoggetto::ElementName(int number) const {
    switch (type_) {
        case dbloc: case inputStat: case inputDin: case bottoneCGI: {
            std::string n = platform::text::Lower(GetName());
            return n.empty() ? "element" + std::to_string(number) : n;
        }
        case immagineNew: return AttributeValue("name");
        case inizioForm: {
            std::string n = AttributeValue("name");
            return n.empty() ? "formstart" + std::to_string(number) : n;
        }
        default: return {};
    }
}

void TNYXoggetto::ReplaceContent(TNYXoggetto& other) {
    if (type_ != immagine || other.Type() != immagine) {
        platform::ui().Information("ReplaceContent called improperly...");
        return;
    }
    if (registered_ && set_ && set_->undoRecorder) set_->undoRecorder->SnapshotObject("Modifica immagine " + GetName(), *this);
    std::string form;
    other.SaveToStream(form);
    std::size_t pos = 0;
    LoadFromStream(form, pos);  // drops the decoded old picture from the cache
    SetStamp(set_ ? set_->SaveCounter() : 0);
    if (registered_ && set_) set_->SetModified(true);
}

void TNYXoggetto::LoadRecord(const std::uint8_t* record, std::size_t size, std::int32_t saveCounter) {
    data_.fill(0xFF);
    std::size_t n = size < static_cast<std::size_t>(kDataSize) ? size : kDataSize;
    if (n) std::memcpy(data_.data(), record, n);
    const int full = RecordSize(type_);
    switch (type_) {
        case testoHtml:
            if (size <= 242) {
                SetWord(pagerec::kNewWord, 1040);
                SetByte(pagerec::kMarkupVersion, pagerec::kOldMarkup);
                SetInt(pagerec::kStamp, saveCounter - 1);
                SetByte(200, 0);
                SetWord(221, 5);
                for (std::size_t off : {std::size_t{223}, pagerec::kNextSlide, pagerec::kHeaderPage, pagerec::kFooterPage})
                    SetInt(off, -1);
            }
            break;
        case internetLink:
            if (Subtype() < 5 || Subtype() > 8) {
                const std::string url = Str(5, 127);
                std::uint8_t sub = Subtype();
                if (url.rfind("quor:", 0) == 0) sub = 6;
                if (url.rfind("http:", 0) == 0) sub = 7;
                if (url.rfind("mailto:", 0) == 0) sub = 8;
                SetSubtype(sub);
            }
            break;
        case zipLink:
        case genLink:
            if (size < static_cast<std::size_t>(full)) {
                SetInt(89, saveCounter - 1);
                if (set_) SetStr(5, 79, set_->UniqueFileName(Str(5, 79)));
            }
            break;
        case immagine:
            if (size < static_cast<std::size_t>(full)) {
                if (set_) SetStr(94, 75, set_->UniqueFileName(Str(94, 75)));
                SetInt(662, -1);
                SetByte(666, 0);
                SetInt(picturerec::kStamp, saveCounter - 1);
            }
            break;
        case mappaClic:
            if (set_) SetStr(94, 75, set_->UniqueFileName(Str(94, 75)));
            break;
        case tabellaHtml:
            if (size < static_cast<std::size_t>(full)) {
                SetByte(219, 1);
                SetWord(56, 300);
                for (int i = 5; i < 55; ++i) SetByte(i, 0);
                // Column widths were one byte each; widen them in place (from the end).
                for (int i = 49; i >= 0; --i) SetWord(97 + 2 * i, Byte(97 + i));
                SetByte(55, 1);
            }
            break;
        case bottoneCGI:
            if (size < 195) SetWord(186, 0xFFFF);
            break;
        case multiMedia:
            if (Subtype() != 5 && Subtype() != 6 && Int(17) != -1)
                SetInt(17, MakeRef(genLink, RefIndex(Int(17))));
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------

TNYXtesto::TNYXtesto() { SetType(testoHtml); }
TNYXtesto::~TNYXtesto() = default;

std::string TNYXtesto::Text() const {
    std::string t;
    ReadFirstStream(t);
    while (!t.empty() && t.back() == '\0') t.pop_back();
    return t;
}

void TNYXtesto::SetText(std::string_view markup) {
    std::string s(markup);
    s += '\0';
    SetFirstStream(std::move(s));
}

void TNYXtesto::ResetOwned() {
    if (!Set() || !HasFirstStream()) return;
    // The embedded objects of the page's text belong to the page.
    for (std::int32_t ref : markup::ObjectRefs(Text())) {
        if (!OwnedByPageText(RefType(ref))) continue;
        if (TNYXoggetto* o = Set()->ObjectByRef(ref); o && o != this && !o->IsEmpty()) o->Reset();
    }
}

std::unique_ptr<TNYXoggetto> MakeObject(int type) {
    std::unique_ptr<TNYXoggetto> o;
    if (type == testoHtml) {
        o = std::make_unique<TNYXtesto>();
    } else {
        o = std::make_unique<TNYXoggetto>();
        o->SetType(type);
    }
    return o;
}

}  // namespace model
