#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/FrameData.h"
#include "present/FrameLayout.h"
#include "present/FrameProperties.h"

using namespace present;
using platform::testing::Message;
namespace fs = std::filesystem;

namespace {

// A stored frame record made byte by byte, independently of TFrameRecord.
std::string Rec(std::int32_t id, std::int32_t parent, const std::string& name, int place, std::int32_t page = -1,
                int rule = 0, std::int32_t percent = 100, std::size_t length = 58) {
    std::string r(58, '\0');
    auto i32 = [&](std::size_t off, std::int64_t v) {
        for (int k = 0; k < 4; ++k) r[off + std::size_t(k)] = char((std::uint32_t(v) >> (8 * k)) & 0xFF);
    };
    i32(0, id);
    i32(4, parent);
    r[8] = char(name.size());
    r.replace(9, name.size(), name);
    r[28] = char(place);
    r[31] = 1;
    i32(34, page);
    i32(38, percent);
    i32(46, 0x8000000F);
    r[51] = 1;
    i32(52, 20);
    r[56] = 3;
    r[57] = char(rule);
    r.resize(length, '\x7F');
    return r;
}

std::string Frm(const std::string& records, std::int32_t length = 58, std::int32_t magic = 4660) {
    std::string out;
    model::bytes::PutI32(out, magic);
    model::bytes::PutI32(out, length);
    return out + records;
}

std::vector<std::string> Names(const TNonVisCornice& top) {
    std::vector<std::string> v;
    top.ForEach([&](const TNonVisCornice& f) { v.push_back(f.rec.Name()); });
    return v;
}

int Along(const TNonVisCornice& f) { return f.parent->ChildrenAreRows() ? f.rect.height : f.rect.width; }

// Records what the layout asks of the pages.
struct FakeHost : TFramePageHost {
    std::vector<std::string> calls;
    std::string withContent;  // the frame whose new page has text
    bool PageHasContent(const TNonVisCornice& f) const override { return f.rec.Name() == withContent; }
    std::int32_t StorePage(TNonVisCornice& f) override {
        calls.push_back("store " + f.rec.Name());
        return f.rec.PageRef();
    }
    void DropPage(TNonVisCornice& f) override { calls.push_back("drop " + f.rec.Name()); }
    void MovePage(TNonVisCornice& from, TNonVisCornice& to) override {
        calls.push_back("move " + from.rec.Name() + ">" + to.rec.Name());
    }
};

class Frames : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    TFrameLayout layout{&set};
    void SetUp() override {
        set.NewHypertext();
        for (int i = 0; i < 3; ++i) {
            auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
            p->SetName("Pagina " + std::to_string(i));
        }
        ASSERT_TRUE(layout.ShowPage(0));
        layout.Layout(800, 600);
    }
    // Top frame in two rows, the lower row in two columns.
    void DivideTwice() {
        ASSERT_EQ(layout.Divide(*layout.Top(), TFrameSide::kTop, 150), TDivideResult::kDivided);
        ASSERT_EQ(layout.Divide(*layout.Top()->children[1], TFrameSide::kLeft, 200), TDivideResult::kDivided);
    }
};

