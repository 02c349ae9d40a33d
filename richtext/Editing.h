// The editing operations of a box, without any widget: the caret and the
// selection as character positions, typing, new paragraphs, deleting,
// replacing, objects, links, the clipboard container, plain text and moving
// a selection by dragging. Every operation that changes text takes its undo
// snapshot (through the box's undo list, when it has one), changes the
// paragraphs, rebuilds their character records by a markup round trip and
// lays out the touched paragraphs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "richtext/Box.h"
#include "richtext/Clipboard.h"
#include "richtext/TextAttributes.h"

namespace richtext {

class TNYXundoList;
class TboBackup;

class TNYXediting {
public:
    TNYXediting(TNYXbox& box, TNYXTextAttributes& attributes) : box_(box), attrs_(attributes) {}

    TNYXbox& Box() const { return box_; }
    // Typed straight quotes become typographic ones (the frame set's AutoEngQuote).
    bool autoEngQuote = false;
    // Plain text is pasted as code (the editors of free HTML texts): its
    // "!Ref" references become marker objects, through CodePaste().
    bool codeMode = false;

    // --- caret and selection --------------------------------------------------
    // Puts the caret (clearing the selection, the runs and pending attributes).
    void SetCaret(TTextPos p);
    // Selection from an anchor to an active end; the caret follows the active end.
    void Select(TTextPos anchor, TTextPos active);
    void SelectAll();
    void ClearSelection();
    // Start and end of the selection (both the caret without one), clamped to
    // the box's body.
    TTextPos SelectionStart() const;
    TTextPos SelectionEnd() const;
    // Clears the typing and deleting runs and the pending attributes: called by
    // the widget on every caret movement and click.
    void CaretMoved();
    bool Typing() const { return typing_; }
    bool Deleting() const { return deleting_; }

    // --- editing -------------------------------------------------------------------
    // Typing one character (Windows-1252 code >= 32).
    bool InsertChar(unsigned char c);
    // Enter.
    bool SplitParagraph();
    // Deletes the selection; false (and the error box) without one.
    bool DeleteSelection();
    // Delete: the selection, or the character after the caret, or joins the next paragraph.
    bool DeleteForward();
    // Backspace: one step left, then delete forward (nothing at the body's start).
    bool Backspace();
    // Replaces a selection inside one paragraph by a string; the new text ends selected.
    bool ReplaceSelection(std::string_view text);
    // Inserts an object registered in the box's registry (not shown yet).
    bool InsertObject(TNYXembedded* object);
    // Sets the link key of the selected characters (-1 removes links).
    bool SetLink(std::int32_t key);

    // --- clipboard -----------------------------------------------------------------
    // The selection as a container (resources only when asked).
    std::string CopyContainer(bool withResources = true) const;
    // Copy, then delete the selection.
    std::string CutContainer();
    // Pastes a container at the caret; a container that is not whole and
    // sound is refused before anything changes (false).
    bool PasteContainer(std::string_view bytes, const std::string& label = "Inserimento da Cartella appunti");
    // The selection as plain text (UTF-8, paragraphs ended by CR LF but the last).
    std::string SelectedPlainText() const;
    // Inserts UTF-8 text (CR LF, CR or LF start new paragraphs).
    bool PastePlainText(std::string_view utf8, const std::string& label = "Inserimento da Cartella appunti");

    // Moves the selection to a drop position of the same box; refused (false)
    // when the position lies inside the selection or in a table paragraph.
    bool DragMove(TTextPos drop);

    // How many characters a paragraph has (its text length), 0 out of range.
    std::int32_t Length(std::int32_t para) const;

private:
    TNYXundoList* Undo() const;
    TboBackup* Snap(const std::string& label, std::int32_t first, std::int32_t last);
    void AfterRange(TboBackup* b, std::int32_t first, std::int32_t last);
    TNYXparag& Para(std::int32_t i) const { return *box_.paragraphs[static_cast<std::size_t>(i)]; }
    TTextPos Clamp(TTextPos p) const;
    // Replaces paragraphs [first, last] with the paragraphs in markup (mode 1);
    // returns how many were read.
    std::int32_t Rebuild(std::int32_t first, std::int32_t last, const std::string& markup);
    // Splits without a snapshot; returns the new paragraph's index.
    std::int32_t SplitAt(TTextPos at);
    bool DeleteRange(TTextPos lo, TTextPos hi, bool run);
    bool RemoveParagraph(std::int32_t i, TTextPos caretAfter);
    void Relayout(std::int32_t first, std::int32_t last);

    TNYXbox& box_;
    TNYXTextAttributes& attrs_;
    bool typing_ = false;
    bool deleting_ = false;
    // The serials of the snapshots the runs share: another operation's
    // snapshot (or an undo or redo) ends a run.
    std::uint64_t typingSnap_ = 0;
    std::uint64_t deletingSnap_ = 0;
    std::int32_t runPara_ = -1;  // the paragraph of the deleting run's snapshot
};

}  // namespace richtext
