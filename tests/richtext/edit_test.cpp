// Editing operations on small texts: the markup they leave, the undo
// entries they take, and undoing everything gives back the original bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"
#include "support/EditingFixture.h"

using namespace richtext;
using platform::testing::Message;

namespace {

class EditTest : public testsupport::EditingFixture {
protected:
    void Type(std::string_view s) {
        for (char c : s) ed.InsertChar(static_cast<unsigned char>(c));
    }
    // Undoes everything and checks that the original bytes come back.
    void ExpectUndoAll() {
        undo.UndoSteps(undo.Count());
        EXPECT_EQ(BoxText(page.box), original);
        EXPECT_EQ(undo.Count(), 0u);
    }
};

struct Script {
    const char* name;
    const char* text;
    std::function<void(TNYXediting&, TNYXTextAttributes&)> run;
    const char* expected;
    std::vector<std::string> labels;  // newest first
};

TEST_F(EditTest, ScriptedSequences) {
    const std::vector<Script> scripts = {
        {"typing in the middle", "<Z S0 >Ciao mondo",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 4});
             for (char c : std::string("abc")) e.InsertChar(static_cast<unsigned char>(c));
         },
         "<Z S0 >Ciaoabc mondo", {"Inserimento caratteri"}},
        {"a caret move starts a new typing run", "<Z S0 >Ciao",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 0});
             for (char c : std::string("abc")) e.InsertChar(static_cast<unsigned char>(c));
             e.SetCaret({0, 7});
             e.InsertChar('d');
         },
         "<Z S0 >abcCiaod", {"Inserimento caratteri", "Inserimento caratteri"}},
        {"typing, Enter, typing", "<Z S0 >xy",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 1});
             for (char c : std::string("abc")) e.InsertChar(static_cast<unsigned char>(c));
             e.SplitParagraph();
             e.InsertChar('d');
         },
         "<Z S0 >xabc<Z S0 >dy", {"Inserimento caratteri", "Inserimento paragrafo", "Inserimento caratteri"}},
        {"an attribute operation ends a typing run", "<Z S0 >xy",
         [](TNYXediting& e, TNYXTextAttributes& a) {
             e.SetCaret({0, 0});
             e.InsertChar('a');
             e.InsertChar('b');
             e.Box().selStart = {0, 0};
             e.Box().selEnd = {0, 1};
             a.SetStyle(kBold);
             e.Box().selStart = e.Box().selEnd = e.Box().caret = {0, 2};
             e.InsertChar('c');
         },
         "<Z S0 ><Y y1 >a<Y >bcxy",
         {"Inserimento caratteri", "Applica stile font: Grassetto ", "Inserimento caratteri"}},
        {"Enter keeps the paragraph's overrides on both halves", "<Z S0 A1 l-5 >destra",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 3});
             e.SplitParagraph();
         },
         "<Z S0 A1 l-5 >des<Z S0 A1 l-5 >tra", {"Inserimento paragrafo"}},
        {"Enter inside a run keeps the run's look", "<Z S0 >ab<Y cFF0000 >cdef",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 4});
             e.SplitParagraph();
         },
         "<Z S0 >ab<Y cFF0000 >cd<Z S0 ><Y cFF0000 >ef", {"Inserimento paragrafo"}},
        {"Delete at the end of the last paragraph does nothing", "<Z S0 >uno<Z S0 >due",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({1, 3});
             e.DeleteForward();
         },
         "<Z S0 >uno<Z S0 >due", {}},
        {"Delete at a paragraph end joins the next", "<Z S0 >uno<Z S0 >due",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 3});
             e.DeleteForward();
         },
         "<Z S0 >unodue", {"Cancella selezione"}},
        {"deleting into the next paragraph keeps its style", "<Z S0 >uno<Z S2 >due",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 0}, {1, 1});
             e.DeleteSelection();
         },
         "<Z S2 >ue", {"Cancella selezione"}},
        {"a deleting run shares one snapshot", "<Z S0 >abcdef",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 4});
             e.Backspace();
             e.Backspace();
             e.DeleteForward();
         },
         "<Z S0 >abf", {"Cancella selezione"}},
        {"a picture alone is an object", "<Z S0 >x<$FF000000>y",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 1}, {0, 2});
             e.DeleteSelection();
         },
         "<Z S0 >xy", {"Cancella oggetto"}},
        {"typing after a bold command", "<Z S0 >ab",
         [](TNYXediting& e, TNYXTextAttributes& a) {
             e.SetCaret({0, 1});
             a.SetStyle(kBold);
             e.InsertChar('x');
         },
         "<Z S0 >a<Y y1 >x<Y >b", {"Inserimento caratteri"}},
        {"typing at a link's end extends it", "<Z S0 >vai <$00000003>qui<%> o",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 7});
             e.InsertChar('!');
         },
         "<Z S0 >vai <$00000003>qui!<%> o", {"Inserimento caratteri"}},
        {"replacing keeps the replaced characters' looks", "<Z S0 >ab<Y cFF0000 >cd<Y >ef",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 1}, {0, 4});
             e.ReplaceSelection("abcde");
         },
         "<Z S0 >aa<Y cFF0000 >bcde<Y >ef", {"Sostituzione selezione con: abcde"}},
        {"replacing by a shorter text", "<Z S0 >ab<Y cFF0000 >cd<Y >ef",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 1}, {0, 4});
             e.ReplaceSelection("Q");
         },
         "<Z S0 >aQef", {"Sostituzione selezione con: Q"}},
        {"setting a link across paragraphs", "<Z S0 >uno<Z S0 >due",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 1}, {1, 2});
             e.SetLink(0x03000001);
         },
         "<Z S0 >u<$03000001>no<%><Z S0 ><$03000001>du<%>e", {"Inserisci collegamento "}},
        {"typing in a table paragraph makes a paragraph after it",
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({1, 1});
             e.InsertChar('z');
         },
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >z<Z S0 >Dopo", {"Inserimento caratteri"}},
        {"typing before a table makes a paragraph before it", "<Z S0 ><$FF000002><Z S1 >a<T>",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 0});
             e.InsertChar('z');
         },
         "<Z S0 >z<Z S0 ><$FF000002><Z S1 >a<T>", {"Inserimento caratteri"}},
        {"Backspace after a table merges nothing into it",
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({2, 0});
             e.Backspace();
         },
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo", {}},
        {"Backspace in an empty paragraph after a table removes it",
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({2, 0});
             e.Backspace();
         },
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T>", {"Cancella selezione"}},
        {"Delete before a table merges nothing", "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T>",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 5});
             e.DeleteForward();
         },
         "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T>", {}},
        {"a deletion ending at a table paragraph leaves it whole",
         "<Z S0 >Prima<Z S0 >mezzo<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 2}, {2, 0});
             e.DeleteSelection();
         },
         "<Z S0 >Pr<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo", {"Cancella selezione"}},
        {"a deletion over a whole table", "<Z S0 >Prima<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >Dopo",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 2}, {2, 1});
             e.DeleteSelection();
         },
         "<Z S0 >Propo", {"Cancella selezione"}},
        {"a deletion starting after a table keeps the table's paragraph",
         "<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >uno<Z S0 >due",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.Select({0, 1}, {2, 1});
             e.DeleteSelection();
         },
         "<Z S0 ><$FF000002><Z S1 >a<T><Z S0 >ue", {"Cancella selezione"}},
        {"inserting a table into text", "<Z S0 >unodue",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 3});
             e.InsertObject(e.Box().Registry()->Find(5));
         },
         "<Z S0 >uno<Z S0 ><$FF000005><Z S1 ><T><Z S0 >due",
         {"Inserimento oggetti", "Inserimento paragrafo", "Inserimento paragrafo"}},
        {"inserting a picture", "<Z S0 >ab",
         [](TNYXediting& e, TNYXTextAttributes&) {
             e.SetCaret({0, 1});
             e.InsertObject(e.Box().Registry()->Find(8));
         },
         "<Z S0 >a<$FF000008>b", {"Inserimento oggetti"}},
    };
    for (const Script& s : scripts) {
        SCOPED_TRACE(s.name);
        undo.Clear();
        Load(s.text);
        s.run(ed, attrs);
        EXPECT_EQ(Text(), s.expected);
        EXPECT_EQ(undo.Labels(), s.labels);
        ExpectUndoAll();
    }
}