TEST_F(Frames, FrmOfFiveRecordsInPreorderRoundTrips) {
    DivideTwice();
    std::string frm;
    ASSERT_TRUE(layout.SaveLayout(frm));
    ASSERT_EQ(frm.size(), 298u);
    EXPECT_EQ(model::bytes::GetI32(frm, 0), 4660);
    EXPECT_EQ(model::bytes::GetI32(frm, 4), 58);
    // top, upper row, lower row, its left and right column; parents by identity
    const std::vector<std::string> order{"Pag0", "Frame1", "Frame2", "Frame3", "Frame4"};
    EXPECT_EQ(Names(*layout.Top()), order);
    const std::int32_t parents[] = {-1, 1, 1, 3, 3};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(model::bytes::GetI32(frm, 8 + 58 * std::size_t(i)), i + 1);
        EXPECT_EQ(model::bytes::GetI32(frm, 12 + 58 * std::size_t(i)), parents[i]);
    }
    EXPECT_EQ(frm[8 + 28], 1);            // the top frame, divided into rows, is a column
    EXPECT_EQ(frm[8 + 2 * 58 + 28], 3);   // the lower row fills the rest
    EXPECT_EQ(frm[8 + 4 * 58 + 28], 5);   // so does the right column
    EXPECT_EQ(model::bytes::GetI32(frm, 8 + 4 * 58 + 34), model::MakeRef(model::testoHtml, 0));  // the old page

    TFrameLayout again(&set);
    ASSERT_TRUE(again.ShowPage(1));
    ASSERT_TRUE(again.LoadLayout(frm, kMapMode));
    EXPECT_TRUE(again.LastReport().Clean());
    std::string back;
    ASSERT_TRUE(again.SaveLayout(back));
    EXPECT_EQ(back.substr(8 + 58), frm.substr(8 + 58));  // all but the top frame's name ("Pag1")
    // An undivided page writes an empty file; nothing shown cannot be saved.
    layout.ShowPage(2);
    ASSERT_TRUE(layout.SaveLayout(back));
    EXPECT_EQ(back, "");
    layout.Clear();
    EXPECT_FALSE(layout.SaveLayout(back));
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Errore in salvataggio frames."});
}

TEST_F(Frames, RecordLengthsOtherThan58) {
    struct Case {
        std::size_t length;
        std::uint8_t legacy;  // byte 29
        bool border;
        int borderWidth;
        std::string name;
    };
    const Case cases[] = {
        {8, 0, false, 0, "Frame2"},    // identities only: everything else default, no border
        {34, 0, false, 0, "alto"},     // name, place and flags kept
        {34, 1, true, 3, "alto"},      // a legacy border flag gives the border
        {52, 0, true, 0, "alto"},      // the border byte is there, its width is not
        {64, 0, true, 3, "alto"},      // longer records: the rest is skipped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string top = Rec(1, -1, "t", 1, -1, 0, 100, c.length);
        std::string child = Rec(2, 1, "alto", 0, model::MakeRef(model::testoHtml, 1), 1, 40, c.length);
        if (c.length > 29) child[29] = char(c.legacy);
        TFrmRead r = ReadFrm(Frm(top + child, std::int32_t(c.length)));
        ASSERT_EQ(r.status, TFrmStatus::kLoaded);
        ASSERT_EQ(r.top->children.size(), 1u);
        const TFrameRecord& f = r.top->children[0]->rec;
        EXPECT_EQ(f.Name(), c.name);
        EXPECT_EQ(f.Border(), c.border);
        EXPECT_EQ(f.BorderWidth(), c.borderWidth);
        EXPECT_EQ(f.Bytes()[29], 0);
        if (c.length < 38) {
            EXPECT_EQ(f.PageRef(), -1);
            EXPECT_EQ(f.Percent(), 100);
        }
        if (c.length < 58) {
            EXPECT_EQ(f.Pixels(), 20);
            EXPECT_EQ(f.RuleCode(), 0);
            EXPECT_EQ(f.BarColour(), TFrameRecord::kButtonFace);
        } else {
            EXPECT_EQ(f.RuleCode(), 1);
        }
    }
}

TEST_F(Frames, HostileFrmFilesFailCleanlyAndKeepTheOldLayout) {
    DivideTwice();
    std::string before;
    ASSERT_TRUE(layout.SaveLayout(before));
    const std::string two = Rec(1, -1, "t", 1) + Rec(2, 1, "a", 0);
    const std::pair<const char*, std::string> cases[] = {
        {"short header", std::string("\x34\x12\x00\x00\x3A", 5)},
        {"header only", Frm("")},
        {"wrong magic", Frm(two, 58, 4661)},
        {"length 0", Frm(two, 0)},
        {"length 7", Frm(two, 7)},
        {"negative length", Frm(two, -58)},
        {"length past 4096", Frm(two, 4097)},
        {"record cut short", Frm(two.substr(0, 58 + 57))},
        {"bytes after the records", Frm(two + "x")},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ui.ui.ClearMessages();
        EXPECT_FALSE(layout.LoadLayout(bytes, kMapMode));
        EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Formato file errato!"});
        std::string now;
        ASSERT_TRUE(layout.SaveLayout(now));
        EXPECT_EQ(now, before);
    }
    // An empty stream changes nothing and is no error.
    ui.ui.ClearMessages();
    EXPECT_TRUE(layout.LoadLayout("", kMapMode));
    EXPECT_TRUE(ui.ui.messages.empty());
}

