#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/Ui.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Markup.h"
#include "richtext/SamplePage.h"
#include "richtext/StyleSheet.h"
#include "richtext/TextAttributes.h"

using namespace richtext;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

struct Labels : TUndoRecorder {
    void Snapshot(const std::string& label, TNYXbox&, std::int32_t a, std::int32_t b) override {
        labels.push_back(label);
        ranges.emplace_back(a, b);
    }
    std::vector<std::string> labels;
    std::vector<std::pair<int, int>> ranges;
};

class AttributesTest : public ::testing::Test {
protected:
    AttributesTest() { page.box.undo = &undo; }
    void Load(std::string_view t) { page.Read(Z(t)); }
    void Select(int pa, int ca, int pb, int cb) {
        page.box.selStart = {pa, ca};
        page.box.selEnd = {pb, cb};
        page.box.caret = {pb, cb};
    }
    std::string Text() { return BoxText(page.box); }

    TSamplePage page;
    Labels undo;
    TNYXTextAttributes text{page.box};
    TNYXParaAttributes para{page.box};
};

TEST_F(AttributesTest, ParagraphValueEqualToTheStyleIsNoOverride) {
    Load("<Z S0 c0000FF >x");
    TNYXParaStyle& st = page.box.paragraphs[0]->style;
    EXPECT_TRUE(st.Overridden(pfColour));
    st.Set(pfColour, 0);  // the named style's black
    EXPECT_FALSE(st.Overridden(pfColour));
    EXPECT_EQ(Text(), Z("<Z S0 >x"));
    // Assignment recomputes the overrides against the new base.
    TNYXParaStyle other;
    other.SetNamed(page.set.ObjectAt(model::stileParagrafo, 1));  // margins 0
    other.Set(pfLeft, 10);
    EXPECT_TRUE(other.Overridden(pfLeft));
    TNYXParaStyle copy;
    copy = other;
    EXPECT_TRUE(copy.Overridden(pfLeft));
    st = other;
    EXPECT_EQ(st.Get(pfLeft), 10);
    EXPECT_EQ(st.Named(), page.set.ObjectAt(model::stileParagrafo, 1));
}

TEST_F(AttributesTest, BoldOnAPartlyBoldSelectionKeepsItalic) {
    Load("<Z S0 >ab<Y y2 >cd<Y y1 >ef<Y >gh");
    Select(0, 1, 0, 7);
    text.AddRemoveStyle(kBold, 0);
    EXPECT_EQ(undo.labels, std::vector<std::string>{"Applica stile font: "});
    EXPECT_EQ(Text(), Z("<Z S0 >a<Y y1 >b<Y y3 >cd<Y y1 >ef<Y y1 >g<Y >h"));
    Select(0, 0, 0, 8);
    text.SetStyle(kItalic | kBold);
    EXPECT_EQ(undo.labels.back(), "Applica stile font: Italico Grassetto ");
}

TEST_F(AttributesTest, ColouringInsideARunRestoresTheColourAfterIt) {
    Load("<Z S0 >abcdef");
    Select(0, 2, 0, 4);
    text.SetColour(0x0000FF);
    EXPECT_EQ(undo.labels.back(), "Applica colore Rosso");
    EXPECT_EQ(Text(), Z("<Z S0 >ab<Y cFF0000 >cd<Y >ef"));
    // Up to the end of the paragraph: no change at the end when its colour
    // is already the new one.
    Load("<Z S0 >ab<Y c00FF00 >cd");
    Select(0, 1, 0, 4);
    text.SetColour(0x00FF00);
    EXPECT_EQ(Text(), Z("<Z S0 >a<Y c00FF00 >b<Y c00FF00 >cd"));
    EXPECT_EQ(page.box.paragraphs[0]->fonts.size(), 2u);
}

TEST_F(AttributesTest, AttributesAcrossParagraphs) {
    Load("<Z S0 >ab<Z S0 >cd<Z S0 >e<Y y2 >f");
    Select(0, 1, 2, 1);
    text.SetSize(20);
    EXPECT_EQ(undo.labels.back(), "Applica dimensione font 20");
    EXPECT_EQ(undo.ranges.back(), std::make_pair(0, 2));
    EXPECT_EQ(Text(), Z("<Z S0 >a<Y s20 >b<Z S0 s20 >cd<Z S0 s20 >e<Y s12 y2 >f"));
    for (std::int32_t i = 0; i < 3; ++i) EXPECT_EQ(page.box.paragraphs[i]->recs.size(), page.box.paragraphs[i]->text.size() + 1);
}

TEST_F(AttributesTest, WithoutSelectionValuesArePending) {
    Load("<Z S0 >ab");
    page.box.caret = page.box.selStart = page.box.selEnd = {0, 1};
    text.SetColour(0xFF0000);
    text.SetPosition(2);
    EXPECT_TRUE(undo.labels.empty());
    EXPECT_EQ(text.Colour(), 0xFF0000u);
    EXPECT_EQ(text.Position(), 2);
    EXPECT_EQ(text.Size(), 12);
    auto p = text.TakePending();
    EXPECT_TRUE(p.colour && p.position && !p.size);
    EXPECT_FALSE(text.PeekPending().Any());
    EXPECT_EQ(Text(), Z("<Z S0 >ab"));
}

