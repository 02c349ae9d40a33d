#include "richtext/Diagnostics.h"

#include <cstdio>

namespace richtext {

const char* ProblemText(MarkupProblem p) {
    switch (p) {
        case MarkupProblem::TruncatedParameter: return "parametro troncato";
        case MarkupProblem::MalformedParameter: return "parametro non valido";
        case MarkupProblem::MissingStyle: return "paragrafo senza stile";
        case MarkupProblem::TextBeforeParagraph: return "testo prima del primo paragrafo";
        case MarkupProblem::StrayCellEnd: return "fine cella fuori da una tabella";
        case MarkupProblem::UnterminatedBlock: return "blocco non chiuso";
        case MarkupProblem::TruncatedTag: return "tag troncato";
        case MarkupProblem::UnknownObject: return "oggetto sconosciuto";
        case MarkupProblem::DuplicateObject: return "oggetto ripetuto";
        case MarkupProblem::UnknownLink: return "collegamento di tipo sconosciuto";
        case MarkupProblem::NestingTooDeep: return "tabelle annidate troppo in profondità";
        case MarkupProblem::MissingCells: return "celle di tabella mancanti";
        case MarkupProblem::TableShape: return "tabella con righe o colonne fuori dai limiti";
        case MarkupProblem::ControlBytes: return "caratteri di controllo";
    }
    return "?";
}

void TMarkupDiagnostics::Note(MarkupProblem p, std::size_t offset) {
    auto k = static_cast<std::size_t>(p);
    if (counts_.size() <= k) counts_.resize(k + 1);
    if (counts_[k]++ < 8) notes_.push_back({p, offset});
    ++total_;
}

std::size_t TMarkupDiagnostics::Count(MarkupProblem p) const {
    auto k = static_cast<std::size_t>(p);
    return k < counts_.size() ? counts_[k] : 0;
}

void TMarkupDiagnostics::Clear() {
    notes_.clear();
    counts_.clear();
    total_ = 0;
}

std::vector<std::string> TMarkupDiagnostics::Summary() const {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < counts_.size(); ++k) {
        if (!counts_[k]) continue;
        std::size_t first = 0;
        for (const auto& n : notes_)
            if (static_cast<std::size_t>(n.problem) == k) {
                first = n.offset;
                break;
            }
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s (%zu volte, la prima alla posizione %zu)",
                      ProblemText(static_cast<MarkupProblem>(k)), counts_[k], first);
        out.emplace_back(buf);
    }
    return out;
}

}  // namespace richtext
