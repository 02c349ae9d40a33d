#include "shell/SpellSession.h"

#include <algorithm>

#include "richtext/Editing.h"
#include "richtext/TableBox.h"
#include "richtext/TextAttributes.h"
#include "shell/Search.h"

namespace shell {

void CollectTextBoxes(richtext::TNYXbox& box, std::vector<richtext::TNYXbox*>& out) {
    out.push_back(&box);
    for (const auto& p : box.paragraphs)
        for (richtext::TNYXembedded* e : p->Objects())
            if (e && e->IsTable())
                for (const auto& cell : e->Cells())
                    if (cell) CollectTextBoxes(*cell, out);
}

// --- background marking ----------------------------------------------------------------------

TSpellMarkingJob::TSpellMarkingJob(TKySpellChecker& checker, std::function<richtext::TNYXbox*()> root, bool force)
    : checker_(checker), root_(std::move(root)), force_(force) {}

bool TSpellMarkingJob::Step(std::chrono::microseconds budget) {
    if (finished_) return true;
    richtext::TNYXbox* root = root_ ? root_() : nullptr;
    if (!root || !checker_.IsOpen()) {
        finished_ = true;
        return true;
    }
    std::vector<richtext::TNYXbox*> boxes;
    CollectTextBoxes(*root, boxes);
    if (force_ && !cleared_) {
        // A forced pass checks every paragraph again (after "Ignora tutti",
        // "Aggiungi"): the marks it finds replace the old ones.
        for (richtext::TNYXbox* b : boxes)
            for (auto& p : b->paragraphs) p->spell.clear();
        cleared_ = true;
    }
    // The budget is an upper bound: a paragraph is started only when one as
    // long as the last would still end within it (the first always is, so
    // every step makes progress).
    const auto until = std::chrono::steady_clock::now() + budget;
    std::chrono::steady_clock::duration last{};
    bool any = false;
    for (richtext::TNYXbox* b : boxes) {
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(b->paragraphs.size()); ++i) {
            richtext::TNYXparag& p = *b->paragraphs[static_cast<std::size_t>(i)];
            if (!p.spell.empty()) continue;
            const auto start = std::chrono::steady_clock::now();
            if (any && start + last > until) return false;
            any = true;
            p.spell = checker_.Marks(p.text);
            last = std::chrono::steady_clock::now() - start;
            if (p.spell.empty()) p.spell.assign(1, ' ');  // checked: an empty text is never checked again
            ++marked_;
            if (onMarked && p.text != " " && !p.text.empty()) onMarked(*b, i);
            if (std::chrono::steady_clock::now() >= until) return false;
        }
    }
    finished_ = true;
    return true;
}

std::size_t MarkBox(TKySpellChecker& checker, richtext::TNYXbox& box) {
    TSpellMarkingJob job(checker, [&box] { return &box; }, true);
    while (!job.Step(std::chrono::hours(1))) {
    }
    return job.Marked();
}

// --- the interactive check ------------------------------------------------------------------------

// The editing objects the session makes for a cell nobody shows.
struct TSpellSession::TOwnEditing {
    explicit TOwnEditing(richtext::TNYXbox& cell) : box(&cell), attributes(cell), editing(cell, attributes) {}
    richtext::TNYXbox* box;
    richtext::TNYXTextAttributes attributes;
    richtext::TNYXediting editing;
};

TSpellSession::TSpellSession(TKySpellChecker& checker, richtext::TNYXediting& editing, richtext::TTextPos from,
                             TCellEditing cells, richtext::TNYXbox* fromBox)
    : checker_(checker), ed_(editing), cells_(std::move(cells)) {
    richtext::TNYXbox& box = ed_.Box();
    Walk(box, 0);
    richtext::TNYXbox* start = fromBox ? fromBox : &box;
    if (from.para < start->BodyBegin() || from.para >= start->BodyEnd()) {
        return;  // from the top: the first paragraph's cells come first
    }
    std::size_t i = 0;
    while (i < walk_.size() && !(walk_[i].box == start && walk_[i].para == from.para)) ++i;
    if (i == walk_.size()) return;  // a cell that is not on the page: from the top
    at_ = i;
    // From the start of the word at the caret.
    const std::string& t = start->paragraphs[static_cast<std::size_t>(from.para)]->text;
    std::size_t ch = std::min<std::size_t>(static_cast<std::size_t>(std::max(from.ch, 0)), t.size());
    while (ch > 0 && IsWordChar(static_cast<unsigned char>(t[ch - 1]))) --ch;
    pos_ = ch;
    // The caret in the paragraph of a table: its cells are checked first.
    if (start == &box && at_ > 0 && walk_[at_ - 1].box != &box) {
        while (at_ > 0 && walk_[at_ - 1].box != &box) --at_;
        pos_ = 0;
    }
}

TSpellSession::~TSpellSession() = default;

