#include "platform/Dispatch.h"

#include <chrono>
#include <future>

namespace platform {

void QueueDispatch::Post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    cv_.notify_all();
}

void QueueDispatch::CallAndWait(std::function<void()> fn) {
    if (IsUiThread()) {
        fn();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto result = done->get_future();
    Post([fn = std::move(fn), done] {
        fn();
        done->set_value();
    });
    result.wait();
}

bool QueueDispatch::RunPending() {
    std::deque<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work.swap(queue_);
    }
    for (auto& fn : work) fn();
    return !work.empty();
}

void QueueDispatch::WaitForWork(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !queue_.empty(); });
}

namespace {
Dispatch* current = nullptr;
}

Dispatch& dispatch() {
    if (!current) {
        static QueueDispatch fallback;
        current = &fallback;
    }
    return *current;
}

Dispatch* SetDispatch(Dispatch* next) {
    Dispatch* previous = current;
    current = next;
    return previous;
}

}  // namespace platform
