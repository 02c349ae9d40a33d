// Sound and video objects: the small player interface the page's controls
// drive (the desktop gives a real one, tests a fake), and the cycles of an
// object with the cyclic action: played by itself in view mode, again and
// again as its record says.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/NYXoggetto.h"

namespace present {

// What went wrong with a media file: no player for its kind (told once a
// run), or anything else (the player's own words, every time).
enum class TMediaError { kNone, kNoPlayer, kOther };

class TMediaPlayer {
public:
    virtual ~TMediaPlayer() = default;
    // Opens a file; false (with ErrorText) when it cannot be played.
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    // Plays from where it stands, from the start when it stands at the end.
    virtual void Play() = 0;
    virtual void Pause() = 0;
    // Stops and goes back to the start.
    virtual void Stop() = 0;
    // One step forward or back (a frame of a video, a second of a sound).
    virtual void Step() = 0;
    virtual void Back() = 0;
    virtual bool Playing() const = 0;
    virtual std::string ErrorText() const = 0;
    virtual TMediaError ErrorKind() const { return ErrorText().empty() ? TMediaError::kNone : TMediaError::kOther; }
    // Called when playing reached the end (while end notifications are wanted).
    std::function<void()> onEnded;
    // Called when an error arrives after Open returned (the file is read
    // while it loads): ErrorKind and ErrorText say what it was.
    std::function<void()> onError;
};

// The text shown when no player handles a kind of media.
extern const char* const kNoMediaPlayerText;

// Which media errors are still to be told: the missing player only the
// first time after the program starts, other errors each time, with the
// player's own text (a generic one when it gave none).
class TMediaErrorReport {
public:
    // The message to show, empty when there is none to show.
    std::string Message(TMediaError kind, const std::string& own);

private:
    bool toldNoPlayer_ = false;
};
// The program's report, shared by every media object.
TMediaErrorReport& MediaErrors();

// The kinds of media object.
bool IsSound(const model::TNYXoggetto& o);
bool IsVideo(const model::TNYXoggetto& o);
// The object plays by itself (offset 25 = 1): no player bar.
bool CyclicAction(const model::TNYXoggetto& o);

// The file a media object plays, ready on disk: an embedded file is
// extracted into the working folder. Empty when the object names none, or
// names a record that is missing (a dangling reference plays nothing).
std::string MediaFilePath(model::TNYXoggetto& o);

// The cycles of one media object. The count still to play is display state:
// it is taken from the record when the page is shown and never written into
// it, so showing a page leaves the hypertext as it was.
class TMediaCycles {
public:
    TMediaCycles(const model::TNYXoggetto& o, TMediaPlayer& player);

    // The page was shown or its mode changed: with the cyclic action the
    // count starts again from the record and, in view mode with multimedia
    // allowed and the file open, playing starts (not for a count of 0).
    void Start(bool readOnly, bool multimediaOn, bool opened);
    // Leaving view mode, or multimedia switched off.
    void Halt();
    // The end of one play: -1 plays again, 0 or less ends, a positive count
    // is decreased and plays again.
    void Ended();
    // An opening error: nothing more is played.
    void Failed() { left_ = 0; }

    std::int32_t Left() const { return left_; }
    // How many times the player was started.
    int Plays() const { return plays_; }

private:
    void PlayAgain();
    const model::TNYXoggetto& o_;
    TMediaPlayer& player_;
    std::int32_t left_ = 0;
    bool running_ = false;
    bool multimediaOn_ = true;
    int plays_ = 0;
};

}  // namespace present
