// How worker threads reach the user-interface thread. Workers never touch the
// model or widgets; they post work to the UI thread, or call it and wait.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class Dispatch {
public:
    virtual ~Dispatch() = default;
    // Queues fn to run on the UI thread; returns at once.
    virtual void Post(std::function<void()> fn) = 0;
    // Runs fn on the UI thread and waits until it has run. From the UI thread
    // itself it runs fn directly.
    virtual void CallAndWait(std::function<void()> fn) = 0;
    // UI thread: runs what is queued. Returns false when nothing was queued.
    virtual bool RunPending() = 0;
    virtual bool IsUiThread() const = 0;
};

// A plain queue drained by RunPending on the thread that created it. Serves the
// command-line tool and the tests; the desktop program installs a Qt one.
class QueueDispatch : public Dispatch {
public:
    QueueDispatch() : uiThread_(std::this_thread::get_id()) {}
    void Post(std::function<void()> fn) override;
    void CallAndWait(std::function<void()> fn) override;
    bool RunPending() override;
    bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }
    // Blocks the UI thread until something is queued or the time has passed.
    void WaitForWork(int milliseconds);

private:
    std::thread::id uiThread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

Dispatch& dispatch();
Dispatch* SetDispatch(Dispatch* next);

}  // namespace platform