TEST_F(Frames, OrphansDuplicatesCyclesAndDeepChainsAreReportedAndBounded) {
    // 1 top; 2 child of 1; 9 names an unknown parent (orphan); 2 again under
    // 2 (names itself); 5 whose identity is its ancestor's (a cycle); 3
    // reusing an identity (duplicate) under the top.
    const std::string recs = Rec(1, -1, "t", 1) + Rec(2, 1, "a", 0) + Rec(9, 77, "o", 0) + Rec(2, 2, "s", 0) +
                             Rec(1, 2, "c", 0) + Rec(4, 1, "b", 0) + Rec(4, 1, "d", 3);
    TFrameReadReport rep;
    auto top = ReadFrameRecords(recs, 58, &rep);
    ASSERT_TRUE(top);
    EXPECT_EQ(rep.orphans, 1u);
    EXPECT_EQ(rep.cycles, 2u);
    EXPECT_EQ(rep.duplicates, 1u);
    EXPECT_EQ(Names(*top), (std::vector<std::string>{"t", "a", "s", "c", "b", "d"}));
    EXPECT_EQ(rep.Lines().size(), 3u);
    // Written again, every frame has its own identity.
    auto clean = ReadFrameRecords(WriteFrameRecords(*top), 58, &(rep = {}));
    EXPECT_TRUE(rep.Clean());
    EXPECT_EQ(Names(*clean), Names(*top));

    // A chain of 200 frames each inside the one before stops at the depth limit.
    std::string chain;
    for (int i = 0; i < 200; ++i) chain += Rec(i + 1, i == 0 ? -1 : i, "f", 1);
    top = ReadFrameRecords(chain, 58, &(rep = {}));
    int depth = 0;
    top->ForEach([&](const TNonVisCornice& f) { depth = std::max(depth, f.Depth()); });
    EXPECT_EQ(depth, kMaxFrameDepth - 1);
    EXPECT_EQ(rep.dropped + rep.orphans + kMaxFrameDepth, 200u);
    // More records than a layout may hold.
    std::string many = Rec(1, -1, "t", 1);
    for (std::size_t i = 0; i < kMaxFrames + 10; ++i) many += Rec(2, 1, "x", 0);
    top = ReadFrameRecords(many, 58, &(rep = {}));
    EXPECT_EQ(top->CountFrames(), kMaxFrames);
    EXPECT_EQ(rep.dropped, 11u);
}

