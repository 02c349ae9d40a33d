// Spell checking without any widget: the speller engine behind an interface
// (shell/SpellHunspell.cpp adapts Hunspell), where dictionaries are found,
// the user's own word list, and the checker `TKySpellChecker` that splits a
// paragraph into words, asks the engine about them, keeps the ignore list
// and the change maps, runs the extra checks its option bits ask for and
// turns a paragraph into spell marks. Text is Windows-1252 bytes throughout;
// the engine adapter converts to the dictionary's encoding.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

struct TSpellOptions;

// `TSpellOption`, bit n = the n-th member.
enum TSpellOption : std::uint16_t {
    spoSuggestFromUserDict = 1 << 0,
    spoIgnoreAllCaps = 1 << 1,
    spoIgnoreMixedDigits = 1 << 2,
    spoIgnoreRomanNumerals = 1 << 3,
    spoFindUncappedSentences = 1 << 4,
    spoFindMissingSpaces = 1 << 5,
    spoFindRepeatWord = 1 << 6,
    spoFindExtraSpaces = 1 << 7,
    spoFindSpacesBeforePunc = 1 << 8,
    spoFindSpacesAfterPunc = 1 << 9,
    spoRateSuggestions = 1 << 10,
    spoFindInitialNumerals = 1 << 11,
};
constexpr std::uint16_t kDefaultSpellOptions = 15;
// The option bits the "orto" options ask for.
std::uint16_t SpellOptionMask(const TSpellOptions& o);

// Problem codes of a check (the dialog's statuses).
enum TSpellStatus : int {
    kSpellClean = 0,
    kSpellUnknown = 1,
    kSpellAutoChange = 2,      // replaced at once (a change-all word)
    kSpellUnknownChange = 3,   // unknown, with a replacement first (a change-once word)
    kSpellUncapped = 10,
    kSpellRepeated = 11,
    kSpellExtraSpaces = 12,
    kSpellMissingSpace = 13,
    kSpellInitialDigits = 14,
};
// "Parola sconosciuta:", "Parole ripetute:", ... ("" for 0 and 2).
std::string SpellStatusText(int status);

// Words longer than this are never given to the engine (nor added).
constexpr std::size_t kMaxSpellWord = 100;

// The speller engine: words in Windows-1252.
class TSpellEngine {
public:
    virtual ~TSpellEngine() = default;
    virtual bool Check(std::string_view word) = 0;
    // In the engine's order.
    virtual std::vector<std::string> Suggest(std::string_view word) = 0;
    // The word is right from now on (this session).
    virtual void Accept(std::string_view word) = 0;
};

// --- dictionaries ------------------------------------------------------------------------

struct TDictionary {
    std::string language;  // "it_IT"
    std::filesystem::path aff, dic;
};
// $XDG_DATA_HOME/hunspell (else ~/.local/share/hunspell), /usr/share/hunspell,
// /usr/share/myspell, /usr/share/myspell/dicts.
std::vector<std::filesystem::path> DictionaryFolders();
// The dictionary of a language: the language itself ("it_IT"), else another
// of the same primary language ("it_CH" for "it_IT"). None: nullopt.
std::optional<TDictionary> FindDictionary(std::string_view language,
                                          const std::vector<std::filesystem::path>& folders);
// Every language with an .aff and a .dic file, sorted.
std::vector<std::string> InstalledLanguages(const std::vector<std::filesystem::path>& folders);
// The language name of a Windows language identifier (1040 "it_IT"); an
// unknown one gives its primary language's default, else "".
std::string LanguageOfLocale(int lcid);
// Hunspell over a dictionary; nullptr when it cannot be loaded.
std::unique_ptr<TSpellEngine> MakeHunspellEngine(const TDictionary& d);

// --- the user's word list -------------------------------------------------------------------

