// The selection frame's arithmetic (handles, resizing, the drag threshold)
// and the object snapshot that makes property and size changes undoable.
#include <gtest/gtest.h>

#include <string>

#include "model/NYXoggetto.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/DragHandles.h"
#include "richtext/Layout.h"
#include "richtext/ObjectUndo.h"
#include "richtext/SamplePage.h"
#include "richtext/Undo.h"

using namespace richtext;

namespace {

TEST(DragHandles, HandlesStandAroundTheFrameAndAreFoundUnderThePointer) {
    const TFrameRect f{100, 50, 40, 20};
    struct Case {
        int handle;
        TFrameRect at;
    };
    const Case cases[] = {
        {1, {92, 42, 8, 8}},  {2, {140, 42, 8, 8}}, {3, {92, 70, 8, 8}},  {4, {140, 70, 8, 8}},
        {5, {116, 42, 8, 8}}, {6, {116, 70, 8, 8}}, {7, {92, 56, 8, 8}},  {8, {140, 56, 8, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handle);
        EXPECT_EQ(HandleRect(f, c.handle), c.at);
        EXPECT_EQ(HandleAt(f, c.at.left + 3, c.at.top + 3), c.handle);
    }
    EXPECT_EQ(HandleAt(f, 120, 60), 0);  // inside the object: no handle
    EXPECT_EQ(HandleAt(f, 160, 60), 0);
}

TEST(DragHandles, EachHandleMovesItsEdgesAndShiftKeepsCornerChangesEqual) {
    const TFrameRect s{10, 10, 100, 50};
    struct Case {
        int handle;
        int dx, dy;
        bool shift;
        TFrameRect want;
    };
    const Case cases[] = {
        {4, 20, 10, true, {10, 10, 110, 60}},  // both grow by the smaller delta
        {4, 20, 10, false, {10, 10, 120, 60}},
        {1, 5, 8, false, {15, 18, 95, 42}},
        {1, 5, 8, true, {15, 15, 95, 45}},
        {2, 6, -4, false, {10, 6, 106, 54}},
        {3, -6, 4, false, {4, 10, 106, 54}},
        {5, 30, -5, true, {10, 5, 100, 55}},  // Shift only binds corners
        {6, 30, 7, false, {10, 10, 100, 57}},
        {7, 9, 30, false, {19, 10, 91, 50}},
        {8, -9, 30, false, {10, 10, 91, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.handle) + (c.shift ? " shift" : ""));
        EXPECT_EQ(ResizedFrame(s, c.handle, c.dx, c.dy, c.shift), c.want);
    }
}

// A handle dragged past the opposite edge used to give a negative size.
TEST(DragHandles, HandleDraggedPastTheOppositeEdgeLeavesOnePixel) {
    const TFrameRect s{10, 10, 100, 50};
    EXPECT_EQ(ResizedFrame(s, 4, -300, -300, false), (TFrameRect{10, 10, 1, 1}));
    EXPECT_EQ(ResizedFrame(s, 1, 300, 300, false), (TFrameRect{109, 59, 1, 1}));
}

TEST(DragHandles, ADragOfAnObjectStartsPastFivePixelsOnOneAxisAndTwoOnTheOther) {
    struct Case {
        int dx, dy;
        bool starts;
    };
    const Case cases[] = {{10, 1, false}, {5, 2, true}, {-5, -2, true}, {4, 4, false},
                          {2, 5, true},   {30, 0, false}, {1, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        EXPECT_EQ(ObjectDragStarts(c.dx, c.dy), c.starts);
    }
}

class ObjectSnapshot : public ::testing::Test {
protected:
    ObjectSnapshot() {
        page.box.undo = &undo;
        page.box.layoutWidth = 400;
        page.Read(std::string("<Z S0 >a<$FF000004>b") + '\0');
        Button().Record()->SetInt(177, -1);  // a push button, as wide as its caption
        LayoutBox(page.box);
    }
    TNYXembedded& Button() { return *page.registry.Find(4); }
    std::string Caption() { return Button().Record()->Str(97, 79); }
    platform::testing::ScriptedUiScope ui;
    TSamplePage page;
    TNYXundoList undo{&page.set};
};

TEST_F(ObjectSnapshot, UndoAndRedoBringTheRecordBackAndForth) {
    const std::string before = Caption();
    ASSERT_NE(SnapshotObject(page.box, Button(), "Modifica bottone"), nullptr);
    Button().Record()->SetStr(97, 79, "Nuova etichetta");
    ASSERT_EQ(undo.Labels().front(), "Modifica bottone");
    undo.UndoOnce();
    EXPECT_EQ(Caption(), before);
    ASSERT_TRUE(undo.CanRedo());
    undo.RedoOnce();
    EXPECT_EQ(Caption(), "Nuova etichetta");
    undo.UndoOnce();
    EXPECT_EQ(Caption(), before);
}

TEST_F(ObjectSnapshot, ASnapshotThatCoversNoChangeIsDropped) {
    SnapshotObject(page.box, Button(), "Modifica bottone");
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(ObjectSnapshot, RestoreLaysTheObjectsParagraphOutAgain) {
    model::TNYXoggetto& o = *Button().Record();
    const std::int32_t width = Button().width;
    SnapshotObject(page.box, Button(), "Modifica bottone");
    o.SetStr(97, 79, std::string(30, 'x'));
    LayoutBox(page.box);
    ASSERT_NE(Button().width, width);
    undo.UndoOnce();
    EXPECT_EQ(Button().width, width);
}

}  // namespace
