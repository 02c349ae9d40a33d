#include "shell/Search.h"

#include <algorithm>
#include <array>
#include <memory>

#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/text.h"
#include "richtext/Editing.h"
#include "richtext/PageSession.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "shell/SpellSession.h"

using namespace model;

namespace shell {
namespace {

const std::array<char, 256>& LowerTable() {
    static const std::array<char, 256> table = [] {
        std::array<char, 256> t{};
        for (int c = 0; c < 256; ++c) t[c] = platform::text::LowerChar(static_cast<char>(c));
        return t;
    }();
    return table;
}

std::string LowerBytes(std::string_view s) {
    const auto& lo = LowerTable();
    std::string out(s.size(), '\0');
    for (std::size_t i = 0; i < s.size(); ++i) out[i] = lo[static_cast<unsigned char>(s[i])];
    return out;
}

bool IsPage(const TNYXoggetto* p) { return p && p->Type() == testoHtml && !p->IsEmpty(); }

bool WordBoundaryAt(std::string_view text, std::size_t at, std::size_t len) {
    if (at > 0 && IsWordChar(static_cast<unsigned char>(text[at - 1]))) return false;
    const std::size_t end = at + len;
    return end >= text.size() || !IsWordChar(static_cast<unsigned char>(text[end]));
}

}  // namespace

std::string TermsProblem(const TSearchTerms& t) {
    for (const std::string* s : {&t.a, &t.b, &t.c, &t.d})
        if (s->size() > kMaxTermLength) return kTermTooLong;
    return {};
}

TSearchTerms NormaliseTerms(TSearchTerms t, bool ignoreCase) {
    if (ignoreCase) {
        t.a = LowerBytes(t.a);
        t.b = LowerBytes(t.b);
        t.c = LowerBytes(t.c);
        t.d = LowerBytes(t.d);
    }
    if ((!t.a.empty() || !t.b.empty()) && t.a.empty()) {
        t.a = std::move(t.b);
        t.b.clear();
    }
    if (t.a.empty() && t.b.empty()) {
        t.a = std::move(t.c);
        t.b = std::move(t.d);
        t.c.clear();
        t.d.clear();
        if (t.a.empty() && !t.b.empty()) {
            t.a = std::move(t.b);
            t.b.clear();
        }
    }
    if ((!t.c.empty() || !t.d.empty()) && t.c.empty()) {
        t.c = std::move(t.d);
        t.d.clear();
    }
    return t;
}

bool IsWordChar(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
        case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
        case 0xAA: case 0xB5: case 0xBA:
            return true;
        default:
            return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
}

std::string PlainText(std::string_view markup, bool oldMarkup, bool lowerCase) {
    // The stored text ends at its NUL byte; nothing after it is text.
    const std::size_t nul = markup.find('\0');
    const std::string_view s = nul == std::string_view::npos ? markup : markup.substr(0, nul);
    const auto& lo = LowerTable();
    std::string out;
    out.reserve(s.size());
    markup::TMarkupLexer lx(s);
    for (;;) {
        const markup::Token t = lx.Next();
        switch (t.kind) {
            case markup::TokenKind::End:
            case markup::TokenKind::Nul:
                return out;
            case markup::TokenKind::Text:
                for (std::size_t i = t.begin; i < t.end; ++i) {
                    const unsigned char c = static_cast<unsigned char>(s[i]);
                    if (c < 0x20) continue;
                    out += lowerCase ? lo[c] : static_cast<char>(c);
                }
                break;
            case markup::TokenKind::Entity:
                if (t.ch >= 0x20) out += lowerCase ? lo[static_cast<unsigned char>(t.ch)] : static_cast<char>(t.ch);
                break;
            case markup::TokenKind::Tag: {
                if (oldMarkup) break;
                if (t.letter == 'Z') {
                    out += '\n';
                } else if (t.letter == 'D' || t.letter == 'F' || t.letter == 'R') {
                    const char close[4] = {'<', static_cast<char>(t.letter + ('a' - 'A')), '>', '\0'};
                    const std::size_t at = s.find(std::string_view(close, 3), t.end);
                    // An unclosed block runs to the end of the text, never past it.
                    if (at == std::string_view::npos) return out;
                    lx.Seek(at + 3);
                }
                break;
            }
        }
    }
}

std::string PagePlainText(const TNYXoggetto& page, bool lowerCase) {
    std::string stored;
    if (!page.ReadFirstStream(stored)) return {};
    return PlainText(stored, page.Byte(pagerec::kMarkupVersion) == pagerec::kOldMarkup, lowerCase);
}

std::size_t FindTerm(std::string_view text, std::string_view term, std::size_t from, bool wholeWord) {
    if (term.empty()) return std::string_view::npos;
    for (std::size_t at = text.find(term, from); at != std::string_view::npos; at = text.find(term, at + 1))
        if (!wholeWord || WordBoundaryAt(text, at, term.size())) return at;
    return std::string_view::npos;
}

std::string TextMatch(std::string_view plain, const TSearchTerms& n, bool wholeWord) {
    if (plain.empty()) return {};
    auto has = [&](const std::string& term) { return FindTerm(plain, term, 0, wholeWord) != std::string_view::npos; };
    if (!n.a.empty() && has(n.a) && (n.b.empty() || has(n.b))) return n.a;
    if (!n.c.empty() && has(n.c) && (n.d.empty() || has(n.d))) return n.c;
    return {};
}

std::string PageTextMatch(const TNYXoggetto& page, const TSearchTerms& terms, const TSearchOptions& o) {
    if (terms.Empty() || !TermsProblem(terms).empty()) return {};
    const TSearchTerms n = NormaliseTerms(terms, o.ignoreCase);
    return TextMatch(PagePlainText(page, o.ignoreCase), n, o.wholeWord);
}

// --- a box -------------------------------------------------------------------------------

std::optional<TBoxHit> FindInBox(const richtext::TNYXbox& box, std::string_view term, richtext::TTextPos from,
                                 const TSearchOptions& o) {
    if (term.empty() || term.size() > kMaxTermLength) return std::nullopt;
    const std::string t = o.ignoreCase ? LowerBytes(term) : std::string(term);
    std::int32_t first = std::max(from.para, box.BodyBegin());
    for (std::int32_t p = first; p < box.BodyEnd(); ++p) {
        const std::string& raw = box.paragraphs[static_cast<std::size_t>(p)]->text;
        const std::string text = o.ignoreCase ? LowerBytes(raw) : raw;
        const std::size_t start = p == from.para ? static_cast<std::size_t>(std::max(from.ch, 0)) : 0;
        if (start > text.size()) continue;
        const std::size_t at = FindTerm(text, t, start, o.wholeWord);
        if (at != std::string_view::npos)
            return TBoxHit{p, static_cast<std::int32_t>(at), static_cast<std::int32_t>(t.size()), &box};
    }
    return std::nullopt;
}

std::string TBoxHit::Context(std::size_t around) const {
    if (!box || para < 0 || static_cast<std::size_t>(para) >= box->paragraphs.size()) return {};
    const std::string& text = box->paragraphs[static_cast<std::size_t>(para)]->text;
    const std::size_t at = std::min(text.size(), static_cast<std::size_t>(std::max(ch, 0)));
    const std::size_t from = at > around ? at - around : 0;
    return text.substr(from, at - from + static_cast<std::size_t>(std::max(len, 0)) + around);
}

int ReplaceInBox(richtext::TNYXediting& ed, std::string_view term, std::string_view with, richtext::TTextPos from,
                 const TSearchOptions& o, const TReplaceConfirm& confirm, bool* stopped) {
    if (stopped) *stopped = false;
    int count = 0;
    richtext::TTextPos at = from;
    while (auto hit = FindInBox(ed.Box(), term, at, o)) {
        const TReplaceAnswer answer = confirm ? confirm(*hit) : TReplaceAnswer::kReplace;
        if (answer == TReplaceAnswer::kStop) {
            if (stopped) *stopped = true;
            break;
        }
        if (answer == TReplaceAnswer::kSkip) {
            at = {hit->para, hit->ch + 1};
            continue;
        }
        ed.Select(hit->Start(), hit->End());
        if (with.empty()) {
            if (!ed.DeleteSelection()) break;
            at = {hit->para, hit->ch};
        } else {
            if (!ed.ReplaceSelection(with)) break;
            at = {hit->para, hit->ch + static_cast<std::int32_t>(with.size())};
        }
        ++count;
    }
    return count;
}

int ReplaceInBoxAsOneStep(richtext::TNYXediting& ed, std::string_view term, std::string_view with,
                          richtext::TTextPos from, const TSearchOptions& o, const TReplaceConfirm& confirm,
                          richtext::TNYXundoList* undo, bool* stopped) {
    richtext::TNYXbox& box = ed.Box();
    const std::int32_t first = box.BodyBegin(), last = box.BodyEnd() - 1;
    if (!undo || last < first) return ReplaceInBox(ed, term, with, from, o, confirm, stopped);
    // The step joins the list only once the replacements are made: the
    // questions in between may let the list settle, which drops entries
    // that have not changed anything yet.
    auto before = std::make_unique<richtext::TboBackup>(*undo, box, "Sostituisci", first, last);
    richtext::TUndoRecorder* recorder = box.undo;
    box.undo = nullptr;
    const int n = ReplaceInBox(ed, term, with, from, o, confirm, stopped);
    box.undo = recorder;
    if (n > 0) {
        before->SetRangeAfter(first, box.BodyEnd() - 1);
        undo->AddUndo(std::move(before));
    }
    return n;
}

int ReplaceInStoredPage(TNYXset& set, std::int64_t slot, std::string_view term, std::string_view with,
                        const TSearchOptions& o, const TReplaceConfirm& confirm, richtext::TNYXundoList* undo,
                        bool* stopped) {
    if (stopped) *stopped = false;
    TNYXoggetto* page = set.ObjectAt(testoHtml, slot);
    if (!IsPage(page) || term.empty() || term.size() > kMaxTermLength) return 0;
    {
        const std::string t = o.ignoreCase ? LowerBytes(term) : std::string(term);
        if (FindTerm(PagePlainText(*page, o.ignoreCase), t, 0, o.wholeWord) == std::string_view::npos) return 0;
    }
    richtext::THeadlessPageBox host;
    richtext::TNYXpageSession session(host);
    // The page's own work must not reach the hypertext's undo list one
    // snapshot at a time: the whole page is one step.
    TObjectUndoRecorder* recorder = set.undoRecorder;
    set.undoRecorder = nullptr;
    std::unique_ptr<richtext::TogBackup> before;
    if (undo) before = std::make_unique<richtext::TogBackup>(*undo, *page, "Sostituisci");
    int n = 0;
    if (session.ShowPage(set, slot)) {
        richtext::TNYXbox& box = host.CurrentBox();
        bool stop = false;
        n = ReplaceInBox(host.Editing(), term, with, {box.BodyBegin(), 0}, o, confirm, &stop);
        // The cells of the page's tables are part of its text (the finds
        // listed and the page matched count them): they are replaced too,
        // each in an editor of its own.
        std::vector<richtext::TNYXbox*> boxes;
        CollectTextBoxes(box, boxes);
        for (std::size_t b = 1; b < boxes.size() && !stop; ++b) {
            richtext::TNYXbox& cell = *boxes[b];
            richtext::TNYXTextAttributes attributes(cell);
            richtext::TNYXediting editing(cell, attributes);
            n += ReplaceInBox(editing, term, with, {cell.BodyBegin(), 0}, o, confirm, &stop);
        }
        if (stopped) *stopped = stop;
        if (n > 0) session.LeavePage();
        else session.ClosePage();
    }
    set.undoRecorder = recorder;
    if (n > 0) {
        set.SetModified(true);
        if (undo) undo->AddUndo(std::move(before));
    }
    return n;
}

int ReplaceAllInHypertext(TNYXset& set, std::string_view term, std::string_view with, const TSearchOptions& o,
                          const TReplaceConfirm& confirm, richtext::TNYXundoList* undo, bool* stopped,
                          const TShownPageReplace& shown) {
    if (stopped) *stopped = false;
    int total = 0;
    const std::size_t count = set.Count(testoHtml);
    for (std::size_t i = 0; i < count; ++i) {
        bool stop = false;
        const std::optional<int> inShown = shown ? shown(static_cast<std::int64_t>(i), &stop) : std::nullopt;
        if (inShown) total += *inShown;
        else total += ReplaceInStoredPage(set, static_cast<std::int64_t>(i), term, with, o, confirm, undo, &stop);
        if (stop) {
            if (stopped) *stopped = true;
            break;
        }
    }
    return total;
}

// --- jobs ----------------------------------------------------------------------------------

bool TSlicedJob::Run(std::chrono::microseconds budget) {
    if (finished_) return true;
    const auto until = std::chrono::steady_clock::now() + budget;
    do {
        if (stopped_ || !StepOne()) {
            finished_ = true;
            return true;
        }
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

void TSlicedJob::RunToEnd() {
    while (!finished_) {
        if (stopped_ || !StepOne()) finished_ = true;
    }
}

THypertextFindJob::THypertextFindJob(const TNYXset& set, std::int64_t current, const TSearchTerms& terms,
                                     const TSearchOptions& o)
    : set_(set),
      terms_(NormaliseTerms(terms, o.ignoreCase)),
      wholeWord_(o.wholeWord),
      lower_(o.ignoreCase),
      next_(current < 0 ? 0 : static_cast<std::size_t>(current) + 1),
      total_(set.Count(testoHtml)) {
    if (terms.Empty() || !TermsProblem(terms).empty()) next_ = total_;
}

bool THypertextFindJob::StepOne() {
    if (found_ >= 0 || next_ >= total_) return false;
    const std::size_t i = next_++;
    const TNYXoggetto* page = set_.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
    if (!IsPage(page)) return true;
    std::string m = TextMatch(PagePlainText(*page, lower_), terms_, wholeWord_);
    if (m.empty()) return true;
    found_ = static_cast<std::int64_t>(i);
    matched_ = std::move(m);
    return false;
}

std::int64_t FindNextInHypertext(const TNYXset& set, std::int64_t current, const TSearchTerms& terms,
                                 const TSearchOptions& o, std::string* matched) {
    THypertextFindJob job(set, current, terms, o);
    job.RunToEnd();
    if (matched) *matched = job.MatchedTerm();
    return job.FoundSlot();
}

std::vector<TFindReport> FindAll(const TNYXset& set, std::string_view term, const TSearchOptions& o) {
    std::vector<TFindReport> out;
    if (term.empty() || term.size() > kMaxTermLength) return out;
    const std::string t = o.ignoreCase ? LowerBytes(term) : std::string(term);
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* page = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!IsPage(page)) continue;
        const std::string plain = PagePlainText(*page, false);
        const std::string text = o.ignoreCase ? LowerBytes(plain) : plain;
        for (std::size_t at = FindTerm(text, t, 0, o.wholeWord); at != std::string::npos;
             at = FindTerm(text, t, at + t.size(), o.wholeWord)) {
            TFindReport r;
            r.slot = static_cast<std::int64_t>(i);
            r.title = page->GetName();
            // Each paragraph tag starts a line; a text that begins without one
            // has its first paragraph before the first line break.
            const int breaks =
                static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
            r.paragraph = !text.empty() && text[0] == '\n' ? breaks : breaks + 1;
            const std::size_t from = at > 30 ? at - 30 : 0;
            r.context = plain.substr(from, at - from + t.size() + 30);
            std::replace(r.context.begin(), r.context.end(), '\n', ' ');
            out.push_back(std::move(r));
        }
    }
    return out;
}

// --- keywords ----------------------------------------------------------------------------

std::vector<TKeywordEntry> Keywords(const TNYXset& set) {
    std::vector<TKeywordEntry> out;
    for (std::size_t i = 0; i < set.Count(keyword); ++i) {
        const TNYXoggetto* k = set.ObjectAt(keyword, static_cast<std::int64_t>(i));
        if (k && !k->IsEmpty()) out.push_back({static_cast<std::int64_t>(i), k->GetName()});
    }
    std::stable_sort(out.begin(), out.end(), [](const TKeywordEntry& x, const TKeywordEntry& y) {
        return LowerBytes(x.name) < LowerBytes(y.name);
    });
    return out;
}

std::vector<std::int64_t> PagesWithKeyword(const TNYXset& set, std::int64_t keywordSlot) {
    std::vector<std::int64_t> out;
    if (keywordSlot < 0) return out;
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i) {
        const TNYXoggetto* page = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i));
        if (!IsPage(page)) continue;
        for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k)
            if (page->Int(pagerec::kKeywords + 4 * k) == keywordSlot) {
                out.push_back(static_cast<std::int64_t>(i));
                break;
            }
    }
    return out;
}

std::string KeywordHeading(std::string_view keyword) {
    return "Pagine che contengono \"" + std::string(keyword) + "\"";
}

}  // namespace shell