TEST_F(EditTest, TypographicQuotes) {
    ed.autoEngQuote = true;
    Load("<Z S0 >");
    ed.SetCaret({0, 0});
    Type("\"a\" 'b'");
    EXPECT_EQ(Text(), "<Z S0 >\x93" "a\x94 \x91" "b\x92");
}

TEST_F(EditTest, SelectionStartAndEndWhateverTheDirection) {
    Load("<Z S0 >uno<Z S0 >due");
    ed.Select({1, 2}, {0, 1});
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 1}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{1, 2}));
    EXPECT_EQ(page.box.caret, (TTextPos{0, 1}));
    ed.Select({0, 99}, {7, 99});  // clamped to the text
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 3}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{1, 3}));
}

TEST_F(EditTest, ErrorsLeaveTheTextAsItWas) {
    Load("<Z S0 >uno<Z S0 >due");
    ed.SetCaret({0, 1});
    EXPECT_FALSE(ed.DeleteSelection());
    EXPECT_FALSE(ed.SetLink(0x03000001));
    ed.Select({0, 1}, {1, 1});
    EXPECT_FALSE(ed.ReplaceSelection("x"));
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"SelectionMustExists"});
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{"Selection must exists!"});
    EXPECT_EQ(ui.ui.Texts(Message::Information),
              std::vector<std::string>{
                  "Funzione non disponibile per parole non comprese interamente in un paragrafo."});
    EXPECT_EQ(BoxText(page.box), original);
    EXPECT_EQ(undo.Count(), 0u);
}

