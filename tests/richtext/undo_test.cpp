// Undo and redo walking one history back and forth: every state a sequence
// of edits went through comes back byte for byte, whichever way it is
// reached, and a new change ends what could be redone.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

using namespace richtext;
using platform::testing::Message;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

class RedoTest : public ::testing::Test {
protected:
    RedoTest() { page.box.undo = &undo; }
    void Load(std::string_view t) { page.Read(Z(t)); }
    std::string Bytes() { return BoxText(page.box); }
    void Type(std::string_view s) {
        for (char c : s) ed.InsertChar(static_cast<unsigned char>(c));
    }

    platform::testing::ScriptedUiScope ui;
    TSamplePage page;
    TNYXundoList undo{&page.set};
    TNYXTextAttributes attrs{page.box};
    TNYXediting ed{page.box, attrs};
};

// One step of a sequence: an edit, or 'u' / 'r' for one undo or redo.
struct Step {
    char kind;  // 'e' edit, 'u' undo, 'r' redo
    std::function<void(TNYXediting&, TNYXTextAttributes&)> edit;
};

Step E(std::function<void(TNYXediting&, TNYXTextAttributes&)> f) { return {'e', std::move(f)}; }
const Step U{'u', {}};
const Step R{'r', {}};

void TypeIn(TNYXediting& e, std::string_view s) {
    for (char c : s) e.InsertChar(static_cast<unsigned char>(c));
}

struct Sequence {
    const char* name;
    std::string text;
    std::vector<Step> steps;
};

// The history as a list of states and a position in it: an edit that makes
// new undo entries cuts what lay ahead and appends its states; one that
// joins the newest entry (a typing run) replaces the newest state. The states
// in the middle of an edit of two entries (a drag: a deletion, then a paste)
// are learnt when first reached and must be the same on every later visit.
TEST_F(RedoTest, MixedSequencesGiveEveryStateBackByteForByte) {
    const std::string table =
        "<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<Y y2 >c<T><Z S1 ><T><Z S1 >d<T><Z S0 >Dopo";
    const std::vector<Sequence> sequences = {
        {"typing, Enter, typing, undone and redone", "<Z S0 >xy",
         {E([](auto& e, auto&) { e.SetCaret({0, 1}); TypeIn(e, "abc"); }),
          E([](auto& e, auto&) { e.SplitParagraph(); }), E([](auto& e, auto&) { TypeIn(e, "d"); }), U, U, U, U, R,
          R, R, R, U, R}},
        {"a new edit ends the redo list", "<Z S0 >uno due",
         {E([](auto& e, auto&) { e.SetCaret({0, 3}); TypeIn(e, "X"); }), U,
          E([](auto& e, auto&) { e.SetCaret({0, 0}); TypeIn(e, "Y"); }), R, U, R}},
        {"deleting across paragraphs and a picture", "<Z S0 >x<$FF000000>y<$FF000003><Z S0 >secondo<Z S2 >terzo",
         {E([](auto& e, auto&) { e.Select({0, 1}, {2, 2}); e.DeleteSelection(); }), U, R, U,
          E([](auto& e, auto&) { e.SetCaret({1, 3}); e.DeleteForward(); }), U, U, R, R}},
        {"a table deleted and brought back twice", table,
         {E([](auto& e, auto&) { e.Select({0, 2}, {2, 1}); e.DeleteSelection(); }), U, R, U, R, U}},
        {"typing over a selection with a picture", "<Z S0 >ab<$FF000000>cd",
         {E([](auto& e, auto&) { e.Select({0, 1}, {0, 4}); TypeIn(e, "zz"); }), U, U, R, R, U}},
        {"styles, links and replacing", "<Z S0 >uno <$03000001>due<%> tre",
         {E([](auto& e, auto& a) { e.Select({0, 0}, {0, 3}); a.AddRemoveStyle(kBold, 0); }),
          E([](auto& e, auto&) { e.Select({0, 4}, {0, 7}); e.SetLink(-1); }),
          E([](auto& e, auto&) { e.Select({0, 8}, {0, 11}); e.ReplaceSelection("quattro"); }), U, U, R, U, U, R, R,
          R}},
        {"pasting a copy with a table", table,
         {E([](auto& e, auto&) {
              e.Select({0, 3}, {2, 2});
              const std::string c = e.CopyContainer();
              e.SetCaret({2, 4});
              e.PasteContainer(c);
          }),
          U, R, U, R}},
        {"plain text pasted, then Backspace", "<Z S0 >fine",
         {E([](auto& e, auto&) { e.SetCaret({0, 4}); e.PastePlainText("uno\r\ndue"); }),
          E([](auto& e, auto&) { e.SetCaret({1, 3}); e.Backspace(); e.Backspace(); }), U, U, R, R, U}},
        {"a selection dragged", "<Z S0 >uno due tre",
         {E([](auto& e, auto&) { e.Select({0, 0}, {0, 4}); e.DragMove({0, 11}); }), U, U, R, R}},
    };
    for (const Sequence& s : sequences) {
        SCOPED_TRACE(s.name);
        undo.Clear();
        Load(s.text);
        std::vector<std::optional<std::string>> states{Bytes()};
        std::size_t pos = 0;
        for (std::size_t i = 0; i < s.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& step = s.steps[i];
            if (step.kind == 'e') {
                const std::size_t before = undo.Count();
                const std::string was = Bytes();
                step.edit(ed, attrs);
                ASSERT_NE(Bytes(), was);
                if (undo.Count() > before) {
                    states.resize(pos + 1);
                    for (std::size_t k = before + 1; k < undo.Count(); ++k) states.emplace_back();
                    states.push_back(Bytes());
                    pos = states.size() - 1;
                } else {
                    ASSERT_GT(pos, 0u);  // a run goes on
                    states[pos] = Bytes();
                }
                EXPECT_EQ(undo.RedoCount(), 0u);
            } else if (step.kind == 'u') {
                const std::string was = Bytes();
                if (pos == 0) {
                    EXPECT_EQ(undo.UndoOnce(), nullptr);
                    ASSERT_EQ(Bytes(), was);
                    continue;
                }
                undo.UndoOnce();
                --pos;
            } else {
                const std::string was = Bytes();
                if (pos + 1 == states.size()) {
                    EXPECT_EQ(undo.RedoOnce(), nullptr);
                    ASSERT_EQ(Bytes(), was);
                    continue;
                }
                undo.RedoOnce();
                ++pos;
            }
            if (!states[pos]) states[pos] = Bytes();
            ASSERT_EQ(Bytes(), *states[pos]);
            EXPECT_EQ(undo.Count(), pos);
            EXPECT_EQ(undo.RedoCount(), states.size() - 1 - pos);
        }
        // All the way back and forth, twice.
        for (int round = 0; round < 2; ++round) {
            undo.UndoSteps(undo.Count());
            EXPECT_EQ(Bytes(), *states.front());
            undo.RedoSteps(undo.RedoCount());
            EXPECT_EQ(Bytes(), *states.back());
        }
        EXPECT_TRUE(ui.ui.messages.empty());
    }
}

