// Reading and writing the native hypertext file: a 1978-byte header, a
// directory with one entry per type, the record area and the blob area.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>
#include <system_error>

#include "model/Fields.h"
#include "model/LoadedFile.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "model/Upgrade.h"
#include "platform/Env.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace model {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUnsupported =
    "File non supportato dalla corrente versione del programma.\rContattare support@quor.example per ottenere "
    "una versione piùrecente del programma.";
constexpr const char* kTooOld =
    "Attenzione: file salvato con una versione del programma\ranteriore alla 0.98. Non più supportato. "
    "UNSUPPORTED\r";
constexpr const char* kShareQuestion =
    "Probabile errore di condivisione, o disco pieno.\rChiudi l'altra applicazione che sta accedendo al file, e "
    "scegli \"Si\" per riprovare a scrivere.\r";

struct ReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct DirEntry {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    std::int64_t count = 0;
};

// File name without folder and extension, as model bytes.
std::string StemBytes(const fs::path& file) { return platform::text::Utf8ToCp1252(file.stem().string()); }

fs::path BakName(const fs::path& p) {
    fs::path b = p;
    b.replace_extension(".bak");
    return b;
}

bool WriteAll(int fd, std::uint64_t offset, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
        offset += static_cast<std::uint64_t>(w);
    }
    return true;
}

enum class Copy { Ok, ReadFailed, WriteFailed };

// Copies n bytes between files, in the kernel where it can, and tells a source
// that cannot give them from a target that cannot take them.
Copy CopyRange(int from, std::uint64_t fromOff, int to, std::uint64_t toOff, std::uint64_t n) {
    loff_t in = static_cast<loff_t>(fromOff), out = static_cast<loff_t>(toOff);
    while (n > 0) {
        ssize_t c = ::copy_file_range(from, &in, to, &out, n, 0);
        if (c < 0 && errno == EINTR) continue;
        if (c <= 0) break;
        n -= static_cast<std::uint64_t>(c);
    }
    if (n == 0) return Copy::Ok;
    std::string buf(1 << 20, '\0');
    while (n > 0) {
        std::size_t chunk = n < buf.size() ? static_cast<std::size_t>(n) : buf.size();
        ssize_t r = ::pread(from, buf.data(), chunk, in);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return Copy::ReadFailed;
        if (!WriteAll(to, static_cast<std::uint64_t>(out), buf.data(), static_cast<std::size_t>(r))) return Copy::WriteFailed;
        in += r;
        out += r;
        n -= static_cast<std::uint64_t>(r);
    }
    return Copy::Ok;
}

// True when a record's stream fields already say "no stream"; such fields
// are written back as they are, so unchanged records stay byte-identical.
bool NoStream(const std::uint8_t* rec, StreamField f) {
    const std::int32_t pos = bytes::I32(rec, kDataSize, static_cast<std::size_t>(f.pos));
    std::int64_t size;
    if (f.size16) size = rec[81] ? bytes::U16(rec, kDataSize, static_cast<std::size_t>(f.size)) : 0;
    else size = bytes::I32(rec, kDataSize, static_cast<std::size_t>(f.size));
    return pos < 0 || size <= 0;
}

void MarkNoStream(std::uint8_t* rec, StreamField f) {
    if (f.size16) {
        bytes::SetI32(rec, kDataSize, static_cast<std::size_t>(f.pos), 0);
        bytes::SetU16(rec, kDataSize, static_cast<std::size_t>(f.size), 0);
        rec[81] = 0;
    } else {
        bytes::SetI32(rec, kDataSize, static_cast<std::size_t>(f.pos), -1);
        bytes::SetI32(rec, kDataSize, static_cast<std::size_t>(f.size), -1);
    }
}

}  // namespace

// --- new, clear ----------------------------------------------------------------

