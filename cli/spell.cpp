// nyx spell: the words of each page that the dictionary does not know, page
// by page, with the user's own word list.
#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/Util.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "shell/Search.h"
#include "shell/Spell.h"

namespace nyx {
namespace {

int CmdSpell(const Args& a) {
    std::string file, lang = "it_IT", user;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == "--lang" && i + 1 < a.size()) lang = a[++i];
        else if (a[i] == "--user" && i + 1 < a.size()) user = a[++i];
        else if (a[i].rfind("--", 0) == 0 || !file.empty()) return kUsage;
        else file = a[i];
    }
    if (file.empty()) return kUsage;
    shell::TKySpellChecker checker;
    checker.LoadUserDictionary(user.empty() ? shell::TUserDictionary::DefaultPath() : std::filesystem::path(user));
    if (!checker.Open(lang)) {
        std::fprintf(stderr, "nyx spell: %s\n", Out(checker.OpenProblem()).c_str());
        return kFailed;
    }
    model::TNYXset set;
    ApplyProgramOptions(set);
    if (!set.LoadFromFile(file)) return kFailed;
    std::size_t unknown = 0;
    for (std::size_t i = 0; i < set.Count(model::testoHtml); ++i) {
        const model::TNYXoggetto* page = set.ObjectAt(model::testoHtml, static_cast<std::int64_t>(i));
        if (!page || page->IsEmpty()) continue;
        const std::string text = shell::PagePlainText(*page, false);
        std::string words;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string_view para(text.data() + start, end - start);
            for (const shell::TSpellProblem& p : checker.CheckAll(para)) {
                if (p.status != shell::kSpellUnknown) continue;
                words += (words.empty() ? "" : " ") + std::string(para.substr(p.pos, p.len));
                ++unknown;
            }
            start = end + 1;
        }
        if (!words.empty())
            std::printf("pagina %zu \"%s\": %s\n", i, Out(page->GetName()).c_str(), Out(words).c_str());
    }
    std::fprintf(stderr, "%zu parole sconosciute (%s)\n", unknown, checker.Language().c_str());
    return kOk;
}

Registrar r({"spell", "le parole sconosciute di ogni pagina",
             "nyx spell FILE [--lang it_IT] [--user DIZIONARIO]", CmdSpell});

}  // namespace
}  // namespace nyx
