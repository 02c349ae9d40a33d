// The user-facing side of core operations: message boxes, questions, the
// error-list window, the busy cursor and event processing. The desktop answers
// with real dialogs, the command line with a policy, tests with a script.
// All texts are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class Answer { Yes, No, Cancel };

class Ui {
public:
    virtual ~Ui() = default;

    // The four standard boxes: "Informazione", "Attenzione!", "Errore!".
    virtual void Information(std::string_view text) = 0;
    virtual void Warning(std::string_view text) = 0;
    virtual void Error(std::string_view text) = 0;
    // Questions captioned with the application's title.
    virtual Answer AskYesNo(std::string_view text) = 0;
    virtual Answer AskYesNoCancel(std::string_view text) = 0;
    // A window listing messages (the save errors, for example).
    virtual void ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) = 0;
    // Hourglass cursor; calls nest.
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
    // Lets the user interface handle what is pending, `rounds` times.
    virtual void ProcessEvents(int rounds) = 0;
};

// The process-wide user interface. Starts as the console one.
Ui& ui();
// Replaces it; returns the previous one. The caller keeps ownership.
Ui* SetUi(Ui* next);

// Installs a Ui for the lifetime of a scope (tests, the command-line tool).
class ScopedUi {
public:
    explicit ScopedUi(Ui& u) : previous_(SetUi(&u)) {}
    ~ScopedUi() { SetUi(previous_); }
    ScopedUi(const ScopedUi&) = delete;
    ScopedUi& operator=(const ScopedUi&) = delete;

private:
    Ui* previous_;
};

// Busy cursor for a scope.
class BusyCursor {
public:
    BusyCursor() { ui().BeginBusy(); }
    ~BusyCursor() { ui().EndBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace platform