void TNYXset::SetNewHeader() {
    header_.fill(0);
    std::memcpy(header_.data(), "KYTE", 4);
    SetTitle("Senza titolo");
    SetHStr(hdr::kAuthors, hdr::kNameCap, platform::text::Utf8ToCp1252(platform::env().UserName()));
    header_[hdr::kK] = 26;
    SetHWord(hdr::kVersion, 2);
    SetHInt(hdr::kSaveCounter, 2);
    header_[hdr::kHideCover] = 1;
    header_[hdr::kNoButtons] = 1;
    SetHStr(hdr::kFixedFont, hdr::kFontCap, "Courier New");
    SetHStr(hdr::kPropFont, hdr::kFontCap, "Times New Roman");
    SetHWord(hdr::kPixelsPerInch, static_cast<std::uint16_t>(platform::env().PixelsPerInch()));
    SetHInt(hdr::kHeaderPage, -1);
    SetHInt(hdr::kFooterPage, -1);
    SetHInt(hdr::kBackColor, 12632256);
    SetHInt(hdr::kBackPicture, -1);
    SetHWord(hdr::kLanguage, 1033);
    SetHInt(hdr::kTextColor, 0);
    SetHInt(hdr::kLinkColor, 16711680);
    SetHInt(hdr::kVisitedColor, 255);
}

void TNYXset::NewHypertext() {
    FireBeforeNew();
    Clear();
    SetNewHeader();
    CreateDefaultStyles();
    FireAfterNew();
    modified_ = false;
}

