#include "convert/ExportFormats.h"

#include <algorithm>
#include <mutex>

#include "convert/OutputFile.h"
#include "convert/html/NYXtoHtml.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace convert {
namespace rtf {
void RegisterRtfExportFormats();  // convert/rtf/RtfExportFormats.cpp
}

namespace fs = std::filesystem;

namespace {

std::vector<TExportFormat>& Registry() {
    static std::vector<TExportFormat> formats;
    return formats;
}

void Insert(TExportFormat f) {
    auto& all = Registry();
    auto it = std::find_if(all.begin(), all.end(), [&](const TExportFormat& g) { return g.code >= f.code; });
    if (it != all.end() && it->code == f.code) *it = std::move(f);
    else all.insert(it, std::move(f));
}

bool& FillingBuiltIns() {
    static bool filling = false;
    return filling;
}

// The formats of this library. Exporters in other folders of convert/ add
// theirs here with one call to a function of theirs that calls
// RegisterExportFormat (a registration object in their own file would be
// dropped by the linker, the layers being static libraries).
void RegisterBuiltInExportFormats() {
    TExportFormat h;
    h.code = efHtml;
    h.name = "HTML";
    h.extensions = "*.htm;*.html;";
    h.listType = ltHtml;
    h.run = RunHtmlExport;
    Insert(std::move(h));

    TExportFormat t;
    t.code = efText;
    t.name = "ASCII (Blocco note,...)";
    t.extensions = "*.txt;*.asc;*.pas;*.c;*.cpp;*.ini;";
    t.mainExtension = ".txt";
    t.listType = ltOneFile;
    t.run = RunTextExport;
    Insert(std::move(t));

    rtf::RegisterRtfExportFormats();
}

void EnsureBuiltIns() {
    static std::once_flag once;
    std::call_once(once, [] {
        FillingBuiltIns() = true;
        RegisterBuiltInExportFormats();
        FillingBuiltIns() = false;
    });
}

}  // namespace

std::string PageLine(const model::TNYXset& set, std::int32_t ref) {
    const model::TNYXoggetto* o = set.ObjectByRef(ref);
    const std::string name = o ? o->GetName() : std::string();
    return "non esportata: " + (name.empty() ? "pagina " + std::to_string(model::RefIndex(ref)) : "\"" + name + "\"");
}

void RegisterExportFormat(TExportFormat format) {
    if (!FillingBuiltIns()) EnsureBuiltIns();
    Insert(std::move(format));
}

const std::vector<TExportFormat>& ExportFormats() {
    EnsureBuiltIns();
    return Registry();
}

const TExportFormat* FindExportFormat(int code) {
    for (const TExportFormat& f : ExportFormats())
        if (f.code == code) return &f;
    return nullptr;
}

const TExportFormat* ExportFormatForFile(const fs::path& file) {
    std::string ext = file.extension().string();
    if (ext.empty()) return nullptr;
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::string key = "*" + ext + ";";
    for (const TExportFormat& f : ExportFormats())
        if (f.extensions.find(key) != std::string::npos) return &f;
    return nullptr;
}

TExportResult RunHtmlExport(const TExportJob& job) {
    TExportResult out;
    if (!job.set) return out;
    html::TNYXtoHtml x(job.set);
    x.options = job.html;
    x.prefixOverride = job.set->ExpPrefix();
    x.ExportPath = job.folder;
    x.OnExpProgress = job.progress;
    x.OnExpStop = job.stop;
    x.Export(job.pages);
    const html::TExportReport& r = x.Report();
    out.written = r.written;
    out.problems = r.problems;
    out.stopped = r.stopped;
    for (std::int32_t p : r.pagesLeft)
        out.left.push_back(PageLine(*job.set, model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(p))));
    for (std::int32_t f : r.framesLeft) out.left.push_back(PageLine(*job.set, f) + " (per frame)");
    for (std::int32_t f : r.filesLeft) {
        const model::TNYXoggetto* o = job.set->ObjectByRef(f);
        out.left.push_back("non copiato: \"" + (o ? o->GetFileName() : std::string()) + "\"");
    }
    return out;
}

TExportResult RunTextExport(const TExportJob& job) {
    TExportResult out;
    if (!job.set) return out;
    text::TNYXtoTxt t(job.set);
    // One file: a run stopped midway writes nothing, so an earlier export
    // of the same name stays whole.
    std::string all;
    for (std::size_t i = 0; i < job.pages.size(); ++i) {
        if (job.stop && job.stop()) {
            out.stopped = true;
            out.problems.push_back("Esportazione interrotta dall'utente: nessun file scritto.");
            for (std::size_t k = i; k < job.pages.size(); ++k)
                out.left.push_back(PageLine(*job.set, model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(job.pages[k]))));
            return out;
        }
        if (job.progress) job.progress(static_cast<int>(i), static_cast<int>(job.pages.size()), 1);
        if (i) all += "\r\n";
        all += t.PagesText({job.pages[i]});
    }
    const fs::path target = job.folder / job.mainFile.filename();
    std::error_code ec;
    fs::create_directories(job.folder, ec);
    std::string error;
    if (job.mainFile.filename().empty() || !WriteWholeFile(target, platform::text::Cp1252ToUtf8(all), &error)) {
        out.problems.push_back("Errore nella scrittura del file: \"" + platform::text::Utf8ToCp1252(target.string()) + "\"");
        return out;
    }
    for (const std::string& p : t.Problems()) out.problems.push_back(p);
    out.written.push_back(platform::text::Utf8ToCp1252(job.mainFile.filename().string()));
    return out;
}

}  // namespace convert
