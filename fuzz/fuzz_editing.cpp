// Editing sequences: every input byte is a key (with Ctrl and Shift), a typed
// character, a click, a drag, a double click, a copy and paste, a single
// undo or a single redo on a small laid-out page with a link, a table and
// styled runs. After each step every paragraph keeps one character record per
// character plus its end record; at the end undoing every step gives the text
// back byte for byte, redoing them all gives the farthest text back, and
// undoing them again the first.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "model/NYXoggetto.h"
#include "richtext/Editing.h"
#include "richtext/Keys.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Mouse.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

namespace {

using namespace richtext;

constexpr std::string_view kText{
    "<Z S0 >Prima <$00000003>riga<%> di testo<Z S0 ><$FF000002><Z S1 >cella<T><Z S2 >Dopo<Y y1 >grassetto, "
    "e poi\xE0 altro<Z S0 >fine\0",
    125};

struct Page {
    TSamplePage page;
    TNYXundoList undo{&page.set};
    TNYXTextAttributes attrs{page.box};
    TNYXediting ed{page.box, attrs};
    TNYXkeyboard keys{ed};
    TNYXmouse mouse{ed};
    Page() {
        page.box.undo = &undo;
        undo.SetDepth(400);  // a drag takes two steps
        page.box.layoutWidth = 120;  // 15 characters a line: the text wraps
    }
};

void Check(const TNYXbox& box) {
    for (const auto& p : box.paragraphs)
        if (p->recs.size() != p->text.size() + 1) {
            std::fprintf(stderr, "a paragraph lost its character records\n");
            std::abort();
        }
    if (box.paragraphs.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<Page> p;
    static int runs = 0;
    if (!p || ++runs % 128 == 0) p = std::make_unique<Page>();
    p->undo.Clear();
    const std::string before = p->page.Read(kText);
    LayoutBox(p->page.box);
    p->ed.SetCaret({0, 0});
    std::size_t undone = 0;
    // At most 90 steps, so that the undo list keeps them all.
    for (std::size_t i = 0; i < size && i < 90; ++i) {
        const std::uint8_t b = data[i];
        const std::uint8_t arg = i + 1 < size ? data[i + 1] : 0;
        const int x = (arg & 0x0F) * 9, y = (arg >> 4) * 9;
        switch (b >> 4) {
            case 0:
            case 1:
            case 2: {
                const auto key = static_cast<EditKey>((b & 0x0F) % 12);
                p->keys.Press(key, (b >> 4) == 1, (b >> 4) == 2);
                break;
            }
            case 3: p->keys.Type(static_cast<unsigned char>(0x20 + (arg % 0x60))); ++i; break;
            case 4: p->keys.Type(b & 1 ? '"' : '\''); break;
            case 5:
                p->mouse.Press(x, y);
                p->mouse.Release(x, y);
                ++i;
                break;
            case 6:
                p->mouse.Press(x, y);
                p->mouse.Move(x + 30, y + (b & 0x0F), true);
                p->mouse.Release(x + 30, y + (b & 0x0F));
                ++i;
                break;
            case 7: p->mouse.DoubleClick(x, y); ++i; break;
            case 8: {
                const std::string c = p->ed.CopyContainer();
                if (!c.empty()) {
                    p->keys.Press(EditKey::Right, false, false);
                    p->ed.PasteContainer(c);
                }
                break;
            }
            case 9: p->ed.PastePlainText("uno\r\ndue"); break;
            case 10: p->ed.SelectAll(); break;
            case 11: p->ed.ReplaceSelection("xyz"); break;
            case 12:
                if (p->undo.CanUndo()) {
                    p->undo.UndoOnce();
                    ++undone;
                }
                break;
            case 13: p->attrs.AddRemoveStyle(kBold, 0); break;
            case 14:
                if (p->undo.CanRedo()) {
                    p->undo.RedoOnce();
                    --undone;
                }
                break;
            default: p->keys.Press(EditKey::Enter, false, false); break;
        }
        Check(p->page.box);
    }
    (void)undone;
    // From the farthest state the redo list reaches, back to the start and forth again.
    p->undo.RedoSteps(p->undo.RedoCount());
    Check(p->page.box);
    const std::string last = BoxText(p->page.box);
    auto expect = [&](const std::string& text, const char* what) {
        Check(p->page.box);
        if (BoxText(p->page.box) != text) {
            std::fprintf(stderr, "%s did not give the text back\n", what);
            std::abort();
        }
    };
    p->undo.UndoSteps(p->undo.Count());
    expect(before, "undoing every step");
    p->undo.RedoSteps(p->undo.RedoCount());
    expect(last, "redoing every step");
    p->undo.UndoSteps(p->undo.Count());
    expect(before, "undoing every redone step");
    return 0;
}
