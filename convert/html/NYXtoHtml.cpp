#include "convert/html/NYXtoHtml.h"

#include <algorithm>
#include <system_error>

#include "convert/OutputFile.h"
#include "convert/html/Words.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "present/PictureChoices.h"
#include "present/PictureData.h"

namespace convert::html {

using model::TNYXoggetto;
using model::TNYXset;
namespace fs = std::filesystem;

// --- names ------------------------------------------------------------------------------

void TNYXtoHtml::ResetRun() {
    report_ = {};
    frames_.clear();
    files_.clear();
    fileSet_.clear();
    fileNames_.clear();
    usedNames_.clear();
    madeFolders_.clear();
}

int TNYXtoHtml::StartPage() const { return LinkedNYXset ? LinkedNYXset->HInt(model::hdr::kCoverPage) : 0; }

std::string TNYXtoHtml::FileNameOf(const TNYXoggetto& o) {
    const std::int32_t ref = o.Reference();
    if (auto it = fileNames_.find(ref); it != fileNames_.end()) return it->second;
    const std::string orig = o.GetFileName();
    const std::string ext = Lower(FileExt(orig));
    const std::string D = options.expSepImage ? "images/" : "";
    const std::string tag = o.Type() == model::immagine ? "_i" : "_g";
    const std::string generated = ExportPrefix() + tag + Hex6(o.Index()) + FileExt(SafeLeafName(orig));
    std::string name;
    const bool keepOrig = options.expOrigName || (o.Type() == model::genLink && (ext == ".cla" || ext == ".mov"));
    if (keepOrig) {
        name = SafeLeafName(orig);
        if (name.empty()) {
            Problem("Nome file non valido, rinominato: \"" + orig + "\" -> \"" + generated + "\"");
            name = generated;
        } else if (name != orig) {
            Problem("Nome file con cartella, usato solo il nome: \"" + orig + "\" -> \"" + name + "\"");
        }
        if (usedNames_.count(Lower(name))) {
            // Two objects with the same original name never overwrite each other.
            const std::string e = FileExt(name);
            std::string renamed = name.substr(0, name.size() - e.size()) + "_" + Hex6(o.Index()) + e;
            for (int n = 2; usedNames_.count(Lower(renamed)); ++n)
                renamed = name.substr(0, name.size() - e.size()) + "_" + Hex6(o.Index()) + "_" + Str(n) + e;
            Problem("Nome file gi\xE0 usato, rinominato: \"" + name + "\" -> \"" + renamed + "\"");
            name = renamed;
        }
    } else {
        name = generated;
    }
    usedNames_.insert(Lower(name));
    name = D + name;
    fileNames_[ref] = name;
    return name;
}

std::string TNYXtoHtml::PageFileName(const TNYXoggetto* o, int kind) {
    if (!Exists(o)) return {};
    const std::string P = ExportPrefix();
    const char L = kind == 0 ? '_' : kind == 1 ? '-' : '=';
    switch (o->Type()) {
        case model::testoHtml:
            if (static_cast<int>(o->Index()) == StartPage()) return P + L + "index" + Ext();
            return P + L + Hex6(o->Index()) + Ext();
        case model::internetLink: {
            const std::string address = o->GetName();
            if (LinkedNYXset) {
                model::HypertextLink h = LinkedNYXset->ParseHypertextLink(address);
                if (h.isLink) {
                    if (h.sameFile) {
                        return PageFileName(LinkedNYXset->ObjectAt(model::testoHtml, h.page), kind);
                    }
                    std::string name = TNYXset::ForeignPageFileName(h.file, h.page, Ext());
                    if (name.empty()) return address;
                    fs::path rel = h.file.parent_path().lexically_relative(LinkedNYXset->NYXFileName().parent_path());
                    std::string folder = rel.empty() || rel == "." ? "" : platform::text::Utf8ToCp1252(rel.generic_string()) + "/";
                    return folder + name;
                }
            }
            return address;
        }
        case model::genLink:
        case model::zipLink:
        case model::immagine:
            return FileNameOf(*o);
        case model::immagineNew:
            if (LinkedNYXset)
                return PageFileName(LinkedNYXset->ObjectByRef(present::TPictureData(*o).PictureRef()), kind);
            return {};
        default:
            return {};
    }
}

void TNYXtoHtml::AddFile(std::int32_t ref) {
    if (!LinkedNYXset) return;
    TNYXoggetto* o = LinkedNYXset->ObjectByRef(ref);
    if (!Exists(o)) return;
    if (o->Type() == model::immagineNew) {
        AddFile(present::TPictureData(*o).PictureRef());
        return;
    }
    if (o->Type() != model::immagine && o->Type() != model::genLink && o->Type() != model::zipLink) return;
    if (fileSet_.insert(o->Reference()).second) files_.push_back(o->Reference());
}

void TNYXtoHtml::AddFrame(std::int32_t pageRef) { frames_.push_back(pageRef); }

// --- the run ------------------------------------------------------------------------------

bool TNYXtoHtml::MakeFolderOf(const fs::path& target) {
    const fs::path folder = target.parent_path();
    if (madeFolders_.count(folder)) return true;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) return false;
    madeFolders_.insert(folder);
    return true;
}

