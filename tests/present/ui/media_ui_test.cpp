// Sound and video objects as a reader uses them: the player bar's buttons
// drive the player, a click on a sound with the player's buttons gives it
// its bar, and a short WAV written here really plays its cycles when a
// media backend loads.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolButton>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectInsert.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/MediaPlayer.h"
#include "present/ui/ObjectLife.h"
#include "richtext/ui/BoxWidget.h"
#include "support/LinkTag.h"
#include "support/QtApp.h"

using namespace present;
using namespace present::ui;

namespace {

struct Log {
    std::vector<std::string> calls;
};

class RecordingPlayer : public TMediaPlayer {
public:
    explicit RecordingPlayer(Log& log) : log_(log) {}
    bool Open(const std::string&) override { return log_.calls.push_back("open"), true; }
    void Close() override { log_.calls.push_back("close"); }
    void Play() override { log_.calls.push_back("play"); }
    void Pause() override { log_.calls.push_back("pause"); }
    void Stop() override { log_.calls.push_back("stop"); }
    void Step() override { log_.calls.push_back("step"); }
    void Back() override { log_.calls.push_back("back"); }
    bool Playing() const override { return false; }
    std::string ErrorText() const override { return {}; }

private:
    Log& log_;
};

class MediaUi : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::QtApp();
        set.NewHypertext();
    }
    void TearDown() override { SetPlayerFactory(nullptr); }
    model::TNYXoggetto* Sound(int action, std::int16_t cycles) {
        model::TNYXoggetto* o = set.NewObject(model::multiMedia);
        SetNewObjectDefaults(*o, model::multiMedia, 1);
        o->SetByte(25, static_cast<std::uint8_t>(action));
        o->SetWord(27, static_cast<std::uint16_t>(cycles));
        return o;
    }
    platform::testing::TempDir dir;
    platform::testing::ScriptedUiScope scripted;
    model::TNYXset set;
};

TEST_F(MediaUi, TheBarsFiveButtonsDriveThePlayer) {
    Log log;
    SetPlayerFactory([&](QObject*, QWidget*) { return std::make_unique<RecordingPlayer>(log); });
    model::TNYXoggetto* o = Sound(0, -1);
    TMediaControl c(*o, "");
    ASSERT_NE(c.Bar(), nullptr);
    EXPECT_EQ(c.Bar()->size(), QSize(TMediaBar::kWidth, TMediaBar::kHeight));
    for (const char* name : {"play", "pausa", "stop", "avanti", "indietro"}) {
        QToolButton* b = c.Bar()->Button(name);
        ASSERT_NE(b, nullptr) << name;
        b->click();
    }
    EXPECT_EQ(log.calls, (std::vector<std::string>{"play", "pause", "stop", "step", "back"}));
    EXPECT_FALSE(c.Opened());  // no file: nothing opened, nothing said
    EXPECT_TRUE(scripted.ui.messages.empty());
}

// Errors QtMultimedia finds while a file loads used to be kept unseen, and
// the cycles went on waiting for an end that never came.
class LateFailingPlayer : public RecordingPlayer {
public:
    using RecordingPlayer::RecordingPlayer;
    std::string ErrorText() const override { return failed ? "Dati del file non validi" : ""; }
    void Fail() {
        failed = true;
        if (onError) onError();
    }
    bool failed = false;
};

TEST_F(MediaUi, AnErrorFoundWhileTheFileLoadsIsToldAndEndsTheCycles) {
    Log log;
    LateFailingPlayer* player = nullptr;
    SetPlayerFactory([&](QObject*, QWidget*) {
        auto p = std::make_unique<LateFailingPlayer>(log);
        player = p.get();
        return p;
    });
    const std::filesystem::path wav = dir / "rotto.wav";
    std::ofstream(wav, std::ios::binary) << "RIFF";
    TMediaControl c(*Sound(1, 3), wav.string());
    ASSERT_TRUE(c.Opened());
    ASSERT_NE(player, nullptr);
    c.SetReadOnly(true);
    EXPECT_EQ(c.Cycles()->Left(), 3);
    player->Fail();
    EXPECT_FALSE(c.Opened());
    EXPECT_EQ(c.Cycles()->Left(), 0);
    EXPECT_EQ(scripted.ui.Texts(platform::testing::Message::Error),
              std::vector<std::string>{"Dati del file non validi"});
}