// One word a line, Windows-1252, in the user's data folder. Lines that
// cannot be words (empty, control characters, too long) are skipped when
// reading; a word is added by writing the whole list to a temporary file
// that then replaces the old one.
class TUserDictionary {
public:
    // $XDG_DATA_HOME/quor/utente.dic, else ~/.local/share/quor/utente.dic:
    // never a system folder the user cannot write to.
    static std::filesystem::path DefaultPath();
    static bool IsValidWord(std::string_view word);
    // Reads the list; a missing file is an empty list. Returns how many lines were skipped.
    std::size_t Load(const std::filesystem::path& file);
    const std::filesystem::path& Path() const { return path_; }
    // Adds and writes the list; false (nothing changes) for a word that
    // cannot be one or when the file cannot be written.
    bool Add(std::string_view word);
    bool Contains(std::string_view word) const { return words_.count(std::string(word)) != 0; }
    const std::vector<std::string>& Words() const { return order_; }

private:
    std::filesystem::path path_;
    std::set<std::string> words_;
    std::vector<std::string> order_;
};

// --- the checker ------------------------------------------------------------------------------

struct TSpellProblem {
    int status = kSpellClean;
    std::size_t pos = 0;  // in the paragraph's text
    std::size_t len = 0;
    std::string replacement;  // statuses 2, 3, 10, 12
};

// A word of a paragraph: [pos, pos + len).
struct TSpellWord {
    std::size_t pos, len;
};
// The words of a text: runs of letters and digits; an apostrophe between two
// of them stays inside the word ("un'albero"); everything else, control
// characters included, separates words.
std::vector<TSpellWord> SplitWords(std::string_view text);

class TKySpellChecker {
public:
    TKySpellChecker();
    ~TKySpellChecker();

    // Opens the dictionary of a language (with the fallback of FindDictionary);
    // false leaves the checker closed.
    bool Open(std::string_view language, const std::vector<std::filesystem::path>& folders = DictionaryFolders());
    // An engine given directly (tests); the checker is open with it.
    void OpenWith(std::unique_ptr<TSpellEngine> engine, std::string language);
    void Close();
    bool IsOpen() const { return engine_ != nullptr; }
    const std::string& Language() const { return language_; }
    // Why the last Open failed ("" when it did not).
    const std::string& OpenProblem() const { return problem_; }

    std::uint16_t Options() const { return options_; }
    void SetOptions(std::uint16_t mask) { options_ = mask; }

    // The user's word list: read from `file` (and given to the engine).
    void LoadUserDictionary(const std::filesystem::path& file = TUserDictionary::DefaultPath());
    TUserDictionary& UserDictionary() { return user_; }

    // The first problem of a paragraph's text at or after `from` (nullopt:
    // clean from there on). Words before `from` still count for the repeated
    // word and sentence checks.
    std::optional<TSpellProblem> Check(std::string_view text, std::size_t from = 0);
    // Every problem of a text, in order.
    std::vector<TSpellProblem> CheckAll(std::string_view text);
    // Spell marks of a text: "!" over every problem's characters, a blank elsewhere.
    std::string Marks(std::string_view text);
    // Unique suggestions in the engine's order (none for words the engine is not given).
    std::vector<std::string> Suggestions(std::string_view word);

    // "Ignora tutto": the word is right from now on.
    void IgnoreAlways(std::string_view word);
    bool Ignored(std::string_view word) const;
    // "Aggiungi": into the user's list (refused for words that cannot be one).
    bool AddToUserDictionary(std::string_view word);
    // A change made once is offered first the next time; a change-all is
    // made at once every time.
    void ChangeOnce(std::string_view word, std::string_view replacement);
    void ChangeAll(std::string_view word, std::string_view replacement);

    // True when the engine knows the word (the user's list and the ignore
    // list included); words it is not given count as right.
    bool KnownWord(std::string_view word);

private:
    template <class F>
    void Scan(std::string_view text, F&& fn);
    bool SkippedWord(std::string_view word) const;

    std::unique_ptr<TSpellEngine> engine_;
    std::string language_;
    std::string problem_;
    std::uint16_t options_ = kDefaultSpellOptions;
    TUserDictionary user_;
    std::set<std::string> ignored_;
    std::map<std::string, std::string> changeOnce_, changeAll_;
};

}  // namespace shell