TEST_F(Frames, SizingRules) {
    TNonVisCornice c;
    c.rec.SetPlaceCode(TFrameRecord::kColumn);  // children are rows
    auto add = [&](int rule, int percent, int pixels) {
        auto f = std::make_unique<TNonVisCornice>();
        f->rec.SetRuleCode(std::uint8_t(rule));
        f->rec.SetPercent(percent);
        f->rec.SetPixels(pixels);
        return c.Add(std::move(f));
    };
    TNonVisCornice* a = add(0, 30, 0);
    TNonVisCornice* b = add(0, 70, 0);
    LayoutFrames(c, {0, 0, 500, 403}, false);
    EXPECT_EQ(a->rect, (TFrameRect{0, 0, 500, 120}));
    EXPECT_EQ(b->rect, (TFrameRect{0, 123, 500, 280}));
    EXPECT_EQ(a->rec.Pixels(), 120);
    EXPECT_EQ(BarRect(c, 0, false), (TFrameRect{0, 120, 500, 3}));

    // Fixed sizes store their percent; a free child takes what is left.
    a->rec.SetRuleCode(TFrameRecord::kFixed);
    a->rec.SetPixels(100);
    b->rec.SetRuleCode(TFrameRecord::kFixed);
    b->rec.SetPixels(50);
    TNonVisCornice* last = add(1, 0, 60);
    LayoutFrames(c, {0, 0, 500, 406}, false);  // 400 to share
    EXPECT_EQ(a->rec.Percent(), 25);
    EXPECT_EQ(Along(*last), 400 - 150);  // without a free child the last fills
    a->rec.SetRuleCode(TFrameRecord::kFree);
    LayoutFrames(c, {0, 0, 500, 406}, false);
    EXPECT_EQ(Along(*a), 400 - 50 - 60);
    EXPECT_EQ(a->rec.Percent(), 72);
    EXPECT_EQ(Along(*last), 60);

    // Containers too small for their bars, and hostile percents and pixels.
    a->rec.SetRuleCode(TFrameRecord::kPercent);
    a->rec.SetPercent(-5);
    b->rec.SetPixels(-9);
    last->rec.SetPercent(1000);
    for (int h : {0, 1, 5, -20}) {
        LayoutFrames(c, {0, 0, 10, h}, true);
        c.ForEach([&](const TNonVisCornice& f) {
            EXPECT_GE(f.rect.height, 0);
            EXPECT_LE(f.rect.top + f.rect.height, std::max(h, 0));
        });
    }
}

TEST_F(Frames, AllFixedContainerGetsAFreeFirstChildWhenItsLastIsSet) {
    DivideTwice();
    TNonVisCornice& low = *layout.Top()->children[1];
    layout.SetFrameSize(*low.children[0], TFrameRecord::kFixed, 20000);
    EXPECT_EQ(low.children[0]->rec.Pixels(), 10000);
    EXPECT_EQ(low.children[0]->rec.RuleCode(), TFrameRecord::kFixed);
    layout.SetFrameSize(*low.children[1], TFrameRecord::kFixed, 300);
    EXPECT_EQ(low.children[0]->rec.RuleCode(), TFrameRecord::kFree);
    EXPECT_EQ(Along(*low.children[1]), 300);
    EXPECT_EQ(Along(*low.children[0]), 800 - 3 - 300);
    // The top frame is always the whole frame set.
    layout.SetFrameSize(*layout.Top(), TFrameRecord::kFixed, 5);
    EXPECT_EQ(layout.Top()->rec.RuleCode(), TFrameRecord::kPercent);
}

TEST_F(Frames, BarDragsKeepTheLastFrameVisibleAndDeleteFramesDraggedAway) {
    // Three rows in 600 - 6.
    ASSERT_EQ(layout.Divide(*layout.Top(), TFrameSide::kTop, 200), TDivideResult::kDivided);
    ASSERT_EQ(layout.Divide(*layout.Top(), TFrameSide::kTop, 100), TDivideResult::kDivided);
    TNonVisCornice& top = *layout.Top();
    ASSERT_EQ(top.children.size(), 3u);
    // Dragging the second bar nearly to the bottom: the last row would be
    // 4 pixels high, so the second row gives up 30.
    const int first = Along(*top.children[0]);
    EXPECT_EQ(layout.DragBar(top, 1, 594 - first - 4), TDragResult::kResized);
    EXPECT_GE(Along(*top.children[2]), 20);
    int sum = 0;
    for (auto& ch : top.children) sum += ch->rec.Percent();
    EXPECT_LE(sum, 100);
    EXPECT_GE(sum, 97);
    // Dragged below the bar's width, the first row goes.
    EXPECT_EQ(layout.DragBar(top, 0, 2), TDragResult::kDeleted);
    EXPECT_EQ(top.children.size(), 2u);
    EXPECT_EQ(top.children[1]->rec.PlaceCode(), TFrameRecord::kLastRow);
    // Refused: the row's sibling has children; the row comes back at 60.
    ASSERT_EQ(layout.Divide(*top.children[1], TFrameSide::kLeft, 300), TDivideResult::kDivided);
    EXPECT_EQ(layout.DragBar(top, 0, 1), TDragResult::kRefused);
    EXPECT_EQ(ui.ui.Texts(Message::Warning),
              std::vector<std::string>{"Impossibile cancellare, modificare prima le altre cornici sulla pagina."});
    EXPECT_EQ(Along(*top.children[0]), 60);
}

