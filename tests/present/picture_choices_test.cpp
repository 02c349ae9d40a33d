// The properties of a placed picture as the dialog chooses them: read from
// the record, checked, written back within the fields' limits, the zones
// following a change of size; the hint shown over a picture.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PictureChoices.h"
#include "present/PictureData.h"
#include "present/Zones.h"

using namespace present;

namespace {

class PictureChoices : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        std::unique_ptr<model::TNYXoggetto> made(set.NewPlacedPicture(nullptr));
        placed = set.NewObject(model::immagineNew);
        std::memcpy(placed->Data(), made->Data(), model::kDataSize);
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    model::TNYXoggetto* placed = nullptr;
};

TEST_F(PictureChoices, ChoicesRoundTripThroughTheRecord) {
    TPictureChoices c = ChoicesFromRecord(*placed);
    EXPECT_EQ(c.width, 100);
    EXPECT_EQ(c.alignment, kAlignCentre);
    EXPECT_EQ(c.lowRes, -1);
    c.width = 64;
    c.height = 32;
    c.alignment = kAlignHigh;
    c.border = true;
    c.altText = "Mappa d'Italia";
    c.lowRes = 3;
    c.rollover = 4;
    ASSERT_EQ(CheckPictureChoices(c), "");
    ApplyPictureChoices(*placed, c);
    const TPictureData d(*placed);
    EXPECT_EQ(d.Width(), 64);
    EXPECT_EQ(d.Height(), 32);
    EXPECT_EQ(d.Alignment(), kAlignHigh);
    EXPECT_TRUE(d.Border());
    EXPECT_EQ(d.AltText(), "Mappa d'Italia");
    EXPECT_EQ(d.LowResRef(), model::MakeRef(model::immagine, 3));
    EXPECT_EQ(d.RolloverRef(), model::MakeRef(model::immagine, 4));
    const TPictureChoices back = ChoicesFromRecord(*placed);
    EXPECT_EQ(back.width, 64);
    EXPECT_EQ(back.altText, c.altText);
    EXPECT_EQ(back.rollover, 4);
    c.lowRes = -1;
    ApplyPictureChoices(*placed, c);
    EXPECT_EQ(placed->Int(5), model::kNoRef);
}

TEST_F(PictureChoices, RefusedChoicesAndClampedFields) {
    struct Case { int w, h; bool percent; bool ok; };
    const Case cases[] = {{1, 1, false, true},       {32767, 5, false, true}, {0, 5, false, false},
                          {40000, 5, false, false},  {1000, 50, true, true},  {1001, 50, true, false}};
    for (const Case& k : cases) {
        TPictureChoices c;
        c.width = k.w;
        c.height = k.h;
        c.percent = k.percent;
        EXPECT_EQ(CheckPictureChoices(c).empty(), k.ok) << k.w << "x" << k.h;
    }
    TPictureChoices c;
    c.altText = std::string(40, 'a');
    EXPECT_FALSE(CheckPictureChoices(c).empty());
    // Written anyway by a caller that did not check: cut to the fields.
    const std::uint8_t after = placed->Byte(28 + 33);
    c.width = 70000;
    c.height = -3;
    c.alignment = 9;
    ApplyPictureChoices(*placed, c);
    EXPECT_EQ(placed->Word(19), 32767);
    EXPECT_EQ(placed->Word(21), 1);
    EXPECT_EQ(placed->Byte(13), kAlignCentre);
    EXPECT_EQ(placed->Str(28, 32), std::string(32, 'a'));
    EXPECT_EQ(placed->Byte(28 + 33), after);  // nothing past the alternative text
}

TEST_F(PictureChoices, NewSizeScalesTheZonesAndPercentagesAreOfTheNaturalSize) {
    TZoneList z;
    z.AddAt(10, 20, 100, 100);
    z.Store(*placed);
    TPictureChoices c = ChoicesFromRecord(*placed);
    c.width = 200;
    c.height = 50;
    ApplyPictureChoices(*placed, c);
    TZoneList after;
    after.Load(*placed);
    EXPECT_EQ(after[0].left, 20);
    EXPECT_EQ(after[0].top, 10);
    EXPECT_EQ(after[0].width, 60);
    EXPECT_EQ(after[0].height, 15);
    c.percent = true;
    c.width = 50;
    c.height = 200;
    ApplyPictureChoices(*placed, c);  // natural 100 x 100
    EXPECT_EQ(ShownSize(*placed), (TPictureSize{50, 200}));
}

TEST_F(PictureChoices, HintJoinsTheLinkDescriptionAndThePictureText) {
    EXPECT_EQ(PictureHint("", "Foto"), "Foto");
    EXPECT_EQ(PictureHint("Capitolo 2|Collegamento a: Capitolo 2", ""), "Capitolo 2|Collegamento a: Capitolo 2");
    EXPECT_EQ(PictureHint("Capitolo 2|Collegamento a: Capitolo 2", "Foto"),
              "Capitolo 2 - Foto|Collegamento a: Capitolo 2 - Foto");
    EXPECT_EQ(PictureHint("Senza barra", "Foto"), "Senza barra - Foto");
}

}  // namespace
