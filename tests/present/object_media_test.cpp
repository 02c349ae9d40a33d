// Sound and video objects with the cyclic action, over a fake player: how
// many times they play, and that showing them leaves the record alone.
#include <gtest/gtest.h>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectInsert.h"
#include "present/ObjectMedia.h"

using namespace present;

namespace {

// Plays "to the end" whenever the test says so.
class FakePlayer : public TMediaPlayer {
public:
    bool Open(const std::string&) override { return true; }
    void Close() override {}
    void Play() override {
        playing = true;
        ++plays;
    }
    void Pause() override { playing = false; }
    void Stop() override { playing = false; }
    void Step() override {}
    void Back() override {}
    bool Playing() const override { return playing; }
    std::string ErrorText() const override { return {}; }
    // The end of the media: as many ends as asked, while it plays.
    void RunToEnd(int times) {
        for (int i = 0; i < times && playing; ++i) {
            playing = false;
            if (onEnded) onEnded();
        }
    }
    bool playing = false;
    int plays = 0;
};

class MediaCycles : public ::testing::Test {
protected:
    model::TNYXoggetto* Sound(std::int16_t cycles) {
        model::TNYXoggetto* o = set.NewObject(model::multiMedia);
        SetNewObjectDefaults(*o, model::multiMedia, 1);
        o->SetByte(25, 1);
        o->SetWord(27, static_cast<std::uint16_t>(cycles));
        return o;
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    void SetUp() override { set.NewHypertext(); }
};

TEST_F(MediaCycles, CountsOfCyclesPlayThatManyRepeatsAfterTheFirst) {
    struct Case {
        std::int16_t cycles;
        int plays;  // after 50 ends
    };
    const Case cases[] = {{-1, 51}, {0, 0}, {2, 3}, {1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cycles);
        model::TNYXoggetto* o = Sound(c.cycles);
        FakePlayer player;
        TMediaCycles cycles(*o, player);
        cycles.Start(true, true, true);
        player.RunToEnd(50);
        EXPECT_EQ(player.plays, c.plays);
        EXPECT_EQ(cycles.Plays(), c.plays);
    }
}

TEST_F(MediaCycles, NothingPlaysInEditModeWithMultimediaOffOrAfterAnOpeningError) {
    model::TNYXoggetto* o = Sound(-1);
    FakePlayer player;
    TMediaCycles cycles(*o, player);
    cycles.Start(false, true, true);
    EXPECT_EQ(player.plays, 0);
    cycles.Start(true, false, true);
    EXPECT_EQ(player.plays, 0);
    cycles.Start(true, true, false);
    EXPECT_EQ(player.plays, 0);
    cycles.Start(true, true, true);
    EXPECT_EQ(player.plays, 1);
    cycles.Halt();  // leaving view mode
    EXPECT_FALSE(player.playing);
    player.playing = true;
    player.RunToEnd(1);
    EXPECT_EQ(player.plays, 1);
}

TEST_F(MediaCycles, AnEndWhileStillPlayingIsIgnoredAndThePlayersButtonsNeverCycle) {
    model::TNYXoggetto* o = Sound(3);
    FakePlayer player;
    TMediaCycles cycles(*o, player);
    cycles.Start(true, true, true);
    player.onEnded();  // still playing
    EXPECT_EQ(player.plays, 1);
    EXPECT_EQ(cycles.Left(), 3);
    o->SetByte(25, 0);
    FakePlayer other;
    TMediaCycles buttons(*o, other);
    buttons.Start(true, true, true);
    EXPECT_EQ(other.plays, 0);
}

// Showing a page wrote the cycles still to play into the record, changing
// the hypertext behind the author's back.
TEST_F(MediaCycles, ShowingAndPlayingLeaveTheRecordAsItWas) {
    model::TNYXoggetto* o = Sound(2);
    o->SetWord(31, 7);
    set.SetModified(false);
    const std::string before(reinterpret_cast<const char*>(o->Data()), model::kDataSize);
    FakePlayer player;
    TMediaCycles cycles(*o, player);
    cycles.Start(true, true, true);
    player.RunToEnd(5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(o->Data()), model::kDataSize), before);
    EXPECT_FALSE(set.Modified());
}

TEST_F(MediaCycles, ADanglingOrMissingMediaReferencePlaysNothing) {
    model::TNYXoggetto* o = Sound(1);
    o->SetInt(17, -1);
    EXPECT_EQ(MediaFilePath(*o), "");
    o->SetInt(17, model::MakeRef(model::genLink, 40));
    EXPECT_EQ(MediaFilePath(*o), "");
    o->SetInt(17, model::MakeRef(model::testoHtml, 0));  // not a file
    EXPECT_EQ(MediaFilePath(*o), "");
}

TEST(MediaErrors, AMissingPlayerIsToldOnceOtherErrorsEachTimeInThePlayersWords) {
    present::TMediaErrorReport report;
    EXPECT_EQ(report.Message(present::TMediaError::kNoPlayer, "x"), present::kNoMediaPlayerText);
    EXPECT_EQ(report.Message(present::TMediaError::kNoPlayer, "x"), "");
    EXPECT_EQ(report.Message(present::TMediaError::kOther, "Formato sconosciuto"), "Formato sconosciuto");
    EXPECT_EQ(report.Message(present::TMediaError::kOther, "Formato sconosciuto"), "Formato sconosciuto");
    EXPECT_EQ(report.Message(present::TMediaError::kOther, ""), "Impossibile aprire il file multimediale.");
    EXPECT_EQ(report.Message(present::TMediaError::kNone, "x"), "");
}

}  // namespace
