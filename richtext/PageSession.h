// The page a box shows for editing, without any widget: the page's working
// copy (private copies of its objects, registered under the instance ids the
// box knows them by), its header and footer texts, its background, its
// anchors, the question whether it was edited, storing it back into the
// hypertext when it is left, and the idle timer that starts the page's
// background work two seconds after the last change. The page view on
// screen is a thin shell over it; THeadlessPageBox shows it without one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "richtext/Box.h"

namespace model {
class TNYXoggetto;
class TNYXpageIdle;
class TNYXset;
class TNYXtesto;
struct TNYXpicture;
}  // namespace model

namespace richtext {

class TNYXediting;
class TNYXTextAttributes;
class TNYXundoList;
class TWorkingCopyHome;

// What a page session needs of whoever shows its box.
class TPageBoxHost {
public:
    virtual ~TPageBoxHost() = default;
    // Starts over with an empty box (a new registry, new editing objects)
    // over a hypertext, nullptr for none; the old box's undo steps go.
    virtual void NewBox(model::TNYXset* set) = 0;
    virtual TNYXbox& CurrentBox() = 0;
    // Reads body, header and footer texts into the box and lays them out,
    // the view at the top of the text.
    virtual void ReadTexts(std::string_view body, std::string_view header, std::string_view footer) = 0;
    // Puts the caret there (no selection, typing runs ended) and brings it
    // into view at the top.
    virtual void PutCaret(TTextPos pos) = 0;
    // The page's background changed (another page, or none).
    virtual void BackgroundChanged() {}
};

// The background of the page shown: offsets 101, 85 and 288 of the page.
struct TPageBackground {
    std::uint32_t colour = 0xFFFFFF;
    std::int32_t pictureSlot = -1;
    std::shared_ptr<const model::TNYXpicture> picture;  // decoded; null when none or unreadable
    bool fixed = false;
};

// Where a link leads: a page of the hypertext (its slot, -1 none) and an
// anchor in it (-1 none). `samePage` when it leads into the page shown.
struct TLinkTarget {
    std::int64_t page = -1;
    std::int32_t anchor = -1;
    bool samePage = false;
};

class TNYXpageSession {
public:
    // The host must outlive the session.
    explicit TNYXpageSession(TPageBoxHost& host);
    ~TNYXpageSession();
    TNYXpageSession(const TNYXpageSession&) = delete;
    TNYXpageSession& operator=(const TNYXpageSession&) = delete;

    // Shows the page at a slot of the hypertext (-1 or a missing page: an
    // empty new text) with its header and footer texts and background, the
    // caret at the start of the body, and starts the idle timer. False when
    // the slot holds no page.
    bool ShowPage(model::TNYXset& set, std::int64_t slot);
    // The cover page (the hypertext's start page), else the first page.
    bool ShowCoverPage(model::TNYXset& set);
    // Shows nothing; the working copy is dropped unchanged.
    void ClosePage();
    // True when the text differs from the page as it was shown, or one of
    // its objects' records was changed (a property, a size).
    bool Edited() const;
    // An object the page shows had its record changed in the working copy:
    // leaving the page stores it even when the text is the same.
    void ObjectChanged() { objectsChanged_ = copy_ != nullptr; }
    // Stores the edited text back into its page (nothing when unchanged) and
    // shows nothing; true when it stored. The hypertext is then modified.
    bool LeavePage();

    // The record a link key of the text names: a link of the page's own, or
    // an object of the hypertext; nullptr when there is none.
    const model::TNYXoggetto* LinkRecord(std::int32_t key) const;
    // The record of the first anchor marker numbered n in the body (or in a
    // table's cells); nullptr when there is none.
    const model::TNYXoggetto* AnchorMarker(std::int32_t n) const;
    // The page and anchor a link key leads to. A link record to a page
    // gives its target and anchor number; one of open mode 6 leads to an
    // anchor of the page shown; a key that is itself a page leads there.
    TLinkTarget LinkTarget(std::int32_t key) const;
    // Puts the caret before the first anchor marker numbered n that the body
    // shows (before the table that holds it, for one inside a table) and
    // brings it into view. When there is none and the page is editable,
    // warns "Ancora non trovata: a" + n.
    bool GoToAnchor(std::int32_t n);

    // The text changed (mode 0), or background work is asked for in another
    // mode: (re)starts the idle timer with the mode as its tag.
    void Changed(int mode = 0);
    bool IdlePending() const;
    // Called when the idle timer fires while a page is shown, with the tag
    // of the last change: the page's background work (spell checking) starts here.
    std::function<void(int mode)> onIdle;

    // View mode: the page as a reader sees it (missing anchors are not reported).
    void SetViewMode(bool on) { viewMode_ = on; }
    bool ViewMode() const { return viewMode_; }

    model::TNYXtesto* WorkingCopy() const { return copy_.get(); }
    model::TNYXset* Set() const { return set_; }
    std::int64_t PageSlot() const { return slot_; }
    const TPageBackground& Background() const { return background_; }

private:
    void Idle(int mode);
    TPageBoxHost& host_;
    model::TNYXset* set_ = nullptr;
    std::unique_ptr<model::TNYXtesto> copy_;
    std::unique_ptr<TWorkingCopyHome> home_;
    std::string shownText_;  // the body as the box wrote it right after loading
    bool objectsChanged_ = false;
    std::int64_t slot_ = -1;
    TPageBackground background_;
    bool viewMode_ = false;
    std::unique_ptr<model::TNYXpageIdle> idle_;
};

// A box without a widget for a page session: the box, its registry and its
// editing objects, laid out at a fixed width. For tests and tools.
class THeadlessPageBox : public TPageBoxHost {
public:
    explicit THeadlessPageBox(TTextMetrics* metrics = nullptr, TNYXundoList* undo = nullptr);
    ~THeadlessPageBox() override;
    void NewBox(model::TNYXset* set) override;
    TNYXbox& CurrentBox() override { return *box_; }
    void ReadTexts(std::string_view body, std::string_view header, std::string_view footer) override;
    void PutCaret(TTextPos pos) override;
    TNYXediting& Editing() { return *editing_; }
    TNYXTextAttributes& Attributes() { return *attrs_; }
    std::int32_t layoutWidth = 400;

private:
    TTextMetrics* metrics_;
    TNYXundoList* undo_;
    std::unique_ptr<TNYXundoIndiciList> registry_;
    std::unique_ptr<TNYXbox> box_;
    std::unique_ptr<TNYXTextAttributes> attrs_;
    std::unique_ptr<TNYXediting> editing_;
};

}  // namespace richtext
