// Test timers driven by a manual clock: Advance(ms) fires what is due, in order.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Timer.h"

namespace platform::testing {

class ManualTimers : public TimerFactory {
public:
    ManualTimers() : previous_(SetTimers(this)) {}
    ~ManualTimers() override { SetTimers(previous_); }
    std::unique_ptr<Timer> MakeTimer() override;
    void Advance(long ms);
    long now = 0;

private:
    struct Entry {
        long due = 0;
        int period = 0;
        bool repeat = false;
        bool active = false;
        std::function<void()> fn;
    };
    class T;
    std::vector<std::shared_ptr<Entry>> entries_;
    TimerFactory* previous_;
};

}  // namespace platform::testing
