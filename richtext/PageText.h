// Reading a page's stored text outside the editor: the stored markup refers to
// embedded objects and links by their hypertext keys, the box by instance ids
// and page-local keys. PrepareStoredText rewrites the tags the way a page's
// working copy does (without copying the objects), registering every embedded
// object in a registry and every URL and link in a local list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "richtext/Box.h"

namespace model {
class TNYXset;
class TNYXtesto;
}

namespace richtext {

// True for object types that stand in the text as embedded objects.
bool IsEmbeddedType(int type);

// Rewrites the "<$" tags of a stored text: embedded objects become
// "<$FF" + instance id + ">" (registered in `registry`), URLs and links
// "<$6F" + index + ">" (appended to `localObjects`). Unknown or empty objects
// keep their keys (the reader drops them).
std::string PrepareStoredText(model::TNYXset& set, std::string_view stored, TNYXundoIndiciList& registry,
                              std::vector<std::int32_t>& localObjects);

// Adds `base` to the instance id of every "<$FF" tag: the header and footer
// texts shown with a page keep their own object lists, which then follow the
// page's in the box's one registry. Ids that would pass FFFFFF are kept.
std::string ShiftInstanceIds(std::string_view text, std::int32_t base);

// Everything needed to read one stored text into a box.
struct TStoredTextBox {
    explicit TStoredTextBox(model::TNYXset& set, TTextMetrics* metrics = nullptr)
        : box(&set, &registry, metrics) {}
    TNYXundoIndiciList registry;
    std::vector<std::int32_t> localObjects;
    TNYXbox box;
    std::string prepared;
    // Prepares and loads; problems go to the sink.
    void Load(std::string_view stored, TMarkupProblemSink* sink);
};

// The object home of a page's working copy: objects that editing brings in
// become the copy's own (a new object, origin -1) and are registered in the
// hypertext only when the page is stored.
class TWorkingCopyHome : public TObjectHome {
public:
    explicit TWorkingCopyHome(model::TNYXtesto& copy) : copy_(copy) {}
    model::TNYXoggetto* NewEmbedded(int kind) override;
    std::int32_t AddLocalLink(std::unique_ptr<model::TNYXoggetto> record) override;
    model::TNYXoggetto* LocalLink(std::int32_t key) const override;

private:
    model::TNYXtesto& copy_;
};

// Writes an edited box's body back into its page's working copy, ready for
// model::StorePage: the text in stored markup, the embedded objects the text
// shows renumbered in the order it shows them ("<$FF" + index), objects it no
// longer shows dropped. An object the box shows that is not one of the copy's
// own is copied in as a new object. Returns false when the box refers to an
// object that is gone (its tag is then dropped).
bool StoreBoxInWorkingCopy(const TNYXbox& box, model::TNYXtesto& copy);

}  // namespace richtext
