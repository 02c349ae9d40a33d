// A Ui that says nothing and answers No: for fuzzing and benchmarks.
#pragma once

#include "platform/Ui.h"

namespace platform::testing {

class SilentUi : public Ui {
public:
    void Information(std::string_view) override { ++messages; }
    void Warning(std::string_view) override { ++messages; }
    void Error(std::string_view) override { ++messages; }
    Answer AskYesNo(std::string_view) override { return Answer::No; }
    Answer AskYesNoCancel(std::string_view) override { return Answer::Cancel; }
    void ShowErrorList(std::string_view, const std::vector<std::string>&) override { ++messages; }
    void BeginBusy() override {}
    void EndBusy() override {}
    void ProcessEvents(int) override {}
    int messages = 0;
};

}  // namespace platform::testing
