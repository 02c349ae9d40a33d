// The page session without a widget: showing a page, storing it back when it
// is left, its background, its anchors, where its links lead, and the idle
// timer that follows its changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Editing.h"
#include "richtext/Markup.h"
#include "richtext/PageSession.h"
#include "richtext/Undo.h"
#include "support/LinkTag.h"

using namespace richtext;
using platform::testing::Message;

namespace {

using testsupport::Tag;

class PageSessionTest : public ::testing::Test {
protected:
    void SetUp() override { set.NewHypertext(); }
    model::TNYXtesto* NewPage(const std::string& text) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetText(text);
        return p;
    }
    model::TNYXoggetto* Anchor(std::int32_t n) {
        model::TNYXoggetto* a = set.NewObject(model::shortObj);
        a->SetSubtype(14);
        a->SetInt(5, n);
        return a;
    }
    model::TNYXoggetto* Link(std::int32_t target, std::int32_t anchor, int mode = 0) {
        model::TNYXoggetto* l = set.NewObject(model::speclink);
        l->SetSubtype(1);
        l->SetInt(13, target);
        l->SetInt(9, anchor);
        l->SetByte(18, static_cast<std::uint8_t>(mode));
        return l;
    }
    std::string Body() {
        std::string t = BoxText(host.CurrentBox());
        t.pop_back();
        return t;
    }

    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::ManualTimers clock;  // before the session makes its timer
    model::TNYXset set;
    TNYXundoList undo{&set};
    THeadlessPageBox host{nullptr, &undo};
    TNYXpageSession session{host};
};

TEST_F(PageSessionTest, EditsAreStoredWhenThePageIsLeftAndOnlyThen) {
    model::TNYXtesto* page = NewPage("<Z S0 >Ciao");
    const auto slot = static_cast<std::int64_t>(page->Index());
    set.SetModified(false);
    ASSERT_TRUE(session.ShowPage(set, slot));
    EXPECT_EQ(session.PageSlot(), slot);
    EXPECT_EQ(host.CurrentBox().caret, (TTextPos{0, 0}));
    EXPECT_FALSE(session.Edited());
    EXPECT_FALSE(session.LeavePage());  // unchanged: nothing stored
    EXPECT_FALSE(set.Modified());
    EXPECT_EQ(session.WorkingCopy(), nullptr);

    ASSERT_TRUE(session.ShowPage(set, slot));
    host.Editing().InsertChar('X');
    EXPECT_TRUE(session.Edited());
    EXPECT_TRUE(undo.CanUndo());
    EXPECT_TRUE(session.LeavePage());
    EXPECT_TRUE(set.Modified());
    EXPECT_FALSE(undo.CanUndo());  // the page's undo steps go with it
    EXPECT_EQ(static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, slot))->Text(), "<Z S0 >XCiao");

    // No page: a new text, which becomes a page of its own.
    const std::size_t pages = set.Count(model::testoHtml);
    EXPECT_FALSE(session.ShowPage(set, -1));
    EXPECT_EQ(Body(), "<Z S0 >");
    host.Editing().InsertChar('N');
    EXPECT_TRUE(session.LeavePage());
    EXPECT_EQ(set.Count(model::testoHtml), pages + 1);
}

TEST_F(PageSessionTest, BackgroundComesFromThePageRecord) {
    model::TNYXtesto* page = NewPage("<Z S0 >x");
    page->SetInt(101, 0x00FF00);
    page->SetByte(288, 1);
    page->SetInt(85, 7);  // no such picture
    ASSERT_TRUE(session.ShowPage(set, page->Index()));
    EXPECT_EQ(session.Background().colour, 0x00FF00u);
    EXPECT_TRUE(session.Background().fixed);
    EXPECT_EQ(session.Background().pictureSlot, 7);
    EXPECT_EQ(session.Background().picture, nullptr);
    session.ClosePage();
    EXPECT_FALSE(session.Background().fixed);
    EXPECT_EQ(session.Background().pictureSlot, -1);
}