void TNYXset::Clear() {
    for (TNYXview* v : views_) v->DropContents();
    cache_.clear();
    InvalidateNameIndex();
    for (auto& table : tables_) table.clear();
    freeHint_.fill(0);
    orderEndKnown_ = false;
    file_.reset();
    fileName_.clear();
    conversion_.clear();
    if (!workFolder_.empty()) {
        std::error_code ec;
        for (auto it = fs::directory_iterator(workFolder_, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
            if (it->is_regular_file(ec) || it->is_symlink(ec)) fs::remove(it->path(), ec);
    }
    modified_ = false;
}

void TNYXset::PrefixFromFileName(const fs::path& file, std::size_t cut) {
    std::string p = platform::text::Lower(StemBytes(file));
    if (p.size() > cut) p.resize(cut);
    SetExpPrefix(p);
}

void TNYXset::SetNYXFileName(const fs::path& file) {
    FireBeforeNew();
    LoadFromFile(file);
}

// --- reading ----------------------------------------------------------------------

bool TNYXset::LoadFromFile(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        platform::ui().Warning(file.string() + " non esiste");
        return false;
    }
    platform::ui().ProcessEvents(25);
    Clear();
    platform::ui().ProcessEvents(25);
    platform::BusyCursor busy;
    bool ok = false;
    try {
        ok = LoadChecked(file);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        // A refused or damaged file leaves a new, empty hypertext.
        NewHypertext();
        platform::ui().Information("Errore nella lettura file:" + file.string());
        return false;
    }
    FireAfterNew();
    modified_ = false;
    return true;
}

bool TNYXset::LoadChecked(const fs::path& file) {
    auto f = LoadedFile::Open(file);
    if (!f) return false;
    file_ = f;
    fileName_ = file;
    const std::uint64_t fileSize = f->size();

    if (fileSize == 0) {
        // An empty file is a new hypertext named after it.
        NewHypertext();
        file_ = f;
        fileName_ = file;
        PrefixFromFileName(file, 8);
        return true;
    }
    if (fileSize < kHeaderSize) return false;
    if (!f->ReadAt(0, kHeaderSize, header_.data())) return false;

    if (platform::text::Upper(std::string(reinterpret_cast<const char*>(header_.data()), 4)) != "KYTE") {
        platform::ui().Information("Formato sconosciuto.");
        return false;
    }
    const int K = header_[hdr::kK];
    const std::int16_t version = Version();
    if (version == 1) {
        if (K < 8) {
            platform::ui().Information(kTooOld);
            return false;
        }
        SetHStr(hdr::kAuthors, hdr::kNameCap, "");
        SetHStr(hdr::kCompany, hdr::kNameCap, "");
        SetHStr(hdr::kCopyright, hdr::kNameCap, "");
        SetHStr(hdr::kPassword, hdr::kPrefixCap, "");
        PrefixFromFileName(file, 8);
        SetHInt(hdr::kHeaderPage, -1);
        SetHInt(hdr::kFooterPage, -1);
        SetHInt(hdr::kPageTreeHolder, 0);
        SetHInt(hdr::kPrototypeTreeHolder, 0);
        SetHInt(hdr::kBackColor, 12632256);
        SetHInt(hdr::kTextColor, 0);
        SetHInt(hdr::kLinkColor, 16711680);
        SetHInt(hdr::kVisitedColor, 255);
        SetHInt(hdr::kBackPicture, -1);
        SetHWord(hdr::kLanguage, 1033);
    }
    if (version > 2) {
        platform::ui().Error(kUnsupported);
        return false;
    }
    if (K > 26) {
        platform::ui().Information(kUnsupported);
        return false;
    }
    header_[hdr::kInfo + 1257] = 0;             // the free text is always NUL-terminated

    // Directory and blob-area offset, every value checked against the file.
    const std::uint64_t dirBytes = 12ull * (K + 1) + 4;
    if (fileSize < kHeaderSize + dirBytes) return false;
    std::string dir;
    if (!f->ReadAt(kHeaderSize, dirBytes, dir)) return false;
    const std::uint64_t D = 1994ull + 12ull * K;
    const std::int32_t blobOffset = bytes::GetI32(dir, 12 * (K + 1));
    if (blobOffset < 0 || D + static_cast<std::uint64_t>(blobOffset) > fileSize) return false;
    const std::uint64_t blobStart = D + static_cast<std::uint64_t>(blobOffset);

    std::vector<DirEntry> entries(K + 1);
    std::uint64_t totalObjects = 0;
    for (int k = 0; k <= K; ++k) {
        DirEntry& e = entries[k];
        e.offset = bytes::GetI32(dir, 12 * k);
        e.size = bytes::GetI32(dir, 12 * k + 4);
        e.count = bytes::GetI32(dir, 12 * k + 8);
        if (e.offset < 0 || e.size < 0 || e.count < 0 || e.count > static_cast<std::int64_t>(kMaxIndex))
            return false;
        const std::uint64_t span = static_cast<std::uint64_t>(e.count) * static_cast<std::uint64_t>(e.size);
        if (D + static_cast<std::uint64_t>(e.offset) + span > fileSize) return false;
        // Every object costs at least one byte of the file: a count cannot
        // make us allocate more objects than the file could describe.
        totalObjects += static_cast<std::uint64_t>(e.count);
        if (totalObjects > fileSize) return false;
    }

    conversion_.clear();
    if (K < stileParagrafo || entries[stileParagrafo].count == 0) CreateDefaultStyles();

    const std::int32_t counter = SaveCounter();
    std::string records;
    for (int k = 0; k <= K && k <= 26; ++k) {
        const DirEntry& e = entries[k];
        if (e.count == 0) continue;
        const std::uint64_t span = static_cast<std::uint64_t>(e.count) * static_cast<std::uint64_t>(e.size);
        if (span > 0 && !f->ReadAt(D + static_cast<std::uint64_t>(e.offset), static_cast<std::size_t>(span), records))
            return false;
        const std::size_t recSize = static_cast<std::size_t>(e.size);
        auto& table = tables_[k];
        table.reserve(table.size() + static_cast<std::size_t>(e.count));
        for (std::int64_t j = 0; j < e.count; ++j) {
            auto obj = MakeObject(k);
            obj->SetSet(this);
            obj->SetIndex(static_cast<std::uint32_t>(table.size()));
            const std::uint8_t* rec =
                span ? reinterpret_cast<const std::uint8_t*>(records.data()) + static_cast<std::size_t>(j) * recSize
                     : nullptr;
            obj->LoadRecord(rec, recSize, counter);

            // Attached streams. Empty objects and types without streams have none.
            if (!obj->IsEmpty()) {
                auto attach = [&](StreamField field, bool first) -> bool {
                    if (field.pos < 0) return true;
                    std::int64_t pos = obj->Int(static_cast<std::size_t>(field.pos));
                    std::int64_t size;
                    if (field.size16) size = obj->Byte(81) ? obj->Word(static_cast<std::size_t>(field.size)) : 0;
                    else size = obj->Int(static_cast<std::size_t>(field.size));
                    if (pos < 0 || size <= 0) return true;  // none
                    const std::uint64_t at = blobStart + static_cast<std::uint64_t>(pos);
                    if (at + static_cast<std::uint64_t>(size) > fileSize) return false;  // past the end
                    if (first && IsLazyStreamType(k)) {
                        obj->SetFirstStreamInFile(f, at, static_cast<std::uint64_t>(size));
                        return true;
                    }
                    std::string bytes;
                    if (!f->ReadAt(at, static_cast<std::size_t>(size), bytes)) return false;
                    if (first) obj->SetFirstStream(std::move(bytes));
                    else obj->SetSecondStream(std::move(bytes));
                    return true;
                };
                if (!attach(FirstStreamField(k), true) || !attach(SecondStreamField(k), false)) return false;
            }
            obj->SetRegistered(true);
            table.push_back(std::move(obj));
            InvalidateNameIndex();  // objects join the tables directly while loading
        }
    }

    // Version 1: pictures with zones become pictures, zip links embedded files.
    auto convert = [&](int from, int to) {
        auto& old = tables_[from];
        for (auto& o : old) {
            if (!o) continue;
            const std::int32_t oldRef = o->Reference();
            TNYXoggetto* raw = o.release();
            raw->SetRegistered(false);
            raw->SetType(to);
            if (from == mappaClic) {
                raw->SetInt(662, static_cast<std::int32_t>(RefIndex(oldRef)));
                raw->SetByte(666, 0);
                raw->SetInt(picturerec::kStamp, counter - 1);
            }
            const std::int32_t slot = RegisterObject(to, -1, std::unique_ptr<TNYXoggetto>(raw));
            conversion_[oldRef] = MakeRef(to, static_cast<std::uint32_t>(slot));
        }
        old.clear();
    };
    convert(mappaClic, immagine);
    convert(zipLink, genLink);
    return true;
}

// --- reading one record of another file ------------------------------------------

std::string TNYXset::ReadForeignRecord(const fs::path& file, std::int32_t ref) {
    auto f = LoadedFile::Open(file);
    if (!f || f->size() < kHeaderSize) return {};
    std::uint8_t h[kHeaderSize];
    if (!f->ReadAt(0, kHeaderSize, h)) return {};
    const int K = h[hdr::kK];
    const int version = static_cast<std::int16_t>(bytes::U16(h, kHeaderSize, hdr::kVersion));
    if (version > 2 || K > 26) return {};
    const int type = RefType(ref);
    const std::uint32_t index = RefIndex(ref);
    if (type > K) return {};
    std::uint8_t entry[12];
    if (!f->ReadAt(kHeaderSize + 12ull * type, 12, entry)) return {};
    const std::int32_t offset = bytes::I32(entry, 12, 0), size = bytes::I32(entry, 12, 4),
                       count = bytes::I32(entry, 12, 8);
    if (offset < 0 || size < 0 || count < 0 || index >= static_cast<std::uint32_t>(count)) return {};
    const std::uint64_t at = 1994ull + 12ull * K + static_cast<std::uint64_t>(offset) +
                             static_cast<std::uint64_t>(index) * static_cast<std::uint64_t>(size);
    std::array<std::uint8_t, kDataSize> rec;
    rec.fill(0xFF);
    const std::size_t n = size < kDataSize ? static_cast<std::size_t>(size) : kDataSize;
    if (n == 0 || at + n > f->size() || !f->ReadAt(at, n, rec.data())) return {};
    if (type != testoHtml) return {};
    return bytes::Str(rec.data(), kDataSize, 5, 71);
}

// --- writing ------------------------------------------------------------------------

bool TNYXset::WriteNativeFile(int fd, const fs::path& target, std::array<std::uint8_t, kHeaderSize>& header) {
    // Header updates of a save.
    header[hdr::kK] = kLastStoredType;
    bytes::SetI32(header.data(), kHeaderSize, hdr::kSaveCounter,
                  bytes::I32(header.data(), kHeaderSize, hdr::kSaveCounter) + 1);
    bytes::SetU16(header.data(), kHeaderSize, hdr::kPixelsPerInch,
                  static_cast<std::uint16_t>(platform::env().PixelsPerInch()));
    if (bytes::Str(header.data(), kHeaderSize, hdr::kExportPrefix, hdr::kPrefixCap).empty()) {
        std::string p = platform::text::Lower(StemBytes(target));
        if (p.size() > hdr::kPrefixCap) p.resize(hdr::kPrefixCap);
        bytes::SetStr(header.data(), kHeaderSize, hdr::kExportPrefix, hdr::kPrefixCap, p);
    }
    if (bytes::Str(header.data(), kHeaderSize, hdr::kTitle, hdr::kTitleCap) == "Senza titolo") {
        std::string t = StemBytes(target) + ".";
        bytes::SetStr(header.data(), kHeaderSize, hdr::kTitle, hdr::kTitleCap, t);
    }

    const std::uint64_t D = 1994ull + 12ull * kLastStoredType;
    std::string directory;
    std::uint64_t recordArea = 0;
    for (int k = 0; k <= kLastStoredType; ++k) {
        bytes::PutI32(directory, static_cast<std::int32_t>(recordArea));
        bytes::PutI32(directory, RecordSize(k));
        bytes::PutI32(directory, static_cast<std::int32_t>(tables_[k].size()));
        recordArea += static_cast<std::uint64_t>(RecordSize(k)) * tables_[k].size();
    }
    bytes::PutI32(directory, static_cast<std::int32_t>(recordArea));
    if (recordArea > 0x7FFFFFFFull) throw std::runtime_error("record area too large");

    const std::uint64_t blobStart = D + recordArea;
    std::uint64_t blobLen = 0;
    std::string records;
    records.reserve(static_cast<std::size_t>(recordArea));
    std::set<std::string> reported;
    int lostType = -1;
    std::size_t lostIndex = 0;
    auto warn = [&](const std::string& name) {
        if (reported.insert(name).second) saveWarnings_.push_back("Errore nell'apertura file: " + name);
        saveLosses_.push_back(MakeRef(lostType, static_cast<std::uint32_t>(lostIndex)));
    };
    auto writeBlob = [&](const void* p, std::size_t n) {
        if (Fault("write") || !WriteAll(fd, blobStart + blobLen, p, n)) throw std::ios_base::failure("write");
        blobLen += n;
    };
    auto checkPos = [&] {
        if (blobLen > 0x7FFFFFFFull) throw std::ios_base::failure("blob area too large");
    };

    for (int k = 0; k <= kLastStoredType; ++k) {
        const int size = RecordSize(k);
        for (std::size_t j = 0; j < tables_[k].size(); ++j) {
            TNYXoggetto* o = tables_[k][j].get();
            lostType = k;
            lostIndex = j;
            std::array<std::uint8_t, kDataSize> rec;
            if (!o) {
                // A slot left without an object is stored as an empty record.
                auto empty = MakeObject(k);
                empty->SetSet(this);
                empty->Reset();
                std::memcpy(rec.data(), empty->Data(), kDataSize);
            } else {
                // The positions go into a copy of the record: the object keeps
                // what its lazily read streams need, whatever happens to this save.
                std::memcpy(rec.data(), o->Data(), kDataSize);
            }
            if (o && !o->IsEmpty()) {
                StreamField f1 = FirstStreamField(k);
                if (f1.pos >= 0) {
                    checkPos();
                    const std::uint64_t start = blobLen;
                    bool have = false;
                    if (const std::string* mem = o->FirstStreamMemory()) {
                        writeBlob(mem->data(), mem->size());
                        have = true;
                    } else if (o->FirstStreamInFile()) {
                        const auto& src = o->LazyFile();
                        if (Fault("read") || o->LazyOffset() + o->FirstStreamSize() > src->size()) {
                            warn(src->path().string());
                        } else {
                            Copy c = CopyRange(src->fd(), o->LazyOffset(), fd, blobStart + blobLen, o->FirstStreamSize());
                            if (c == Copy::WriteFailed) throw std::ios_base::failure("write");
                            if (c == Copy::ReadFailed) {
                                warn(src->path().string());
                            } else {
                                blobLen += o->FirstStreamSize();
                                have = true;
                            }
                        }
                    } else if ((k == genLink || k == immagine) && !o->ExternalPath().empty()) {
                        int in = ::open(o->ExternalPath().c_str(), O_RDONLY | O_CLOEXEC);
                        struct stat st {};
                        if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
                            warn(o->ExternalPath().string());
                        } else {
                            Copy c = CopyRange(in, 0, fd, blobStart + blobLen, static_cast<std::uint64_t>(st.st_size));
                            if (c == Copy::WriteFailed) {
                                ::close(in);
                                throw std::ios_base::failure("write");
                            }
                            if (c == Copy::ReadFailed) {
                                warn(o->ExternalPath().string());
                            } else {
                                blobLen += static_cast<std::uint64_t>(st.st_size);
                                have = true;
                            }
                        }
                        if (in >= 0) ::close(in);
                    }
                    const std::uint64_t len = blobLen - start;
                    checkPos();
                    if (have) {
                        bytes::SetI32(rec.data(), kDataSize, static_cast<std::size_t>(f1.pos),
                                      static_cast<std::int32_t>(start));
                        if (f1.size16) {
                            bytes::SetU16(rec.data(), kDataSize, static_cast<std::size_t>(f1.size),
                                          static_cast<std::uint16_t>(len));
                            if (len == 0) rec[81] = 0; else if (rec[81] == 0) rec[81] = 1;
                        } else {
                            bytes::SetI32(rec.data(), kDataSize, static_cast<std::size_t>(f1.size),
                                          static_cast<std::int32_t>(len));
                        }
                    } else if (!NoStream(rec.data(), f1)) {
                        MarkNoStream(rec.data(), f1);
                    }
                }
                StreamField f2 = SecondStreamField(k);
                if (f2.pos >= 0) {
                    if (const std::string* s2 = o->SecondStream()) {
                        checkPos();
                        bytes::SetI32(rec.data(), kDataSize, static_cast<std::size_t>(f2.pos),
                                      static_cast<std::int32_t>(blobLen));
                        writeBlob(s2->data(), s2->size());
                        checkPos();
                        bytes::SetI32(rec.data(), kDataSize, static_cast<std::size_t>(f2.size),
                                      static_cast<std::int32_t>(s2->size()));
                    } else if (!NoStream(rec.data(), f2)) {
                        MarkNoStream(rec.data(), f2);
                    }
                }
            }
            records.append(reinterpret_cast<const char*>(rec.data()), static_cast<std::size_t>(size));
        }
    }

    if (Fault("write") || !WriteAll(fd, 0, header.data(), kHeaderSize) ||
        !WriteAll(fd, kHeaderSize, directory.data(), directory.size()) ||
        !WriteAll(fd, D, records.data(), records.size()))
        throw std::ios_base::failure("write");
    if (::ftruncate(fd, static_cast<off_t>(blobStart + blobLen)) != 0) throw std::ios_base::failure("truncate");
    if (Fault("sync") || ::fsync(fd) != 0) throw std::ios_base::failure("sync");
    return true;
}

