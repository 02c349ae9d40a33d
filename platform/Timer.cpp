#include "platform/Timer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Dispatch.h"

namespace platform {

namespace {

// A timer thread that waits, then posts the callback to the UI thread. A
// generation number makes a stopped or restarted timer's old posts harmless.
class ThreadTimer : public Timer {
public:
    ~ThreadTimer() override { Stop(); }
    void Start(int ms, std::function<void()> fn, bool repeat) override {
        Stop();
        std::lock_guard<std::mutex> lock(*state_->mutex);
        state_->fn = std::move(fn);
        state_->active = true;
        const std::uint64_t gen = ++state_->generation;
        auto state = state_;
        thread_ = std::thread([state, gen, ms, repeat] {
            std::unique_lock<std::mutex> lock(*state->mutex);
            do {
                if (state->cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return state->generation != gen; }))
                    return;
                dispatch().Post([state, gen, repeat] {
                    std::function<void()> fn;
                    {
                        std::lock_guard<std::mutex> l(*state->mutex);
                        if (state->generation != gen) return;
                        if (!repeat) state->active = false;
                        fn = state->fn;
                    }
                    if (fn) fn();
                });
            } while (repeat);
        });
    }
    void Stop() override {
        {
            std::lock_guard<std::mutex> lock(*state_->mutex);
            ++state_->generation;
            state_->active = false;
        }
        state_->cv.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    bool Active() const override {
        std::lock_guard<std::mutex> lock(*state_->mutex);
        return state_->active;
    }

private:
    struct State {
        std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();
        std::condition_variable cv;
        std::uint64_t generation = 0;
        bool active = false;
        std::function<void()> fn;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
};

class ThreadTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> MakeTimer() override { return std::make_unique<ThreadTimer>(); }
};

TimerFactory* current = nullptr;

}  // namespace

TimerFactory& timers() {
    if (!current) {
        static ThreadTimers fallback;
        current = &fallback;
    }
    return *current;
}

TimerFactory* SetTimers(TimerFactory* next) {
    TimerFactory* previous = current;
    current = next;
    return previous;
}

}  // namespace platform
