// Test double for platform::Ui: records every message and answers questions
// from a script (then a default answer).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace platform::testing {

struct Message {
    enum Kind { Information, Warning, Error, YesNo, YesNoCancel, ErrorList } kind;
    std::string text;
};

class ScriptedUi : public Ui {
public:
    void Information(std::string_view t) override { Record(Message::Information, t); }
    void Warning(std::string_view t) override { Record(Message::Warning, t); }
    void Error(std::string_view t) override { Record(Message::Error, t); }
    Answer AskYesNo(std::string_view t) override;
    Answer AskYesNoCancel(std::string_view t) override;
    void ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) override;
    void BeginBusy() override { ++busyDepth; ++busyCalls; }
    void EndBusy() override { --busyDepth; }
    void ProcessEvents(int rounds) override;

    // Next answers to questions, in order; afterwards `defaultAnswer`.
    std::deque<Answer> answers;
    Answer defaultAnswer = Answer::No;

    std::vector<Message> messages;
    int busyDepth = 0;
    int busyCalls = 0;
    int eventRounds = 0;

    // All texts of one kind, for compact assertions.
    std::vector<std::string> Texts(Message::Kind kind) const;
    std::vector<std::string> AllTexts() const;
    void ClearMessages() { messages.clear(); }

private:
    void Record(Message::Kind k, std::string_view t) { messages.push_back({k, std::string(t)}); }
    Answer Next();
};

// Installs a ScriptedUi for the lifetime of a test.
class ScriptedUiScope {
public:
    ScriptedUiScope() : scope_(ui) {}
    ScriptedUi ui;

private:
    ScopedUi scope_;
};

}  // namespace platform::testing
