#include "present/ObjectMedia.h"

#include <filesystem>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "model/Types.h"

namespace present {

const char* const kNoMediaPlayerText =
    "Il lettore per questo tipo di oggetto multimediale non è disponibile.\n"
    "Potrebbe essere utile controllare che i componenti multimediali del sistema (GStreamer o FFmpeg) siano "
    "installati.";

std::string TMediaErrorReport::Message(TMediaError kind, const std::string& own) {
    switch (kind) {
        case TMediaError::kNone: return {};
        case TMediaError::kNoPlayer:
            if (toldNoPlayer_) return {};
            toldNoPlayer_ = true;
            return kNoMediaPlayerText;
        case TMediaError::kOther: break;
    }
    return own.empty() ? std::string("Impossibile aprire il file multimediale.") : own;
}

TMediaErrorReport& MediaErrors() {
    static TMediaErrorReport report;
    return report;
}

bool IsSound(const model::TNYXoggetto& o) {
    return o.Type() == model::multiMedia && (o.Subtype() == 1 || o.Subtype() == 2);
}

bool IsVideo(const model::TNYXoggetto& o) {
    return o.Type() == model::multiMedia && (o.Subtype() == 3 || o.Subtype() == 4);
}

bool CyclicAction(const model::TNYXoggetto& o) { return o.Byte(model::mediarec::kAction) == 1; }

std::string MediaFilePath(model::TNYXoggetto& o) {
    model::TNYXset* set = o.Set();
    const std::int32_t ref = o.Int(model::mediarec::kReference);
    if (!set || ref == -1 || (!IsSound(o) && !IsVideo(o))) return {};
    model::TNYXoggetto* file = set->ObjectByRef(ref);
    if (!file || file->IsEmpty() || (file->Type() != model::zipLink && file->Type() != model::genLink)) return {};
    std::error_code ec;
    if (!file->ExternalPath().empty() && std::filesystem::exists(file->ExternalPath(), ec))
        return file->ExternalPath().string();
    return file->ExtractToFile().string();
}

TMediaCycles::TMediaCycles(const model::TNYXoggetto& o, TMediaPlayer& player) : o_(o), player_(player) {
    player_.onEnded = [this] { Ended(); };
}

void TMediaCycles::Start(bool readOnly, bool multimediaOn, bool opened) {
    multimediaOn_ = multimediaOn;
    running_ = false;
    if (!CyclicAction(o_)) return;
    left_ = o_.SWord(model::mediarec::kCycles);
    if (!opened) {
        player_.Stop();
        return;
    }
    if (left_ != 0 && readOnly && multimediaOn) PlayAgain();
}

void TMediaCycles::Halt() {
    running_ = false;
    player_.Stop();
}

void TMediaCycles::PlayAgain() {
    if (!multimediaOn_) return;
    running_ = true;
    ++plays_;
    player_.Play();
}

void TMediaCycles::Ended() {
    if (!running_ || player_.Playing()) return;
    running_ = false;
    player_.Stop();
    if (left_ == -1) {
        PlayAgain();
    } else if (left_ > 0) {
        --left_;
        PlayAgain();
    }
}

}  // namespace present
