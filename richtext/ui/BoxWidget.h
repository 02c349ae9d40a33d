// The rich-text box on screen: a scrolling view of a TNYXbox, laid out at the
// viewport's width, painted by damaged rectangle, its text exposed to
// accessibility (objects as U+FFFC). TNYXpageView shows one page of a
// hypertext in it, with the page's header and footer texts: a thin shell
// over the page session (richtext/PageSession) that holds the page's logic.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "richtext/Box.h"
#include "richtext/Editing.h"
#include "richtext/Keys.h"
#include "richtext/Mouse.h"
#include "richtext/PageSession.h"
#include "richtext/PageText.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxPainter.h"
#include "richtext/ui/QtMetrics.h"

namespace richtext::ui {

class TNYXboxWidget : public QAbstractScrollArea, public TLayoutHost {
    Q_OBJECT
public:
    explicit TNYXboxWidget(QWidget* parent = nullptr);
    ~TNYXboxWidget() override;

    TNYXbox& Box() { return *box_; }
    // Edits a box owned elsewhere (a table's cell) in place of the widget's
    // own, which stays as it is; nullptr goes back to the own box. The owner
    // of the box unbinds it before the box goes.
    void EditBox(TNYXbox* external);
    bool EditsExternalBox() const { return box_ != ownBox_.get(); }
    // Arrows entering a table paragraph report the cell (onLeaveBox) instead
    // of passing over the table.
    void SetEnterTables(bool on);
    // Called before the box's content may be rebuilt from elsewhere (a new
    // box, an undo or a redo): whoever edits one of its cells unbinds it.
    std::function<void()> onBeforeBoxChange;
    TNYXundoIndiciList& Registry() { return *registry_; }
    TQtTextMetrics& Metrics() { return metrics_; }
    TBoxLook& Look() { return look_; }

    // Starts over with an empty box over a hypertext (its styles and objects).
    void ResetBox(model::TNYXset* set);
    // Reads body, header and footer texts into the box and lays them out.
    void LoadText(std::string_view body, std::string_view header = {}, std::string_view footer = {});
    // Lays the whole box out again at the viewport's width.
    void Relayout();

    // Called after layout for every object whose place changed (box
    // coordinates): object controls are moved here, never from painting.
    std::function<void(TNYXembedded&, const QRect&)> onPlaceObject;
    // Whoever shows the page may size and paint its embedded objects; without
    // these the stored sizes and a placeholder are used. onMeasureObject
    // answers false for an object not shown in the current mode.
    std::function<bool(TNYXembedded&, std::int32_t lineWidth)> onMeasureObject;
    std::function<bool(QPainter&, const TNYXembedded&, const QRect&)> onPaintObject;
    // Painted over the text after everything else but the caret, in box
    // coordinates: an object's selection frame, a resize outline, a drop mark.
    std::function<void(QPainter&)> onPaintOver;

    // The text as accessibility sees it: paragraphs joined by "\n", objects as U+FFFC.
    QString AccessibleText() const;
    // Offset of a text position in AccessibleText().
    int AccessibleOffset(const TTextPos& pos) const;
    TTextPos PositionOfOffset(int offset) const;

    // Painting statistics, for tests: the last damaged rectangle painted.
    QRect LastPaintedRect() const { return lastPainted_; }

