#include "convert/html/ImportJob.h"

#include "convert/html/HtmlImport.h"
#include "convert/rtf/NYXtortf.h"
#include "convert/rtf/Soffice.h"
#include "convert/text/NYXtoTxt.h"
#include "model/NYXset.h"

namespace convert::html {

namespace fs = std::filesystem;

const std::vector<std::string>& ImportFormatNames() {
    static const std::vector<std::string> names = {
        "HTML",
        "RTF (Word, Word Perfect, Publisher, ...): pi\xC3\xB9 pagine",
        "RTF (Word, Word Perfect, Publisher, ...): una pagina ogni file",
        "Rtf WINHELP (WinHelp Compiler)",
        "ASCII (Blocco note,...)",
        "DOC (Word): pi\xC3\xB9 pagine",
        "DOC (Word): una pagina ogni file",
    };
    return names;
}

bool ImportFormatAvailable(int format) {
    if (format == ifDocPages || format == ifDocOnePage) return rtf::SofficeAvailable();
    return format >= ifHtml && format <= ifText;
}

int ImportFormatOf(const fs::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == ".htm" || ext == ".html") return ifHtml;
    if (ext == ".txt" || ext == ".ini" || ext == ".asc" || ext == ".pas" || ext == ".c" || ext == ".cpp") return ifText;
    if (ext == ".rtf") return ifRtfPages;
    if ((ext == ".doc" || ext == ".wri") && ImportFormatAvailable(ifDocPages)) return ifDocPages;
    return -1;
}

std::vector<fs::path> ImportList(model::TNYXset& set, const TImportChoices& c, TImportReport* report) {
    if (c.format != ifHtml || !c.follow) return c.files;
    if (c.root.empty()) return {};
    THtmlImport imp(&set);
    std::vector<fs::path> list{c.root};
    for (const fs::path& f : imp.CollectLinkedFiles(c.root, c.levels)) list.push_back(f);
    if (report) *report = imp.Report();
    return list;
}

TImportOutcome RunImport(model::TNYXset& set, const TImportChoices& c, const std::function<void(const std::string&)>& progress,
                         const std::function<bool()>& stop) {
    TImportOutcome out;
    if (!ImportFormatAvailable(c.format)) {
        out.message = "Formato non disponibile: " + ImportFormatNames()[static_cast<std::size_t>(c.format)];
        return out;
    }
    const std::vector<fs::path> files = ImportList(set, c);
    if (files.empty()) {
        out.message = "Occorre scegliere almeno un file";
        return out;
    }
    auto onProgress = [&](int index, int count, int phase) {
        if (progress) progress(ImportProgressText(index, count, phase));
    };
    out.ran = true;
    if (c.format == ifHtml) {
        THtmlImport imp(&set);
        imp.importBackColour = c.backColour;
        imp.importBackPicture = c.backPicture;
        imp.OnImpProgress = onProgress;
        imp.stopRequested = stop;
        imp.ImportFiles(files, 1);
        out.report = imp.Report();
    } else if (c.format != ifText) {
        rtf::TNYXtortf x(&set);
        x.importBackColour = c.backColour;
        x.importBackPicture = c.backPicture;
        x.OnImpProgress = onProgress;
        x.stopRequested = stop;
        x.importOptions.allToGif = c.allToGif;
        x.importOptions.summary = c.summary;
        x.importOptions.commonIndex = c.commonIndex;
        x.importOptions.headingLevel = c.headingLevel;
        x.importOptions.parsPerPage = c.parsPerPage;
        x.importOptions.winHelp = c.format == ifWinHelp;
        std::vector<fs::path> list = files;
        std::vector<std::string> failed;
        if (c.format == ifDocPages || c.format == ifDocOnePage) {
            // Word documents come in through LibreOffice's RTF of them.
            const fs::path tmp = set.WorkFolder() / "rtftmpI";
            list.clear();
            for (const fs::path& f : files) {
                std::string why;
                const fs::path made = rtf::SofficeConvert(f, tmp, "rtf", ".rtf", 120, &why);
                if (made.empty()) failed.push_back(f.string() + ": " + why);
                else list.push_back(made);
            }
        }
        const bool several = c.format == ifRtfPages || c.format == ifDocPages || c.format == ifWinHelp;
        x.ImportFiles(list, several ? 1 : 0);
        out.report = x.Report();
        out.report.skipped.insert(out.report.skipped.end(), failed.begin(), failed.end());
        if (c.format == ifWinHelp) out.winHelpReport = x.WinHelpReportLines();
    } else {
        text::TNYXtoTxt txt(&set);
        txt.importBackColour = c.backColour;
        txt.importBackPicture = c.backPicture;
        txt.OnImpProgress = onProgress;
        txt.stopRequested = stop;
        txt.ImportFiles(files, 1);
        out.report = txt.Report();
    }
    return out;
}

}  // namespace convert::html
