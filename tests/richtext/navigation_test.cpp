// Caret movement, hit-testing, the keyboard map and the mouse over small laid-out
// texts (8-pixel characters, 16-pixel lines, style 0 without margins).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Editing.h"
#include "richtext/Keys.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Mouse.h"
#include "richtext/Navigation.h"
#include "richtext/SamplePage.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

using namespace richtext;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

class NavTest : public ::testing::Test {
protected:
    NavTest() {
        page.box.undo = &undo;
        model::TNYXoggetto* s = page.set.ObjectAt(model::stileParagrafo, 0);
        s->SetWord(86, 0);
        s->SetWord(88, 0);
    }
    // Lays the text out `chars` characters wide.
    void Load(std::string_view body, int chars = 40, std::string_view header = {}, std::string_view footer = {}) {
        page.box.layoutWidth = chars * 8;
        LoadBox(page.box, 0, Z(body), header.empty() ? std::string_view{} : std::string_view(Z(header)),
                footer.empty() ? std::string_view{} : std::string_view(Z(footer)));
        LayoutBox(page.box);
        original = BoxText(page.box);
    }
    TTextPos Caret() const { return page.box.caret; }
    void Keys(std::initializer_list<EditKey> keys, bool ctrl = false, bool shift = false) {
        for (EditKey k : keys) kb.Press(k, ctrl, shift);
    }
    void Type(std::string_view s) {
        for (char c : s) kb.Type(static_cast<unsigned char>(c));
    }
    // The point in the middle of the character at a position.
    std::pair<int, int> PointOf(TTextPos p) {
        const TNYXcaretPos c = Normalise(page.box, p);
        return {c.x + 4, c.y + c.height / 2};
    }

    platform::testing::ScriptedUiScope ui;
    TSamplePage page;
    TNYXundoList undo{&page.set};
    TNYXTextAttributes attrs{page.box};
    TNYXediting ed{page.box, attrs};
    TNYXkeyboard kb{ed};
    TNYXmouse mouse{ed};
    std::string original;
};

TEST_F(NavTest, WordMovesStopAtWordStarts) {
    struct Case {
        const char* text;
        int from;
        bool right;
        int expected;
    } cases[] = {
        {"Ciao, mondo", 0, true, 6},   // skips the word, then ", "
        {"Ciao, mondo", 6, true, 11},  // the paragraph end
        {"Ciao, mondo", 11, false, 6},
        {"Ciao, mondo", 6, false, 0},
        {"a#b c", 0, true, 4},  // '#' belongs to the word
        {"x \x93y\x94 z", 0, true, 3},  // curly double quotes separate
        {"l'acqua", 0, true, 2},
    };
    for (const Case& c : cases) {
        Load(std::string("<Z S0 >") + c.text);
        const TMove m = c.right ? WordRight(page.box, {0, c.from}) : WordLeft(page.box, {0, c.from});
        EXPECT_EQ(m.code, kStays) << c.text;
        EXPECT_EQ(m.pos.ch, c.expected) << c.text << " from " << c.from;
    }
    // Word selection takes only the blanks after the word.
    Load("<Z S0 >una parola  qui, poi");
    EXPECT_EQ(WordRight(page.box, {0, 4}, true).pos.ch, 12);
    const auto w = WordAt(page.box, {0, 6});
    EXPECT_EQ(w.first, (TTextPos{0, 4}));
    EXPECT_EQ(w.second, (TTextPos{0, 12}));
    EXPECT_EQ(WordAt(page.box, {0, 15}).first, (TTextPos{0, 15}));  // on the comma: the comma and the blank
    EXPECT_EQ(WordAt(page.box, {0, 15}).second, (TTextPos{0, 17}));
}

