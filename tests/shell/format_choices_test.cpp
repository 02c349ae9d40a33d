// The formatting dialogs without their windows: typed values are checked
// with a message and never cut, the paragraph dialog changes only what was
// retyped, the style editor writes every field, and the style list and
// style deletion decide as the author expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "richtext/Attributes.h"
#include "richtext/Box.h"
#include "richtext/SamplePage.h"
#include "richtext/StyleSheet.h"
#include "richtext/TextAttributes.h"
#include "shell/FormatChoices.h"

using namespace shell;
using namespace richtext;

namespace {

std::string Z(std::string_view s) { return std::string(s) + '\0'; }

struct Labels : TUndoRecorder {
    void Snapshot(const std::string& label, TNYXbox&, std::int32_t, std::int32_t) override { labels.push_back(label); }
    std::vector<std::string> labels;
};

TEST(FormatChoices, TypedValuesAreCheckedNotCut) {
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c : {Case{"12", true}, Case{" 999 ", true}, Case{"0", false}, Case{"1000", false},
                          Case{"12pt", false}, Case{"", false}, Case{"-3", false}}) {
        std::string error;
        EXPECT_EQ(ParseFontSize(c.text, &error).has_value(), c.ok) << c.text;
        EXPECT_EQ(error.empty(), c.ok) << c.text;
    }
    std::string error;
    EXPECT_TRUE(CheckFontName(std::string(32, 'a'), &error));
    EXPECT_FALSE(CheckFontName(std::string(33, 'a'), &error));
    EXPECT_NE(error.find("32"), std::string::npos);
    EXPECT_FALSE(CheckFontName("  ", &error));
    // Measures: a comma or a point; the pixel value must fit the stored field.
    EXPECT_DOUBLE_EQ(*ParseMeasure("2,5", kMm, "Margine", &error), 2.5);
    EXPECT_DOUBLE_EQ(*ParseMeasure("-1.25", kCm, "Margine", &error), -1.25);
    EXPECT_FALSE(ParseMeasure("abc", kMm, "Margine sinistro", &error));
    EXPECT_EQ(error.rfind("Margine sinistro", 0), 0u);
    EXPECT_FALSE(ParseMeasure("40000", kPixel, "Spazio sopra", &error));
    EXPECT_TRUE(ParseMeasure("32000", kPixel, "Spazio sopra", &error));
    EXPECT_FALSE(ParseMeasure("1e9", kInch, "Spazio sopra", &error));
}

TEST(FormatChoices, ParagraphDialogAppliesOnlyRetypedMeasures) {
    TSamplePage page;
    Labels undo;
    page.box.undo = &undo;
    page.Read(Z("<Z S0 >abc"));
    TNYXParaAttributes para(page.box);
    TParagraphChoices c;
    c.Load(para);
    ASSERT_EQ(c.unit, kMm);
    EXPECT_EQ(c.text[TParagraphChoices::kLineHeight], "0");  // automatic
    std::string error;
    ASSERT_TRUE(c.Apply(para, &error));
    EXPECT_TRUE(undo.labels.empty());  // nothing retyped, nothing done
    c.text[TParagraphChoices::kAbove] = "5";
    c.text[TParagraphChoices::kRight] = "x";
    EXPECT_FALSE(c.Apply(para, &error));
    EXPECT_TRUE(undo.labels.empty());  // a wrong field changes nothing
    c.text[TParagraphChoices::kRight] = c.text[TParagraphChoices::kLeft];
    ASSERT_TRUE(c.Apply(para, &error));
    EXPECT_EQ(undo.labels, std::vector<std::string>{"Margine sup 5"});
    EXPECT_EQ(para.Value(pfAbove), ToPixels(5, kMm));
}

