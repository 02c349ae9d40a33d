// Finding text across the hypertext: the terms of a search (up to four,
// combined as (A and B) or (C and D)), the plain text of a page as the search
// reads it (entities decoded, tags and skipped blocks left out), the term
// test of a page, finding and replacing in a box, and the search through the
// pages of the hypertext as a job that works in short slices, so the window
// that runs it stays responsive without a second thread over the model.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/Box.h"

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model
namespace richtext {
class TNYXediting;
class TNYXundoList;
}  // namespace richtext

namespace shell {

// Longer terms are refused before a search starts.
constexpr std::size_t kMaxTermLength = 255;
inline constexpr const char* kTermTooLong = "Il testo da cercare non pu\xF2 superare 255 caratteri.";
// A term (or a replacement) typed with characters that Windows-1252 lacks is
// refused: each would become "?" and find, or write, question marks.
inline constexpr const char* kTermUnmappable = "Il testo contiene caratteri che un ipertesto non pu\xF2 contenere.";

inline constexpr const char* kPageSearchDone = "Ricerca nella pagina terminata";
inline constexpr const char* kHypertextSearchDone = "Ricerca nell'ipertesto terminata";
inline constexpr const char* kPageReplaceDone = "Sostituzione nella pagina terminata";
inline constexpr const char* kHypertextReplaceDone = "Sostituzione nell'ipertesto terminata";

// Windows-1252 bytes. A simple search uses `a` only.
struct TSearchTerms {
    std::string a, b, c, d;
    bool Empty() const { return a.empty() && b.empty() && c.empty() && d.empty(); }
};

struct TSearchOptions {
    bool wholeWord = false;    // "solo parole intere"
    bool ignoreCase = true;    // "ignora maiuscole/minuscole"
    bool confirmOne = true;    // "chiedi conferma per sostituire una"
    bool confirmAll = true;    // "chiedi conferma per sostituire tutte"
    int startFrom = 0;         // "Parti da:" 0 the caret, 1 the start of the page
};

// "" when the terms may be searched for, else the message to show.
std::string TermsProblem(const TSearchTerms& t);

// Lower-cased unless the search is case-sensitive, then with the empty ones
// moved up: A := B when only B is given, (A, B) := (C, D) when both are
// empty, C := D when only D is given.
TSearchTerms NormaliseTerms(TSearchTerms t, bool ignoreCase);

// Letters (accented ones included) and digits: what a whole word is made of.
bool IsWordChar(unsigned char c);

// The plain text of stored markup (up to its NUL byte), lower-cased when
// asked: text and decoded entities (control characters dropped), a line break
// for every paragraph tag, the "<D", "<F" and "<R" blocks skipped up to their
// closing "<d>", "<f>", "<r>" (or the end of the text), every other tag
// skipped. Old markup (version 1) skips every tag and knows no blocks.
std::string PlainText(std::string_view markup, bool oldMarkup, bool lowerCase);
// The plain text of a page's stored text (empty when it has none).
std::string PagePlainText(const model::TNYXoggetto& page, bool lowerCase);

// Where `term` occurs in `text` at or after `from` (npos: nowhere); as a whole
// word the characters around it must not be word characters.
std::size_t FindTerm(std::string_view text, std::string_view term, std::size_t from, bool wholeWord);

// The term test on a plain text with normalised terms: the matched term
// (A or C) or "" when the text does not match.
std::string TextMatch(std::string_view plain, const TSearchTerms& normalised, bool wholeWord);
// The term test of a page (`PageTextMatch`): raw terms, as the user typed them.
std::string PageTextMatch(const model::TNYXoggetto& page, const TSearchTerms& terms, const TSearchOptions& o);

// --- a box: finding and replacing ------------------------------------------------------

struct TBoxHit {
    std::int32_t para = -1;
    std::int32_t ch = 0;
    std::int32_t len = 0;
    const richtext::TNYXbox* box = nullptr;  // the box searched
    // Up to `around` characters either side of the find, and the find.
    std::string Context(std::size_t around = 30) const;
    richtext::TTextPos Start() const { return {para, ch}; }
    richtext::TTextPos End() const { return {para, ch + len}; }
};

// The first occurrence of a term in the body paragraphs of a box at or after
// `from`. The box's text is already decoded.
std::optional<TBoxHit> FindInBox(const richtext::TNYXbox& box, std::string_view term, richtext::TTextPos from,
                                 const TSearchOptions& o);

enum class TReplaceAnswer { kReplace, kSkip, kStop };
using TReplaceConfirm = std::function<TReplaceAnswer(const TBoxHit&)>;

// Replaces every occurrence from `from` on, asking `confirm` (when given)
// before each; replaced text is never searched again. Returns how many were
// replaced; `stopped` tells whether the user stopped.
int ReplaceInBox(richtext::TNYXediting& editing, std::string_view term, std::string_view with,
                 richtext::TTextPos from, const TSearchOptions& o, const TReplaceConfirm& confirm,
                 bool* stopped = nullptr);

// The same as one undo step ("Sostituisci") in `undo`, for a box being
// edited: the body as it was is kept once, not once per replacement.
int ReplaceInBoxAsOneStep(richtext::TNYXediting& editing, std::string_view term, std::string_view with,
                          richtext::TTextPos from, const TSearchOptions& o, const TReplaceConfirm& confirm,
                          richtext::TNYXundoList* undo, bool* stopped = nullptr);

// Replaces in a page that is not shown: its text is read into a box of its
// own, replaced there and stored back. When something is replaced the page
// is changed in one step: the page record as it was goes to `undo` (when
// given) and the hypertext is marked modified. Returns how many.
int ReplaceInStoredPage(model::TNYXset& set, std::int64_t slot, std::string_view term, std::string_view with,
                        const TSearchOptions& o, const TReplaceConfirm& confirm, richtext::TNYXundoList* undo,
                        bool* stopped = nullptr);

// `ReplaceAllInHypertext`: every page in slot order, each page one undo step.
// A page being edited is not replaced in its record: `shown(slot, stopped)`
// replaces it where it is edited and answers how many, or nullopt for a page
// that is not shown. Returns how many replacements were made in all.
using TShownPageReplace = std::function<std::optional<int>(std::int64_t slot, bool* stopped)>;
int ReplaceAllInHypertext(model::TNYXset& set, std::string_view term, std::string_view with,
                          const TSearchOptions& o, const TReplaceConfirm& confirm, richtext::TNYXundoList* undo,
                          bool* stopped = nullptr, const TShownPageReplace& shown = {});

// --- jobs that work in slices ------------------------------------------------------------

// Work over the hypertext done a little at a time on the thread that owns the
// model: Run does units of work until the time given is used up, so a timer
// can run it between events. Nothing may change the hypertext in between
// unless the job is stopped first.
class TSlicedJob {
public:
    virtual ~TSlicedJob() = default;
    // Works for about `budget`; true once the job has finished.
    bool Run(std::chrono::microseconds budget);
    void RunToEnd();
    void Stop() { stopped_ = true; }
    bool Stopped() const { return stopped_; }
    bool Finished() const { return finished_; }
    // Units done and in all (for a progress bar).
    virtual std::size_t Done() const = 0;
    virtual std::size_t Total() const = 0;

protected:
    // One unit of work; false when nothing is left.
    virtual bool StepOne() = 0;

private:
    bool stopped_ = false;
    bool finished_ = false;
};

// `FindNextInHypertext`: from the page after `current` on, in slot order,
// the first non-empty page that matches.
class THypertextFindJob : public TSlicedJob {
public:
    THypertextFindJob(const model::TNYXset& set, std::int64_t current, const TSearchTerms& terms,
                      const TSearchOptions& o);
    std::size_t Done() const override { return next_; }
    std::size_t Total() const override { return total_; }
    // The page found (-1: none) and the term that matched in it.
    std::int64_t FoundSlot() const { return found_; }
    const std::string& MatchedTerm() const { return matched_; }

protected:
    bool StepOne() override;

private:
    const model::TNYXset& set_;
    TSearchTerms terms_;  // normalised
    bool wholeWord_;
    bool lower_;
    std::size_t next_;
    std::size_t total_;
    std::int64_t found_ = -1;
    std::string matched_;
};

// The same, to its end at once (the command-line tool, tests).
std::int64_t FindNextInHypertext(const model::TNYXset& set, std::int64_t current, const TSearchTerms& terms,
                                 const TSearchOptions& o, std::string* matched = nullptr);

// A find with its surroundings, for listing.
struct TFindReport {
    std::int64_t slot = -1;
    std::string title;      // the page's name
    int paragraph = 0;      // 1-based, body paragraphs of the page's plain text
    std::string context;    // up to 30 characters around the find
};
// Every occurrence of a simple term in every page, in slot order.
std::vector<TFindReport> FindAll(const model::TNYXset& set, std::string_view term, const TSearchOptions& o);

// --- keywords ----------------------------------------------------------------------

struct TKeywordEntry {
    std::int64_t slot;
    std::string name;
};
// The keywords of the hypertext, sorted by name without regard to case.
std::vector<TKeywordEntry> Keywords(const model::TNYXset& set);
// `PagesWithKeyword`: the pages whose keyword slots hold the keyword.
std::vector<std::int64_t> PagesWithKeyword(const model::TNYXset& set, std::int64_t keywordSlot);
// The heading over them: "Pagine che contengono \"" keyword "\"".
std::string KeywordHeading(std::string_view keyword);

}  // namespace shell