TEST_F(NavTest, CharacterAndLineMovesStayInTheBodyAndReportBoundaries) {
    Load("<Z S0 >uno<Z S0 >due", 40, "<Z S0 >testata", "<Z S0 >piede");
    ASSERT_EQ(page.box.BodyBegin(), 1);
    const TTextPos first{1, 0}, last{2, 3};
    EXPECT_EQ(CharLeft(page.box, first).code, kLeftOut);
    EXPECT_EQ(CharRight(page.box, last).code, kRightOut);
    EXPECT_EQ(LineUp(page.box, first, 0).code, kAboveOut);
    EXPECT_EQ(LineDown(page.box, last, 0).code, kBelowOut);
    EXPECT_EQ(CharRight(page.box, {1, 3}).pos, (TTextPos{2, 0}));
    EXPECT_EQ(CharLeft(page.box, {2, 0}).pos, (TTextPos{1, 3}));
    EXPECT_EQ(TextStart(page.box), first);
    EXPECT_EQ(TextEnd(page.box), last);
    // Hit-testing the header's rows finds the first body line.
    EXPECT_EQ(HitTest(page.box, 0, page.box.paragraphs[0]->top + 2).para, 1);
    EXPECT_EQ(HitTest(page.box, 0, page.box.paragraphs[0]->top + 2, false).para, 0);
    // In a page box a boundary goes nowhere.
    EXPECT_EQ(CrossBoundary(page.box, kLeftOut).box, nullptr);
}

TEST_F(NavTest, LinesKeepTheirXAndHitTestsClampToTheLine) {
    // Two lines, "aaaa bbbbbbb " and "cc dddddddddd", then "e".
    Load("<Z S0 >aaaa bbbbbbb cc dddddddddd<Z S0 >e", 14);
    const TNYXparag& p = *page.box.paragraphs[0];
    ASSERT_EQ(p.lines.size(), 2u);
    const TNYXcaretPos at9 = Normalise(page.box, {0, 9});
    EXPECT_EQ(at9.line, 0);
    EXPECT_EQ(at9.height, 16);
    const TMove down = LineDown(page.box, {0, 9}, at9.x);
    EXPECT_EQ(Normalise(page.box, down.pos).line, 1);
    EXPECT_EQ(Normalise(page.box, down.pos).x, at9.x);
    // The next paragraph is one character long: the caret stops at its end, then comes back.
    const TMove toShort = LineDown(page.box, down.pos, at9.x);
    EXPECT_EQ(toShort.pos, (TTextPos{1, 1}));
    EXPECT_EQ(LineUp(page.box, toShort.pos, at9.x).pos, down.pos);
    // Home and End of a wrapped line.
    EXPECT_EQ(LineStart(page.box, {0, 9}), (TTextPos{0, 0}));
    EXPECT_EQ(LineEnd(page.box, {0, 9}).ch, p.lines[0].first + p.lines[0].count - 1);
    EXPECT_EQ(LineEnd(page.box, down.pos).ch, static_cast<int>(p.text.size()));
    // Points left of, inside and right of a line.
    const int y0 = at9.y + 4;
    EXPECT_EQ(HitTest(page.box, -50, y0).ch, 0);
    EXPECT_EQ(HitTest(page.box, 8 * 2 + 3, y0).ch, 2);
    EXPECT_EQ(HitTest(page.box, 5000, y0).ch, p.lines[0].first + p.lines[0].count - 1);
    EXPECT_EQ(HitTest(page.box, 5000, 100000), (TTextPos{1, 1}));  // below the text: its end
}