    // --- editing -------------------------------------------------------------------
    TNYXediting& Editing() { return *editing_; }
    // After an edit made through Editing() from outside the widget: repaint,
    // caret into view, notify.
    void EditedOutside(bool textChanged) { AfterEdit(textChanged); }
    TNYXTextAttributes& Attributes() { return *attrs_; }
    // The hypertext's undo list (not owned); the box's snapshots go there.
    void SetUndoList(TNYXundoList* list);
    TNYXundoList* UndoList() const { return undoList_; }
    // A read-only box hides the caret, scrolls with the arrows and follows links on a click.
    void SetReadOnly(bool on);
    bool ReadOnly() const { return readOnly_; }
    // The clipboard: the container ("application/x-quor30-objects") and plain text.
    bool Copy();
    bool Cut();
    bool Paste();
    void SelectAll();
    // Turns a character style bit (bold, italic, underline) on or off for the
    // selection, or for the next typed characters when there is none.
    void ToggleStyle(std::uint8_t bit);
    // True when the style bit is in force at the caret (pending values first).
    bool StyleOn(std::uint8_t bit) const;
    // Runs a character or paragraph operation on the selection (each takes
    // its own undo snapshot), then repaints and notifies. Nothing happens in
    // a read-only box or during an update: false.
    bool Format(const std::function<void(TNYXTextAttributes&, TNYXParaAttributes&)>& op);
    // Types one Windows-1252 character at the caret, replacing the selection.
    bool InsertSymbol(unsigned char c);
    // Undoes `steps` entries of the undo list (1: the newest); Redo redoes
    // entries of the redo list. Neither does anything in a read-only box.
    void Undo(std::size_t steps = 1);
    void Redo(std::size_t steps = 1);
    // Typed straight quotes become typographic ones (the "Virgolette" option).
    void SetTypographicQuotes(bool on);
    bool TypographicQuotes() const { return autoEngQuote_; }
    // Plain text is pasted as code: the box edits a free HTML text.
    void SetCodeMode(bool on);
    // The caret's rectangle in box coordinates (3 pixels wide, the line's height).
    QRect CaretRect() const;
    // True while the caret is drawn (focused editable box without a selection, blink on).
    bool CaretDrawn() const;
    // Scrolls so that the caret is wholly visible.
    void ScrollToCaret();
    // The text changed (after every editing operation and undo).
    std::function<void()> onEdited;
    // The selection or the caret moved.
    std::function<void()> onSelectionChanged;
    // A link to follow (its key as the text holds it). Called from input
    // handlers: whoever shows another page must do so later, not from inside.
    std::function<void(std::int32_t key)> onFollowLink;
    // The hint shown over a link (its description).
    std::function<std::string(std::int32_t key)> onLinkHint;
    // The hint under the pointer changed (empty: none), for a status bar.
    std::function<void(const std::string& hint)> onHintChanged;
    // A key moved the caret out of this box into another (a table's cell or
    // the box holding the table).
    std::function<void(TNYXbox& box, TTextPos pos)> onLeaveBox;
    // The link key under a text position (the character after it, else the
    // one before), -1 when there is none.
    std::int32_t LinkAt(TTextPos pos) const;
    // Follows the link at a position: clears the selection and calls onFollowLink.
    bool FollowLinkAt(TTextPos pos);

    // --- TLayoutHost ------------------------------------------------------------
    void Invalidate(std::int32_t top, std::int32_t bottom) override;
    void ContentSizeChanged() override;
    void UpdateEnded() override;
    void ObjectsMoved(std::int32_t first, std::int32_t last) override;
    bool MeasureObject(TNYXembedded& e, std::int32_t lineWidth) override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool focusNextPrevChild(bool) override { return false; }  // Tab is text
    // The keyboard map; false for keys the box does not take.
    bool HandleKey(QKeyEvent* e);
    // Types UTF-8 text character by character (what the keyboard or an input method produced).
    bool TypeText(const std::string& utf8);
    void ApplyKey(const TKeyResult& r);
    // Tells onHintChanged when the hint under the pointer changes.
    void ShowHint(const std::string& hint);
    void ApplyMouse(const TMouseResult& r);
    // Clears the selection and hands the link to onFollowLink.
    void Follow(std::int32_t key);

    // Editing objects for the current box (after ResetBox).
    void StartEditing();
    // After an operation: repaint what changed, caret into view, notify.
    void AfterEdit(bool textChanged);
    // Called by AfterEdit when the text changed, before onEdited.
    virtual void TextChanged() {}
    // Scrolls so that the caret's line is at the top of the view (the top of
    // the text for its first line).
    void ScrollCaretToTop();
    // Shows the caret of this box and makes it blink (hides it when it cannot show).
    void UpdateCaret();
    void BlinkTick();
    QPoint BoxPoint(const QPoint& viewportPoint) const;

