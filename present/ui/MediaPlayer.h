// The desktop's media player behind the player interface (QtMultimedia:
// QMediaPlayer with its audio output and, for video, a video widget), the
// player bar (play, pause, stop, step, back) and the control that shows a
// sound or video object while a reader uses it.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "model/NYXoggetto.h"
#include "present/ObjectMedia.h"

class QToolButton;

namespace present::ui {

// A real player; nullptr when the program was built without QtMultimedia.
// A video plays in `video` (may be nullptr for sound).
std::unique_ptr<TMediaPlayer> MakeSystemPlayer(QObject* parent, QWidget* video);
// The widget a video plays in, nullptr without QtMultimedia.
QWidget* MakeVideoWidget(QWidget* parent);

// How a media control gets its player (tests give a fake).
using TPlayerFactory = std::function<std::unique_ptr<TMediaPlayer>(QObject* parent, QWidget* video)>;
void SetPlayerFactory(TPlayerFactory factory);

// The player bar: 141 x 30, five buttons.
class TMediaBar : public QWidget {
    Q_OBJECT
public:
    TMediaBar(TMediaPlayer& player, QWidget* parent = nullptr);
    static constexpr int kWidth = 141, kHeight = 30;
    QToolButton* Button(const char* name) const;

private:
    TMediaPlayer& player_;
};

// A sound or video object in use: its player, the bar (with the player's
// buttons) and the picture area of a video; with the cyclic action no bar,
// and the media plays by itself as many times as the record says.
class TMediaControl : public QWidget {
    Q_OBJECT
public:
    // `path`: the media file (empty or missing: nothing is opened, no message).
    TMediaControl(const model::TNYXoggetto& o, const std::string& path, QWidget* parent = nullptr);
    ~TMediaControl() override;
    TMediaPlayer* Player() const { return player_.get(); }
    TMediaBar* Bar() const { return bar_; }
    TMediaCycles* Cycles() const { return cycles_.get(); }
    bool Opened() const { return opened_; }
    // View mode on or off (starts or stops the cycles).
    void SetReadOnly(bool on);

private:
    // Opening or playing failed: no more cycles, and the error told.
    void Failed();
    std::unique_ptr<TMediaPlayer> player_;
    std::unique_ptr<TMediaCycles> cycles_;
    TMediaBar* bar_ = nullptr;
    QWidget* video_ = nullptr;
    bool opened_ = false;
};

// The text told, once a run, when no player handles a kind of media.
inline const char* const& kNoMediaBackend = kNoMediaPlayerText;

}  // namespace present::ui