void TSpellSession::Walk(richtext::TNYXbox& box, int depth) {
    for (std::int32_t i = box.BodyBegin(); i < box.BodyEnd(); ++i) {
        const richtext::TNYXparag& p = *box.paragraphs[static_cast<std::size_t>(i)];
        if (depth <= richtext::kMaxTableDepth)
            for (richtext::TNYXembedded* e : p.Objects())
                if (e && e->IsTable())
                    for (int row = 0; row < e->Rows(); ++row)
                        for (int col = 0; col < e->Columns(); ++col)
                            if (richtext::TNYXbox* cell = e->CellAt(row, col)) Walk(*cell, depth + 1);
        walk_.push_back({&box, i});
    }
}

richtext::TNYXbox& TSpellSession::Box() const { return at_ < walk_.size() ? *walk_[at_].box : ed_.Box(); }

richtext::TNYXediting& TSpellSession::Editing() {
    richtext::TNYXbox& box = Box();
    if (&box == &ed_.Box()) return ed_;
    if (cells_)
        if (richtext::TNYXediting* e = cells_(box); e && &e->Box() == &box) return *e;
    for (const auto& o : own_)
        if (o->box == &box) return o->editing;
    own_.push_back(std::make_unique<TOwnEditing>(box));
    return own_.back()->editing;
}

void TSpellSession::SelectProblem() {
    if (at_ >= walk_.size()) return;
    const richtext::TTextPos a = Where();
    Editing().Select(a, {a.para, a.ch + static_cast<std::int32_t>(problem_.len)});
}

const std::string& TSpellSession::ParagraphText() const {
    static const std::string kNone;
    if (at_ >= walk_.size()) return kNone;
    const richtext::TNYXbox& box = *walk_[at_].box;
    const std::int32_t para = walk_[at_].para;
    if (para < box.BodyBegin() || para >= box.BodyEnd()) return kNone;
    return box.paragraphs[static_cast<std::size_t>(para)]->text;
}

std::string TSpellSession::Word() const {
    const std::string& t = ParagraphText();
    if (problem_.pos >= t.size()) return {};
    return t.substr(problem_.pos, problem_.len);
}

bool TSpellSession::Next() {
    while (!done_ && at_ < walk_.size()) {
        const std::string text = ParagraphText();
        std::optional<TSpellProblem> p = text.empty() ? std::nullopt : checker_.Check(text, pos_);
        if (!p) {
            ++at_;
            pos_ = 0;
            continue;
        }
        problem_ = *p;
        if (problem_.status == kSpellAutoChange) {
            if (!Replace(problem_.replacement)) pos_ = problem_.pos + problem_.len;
            continue;
        }
        return true;
    }
    done_ = true;
    problem_ = {};
    return false;
}

std::vector<std::string> TSpellSession::Suggestions() {
    switch (problem_.status) {
        case kSpellUnknown: return checker_.Suggestions(Word());
        case kSpellUnknownChange: {
            std::vector<std::string> s = checker_.Suggestions(Word());
            s.erase(std::remove(s.begin(), s.end(), problem_.replacement), s.end());
            s.insert(s.begin(), problem_.replacement);
            return s;
        }
        case kSpellUncapped:
        case kSpellExtraSpaces:
            return {problem_.replacement};
        default:
            return {};
    }
}

bool TSpellSession::CanChange() const {
    return problem_.status != kSpellClean && problem_.status != kSpellRepeated &&
           problem_.status != kSpellMissingSpace && problem_.status != kSpellInitialDigits;
}

bool TSpellSession::Replace(const std::string& with) {
    if (at_ >= walk_.size()) return false;
    const richtext::TTextPos a{Para(), static_cast<std::int32_t>(problem_.pos)};
    const richtext::TTextPos b{Para(), static_cast<std::int32_t>(problem_.pos + problem_.len)};
    richtext::TNYXediting& ed = Editing();
    ed.Select(a, b);
    const bool ok = with.empty() ? ed.DeleteSelection() : ed.ReplaceSelection(with);
    if (!ok) return false;
    ++changes_;
    if (&ed.Box() != &ed_.Box() && onCellChanged) onCellChanged(ed.Box());
    // Checking goes on after the replaced text.
    pos_ = problem_.pos + with.size();
    return true;
}

bool TSpellSession::Change(const std::string& word) {
    if (problem_.status == kSpellClean) return Next();
    if (problem_.status == kSpellUnknown && !word.empty()) checker_.ChangeOnce(Word(), word);
    if (!Replace(word)) pos_ = problem_.pos + problem_.len;
    return Next();
}

bool TSpellSession::ChangeAll(const std::string& word) {
    if (problem_.status == kSpellClean) return Next();
    if (!word.empty()) checker_.ChangeAll(Word(), word);
    if (!Replace(word)) pos_ = problem_.pos + problem_.len;
    return Next();
}

bool TSpellSession::Ignore() {
    pos_ = problem_.pos + std::max<std::size_t>(problem_.len, 1);
    return Next();
}

bool TSpellSession::IgnoreAll() {
    checker_.IgnoreAlways(Word());
    return Ignore();
}

bool TSpellSession::Add() {
    checker_.AddToUserDictionary(Word());
    return Ignore();
}

bool TSpellSession::Delete() {
    // The repeated word goes with the character before it.
    if (problem_.status != kSpellRepeated || problem_.pos == 0) return Ignore();
    --problem_.pos;
    ++problem_.len;
    if (!Replace("")) return Ignore();
    return Next();
}

}  // namespace shell
