// The clipboard container, plain text and moving a selection by dragging.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Clipboard.h"
#include "richtext/Editing.h"
#include "markup/Lexer.h"
#include "richtext/Markup.h"
#include "richtext/PageText.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "support/EditingFixture.h"

using namespace richtext;
using namespace markup;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

void PutI32(std::string& s, std::int32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

class ClipboardTest : public testsupport::EditingFixture {
protected:
    void ExpectUndoAll() {
        undo.UndoSteps(undo.Count());
        EXPECT_EQ(BoxText(page.box), original);
    }
};

TEST_F(ClipboardTest, PastingOneWordIntoAParagraph) {
    Load("<Z S0 >una parola qui");
    ed.Select({0, 4}, {0, 10});
    const std::string c = ed.CopyContainer();
    EXPECT_EQ(ContainerFormat(c), 1);
    ed.SetCaret({0, 3});
    ASSERT_TRUE(ed.PasteContainer(c));
    EXPECT_EQ(Text(), "<Z S0 >unaparola parola qui");
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 3}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{0, 9}));
    EXPECT_EQ(undo.Labels(), std::vector<std::string>{"Inserimento da Cartella appunti"});
    ExpectUndoAll();
}

TEST_F(ClipboardTest, PastingParagraphsWithATableGivesTheTableANewId) {
    Load("<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo");
    ed.Select({0, 3}, {2, 2});
    const std::string c = ed.CopyContainer();
    ed.SetCaret({2, 4});
    ASSERT_TRUE(ed.PasteContainer(c));
    const std::int32_t id = page.registry.Counter();
    char tag[16];
    std::snprintf(tag, sizeof tag, "<$FF%06X>", static_cast<unsigned>(id));
    EXPECT_EQ(Text(), std::string("<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopoma<Z S0 >") + tag +
                          "<Z S1 >a<T><Z S0 >Do");
    model::TNYXoggetto* record = page.registry.Find(id)->Record();
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->IsEmpty());
    ExpectUndoAll();
    // The pasted table went with the undo, its record emptied in the hypertext.
    EXPECT_EQ(page.registry.Find(id), nullptr);
    EXPECT_TRUE(record->IsEmpty());
}

TEST_F(ClipboardTest, AStyleTheHypertextHoldsIsNotCopiedAgain) {
    Load("<Z S0 >uno<Z S2 >Titolo");
    ed.Select({1, 0}, {1, 6});
    const std::string c = ed.CopyContainer();
    TClipContainer parsed;
    ASSERT_EQ(ParseContainer(c, parsed), ClipParse::Ok);
    ASSERT_EQ(parsed.resources.size(), 1u);
    const std::size_t styles = page.set.Count(model::stileParagrafo);
    ed.SetCaret({0, 0});
    ASSERT_TRUE(ed.PasteContainer(c));
    EXPECT_EQ(page.set.Count(model::stileParagrafo), styles);
    EXPECT_EQ(Text(), "<Z S2 >Titolouno<Z S2 >Titolo");
    ExpectUndoAll();
}

TEST_F(ClipboardTest, CutThenPasteElsewhere) {
    Load("<Z S0 >uno<Y y1 >due<Z S0 >tre");
    ed.Select({0, 1}, {0, 5});
    const std::string c = ed.CutContainer();
    EXPECT_EQ(Text(), "<Z S0 >u<Y y1 >e<Z S0 >tre");
    ed.SetCaret({1, 3});
    ASSERT_TRUE(ed.PasteContainer(c));
    EXPECT_EQ(Text(), "<Z S0 >u<Y y1 >e<Z S0 >treno<Y y1 >du");
    ExpectUndoAll();
}

