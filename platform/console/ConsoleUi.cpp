#include "platform/console/ConsoleUi.h"

#include <string>

#include "platform/Dispatch.h"

namespace platform {

namespace {
// Message texts use "\r" as the line break of the boxes; a terminal wants "\n".
std::string ForTerminal(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            s += '\n';
        } else {
            s += text[i];
        }
    }
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}
}  // namespace

void ConsoleUi::Print(const char* caption, std::string_view text) {
    std::string t = ForTerminal(text);
    std::fprintf(out_, "%s: %s\n", caption, t.c_str());
    std::fflush(out_);
}

void ConsoleUi::Information(std::string_view text) {
    if (!quiet_) Print("Informazione", text);
}
void ConsoleUi::Warning(std::string_view text) { Print("Attenzione!", text); }
void ConsoleUi::Error(std::string_view text) { Print("Errore!", text); }

Answer ConsoleUi::AskYesNo(std::string_view text) {
    Print("Domanda", text);
    std::fprintf(out_, "  -> %s\n", yesNo_ == Answer::Yes ? "Sì" : "No");
    return yesNo_;
}

Answer ConsoleUi::AskYesNoCancel(std::string_view text) {
    Print("Domanda", text);
    std::fprintf(out_, "  -> %s\n",
                 yesNoCancel_ == Answer::Yes ? "Sì" : yesNoCancel_ == Answer::No ? "No" : "Annulla");
    return yesNoCancel_;
}

void ConsoleUi::ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) {
    std::string c(caption);
    for (const auto& m : messages) Print(c.c_str(), m);
}

void ConsoleUi::ProcessEvents(int rounds) {
    for (int i = 0; i < rounds; ++i)
        if (!dispatch().RunPending()) break;
}

}  // namespace platform