bool TNYXtoHtml::WriteFile(const fs::path& rel, const std::string& bytes) {
    const fs::path target = ExportPath / fs::path(platform::text::Cp1252ToUtf8(rel.generic_string()));
    bool ok = MakeFolderOf(target) && WriteWholeFile(target, bytes);
    if (!ok && madeFolders_.erase(target.parent_path()) > 0) ok = MakeFolderOf(target) && WriteWholeFile(target, bytes);
    if (!ok) {
        Problem("Errore nella scrittura del file: \"" + platform::text::Utf8ToCp1252(target.string()) + "\"");
        return false;
    }
    report_.written.push_back(rel.generic_string());
    return true;
}

bool TNYXtoHtml::CopyContents(const TNYXoggetto& o, const fs::path& target) {
    // Streams still in the loaded file are read whole up to this size; larger
    // ones are copied by the object piece by piece.
    constexpr std::uint64_t kReadWhole = 16u << 20;
    bool ok = false;
    if (!MakeFolderOf(target)) return false;
    if (const std::string* bytes = o.FirstStreamMemory()) {
        ok = WriteWholeFile(target, *bytes);
    } else if (o.FirstStreamInFile()) {
        if (o.FirstStreamSize() > kReadWhole) return o.WriteContentsTo(target);
        std::string bytes;
        ok = o.ReadFirstStream(bytes) && WriteWholeFile(target, bytes);
    } else if (!o.ExternalPath().empty()) {
        ok = CopyWholeFile(o.ExternalPath(), target);
    }
    if (!ok) {
        // No stale copy of an earlier export stays behind.
        std::error_code ec;
        fs::remove(target, ec);
    }
    return ok;
}

