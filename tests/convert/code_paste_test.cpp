// Pasting text in code mode into a box: the "!Ref" references of the text
// become marker objects in the box, other text stays as it was typed, and
// without code mode the same text is plain.
#include <gtest/gtest.h>

#include <string>

#include "convert/text/NYXtoTxt.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Clipboard.h"
#include "richtext/Editing.h"
#include "richtext/PageText.h"
#include "richtext/SamplePage.h"
#include "richtext/StyleSheet.h"
#include "richtext/TextAttributes.h"
#include "richtext/Undo.h"

using namespace richtext;

namespace {

class CodePaste : public ::testing::Test {
protected:
    CodePaste() {
        page.box.undo = &undo;
        convert::text::InstallCodePaste();
    }
    ~CodePaste() override { SetCodePaste({}); }
    void Load(std::string_view t) { page.Read(std::string(t) + '\0'); }
    std::string Text() {
        std::string t = BoxText(page.box);
        t.pop_back();
        return t;
    }
    // The subtypes of the page-local objects the box's text refers to.
    std::vector<int> MarkerSubtypes() {
        std::vector<int> out;
        const std::string t = Text();
        for (std::size_t at = t.find("<$FF"); at != std::string::npos; at = t.find("<$FF", at + 1)) {
            const std::int32_t id = static_cast<std::int32_t>(std::stoul(t.substr(at + 4, 6), nullptr, 16));
            const TNYXembedded* e = page.registry.Find(id);
            out.push_back(e && e->Record() ? e->Record()->Subtype() : -1);
        }
        return out;
    }

    platform::testing::ScriptedUiScope ui;
    TSamplePage page;
    TNYXundoList undo{&page.set};
    TNYXTextAttributes attrs{page.box};
    TNYXediting ed{page.box, attrs};
};

TEST_F(CodePaste, AReferenceBetweenTwoLettersBecomesOneMarker) {
    Load("<Z S0 >");
    ed.codeMode = true;
    ed.SetCaret({0, 0});
    ASSERT_TRUE(ed.PastePlainText("a!RefI:0500000Ab ! x"));
    const model::TNYXoggetto* code = StyleByName(page.set, "Codice");
    ASSERT_TRUE(code);
    const std::string text = Text();
    EXPECT_NE(text.find("a<$FF"), std::string::npos) << text;
    EXPECT_NE(text.find(">b ! x"), std::string::npos) << text;
    EXPECT_EQ(text.find("!RefI"), std::string::npos) << text;
    EXPECT_EQ(MarkerSubtypes(), std::vector<int>{21});
    undo.UndoSteps(undo.Count());
    EXPECT_EQ(Text(), "<Z S0 >");
}

TEST_F(CodePaste, WithoutCodeModeTheReferenceStaysText) {
    Load("<Z S0 >");
    ed.SetCaret({0, 0});
    ASSERT_TRUE(ed.PastePlainText("a!RefI:0500000Ab"));
    EXPECT_EQ(Text(), "<Z S0 >a!RefI:0500000Ab");
    EXPECT_EQ(StyleByName(page.set, "Codice"), nullptr);
}

}  // namespace
