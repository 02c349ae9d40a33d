// Plain text and stored markup: pages exported as text (UTF-8 or
// Windows-1252; table cells separated by tabs, rows by line ends, the
// markers of free HTML texts as their "!Ref" references), text files
// imported as pages, and text pasted as paragraphs (in code mode with its
// "!Ref" references turned back into markers).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/Converter.h"
#include "convert/html/ImportReport.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace convert::text {

enum class TTextEncoding { Utf8, Cp1252 };

class TNYXtoTxt : public TNYXconv {
public:
    explicit TNYXtoTxt(model::TNYXset* set = nullptr) : TNYXconv(set) {}

    TTextEncoding encoding = TTextEncoding::Utf8;  // of the files written
    std::uint32_t importBackColour = 0xFFFFFF;
    std::int32_t importBackPicture = -1;
    html::TImportProgress OnImpProgress;
    std::function<bool()> stopRequested;

    // The text of a stored markup text (Windows-1252, "\r\n" between paragraphs).
    std::string MarkupToText(std::string_view markup) const;
    // A markup fragment (ended by NUL) as text followed by NUL (clipboard mode).
    std::string ExportSelection(std::string_view source) const;
    // The pages' texts, separated by "\r\n", into ExportFileName.
    bool ExportPages(const std::vector<std::int32_t>& pages) override;
    bool ExportOnePage(std::int32_t page) { return ExportPages({page}); }
    // The pages' texts as ExportPages writes them (Windows-1252).
    std::string PagesText(const std::vector<std::int32_t>& pages) const;
    const std::vector<std::string>& Problems() const { return problems_; }

    // One page per file; returns the number of the first page made, 0 when none.
    int ImportFiles(const std::vector<std::filesystem::path>& files, int flag = 1);
    // One text held in memory as the file `name` would be; the page or nullptr
    // (a binary text is refused and reported).
    model::TNYXoggetto* ImportText(std::string_view bytes, const std::filesystem::path& name);
    const html::TImportReport& Report() const { return report_; }

    // Lines of Windows-1252 text as paragraphs of style `style`: tabs become
    // eight blanks, "&", "<", ">" their escapes, control bytes go, lines
    // longer than a paragraph holds are split.
    static std::string TextToMarkup(std::string_view text, int style);

    // Text lines to the program's clipboard container: mode 0 in paragraph
    // style `style`, mode 1 in the style "Codice" (made on first need) with
    // "!Ref" references turned into markers (page-local objects "<$FF...>").
    std::string ImportFragment(const std::vector<std::string>& lines, int mode, int style);

    // Largest file read.
    static constexpr std::uintmax_t kMaxFileSize = 1u << 30;

private:
    html::TImportReport report_;
    mutable std::vector<std::string> problems_;
};

// Text from the clipboard (UTF-8) pasted in code mode: its lines, with
// their "!Ref" references as markers, as a clipboard container in the style
// "Codice" of `set`.
std::string PasteAsCode(model::TNYXset& set, std::string_view utf8);
// Makes PasteAsCode the rich-text boxes' paste in code mode.
void InstallCodePaste();

// True when bytes look like a binary file rather than text (NUL bytes
// outside UTF-16, or many control bytes).
bool LooksBinary(std::string_view bytes);

}  // namespace convert::text