TEST_F(EditTest, OnlyChangesAreKept) {
    Load("<Z S0 >uno <$03000001>due<%>");
    ed.Select({0, 0}, {0, 3});
    ed.ReplaceSelection("uno");  // the same text
    ed.SetLink(-1);              // no link there anyway
    attrs.SetStyle(0);           // already plain
    EXPECT_EQ(undo.Count(), 0u);
    ed.Select({0, 4}, {0, 7});
    ed.SetLink(-1);
    EXPECT_EQ(undo.Labels(), std::vector<std::string>{"Inserisci collegamento "});
    EXPECT_EQ(Text(), "<Z S0 >uno due");
    ExpectUndoAll();
}

TEST_F(EditTest, UndoingADeletionBringsObjectsBackUnderTheirIds) {
    Load("<Z S0 >x<$FF000000>y<$FF000003><Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<Y y2 >c<T><Z S1 ><T><Z S1 >d<T>"
         "<Z S0 >Dopo");
    ed.Select({0, 1}, {2, 2});
    ed.DeleteSelection();
    EXPECT_EQ(Text(), "<Z S0 >xpo");
    ASSERT_EQ(undo.Labels(), std::vector<std::string>{"Cancella selezione"});
    // Even when the objects were freed meanwhile.
    page.registry.Free(0);
    page.registry.Free(1);
    ExpectUndoAll();
    ASSERT_NE(page.registry.Find(1), nullptr);
    EXPECT_TRUE(page.registry.Find(1)->IsTable());
}

TEST_F(EditTest, UndoListDepth) {
    Load("<Z S0 >");
    for (int i = 0; i < 15; ++i) {
        ed.SetCaret({0, i});
        ed.InsertChar('a');
    }
    EXPECT_EQ(undo.Count(), 11u);
    undo.SetDepth(1);  // ignored
    EXPECT_EQ(undo.Depth(), 10);
    undo.SetDepth(5);
    EXPECT_EQ(undo.Count(), 5u);
    undo.SetDepth(20);
    for (int i = 15; i < 45; ++i) {
        ed.SetCaret({0, i});
        ed.InsertChar('a');
    }
    EXPECT_EQ(undo.Count(), 21u);
}

