// Console answers for the command-line tool: messages go to stderr, questions
// are answered by a fixed policy (never by reading stdin, so CI cannot block).
#pragma once

#include <cstdio>

#include "platform/Ui.h"

namespace platform {

class ConsoleUi : public Ui {
public:
    // What Yes/No and Yes/No/Cancel questions are answered with.
    explicit ConsoleUi(Answer yesNo = Answer::No, Answer yesNoCancel = Answer::Cancel, std::FILE* out = stderr)
        : yesNo_(yesNo), yesNoCancel_(yesNoCancel), out_(out) {}

    void Information(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(std::string_view text) override;
    Answer AskYesNo(std::string_view text) override;
    Answer AskYesNoCancel(std::string_view text) override;
    void ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) override;
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessEvents(int rounds) override;

    // Suppress information boxes (a quiet command-line run).
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    void Print(const char* caption, std::string_view text);
    Answer yesNo_;
    Answer yesNoCancel_;
    std::FILE* out_;
    bool quiet_ = false;
};

}  // namespace platform
