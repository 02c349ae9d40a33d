// The frame set without a display: pages shown and stored through it, the
// layout written back only when it changed, links queued for the next turn
// of the event loop, the history, the preview timer, the page commands.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <tuple>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/Dispatch.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "present/FrameData.h"
#include "present/FrameSet.h"
#include "present/Pages.h"
#include "richtext/Editing.h"
#include "richtext/PageText.h"
#include "support/LinkTag.h"
#include "support/RunNyx.h"

using namespace present;
using platform::testing::Message;

namespace {

using testsupport::Tag;

// A hypertext of `pages` pages titled P0, P1, ..., numbered in slot order.
void MakePages(model::TNYXset& set, int pages) {
    set.NewHypertext();
    for (int i = 0; i < pages; ++i) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName("P" + std::to_string(i));
        p->SetText("<Z S0 >testo " + std::to_string(i));
    }
    set.SetModified(false);
}

// A link of page `from` to page `to` (kind 1), opened in `mode` with a window name.
std::int32_t AddLink(model::TNYXset& set, int from, std::int32_t target, int subtype = 1, int mode = 0,
                     const std::string& window = "Ky") {
    model::TNYXoggetto* l = set.NewObject(model::speclink);
    l->SetSubtype(static_cast<std::uint8_t>(subtype));
    l->SetInt(model::linkrec::kTarget, target);
    l->SetInt(model::linkrec::kAnchor, -1);
    l->SetByte(model::linkrec::kOpenMode, static_cast<std::uint8_t>(mode));
    l->SetStr(model::linkrec::kWindowName, model::linkrec::kWindowNameCap, window);
    auto* p = static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, from));
    p->SetText(p->Text() + "<Z S0 >" + Tag(l->Reference()) + "vai<%>");
    set.SetModified(false);
    return l->Reference();
}

std::int32_t PageRef(int slot) { return model::MakeRef(model::testoHtml, static_cast<std::uint32_t>(slot)); }

void Type(TFramePage& p, const std::string& text) {
    auto& e = static_cast<THeadlessFramePage&>(p).Box().Editing();
    for (char c : text) e.InsertChar(static_cast<unsigned char>(c));
}

// The link key of the first link in a page's box.
std::int32_t FirstLink(TFramePage& p) {
    const richtext::TNYXbox& box = static_cast<THeadlessFramePage&>(p).Box().CurrentBox();
    for (const auto& para : box.paragraphs)
        for (const auto& rec : para->recs)
            if (rec.link != -1) return rec.link;
    return -1;
}

void RunQueued() {
    while (platform::dispatch().RunPending()) {
    }
}

class FrameSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakePages(set, 3);
        fs.SetLinkedNYXset(&set);
        fs.SetArea(600, 400);
    }
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
    THeadlessPageMaker maker;
    TNYXCustomFrameSet fs{maker};
};

