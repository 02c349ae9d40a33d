#include "present/ui/MediaPlayer.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include "platform/Ui.h"
#include "present/ObjectMedia.h"

#ifdef QUOR_HAVE_MULTIMEDIA
#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>
#include <QVideoWidget>
#endif

namespace present::ui {


namespace {

TPlayerFactory& Factory() {
    static TPlayerFactory f;
    return f;
}

#ifdef QUOR_HAVE_MULTIMEDIA
class TQtMediaPlayer : public TMediaPlayer {
public:
    TQtMediaPlayer(QObject* parent, QWidget* video) : player_(new QMediaPlayer(parent)) {
        audio_ = new QAudioOutput(player_);
        player_->setAudioOutput(audio_);
        if (auto* v = qobject_cast<QVideoWidget*>(video)) player_->setVideoOutput(v);
        QObject::connect(player_, &QMediaPlayer::mediaStatusChanged, player_, [this](QMediaPlayer::MediaStatus s) {
            if (s == QMediaPlayer::EndOfMedia && onEnded) onEnded();
        });
        QObject::connect(player_, &QMediaPlayer::errorOccurred, player_,
                         [this](QMediaPlayer::Error e, const QString& text) {
                             if (e == QMediaPlayer::NoError) return;
                             error_ = text.toStdString();
                             // A format no installed decoder reads: there is no player for it.
                             kind_ = e == QMediaPlayer::FormatError ? TMediaError::kNoPlayer : TMediaError::kOther;
                             if (onError) onError();
                         });
    }
    ~TQtMediaPlayer() override { delete player_; }
    bool Open(const std::string& path) override {
        error_.clear();
        kind_ = TMediaError::kNone;
        if (!player_->isAvailable()) {
            error_ = kNoMediaBackend;
            kind_ = TMediaError::kNoPlayer;
            return false;
        }
        // Errors found while the file loads come later, through onError.
        const std::function<void()> later = std::move(onError);
        onError = nullptr;
        player_->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
        onError = later;
        if (player_->error() != QMediaPlayer::NoError) {
            error_ = player_->errorString().toStdString();
            kind_ = player_->error() == QMediaPlayer::FormatError ? TMediaError::kNoPlayer : TMediaError::kOther;
            return false;
        }
        return true;
    }
    void Close() override { player_->setSource(QUrl()); }
    void Play() override { player_->play(); }
    void Pause() override { player_->pause(); }
    void Stop() override { player_->stop(); }
    void Step() override { player_->setPosition(player_->position() + 1000); }
    void Back() override { player_->setPosition(std::max<qint64>(0, player_->position() - 1000)); }
    bool Playing() const override { return player_->playbackState() == QMediaPlayer::PlayingState; }
    std::string ErrorText() const override { return error_; }
    TMediaError ErrorKind() const override { return kind_; }

private:
    TMediaError kind_ = TMediaError::kNone;
    QMediaPlayer* player_;
    QAudioOutput* audio_ = nullptr;
    std::string error_;
};
#endif

std::unique_ptr<TMediaPlayer> MakePlayer(QObject* parent, QWidget* video) {
    if (Factory()) return Factory()(parent, video);
    return MakeSystemPlayer(parent, video);
}

}  // namespace

std::unique_ptr<TMediaPlayer> MakeSystemPlayer([[maybe_unused]] QObject* parent, [[maybe_unused]] QWidget* video) {
#ifdef QUOR_HAVE_MULTIMEDIA
    return std::make_unique<TQtMediaPlayer>(parent, video);
#else
    return nullptr;
#endif
}

QWidget* MakeVideoWidget(QWidget* parent) {
#ifdef QUOR_HAVE_MULTIMEDIA
    return new QVideoWidget(parent);
#else
    (void)parent;
    return nullptr;
#endif
}

void SetPlayerFactory(TPlayerFactory factory) { Factory() = std::move(factory); }

TMediaBar::TMediaBar(TMediaPlayer& player, QWidget* parent) : QWidget(parent), player_(player) {
    setObjectName(QStringLiteral("barraMultimedia"));
    setFixedSize(kWidth, kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(1);
    struct Def {
        const char* name;
        QStyle::StandardPixmap icon;
        const char* tip;
        void (TMediaPlayer::*act)();
    };
    const Def defs[] = {
        {"play", QStyle::SP_MediaPlay, "Suona", &TMediaPlayer::Play},
        {"pausa", QStyle::SP_MediaPause, "Pausa", &TMediaPlayer::Pause},
        {"stop", QStyle::SP_MediaStop, "Ferma", &TMediaPlayer::Stop},
        {"avanti", QStyle::SP_MediaSeekForward, "Avanti", &TMediaPlayer::Step},
        {"indietro", QStyle::SP_MediaSeekBackward, "Indietro", &TMediaPlayer::Back},
    };
    for (const Def& d : defs) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(d.name));
        b->setIcon(style()->standardIcon(d.icon));
        b->setToolTip(QString::fromLatin1(d.tip));
        b->setFocusPolicy(Qt::TabFocus);
        const auto act = d.act;
        connect(b, &QToolButton::clicked, this, [this, act] { (player_.*act)(); });
        row->addWidget(b);
    }
}

QToolButton* TMediaBar::Button(const char* name) const {
    return findChild<QToolButton*>(QString::fromLatin1(name));
}

TMediaControl::TMediaControl(const model::TNYXoggetto& o, const std::string& path, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("TMyyMultimedia"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (IsVideo(o)) video_ = MakeVideoWidget(this);
    player_ = MakePlayer(this, video_);
    if (!player_) {
        if (const std::string m = MediaErrors().Message(TMediaError::kNoPlayer, {}); !m.empty()) platform::ui().Error(m);
        return;
    }
    cycles_ = std::make_unique<TMediaCycles>(o, *player_);
    if (!CyclicAction(o)) {
        bar_ = new TMediaBar(*player_, this);
        column->addWidget(bar_);
    }
    if (video_) column->addWidget(video_, 1);
    std::error_code ec;
    // A media file that does not exist is not opened, and nothing is said.
    if (path.empty() || !std::filesystem::exists(path, ec)) return;
    opened_ = player_->Open(path);
    if (!opened_) Failed();
    // An error found while the file loads, or while it plays, ends the cycles too.
    player_->onError = [this] {
        opened_ = false;
        Failed();
    };
}

void TMediaControl::Failed() {
    cycles_->Failed();
    const TMediaError kind = player_->ErrorKind() == TMediaError::kNone ? TMediaError::kOther : player_->ErrorKind();
    if (const std::string m = MediaErrors().Message(kind, player_->ErrorText()); !m.empty()) platform::ui().Error(m);
}

TMediaControl::~TMediaControl() {
    if (player_) {
        player_->onEnded = nullptr;
        player_->onError = nullptr;
    }
    cycles_.reset();
    player_.reset();
}

void TMediaControl::SetReadOnly(bool on) {
    if (!cycles_) return;
    if (on) cycles_->Start(true, true, opened_);
    else cycles_->Halt();
}

}  // namespace present::ui
