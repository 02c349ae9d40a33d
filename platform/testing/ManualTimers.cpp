#include "platform/testing/ManualTimers.h"

#include <algorithm>

namespace platform::testing {

class ManualTimers::T : public Timer {
public:
    T(ManualTimers& owner, std::shared_ptr<Entry> e) : owner_(owner), e_(std::move(e)) {}
    ~T() override { e_->active = false; }
    void Start(int ms, std::function<void()> fn, bool repeat) override {
        e_->due = owner_.now + ms;
        e_->period = ms;
        e_->repeat = repeat;
        e_->fn = std::move(fn);
        e_->active = true;
    }
    void Stop() override { e_->active = false; }
    bool Active() const override { return e_->active; }

private:
    ManualTimers& owner_;
    std::shared_ptr<Entry> e_;
};

std::unique_ptr<Timer> ManualTimers::MakeTimer() {
    auto e = std::make_shared<Entry>();
    entries_.push_back(e);
    return std::make_unique<T>(*this, e);
}

void ManualTimers::Advance(long ms) {
    const long end = now + ms;
    for (;;) {
        std::shared_ptr<Entry> next;
        for (auto& e : entries_)
            if (e->active && e->due <= end && (!next || e->due < next->due)) next = e;
        if (!next) break;
        now = next->due;
        if (next->repeat) next->due += std::max(1, next->period);
        else next->active = false;
        auto fn = next->fn;
        if (fn) fn();
    }
    now = end;
}

}  // namespace platform::testing
