// Clipboard container: any bytes pasted into a page either leave its text
// exactly as it was (refused) or are pasted, and undoing the paste then gives
// the text back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

namespace {

constexpr std::string_view kText{
    "<Z S0 >Prima <$00000003>riga<%><Z S0 ><$FF000002><Z S1 >cella<T><Z S2 >Dopo<Y y1 >grassetto\0", 90};

struct Page {
    richtext::TSamplePage page;
    richtext::TNYXundoList undo{&page.set};
    richtext::TNYXTextAttributes attrs{page.box};
    richtext::TNYXediting ed{page.box, attrs};
    Page() { page.box.undo = &undo; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A fresh page now and then, so that pasted objects do not pile up.
    static std::unique_ptr<Page> p;
    static int runs = 0;
    if (!p || ++runs % 256 == 0) p = std::make_unique<Page>();
    const std::string before = p->page.Read(kText);
    p->undo.Clear();
    p->ed.SetCaret({2, 2});
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const bool pasted = p->ed.PasteContainer(in);
    if (!pasted && richtext::BoxText(p->page.box) != before) {
        std::fprintf(stderr, "a refused container changed the text\n");
        std::abort();
    }
    for (const auto& para : p->page.box.paragraphs)
        if (para->recs.size() != para->text.size() + 1) std::abort();
    if (pasted) {
        p->undo.UndoSteps(p->undo.Count());
        if (richtext::BoxText(p->page.box) != before) {
            std::fprintf(stderr, "undoing the paste did not give the text back\n");
            std::abort();
        }
    }
    return 0;
}