TEST_F(FrameSetTest, LeavingADividedPageStoresItsFramesPagesAndItsLayout) {
    ASSERT_TRUE(fs.ShowPage(0));
    ASSERT_EQ(fs.Pages().size(), 1u);
    TNonVisCornice& top = *fs.Top();
    ASSERT_EQ(fs.Divide(top, TFrameSide::kTop, 100), TDivideResult::kDivided);
    ASSERT_EQ(fs.Pages().size(), 2u);
    // The upper frame shows a new page, the lower one the page itself.
    EXPECT_LT(fs.Pages()[0]->Session().PageSlot(), 0);
    EXPECT_EQ(fs.Pages()[1]->Session().PageSlot(), 0);
    Type(*fs.Pages()[0], "Intestazione");
    int stored = 0;
    fs.onPagesStored = [&] { ++stored; };

    ASSERT_TRUE(fs.ShowPage(1));
    EXPECT_EQ(stored, 1);
    ASSERT_NE(set.ObjectAt(model::testoHtml, 3), nullptr);
    EXPECT_NE(static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 3))->Text().find("Intestazione"),
              std::string::npos);
    const model::TNYXoggetto* map = PageMap(set, *set.ObjectAt(model::testoHtml, 0));
    ASSERT_NE(map, nullptr);
    auto tree = ReadFrameMap(*map);
    ASSERT_TRUE(tree && tree->children.size() == 2);
    EXPECT_EQ(tree->children[0]->rec.PageRef(), PageRef(3));
    EXPECT_EQ(tree->children[1]->rec.PageRef(), PageRef(0));

    // Shown again, nothing edited: nothing is written and nothing is modified.
    set.SetModified(false);
    ASSERT_TRUE(fs.ShowPage(0));
    ASSERT_EQ(fs.Pages().size(), 2u);
    EXPECT_EQ(fs.Pages()[0]->Session().PageSlot(), 3);
    ASSERT_TRUE(fs.ShowPage(2));
    EXPECT_FALSE(set.Modified());

    // Without SaveOnExit the edits go.
    fs.saveOnExit = false;
    ASSERT_TRUE(fs.ShowPage(1));
    Type(*fs.Pages()[0], "perso");
    ASSERT_TRUE(fs.ShowPage(2));
    EXPECT_EQ(static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 1))->Text().find("perso"), std::string::npos);
}

TEST_F(FrameSetTest, ShowPageOfAMissingPageMakesOneOnlyWhereItIsEdited) {
    // Editable and storing on exit: the page is made and shown.
    ASSERT_TRUE(fs.ShowPage(7));
    EXPECT_EQ(fs.MainPageNumber(), 3);
    EXPECT_EQ(set.Count(model::testoHtml), 4u);
    // A read-only preview shows an empty page and changes nothing.
    set.SetModified(false);
    fs.SetReadOnly(true);
    EXPECT_TRUE(fs.ShowPage(9));
    ASSERT_EQ(fs.Pages().size(), 1u);
    EXPECT_LT(fs.Pages()[0]->Session().PageSlot(), 0);
    EXPECT_EQ(set.Count(model::testoHtml), 4u);
    EXPECT_FALSE(set.Modified());
    fs.SetReadOnly(false);
    fs.saveOnExit = false;
    EXPECT_TRUE(fs.ShowPage(12));
    EXPECT_EQ(set.Count(model::testoHtml), 4u);
}

TEST_F(FrameSetTest, LinksAreFollowedOnTheNextTurnWithTheirHistory) {
    AddLink(set, 1, PageRef(0));                      // kind 1 to page 0
    AddLink(set, 2, -1, /*next page*/ 5);             // from the last page
    AddLink(set, 2, -1, /*previous page*/ 4);
    std::vector<const model::TNYXoggetto*> passed;
    fs.onDoLink = [&](TFramePage*, const model::TNYXoggetto* r) { passed.push_back(r); };
    ASSERT_TRUE(fs.ShowPage(1));
    fs.DoLink(fs.Pages()[0], FirstLink(*fs.Pages()[0]));
    EXPECT_EQ(fs.MainPageNumber(), 1);  // queued, not followed yet
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 0);  // page 0 is a page like any other
    EXPECT_EQ(fs.History(), std::vector<std::int32_t>{1});
    ASSERT_EQ(passed.size(), 1u);
    EXPECT_EQ(passed[0], set.ObjectAt(model::testoHtml, 0));

    // Next page from the last page: nothing; previous page: page 1.
    ASSERT_TRUE(fs.ShowPage(2));
    TFramePage* last = fs.Pages()[0];
    fs.DoLink(last, FirstLink(*last));
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 2);
    EXPECT_EQ(fs.History().size(), 1u);
    const richtext::TNYXbox& box = static_cast<THeadlessFramePage*>(last)->Box().CurrentBox();
    std::int32_t previous = -1;
    for (const auto& para : box.paragraphs)
        for (const auto& rec : para->recs)
            if (rec.link != -1 && rec.link != FirstLink(*last)) previous = rec.link;
    fs.DoLink(last, previous);
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 1);
    EXPECT_EQ(fs.History(), (std::vector<std::int32_t>{1, 2}));

    EXPECT_TRUE(fs.PeekBack());
    EXPECT_EQ(fs.MainPageNumber(), 2);
    EXPECT_EQ(fs.History().size(), 2u);
    EXPECT_TRUE(fs.GoBack());
    EXPECT_TRUE(fs.GoBack());
    EXPECT_EQ(fs.MainPageNumber(), 1);
    EXPECT_FALSE(fs.GoBack());
    fs.DoLink(nullptr, PageRef(2));  // a page record: shown, the page left pushed
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 2);
    fs.SetAutoJump(true);
    EXPECT_TRUE(fs.History().empty());
}

