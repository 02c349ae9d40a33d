#include <gtest/gtest.h>

#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/LinkTag.h"

using namespace model;
using platform::testing::FixedEnv;
using platform::testing::ScriptedUiScope;

namespace {

using testsupport::Tag;

class Pages : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TNYXset set;
    TNYXoggetto* target = nullptr;
    TNYXoggetto* link = nullptr;
    TNYXoggetto* url = nullptr;
    TNYXoggetto* table = nullptr;
    TNYXoggetto* placed = nullptr;
    TNYXtesto* page = nullptr;

    void SetUp() override {
        set.NewHypertext();
        target = set.NewObject(testoHtml);
        target->SetName("Bersaglio");
        url = set.NewObject(internetLink);
        url->SetName("http://esempio.it");
        link = set.NewObject(speclink);
        link->SetInt(13, target->Reference());
        table = set.NewObject(tabellaHtml);
        placed = set.NewObject(immagineNew);
        placed->SetInt(73, url->Reference());  // zone 0 leads to the URL
        page = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        page->SetName("Pagina");
        page->SetText("<Z S0 >vai " + Tag(link->Reference()) + "qui<%> e " + Tag(link->Reference()) + "li<%>" +
                      Tag(placed->Reference()) + "<Z S0 >" + Tag(table->Reference()) + "<Z S1 >cella<T>");
    }
    std::string Bytes(const TNYXoggetto& o) { return std::string(reinterpret_cast<const char*>(o.Data()), kDataSize); }
};

}  // namespace

TEST_F(Pages, WorkingCopyHoldsPrivateCopies) {
    auto copy = BuildWorkingCopy(set, page);
    ASSERT_EQ(copy->LocalObjects().size(), 3u);  // the link twice, the zone's URL
    ASSERT_EQ(copy->EmbeddedObjects().size(), 2u);
    const std::string text = copy->Text();
    EXPECT_NE(text.find("<$6F000000>qui<%>"), std::string::npos) << text;
    EXPECT_NE(text.find("<$6F000001>li<%>"), std::string::npos) << text;  // two copies, two local references
    EXPECT_NE(text.find("<$FF000000><Z S0 ><$FF000001>"), std::string::npos) << text;
    EXPECT_EQ(copy->LocalObjects()[0]->Int(13), target->Reference());  // pages stay global
    EXPECT_EQ(copy->EmbeddedObjects()[0]->Int(73), static_cast<std::int32_t>(kPageLocalBase + 2));
    EXPECT_EQ(copy->EmbeddedPositions()[0], text.find("<$FF000000>"));
    EXPECT_NE(copy->LocalObjects()[0].get(), link);
    EXPECT_EQ(set.ObjectInPage(copy.get(), static_cast<std::int32_t>(kPageLocalBase + 1)), copy->LocalObjects()[1].get());
    EXPECT_EQ(set.ObjectByRef(static_cast<std::int32_t>(kPageLocalBase + 1)), nullptr);  // local only in its page
    EXPECT_EQ(copy->HeaderCopy(), nullptr);  // no header page anywhere
}

TEST_F(Pages, StoringAnUnchangedCopyChangesNothing) {
    const std::string text = page->Text();
    const std::string records[] = {Bytes(*page), Bytes(*link), Bytes(*url), Bytes(*table), Bytes(*placed)};
    const std::size_t links = set.Count(speclink);
    auto copy = BuildWorkingCopy(set, page);
    const std::uint32_t slot = page->Index();
    TNYXtesto* stored = StorePage(set, std::move(copy), slot, false);  // replaces (frees) the old page object
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->Text(), text);
    EXPECT_EQ(Bytes(*stored), records[0]);
    EXPECT_EQ(Bytes(*set.ObjectAt(internetLink, 0)), records[2]);
    EXPECT_EQ(Bytes(*set.ObjectAt(tabellaHtml, 0)), records[3]);
    EXPECT_EQ(Bytes(*set.ObjectAt(immagineNew, 0)), records[4]);
    EXPECT_FALSE(set.ObjectAt(tabellaHtml, 0)->IsEmpty());  // storing never resets the page's objects
    EXPECT_EQ(set.Count(speclink), links);  // the unchanged second copy of the link is the same link
    EXPECT_EQ(set.ObjectAt(testoHtml, slot), stored);

    // Two copies of one link edited apart both survive.
    auto again = BuildWorkingCopy(set, stored);
    again->LocalObjects()[1]->SetByte(18, 3);
    TNYXtesto* edited = StorePage(set, std::move(again), slot, false);
    EXPECT_EQ(set.Count(speclink), links + 1);
    EXPECT_NE(edited->Text().find("<$0A000001>li<%>"), std::string::npos);
    EXPECT_EQ(set.ObjectAt(speclink, 1)->Byte(18), 3);
}