// Every way a container can be broken leaves the text exactly as it was.
TEST_F(ClipboardTest, MalformedContainersChangeNothing) {
    Load("<Z S0 >uno<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >due");
    ed.Select({0, 1}, {2, 2});
    const std::string good = ed.CopyContainer();
    ed.SetCaret({0, 2});
    std::vector<std::pair<std::string, std::string>> bad;
    for (std::size_t n = 0; n + 1 < good.size(); n += (n < 64 || n + 80 > good.size()) ? 1 : 37)
        bad.emplace_back("truncated at " + std::to_string(n), good.substr(0, n));
    auto build = [](std::int32_t n1, std::int32_t n2, std::int32_t n3, std::int32_t p, std::string markup) {
        std::string s;
        PutI32(s, 1);
        PutI32(s, n1);
        PutI32(s, n2);
        PutI32(s, n3);
        PutI32(s, p);
        return s + markup;
    };
    bad.emplace_back("huge link count", build(0x7FFFFFFF, 0, 0, 1, Z("<Z S0 >x")));
    bad.emplace_back("negative count", build(0, -1, 0, 1, Z("<Z S0 >x")));
    bad.emplace_back("objects announced, none there", build(0, 0, 3, 1, Z("<Z S0 >x")));
    bad.emplace_back("more paragraphs announced", build(0, 0, 0, 2, Z("<Z S0 >x")));
    bad.emplace_back("fewer paragraphs announced", build(0, 0, 0, 1, Z("<Z S0 >x<Z S0 >y")));
    bad.emplace_back("no paragraph", build(0, 0, 0, 0, Z("")));
    bad.emplace_back("no end byte", build(0, 0, 0, 1, "<Z S0 >x"));
    bad.emplace_back("a cell end outside a table", build(0, 0, 0, 1, Z("<Z S0 >x<T>")));
    bad.emplace_back("an object the container does not bring", build(0, 0, 0, 1, Z("<Z S0 >x<$FF000002>")));
    std::string wrongKind = good;
    wrongKind[8 + 4 * 0] = 7;  // the first resource's kind becomes a program
    bad.emplace_back("resource of another kind", wrongKind);
    for (const auto& [name, bytes] : bad) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ed.PasteContainer(bytes));
        EXPECT_EQ(BoxText(page.box), original);
        EXPECT_EQ(undo.Count(), 0u);
    }
    std::string other = good;
    other[0] = 2;  // neither 1 nor 3: ignored
    TClipContainer parsed;
    EXPECT_EQ(ParseContainer(other, parsed), ClipParse::Ignored);
    EXPECT_EQ(ParseContainer(good, parsed), ClipParse::Ok);
    EXPECT_TRUE(ed.PasteContainer(good));
}

TEST_F(ClipboardTest, PlainTextInAndOut) {
    Load("<Z S0 >citt\xE0<Z S0 >x<$FF000000>y");
    ed.Select({0, 1}, {1, 3});
    EXPECT_EQ(ed.SelectedPlainText(), "itt\xC3\xA0\r\nxy");
    ed.SetCaret({1, 3});
    ASSERT_TRUE(ed.PastePlainText("perch\xC3\xA9\r\na<b\nc"));
    EXPECT_EQ(Text(), "<Z S0 >citt\xE0<Z S0 >x<$FF000000>yperch\xE9<Z S0 >a&lt;b<Z S0 >c");
    ExpectUndoAll();
}

TEST_F(ClipboardTest, DropIntoItselfIsRefused) {
    Load("<Z S0 >uno due<Z S0 >tre");
    ed.Select({0, 1}, {1, 1});
    for (TTextPos p : {TTextPos{0, 1}, TTextPos{0, 4}, TTextPos{1, 0}, TTextPos{1, 1}}) {
        EXPECT_FALSE(ed.DragMove(p));
        EXPECT_EQ(BoxText(page.box), original);
    }
    EXPECT_EQ(undo.Count(), 0u);
}

struct Drag {
    const char* name;
    TTextPos anchor, active, drop;
    const char* expected;
};

TEST_F(ClipboardTest, DragMoveLandsWhereDropped) {
    const std::vector<Drag> drags = {
        {"a word later in its paragraph", {0, 0}, {0, 4}, {0, 7}, "<Z S0 >dueuno <Z S0 >tre<Z S0 >quattro"},
        {"a word earlier", {0, 4}, {0, 7}, {0, 0}, "<Z S0 >dueuno <Z S0 >tre<Z S0 >quattro"},
        {"two paragraphs to the end", {0, 4}, {1, 2}, {2, 7}, "<Z S0 >uno e<Z S0 >quattrodue<Z S0 >tr"},
        {"two paragraphs into the last one's paragraph", {0, 2}, {1, 1}, {1, 3},
         "<Z S0 >unreo due<Z S0 >t<Z S0 >quattro"},
        {"to the start", {1, 0}, {2, 3}, {0, 0}, "<Z S0 >tre<Z S0 >quauno due<Z S0 >ttro"},
    };
    for (const Drag& d : drags) {
        SCOPED_TRACE(d.name);
        undo.Clear();
        Load("<Z S0 >uno due<Z S0 >tre<Z S0 >quattro");
        ed.Select(d.anchor, d.active);
        ASSERT_TRUE(ed.DragMove(d.drop));
        EXPECT_EQ(Text(), d.expected);
        EXPECT_EQ(undo.Labels(),
                  (std::vector<std::string>{"Inserimento tramite trascina selezione", "Cancella selezione"}));
        ExpectUndoAll();
    }
}

}  // namespace

