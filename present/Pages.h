// The pages of a hypertext as the page commands see them, without any
// window: adding a page (it joins the page order at once), a page divided as
// a frame layout model, who still uses a page, deleting a page nothing uses
// (and taking the deletion back until the hypertext is saved), and the rows
// of the lists that show every page.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace model {
class TNYXoggetto;
class TNYXset;
}  // namespace model

namespace present {

// An empty page registered in the first free slot of the page table, titled
// `title` (Windows-1252; empty keeps "Senza titolo"). It joins the end of the
// number order that previous and next page links follow and, when the
// hypertext keeps a page order tree, the end of that tree.
model::TNYXoggetto* AddNewPage(model::TNYXset& set, std::string_view title = {});
// The same page divided as a ".frm" layout model, each frame with a new empty
// page. A model that cannot be read leaves the page undivided and is told
// ("Formato file errato!"); the page is made all the same.
model::TNYXoggetto* AddNewPage(model::TNYXset& set, std::string_view title, const std::filesystem::path& layoutModel);

// An object and what resetting it resets too, depth first and each once
// (`seen` holds their references): the objects of a page's text that belong
// to the page, and the links an object owns.
void CollectOwnedObjects(const model::TNYXset& set, const model::TNYXoggetto& o, std::set<std::int32_t>& seen,
                         std::vector<const model::TNYXoggetto*>& out);

// The texts of the reasons why an object refers to another (0 to 16); UTF-8.
std::string ReferenceReasonText(int reason);

// One object that still uses a page, and why.
struct TPageUse {
    std::string who;  // UTF-8: the description of the page, prototype or header field
    std::string why;  // UTF-8: the reason's text
};
// Who uses the page at `slot`: every other non-empty page and prototype that
// refers to it, every other page whose frames show it, and the hypertext's
// cover, contents, header and footer page settings. The page's own objects
// do not count.
std::vector<TPageUse> PageUses(const model::TNYXset& set, std::int64_t slot);

// The pages deleted since the hypertext was last saved, with everything
// their deletion emptied (the objects of their text, their frame map), so
// that a deletion can be taken back.
class TPageTrash {
public:
    enum class TResult { kDeleted, kInUse, kNoPage, kCancelled };
    // Deletes the page at `slot` when nothing else uses it: otherwise the
    // "Report errori:" window lists the users and nothing changes. Asks
    // first ("Cancello la pagina ...?").
    TResult Delete(model::TNYXset& set, std::int64_t slot);
    bool CanUndo() const { return !deleted_.empty(); }
    // The title of the newest deleted page (Windows-1252).
    std::string NewestTitle() const;
    // Takes the newest deletion back; the page's slot, or -1 when nothing was
    // deleted or the slots it held were taken meanwhile (then said).
    std::int64_t Undo(model::TNYXset& set);
    // Saving, or another hypertext: what was deleted stays deleted.
    void Clear() { deleted_.clear(); }

private:
    struct TSaved {
        int type = 0;
        std::uint32_t index = 0;
        std::string stream;  // the object in stream form
    };
    struct TDeletion {
        std::int64_t slot = -1;
        std::string title;
        std::vector<TSaved> objects;  // the page first
    };
    std::vector<TDeletion> deleted_;
};

// A row of the lists of every page.
struct TPageRow {
    std::int64_t slot = -1;  // the page's number
    std::string title;       // Windows-1252
    std::int64_t size = 0;   // of its text, in bytes
};
// Every non-empty page, in slot order.
std::vector<TPageRow> PageRows(const model::TNYXset& set);
enum class TPageColumn { kTitle, kNumber, kSize };
// Titles without regard to case (then by number); a stable sort.
void SortPageRows(std::vector<TPageRow>& rows, TPageColumn column, bool ascending);

}  // namespace present
