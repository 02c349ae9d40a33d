// The export dialog without the dialog: which format, which pages are
// checked in the list, the destination (a folder, and the main file for the
// one-file formats), the HTML options and each format's stored settings, and
// the run with its progress, Stop and result. The desktop's "Esporta
// pagine..." window is a thin Qt shell over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "convert/ExportFormats.h"
#include "convert/ExportList.h"
#include "convert/html/ExportOptions.h"

namespace model {
class TNYXset;
}

namespace shell {

class TOptionsStore;

// "Export in corso, fase " ... texts and what the user answered.
struct TExportOutcome {
    bool ran = false;
    std::string message;  // Windows-1252: why it did not run ("Nessuna pagina scelta.")
    convert::TExportResult result;
    // The report's lines (Windows-1252): what was written, the problems and,
    // after Stop, what was left.
    std::vector<std::string> Lines() const;
};

class TExportChoices {
public:
    // Loads the HTML options and the first format's settings from `store`.
    TExportChoices(model::TNYXset& set, TOptionsStore& store);

    const std::vector<convert::TExportFormat>& Formats() const { return convert::ExportFormats(); }
    int Format() const { return format_; }
    const convert::TExportFormat& FormatEntry() const;
    // Stores the settings of the current format, then loads those of `code`
    // (false when there is no such format). The checked pages stay checked.
    bool SetFormat(int code);
    // Save-as: the first format whose extensions hold the file's, with the
    // file's folder and name; false when no format takes the extension.
    bool SetFile(const std::filesystem::path& file);

    // The list as the dialog shows it (pages in list order; for HTML the
    // style sheet first and no pictures).
    std::vector<convert::TExportRow> Rows();
    // Checks by row object (a page's reference).
    void Check(std::int32_t ref, bool on);
    bool Checked(std::int32_t ref) const { return checked_.count(ref) > 0; }
    // "Tutte": every page (refused by formats that export one page a file).
    bool CheckAll();
    void UncheckAll() { checked_.clear(); }
    // Page numbers of the checked pages, in list order.
    std::vector<std::int32_t> CheckedPages();

    // Destination. Formats without a main file use the folder only.
    const std::filesystem::path& Folder() const { return settings_.folder; }
    void SetFolder(const std::filesystem::path& folder) { settings_.folder = folder; }
    const std::string& MainFile() const { return mainFile_; }  // UTF-8 file name
    void SetMainFile(const std::string& name) { mainFile_ = name; }
    bool UsesMainFile() const { return !FormatEntry().mainExtension.empty(); }

    convert::TExportSettings& Settings() { return settings_; }
    const convert::html::THtmlOptions& HtmlOptions() const { return html_; }
    // The options dialog's OK: the options in force and stored.
    bool SetHtmlOptions(const convert::html::THtmlOptions& o);

    // Writes the current format's settings into "exp\" + code.
    bool Store();
    // "Esporta": stores the settings and runs the format's exporter over the
    // checked pages. `progress` gets "Export in corso, fase n: p%" texts;
    // `stop` is asked between items.
    TExportOutcome Run(const std::function<void(const std::string&)>& progress = {}, const std::function<bool()>& stop = {});

private:
    void Load(int code);
    std::string ProposedMainFile() const;

    model::TNYXset& set_;
    TOptionsStore& store_;
    int format_ = convert::efHtml;
    convert::TExportSettings settings_;
    std::string mainFile_;
    convert::html::THtmlOptions html_;
    std::set<std::int32_t> checked_;
};

// Section of a format's settings: "exp\" + code.
std::string ExportSection(int code);
convert::TExportSettings ReadExportSettings(const TOptionsStore& store, int code);
bool WriteExportSettings(TOptionsStore& store, int code, const convert::TExportSettings& s);

}  // namespace shell