TEST_F(Frames, DividingAndDeletingFrames) {
    FakeHost host;
    layout.host = &host;
    TNonVisCornice& top = *layout.Top();
    EXPECT_TRUE(layout.HasCreateBar(top, TFrameSide::kTop) && layout.HasCreateBar(top, TFrameSide::kLeft));
    EXPECT_EQ(layout.Divide(top, TFrameSide::kTop, 40), TDivideResult::kTooShort);  // not more than 4 bar widths
    DivideTwice();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"move Pag0>Frame2", "move Frame2>Frame4"}));
    TNonVisCornice& upper = *top.children[0];
    TNonVisCornice& low = *top.children[1];
    EXPECT_TRUE(layout.HasCreateBar(upper, TFrameSide::kLeft));
    EXPECT_FALSE(layout.HasCreateBar(upper, TFrameSide::kTop));
    EXPECT_TRUE(layout.HasCreateBar(*low.children[0], TFrameSide::kTop));
    // The top frame is divided into rows: not into columns.
    EXPECT_EQ(layout.Divide(top, TFrameSide::kLeft, 100), TDivideResult::kWrongDirection);
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"?"});
    // A container in its own direction gets a new first frame; the others shrink.
    EXPECT_EQ(layout.Divide(low, TFrameSide::kLeft, 100), TDivideResult::kDivided);
    ASSERT_EQ(low.children.size(), 3u);
    EXPECT_EQ(low.children[0]->rec.PageRef(), -1);
    EXPECT_EQ(low.children[2]->rec.PageRef(), model::MakeRef(model::testoHtml, 0));
    EXPECT_EQ(Names(low), (std::vector<std::string>{"Frame2", "Frame5", "Frame3", "Frame4"}));

    host.calls.clear();
    EXPECT_EQ(layout.DeleteFrame(low), TDeleteResult::kHasChildren);
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{"E' necessario cancellare prima le cornici figlie!"});
    EXPECT_EQ(layout.DeleteFrame(upper), TDeleteResult::kSiblingHasChildren);
    EXPECT_EQ(layout.DeleteFrame(top), TDeleteResult::kTopFrame);
    // A new page with content: the question decides (No drops it); a page of
    // the hypertext is stored without asking.
    host.withContent = "Frame5";
    layout.current = low.children[0].get();
    ui.ui.answers = {platform::Answer::No};
    EXPECT_EQ(layout.DeleteFrame(*low.children[0]), TDeleteResult::kDeleted);
    EXPECT_EQ(layout.current, nullptr);
    ASSERT_EQ(ui.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_EQ(ui.ui.Texts(Message::YesNo)[0].rfind("Salvo in lista pagine la cornice cancellata?\nSe salvo", 0), 0u);
    // Of two siblings, the one that stays hands its page to the parent.
    layout.current = low.children[1].get();
    EXPECT_EQ(layout.DeleteFrame(*low.children[0]), TDeleteResult::kDeleted);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"drop Frame5", "store Frame3", "move Frame4>Frame2"}));
    EXPECT_TRUE(low.IsLeaf());
    EXPECT_EQ(layout.current, &low);
    EXPECT_EQ(low.rec.PageRef(), model::MakeRef(model::testoHtml, 0));
    EXPECT_EQ(ui.ui.Texts(Message::YesNo).size(), 1u);
    layout.readOnly = true;
    EXPECT_FALSE(layout.HasCreateBar(top, TFrameSide::kTop));
    EXPECT_EQ(layout.DeleteFrame(upper), TDeleteResult::kReadOnly);
}