TEST_F(NavTest, TablesAreEnteredAndLeftCellByCell) {
    // A 2 x 2 table (cells "a", "b|c", "", "d|e") between two paragraphs.
    Load("<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<Z S1 >c<T><Z S1 ><T><Z S1 >d<Z S1 >e<T><Z S0 >Dopo");
    TNYXembedded* table = page.registry.Find(1);
    ASSERT_TRUE(table && table->Cells().size() == 4u);
    TNYXbox* a = table->CellAt(0, 0);
    TNYXbox* bc = table->CellAt(0, 1);
    TNYXbox* de = table->CellAt(1, 1);

    const TMove onto = CharRight(page.box, {0, 5});
    EXPECT_EQ(onto.code, kTableRight);
    EXPECT_EQ(onto.table, table);
    TBoxPlace in = CrossBoundary(page.box, onto.code, onto.table);
    EXPECT_EQ(in.box, a);
    EXPECT_EQ(in.pos, (TTextPos{0, 0}));
    EXPECT_EQ(CrossBoundary(page.box, LineUp(page.box, {2, 0}, 0).code, table).box, de);  // from below: the last cell
    EXPECT_EQ(CrossBoundary(page.box, kTableUp, table).pos, (TTextPos{1, 1}));            // at its text end
    // Between cells.
    EXPECT_EQ(CrossBoundary(*a, CharRight(*a, {0, 1}).code).box, bc);
    EXPECT_EQ(CrossBoundary(*bc, kLeftOut).box, a);
    EXPECT_EQ(CrossBoundary(*bc, LineDown(*bc, {1, 1}, 0).code).box, de);  // the cell below
    // Out of the table: after it from the last row, before it from the first.
    TBoxPlace out = CrossBoundary(*de, LineDown(*de, {1, 1}, 0).code);
    EXPECT_EQ(out.box, &page.box);
    EXPECT_EQ(out.pos, (TTextPos{2, 0}));
    out = CrossBoundary(*a, kAboveOut);
    EXPECT_EQ(out.pos, (TTextPos{0, 5}));
    // A cell that starts with a table of its own leads into that table's first cell.
    Load("<Z S0 >x<Z S0 ><$FF000001><Z S1 ><$FF000002><Z S1 >dentro<T><T><Z S1 >b<T><Z S1 >c<T><Z S1 >d<T><Z S0 >y");
    TNYXembedded* inner = page.registry.Find(2);
    ASSERT_TRUE(inner && inner->CellAt(0, 0));
    in = CrossBoundary(page.box, kTableRight, page.registry.Find(1));
    EXPECT_EQ(in.box, inner->CellAt(0, 0));
    // Leaving the inner table's only cell rightwards lands in the outer cell after it.
    out = CrossBoundary(*inner->CellAt(0, 0), kRightOut);
    EXPECT_EQ(out.box, page.registry.Find(1)->CellAt(0, 0));
    Load("<Z S0 >Prima<Z S0 ><$FF000001><Z S1 >a<T><Z S1 >b<Z S1 >c<T><Z S1 ><T><Z S1 >d<Z S1 >e<T><Z S0 >Dopo");
    // A view that does not show cells passes the table like a character.
    EXPECT_EQ(CharRight(page.box, {0, 5}, false).pos, (TTextPos{1, 0}));
    EXPECT_EQ(CharRight(page.box, {1, 1}, false).pos, (TTextPos{2, 0}));
}

TEST_F(NavTest, ShiftExtendsAndPlainKeysCollapseTheSelection) {
    Load("<Z S0 >Ciao, mondo crudele<Z S0 >fine");
    ed.SetCaret({0, 3});
    for (int i = 0; i < 5; ++i) kb.Press(EditKey::Right, false, true);
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 3}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{0, 8}));
    kb.Press(EditKey::Left, false, false);
    EXPECT_EQ(Caret(), (TTextPos{0, 3}));
    EXPECT_FALSE(page.box.HasSelection());
    // Backwards, then collapsing towards the end.
    kb.Press(EditKey::Left, true, true);
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 0}));
    kb.Press(EditKey::End, false, false);
    EXPECT_EQ(Caret(), (TTextPos{0, 3}));
    Keys({EditKey::End}, true);
    EXPECT_EQ(Caret(), (TTextPos{1, 4}));
    Keys({EditKey::Home}, true, true);
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 0}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{1, 4}));
    Keys({EditKey::Up});
    EXPECT_EQ(Caret(), (TTextPos{0, 0}));
    Keys({EditKey::Down}, true);
    EXPECT_EQ(Caret(), (TTextPos{1, 0}));
}

TEST_F(NavTest, ScriptedTypingAndDeletingUndoesToTheOriginalBytes) {
    Load("<Z S0 >uno<Y y1 >due<Z S0 >tre<Z S0 >quattro");
    ed.SetCaret({0, 3});
    Type("X");
    Keys({EditKey::Right, EditKey::Right});
    Type("Y");
    kb.Press(EditKey::Enter, false, false);
    Keys({EditKey::Down, EditKey::End});
    kb.Press(EditKey::Delete, false, false);  // joins "tre" and "quattro"
    kb.Press(EditKey::Backspace, true, false);  // Ctrl+Backspace does nothing
    Keys({EditKey::Backspace, EditKey::Backspace});
    EXPECT_EQ(BoxText(page.box), Z("<Z S0 >unoX<Y y1 >duY<Z S0 ><Y y1 >e<Z S0 >tquattro"));
    Keys({EditKey::End}, true);
    kb.Press(EditKey::Delete, false, false);  // at the end of the last body paragraph: nothing
    EXPECT_EQ(undo.Labels().front(), "Cancella selezione");
    undo.UndoSteps(undo.Count());
    EXPECT_EQ(BoxText(page.box), original);
}