bool TNYXtoHtml::Export(const std::vector<std::int32_t>& pages, bool aliases) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    std::error_code ec;
    fs::create_directories(ExportPath, ec);
    if (!fs::is_directory(ExportPath, ec)) {
        Problem("Errore nella creazione directory: \"" + platform::text::Utf8ToCp1252(ExportPath.string()) + "\" controlla la linguetta \"path\".");
        return false;
    }
    if (pageOrder.empty()) pageOrder = pages;
    WriteStyleSheet();
    // Stop ends the run between two items: every file written so far is
    // whole, and what was not reached is listed in the report.
    auto stopHere = [&] {
        if (report_.stopped || !StopAsked()) return report_.stopped;
        report_.stopped = true;
        Problem("Esportazione interrotta dall'utente.");
        return true;
    };
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (stopHere()) {
            report_.pagesLeft.assign(pages.begin() + static_cast<std::ptrdiff_t>(i), pages.end());
            break;
        }
        Progress(static_cast<int>(i), static_cast<int>(pages.size()), 1);
        const TNYXoggetto* page = set.ObjectAt(model::testoHtml, pages[i]);
        if (!Exists(page)) {
            Problem("Pagina inesistente: " + std::to_string(pages[i]));
            continue;
        }
        if (WriteFile(PageFileName(page, 0), WritePage(*page, 0))) ++report_.pagesWritten;
        if (aliases) WriteAliasPage(*page);
    }
    // Frame-content documents, each written once even when several frame
    // sets or links show it.
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (stopHere()) {
            for (std::size_t k = i; k < frames_.size(); ++k)
                if (done.insert(frames_[k]).second) report_.framesLeft.push_back(frames_[k]);
            break;
        }
        Progress(static_cast<int>(i), static_cast<int>(frames_.size()), 2);
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* page = set.ObjectByRef(frames_[i]);
        if (!Exists(page)) continue;
        if (WriteFile(PageFileName(page, 1), WritePage(*page, 1))) ++report_.pagesWritten;
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (stopHere()) {
            report_.filesLeft.assign(files_.begin() + static_cast<std::ptrdiff_t>(i), files_.end());
            break;
        }
        Progress(static_cast<int>(i), static_cast<int>(files_.size()), 3);
        const TNYXoggetto* o = set.ObjectByRef(files_[i]);
        if (!Exists(o)) continue;
        const fs::path target = ExportPath / fs::path(platform::text::Cp1252ToUtf8(PageFileName(o, 2)));
        // A picture whose bytes do not decode is not published.
        if (TNYXoggetto* pic = set.ObjectByRef(files_[i]);
            pic && pic->Type() == model::immagine && !present::PictureDecodes(*pic)) {
            Problem("Immagine danneggiata, non copiata: \"" + o->GetFileName() + "\"");
            continue;
        }
        if (CopyContents(*o, target)) {
            ++report_.filesCopied;
            report_.written.push_back(PageFileName(o, 2));
        } else {
            Problem("File mancante o illeggibile, non copiato: \"" + o->GetFileName() + "\"");
        }
    }
    return report_.ok();
}

bool TNYXtoHtml::ExportOnePage(std::vector<std::int32_t>& filesOut, std::vector<std::int32_t>& pagesOut, std::int32_t page) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    if (pageOrder.empty()) pageOrder = AllPages(set);
    const TNYXoggetto* p = set.ObjectAt(model::testoHtml, page);
    if (!Exists(p)) {
        Problem("Pagina inesistente: " + std::to_string(page));
        return false;
    }
    if (WriteFile(PageFileName(p, 0), WritePage(*p, 0))) pagesOut.push_back(p->Reference());
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* f = set.ObjectByRef(frames_[i]);
        if (!Exists(f)) continue;
        if (WriteFile(PageFileName(f, 1), WritePage(*f, 1))) pagesOut.push_back(f->Reference());
    }
    for (std::int32_t r : files_)
        if (std::find(filesOut.begin(), filesOut.end(), r) == filesOut.end()) filesOut.push_back(r);
    return report_.ok();
}

bool TNYXtoHtml::ExportAllPages(std::vector<std::int32_t>& filesOut) {
    ResetRun();
    if (!LinkedNYXset) return false;
    TNYXset& set = *LinkedNYXset;
    const auto pages = AllPages(set);
    if (pageOrder.empty()) pageOrder = pages;
    std::error_code ec;
    fs::create_directories(ExportPath, ec);
    WriteStyleSheet();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(pages.size()), 1);
        const TNYXoggetto* p = set.ObjectAt(model::testoHtml, pages[i]);
        if (WriteFile(PageFileName(p, 0), WritePage(*p, 0))) ++report_.pagesWritten;
    }
    std::set<std::int32_t> done;
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        Progress(static_cast<int>(i), static_cast<int>(frames_.size()), 2);
        if (!done.insert(frames_[i]).second) continue;
        const TNYXoggetto* f = set.ObjectByRef(frames_[i]);
        if (Exists(f) && WriteFile(PageFileName(f, 1), WritePage(*f, 1))) ++report_.pagesWritten;
    }
    filesOut = files_;
    return report_.ok();
}

}  // namespace convert::html
