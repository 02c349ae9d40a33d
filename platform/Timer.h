// One-shot and repeating timers whose callbacks run on the user-interface
// thread. The desktop program installs Qt timers; the default runs a small
// thread per timer and posts the callback through platform::dispatch().
#pragma once

#include <functional>
#include <memory>

namespace platform {

class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the timer: fn runs once after `ms` milliseconds (every `ms`
    // when repeating) until Stop.
    virtual void Start(int ms, std::function<void()> fn, bool repeat = false) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> MakeTimer() = 0;
};

TimerFactory& timers();
TimerFactory* SetTimers(TimerFactory* next);

}  // namespace platform