TEST_F(FrameSetTest, AQueuedLinkWhoseSenderWasFreedIsDropped) {
    AddLink(set, 1, PageRef(0));
    int passed = 0;
    fs.onDoLink = [&](TFramePage*, const model::TNYXoggetto*) { ++passed; };
    ASSERT_TRUE(fs.ShowPage(1));
    fs.DoLink(fs.Pages()[0], FirstLink(*fs.Pages()[0]));
    ASSERT_TRUE(fs.ShowPage(2));  // the sender's page view goes
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 2);
    EXPECT_EQ(passed, 0);
}

TEST_F(FrameSetTest, OnDoLinkErrorsAreShown) {
    fs.onDoLink = [](TFramePage*, const model::TNYXoggetto*) { throw std::runtime_error("guasto"); };
    fs.SetAutoJump(false);
    ASSERT_TRUE(fs.ShowPage(0));
    fs.DoLink(nullptr, PageRef(1));
    RunQueued();
    EXPECT_EQ(fs.MainPageNumber(), 0);
    ASSERT_EQ(scripted.ui.Texts(Message::Error).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::Error)[0].find("guasto"), std::string::npos);
}

TEST_F(FrameSetTest, ALinkIntoANamedFrameLeavesTheLayoutAsItWas) {
    ASSERT_TRUE(fs.ShowPage(0));
    ASSERT_EQ(fs.Divide(*fs.Top(), TFrameSide::kLeft, 150), TDivideResult::kDivided);
    TNonVisCornice* left = fs.Top()->children[0].get();
    left->rec.SetName("Indice");
    ASSERT_TRUE(fs.ShowPage(1));  // the layout is stored
    AddLink(set, 0, PageRef(2), 1, /*named frame*/ 1, "indice");
    ASSERT_TRUE(fs.ShowPage(0));
    TFramePage* right = fs.Pages()[1];
    ASSERT_EQ(right->Session().PageSlot(), 0);
    fs.DoLink(right, FirstLink(*right));
    RunQueued();
    TNonVisCornice* named = fs.FrameByName("INDICE");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(fs.PageOf(*named)->Session().PageSlot(), 2);
    EXPECT_EQ(fs.MainPageNumber(), 0);
    set.SetModified(false);
    ASSERT_TRUE(fs.ShowPage(1));
    EXPECT_FALSE(set.Modified());
    auto tree = ReadFrameMap(*PageMap(set, *set.ObjectAt(model::testoHtml, 0)));
    EXPECT_NE(tree->children[0]->rec.PageRef(), PageRef(2));
}

TEST_F(FrameSetTest, InViewModeALinkToAWindowOfItsOwnLeavesThePageShownAndTheHistory) {
    AddLink(set, 0, PageRef(2), 1, /*separate window*/ 2, "Altra");
    std::vector<std::tuple<std::int64_t, std::string, int>> opened;
    bool accept = true;
    fs.onOpenWindow = [&](std::int64_t page, std::int32_t, const std::string& window, int mode) {
        opened.emplace_back(page, window, mode);
        return accept;
    };
    auto follow = [&] {
        fs.DoLink(fs.Pages()[0], FirstLink(*fs.Pages()[0]));
        RunQueued();
    };
    // While the page is edited the link shows its page here.
    ASSERT_TRUE(fs.ShowPage(0));
    follow();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(fs.MainPageNumber(), 2);
    ASSERT_TRUE(fs.ShowPage(0));
    fs.SetReadOnly(true);
    const std::vector<std::int32_t> history = fs.History();
    follow();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::make_tuple(std::int64_t{2}, std::string("Altra"), 2));
    EXPECT_EQ(fs.MainPageNumber(), 0);
    EXPECT_EQ(fs.History(), history);
    // A window that could not be made: the page is shown here after all.
    accept = false;
    follow();
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(fs.MainPageNumber(), 2);
}

