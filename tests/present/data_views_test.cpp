#include <gtest/gtest.h>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/FormData.h"
#include "present/PictureData.h"
#include "present/TableData.h"

using namespace model;

namespace {

TEST(DataViews, PictureReferencesZonesAndTableBackgrounds) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    set.NewHypertext();
    TNYXoggetto* placed = set.NewObject(immagineNew);
    placed->SetInt(0, 7);                            // a slot index
    placed->SetInt(5, MakeRef(immagine, 3));         // a whole reference
    placed->SetInt(9, -1);
    placed->SetInt(73 + 16, MakeRef(speclink, 2));  // zone 1
    placed->SetWord(73 + 16 + 8, 5);
    placed->SetWord(73 + 16 + 12, 20);
    const present::TPictureData pd(*placed);
    EXPECT_EQ(pd.PictureRef(), MakeRef(immagine, 7));
    EXPECT_EQ(pd.LowResRef(), MakeRef(immagine, 3));
    EXPECT_EQ(pd.RolloverRef(), kNoRef);
    EXPECT_EQ(pd.Zone(1).left, 5);
    EXPECT_EQ(pd.Zone(1).width, 20);

    TNYXoggetto* t = set.NewObject(tabellaHtml);
    t->SetByte(93, 2);
    t->SetByte(94, 200);  // more columns than a table can have
    const present::TTableData td(*t);
    EXPECT_EQ(td.Columns(), 50);
    t->SetByte(94, 2);
    t->SetFirstStream(std::string("\x01\x02\x03\x00\xff\xff\xff\xff", 8));  // only 2 of 4 cells stored
    const auto cells = td.CellBackgrounds();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0], 0x030201);
    EXPECT_EQ(present::BackgroundKind(cells[0]), present::TBackgroundKind::kColour);
    EXPECT_EQ(present::BackgroundKind(0x3000005), present::TBackgroundKind::kPicture);
    EXPECT_EQ(present::BackgroundKind(0x2000000), present::TBackgroundKind::kNone);
    EXPECT_EQ(present::BackgroundKind(-1), present::TBackgroundKind::kNone);
}

TEST(DataViews, ZoneStoredWithReferenceZeroFollowsNoLink) {
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    set.NewHypertext();
    TNYXoggetto* placed = set.NewObject(immagineNew);
    for (int i = 0; i < present::TPictureData::kZones; ++i) placed->SetInt(73 + 16 * static_cast<std::size_t>(i), kNoRef);
    auto zone = [&](int slot, std::int32_t link, int left, int top, int size) {
        const std::size_t b = 73 + 16 * static_cast<std::size_t>(slot);
        placed->SetInt(b, link);
        placed->SetWord(b + 8, static_cast<std::uint16_t>(left));
        placed->SetWord(b + 10, static_cast<std::uint16_t>(top));
        placed->SetWord(b + 12, static_cast<std::uint16_t>(size));
        placed->SetWord(b + 14, static_cast<std::uint16_t>(size));
    };
    zone(0, 0, 0, 0, 10);                        // on top, without a link
    zone(3, MakeRef(speclink, 1), 5, 5, 20);     // below it, with one
    const present::TPictureData pd(*placed);
    EXPECT_EQ(pd.ZoneAt(7, 7), 0);               // the topmost zone takes the click...
    EXPECT_EQ(pd.Zone(0).Link(), kNoRef);        // ...and follows nothing, not page 0
    EXPECT_EQ(pd.ZoneAt(20, 20), 3);
    EXPECT_EQ(pd.Zone(3).Link(), MakeRef(speclink, 1));
    EXPECT_EQ(pd.ZoneAt(30, 30), -1);            // outside every zone: the picture's own link
    EXPECT_TRUE(pd.HasMap());
}

}  // namespace
