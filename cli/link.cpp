// nyx link: makes text of a page a link to another page or to an address, or
// appends a new linked text at the end of the page, and saves the file.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "markup/Lexer.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "shell/LinkChoices.h"

namespace nyx {
namespace {

bool ParseIndex(const std::string& s, std::int64_t& out) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoll(s);
    return true;
}

std::string Hex8(std::int32_t ref) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", static_cast<unsigned>(ref));
    return b;
}

// Where the escaped text stands in the stored markup outside every tag, or npos.
std::size_t FindInText(const std::string& markup, const std::string& escaped) {
    for (std::size_t at = markup.find(escaped); at != std::string::npos; at = markup.find(escaped, at + 1)) {
        // Inside a tag when the last '<' before it is not closed yet.
        const std::size_t open = markup.rfind('<', at);
        const std::size_t close = open == std::string::npos ? std::string::npos : markup.find('>', open);
        if (open != std::string::npos && close >= at) continue;
        // The found text must not cross a tag.
        if (markup.substr(at, escaped.size()).find('<') != std::string::npos) continue;
        return at;
    }
    return std::string::npos;
}

int CmdLink(const Args& a) {
    std::string file, pageArg, to, text;
    bool hasTo = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--to" && i + 1 < a.size()) {
            to = a[++i];
            hasTo = true;
        } else if (a[i] == "--text" && i + 1 < a.size()) {
            text = a[++i];
        } else if (a[i].rfind("--", 0) == 0) {
            return kUsage;
        } else if (file.empty()) {
            file = a[i];
        } else if (pageArg.empty()) {
            pageArg = a[i];
        } else {
            return kUsage;
        }
    }
    std::int64_t page = -1;
    if (file.empty() || !hasTo || !ParseIndex(pageArg, page)) return kUsage;

    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    model::TNYXoggetto* source = set.ObjectAt(model::testoHtml, page);
    if (!source || source->IsEmpty()) {
        std::fprintf(stderr, "nyx link: la pagina %lld non esiste\n", static_cast<long long>(page));
        return kFailed;
    }

    shell::TLinkChoices c;
    std::int64_t target = -1;
    if (ParseIndex(to, target)) {
        c.kind = shell::TLinkKind::page;
        c.page = target;
    } else if (to.rfind("quor:", 0) == 0) {
        c.kind = shell::TLinkKind::hypertext;
        std::string rest = to.substr(to.rfind("quor://", 0) == 0 ? 7 : 5);
        const auto bar = rest.find('|');
        c.file = platform::text::Utf8ToCp1252(rest.substr(0, bar));
        std::int64_t fp = -1;
        if (bar != std::string::npos && !ParseIndex(rest.substr(bar + 1), fp)) {
            std::fprintf(stderr, "nyx link: pagina dell'altro ipertesto non valida: %s\n", to.c_str());
            return kUsage;
        }
        c.foreignPage = fp;
    } else {
        c.kind = shell::TLinkKind::address;
        c.address = platform::text::Utf8ToCp1252(to);
    }
    if (const std::string why = shell::CheckLinkChoices(set, c); !why.empty()) {
        std::fprintf(stderr, "nyx link: %s\n", why.c_str());
        return kFailed;
    }

    const std::string cpText = platform::text::Utf8ToCp1252(text);
    std::string escaped;
    for (char ch : cpText) markup::AppendEscaped(escaped, ch);
    std::string markupText;
    if (!source->ReadFirstStream(markupText)) {
        std::fprintf(stderr, "nyx link: il testo della pagina %lld non è leggibile\n", static_cast<long long>(page));
        return kFailed;
    }
    while (!markupText.empty() && markupText.back() == '\0') markupText.pop_back();
    const std::size_t at = escaped.empty() ? std::string::npos : FindInText(markupText, escaped);
    if (at == std::string::npos && escaped.empty()) {
        // Appending needs something to show: the target's title or address.
        std::string shown = c.kind == shell::TLinkKind::page ? set.ObjectAt(model::testoHtml, c.page)->GetName()
                                                             : shell::LinkAddress(c);
        for (char ch : shown) markup::AppendEscaped(escaped, ch);
    }

    // The record joins the hypertext; the stored text names it by its reference.
    auto record = shell::MakeLinkRecord(set, c);
    if (!record) return kFailed;
    const int type = record->Type();
    const std::int32_t slot = set.RegisterObject(type, -1, std::move(record));
    if (slot < 0) {
        std::fprintf(stderr, "nyx link: la tabella dei collegamenti è piena\n");
        return kFailed;
    }
    const std::string open = "<$" + Hex8(model::MakeRef(type, static_cast<std::uint32_t>(slot))) + ">";
    bool appended = false;
    if (at != std::string::npos) {
        markupText.insert(at + escaped.size(), "<%>");
        markupText.insert(at, open);
    } else {
        if (markupText.empty()) markupText = "<Z S0 >";
        markupText += open + escaped + "<%>";
        appended = true;
    }
    source->SetFirstStream(markupText + std::string(1, '\0'));
    set.SetModified(true);
    if (!SaveReporting(set, file)) return kFailed;
    std::printf("pagina %lld: collegamento %s a %s\n", static_cast<long long>(page), appended ? "aggiunto" : "posto",
                to.c_str());
    return kOk;
}

Registrar r({"link", "fa di un testo di una pagina un collegamento (o lo aggiunge in fondo)",
             "nyx link FILE PAGINA --to PAGINA|URL [--text TESTO]", CmdLink});

}  // namespace
}  // namespace nyx