TEST(FormatChoices, StyleEditorStoresEveryField) {
    TStyleChoices c;
    c.Load(nullptr);  // a new style's defaults
    EXPECT_EQ(c.font, "Times New Roman");
    EXPECT_EQ(c.size, "12");
    c.name = "Nota";
    c.size = "9";
    c.colour = 0x0000FF;
    c.style = kBold | kItalic;
    c.align = 2;
    c.list = 10;
    c.measure[TParagraphChoices::kLeft] = "5";
    auto rec = model::MakeObject(model::stileParagrafo);
    rec->Reset();
    std::string error;
    ASSERT_TRUE(c.Store(*rec, &error)) << error;
    EXPECT_EQ(rec->GetName(), "Nota");
    EXPECT_EQ(StyleValue(rec.get(), pfSize), 9);
    EXPECT_EQ(StyleValue(rec.get(), pfColour), 0x0000FF);
    EXPECT_EQ(StyleValue(rec.get(), pfStyle), kBold | kItalic);
    EXPECT_EQ(StyleValue(rec.get(), pfAlign), 2);
    EXPECT_EQ(StyleValue(rec.get(), pfList), 10);
    EXPECT_EQ(StyleValue(rec.get(), pfLeft), ToPixels(5, kMm));
    EXPECT_EQ(StyleValue(rec.get(), pfLineHeight), -32000);  // still automatic
    TStyleChoices back;
    back.Load(rec.get());
    // Reopened and confirmed unchanged, the record stays as it was (the shown
    // measures round-trip through whole pixels).
    auto again = model::MakeObject(model::stileParagrafo);
    again->Reset();
    ASSERT_TRUE(back.Store(*again, &error));
    for (int f = pfColour; f < kParaFieldCount; ++f) {
        if (f == pfName) continue;
        EXPECT_EQ(StyleValue(again.get(), ParaField(f)), StyleValue(rec.get(), ParaField(f))) << f;
    }

    struct Bad {
        std::string name, font, size;
    };
    for (const Bad& b : {Bad{"", "Arial", "10"}, Bad{std::string(33, 'n'), "Arial", "10"},
                         Bad{"Ok", std::string(33, 'f'), "10"}, Bad{"Ok", "Arial", "0"}}) {
        TStyleChoices w = c;
        w.name = b.name;
        w.font = b.font;
        w.size = b.size;
        error.clear();
        EXPECT_FALSE(w.Store(*rec, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(rec->GetName(), "Nota");  // the record is left alone
    }
}

TEST(FormatChoices, StyleListAndDeletion) {
    TSamplePage page;
    const model::TNYXoggetto* body = page.set.ObjectAt(model::stileParagrafo, 0);
    model::TNYXoggetto* title = StyleByName(page.set, "Titolo");
    ASSERT_TRUE(title);
    EXPECT_EQ(ChooseStyle(title, body, true), TStyleChoice::Apply);
    EXPECT_EQ(ChooseStyle(title, title, true), TStyleChoice::Ask);
    EXPECT_EQ(ChooseStyle(title, title, false), TStyleChoice::Nothing);
    EXPECT_EQ(ChooseStyle(nullptr, title, true), TStyleChoice::Nothing);
    EXPECT_EQ(StyleQuestion("Titolo"), "Stile \"Titolo\"");

    std::string refusal;
    EXPECT_TRUE(DeleteStyleQuestion(page.set, *page.set.ObjectAt(model::stileParagrafo, 1), &refusal).empty());
    EXPECT_FALSE(refusal.empty());
    EXPECT_FALSE(DeleteStyle(page.set, page.set.ObjectAt(model::stileParagrafo, 0)));
    // Two paragraphs of a page use "Titolo": the question says so.
    model::TNYXoggetto* p = page.set.NewObject(model::testoHtml);
    ASSERT_TRUE(p);
    dynamic_cast<model::TNYXtesto&>(*p).SetText(Z("<Z S2 >a<Z S2 >b<Z S0 >c"));
    const auto usage = StyleUsage(page.set);
    EXPECT_EQ(usage.at(2), 2);
    const std::string q = DeleteStyleQuestion(page.set, *title, &refusal);
    EXPECT_NE(q.find("2 paragrafi"), std::string::npos) << q;
    ASSERT_TRUE(DeleteStyle(page.set, title));
    EXPECT_EQ(StyleByName(page.set, "Titolo"), nullptr);
    EXPECT_EQ(StyleUsage(page.set).at(0), 3);  // shown in the body style now
}

// The slot of a deleted style used to go to the next new style, and the
// paragraphs that still named the old number took the new style's look.
TEST(FormatChoices, DeletedStyleSlotIsNeverReusedByANewStyle) {
    TSamplePage page;
    model::TNYXoggetto* title = StyleByName(page.set, "Titolo");
    ASSERT_TRUE(title);
    const std::int32_t deleted = TNYXbox::StyleNumber(title);
    model::TNYXoggetto* p = page.set.NewObject(model::testoHtml);
    ASSERT_TRUE(p);
    dynamic_cast<model::TNYXtesto&>(*p).SetText(Z("<Z S" + std::to_string(deleted) + " >a"));
    ASSERT_TRUE(DeleteStyle(page.set, title));
    for (int i = 0; i < 3; ++i) {
        model::TNYXoggetto* fresh = AddStyle(page.set, "Nuovo");
        ASSERT_TRUE(fresh);
        EXPECT_NE(TNYXbox::StyleNumber(fresh), deleted);
    }
    EXPECT_EQ(StyleUsage(page.set).count(deleted), 0u);  // still shown in style 0
}

TEST(FormatChoices, SymbolTableHoldsEveryDefinedCharacter) {
    const auto& codes = SymbolCodes();
    EXPECT_EQ(codes.size(), 224u - 6u);
    EXPECT_EQ(codes.front(), 32);
    EXPECT_EQ(codes.back(), 255);
    for (unsigned char undefined : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(std::count(codes.begin(), codes.end(), undefined), 0);
}

}  // namespace