TEST_F(AttributesTest, ListMarkGivesAndTakesBackAHangingIndent) {
    Load("<Z S0 >punto");
    page.box.caret = {0, 0};
    para.SetListMark(10);
    EXPECT_EQ(undo.labels.back(), "Numerazione 10");
    EXPECT_EQ(para.Value(pfIndent), -38);
    EXPECT_EQ(para.Value(pfLeft), 48);
    para.SetListMark(6);  // one mark to another: measures stay
    EXPECT_EQ(para.Value(pfLeft), 48);
    para.SetListMark(0);
    EXPECT_EQ(para.Value(pfIndent), 0);
    EXPECT_EQ(para.Value(pfLeft), 10);
    EXPECT_EQ(Text(), Z("<Z S0 >punto"));
}

TEST_F(AttributesTest, UnitsAndMeasures) {
    EXPECT_EQ(ToPixels(1, kPica), 8);  // 6 points at 96 per inch
    EXPECT_EQ(ToPixels(1, kInch), 96);
    EXPECT_EQ(ToPixels(2.54, kCm), 96);
    EXPECT_EQ(ToPixels(72, kPoint), 96);
    EXPECT_EQ(ToPixels(7, kPixel), 7);
    EXPECT_DOUBLE_EQ(FromPixels(96, kMm), 25.4);
    EXPECT_EQ(UnitName(kPica), "Pica");
    Load("<Z S0 >x");
    page.box.caret = {0, 0};
    para.SetUnit(kPica);
    EXPECT_TRUE(undo.labels.empty());
    para.SetLeftMargin(1);
    EXPECT_EQ(undo.labels.back(), "Margine sx 1");
    EXPECT_EQ(para.Value(pfLeft), 8);
    EXPECT_DOUBLE_EQ(para.Measure(pfLeft), 1.0);
    para.SetSpaceAbove(2.5);
    EXPECT_EQ(undo.labels.back(), "Margine sup 2.5");
    EXPECT_EQ(para.Value(pfAbove), 20);
    EXPECT_EQ(Text(), Z("<Z S0 M4 l8 t20 >x"));
}

TEST_F(AttributesTest, ParagraphOperationLabels) {
    Load("<Z S0 >x<Z S0 >y");
    Select(0, 0, 1, 1);
    para.SetAlignment(2);
    para.SetAlignment(1);
    para.SetAlignment(0);
    para.SetLineHeight(5);
    para.SetSpaceBelow(1);
    para.SetIndent(-2);
    para.SetRightMargin(3);
    para.SetLinkColour(0x808080);
    para.SetLinkSize(14);
    para.SetLinkStyle(kBold);
    EXPECT_EQ(undo.labels,
              (std::vector<std::string>{"Centra", "Allinea a destra", "Allinea a sinistra", "Altezza linea 5",
                                        "Margine inf 1", "Margine indent -2", "Margine dx 3",
                                        "Colore link Grigio scuro", "Dimensione link 14", "Stile link Grassetto "}));
    EXPECT_EQ(undo.ranges.back(), std::make_pair(0, 1));
    EXPECT_EQ(para.Value(pfLinkSize), 14);
    EXPECT_EQ(page.box.paragraphs[1]->style.Get(pfLinkStyle), kBold);
    EXPECT_EQ(ColourName(0x123456), "Custom");
}

TEST_F(AttributesTest, ApplyingAStyle) {
    page.set.ObjectAt(model::stileParagrafo, 2)->SetStr(style::kFont, style::kFontCap, "Liberation Sans");
    Load("<Z S0 A2 >ab<Y y1 >cd<Y F\"Arial\" >e");
    page.box.caret = {0, 1};
    // Another style keeps the run changes, re-based on it: what they did not
    // change follows the new style.
    ASSERT_TRUE(para.ApplyStyle("titolo"));
    EXPECT_EQ(undo.labels.back(), "Stile titolo");
    EXPECT_EQ(Text(), Z("<Z S2 >ab<Y y1 >cd<Y F\"Arial\" >e"));
    EXPECT_EQ(page.box.paragraphs[0]->FontAt(3).name, "Liberation Sans");
    EXPECT_EQ(page.box.paragraphs[0]->FontAt(3).style, kBold);
    // The paragraph's own style again resets all formatting.
    ASSERT_TRUE(para.ApplyStyle("Titolo"));
    EXPECT_EQ(Text(), Z("<Z S2 >abcde"));
    EXPECT_TRUE(page.box.paragraphs[0]->fonts.empty());
    // A style the hypertext lacks changes nothing, but the snapshot is taken.
    EXPECT_FALSE(para.ApplyStyle("Manca"));
    EXPECT_EQ(undo.labels.back(), "Stile Manca");
    EXPECT_EQ(Text(), Z("<Z S2 >abcde"));
}