namespace {

// A page of a real hypertext shown for editing as the page view shows it:
// its working copy, the copy's objects in the box's registry, the copy as
// the home of what editing brings in.
struct EditedPage {
    EditedPage() {
        set.NewHypertext();
        set.NewObject(model::immagineNew);  // slot 0
        set.NewObject(model::immagineNew);  // slot 1
        set.NewObject(model::speclink);
        auto* page = dynamic_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        page->SetText("<Z S0 >a<$10000000>b<$10000001>c<Z S0 ><$0A000000>link<%>");
        slot = page->Index();
        copy = model::BuildWorkingCopy(set, page);
        for (std::size_t i = 0; i < copy->EmbeddedObjects().size(); ++i)
            registry.Put(static_cast<std::int32_t>(i), std::make_unique<TNYXembedded>(copy->EmbeddedObjects()[i].get()));
        home = std::make_unique<TWorkingCopyHome>(*copy);
        box.objectHome = home.get();
        LoadBox(box, 0, copy->Text() + std::string(1, '\0'));
    }
    model::TNYXset set;
    std::unique_ptr<model::TNYXtesto> copy;
    TNYXundoIndiciList registry;
    TNYXbox box{&set, &registry};
    std::unique_ptr<TWorkingCopyHome> home;
    TNYXTextAttributes attrs{box};
    TNYXediting ed{box, attrs};
    std::uint32_t slot = 0;
};

}  // namespace

TEST(EditedPageTest, StoredCopyKeepsTheObjectsShownInTextOrder) {
    platform::testing::ScriptedUiScope ui;
    EditedPage p;
    ASSERT_EQ(p.copy->EmbeddedObjects().size(), 2u);
    model::TNYXoggetto* second = p.copy->EmbeddedObjects()[1].get();
    // Copy the second picture and the link, paste them at the start, drop the first picture.
    p.ed.Select({0, 3}, {1, 4});
    const std::string clip = p.ed.CopyContainer();
    p.ed.SetCaret({0, 0});
    ASSERT_TRUE(p.ed.PasteContainer(clip));
    EXPECT_EQ(p.copy->EmbeddedObjects().size(), 3u);  // the pasted picture is the copy's own
    EXPECT_EQ(p.copy->LocalObjects().size(), 2u);     // and so is the pasted link
    const std::int32_t firstPicture = 4 + 1;  // the pasted "link" joined the old text: "linka<pic>b..."
    p.ed.Select({1, firstPicture}, {1, firstPicture + 1});
    ASSERT_TRUE(p.ed.DeleteSelection());

    EXPECT_TRUE(StoreBoxInWorkingCopy(p.box, *p.copy));
    ASSERT_EQ(p.copy->EmbeddedObjects().size(), 2u);
    EXPECT_EQ(p.copy->EmbeddedOrigins()[0], model::kNoRef);  // the pasted one, first in the text
    EXPECT_EQ(p.copy->EmbeddedObjects()[1].get(), second);
    EXPECT_EQ(p.copy->EmbeddedOrigins()[1], model::MakeRef(model::immagineNew, 1));
    const std::string text = p.copy->Text();
    EXPECT_NE(text.find("<$FF000000>"), std::string::npos);
    EXPECT_NE(text.find("<$FF000001>"), std::string::npos);
    EXPECT_EQ(text.find("<$FF000002>"), std::string::npos);

    model::TNYXtesto* stored = model::StorePage(p.set, std::move(p.copy), p.slot, true);
    ASSERT_NE(stored, nullptr);
    for (std::int32_t key : ObjectRefs(stored->Text())) {
        const model::TNYXoggetto* o = p.set.ObjectByRef(key);
        EXPECT_TRUE(o && !o->IsEmpty()) << std::hex << key;
    }
}
