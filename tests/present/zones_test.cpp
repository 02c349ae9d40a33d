// The click zones of a placed picture: the slots they are stored in, their
// stacking order, scaling with the picture, the clipboard form and the
// limits of the record.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "model/Bytes.h"
#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/PictureChoices.h"
#include "present/ObjectEditing.h"
#include "present/PictureData.h"
#include "present/Zones.h"

using namespace present;
using model::TNYXoggetto;

namespace {

constexpr std::int32_t kLinkA = 0x6F000001, kLinkB = 0x6F000002, kLinkC = 0x6F000003;

class Zones : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        placed = set.NewObject(model::immagineNew);
        for (int i = 0; i < kMaxZones; ++i) Slot(i, model::kNoRef, 0, 0, 0, 0);
    }
    void Slot(int slot, std::int32_t link, int l, int t, int w, int h) {
        const std::size_t b = 73 + 16 * static_cast<std::size_t>(slot);
        placed->SetInt(b, link);
        placed->SetInt(b + 4, 0);
        placed->SetWord(b + 8, static_cast<std::uint16_t>(l));
        placed->SetWord(b + 10, static_cast<std::uint16_t>(t));
        placed->SetWord(b + 12, static_cast<std::uint16_t>(w));
        placed->SetWord(b + 14, static_cast<std::uint16_t>(h));
    }
    std::string Zones480() const { return std::string(reinterpret_cast<const char*>(placed->Data() + 73), 480); }
    TZoneData Stored(int slot) const { return TPictureData(*placed).Zone(slot); }

    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    TNYXoggetto* placed = nullptr;
};

// A picture file of w x h made here, added to the hypertext.
TNYXoggetto* AddGif(model::TNYXset& set, const platform::testing::TempDir& dir, int w, int h) {
    model::codecs::Image img;
    img.width = w;
    img.height = h;
    img.rgba.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF2080C0u);
    std::string bytes;
    EXPECT_TRUE(model::codecs::EncodeGif(img, bytes));
    const auto file = dir.path() / ("p" + std::to_string(w) + "x" + std::to_string(h) + ".gif");
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return set.AddPicture(file);
}

