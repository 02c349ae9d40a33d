#include "platform/testing/ScriptedUi.h"

#include "platform/Dispatch.h"

namespace platform::testing {

Answer ScriptedUi::Next() {
    if (answers.empty()) return defaultAnswer;
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer ScriptedUi::AskYesNo(std::string_view t) {
    Record(Message::YesNo, t);
    return Next();
}

Answer ScriptedUi::AskYesNoCancel(std::string_view t) {
    Record(Message::YesNoCancel, t);
    return Next();
}

void ScriptedUi::ShowErrorList(std::string_view caption, const std::vector<std::string>& list) {
    std::string all(caption);
    for (const auto& m : list) all += "\n" + m;
    Record(Message::ErrorList, all);
}

void ScriptedUi::ProcessEvents(int rounds) {
    eventRounds += rounds;
    dispatch().RunPending();
}

std::vector<std::string> ScriptedUi::Texts(Message::Kind kind) const {
    std::vector<std::string> out;
    for (const auto& m : messages)
        if (m.kind == kind) out.push_back(m.text);
    return out;
}

std::vector<std::string> ScriptedUi::AllTexts() const {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m.text);
    return out;
}

}  // namespace platform::testing