TEST_F(Pages, StoredCopyKeepsEditsAndGetsItsTitle) {
    TNYXoggetto* fresh = set.NewObject(testoHtml);
    static_cast<TNYXtesto*>(fresh)->SetText("<Z S0 >  Il \"nostro\" <Y y1 >capitolo & l'altro  <Z S0 >seguito");
    auto copy = BuildWorkingCopy(set, fresh);
    copy->LocalObjects();  // no objects
    TNYXtesto* stored = StorePage(set, std::move(copy), fresh->Index(), true);
    EXPECT_EQ(stored->GetName(), "Il \x94nostro\x94 capitolo   l\x92" "altro  ");
    EXPECT_EQ(stored->GetStamp(), set.SaveCounter());
}

TEST_F(Pages, Anchors) {
    TNYXoggetto* anchor = set.NewObject(shortObj);
    anchor->SetSubtype(14);
    anchor->SetInt(5, 3);
    page->SetText("<Z S0 >testo " + Tag(anchor->Reference()) + "ancora");
    auto copy = BuildWorkingCopy(set, page);
    std::size_t pos = 0;
    EXPECT_TRUE(GoToAnchor(*copy, 3, false, pos));
    EXPECT_EQ(pos, copy->Text().find("<$FF000000>"));
    EXPECT_FALSE(GoToAnchor(*copy, 4, true, pos));  // view mode: silent
    EXPECT_TRUE(ui.ui.messages.empty());
    EXPECT_FALSE(GoToAnchor(*copy, 4, false, pos));
    EXPECT_EQ(ui.ui.AllTexts(), std::vector<std::string>{"Ancora non trovata: a4"});
}

TEST_F(Pages, AutomaticTitles) {
    struct Case { std::string markup, title; } cases[] = {
        {"<Z S0 >Breve<Z S0 >seguito della pagina", "Breve seguito della pagina"},
        {"<Z S0 >Primo paragrafo lungo<Z S0 >altro", "Primo paragrafo lungo"},
        {"<Z S0 >Questo paragrafo supera di molto i trentacinque caratteri", "Questo paragrafo supera di molto i t"},
        {"<Z S0 >Tom &amp; Jerry &lt;1&gt; &#65;", "Tom + Jerry [1] A"},
        {"<Z S0 >Costo 5$ #1 100%", "Costo 5   1 100 "},
        {"<Z S0 >Uno   due", "Uno"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(AutomaticTitle(c.markup), c.title) << c.markup;
}

TEST_F(Pages, HeadersAndFootersAndMissingNul) {
    TNYXtesto* header = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
    header->SetText("<Z S0 >intestazione " + Tag(link->Reference()) + "x<%>");
    set.SetHInt(hdr::kHeaderPage, static_cast<std::int32_t>(header->Index()));
    page->SetFirstStream("<Z S0 >senza NUL");  // a text without its final NUL
    auto copy = BuildWorkingCopy(set, page);
    EXPECT_EQ(copy->FirstStreamMemory()->back(), '\0');
    ASSERT_NE(copy->HeaderCopy(), nullptr);
    EXPECT_TRUE(copy->HeaderCopy()->IsSubText());
    EXPECT_EQ(copy->HeaderCopy()->LocalObjects()[0]->inactive, 1);
    EXPECT_EQ(copy->HeaderCopy()->HeaderCopy(), nullptr);
    EXPECT_EQ(copy->FooterCopy(), nullptr);
    // The page's own choice wins over the hypertext's.
    page->SetInt(231, static_cast<std::int32_t>(target->Index()));
    EXPECT_EQ(HeaderPageOf(set, *page), target);
    page->SetInt(231, 999);
    EXPECT_EQ(HeaderPageOf(set, *page), nullptr);
    auto empty = BuildWorkingCopy(set, nullptr);
    EXPECT_EQ(empty->Text(), "<Z S0 >");
}

#include "model/PageIdle.h"
#include "platform/Dispatch.h"
#include "platform/testing/ManualTimers.h"

TEST(PageIdle, EveryChangeRestartsTheTimerWithItsMode) {
    platform::testing::ManualTimers clock;
    std::vector<int> fired;
    model::TNYXpageIdle idle([&](int mode) { fired.push_back(mode); });
    idle.Changed(0);
    clock.Advance(1500);
    idle.Changed(2);  // restarts: nothing fires at 2000
    clock.Advance(1000);
    EXPECT_TRUE(fired.empty());
    clock.Advance(1000);
    EXPECT_EQ(fired, std::vector<int>{2});
    EXPECT_FALSE(idle.Pending());
    idle.Changed(1);
    idle.Stop();
    clock.Advance(5000);
    EXPECT_EQ(fired.size(), 1u);
}

TEST(PageIdle, ThreadTimersPostToTheUiThread) {
    platform::QueueDispatch queue;
    platform::Dispatch* before = platform::SetDispatch(&queue);
    int fired = -1;
    {
        model::TNYXpageIdle idle([&](int mode) { fired = mode; });
        auto timer = platform::timers().MakeTimer();
        bool quick = false;
        timer->Start(10, [&] { quick = true; });
        for (int i = 0; i < 200 && !quick; ++i) {
            queue.WaitForWork(20);
            queue.RunPending();
        }
        EXPECT_TRUE(quick);
        idle.Changed(3);
        idle.Stop();  // a stopped timer never fires
        queue.WaitForWork(50);
        queue.RunPending();
    }
    EXPECT_EQ(fired, -1);
    platform::SetDispatch(before);
}
