// The Cerca menu, "Ricerche ipertestuali...", "Esplorazione dei
// collegamenti..." and the two spell checks of the main window, with the
// background marking of the pages shown and the pop-up entries on a marked
// word.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "shell/ui/SearchDialogs.h"

namespace richtext::ui {
class TNYXpageView;
}

namespace shell {
class TKySpellChecker;
}

namespace shell::ui {

class TMainForm;

void AddSearchCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What the commands do, for the handlers and for tests.
// "Cerca...", "Cerca / Sostituisci...", "Cerca con operatori...": the dialog, then the search.
bool SearchDialog(TMainForm& form, TFcerca::TMode mode);
// Runs a search as asked (the dialog's answer); true when something was found or replaced.
bool RunSearch(TMainForm& form, const TSearchRequest& request);
// F3 and F4: the last search again, in the page (from the selection on) or in the hypertext.
bool RepeatInPage(TMainForm& form);
bool RepeatInHypertext(TMainForm& form);
// "Cerca per parola chiave...": the chosen page is shown.
bool SearchKeyword(TMainForm& form);
bool ShowReferences(TMainForm& form);
bool ShowLinkExploration(TMainForm& form);
// "Controllo ortografia pagina..." (from the caret) and "... ipertesto...".
bool CheckSpellingPage(TMainForm& form);
bool CheckSpellingHypertext(TMainForm& form);

// The window's spell checker (closed when no dictionary is installed).
shell::TKySpellChecker& SpellChecker(TMainForm& form);
// Why the spell checks are off ("" while the checker is open): the options
// dialog and the two commands' hints say it.
std::string SpellingUnavailableReason(TMainForm& form);
// The longest slice the last hypertext search ran, in microseconds.
std::int64_t LongestSearchSliceUs(TMainForm& form);

}  // namespace shell::ui