TEST_F(Zones, EditingCasesStoreTheSlotsTheStackingOrderGives) {
    struct Case {
        const char* name;
        std::function<void(TZoneList&)> edit;
        // slot -> (link, left) expected after storing; slots not named are free
        std::vector<std::pair<std::int32_t, int>> slots;
    };
    // Stored before each case: slot 0 = A at 0 (top), slot 1 = B at 10, slot 2 = C at 20 (bottom).
    const Case cases[] = {
        {"unchanged", [](TZoneList&) {}, {{kLinkA, 0}, {kLinkB, 10}, {kLinkC, 20}}},
        {"bottom to front", [](TZoneList& z) { EXPECT_EQ(z.BringToFront(0), 2u); },
         {{kLinkC, 20}, {kLinkA, 0}, {kLinkB, 10}}},
        {"top to back", [](TZoneList& z) { EXPECT_EQ(z.SendToBack(2), 0u); },
         {{kLinkB, 10}, {kLinkC, 20}, {kLinkA, 0}}},
        {"top deleted", [](TZoneList& z) { z.Delete(2); }, {{kLinkB, 10}, {kLinkC, 20}}},
        {"added on top", [](TZoneList& z) { EXPECT_EQ(z.AddAt(40, 40, 200, 100), 3); },
         {{0, 40}, {kLinkA, 0}, {kLinkB, 10}, {kLinkC, 20}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < kMaxZones; ++i) Slot(i, model::kNoRef, 0, 0, 0, 0);
        Slot(0, kLinkA, 0, 0, 30, 30);
        Slot(1, kLinkB, 10, 0, 30, 30);
        Slot(2, kLinkC, 20, 0, 30, 30);
        TZoneList z;
        z.Load(*placed);
        ASSERT_EQ(z.Size(), 3u);
        c.edit(z);
        z.Store(*placed);
        for (int s = 0; s < kMaxZones; ++s) {
            const TZoneData d = Stored(s);
            if (static_cast<std::size_t>(s) < c.slots.size()) {
                EXPECT_EQ(d.link, c.slots[static_cast<std::size_t>(s)].first) << "slot " << s;
                EXPECT_EQ(d.left, c.slots[static_cast<std::size_t>(s)].second) << "slot " << s;
            } else {
                EXPECT_FALSE(d.Used()) << "slot " << s;
                EXPECT_EQ(d.left + d.top + d.width + d.height, 0) << "slot " << s;
            }
        }
    }
}

TEST_F(Zones, SlotsZeroAndTwentyNineLoadAsTwoZonesSlotZeroOnTopAndStoreBackUnchanged) {
    Slot(0, kLinkA, 5, 5, 40, 40);
    Slot(29, kLinkB, 0, 0, 100, 100);
    const std::string before = Zones480();
    TZoneList z;
    z.Load(*placed);
    ASSERT_EQ(z.Size(), 2u);
    EXPECT_EQ(z[1].link, kLinkA);  // last in the list: on top
    EXPECT_EQ(z[1].slot, 0);
    EXPECT_EQ(z[0].slot, 29);
    EXPECT_EQ(z.TopmostAt(10, 10), 1);   // both contain it: slot 0 wins
    EXPECT_EQ(z.TopmostAt(90, 90), 0);
    EXPECT_EQ(z.TopmostAt(200, 10), -1);
    EXPECT_EQ(TPictureData(*placed).ZoneAt(10, 10), 0);  // the painter's view agrees
    z.Store(*placed);
    // Slot 29's zone now lies in slot 1: the same list, the same order.
    TZoneList again;
    again.Load(*placed);
    ASSERT_EQ(again.Size(), 2u);
    EXPECT_EQ(again[0], z[0]);
    EXPECT_EQ(again[1], z[1]);
    // Stored twice, byte for byte the same.
    const std::string once = Zones480();
    again.Store(*placed);
    EXPECT_EQ(Zones480(), once);
    EXPECT_NE(once, before);
}

TEST_F(Zones, ThirtyFirstZoneIsRefused) {
    TZoneList z;
    for (int i = 0; i < kMaxZones; ++i) ASSERT_EQ(z.AddAt(i, i, 200, 100), i);
    EXPECT_TRUE(z.Full());
    EXPECT_EQ(z.AddAt(0, 0, 200, 100), -1);
    EXPECT_EQ(z.Insert(TZone{}), -1);
    const std::uint8_t past = placed->Byte(73 + 480);
    z.Store(*placed);
    for (int s = 0; s < kMaxZones; ++s) EXPECT_TRUE(Stored(s).Used()) << s;
    // Nothing was written past the zone area.
    EXPECT_EQ(placed->Byte(73 + 480), past);
}

TEST_F(Zones, ZoneAddedAtAPressPointStaysOnThePicture) {
    struct Case { int x, y, left, top; };
    const Case cases[] = {{7, 8, 7, 8}, {125, 20, 110, 20}, {20, 90, 20, 90}, {20, 105, 20, 90}, {130, 300, 110, 90}};
    for (const Case& c : cases) {
        TZoneList z;
        ASSERT_EQ(z.AddAt(c.x, c.y, 120, 100), 0);
        EXPECT_EQ(z[0].left, c.left) << c.x << "," << c.y;
        EXPECT_EQ(z[0].top, c.top) << c.x << "," << c.y;
        EXPECT_EQ(z[0].width, kNewZoneSide);
        EXPECT_EQ(z[0].link, 0);
    }
}

TEST_F(Zones, HalfSizeThenHandleResizeScalesTheZones) {
    platform::testing::TempDir dir;
    TNYXoggetto* pic = AddGif(set, dir, 200, 100);
    ASSERT_NE(pic, nullptr);
    std::unique_ptr<TNYXoggetto> p(set.NewPlacedPicture(pic));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ShownSize(*p), (TPictureSize{200, 100}));
    EXPECT_EQ(ScaleTo(*p, 50), (TPictureSize{100, 50}));
    EXPECT_EQ(ShownSize(*p), (TPictureSize{100, 50}));
    // A zone drawn on the half-size picture, then the handles make it 150 x 75.
    placed = p.get();
    for (int i = 0; i < kMaxZones; ++i) Slot(i, model::kNoRef, 0, 0, 0, 0);
    Slot(0, kLinkA, 10, 10, 20, 20);
    ASSERT_TRUE(ScaleZones(*p, 100, 50, 150, 75));
    const TZoneData d = Stored(0);
    EXPECT_EQ((std::vector<int>{d.left, d.top, d.width, d.height}), (std::vector<int>{15, 15, 30, 30}));
    EXPECT_EQ(d.link, kLinkA);
    // Back to 100 % from the stored 100 x 50: the zones follow the picture.
    EXPECT_EQ(ScaleTo(*p, 100), (TPictureSize{200, 100}));
    EXPECT_EQ(Stored(0).left, 30);
    EXPECT_EQ(Stored(0).height, 60);
    placed = nullptr;
}

