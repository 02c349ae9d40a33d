// The idle timer of a page view: every change restarts a one-shot timer of
// 2000 ms whose tag is the change's mode; when it fires, the page starts its
// background work (spell checking) with that mode.
#pragma once

#include <functional>
#include <memory>

#include "platform/Timer.h"

namespace model {

class TNYXpageIdle {
public:
    static constexpr int kIdleMs = 2000;
    explicit TNYXpageIdle(std::function<void(int mode)> onIdle);
    // A change of the given mode: (re)starts the timer.
    void Changed(int mode);
    void Stop();
    bool Pending() const { return timer_->Active(); }

private:
    std::function<void(int)> onIdle_;
    std::unique_ptr<platform::Timer> timer_;
};

}  // namespace model
