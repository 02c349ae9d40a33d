// The desktop answers of platform::Ui, platform::Dispatch and
// platform::Timer: real Qt message boxes, an error-list window, the busy
// cursor, event processing, calls from worker threads into the Qt main
// thread, and timers on the Qt event loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/Timer.h"
#include "platform/Ui.h"

class QWidget;

namespace platform::qt {

class TQtUi : public Ui {
public:
    // `title` captions the questions (the application's title, UTF-8).
    explicit TQtUi(std::string title) : title_(std::move(title)) {}

    void Information(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(std::string_view text) override;
    Answer AskYesNo(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text) override;
    void ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) override;
    void BeginBusy() override;
    void EndBusy() override;
    void ProcessEvents(int rounds) override;

    const std::string& Title() const { return title_; }
    void SetTitle(std::string t) { title_ = std::move(t); }
    // Parent of the boxes (the main window); nullptr: the active window.
    void SetParentWindow(QWidget* w) { parent_ = w; }

private:
    QWidget* Parent() const;
    std::string title_;
    QWidget* parent_ = nullptr;
    int busy_ = 0;
};

// Work posted to the thread that owns the QCoreApplication.
class TQtDispatch : public Dispatch {
public:
    void Post(std::function<void()> fn) override;
    void CallAndWait(std::function<void()> fn) override;
    bool RunPending() override;
    bool IsUiThread() const override;
};

// Timers of the Qt event loop: restarting one (as every keystroke restarts a
// page's idle timer) costs no thread. Made and used on the UI thread.
class TQtTimers : public TimerFactory {
public:
    std::unique_ptr<Timer> MakeTimer() override;
};

}  // namespace platform::qt