TEST_F(Zones, ResizeListenerScalesTheZonesOfPlacedPicturesOnly) {
    ScaleZonesOnResize();
    ScaleZonesOnResize();  // a second call adds no second listener
    Slot(0, kLinkA, 10, 20, 30, 40);
    NotifyResized(*placed, {100, 100}, {200, 50});
    const TZoneData d = Stored(0);
    EXPECT_EQ((std::vector<int>{d.left, d.top, d.width, d.height}), (std::vector<int>{20, 10, 60, 20}));
    // A picture without zones, and other objects, keep their bytes.
    TNYXoggetto* bare = set.NewObject(model::immagineNew);
    TNYXoggetto* media = set.NewObject(model::multiMedia);
    for (TNYXoggetto* o : {bare, media}) {
        const std::string before(reinterpret_cast<const char*>(o->Data()), model::kDataSize);
        NotifyResized(*o, {100, 100}, {200, 50});
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(o->Data()), model::kDataSize), before);
    }
}

TEST_F(Zones, ResizeFromAZeroSizeDoesNotDivideByZero) {
    Slot(0, kLinkA, 10, 10, 20, 20);
    const std::string before = Zones480();
    EXPECT_FALSE(ScaleZones(*placed, 0, 50, 150, 75));
    EXPECT_FALSE(ScaleZones(*placed, 100, 0, 150, 75));
    EXPECT_EQ(Zones480(), before);
    TZoneList z;
    z.Load(*placed);
    z.Scale(0, 0, 10, 10);
    EXPECT_EQ(z[0].width, 20);
    // A picture without a picture file and a stored 0 x 0 shows as 100 x 100.
    for (std::size_t off : {15u, 17u, 19u, 21u}) placed->SetWord(off, 0);
    placed->SetInt(0, -1);
    EXPECT_EQ(ShownSize(*placed), (TPictureSize{100, 100}));
    EXPECT_EQ(ScaleTo(*placed, 50), (TPictureSize{100, 100}));
}

TEST_F(Zones, BoundsAreClampedToTheSixteenBitFields) {
    TZoneList z;
    z.AddAt(0, 0, 100, 100);
    z.SetBounds(0, -40000, 40000, 70000, -5);
    z.Store(*placed);
    const TZoneData d = Stored(0);
    EXPECT_EQ(d.left, -32768);
    EXPECT_EQ(d.top, 32767);
    EXPECT_EQ(d.width, 32767);
    EXPECT_EQ(d.height, 1);
    // Scaling a huge zone up stays inside the field too.
    z.Scale(1, 1, 30000, 30000);
    z.Store(*placed);
    EXPECT_EQ(Stored(0).width, 32767);
}