TEST_F(AttributesTest, DeviationFromAStyle) {
    Load("<Z S0 >ab<Y y1 >cd");
    const model::TNYXoggetto& s0 = *page.set.ObjectAt(model::stileParagrafo, 0);
    page.box.caret = page.box.selStart = page.box.selEnd = {0, 1};
    EXPECT_TRUE(text.MatchesStyle(s0));
    page.box.caret = page.box.selStart = page.box.selEnd = {0, 4};
    EXPECT_FALSE(text.MatchesStyle(s0));
    Load("<Z S0 A2 >ab");
    page.box.caret = page.box.selStart = page.box.selEnd = {0, 1};
    EXPECT_FALSE(text.MatchesStyle(s0));
}

TEST_F(AttributesTest, TemplateFromTheCaretParagraph) {
    Load("<Z S0 A2 M3 l20 >ab<Y cFF0000 F\"Arial\" s9 >cd");
    page.box.caret = page.box.selStart = page.box.selEnd = {0, 4};
    auto t = model::MakeObject(model::stileParagrafo);
    t->Reset();
    para.MakeTemplate(text, *t);
    EXPECT_EQ(StyleValue(t.get(), pfAlign), 2);
    EXPECT_EQ(StyleValue(t.get(), pfLeft), 20);
    EXPECT_EQ(StyleValue(t.get(), pfUnit), 3);
    EXPECT_EQ(StyleFontName(t.get()), "Arial");
    EXPECT_EQ(StyleValue(t.get(), pfSize), 9);
    EXPECT_EQ(static_cast<std::uint32_t>(StyleValue(t.get(), pfColour)), 0x0000FFu);
}

TEST(StyleSheetTest, NamesLookUpAndImport) {
    model::TNYXset set;
    set.NewHypertext();
    EXPECT_EQ(StyleNames(set), (std::vector<std::string>{"[nessuno stile]", "[nessuno stile tabella]"}));
    EXPECT_EQ(NewStyleName(set), "Nuovo stile 0");
    AddStyle(set, "Nuovo stile 0");
    AddStyle(set, "Nuovo stile 1");
    EXPECT_EQ(NewStyleName(set), "Nuovo stile 2");
    EXPECT_EQ(StyleByName(set, "NUOVO STILE 1"), set.ObjectAt(model::stileParagrafo, 3));
    EXPECT_EQ(UniqueStyleName(set, "Altro"), "Altro");
    model::TNYXoggetto* t = AddStyle(set, "Titolo");
    AddStyle(set, "Titolo 1");
    EXPECT_EQ(UniqueStyleName(set, "titolo"), "titolo 2");
    EXPECT_EQ(AddStyle(set, "Titolo")->GetName(), "Titolo 2");

    model::TNYXset other;
    other.NewHypertext();
    model::TNYXoggetto* same = AddStyle(other, "Titolo");
    EXPECT_EQ(ImportStyle(set, *same), set.ObjectAt(model::stileParagrafo, 0));  // identical to the body style
    std::size_t before = set.Count(model::stileParagrafo);
    SetStyleValue(*same, pfSize, 30);
    model::TNYXoggetto* imported = ImportStyle(set, *same);
    ASSERT_NE(imported, nullptr);
    EXPECT_EQ(set.Count(model::stileParagrafo), before + 1);
    EXPECT_EQ(imported->GetName(), "Titolo 3");
    EXPECT_EQ(StyleValue(imported, pfSize), 30);

    // Modifying: a new name is made unique, a change of letter case is kept.
    std::vector<std::string> labels;
    auto snap = [&](const std::string& l) { labels.push_back(l); };
    auto edited = model::MakeObject(model::stileParagrafo);
    edited->Reset();
    SetStyleValue(*edited, pfSize, 18);
    ASSERT_TRUE(ModifyStyle(set, t, *edited, "Titolo 1", snap));
    EXPECT_EQ(labels, std::vector<std::string>{"Modifica stile: Titolo"});
    EXPECT_EQ(t->GetName(), "Titolo 1 1");
    EXPECT_EQ(StyleValue(t, pfSize), 18);
    ASSERT_TRUE(ModifyStyle(set, t, *edited, "TITOLO 1 1", snap));
    EXPECT_EQ(t->GetName(), "TITOLO 1 1");
}

TEST(StyleSheetTest, ModifyingWithoutAStyle) {
    platform::testing::ScriptedUiScope scope;
    model::TNYXset set;
    set.NewHypertext();
    auto edited = model::MakeObject(model::stileParagrafo);
    EXPECT_FALSE(ModifyStyle(set, nullptr, *edited, "x"));
    EXPECT_EQ(scope.ui.Texts(platform::testing::Message::Error),
              std::vector<std::string>{"StileDaMod must not be undef"});
}

}  // namespace