TEST_F(FrameSetTest, ThePreviewTimerAdvancesToTheNextSlide) {
    platform::testing::ManualTimers timers;
    THeadlessPageMaker m;
    TNYXCustomFrameSet show(m);
    set.ObjectAt(model::testoHtml, 0)->SetInt(model::pagerec::kNextSlide, PageRef(2));
    set.ObjectAt(model::testoHtml, 0)->SetWord(kSlideDelayField, 2);
    show.SetLinkedNYXset(&set);
    show.SetReadOnly(true);
    show.activePreview = true;
    ASSERT_TRUE(show.ShowPage(0));
    EXPECT_TRUE(show.PreviewPending());
    EXPECT_EQ(show.PreviewDelay(), 2000);
    timers.Advance(1999);
    RunQueued();
    EXPECT_EQ(show.MainPageNumber(), 0);
    timers.Advance(1);
    RunQueued();
    EXPECT_EQ(show.MainPageNumber(), 2);
    EXPECT_EQ(show.History(), std::vector<std::int32_t>{0});
    EXPECT_FALSE(show.PreviewPending());  // page 2 has no next slide
    // Out of view mode the timer does not run.
    show.SetReadOnly(false);
    ASSERT_TRUE(show.ShowPage(0));
    EXPECT_FALSE(show.PreviewPending());
}

TEST_F(FrameSetTest, ActivePreviewTurnedOnInViewModeStartsTheTimerAndOffDropsIt) {
    platform::testing::ManualTimers timers;
    THeadlessPageMaker m;
    TNYXCustomFrameSet show(m);
    set.ObjectAt(model::testoHtml, 0)->SetInt(model::pagerec::kNextSlide, PageRef(1));
    set.ObjectAt(model::testoHtml, 0)->SetWord(kSlideDelayField, 1);
    show.SetLinkedNYXset(&set);
    ASSERT_TRUE(show.ShowPage(0));
    show.SetReadOnly(true);
    EXPECT_FALSE(show.PreviewPending());
    show.SetActivePreview(true);
    EXPECT_TRUE(show.PreviewPending());
    show.SetActivePreview(false);
    EXPECT_FALSE(show.PreviewPending());
    timers.Advance(5000);
    RunQueued();
    EXPECT_EQ(show.MainPageNumber(), 0);
    // On again: the page shown advances after its delay.
    show.SetActivePreview(true);
    timers.Advance(1000);
    RunQueued();
    EXPECT_EQ(show.MainPageNumber(), 1);
}

TEST_F(FrameSetTest, AReadersClickOnAnAnchorMarkerReachesOnDoLinkWithTheMarkersRecord) {
    model::TNYXoggetto* a = set.NewObject(model::shortObj);
    a->SetSubtype(model::markerrec::kAnchor);
    a->SetInt(model::markerrec::kValue, 7);
    auto* p = static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 1));
    p->SetText(p->Text() + "<Z S0 >qui " + Tag(a->Reference()) + "ancora");
    std::vector<const model::TNYXoggetto*> passed;
    fs.onDoLink = [&](TFramePage*, const model::TNYXoggetto* r) { passed.push_back(r); };
    fs.SetReadOnly(true);
    ASSERT_TRUE(fs.ShowPage(1));
    fs.FollowAnchorMarker(fs.Pages()[0], 8);  // no such anchor: nothing
    fs.FollowAnchorMarker(fs.Pages()[0], 7);
    EXPECT_TRUE(passed.empty());  // queued
    RunQueued();
    ASSERT_EQ(passed.size(), 1u);
    ASSERT_NE(passed[0], nullptr);
    EXPECT_EQ(passed[0]->Type(), model::shortObj);
    EXPECT_EQ(passed[0]->Int(model::markerrec::kValue), 7);
    EXPECT_EQ(fs.MainPageNumber(), 1);
    // A page gone before the request ran drops it.
    fs.FollowAnchorMarker(fs.Pages()[0], 7);
    ASSERT_TRUE(fs.ShowPage(0));
    RunQueued();
    EXPECT_EQ(passed.size(), 1u);
}