TEST_F(Frames, DivisionsStopWhereTheReadersOfLayoutsWould) {
    layout.Layout(100000, 100000);
    TNonVisCornice* f = layout.Top();
    bool rows = true;
    while (layout.Divide(*f, rows ? TFrameSide::kTop : TFrameSide::kLeft, 60) == TDivideResult::kDivided) {
        f = f->children.back().get();
        rows = !rows;
    }
    EXPECT_EQ(f->Depth(), kMaxFrameDepth - 1);
    std::string frm;
    ASSERT_TRUE(layout.SaveLayout(frm));
    TFrmRead r = ReadFrm(frm);
    ASSERT_EQ(r.status, TFrmStatus::kLoaded);
    EXPECT_TRUE(r.report.Clean());
    EXPECT_EQ(r.top->CountFrames(), layout.Top()->CountFrames());
}

TEST_F(Frames, FrameSetTextWithRowsColumnsAndEscapedNames) {
    DivideTwice();
    TNonVisCornice& top = *layout.Top();
    top.children[0]->rec.SetName("a\"<b>&");
    top.children[0]->rec.SetScrolling(false);
    top.children[0]->rec.SetBorder(false);
    top.children[1]->children[0]->rec.SetResizable(true);
    layout.SetFrameSize(*top.children[1]->children[0], TFrameRecord::kFixed, 150);
    const std::string html = FrameSetText(top);
    EXPECT_EQ(html,
              "<FRAMESET ROWS=\"25%,75%\" BORDER=3 FRAMESPACING=3 >\r\n"
              "<FRAME NAME=\"a&quot;&lt;b&gt;&amp;\" SRC=\"$FFFFFFFF\" SCROLLING=no FRAMEBORDER=no NORESIZE>\r\n"
              "<FRAMESET COLS=\"150,75%\" BORDER=3 FRAMESPACING=3 >\r\n"
              "<FRAME NAME=\"Frame3\" SRC=\"$FFFFFFFF\" SCROLLING=auto >\r\n"
              "<FRAME NAME=\"Frame4\" SRC=\"$00000000\" SCROLLING=auto NORESIZE>\r\n"
              "</FRAMESET>\r\n</FRAMESET>\r\n");
    TFrameSetHtml how;
    how.source = [](std::int32_t ref) { return ref == -1 ? std::string("nuova.html") : "p" + std::to_string(ref) + ".html"; };
    how.escapeName = [](std::string_view n) { return "[" + std::string(n) + "]"; };
    EXPECT_NE(FrameSetText(top, how).find("<FRAME NAME=\"[Frame4]\" SRC=\"p0.html\""), std::string::npos);
    EXPECT_EQ(FrameSetText(TNonVisCornice{}), "");
}

TEST_F(Frames, TheMapOfAPageSurvivesSavingTheHypertext) {
    platform::testing::TempDir dir;
    DivideTwice();
    std::string frm;
    ASSERT_TRUE(layout.SaveLayout(frm));
    ASSERT_TRUE(layout.StoreMap());
    model::TNYXoggetto* page = set.ObjectAt(model::testoHtml, 0);
    const std::int32_t slot = page->Int(kPageMapField);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(set.ObjectAt(model::mappaFrame, slot)->Int(kMapRecordLengthField), 58);
    ASSERT_TRUE(set.SaveToFile(dir / "m.nyx"));
    model::TNYXset loaded;
    ASSERT_TRUE(loaded.LoadFromFile(dir / "m.nyx"));
    TFrameLayout shown(&loaded);
    ASSERT_TRUE(shown.ShowPage(0));
    shown.Layout(800, 600);
    std::string back;
    ASSERT_TRUE(shown.SaveLayout(back));
    EXPECT_EQ(back, frm);
    EXPECT_EQ(ReadFrameTree(*loaded.ObjectAt(model::mappaFrame, slot)).nodes.size(), 5u);
    // Stored again, the map keeps its slot; undivided, the page has none.
    ASSERT_TRUE(shown.StoreMap());
    EXPECT_EQ(loaded.ObjectAt(model::testoHtml, 0)->Int(kPageMapField), slot);
    shown.SetTop(std::make_unique<TNonVisCornice>());
    ASSERT_TRUE(shown.StoreMap());
    EXPECT_EQ(loaded.ObjectAt(model::testoHtml, 0)->Int(kPageMapField), -1);
    EXPECT_TRUE(loaded.ObjectAt(model::mappaFrame, slot)->IsEmpty());
    // A map without records shows the page alone.
    model::TNYXoggetto* empty = set.NewObject(model::mappaFrame);
    set.ObjectAt(model::testoHtml, 1)->SetInt(kPageMapField, std::int32_t(empty->Index()));
    ASSERT_TRUE(layout.ShowPage(1));
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{"Map problem."});
    EXPECT_TRUE(layout.Top()->IsLeaf());
    EXPECT_EQ(layout.Top()->rec.PageRef(), model::MakeRef(model::testoHtml, 1));
}