TEST_F(EditTest, DropDownStepsAndBusyFlag) {
    Load("<Z S0 >abc");
    for (int i = 0; i < 4; ++i) {
        ed.SetCaret({0, 0});
        ed.InsertChar(static_cast<unsigned char>('1' + i));
    }
    EXPECT_EQ(Text(), "<Z S0 >4321abc");
    undo.SetBusy(true);
    undo.UndoOnce();
    EXPECT_EQ(undo.Count(), 4u);
    undo.SetBusy(false);
    undo.UndoSteps(3);  // the third row of the list
    EXPECT_EQ(Text(), "<Z S0 >1abc");
    EXPECT_EQ(undo.RedoCount(), 3u);
}

TEST_F(EditTest, BrokenChainRestoresNothing) {
    Load("<Z S0 >abc");
    ed.SetCaret({0, 0});
    ed.InsertChar('x');
    undo.ForgetBox(page.box);
    undo.UndoOnce();
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Errore nella catena undo list!"});
    EXPECT_EQ(Text(), "<Z S0 >xabc");
    EXPECT_EQ(undo.Count(), 0u);
}

TEST_F(EditTest, UndoInATableCellFindsTheCellAgain) {
    Load("<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<T><Z S1 ><T><Z S1 >d<T>");
    TNYXembedded* table = page.registry.Find(1);
    ASSERT_NE(table, nullptr);
    TNYXbox* cell = table->CellAt(0, 1);
    ASSERT_NE(cell, nullptr);
    cell->undo = &undo;
    TNYXTextAttributes cellAttrs(*cell);
    TNYXediting cellEd(*cell, cellAttrs);
    cellEd.SetCaret({0, 1});
    cellEd.InsertChar('z');
    EXPECT_EQ(Text(), "<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >bz<T><Z S1 ><T><Z S1 >d<T>");
    ExpectUndoAll();
}

TEST_F(EditTest, StyleSnapshotWritesTheRecordBack) {
    Load("<Z S2 >Titolo");
    model::TNYXoggetto* style = page.set.ObjectAt(model::stileParagrafo, 2);
    ASSERT_NE(style, nullptr);
    undo.AddUndo(std::make_unique<TogBackup>(undo, *style, "Modifica stile: Titolo"));
    const std::string before = [&] {
        std::string s;
        style->SaveToStream(s);
        return s;
    }();
    style->SetName("Altro");
    undo.UndoOnce();
    std::string after;
    style->SaveToStream(after);
    EXPECT_EQ(after, before);
}

// Replacing a picture's contents is undone like any edit, and neither the
// new nor the old contents are shown from a stale decoded copy.
TEST_F(EditTest, ReplacedPictureComesBackWithItsOldLook) {
    auto gif = [](int w) {
        model::codecs::Image img;
        img.width = w;
        img.height = 2;
        img.rgba.assign(static_cast<std::size_t>(w) * 2, 0xFF0000FFu);
        std::string out;
        EXPECT_TRUE(model::codecs::EncodeGif(img, out));
        return out;
    };
    auto width = [](model::TNYXoggetto& p) {
        auto shown = p.GetPicture();
        return shown ? shown->width : -1;
    };
    model::TNYXoggetto* pic = page.set.NewObject(model::immagine);
    pic->SetName("logo");
    pic->SetFirstStream(gif(3));
    EXPECT_EQ(width(*pic), 3);
    auto other = model::MakeObject(model::immagine);
    other->SetSet(&page.set);
    other->Reset();
    other->MakeNew();
    other->SetFirstStream(gif(5));
    pic->ReplaceContent(*other);
    EXPECT_EQ(undo.Labels(), std::vector<std::string>{"Modifica immagine logo"});
    EXPECT_EQ(width(*pic), 5);
    undo.UndoOnce();
    EXPECT_EQ(width(*pic), 3);
}

}  // namespace