bool TNYXset::SaveToFile(const fs::path& fileArg, int version) {
    saveErrors_.clear();
    saveWarnings_.clear();
    saveLosses_.clear();
    if (fileArg.empty()) {
        platform::ui().Error("Nome file non valido!");
        return false;
    }
    // Pages still in the old markup are stored in the current one (with the
    // placed pictures the upgrade adds, written in the same save).
    UpgradeOldPages(*this);
    std::error_code ec;
    // Save over what a symbolic link names, not over the link.
    fs::path target = fileArg;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    target = fs::absolute(target, ec);

    struct stat targetStat {};
    const bool targetExists = ::stat(target.c_str(), &targetStat) == 0;
    // (Same file or not, the new file is built beside the target and renamed
    // over it; the loaded file stays readable through its open handle until
    // the reload, whichever name it had.)
    FireBeforeNew();
    std::vector<TNYXview*> detached = views_;
    for (TNYXview* v : detached) v->DetachFromSet();
    auto reattach = [&] {
        if (!closing)
            for (TNYXview* v : detached) v->ReattachToSet();
    };

    fs::create_directories(target.parent_path(), ec);

    // The new file is built beside the target and only renamed into place once
    // it is complete and on disk.
    std::string tmpl;
    int fd = -1;
    for (;;) {
        std::string hidden = ".";
        hidden += target.filename().string();
        hidden += ".XXXXXX";
        tmpl = (target.parent_path() / hidden).string();
        fd = Fault("create") ? -1 : ::mkstemp(tmpl.data());
        if (fd >= 0) break;
        if (platform::ui().AskYesNo(std::string(kShareQuestion) + "(" + target.string() + ")") != platform::Answer::Yes) {
            saveErrors_.push_back("Errore nella scrittura file " + target.string());
            reattach();
            return false;
        }
    }
    const fs::path temp = tmpl;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, targetExists ? (targetStat.st_mode & 07777) : (0666 & ~mask));

    std::array<std::uint8_t, kHeaderSize> header = header_;
    bytes::SetU16(header.data(), kHeaderSize, hdr::kVersion, static_cast<std::uint16_t>(version));
    bool written = false;
    try {
        written = WriteNativeFile(fd, target, header);
    } catch (const std::ios_base::failure&) {
        written = false;
    } catch (const std::runtime_error&) {
        written = false;
    }
    if (::close(fd) != 0) written = false;
    if (!written) {
        saveErrors_.push_back("Errore nella scrittura file " + target.string());
        fs::remove(temp, ec);
        reattach();
        return false;  // the target and the loaded hypertext are untouched
    }
    // Some content was written empty: whoever saves may keep the old file.
    if (!saveWarnings_.empty() && confirmLossySave && !confirmLossySave()) {
        saveErrors_.push_back(kLossySaveRefused);
        fs::remove(temp, ec);
        reattach();
        return false;
    }

    // The old file becomes the ".bak" copy (a hard link, so the target never
    // goes missing); then the new file takes its name in one step.
    if (backups && targetExists) {
        const fs::path bak = BakName(target);
        if (bak != target) {
            fs::remove(bak, ec);
            if (Fault("backup") || ::link(target.c_str(), bak.c_str()) != 0) {
                std::error_code cec;
                if (!Fault("backup")) fs::copy_file(target, bak, fs::copy_options::overwrite_existing, cec);
            }
        }
    }
    fs::path loadFrom = target;
    bool ok = true;
    for (;;) {
        if (!Fault("rename") && ::rename(temp.c_str(), target.c_str()) == 0) break;
        const std::string q = std::string(kShareQuestion) + "Scegli \"No\" per utilizzare il documento in \"" +
                              temp.string() + "\"";
        if (platform::ui().AskYesNo(q) == platform::Answer::Yes) continue;
        // Keep working on the new file under its temporary name.
        loadFrom = temp;
        ok = false;
        saveErrors_.push_back("Probabile errore di condivisione, o disco pieno.");
        break;
    }
    // Every save reloads the hypertext from what was written.
    Clear();
    if (!LoadFromFile(loadFrom)) ok = false;
    reattach();
    return ok && saveErrors_.empty();
}

}  // namespace model