TEST_F(Zones, ZoneCopiedAndPastedLandsFivePixelsRightAndDownWithItsLink) {
    TZone z;
    z.link = kLinkB;
    z.left = 12;
    z.top = 30;
    z.width = 40;
    z.height = 20;
    const std::string clip = ZoneToClipboard(z);
    ASSERT_EQ(clip.size(), kZoneClipSize);
    EXPECT_EQ(model::bytes::GetI32(clip, 0), 2);
    TZone pasted;
    ASSERT_TRUE(ZoneFromClipboard(clip, pasted));
    EXPECT_EQ(pasted.link, kLinkB);
    EXPECT_EQ((std::vector<int>{pasted.left, pasted.top, pasted.width, pasted.height}),
              (std::vector<int>{17, 35, 40, 20}));
    // Into another picture's list: on top.
    TZoneList other;
    other.AddAt(0, 0, 100, 100);
    EXPECT_EQ(other.Insert(pasted), 1);
    EXPECT_EQ(other.TopmostAt(20, 36), 1);
}

TEST_F(Zones, ShortOrForeignZoneClipboardDataIsIgnored) {
    TZone z;
    z.link = kLinkA;
    const std::string good = ZoneToClipboard(z);
    std::string foreign = good;
    foreign[0] = 3;
    TZone out;
    out.left = 99;
    for (const std::string& bad : {std::string(), good.substr(0, 19), foreign, std::string(4, '\2')}) {
        EXPECT_FALSE(ZoneFromClipboard(bad, out)) << bad.size();
        EXPECT_EQ(out.left, 99);
    }
    EXPECT_TRUE(ZoneFromClipboard(good + "extra", out));
}

TEST_F(Zones, ZoneWithoutALinkIsNeverReadAsPageZeroAfterReload) {
    // A page showing a picture whose only zone has no link.
    platform::testing::TempDir dir;
    TNYXoggetto* pic = AddGif(set, dir, 60, 40);
    ASSERT_NE(pic, nullptr);
    TNYXoggetto* page = set.Count(model::testoHtml) > 0 ? set.ObjectAt(model::testoHtml, 0) : set.NewObject(model::testoHtml);
    ASSERT_NE(page, nullptr);
    TNYXoggetto* p = set.NewObject(model::immagineNew);
    std::unique_ptr<TNYXoggetto> made(set.NewPlacedPicture(pic));
    std::memcpy(p->Data(), made->Data(), model::kDataSize);
    TZoneList z;
    z.AddAt(5, 5, 60, 40);
    z[0].link = model::kNoRef;  // "none" in the editor's terms too
    z.Store(*p);
    EXPECT_EQ(p->Int(73), 0);  // stored as 0, never as a free slot
    char text[64];
    std::snprintf(text, sizeof text, "<Z S0 >Mappa <$%08X>", static_cast<unsigned>(p->Reference()));
    static_cast<model::TNYXtesto*>(page)->SetText(text);
    const auto file = dir.path() / "zone.nyx";
    const std::uint32_t slot = p->Index();
    ASSERT_TRUE(set.SaveToFile(file));  // reloads: p is gone
    model::TNYXset back;
    ASSERT_TRUE(back.LoadFromFile(file));
    const TNYXoggetto* again = back.ObjectAt(model::immagineNew, slot);
    ASSERT_NE(again, nullptr);
    TZoneList loaded;
    loaded.Load(*again);
    ASSERT_EQ(loaded.Size(), 1u);
    EXPECT_EQ(loaded[0].link, 0);
    EXPECT_EQ(TPictureData(*again).Zone(0).Link(), model::kNoRef);
    EXPECT_EQ(loaded[0].left, 5);
}

}  // namespace
