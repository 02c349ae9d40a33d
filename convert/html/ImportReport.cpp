#include "convert/html/ImportReport.h"

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXset.h"
#include "present/TableData.h"

namespace convert::html {

std::vector<std::string> TImportReport::Lines() const {
    std::vector<std::string> l;
    l.push_back("Pagine importate: " + std::to_string(pages.size()));
    if (unmapped)
        l.push_back("Caratteri senza corrispondenza nel set Windows-1252, sostituiti da \"?\": " + std::to_string(unmapped));
    if (picturesMissing) l.push_back("Immagini non caricate: " + std::to_string(picturesMissing));
    if (!outside.empty()) {
        l.push_back(std::string("Riferimenti fuori dalla cartella dei file importati (") +
                    (outsideLoaded ? "caricati" : "non caricati") + "):");
        for (const auto& o : outside) l.push_back("  " + o);
    }
    if (!skipped.empty()) {
        l.push_back("File non importati:");
        for (const auto& s : skipped) l.push_back("  " + s);
    }
    for (const auto& p : problems)
        l.push_back("Errore di lettura in " + p.file + " alla posizione " + std::to_string(p.offset) + ": " + p.text);
    if (stopped) l.push_back("Import interrotto.");
    return l;
}

std::string ImportProgressText(int index, int count, int phase) {
    const long pct = count > 0 ? static_cast<long>(index) * 100 / count : 100;
    return "Import in corso, fase " + std::to_string(phase) + ": " + std::to_string(pct) + "%";
}

model::TNYXtesto* NewImportPage(model::TNYXset& set, std::uint32_t backColour, std::int32_t backPicture) {
    auto* page = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    if (!page) return nullptr;
    page->SetInt(model::pagerec::kBackColour, static_cast<std::int32_t>(backColour & 0xFFFFFF));
    const model::TNYXoggetto* pic = backPicture >= 0 ? set.ObjectByRef(backPicture) : nullptr;
    page->SetInt(model::pagerec::kBackPicture,
                 pic && !pic->IsEmpty() && pic->Type() == model::immagine ? static_cast<std::int32_t>(pic->Index()) : -1);
    return page;
}

std::string PostProcessImportedText(const model::TNYXset& set, std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    markup::TMarkupLexer lx(text);
    std::vector<long> open;  // cells still expected by each open table
    bool first = true;
    bool wantParagraph = false;  // after a cell separator or a table tag
    std::size_t copied = 0;
    auto flush = [&](std::size_t upTo) {
        out.append(text.substr(copied, upTo - copied));
        copied = upTo;
    };
    for (;;) {
        const markup::Token t = lx.Next();
        if (t.kind == markup::TokenKind::End || t.kind == markup::TokenKind::Nul) {
            flush(t.begin);
            break;
        }
        const bool para = t.kind == markup::TokenKind::Tag && t.letter == 'Z';
        if (first) {
            first = false;
            if (!para) out += "<Z S0 >";
        }
        if (wantParagraph && !para && !(t.kind == markup::TokenKind::Tag && t.letter == 'T')) {
            flush(t.begin);
            out += "<Z S1 >";
        }
        if (wantParagraph && t.kind == markup::TokenKind::Tag && t.letter == 'T') {
            flush(t.begin);
            out += "<Z S1 >";
        }
        wantParagraph = false;
        if (t.kind != markup::TokenKind::Tag) continue;
        if (t.letter == 'T' && t.end - t.begin == 3 && text.substr(t.begin, 3) == "<T>") {
            if (open.empty()) {  // a separator outside any table: dropped
                flush(t.begin);
                copied = t.end;
                continue;
            }
            // The next cell of the same table needs its paragraph; after the
            // last one the enclosing text (or cell) simply goes on.
            if (--open.back() <= 0) open.pop_back();
            else wantParagraph = true;
            continue;
        }
        if (t.letter == '$') {
            std::uint32_t key = 0;
            if (!markup::ParseRefTag(text, t, key) || (key >> 24) != model::tabellaHtml) continue;
            const model::TNYXoggetto* tab = set.ObjectByRef(static_cast<std::int32_t>(key));
            if (!tab || tab->IsEmpty()) continue;
            const present::TTableData td(*tab);
            const long cells = static_cast<long>(td.Rows()) * td.Columns();
            if (cells <= 0) continue;
            open.push_back(cells);
            wantParagraph = true;
        }
    }
    if (first) out += "<Z S0 >";
    while (!open.empty()) {
        out += "<Z S1 ><T>";
        if (--open.back() <= 0) open.pop_back();
    }
    return out;
}

}  // namespace convert::html
