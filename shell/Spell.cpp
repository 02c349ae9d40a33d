#include "shell/Spell.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include "platform/text.h"
#include "shell/ProgramOptions.h"
#include "shell/Search.h"

namespace fs = std::filesystem;

namespace shell {
namespace {

bool IsApostrophe(unsigned char c) { return c == 0x27 || c == 0x92; }
bool IsBlank(unsigned char c) { return c == ' ' || c == 0xA0; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return IsWordChar(c) && !IsDigit(c); }
bool IsLowerLetter(unsigned char c) {
    return IsLetter(c) && platform::text::UpperChar(static_cast<char>(c)) != static_cast<char>(c);
}
bool IsUpperLetter(unsigned char c) {
    return IsLetter(c) && platform::text::LowerChar(static_cast<char>(c)) != static_cast<char>(c);
}

// The engine sees one apostrophe: the typographic one becomes the plain one.
std::string EngineForm(std::string_view word) {
    std::string w(word);
    for (char& c : w)
        if (static_cast<unsigned char>(c) == 0x92) c = '\'';
    return w;
}

fs::path UserDataFolder() {
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/') return fs::path(x);
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / ".local" / "share";
    return fs::temp_directory_path();
}

bool WriteFileAtomically(const fs::path& file, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::string tmpl = (file.parent_path() / (file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(tmpl.c_str(), file.c_str()) == 0;
    if (!ok) ::unlink(tmpl.c_str());
    return ok;
}

}  // namespace

std::uint16_t SpellOptionMask(const TSpellOptions& o) {
    std::uint16_t m = spoIgnoreMixedDigits;
    if (o.userDic) m |= spoSuggestFromUserDict;
    if (o.caps) m |= spoIgnoreAllCaps;
    if (o.roman) m |= spoIgnoreRomanNumerals;
    if (o.start) m |= spoFindUncappedSentences;
    if (o.point) m |= spoFindMissingSpaces;
    if (o.repeat) m |= spoFindRepeatWord;
    if (o.rate) m |= spoRateSuggestions;
    return m;
}

std::string SpellStatusText(int status) {
    switch (status) {
        case kSpellUnknown: case kSpellUnknownChange: return "Parola sconosciuta:";
        case 4: return "A capo errato:";
        case 5: return "Errore nelle maiuscole:";
        case 6: return "Possibile abbreviazione:";
        case kSpellUncapped: return "Errore nella maiuscola a inizio frase:";
        case kSpellRepeated: return "Parole ripetute:";
        case kSpellExtraSpaces: return "Spazi extra:";
        case kSpellMissingSpace: return "Spazio mancante:";
        case kSpellInitialDigits: return "Numeri all'inizio di una parola:";
        default: return "";
    }
}

// --- dictionaries --------------------------------------------------------------------------

std::vector<fs::path> DictionaryFolders() {
    return {UserDataFolder() / "hunspell", "/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};
}

std::vector<std::string> InstalledLanguages(const std::vector<fs::path>& folders) {
    std::vector<std::string> out;
    for (const fs::path& f : folders) {
        std::error_code ec;
        for (fs::directory_iterator it(f, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path p = it->path();
            if (p.extension() != ".aff") continue;
            fs::path dic = p;
            dic.replace_extension(".dic");
            if (!fs::exists(dic, ec)) continue;
            const std::string name = p.stem().string();
            if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(name);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<TDictionary> FindDictionary(std::string_view language, const std::vector<fs::path>& folders) {
    auto in = [&](const std::string& lang) -> std::optional<TDictionary> {
        if (lang.empty() || lang.find('/') != std::string::npos || lang.find("..") != std::string::npos)
            return std::nullopt;
        for (const fs::path& f : folders) {
            std::error_code ec;
            const fs::path aff = f / (lang + ".aff"), dic = f / (lang + ".dic");
            if (fs::is_regular_file(aff, ec) && fs::is_regular_file(dic, ec)) return TDictionary{lang, aff, dic};
        }
        return std::nullopt;
    };
    const std::string lang(language);
    if (auto d = in(lang)) return d;
    // Another dictionary of the same primary language.
    const std::string primary = lang.substr(0, lang.find_first_of("_-"));
    if (primary.empty()) return std::nullopt;
    for (const std::string& other : InstalledLanguages(folders))
        if (other == primary || other.rfind(primary + "_", 0) == 0 || other.rfind(primary + "-", 0) == 0)
            if (auto d = in(other)) return d;
    return std::nullopt;
}

std::string LanguageOfLocale(int lcid) {
    static const std::map<int, const char*> kNames = {
        {1040, "it_IT"}, {2064, "it_CH"}, {1033, "en_US"}, {2057, "en_GB"}, {1036, "fr_FR"}, {4108, "fr_CH"},
        {1031, "de_DE"}, {2055, "de_CH"}, {3082, "es_ES"}, {1034, "es_ES"}, {2070, "pt_PT"}, {1046, "pt_BR"},
        {1043, "nl_NL"}, {1045, "pl_PL"}, {1049, "ru_RU"}, {1053, "sv_SE"}, {1030, "da_DK"}, {1044, "nb_NO"},
    };
    if (auto it = kNames.find(lcid); it != kNames.end()) return it->second;
    if (auto it = kNames.find((lcid & 0x3FF) | 0x400); it != kNames.end()) return it->second;
    return {};
}

// --- the user's word list -------------------------------------------------------------------

fs::path TUserDictionary::DefaultPath() { return UserDataFolder() / "quor" / "utente.dic"; }

bool TUserDictionary::IsValidWord(std::string_view word) {
    if (word.empty() || word.size() > kMaxSpellWord) return false;
    for (unsigned char c : word)
        if (c < 0x20 || c == 0x7F || c == ' ') return false;
    return true;
}

std::size_t TUserDictionary::Load(const fs::path& file) {
    path_ = file;
    words_.clear();
    order_.clear();
    std::ifstream in(file, std::ios::binary);
    std::size_t skipped = 0;
    std::string line;
    // A line longer than any word is read only as far as it must be to skip it.
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!IsValidWord(line)) {
            ++skipped;
            continue;
        }
        if (words_.insert(line).second) order_.push_back(line);
    }
    return skipped;
}

bool TUserDictionary::Add(std::string_view word) {
    if (!IsValidWord(word)) return false;
    if (Contains(word)) return true;
    if (path_.empty()) path_ = DefaultPath();
    std::string bytes;
    for (const std::string& w : order_) bytes += w + "\n";
    bytes.append(word);
    bytes += "\n";
    if (!WriteFileAtomically(path_, bytes)) return false;
    words_.insert(std::string(word));
    order_.emplace_back(word);
    return true;
}

// --- words ------------------------------------------------------------------------------------

std::vector<TSpellWord> SplitWords(std::string_view text) {
    std::vector<TSpellWord> out;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (!IsWordChar(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < n) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (IsWordChar(c)) ++i;
            else if (IsApostrophe(c) && i + 1 < n && IsWordChar(static_cast<unsigned char>(text[i + 1]))) i += 2;
            else break;
        }
        out.push_back({start, i - start});
    }
    return out;
}

// --- the checker -------------------------------------------------------------------------------

TKySpellChecker::TKySpellChecker() = default;
TKySpellChecker::~TKySpellChecker() = default;

bool TKySpellChecker::Open(std::string_view language, const std::vector<fs::path>& folders) {
    Close();
    const std::optional<TDictionary> d = FindDictionary(language, folders);
    if (!d) {
        std::string where;
        for (const fs::path& f : folders) where += (where.empty() ? "" : ", ") + f.string();
        problem_ = "Nessun dizionario installato per la lingua " + std::string(language) +
                   (where.empty() ? std::string(".") : " (cercato in " + where + ").");
        return false;
    }
    engine_ = MakeHunspellEngine(*d);
    if (!engine_) {
        problem_ = "Errore caricando il dizionario " + d->dic.string();
        return false;
    }
    language_ = d->language;
    problem_.clear();
    for (const std::string& w : user_.Words()) engine_->Accept(w);
    return true;
}

void TKySpellChecker::OpenWith(std::unique_ptr<TSpellEngine> engine, std::string language) {
    engine_ = std::move(engine);
    language_ = std::move(language);
    problem_.clear();
    if (engine_)
        for (const std::string& w : user_.Words()) engine_->Accept(w);
}

void TKySpellChecker::Close() {
    engine_.reset();
    language_.clear();
}

void TKySpellChecker::LoadUserDictionary(const fs::path& file) {
    user_.Load(file);
    if (engine_)
        for (const std::string& w : user_.Words()) engine_->Accept(w);
}

bool TKySpellChecker::SkippedWord(std::string_view w) const {
    if (w.empty() || w.size() > kMaxSpellWord) return true;
    bool digits = false, letters = false, allUpper = true, roman = true;
    for (unsigned char c : w) {
        if (IsDigit(c)) digits = true;
        else if (IsLetter(c)) {
            letters = true;
            if (!IsUpperLetter(c)) allUpper = false;
        }
        if (!std::strchr("IVXLCDM", c) || c == 0) roman = false;
    }
    if (!letters) return true;
    if (digits && (options_ & spoIgnoreMixedDigits)) return true;
    if (allUpper && (options_ & spoIgnoreAllCaps)) return true;
    if (roman && (options_ & spoIgnoreRomanNumerals)) return true;
    return false;
}

bool TKySpellChecker::Ignored(std::string_view word) const { return ignored_.count(std::string(word)) != 0; }

bool TKySpellChecker::KnownWord(std::string_view word) {
    if (!engine_ || word.empty() || word.size() > kMaxSpellWord) return true;
    if (Ignored(word) || user_.Contains(word)) return true;
    return engine_->Check(EngineForm(word));
}

template <class F>
void TKySpellChecker::Scan(std::string_view text, F&& fn) {
    const std::vector<TSpellWord> words = SplitWords(text);
    std::size_t prevEnd = std::string_view::npos;
    std::string prevLower;
    for (const TSpellWord& w : words) {
        const std::string_view word = text.substr(w.pos, w.len);
        const std::size_t gapFrom = prevEnd == std::string_view::npos ? 0 : prevEnd;
        const std::string_view gap = text.substr(gapFrom, w.pos - gapFrom);
        const bool blanksOnly = !gap.empty() && std::all_of(gap.begin(), gap.end(), [](char c) {
            return IsBlank(static_cast<unsigned char>(c));
        });
        bool sentenceStart = prevEnd == std::string_view::npos;
        if (!sentenceStart && !gap.empty() && IsBlank(static_cast<unsigned char>(gap.back())))
            sentenceStart = gap.find_first_of(".!?\x85") != std::string_view::npos;
        const std::string lower = platform::text::Lower(word);

        if (prevEnd != std::string_view::npos) {
            if ((options_ & spoFindExtraSpaces) && blanksOnly && gap.size() >= 2) {
                TSpellProblem p{kSpellExtraSpaces, prevEnd - 1, gap.size() + 2, {}};
                p.replacement = std::string(1, text[prevEnd - 1]) + " " + text[w.pos];
                if (!fn(p)) return;
            }
            if ((options_ & spoFindMissingSpaces) && gap.size() == 1 && std::strchr(".,;:!?", gap[0]) &&
                IsLetter(static_cast<unsigned char>(word[0]))) {
                if (!fn(TSpellProblem{kSpellMissingSpace, prevEnd, 1 + w.len, {}})) return;
            }
        }
        TSpellProblem p{kSpellClean, w.pos, w.len, {}};
        if ((options_ & spoFindRepeatWord) && blanksOnly && lower == prevLower && !SkippedWord(word)) {
            p.status = kSpellRepeated;
        } else if (auto all = changeAll_.find(std::string(word)); all != changeAll_.end()) {
            p.status = kSpellAutoChange;
            p.replacement = all->second;
        } else if (auto once = changeOnce_.find(std::string(word)); once != changeOnce_.end()) {
            p.status = kSpellUnknownChange;
            p.replacement = once->second;
        } else if ((options_ & spoFindInitialNumerals) && IsDigit(static_cast<unsigned char>(word[0])) &&
                   std::any_of(word.begin(), word.end(), [](char c) { return IsLetter(static_cast<unsigned char>(c)); })) {
            p.status = kSpellInitialDigits;
        } else if (!SkippedWord(word) && !KnownWord(word)) {
            // "po'": a closing apostrophe belongs to the word when that makes it one.
            const std::size_t end = w.pos + w.len;
            const bool elided = end < text.size() && IsApostrophe(static_cast<unsigned char>(text[end])) &&
                                KnownWord(std::string(word) + "'");
            if (elided) p.len = w.len + 1;
            else p.status = kSpellUnknown;
        }
        if (p.status == kSpellClean && (options_ & spoFindUncappedSentences) && sentenceStart &&
            IsLowerLetter(static_cast<unsigned char>(word[0]))) {
            p.status = kSpellUncapped;
            p.replacement = std::string(word);
            p.replacement[0] = platform::text::UpperChar(p.replacement[0]);
        }
        if (p.status != kSpellClean && !fn(p)) return;
        prevEnd = w.pos + w.len;
        prevLower = lower;
    }
}

std::optional<TSpellProblem> TKySpellChecker::Check(std::string_view text, std::size_t from) {
    std::optional<TSpellProblem> found;
    if (!engine_) return found;
    Scan(text, [&](const TSpellProblem& p) {
        if (p.pos < from) return true;
        found = p;
        return false;
    });
    return found;
}

std::vector<TSpellProblem> TKySpellChecker::CheckAll(std::string_view text) {
    std::vector<TSpellProblem> out;
    if (!engine_) return out;
    Scan(text, [&](const TSpellProblem& p) {
        out.push_back(p);
        return true;
    });
    return out;
}

std::string TKySpellChecker::Marks(std::string_view text) {
    std::string marks(text.size(), ' ');
    for (const TSpellProblem& p : CheckAll(text))
        for (std::size_t i = p.pos; i < p.pos + p.len && i < marks.size(); ++i) marks[i] = '!';
    return marks;
}

std::vector<std::string> TKySpellChecker::Suggestions(std::string_view word) {
    std::vector<std::string> out;
    if (!engine_ || word.empty() || word.size() > kMaxSpellWord) return out;
    for (std::string& s : engine_->Suggest(EngineForm(word)))
        if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
    return out;
}

void TKySpellChecker::IgnoreAlways(std::string_view word) {
    if (TUserDictionary::IsValidWord(word)) ignored_.insert(std::string(word));
}

bool TKySpellChecker::AddToUserDictionary(std::string_view word) {
    if (!user_.Add(word)) return false;
    if (engine_) engine_->Accept(EngineForm(word));
    return true;
}

void TKySpellChecker::ChangeOnce(std::string_view word, std::string_view replacement) {
    if (TUserDictionary::IsValidWord(word)) changeOnce_[std::string(word)] = std::string(replacement);
}

void TKySpellChecker::ChangeAll(std::string_view word, std::string_view replacement) {
    if (TUserDictionary::IsValidWord(word)) changeAll_[std::string(word)] = std::string(replacement);
}

}  // namespace shell