TEST_F(MediaUi, ACyclicSoundHasNoBar) {
    Log log;
    SetPlayerFactory([&](QObject*, QWidget*) { return std::make_unique<RecordingPlayer>(log); });
    TMediaControl c(*Sound(1, 2), "");
    EXPECT_EQ(c.Bar(), nullptr);
}

TEST_F(MediaUi, AClickOnASoundInViewModeGivesItItsPlayerBar) {
    Log log;
    SetPlayerFactory([&](QObject*, QWidget*) { return std::make_unique<RecordingPlayer>(log); });
    model::TNYXoggetto* o = Sound(0, -1);
    const std::string tag = testsupport::Tag(o->Reference());
    auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    page->SetText(std::string("<Z S0 >Musica ") + tag);
    TInsiemeCornici f;
    f.resize(640, 480);
    f.SetLinkedNYXset(&set);
    f.show();
    ASSERT_TRUE(f.ShowPage(page->Index()));
    f.SetReadOnly(true);
    QApplication::processEvents();
    richtext::ui::TNYXpageView& v = *f.Views()[0];
    const richtext::TNYXembedded* e = v.Box().paragraphs[0]->Objects()[0];
    const QPoint at(e->left + e->width / 2 - v.horizontalScrollBar()->value(),
                    e->top + e->height / 2 - v.verticalScrollBar()->value());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), v.viewport()->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(v.viewport(), &press);
    auto* objects = v.findChild<TViewObjects*>(QStringLiteral("oggettiPagina"));
    ASSERT_NE(objects, nullptr);
    auto* control = qobject_cast<TMediaControl*>(objects->Active());
    ASSERT_NE(control, nullptr);
    ASSERT_NE(control->Bar(), nullptr);
    control->Bar()->Button("play")->click();
    EXPECT_EQ(log.calls.back(), "play");
}

// 0.15 seconds of a quiet 440 Hz tone, 8 kHz mono 16 bits.
void WriteWav(const std::string& path) {
    const int rate = 8000, samples = 1200;
    std::vector<std::int16_t> pcm(samples);
    for (int i = 0; i < samples; ++i) pcm[static_cast<std::size_t>(i)] = static_cast<std::int16_t>((i * 440 * 2 / rate) % 2 ? 800 : -800);
    std::ofstream f(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); };
    f.write("RIFF", 4);
    u32(36 + samples * 2);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    f.write("data", 4);
    u32(samples * 2);
    f.write(reinterpret_cast<const char*>(pcm.data()), samples * 2);
}

TEST_F(MediaUi, AShortWavWithOneCyclePlaysTwiceThroughTheRealPlayer) {
    if (!MakeSystemPlayer(nullptr, nullptr)) GTEST_SKIP() << "built without QtMultimedia";
    const std::string wav = (dir / "breve.wav").string();
    WriteWav(wav);
    TMediaControl c(*Sound(1, 1), wav);
    if (!c.Opened())
        GTEST_SKIP() << "no media backend loads here: " << (c.Player() ? c.Player()->ErrorText() : "");
    c.SetReadOnly(true);
    QElapsedTimer clock;
    clock.start();
    // The end of a play comes through the event loop; a backend that never
    // reports it is no media backend for this test.
    while (c.Cycles()->Plays() < 2 || c.Player()->Playing()) {
        // Decoders are looked for once the file is read (GStreamer's WAV parser
        // comes with gstreamer1.0-plugins-good).
        if (!c.Player()->ErrorText().empty())
            GTEST_SKIP() << "no media backend plays WAV here: " << c.Player()->ErrorText();
        if (clock.elapsed() > 8000) GTEST_SKIP() << "the media backend never reported the end of play";
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(c.Cycles()->Plays(), 2);
    EXPECT_EQ(c.Cycles()->Left(), 0);
}

}  // namespace