TEST_F(NavTest, ShiftDeleteCutsAndReadOnlyArrowsScroll) {
    Load("<Z S0 >vai <$00000003>qui<%> ora");
    ed.Select({0, 4}, {0, 7});
    const TKeyResult cut = kb.Press(EditKey::Delete, false, true);
    EXPECT_TRUE(cut.cut);
    EXPECT_FALSE(cut.container.empty());
    EXPECT_EQ(page.box.paragraphs[0]->text, "vai  ora");
    undo.UndoOnce();
    ed.SetCaret({0, 5});
    EXPECT_EQ(kb.Press(EditKey::F9, false, false).follow, 3);
    kb.readOnly = true;
    const TKeyResult s = kb.Press(EditKey::Up, false, false);
    EXPECT_EQ(s.scrollY, -10);
    EXPECT_EQ(kb.Press(EditKey::Right, false, false).scrollX, 10);
    EXPECT_FALSE(kb.Type('a').handled);
    kb.readOnly = false;
    EXPECT_FALSE(kb.Type(127).handled);  // DEL is not a character
    EXPECT_FALSE(kb.Type('\t').handled);
    EXPECT_EQ(BoxText(page.box), original);
}

TEST_F(NavTest, MouseSelectsPastTheThresholdDragsAndDoubleClicks) {
    Load("<Z S0 >una parola  qui<Z S0 >vai <$00000003>qui<%>");
    auto [x4, y] = PointOf({0, 4});
    mouse.Press(x4, y);
    EXPECT_EQ(Caret(), (TTextPos{0, 4}));
    mouse.Move(x4 + 3, y, true);  // within the threshold
    EXPECT_FALSE(page.box.HasSelection());
    auto [x10, y10] = PointOf({0, 10});
    mouse.Move(x10, y10, true);
    mouse.Release(x10, y10);
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 4}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{0, 10}));
    // Shift and a click move the selection's far end from the same anchor.
    auto [x2, y2] = PointOf({0, 2});
    mouse.Press(x2, y2, true);
    mouse.Release(x2, y2);
    EXPECT_EQ(ed.SelectionStart(), (TTextPos{0, 2}));
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{0, 4}));
    ed.Select({0, 4}, {0, 10});
    // Dragging the selection into itself is refused; to the end of the text it moves.
    auto [x6, y6] = PointOf({0, 6});
    mouse.Press(x6, y6);
    EXPECT_TRUE(page.box.HasSelection());  // armed, not collapsed
    mouse.Move(x6 + 10, y6, true);
    EXPECT_TRUE(mouse.Dragging());
    EXPECT_TRUE(mouse.Release(x6 + 10, y6).refused);
    const TNYXcaretPos end = Normalise(page.box, {0, 15});
    ed.Select({0, 4}, {0, 10});
    mouse.Press(x6, y6);
    mouse.Move(end.x, end.y + 4, true);
    EXPECT_TRUE(mouse.Release(end.x, end.y + 4).changed);
    EXPECT_EQ(page.box.paragraphs[0]->text, "una   quiparola");
    EXPECT_EQ(undo.Labels().front(), "Inserimento tramite trascina selezione");
    undo.UndoSteps(2);  // the paste, then the deletion
    EXPECT_EQ(BoxText(page.box), original);
    // A click inside the selection only places the caret.
    EXPECT_EQ(PointOf({0, 6}), std::make_pair(x6, y6));  // undoing put the text back in its place
    ed.Select({0, 4}, {0, 10});
    mouse.Press(x6, y6);
    mouse.Release(x6, y6);
    EXPECT_EQ(Caret(), (TTextPos{0, 6}));
    EXPECT_FALSE(page.box.HasSelection());
    // Double clicks: the word and its blanks; a link is followed.
    EXPECT_EQ(mouse.DoubleClick(x6, y6).follow, -1);
    EXPECT_EQ(ed.SelectionEnd(), (TTextPos{0, 12}));
    ed.SetCaret({1, 0});
    auto [xl, yl] = PointOf({1, 5});
    EXPECT_EQ(mouse.DoubleClick(xl, yl).follow, 3);
    // Read-only: a click on a link follows it, elsewhere nothing.
    mouse.readOnly = true;
    mouse.Press(xl, yl);
    EXPECT_EQ(mouse.Release(xl, yl).follow, 3);
    mouse.Press(x4, y);
    EXPECT_EQ(mouse.Release(x4, y).follow, -1);
    EXPECT_EQ(BoxText(page.box), original);
}

}  // namespace
