#include "model/PageIdle.h"

namespace model {

TNYXpageIdle::TNYXpageIdle(std::function<void(int)> onIdle)
    : onIdle_(std::move(onIdle)), timer_(platform::timers().MakeTimer()) {}

void TNYXpageIdle::Changed(int mode) {
    timer_->Start(kIdleMs, [this, mode] {
        if (onIdle_) onIdle_(mode);
    });
}

void TNYXpageIdle::Stop() { timer_->Stop(); }

}  // namespace model
