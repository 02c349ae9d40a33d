// Feeds arbitrary bytes to the readers of stored trees, property lists and
// prototype streams. Whatever they read must write out and read back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Prototypes.h"
#include "platform/testing/SilentUi.h"

using namespace model;

namespace {

bool SameList(const TPropList& a, const TPropList& b) {
    if (a.Size() != b.Size()) return false;
    for (std::size_t i = 0; i < a.Size(); ++i) {
        const TProp& x = a.Entries()[i];
        const TProp& y = b.Entries()[i];
        if (x.name != y.name || x.type != y.type || x.value != y.value) return false;
    }
    return true;
}

TNYXset& Set() {
    static TNYXset set;
    static bool made = [] {
        set.NewHypertext();
        for (int i = 0; i < 4; ++i) set.NewObject(testoHtml);
        set.ObjectAt(testoHtml, 2)->Reset();
        set.NewObject(custom);
        return true;
    }();
    (void)made;
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static platform::testing::SilentUi silent;
    static platform::ScopedUi scope(silent);
    TNYXset& set = Set();
    const std::string in(reinterpret_cast<const char*>(data), size);

    for (int objects : {int(testoHtml), int(custom)}) {
        TNYXorderedTree tree(&set, objects);
        tree.ReadStoredForm(in);
        for (const TNYXtreeNode* n : tree.NodesInOrder())
            if (n->Level() > TNYXorderedTree::kMaxLevel) std::abort();
        const std::string written = tree.StoredForm();
        TNYXorderedTree again(&set, objects);
        if (!again.ReadStoredForm(written) || again.StoredForm() != written) std::abort();
    }

    TPropList defs;
    defs.LoadDefinitions(in);
    std::string d;
    defs.SaveDefinitions(d);
    TPropList defs2;
    defs2.LoadDefinitions(d);
    if (!SameList(defs, defs2)) std::abort();

    TPropList vals(TPropList::Mode::Value);
    vals.LoadDefinitions(d);
    vals.LoadValues(in);
    std::string v;
    vals.SaveValues(v);
    TPropList vals2(TPropList::Mode::Value);
    vals2.LoadDefinitions(d);
    vals2.LoadValues(v);
    if (!SameList(vals, vals2)) std::abort();

    std::unique_ptr<TNYXoggetto> proto = MakeObject(custom);
    proto->SetSet(&set);
    proto->Reset();
    proto->MakeNew();
    proto->SetFirstStream(in);
    proto->SetSecondStream(in);
    const TPrototypeContent c = ReadPrototype(*proto);
    WritePrototype(*proto, c);
    const TPrototypeContent c2 = ReadPrototype(*proto);
    if (c2.files != c.files || !SameList(c2.parameters, c.parameters) || c2.html != c.html ||
        c2.editorData != c.editorData)
        std::abort();
    return 0;
}
