// The RTF formats in the export dialog's registry: each entry runs the RTF
// exporter over the pages chosen in the dialog.
#include "convert/ExportFormats.h"
#include "convert/rtf/RtfExportJob.h"
#include "model/Types.h"
#include "platform/text.h"

namespace convert::rtf {

void RegisterRtfExportFormats() {
    for (const TRtfFormatEntry& e : RtfExportFormats()) {
        TExportFormat f;
        f.code = e.code;
        f.name = platform::text::Utf8ToCp1252(e.name);
        f.extensions = e.extensions;
        f.mainExtension = e.folderOnly ? std::string() : e.proposedExtension;
        f.listType = e.folderOnly ? ltManyFiles : ltOneFile;
        f.checkAll = e.code != efRtfPerPage;
        const int code = e.code;
        f.run = [code](const TExportJob& job) {
            TExportResult r;
            if (!job.set) return r;
            TRtfExportJob j;
            j.format = code;
            j.pages = job.pages;
            j.folder = job.folder;
            j.mainFile = job.mainFile.filename().string();
            j.titlesAsKeywords = job.settings.runTitKey;
            j.runCompiler = job.settings.runHcp;
            j.useRegistered = job.settings.runDefaultHcp;
            j.compiler = job.settings.hcpPath;
            j.stop = job.stop;
            const TRtfExportOutcome out = RunRtfExport(*job.set, j, job.progress);
            for (const auto& w : out.written) {
                const auto rel = w.lexically_relative(job.folder);
                r.written.push_back(platform::text::Utf8ToCp1252((rel.empty() ? w.filename() : rel).string()));
            }
            for (const std::string& p : out.problems) r.problems.push_back(platform::text::Utf8ToCp1252(p));
            r.stopped = out.stopped;
            for (const std::int32_t p : out.pagesLeft)
                r.left.push_back(PageLine(*job.set, model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(p))));
            if (!out.ok && r.problems.empty()) r.problems.push_back("Esportazione RTF non riuscita");
            return r;
        };
        RegisterExportFormat(std::move(f));
    }
}

}  // namespace convert::rtf
