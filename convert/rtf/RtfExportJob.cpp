#include "convert/rtf/RtfExportJob.h"

#include "convert/Converter.h"
#include "convert/rtf/NYXtortf.h"
#include "convert/rtf/Soffice.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace convert::rtf {

namespace fs = std::filesystem;

std::vector<TRtfFormatEntry> RtfExportFormats() {
    std::vector<TRtfFormatEntry> v = {
        {efRtfOneFile, "RTF (Word, Word Perfect, Publisher, ...): un solo file", "*.rtf;", false, ".rtf"},
        {efRtfPerPage, "RTF (Word, Word Perfect, Publisher, ...): un file per ogni pagina", "*.rtf;", true, ".rtf"},
        {efWinHelp, "Rtf WINHELP (WinHelp Compiler): un solo file", "*.rtf;", false, ".rtf"},
    };
    if (SofficeAvailable()) v.push_back({efDoc, "DOC (Word): un solo file", "*.doc;*.wri;*.rtf;", false, ".doc"});
    return v;
}

TRtfExportOutcome RunRtfExport(model::TNYXset& set, const TRtfExportJob& job, const std::function<void(int, int, int)>& progress) {
    TRtfExportOutcome out;
    TNYXtortf x(&set);
    x.OnExpProgress = progress;
    x.stopRequested = job.stop;
    x.ExportPath = job.folder;
    std::string leaf = SafeLeafName(job.mainFile);
    if (leaf.empty()) leaf = "export.rtf";
    auto note = [&] {
        for (const std::string& p : x.Problems()) out.problems.push_back(platform::text::Cp1252ToUtf8(p));
        out.stopped = x.Stopped();
        out.pagesLeft = x.PagesLeft();
    };
    switch (job.format) {
        case efRtfPerPage:
            out.ok = x.ExportEachPage(job.pages);
            for (std::size_t i = 0; i + x.PagesLeft().size() < job.pages.size(); ++i)
                out.written.push_back(job.folder / platform::text::Cp1252ToUtf8(x.PageFileName(job.pages[i])));
            note();
            return out;
        case efDoc: {
            // The RTF goes to the working folder; LibreOffice writes the ".doc" into the chosen one.
            const fs::path tmp = set.WorkFolder() / "rtftmp";
            std::error_code ec;
            fs::create_directories(tmp, ec);
            x.ExportFileName = tmp / fs::path(leaf).replace_extension(".rtf");
            out.ok = x.ExportPages(job.pages);
            note();
            if (!out.ok) return out;
            std::string why;
            const fs::path made = SofficeConvert(x.ExportFileName, job.folder, "doc:MS Word 97", ".doc", 180, &why);
            fs::remove(x.ExportFileName, ec);
            if (made.empty()) {
                out.ok = false;
                out.problems.push_back(why);
            } else {
                out.written.push_back(made);
            }
            return out;
        }
        default: break;
    }
    x.ExportFileName = job.folder / leaf;
    x.winHelp = job.format == efWinHelp;
    x.titlesAsKeywords = job.titlesAsKeywords;
    out.ok = x.ExportPages(job.pages);
    if (x.Stopped()) {
        note();
        return out;
    }
    out.written.push_back(x.ExportFileName);
    if (x.winHelp && out.ok) {
        out.ok = x.WriteProject(job.pages);
        out.written.push_back(x.ProjectFileName());
        for (const std::string& b : x.Bitmaps()) out.written.push_back(job.folder / platform::text::Cp1252ToUtf8(b));
        if (out.ok && job.runCompiler) {
            x.compilerCommand = job.useRegistered ? std::string("xdg-open") : job.compiler;
            std::string why;
            if (!x.RunCompiler(&why)) out.problems.push_back(why);
        }
    }
    note();
    return out;
}

}  // namespace convert::rtf