TEST_F(Frames, PropertiesChoices) {
    platform::testing::TempDir dir;
    const std::int32_t p0 = model::MakeRef(model::testoHtml, 0), p2 = model::MakeRef(model::testoHtml, 2);
    DivideTwice();
    layout.Top()->children[0]->rec.SetPageRef(p2);
    ASSERT_TRUE(layout.StoreMap());

    TFramePropertiesChoices ch(set, 1);
    EXPECT_TRUE(ch.Layout().Top()->IsLeaf());
    // Copying page 0's layout: its own page becomes this one; the others
    // become new pages unless they are copied too.
    ASSERT_TRUE(ch.CopyFromPage(0, false));
    std::vector<std::int32_t> refs;
    ch.Layout().Top()->ForEach([&](const TNonVisCornice& f) {
        if (f.IsLeaf()) refs.push_back(f.rec.PageRef());
    });
    EXPECT_EQ(refs, (std::vector<std::int32_t>{-1, -1, ch.MasterRef()}));
    ASSERT_TRUE(ch.CopyFromPage(0, true));
    EXPECT_EQ(ch.Layout().Top()->children[0]->rec.PageRef(), p2);
    EXPECT_EQ(ch.Layout().Top()->rec.Name(), "Pag1");

    // The fields of a frame, within their bounds.
    ch.Select(ch.Layout().Top()->children[0].get());
    TFrameFields f = ch.Fields();
    EXPECT_TRUE(f.canResize);
    EXPECT_EQ(f.page, TFramePageChoice::kExisting);
    f.rule = 0;
    f.size = 150;
    f.between = 7;
    f.name = "";
    f.page = TFramePageChoice::kMaster;
    ASSERT_TRUE(ch.SetFields(f));
    f = ch.Fields();
    EXPECT_EQ(f.size, 100);
    EXPECT_EQ(f.between, 7);
    EXPECT_EQ(f.name, "Frame1");
    EXPECT_EQ(f.page, TFramePageChoice::kMaster);
    f.page = TFramePageChoice::kExisting;
    f.pageRef = model::MakeRef(model::testoHtml, 9);  // no such page
    EXPECT_FALSE(ch.SetFields(f));

    // Saved to a file and loaded as a model: every frame gets a new page.
    ASSERT_TRUE(ch.SaveTo(dir / "x.frm"));
    ch.NoFrames();
    EXPECT_TRUE(ch.Layout().Top()->IsLeaf());
    ASSERT_TRUE(ch.LoadModel(dir / "x.frm"));
    ch.Layout().Top()->ForEach([&](const TNonVisCornice& g) {
        if (g.IsLeaf()) {
            EXPECT_EQ(g.rec.PageRef(), -1);
        }
    });
    EXPECT_EQ(ch.Layout().Top()->rec.BorderWidth(), 7);
    ASSERT_TRUE(ch.Apply());
    EXPECT_EQ(TFrameLayout(&set).ShowPage(1), true);
    EXPECT_GE(set.ObjectAt(model::testoHtml, 1)->Int(kPageMapField), 0);
    // Undo goes back to the page's own layout (now the applied one).
    ch.NoFrames();
    ch.Undo();
    EXPECT_EQ(ch.Layout().Top()->CountFrames(), 5u);
    EXPECT_FALSE(ch.LoadModel(dir / "missing.frm"));
    (void)p0;
}

