// Spell checking of a page's text, without any widget: the interactive check
// that the spelling dialog drives (problem by problem, with its actions) and
// the background marking that sets a paragraph's spell marks a few
// paragraphs at a time, paced by the window's timer on the thread that owns
// the text.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "richtext/Box.h"
#include "shell/Spell.h"

namespace richtext {
class TNYXediting;
}

namespace shell {

// The boxes of a text in reading order: the box, then the cells of every
// table it shows (each followed by its own tables' cells).
void CollectTextBoxes(richtext::TNYXbox& box, std::vector<richtext::TNYXbox*>& out);

// Marks the paragraphs of a box (cells included) that have no spell marks
// yet (all of them on a forced pass). The box is found again through `root`
// at every step, so a box that went away is never read: `root` answers
// nullptr then and the pass ends.
// The time one step of the background marking may take: the window runs a
// step every so often between events; 4 ms leaves room under 5 ms for the
// paragraph a step ends with and a busy machine.
inline constexpr int kMarkingStepMs = 4;

class TSpellMarkingJob {
public:
    TSpellMarkingJob(TKySpellChecker& checker, std::function<richtext::TNYXbox*()> root, bool force);
    // Marks paragraphs until the budget is used; true when the pass is over.
    bool Step(std::chrono::microseconds budget);
    bool Finished() const { return finished_; }
    // A paragraph got its marks: it must be painted again.
    std::function<void(richtext::TNYXbox& box, std::int32_t para)> onMarked;
    std::size_t Marked() const { return marked_; }

private:
    TKySpellChecker& checker_;
    std::function<richtext::TNYXbox*()> root_;
    bool force_;
    bool cleared_ = false;
    bool finished_ = false;
    std::size_t marked_ = 0;
};

// Marks a whole box at once (tests, tools).
std::size_t MarkBox(TKySpellChecker& checker, richtext::TNYXbox& box);

// The interactive check of a page's body text, one problem at a time. The
// text is walked as the page shows it: paragraph by paragraph, and before a
// paragraph that holds tables the cells of each table in row order (their
// own tables' cells first again), so a cell's words are checked like any
// other.
class TSpellSession {
public:
    // The editing objects for a cell the check stops in: whoever shows the
    // page binds its cell editor to the cell and answers its editing, or
    // nullptr to let the session edit the cell itself.
    using TCellEditing = std::function<richtext::TNYXediting*(richtext::TNYXbox& cell)>;

    // `from` is a position in `fromBox` (the page's box when nullptr); the
    // check starts at the word there.
    TSpellSession(TKySpellChecker& checker, richtext::TNYXediting& editing, richtext::TTextPos from = {-1, 0},
                  TCellEditing cells = {}, richtext::TNYXbox* fromBox = nullptr);
    ~TSpellSession();
    TSpellSession(const TSpellSession&) = delete;
    TSpellSession& operator=(const TSpellSession&) = delete;

    // Moves to the next problem; false when the text is done (or the check
    // ended). Change-all words are replaced on the way without stopping.
    bool Next();
    const TSpellProblem& Problem() const { return problem_; }
    // The box the problem stands in (the page's box or one of its cells)
    // and the position in it.
    richtext::TNYXbox& Box() const;
    richtext::TTextPos Where() const { return {Para(), static_cast<std::int32_t>(problem_.pos)}; }
    // Selects the problem's range in its box.
    void SelectProblem();
    // The editing objects of the box the problem stands in.
    richtext::TNYXediting& Editing();
    // A replacement changed a cell's text (its table must be laid out again).
    std::function<void(richtext::TNYXbox& cell)> onCellChanged;
    // The word (or text) in error and the paragraph it stands in.
    std::string Word() const;
    const std::string& ParagraphText() const;
    // Suggestions for the problem (the replacement first when there is one).
    std::vector<std::string> Suggestions();
    // What the dialog enables for the problem.
    bool CanChangeAll() const { return problem_.status == kSpellUnknown; }
    bool CanIgnoreAll() const { return problem_.status == kSpellUnknown; }
    bool CanAdd() const { return problem_.status == kSpellUnknown; }
    bool CanDelete() const { return problem_.status == kSpellRepeated; }
    bool CanChange() const;

    // The actions; each moves on to the next problem (the result of Next).
    bool Change(const std::string& word);
    bool ChangeAll(const std::string& word);
    bool Ignore();
    bool IgnoreAll();
    bool Add();
    bool Delete();
    void SkipPage() { done_ = true; }
    void Cancel() { done_ = cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    bool Done() const { return done_; }
    int Changes() const { return changes_; }

private:
    struct TStop {
        richtext::TNYXbox* box;
        std::int32_t para;
    };
    struct TOwnEditing;
    void Walk(richtext::TNYXbox& box, int depth);
    std::int32_t Para() const { return at_ < walk_.size() ? walk_[at_].para : -1; }
    bool Replace(const std::string& with);
    TKySpellChecker& checker_;
    richtext::TNYXediting& ed_;
    TCellEditing cells_;
    std::vector<TStop> walk_;  // the paragraphs in the order they are checked
    std::size_t at_ = 0;
    std::size_t pos_ = 0;
    std::vector<std::unique_ptr<TOwnEditing>> own_;
    TSpellProblem problem_;
    bool done_ = false;
    bool cancelled_ = false;
    int changes_ = 0;
};

}  // namespace shell
