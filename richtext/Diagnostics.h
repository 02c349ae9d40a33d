// Problems the markup reader met in a text. The reader never stops on bad
// markup: it reads what it can and notes what it could not, and the loader
// reports the notes once per load instead of one message box per parameter.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace richtext {

enum class MarkupProblem {
    TruncatedParameter,  // a number or colour without its blank, a font name without its quote
    MalformedParameter,  // a parameter that is not a number where one is needed
    MissingStyle,        // a paragraph tag without its style number
    TextBeforeParagraph, // characters before the first paragraph tag
    StrayCellEnd,        // "<T>" outside a table cell
    UnterminatedBlock,   // "<D", "<F" or "<R" without its closing marker
    TruncatedTag,        // "<" without ">"
    UnknownObject,       // an object tag whose instance id is not on the page
    DuplicateObject,     // an object placed twice
    UnknownLink,         // a link tag with a key kind that starts no link
    NestingTooDeep,      // tables inside cells beyond the supported depth
    MissingCells,        // the text ended inside a table's cell list
    TableShape,          // a table stored with 0 rows, 0 columns or more than 50 columns
    ControlBytes,        // bytes below 0x20 in the text (dropped)
};

const char* ProblemText(MarkupProblem p);  // Italian, for the user

struct TMarkupNote {
    MarkupProblem problem;
    std::size_t offset;  // in the text being read
};

// Collects the notes of one load; keeps the first few of each kind.
class TMarkupDiagnostics {
public:
    void Note(MarkupProblem p, std::size_t offset);
    bool Empty() const { return total_ == 0; }
    std::size_t Total() const { return total_; }
    const std::vector<TMarkupNote>& Notes() const { return notes_; }
    std::size_t Count(MarkupProblem p) const;
    void Clear();
    // One line per kind of problem: "text (n volte, offset k)".
    std::vector<std::string> Summary() const;

private:
    std::vector<TMarkupNote> notes_;
    std::vector<std::size_t> counts_;
    std::size_t total_ = 0;
};

// Where a whole-box load sends its notes, once, when there were any.
class TMarkupProblemSink {
public:
    virtual ~TMarkupProblemSink() = default;
    virtual void Report(const TMarkupDiagnostics& d) = 0;
};

}  // namespace richtext