TEST_F(Frames, ShippedModelsLoadAndTheUsersHideThemByName) {
    platform::testing::TempDir dir;
    const fs::path data = fs::path(QUOR_SOURCE_DIR) / "data";
    fs::create_directories(dir / "mine");
    const auto shipped = ListFrameModels(data, dir / "none");
    ASSERT_GE(shipped.size(), 3u);
    for (const TFrameModel& m : shipped) {
        SCOPED_TRACE(m.name);
        std::string bytes;
        ASSERT_TRUE(ReadFrmFile(m.file, bytes));
        TFrmRead r = ReadFrm(bytes);
        ASSERT_EQ(r.status, TFrmStatus::kLoaded);
        EXPECT_TRUE(r.report.Clean());
        EXPECT_FALSE(r.top->IsLeaf());
        EXPECT_EQ(WriteFrm(*r.top), bytes);
    }
    ASSERT_TRUE(WriteFrmFile(dir / "mine" / (shipped[0].name + ".frm"), ""));
    ASSERT_TRUE(WriteFrmFile(dir / "mine" / "Mio.FRM", ""));
    const auto both = ListFrameModels(data, dir / "mine");
    EXPECT_EQ(both.size(), shipped.size() + 1);
    EXPECT_EQ(both[0].file, dir / "mine" / (shipped[0].name + ".frm"));
}

int Nyx(const std::string& args, std::string* out = nullptr) {
    const char* env = std::getenv("QUOR_BINARY_DIR");
    const std::string bin = env ? env : fs::read_symlink("/proc/self/exe").parent_path().string();
    FILE* f = popen((bin + "/nyx " + args + " 2>&1").c_str(), "r");
    if (!f) return -1;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        if (out) out->append(buf, n);
    const int st = pclose(f);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

TEST_F(Frames, NyxPrintsSavesAndLoadsAPageLayout) {
    platform::testing::TempDir dir;
    const std::string file = (dir / "h.nyx").string(), frm = (dir / "l.frm").string();
    ASSERT_TRUE(set.SaveToFile(file));
    std::string out;
    EXPECT_EQ(Nyx("frames " + file + " 0 --divide Pag0 righe 150", &out), 0) << out;
    EXPECT_EQ(Nyx("frames " + file + " 0 --divide Frame2 colonne 200", &out), 0) << out;
    EXPECT_EQ(Nyx("frames " + file + " 0 --save " + frm), 0);
    EXPECT_EQ(fs::file_size(frm), 298u);
    EXPECT_EQ(Nyx("frames " + file + " 1 --load " + frm), 0);
    EXPECT_TRUE(fs::exists(dir / "h.bak"));
    out.clear();
    EXPECT_EQ(Nyx("frames " + file + " 1", &out), 0);
    EXPECT_NE(out.find("Pag1: righe, bordo 3, 0,0 800x600\n  Frame1: riga 25%, pagina nuova"), std::string::npos) << out;
    EXPECT_NE(out.find("    Frame4: ultima colonna 75%, pagina 0 \"Pagina 0\""), std::string::npos) << out;
    {
        std::ofstream bad(frm, std::ios::binary | std::ios::trunc);
        bad << "nonsense";
    }
    out.clear();
    EXPECT_EQ(Nyx("frames " + file + " 1 --load " + frm, &out), 1);
    EXPECT_NE(out.find("Formato file errato!"), std::string::npos) << out;
    EXPECT_EQ(Nyx("frames " + file + " 7"), 1);
    EXPECT_EQ(Nyx("frames " + file), 2);
}

}  // namespace