TEST_F(PageSessionTest, AnchorsPutTheCaretBeforeTheirMarker) {
    model::TNYXoggetto* table = set.NewObject(model::tabellaHtml);
    const std::int32_t three = Anchor(3)->Reference(), five = Anchor(5)->Reference();
    model::TNYXtesto* page = NewPage("<Z S0 >uno<Z S0 >due " + Tag(three) + "tre<Z S0 >" + Tag(table->Reference()) +
                                     "<Z S1 >x" + Tag(five) + "<T><Z S0 >fine");
    ASSERT_TRUE(session.ShowPage(set, page->Index()));
    host.Editing().SetCaret({0, 3});
    host.Editing().InsertChar('a');
    EXPECT_TRUE(session.GoToAnchor(3));
    EXPECT_EQ(host.CurrentBox().caret, (TTextPos{1, 4}));
    host.Editing().InsertChar('b');  // the caret moved: a typing run of its own
    EXPECT_EQ(undo.Count(), 2u);
    EXPECT_TRUE(session.GoToAnchor(5));  // inside the table: before the table
    EXPECT_EQ(host.CurrentBox().caret, (TTextPos{2, 0}));
    EXPECT_FALSE(session.GoToAnchor(7));
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{"Ancora non trovata: a7"});
    session.SetViewMode(true);  // a reader is not told
    EXPECT_FALSE(session.GoToAnchor(7));
    EXPECT_FALSE(session.GoToAnchor(-1));
    EXPECT_EQ(ui.ui.messages.size(), 1u);
}

TEST_F(PageSessionTest, LinksLeadToPagesAndAnchors) {
    model::TNYXtesto* other = NewPage("<Z S0 >altra");
    model::TNYXtesto* page = NewPage("<Z S0 >");
    model::TNYXoggetto* url = set.NewObject(model::internetLink);
    url->SetName("http://esempio.it");
    const std::int32_t otherRef = other->Reference(), pageRef = page->Reference();
    struct Case {
        std::int32_t key;  // in the stored text
        TLinkTarget expected;
    };
    const std::vector<Case> cases = {
        {Link(otherRef, 4)->Reference(), {other->Index(), 4, false}},
        {Link(otherRef, -1)->Reference(), {other->Index(), -1, false}},
        {Link(pageRef, 2)->Reference(), {page->Index(), 2, true}},
        {Link(otherRef, 6, 6)->Reference(), {page->Index(), 6, true}},  // an anchor of this page
        {Link(url->Reference(), 3)->Reference(), {-1, -1, false}},
        {url->Reference(), {-1, -1, false}},
        {otherRef, {other->Index(), -1, false}},
    };
    std::string text = "<Z S0 >";
    for (const Case& c : cases) text += Tag(c.key) + "x<%> ";
    page->SetText(text);
    ASSERT_TRUE(session.ShowPage(set, page->Index()));
    const TNYXparag& p = *host.CurrentBox().paragraphs[0];
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const TLinkTarget t = session.LinkTarget(p.recs[2 * i].link);
        EXPECT_EQ(t.page, cases[i].expected.page);
        EXPECT_EQ(t.anchor, cases[i].expected.anchor);
        EXPECT_EQ(t.samePage, cases[i].expected.samePage);
    }
    EXPECT_EQ(session.LinkTarget(-1).page, -1);
}

TEST_F(PageSessionTest, IdleTimerFollowsTheChangesOfTheShownPage) {
    model::TNYXtesto* page = NewPage("<Z S0 >x");
    std::vector<int> fired;
    session.onIdle = [&](int mode) { fired.push_back(mode); };
    ASSERT_TRUE(session.ShowPage(set, page->Index()));
    EXPECT_TRUE(session.IdlePending());
    clock.Advance(1999);
    EXPECT_TRUE(fired.empty());
    clock.Advance(1);
    EXPECT_EQ(fired, std::vector<int>{0});
    session.Changed(0);
    clock.Advance(1500);
    session.Changed(1);  // restarts, with the new tag
    clock.Advance(1500);
    EXPECT_EQ(fired.size(), 1u);
    clock.Advance(500);
    EXPECT_EQ(fired, (std::vector<int>{0, 1}));
    session.Changed(0);
    session.ClosePage();  // stops it
    session.Changed(0);   // no page: nothing to do
    EXPECT_FALSE(session.IdlePending());
    clock.Advance(5000);
    EXPECT_EQ(fired.size(), 2u);
}

}  // namespace