TEST_F(FrameSetTest, ClipboardAndCurrentObjectFollowTheFrames) {
    ASSERT_TRUE(fs.ShowPage(0));
    ASSERT_EQ(fs.Divide(*fs.Top(), TFrameSide::kTop, 100), TDivideResult::kDivided);
    TFramePage* upper = fs.Pages()[0];
    int changes = 0;
    fs.onSelectionChange = [&] { ++changes; };
    fs.SetCurrent(upper);
    EXPECT_EQ(fs.Current(), upper);
    EXPECT_EQ(changes, 1);
    // Deleting the frame of the current object clears it.
    Type(*upper, "x");
    scripted.ui.answers = {platform::Answer::No};  // the new page is not kept
    ASSERT_EQ(fs.DeleteFrame(*upper->Leaf()), TDeleteResult::kDeleted);
    EXPECT_EQ(fs.Current(), nullptr);
    EXPECT_EQ(scripted.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_EQ(set.Count(model::testoHtml), 3u);
    ASSERT_EQ(fs.Pages().size(), 1u);
    EXPECT_EQ(fs.CurrentOrFirst()->Session().PageSlot(), 0);
}

// --- page commands ----------------------------------------------------------------------

TEST(PageCommands, ANewPageJoinsThePageOrderAndItsTree) {
    model::TNYXset set;
    MakePages(set, 2);
    model::TNYXorderedTree tree(&set, model::testoHtml);
    ASSERT_TRUE(tree.Reload());  // stores the default tree
    model::TNYXoggetto* p = AddNewPage(set, "Nuova");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetName(), "Nuova");
    EXPECT_TRUE(set.Modified());
    EXPECT_EQ(model::NextPage(set, *set.ObjectAt(model::testoHtml, 1)), p);
    model::TNYXorderedTree again(&set, model::testoHtml);
    ASSERT_TRUE(again.Reload());
    std::vector<model::TNYXoggetto*> order;
    again.ObjectsInOrder(order);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order.back(), p);
}