TEST_F(RedoTest, RedoListsTheUndoneStepsNextFirstAndTakesSeveralAtOnce) {
    Load("<Z S0 >abc");
    Type("x");
    ed.SplitParagraph();
    Type("y");
    const std::string last = Bytes();
    undo.UndoSteps(3);
    EXPECT_EQ(undo.RedoLabels(),
              (std::vector<std::string>{"Inserimento caratteri", "Inserimento paragrafo", "Inserimento caratteri"}));
    undo.SetBusy(true);  // the drop-down list is open
    undo.RedoOnce();
    EXPECT_EQ(undo.RedoCount(), 3u);
    undo.SetBusy(false);
    undo.RedoSteps(2);
    EXPECT_EQ(undo.RedoLabels(), std::vector<std::string>{"Inserimento caratteri"});
    undo.RedoSteps(5);  // more than there are
    EXPECT_EQ(Bytes(), last);
    EXPECT_FALSE(undo.CanRedo());
}

TEST_F(RedoTest, AnEditThatChangesNothingKeepsTheRedoList) {
    Load("<Z S0 >uno due");
    ed.SetCaret({0, 0});
    Type("X");
    undo.UndoOnce();
    ed.Select({0, 0}, {0, 3});
    ed.ReplaceSelection("uno");  // the same text
    attrs.SetStyle(0);           // already plain
    EXPECT_TRUE(undo.CanRedo());
    undo.RedoOnce();
    EXPECT_EQ(Bytes(), Z("<Z S0 >Xuno due"));
}

// A redo puts a new entry in the undo list, perhaps where the undone one
// lived: typing after it must start an entry of its own.
TEST_F(RedoTest, TypingAfterARedoStartsANewStep) {
    Load("<Z S0 >ab");
    ed.SetCaret({0, 2});
    Type("cd");
    undo.UndoOnce();
    undo.RedoOnce();
    Type("e");
    EXPECT_EQ(undo.Count(), 2u);
    undo.UndoOnce();
    EXPECT_EQ(Bytes(), Z("<Z S0 >abcd"));
}

TEST_F(RedoTest, DepthBoundsBothLists) {
    Load("<Z S0 >");
    for (int i = 0; i < 15; ++i) {
        ed.SetCaret({0, i});
        ed.InsertChar('a');
    }
    EXPECT_EQ(undo.UndoSteps(100), &page.box);
    EXPECT_EQ(undo.RedoCount(), 11u);
    undo.SetDepth(5);  // the steps farthest ahead go
    EXPECT_EQ(undo.RedoCount(), 5u);
    undo.RedoSteps(5);
    EXPECT_EQ(Bytes(), Z("<Z S0 >aaaaaaaaa"));
}

TEST_F(RedoTest, BrokenChainRedoesNothingAndDropsTheEntry) {
    Load("<Z S0 >abc");
    ed.SetCaret({0, 0});
    Type("x");
    undo.UndoOnce();
    undo.ForgetBox(page.box);
    undo.RedoOnce();
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Errore nella catena undo list!"});
    EXPECT_EQ(Bytes(), Z("<Z S0 >abc"));
    EXPECT_FALSE(undo.CanRedo());
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(RedoTest, CellEditsAndStyleRecordsAreRedone) {
    Load("<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<T><Z S1 ><T><Z S1 >d<T>");
    TNYXbox* cell = page.registry.Find(1)->CellAt(0, 1);
    ASSERT_NE(cell, nullptr);
    cell->undo = &undo;
    TNYXTextAttributes cellAttrs(*cell);
    TNYXediting cellEd(*cell, cellAttrs);
    cellEd.SetCaret({0, 1});
    cellEd.InsertChar('z');
    const std::string edited = Bytes();
    undo.UndoOnce();
    undo.RedoOnce();
    EXPECT_EQ(Bytes(), edited);

    model::TNYXoggetto* style = page.set.ObjectAt(model::stileParagrafo, 2);
    ASSERT_NE(style, nullptr);
    undo.AddUndo(std::make_unique<TogBackup>(undo, *style, "Modifica stile: Titolo"));
    style->SetName("Altro");
    undo.UndoOnce();
    EXPECT_EQ(style->GetName(), "Titolo");
    undo.RedoOnce();
    EXPECT_EQ(style->GetName(), "Altro");
    undo.UndoOnce();
    EXPECT_EQ(style->GetName(), "Titolo");
}

}  // namespace
