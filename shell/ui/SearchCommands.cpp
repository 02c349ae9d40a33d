#include "shell/ui/SearchCommands.h"

#include <QAction>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/TableView.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/OptionsStore.h"
#include "shell/ProgramOptions.h"
#include "shell/Spell.h"
#include "shell/SpellSession.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/SpellDialog.h"

namespace shell::ui {
namespace {

constexpr std::size_t kKeptTerms = 10;

// What the window keeps between searches, and its spell checker.
struct TSearchState {
    TSearchRequest last;
    bool hasLast = false;
    std::vector<std::string> lastTerms;  // option `finds`, newest first
    TKySpellChecker checker;
    bool autoCheck = true;
    int popupId = -1;
    std::int64_t longestSlice = 0;
};

std::map<const TMainForm*, std::unique_ptr<TSearchState>>& States() {
    static std::map<const TMainForm*, std::unique_ptr<TSearchState>> states;
    return states;
}

TSearchState& State(TMainForm& form) {
    auto& s = States()[&form];
    if (!s) s = std::make_unique<TSearchState>();
    return *s;
}

QString Q(std::string_view cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }

void Status(TMainForm& form, const std::string& text) { form.statusBar()->showMessage(Q(text), 5000); }

// --- options ------------------------------------------------------------------------------------

void ReadSearchOptions(TSearchState& s) {
    TOptionsStore& o = options();
    TSearchOptions& so = s.last.options;
    so.wholeWord = o.ReadOption("wholeword") == "1";
    so.ignoreCase = o.ReadOption("ignorecaps") != "0";
    so.confirmOne = o.ReadOption("conf1") != "0";
    so.confirmAll = o.ReadOption("confAll") != "0";
    so.startFrom = o.ReadOption("startFrom") == "1" ? 1 : 0;
    const std::string finds = o.ReadOption("finds");
    s.lastTerms.clear();
    for (std::size_t at = 0; at <= finds.size() && !finds.empty();) {
        std::size_t end = finds.find('\t', at);
        if (end == std::string::npos) end = finds.size();
        if (end > at && s.lastTerms.size() < kKeptTerms) s.lastTerms.push_back(finds.substr(at, end - at));
        at = end + 1;
    }
}

void WriteSearchOptions(TSearchState& s) {
    TOptionsStore& o = options();
    const TSearchOptions& so = s.last.options;
    o.WriteFlag("wholeword", so.wholeWord);
    o.WriteFlag("ignorecaps", so.ignoreCase);
    o.WriteFlag("conf1", so.confirmOne);
    o.WriteFlag("confAll", so.confirmAll);
    o.WriteOption("startFrom", so.startFrom == 1 ? "1" : "0");
    std::string finds;
    for (const std::string& t : s.lastTerms) finds += (finds.empty() ? "" : "\t") + t;
    o.WriteOption("finds", finds);
}

void Remember(TSearchState& s, const TSearchRequest& r) {
    s.last = r;
    s.hasLast = true;
    if (!r.terms.a.empty() && r.terms.a.find('\t') == std::string::npos) {
        std::erase(s.lastTerms, r.terms.a);
        s.lastTerms.insert(s.lastTerms.begin(), r.terms.a);
        if (s.lastTerms.size() > kKeptTerms) s.lastTerms.resize(kKeptTerms);
    }
    WriteSearchOptions(s);
}

// --- the page shown -------------------------------------------------------------------------------

richtext::ui::TNYXpageView* EditedView(TMainForm& form) {
    richtext::ui::TNYXpageView* v = form.PageView();
    return v && v->WorkingCopy() ? v : nullptr;
}

// Selects a find and brings it into view.
void ShowHit(richtext::ui::TNYXpageView& view, const TBoxHit& hit) {
    view.Editing().Select(hit.Start(), hit.End());
    view.EditedOutside(false);
}

// A find in the cells of the page's tables (in reading order), from a
// position in `afterCell` on or from the first cell; it is selected in the
// page's cell editor, which opens on that cell.
bool FindInCells(richtext::ui::TNYXpageView& view, const std::string& term, const TSearchOptions& o,
                 const richtext::TNYXbox* afterCell = nullptr, richtext::TTextPos afterPos = {}) {
    present::ui::TTableView* tables = present::ui::TTableView::Of(view);
    if (!tables) return false;
    std::vector<richtext::TNYXbox*> boxes;
    CollectTextBoxes(view.Box(), boxes);
    bool started = afterCell == nullptr;
    for (std::size_t b = 1; b < boxes.size(); ++b) {
        richtext::TNYXbox& cell = *boxes[b];
        richtext::TTextPos from{cell.BodyBegin(), 0};
        if (!started) {
            if (&cell != afterCell) continue;
            started = true;
            from = afterPos;
        }
        if (auto hit = FindInBox(cell, term, from, o)) {
            if (tables->EditedCell() != &cell && !tables->BeginEdit(cell)) return false;
            if (!tables->Editor()) return false;
            tables->Editor()->Editing().Select(hit->Start(), hit->End());
            tables->Editor()->EditedOutside(false);
            return true;
        }
    }
    return false;
}

// A find in the page's own text; a cell being edited is closed first.
void ShowBodyHit(richtext::ui::TNYXpageView& view, const TBoxHit& hit) {
    if (present::ui::TTableView* tables = present::ui::TTableView::Of(view); tables && tables->EditedCell())
        tables->EndEdit();
    ShowHit(view, hit);
}

// The term the page search looks for: the first one given.
std::string PageTerm(const TSearchRequest& r) { return NormaliseTerms(r.terms, false).a; }

bool FindInPage(TMainForm& form, const TSearchRequest& r, bool fromStart) {
    richtext::ui::TNYXpageView* view = EditedView(form);
    const std::string term = PageTerm(r);
    if (!view || term.empty()) return false;
    richtext::TNYXbox& box = view->Box();
    // Going on from a cell being edited: the cells after it.
    present::ui::TTableView* tables = present::ui::TTableView::Of(*view);
    if (!fromStart && tables && tables->EditedCell() && tables->Editor()) {
        if (FindInCells(*view, term, r.options, tables->EditedCell(), tables->Editor()->Editing().SelectionEnd()))
            return true;
        Status(form, kPageSearchDone);
        return false;
    }
    const richtext::TTextPos from = fromStart ? richtext::TTextPos{box.BodyBegin(), 0} : view->Editing().SelectionEnd();
    if (auto hit = FindInBox(box, term, from, r.options)) {
        ShowBodyHit(*view, *hit);
        return true;
    }
    // The page's text is done: its tables' cells come next.
    if (FindInCells(*view, term, r.options)) return true;
    Status(form, kPageSearchDone);
    return false;
}

// The question before one replacement.
TReplaceAnswer Ask(const std::string& term) {
    switch (platform::ui().AskYesNoCancel(platform::text::Cp1252ToUtf8("Sostituisco " + term + "?"))) {
        case platform::Answer::Yes: return TReplaceAnswer::kReplace;
        case platform::Answer::No: return TReplaceAnswer::kSkip;
        default: return TReplaceAnswer::kStop;
    }
}

TReplaceConfirm Confirmation(const TSearchRequest& r, richtext::ui::TNYXpageView* view) {
    if (!r.options.confirmOne || !view) return {};
    const std::string term = PageTerm(r);
    QPointer<richtext::ui::TNYXpageView> guard(view);
    return [guard, term](const TBoxHit& hit) {
        if (guard) ShowHit(*guard, hit);
        return Ask(term);
    };
}

int ReplaceInView(TMainForm& form, richtext::ui::TNYXpageView& view, const TSearchRequest& r, richtext::TTextPos from,
                  bool* stopped) {
    const std::string term = PageTerm(r);
    bool stop = false;
    int n = ReplaceInBoxAsOneStep(view.Editing(), term, r.with, from, r.options, Confirmation(r, &view),
                                  &form.UndoList(), &stop);
    if (n > 0) view.EditedOutside(true);
    // Then the cells of the page's tables, each in the page's cell editor
    // (so a question shows the find in its cell) and each one undo step.
    present::ui::TTableView* tables = present::ui::TTableView::Of(view);
    if (tables && !stop) {
        std::vector<richtext::TNYXbox*> boxes;
        CollectTextBoxes(view.Box(), boxes);
        for (std::size_t b = 1; b < boxes.size() && !stop; ++b) {
            richtext::TNYXbox& cell = *boxes[b];
            if (!FindInBox(cell, term, {cell.BodyBegin(), 0}, r.options)) continue;
            if (tables->EditedCell() != &cell && !tables->BeginEdit(cell)) continue;
            richtext::ui::TNYXboxWidget* editor = tables->Editor();
            if (!editor) continue;
            TReplaceConfirm confirm;
            if (r.options.confirmOne) {
                QPointer<richtext::ui::TNYXboxWidget> guard(editor);
                confirm = [guard, term](const TBoxHit& hit) {
                    if (guard) {
                        guard->Editing().Select(hit.Start(), hit.End());
                        guard->EditedOutside(false);
                    }
                    return Ask(term);
                };
            }
            const int k = ReplaceInBoxAsOneStep(editor->Editing(), term, r.with, {cell.BodyBegin(), 0}, r.options,
                                                confirm, &form.UndoList(), &stop);
            if (k > 0) editor->EditedOutside(true);
            n += k;
        }
        if (tables->EditedCell()) tables->EndEdit();
    }
    if (stopped) *stopped = stop;
    return n;
}

bool ReplaceInPage(TMainForm& form, const TSearchRequest& r) {
    richtext::ui::TNYXpageView* view = EditedView(form);
    if (!view || form.MainDocument().RefuseEdit()) return false;
    richtext::TNYXbox& box = view->Box();
    const richtext::TTextPos from =
        r.options.startFrom == 1 ? richtext::TTextPos{box.BodyBegin(), 0} : view->Editing().SelectionStart();
    const int n = ReplaceInView(form, *view, r, from, nullptr);
    form.UpdateEditCommands();
    Status(form, kPageReplaceDone);
    return n > 0;
}

// Before a search through the records: the pages other frames edit are
// stored. The page being edited is searched where it is (F4 starts after it,
// a replace changes it in place): storing it would show it again in a new
// box, and a new box empties the undo list.
void StoreOtherFrames(TMainForm& form) {
    present::ui::TInsiemeCornici* frames = form.FrameSet();
    std::size_t shown = 0;
    for (richtext::ui::TNYXpageView* v : frames->Views())
        if (v && v->WorkingCopy()) ++shown;
    if (shown > 1) frames->StorePages();
}

bool FindInHypertext(TMainForm& form, const TSearchRequest& r) {
    TSearchState& s = State(form);
    StoreOtherFrames(form);
    THypertextFindJob job(form.Document(), form.FrameSet()->MainPageNumber(), r.terms, r.options);
    TJobRunner runner;
    runner.RunAndWait(&job);
    s.longestSlice = runner.LongestSliceUs();
    if (job.FoundSlot() < 0) {
        Status(form, kHypertextSearchDone);
        return false;
    }
    form.ShowPageSlot(job.FoundSlot());
    if (richtext::ui::TNYXpageView* view = EditedView(form)) {
        richtext::TNYXbox& box = view->Box();
        if (auto hit = FindInBox(box, job.MatchedTerm(), {box.BodyBegin(), 0}, r.options)) ShowBodyHit(*view, *hit);
        else FindInCells(*view, job.MatchedTerm(), r.options);  // the page matched in a table cell
    }
    return true;
}

bool ReplaceInHypertext(TMainForm& form, const TSearchRequest& r) {
    if (form.MainDocument().RefuseEdit()) return false;
    const std::string term = PageTerm(r);
    if (term.empty()) return false;
    if (r.options.confirmAll &&
        platform::ui().AskYesNo(
            platform::text::Cp1252ToUtf8("Sostituisco " + term + " in tutte le pagine dell'ipertesto?")) != platform::Answer::Yes)
        return false;
    model::TNYXset& set = form.Document();
    StoreOtherFrames(form);
    // The page being edited is replaced where it is edited, as one step of
    // its own. Every other page is replaced in its record, one step a page,
    // and stays where it is: showing it would start a new text box, and a
    // new box empties the undo list, taking the steps made before and the
    // pages already replaced with it. A question before a replacement names
    // the page the find is in.
    std::int64_t inPage = -1;
    auto shown = [&form, &r, &inPage](std::int64_t slot, bool* stopped) -> std::optional<int> {
        inPage = slot;
        if (form.FrameSet()->MainPageNumber() != slot) return std::nullopt;
        richtext::ui::TNYXpageView* view = EditedView(form);
        if (!view) return std::nullopt;
        return ReplaceInView(form, *view, r, {view->Box().BodyBegin(), 0}, stopped);
    };
    TReplaceConfirm ask;
    if (r.options.confirmOne)
        ask = [&form, &set, &inPage, term](const TBoxHit& hit) {
            if (const model::TNYXoggetto* page = set.ObjectAt(model::testoHtml, inPage))
                Status(form, page->GetName() + ": " + hit.Context());
            return Ask(term);
        };
    const int n = ReplaceAllInHypertext(set, term, r.with, r.options, ask, &form.UndoList(), nullptr, shown);
    if (n > 0) set.SetModified(true);
    form.UpdateEditCommands();
    Status(form, kHypertextReplaceDone);
    return n > 0;
}

// --- spelling ---------------------------------------------------------------------------------

bool CheckView(TMainForm& form, richtext::ui::TNYXpageView& view, bool hypertext, richtext::TTextPos from,
               bool* cancelled, richtext::TNYXbox* fromBox = nullptr) {
    TSearchState& s = State(form);
    if (!s.checker.IsOpen()) return false;
    if (TSpellMarker* m = MarkerOf(s.checker, &view)) m->Stop();
    QPointer<richtext::ui::TNYXpageView> guard(&view);
    QPointer<present::ui::TTableView> tables(present::ui::TTableView::Of(view));
    // A cell the check stops in is edited by the page's cell editor, so
    // what the user sees is the cell being corrected.
    auto cellEditing = [tables](richtext::TNYXbox& cell) -> richtext::TNYXediting* {
        if (!tables) return nullptr;
        if (tables->EditedCell() != &cell && !tables->BeginEdit(cell)) return nullptr;
        return tables->Editor() ? &tables->Editor()->Editing() : nullptr;
    };
    TSpellSession session(s.checker, view.Editing(), from, cellEditing, fromBox);
    session.onCellChanged = [guard, tables](richtext::TNYXbox& cell) {
        if (tables && tables->EditedCell() == &cell && tables->Editor()) {
            tables->Editor()->EditedOutside(true);
        } else if (guard) {
            if (tables && cell.ownerTable) tables->TableChanged(*cell.ownerTable);
            guard->EditedOutside(true);
        }
    };
    TFspell dialog(
        session, s.checker.Language(),
        [guard, tables, &session] {
            if (!guard) return;
            session.SelectProblem();
            if (&session.Box() == &guard->Box()) {
                if (tables) tables->EndEdit();
                guard->EditedOutside(false);
            } else if (tables && tables->EditedCell() == &session.Box() && tables->Editor()) {
                tables->Editor()->EditedOutside(false);
            } else {
                guard->viewport()->update();
            }
        },
        hypertext, &form);
    if (dialog.Begin()) RunDialog(dialog);
    if (guard) {
        if (session.Changes() > 0) guard->EditedOutside(true);
        if (tables && tables->Editor()) tables->Editor()->Editing().ClearSelection();
        guard->Editing().ClearSelection();
        guard->viewport()->update();
    }
    if (cancelled) *cancelled = session.Cancelled();
    form.UpdateEditCommands();
    return true;
}

void HookView(TMainForm& form, richtext::ui::TNYXpageView& view) {
    TSearchState* s = &State(form);
    QPointer<richtext::ui::TNYXpageView> guard(&view);
    present::ui::TInsiemeCornici* frames = form.FrameSet();
    view.Session().onIdle = [s, guard, frames](int mode) {
        if (!guard || !s->autoCheck || !s->checker.IsOpen() || guard->ReadOnly()) return;
        if (frames && frames->ReadOnly()) return;
        MarkerOf(s->checker, guard)->Start(mode == 1);
    };
}

}  // namespace

// --- commands ---------------------------------------------------------------------------------------

bool SearchDialog(TMainForm& form, TFcerca::TMode mode) {
    TSearchState& s = State(form);
    TSearchRequest start = s.last;
    start.terms = {};
    if (richtext::ui::TNYXpageView* view = EditedView(form))
        if (view->Box().HasSelection()) {
            const richtext::TTextPos a = view->Editing().SelectionStart(), b = view->Editing().SelectionEnd();
            if (a.para == b.para)
                start.terms.a = view->Box().paragraphs[static_cast<std::size_t>(a.para)]->text.substr(
                    static_cast<std::size_t>(a.ch), static_cast<std::size_t>(b.ch - a.ch));
        }
    if (start.terms.a.empty() && !s.lastTerms.empty()) start.terms.a = s.lastTerms.front();
    TFcerca dialog(mode, start, s.lastTerms, &form);
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    return RunSearch(form, dialog.Request());
}

bool RunSearch(TMainForm& form, const TSearchRequest& request) {
    if (const std::string why = TermsProblem(request.terms); !why.empty()) {
        platform::ui().Warning(platform::text::Cp1252ToUtf8(why));
        return false;
    }
    if (request.terms.Empty()) return false;
    TSearchState& s = State(form);
    Remember(s, request);
    if (request.scope == TSearchScope::kHypertext)
        return request.replace ? ReplaceInHypertext(form, request) : FindInHypertext(form, request);
    return request.replace ? ReplaceInPage(form, request) : FindInPage(form, request, request.options.startFrom == 1);
}

bool RepeatInPage(TMainForm& form) {
    TSearchState& s = State(form);
    if (!s.hasLast) return SearchDialog(form, TFcerca::TMode::kFind);
    TSearchRequest r = s.last;
    r.replace = false;
    return FindInPage(form, r, false);
}

bool RepeatInHypertext(TMainForm& form) {
    TSearchState& s = State(form);
    if (!s.hasLast) return SearchDialog(form, TFcerca::TMode::kFind);
    TSearchRequest r = s.last;
    r.replace = false;
    return FindInHypertext(form, r);
}

bool SearchKeyword(TMainForm& form) {
    form.FrameSet()->StorePages();
    TFparoleChiave dialog(form.Document(), &form);
    if (RunDialog(dialog) != QDialog::Accepted) return false;
    const std::int64_t page = dialog.ChosenPage();
    return page >= 0 && form.ShowPageSlot(page);
}

bool ShowReferences(TMainForm& form) {
    form.FrameSet()->StorePages();
    TFricerche dialog(form.Document(), &form);
    std::int64_t chosen = -1;
    dialog.onShowPage = [&](std::int64_t page) {
        chosen = page;
        dialog.accept();
    };
    if (const std::int32_t shown = form.FrameSet()->MainPageNumber(); shown >= 0) dialog.SelectObject(shown);
    RunDialog(dialog);
    return chosen >= 0 && form.ShowPageSlot(chosen);
}

bool ShowLinkExploration(TMainForm& form) {
    form.FrameSet()->StorePages();
    const std::int32_t shown = form.FrameSet()->MainPageNumber();
    if (shown < 0) return false;
    TFesplora dialog(form.Document(), &form);
    std::int64_t chosen = -1;
    dialog.onShowPage = [&](std::int64_t page) {
        chosen = page;
        dialog.accept();
    };
    dialog.Explore(shown);
    RunDialog(dialog);
    return chosen >= 0 && form.ShowPageSlot(chosen);
}

bool CheckSpellingPage(TMainForm& form) {
    richtext::ui::TNYXpageView* view = EditedView(form);
    if (!view || form.MainDocument().RefuseEdit()) return false;
    // From the caret: in the cell being edited when there is one.
    if (present::ui::TTableView* tables = present::ui::TTableView::Of(*view); tables && tables->EditedCell())
        return CheckView(form, *view, false, tables->EditedCell()->caret, nullptr, tables->EditedCell());
    return CheckView(form, *view, false, view->Box().caret, nullptr);
}

bool CheckSpellingHypertext(TMainForm& form) {
    if (form.MainDocument().RefuseEdit() || !State(form).checker.IsOpen()) return false;
    form.FrameSet()->StorePages();
    const std::int32_t back = form.FrameSet()->MainPageNumber();
    std::vector<std::int64_t> order;
    for (const model::TNYXoggetto* p : model::PagesInNumberOrder(form.Document()))
        if (p) order.push_back(p->Index());
    for (std::int64_t slot : order) {
        if (!form.ShowPageSlot(slot)) continue;
        richtext::ui::TNYXpageView* view = EditedView(form);
        if (!view) continue;
        bool cancelled = false;
        CheckView(form, *view, true, {view->Box().BodyBegin(), 0}, &cancelled);
        if (cancelled) break;
    }
    if (back >= 0) form.ShowPageSlot(back);
    return true;
}

TKySpellChecker& SpellChecker(TMainForm& form) { return State(form).checker; }
std::string SpellingUnavailableReason(TMainForm& form) {
    const TKySpellChecker& k = State(form).checker;
    if (k.IsOpen()) return {};
    return k.OpenProblem().empty() ? std::string("nessun dizionario installato.") : k.OpenProblem();
}
std::int64_t LongestSearchSliceUs(TMainForm& form) { return State(form).longestSlice; }

void AddSearchCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers) {
    TMainForm* f = &form;
    TSearchState& s = State(form);
    ReadSearchOptions(s);
    QObject::connect(&form, &QObject::destroyed, [f] {
        auto& states = States();
        if (auto it = states.find(f); it != states.end()) {
            if (it->second->popupId >= 0) richtext::ui::RemovePopupContributor(it->second->popupId);
            states.erase(it);
        }
    });

    handlers["actCerca"] = [f] { SearchDialog(*f, TFcerca::TMode::kFind); };
    handlers["actSostituisci"] = [f] { SearchDialog(*f, TFcerca::TMode::kReplace); };
    handlers["actCercaOperatori"] = [f] { SearchDialog(*f, TFcerca::TMode::kOperators); };
    handlers["actRipetiPagina"] = [f] { RepeatInPage(*f); };
    handlers["actRipetiIpertesto"] = [f] { RepeatInHypertext(*f); };
    handlers["actCercaParola"] = [f] { SearchKeyword(*f); };
    handlers["actRicerche"] = [f] { ShowReferences(*f); };
    handlers["actEsplorazione"] = [f] { ShowLinkExploration(*f); };

    // The spell checker: the language of the options, the user's own list.
    const TSpellOptions spell = ReadSpellOptions(options());
    s.autoCheck = spell.autoCheck;
    s.checker.SetOptions(SpellOptionMask(spell));
    s.checker.LoadUserDictionary();
    std::string language = LanguageOfLocale(spell.lang);
    if (language.empty()) language = "it_IT";
    if (!s.checker.Open(language)) {
        // Without a dictionary both checks stay disabled and say why.
        const QString why = Q(s.checker.OpenProblem());
        QTimer::singleShot(0, &form, [f, why] {
            for (const char* name : {"actOrtografiaPagina", "actOrtografiaIpertesto"})
                if (QAction* a = f->Command(name)) {
                    a->setStatusTip(why);
                    a->setToolTip(why);
                }
        });
        return;
    }
    handlers["actOrtografiaPagina"] = [f] { CheckSpellingPage(*f); };
    handlers["actOrtografiaIpertesto"] = [f] { CheckSpellingHypertext(*f); };
    s.popupId = AddSpellPopup(s.checker, [f](richtext::ui::TNYXpageView& view) {
        CheckView(*f, view, false, view.Box().caret, nullptr);
    });
    present::ui::TInsiemeCornici* frames = form.FrameSet();
    for (richtext::ui::TNYXpageView* v : frames->Views())
        if (v) HookView(form, *v);
    auto previous = frames->onViewMade;
    frames->onViewMade = [f, previous](richtext::ui::TNYXpageView& v) {
        if (previous) previous(v);
        HookView(*f, v);
    };
}

}  // namespace shell::ui
