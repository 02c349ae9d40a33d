#include "shell/ExportChoices.h"

#include <algorithm>
#include <charconv>

#include "convert/Converter.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

int Millimetres(const TOptionsStore& st, const std::string& section, const char* name, int fallback) {
    const std::string v = st.ReadSectionOption(section, name);
    int n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size() || n < 0 || n > 10000) return fallback;
    return n;
}

// Where an export goes when no folder was stored or it is gone.
fs::path DefaultFolder() {
    std::error_code ec;
    fs::path t = fs::temp_directory_path(ec);
    return ec ? fs::path("/tmp") : t;
}

}  // namespace

std::string ExportSection(int code) { return "exp\\" + std::to_string(code); }

convert::TExportSettings ReadExportSettings(const TOptionsStore& st, int code) {
    const std::string sec = ExportSection(code);
    convert::TExportSettings s;
    const std::string folder = st.ReadSectionOption(sec, "expPathInWindow");
    std::error_code ec;
    // Kept as the file system spells it (as the import dialog keeps its own).
    s.folder = !folder.empty() && fs::is_directory(folder, ec) ? fs::path(folder) : DefaultFolder();
    s.width = Millimetres(st, sec, "largh", 210);
    s.length = Millimetres(st, sec, "lungh", 297);
    s.top = Millimetres(st, sec, "top", 15);
    s.bottom = Millimetres(st, sec, "bottom", 15);
    s.right = Millimetres(st, sec, "dx", 15);
    s.left = Millimetres(st, sec, "sx", 15);
    s.runHcp = st.ReadSectionOption(sec, "runHcp") == "1";
    s.runTitKey = st.ReadSectionOption(sec, "runTitKey") == "1";
    s.runDefaultHcp = st.ReadSectionOption(sec, "runDefaultHcp") != "0";
    s.hcpPath = st.ReadOption("HcpPath");
    return s;
}

bool WriteExportSettings(TOptionsStore& st, int code, const convert::TExportSettings& s) {
    const std::string sec = ExportSection(code);
    st.BeginUpdate();
    st.WriteSectionOption(sec, "expPathInWindow", s.folder.string());
    st.WriteSectionOption(sec, "largh", std::to_string(s.width));
    st.WriteSectionOption(sec, "lungh", std::to_string(s.length));
    st.WriteSectionOption(sec, "top", std::to_string(s.top));
    st.WriteSectionOption(sec, "bottom", std::to_string(s.bottom));
    st.WriteSectionOption(sec, "dx", std::to_string(s.right));
    st.WriteSectionOption(sec, "sx", std::to_string(s.left));
    st.WriteSectionFlag(sec, "runHcp", s.runHcp);
    st.WriteSectionFlag(sec, "runTitKey", s.runTitKey);
    st.WriteSectionFlag(sec, "runDefaultHcp", s.runDefaultHcp);
    if (code == convert::efWinHelp) st.WriteOption("HcpPath", s.hcpPath);
    return st.EndUpdate();
}

std::vector<std::string> TExportOutcome::Lines() const {
    std::vector<std::string> out;
    if (!ran) {
        if (!message.empty()) out.push_back(message);
        return out;
    }
    out.push_back("File scritti: " + std::to_string(result.written.size()));
    for (const std::string& p : result.problems) out.push_back(p);
    for (const std::string& l : result.left) out.push_back(l);
    return out;
}

TExportChoices::TExportChoices(model::TNYXset& set, TOptionsStore& store) : set_(set), store_(store) {
    html_ = ReadHtmlExportOptions(store_);
    Load(Formats().empty() ? convert::efHtml : Formats().front().code);
}

const convert::TExportFormat& TExportChoices::FormatEntry() const {
    const convert::TExportFormat* f = convert::FindExportFormat(format_);
    return f ? *f : convert::ExportFormats().front();
}

void TExportChoices::Load(int code) {
    format_ = code;
    settings_ = ReadExportSettings(store_, code);
    mainFile_ = ProposedMainFile();
}

std::string TExportChoices::ProposedMainFile() const {
    const std::string& ext = FormatEntry().mainExtension;
    if (ext.empty()) return {};
    const fs::path own = set_.NYXFileName();
    const std::string stem = own.empty() ? std::string("Senza titolo") : own.stem().string();
    return stem + ext;
}

bool TExportChoices::SetFormat(int code) {
    if (!convert::FindExportFormat(code)) return false;
    Store();
    Load(code);
    return true;
}

bool TExportChoices::SetFile(const fs::path& file) {
    const convert::TExportFormat* f = convert::ExportFormatForFile(file);
    if (!f) return false;
    SetFormat(f->code);
    if (file.has_parent_path()) settings_.folder = file.parent_path();
    if (UsesMainFile()) mainFile_ = file.filename().string();
    return true;
}

std::vector<convert::TExportRow> TExportChoices::Rows() {
    convert::html::TNYXtoHtml x(&set_);
    x.options = html_;
    x.prefixOverride = set_.ExpPrefix();
    x.ExportPath = settings_.folder;
    return convert::ExportListRows(x, FormatEntry().listType, {}, {});
}

void TExportChoices::Check(std::int32_t ref, bool on) {
    if (on) checked_.insert(ref);
    else checked_.erase(ref);
}

bool TExportChoices::CheckAll() {
    if (!FormatEntry().checkAll) return false;
    for (std::int32_t p : convert::AllPages(set_)) checked_.insert(model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(p)));
    return true;
}

std::vector<std::int32_t> TExportChoices::CheckedPages() {
    std::vector<std::int32_t> pages;
    for (const convert::TExportRow& r : Rows())
        if (r.ref != -1 && model::RefType(r.ref) == model::testoHtml && Checked(r.ref))
            pages.push_back(static_cast<std::int32_t>(model::RefIndex(r.ref)));
    return pages;
}

bool TExportChoices::SetHtmlOptions(const convert::html::THtmlOptions& o) {
    html_ = o;
    return WriteHtmlExportOptions(store_, o);
}

bool TExportChoices::Store() { return WriteExportSettings(store_, format_, settings_); }

TExportOutcome TExportChoices::Run(const std::function<void(const std::string&)>& progress, const std::function<bool()>& stop) {
    TExportOutcome out;
    Store();
    convert::TExportJob job;
    job.set = &set_;
    job.pages = CheckedPages();
    if (job.pages.empty()) {
        out.message = "Nessuna pagina da esportare.";
        return out;
    }
    if (UsesMainFile() && convert::SafeLeafName(mainFile_).empty()) {
        out.message = "Occorre indicare il nome del file principale.";
        return out;
    }
    const convert::TExportFormat& f = FormatEntry();
    if (!f.run) {
        out.message = "Formato non disponibile.";
        return out;
    }
    job.folder = settings_.folder;
    // Only the name counts: the file goes into the chosen folder.
    if (UsesMainFile()) job.mainFile = convert::SafeLeafName(mainFile_);
    job.html = html_;
    job.settings = settings_;
    if (progress) job.progress = [&](int pag, int tot, int phase) { progress(convert::ProgressText(pag, tot, phase)); };
    job.stop = stop;
    out.ran = true;
    out.result = f.run(job);
    return out;
}

}  // namespace shell