    void UpdateScrollBars();
    // Placed pictures show their picture; every other object a placeholder.
    void PaintObject(QPainter& p, const TNYXembedded& e, const QRect& r);

    model::TNYXset* set_ = nullptr;
    TQtTextMetrics metrics_;
    std::unique_ptr<TNYXundoIndiciList> registry_;
    std::unique_ptr<TNYXbox> ownBox_;
    TNYXbox* box_ = nullptr;  // the own box, or the one EditBox bound
    TLayoutHost* externalHost_ = nullptr;  // the bound box's host before the binding
    bool enterTables_ = false;
    TBoxLook look_;
    QRect lastPainted_;
    std::map<const model::TNYXoggetto*, QImage> pictures_;
    TNYXundoList* undoList_ = nullptr;
    std::unique_ptr<TNYXTextAttributes> attrs_;
    std::unique_ptr<TNYXediting> editing_;
    std::unique_ptr<TNYXkeyboard> keys_;
    std::unique_ptr<TNYXmouse> mouse_;
    bool readOnly_ = false;
    bool autoEngQuote_ = false;
    bool codeMode_ = false;
    bool blinkOn_ = false;
    std::string hint_;  // the hint last shown over a link
    QRect caretPainted_;
    bool paintSkipped_ = false;
    TTextPos shownSelStart_, shownSelEnd_;  // the selection as last painted
    friend class TCaretBlink;
};

class TNYXpageView : public TNYXboxWidget, private TPageBoxHost {
    Q_OBJECT
public:
    explicit TNYXpageView(QWidget* parent = nullptr);
    ~TNYXpageView() override;

    // The page's logic: working copy, storing, anchors, links, idle timer.
    TNYXpageSession& Session() { return session_; }
    const TNYXpageSession& Session() const { return session_; }

    // Shows the page at a slot of the hypertext (-1 or a missing page: an
    // empty new text), with its header and footer texts, background and
    // colours. False when the slot holds no page.
    bool ShowPage(model::TNYXset& set, std::int64_t slot) { return session_.ShowPage(set, slot); }
    // The cover page (the hypertext's start page), else the first page.
    bool ShowCoverPage(model::TNYXset& set) { return session_.ShowCoverPage(set); }
    // Shows nothing; the working copy is dropped unchanged.
    void ClosePage() { session_.ClosePage(); }
    // True when the text differs from the page as it was shown.
    bool Edited() const { return session_.Edited(); }
    // Stores the edited text back into its page (nothing when unchanged) and
    // shows nothing; true when it stored. The hypertext is then modified.
    bool LeavePage() { return session_.LeavePage(); }
    // The record a link key of the text names: a link of the page's own, or
    // an object of the hypertext; nullptr when there is none.
    const model::TNYXoggetto* LinkRecord(std::int32_t key) const { return session_.LinkRecord(key); }
    // The caret to the anchor numbered n, its line at the top of the view.
    bool GoToAnchor(std::int32_t n) { return session_.GoToAnchor(n); }

    model::TNYXtesto* WorkingCopy() const { return session_.WorkingCopy(); }
    std::int64_t PageSlot() const { return session_.PageSlot(); }
    // View mode: read-only, no hatching of header and footer text.
    void SetViewMode(bool on);

protected:
    void TextChanged() override { session_.Changed(0); }

private:
    // TPageBoxHost
    void NewBox(model::TNYXset* set) override { ResetBox(set); }
    TNYXbox& CurrentBox() override { return *box_; }
    void ReadTexts(std::string_view body, std::string_view header, std::string_view footer) override;
    void PutCaret(TTextPos pos) override;
    void BackgroundChanged() override;

    TNYXpageSession session_{*this};
};

// Puts a page view into a window's central area (replacing what was there)
// and returns it; the window keeps it.
TNYXpageView* PutPageView(QMainWindow& window);

// Registers the accessibility interface of the box widgets (done by every
// widget's constructor; calling it again is harmless).
void InstallBoxAccessibility();

}  // namespace richtext::ui