TEST(PageCommands, APageInUseIsNotDeletedAndAFreeOneComesBackUntilSaved) {
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
    MakePages(set, 3);
    AddLink(set, 0, PageRef(1));
    set.SetHInt(model::hdr::kCoverPage, 0);
    TPageTrash trash;
    EXPECT_EQ(trash.Delete(set, 1), TPageTrash::TResult::kInUse);
    const auto lists = scripted.ui.Texts(Message::ErrorList);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_NE(lists[0].find("P0"), std::string::npos);
    EXPECT_NE(lists[0].find("nel testo"), std::string::npos);
    EXPECT_EQ(trash.Delete(set, 0), TPageTrash::TResult::kInUse);  // the cover page
    EXPECT_NE(scripted.ui.Texts(Message::ErrorList)[1].find("copertina"), std::string::npos);

    // Page 0's own link does not keep it; asked, deleted with its link, and back.
    set.SetHInt(model::hdr::kCoverPage, 2);
    set.SetHInt(model::hdr::kContentsPage, 2);
    scripted.ui.answers = {platform::Answer::No, platform::Answer::Yes};
    EXPECT_EQ(trash.Delete(set, 0), TPageTrash::TResult::kCancelled);
    const std::int32_t link = model::MakeRef(model::speclink, 0);
    EXPECT_EQ(trash.Delete(set, 0), TPageTrash::TResult::kDeleted);
    EXPECT_TRUE(set.ObjectAt(model::testoHtml, 0)->IsEmpty());
    EXPECT_TRUE(set.ObjectByRef(link)->IsEmpty());
    ASSERT_TRUE(trash.CanUndo());
    EXPECT_EQ(trash.Undo(set), 0);
    EXPECT_EQ(set.ObjectAt(model::testoHtml, 0)->GetName(), "P0");
    EXPECT_EQ(set.ObjectByRef(link)->Int(model::linkrec::kTarget), PageRef(1));

    // A slot taken meanwhile keeps what took it.
    scripted.ui.answers = {platform::Answer::Yes};
    EXPECT_EQ(trash.Delete(set, 0), TPageTrash::TResult::kDeleted);
    AddNewPage(set, "Intrusa");
    EXPECT_EQ(trash.Undo(set), -1);
    EXPECT_EQ(set.ObjectAt(model::testoHtml, 0)->GetName(), "Intrusa");
    EXPECT_EQ(scripted.ui.Texts(Message::Warning).size(), 1u);
}

TEST(PageCommands, RowsSortByTitleNumberAndSize) {
    model::TNYXset set;
    MakePages(set, 3);
    static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 0))->SetName("zeta");
    static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 1))->SetText(std::string(500, 'x'));
    static_cast<model::TNYXtesto*>(set.ObjectAt(model::testoHtml, 2))->SetName("Alfa");
    auto rows = PageRows(set);
    auto slots = [&] {
        std::vector<std::int64_t> v;
        for (const auto& r : rows) v.push_back(r.slot);
        return v;
    };
    SortPageRows(rows, TPageColumn::kTitle, true);
    EXPECT_EQ(slots(), (std::vector<std::int64_t>{2, 1, 0}));
    SortPageRows(rows, TPageColumn::kSize, false);
    EXPECT_EQ(slots().front(), 1);
    SortPageRows(rows, TPageColumn::kNumber, true);
    EXPECT_EQ(slots(), (std::vector<std::int64_t>{0, 1, 2}));
}

}  // namespace

namespace {

int Nyx(const std::string& args, std::string* out) {
    const testsupport::NyxRun r = testsupport::RunNyx(args);
    out->append(r.out);
    return r.status;
}

TEST(NyxAddPage, AddsTitledAndDividedPagesThatInfoLists) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "pagine.nyx").string();
    const std::string model = std::string(QUOR_SOURCE_DIR) + "/data/ModelliCornici/Indice a sinistra.frm";
    std::string out;
    ASSERT_EQ(Nyx("new '" + file + "'", &out), 0) << out;
    ASSERT_EQ(Nyx("add-page '" + file + "' --title 'Però'", &out), 0) << out;
    ASSERT_EQ(Nyx("add-page '" + file + "' --title Indice --frames '" + model + "'", &out), 0) << out;
    EXPECT_EQ(Nyx("add-page '" + file + "' --frames '" + dir.path().string() + "/manca.frm'", &out), 1);
    EXPECT_EQ(Nyx("add-page", &out), 2);
    out.clear();
    ASSERT_EQ(Nyx("info '" + file + "'", &out), 0);
    EXPECT_NE(out.find("0  Però"), std::string::npos) << out;
    EXPECT_NE(out.find("1  Indice"), std::string::npos) << out;
    model::TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(file));
    const model::TNYXoggetto* map = PageMap(set, *set.ObjectAt(model::testoHtml, 1));
    ASSERT_NE(map, nullptr);
    EXPECT_GT(ReadFrameMap(*map)->CountFrames(), 1u);
    EXPECT_EQ(model::NextPage(set, *set.ObjectAt(model::testoHtml, 0)), set.ObjectAt(model::testoHtml, 1));
}

}  // namespace
