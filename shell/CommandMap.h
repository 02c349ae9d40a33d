// The main window's command map without the window: the menus, every
// command's object name, caption and shortcut in menu order, the character
// style buttons, and the rules that enable the editing commands. The window
// builds its menus and actions from these tables and binds the commands it
// can carry out; the others stay disabled.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace shell {

struct TMenuDef {
    const char* name;     // "mnFile", ...
    const char* caption;  // "&File", ...
};

struct TCommandDef {
    const char* menu;      // the menu's name
    const char* name;      // "actApri", ...; "-" for a separator
    const char* caption;   // UTF-8, with its "&" mnemonic
    const char* shortcut;  // a portable key name ("Ctrl+F12"), "" for none
};

// The top-level menus in order.
const std::vector<TMenuDef>& MainMenus();
// The object menus (button, picture, table), disabled until an object of
// their kind is selected. "Cornice libera" holds the frame set's commands.
bool IsObjectMenu(std::string_view menu);
// The commands of the menus in order, separators included. "Esci" is not
// here: it closes the File menu, after the recent files.
const std::vector<TCommandDef>& MainCommands();
const TCommandDef& ExitCommand();
// nullptr when no command has that name.
const TCommandDef* FindCommand(std::string_view name);

// The "Formato" toolbar: character styles for the selection or the next
// typed characters.
struct TStyleCommandDef {
    const char* name;
    const char* caption;
    const char* tip;
    std::uint8_t bit;  // richtext style bit
};
const std::vector<TStyleCommandDef>& StyleCommands();

// What the editing commands' enabled state follows.
struct TEditState {
    bool editable = false;   // the page shown can be edited (not in view mode)
    bool selection = false;  // some text is selected
    bool canUndo = false;
    bool canRedo = false;
    bool undoBusy = false;   // the list of undo (or redo) steps is open
    bool pastable = false;   // the clipboard holds text or the program's container
};
// (command name, enabled) for "Undo", "Redo", "Taglia", "Copia", "Incolla",
// "Seleziona tutto", the style buttons and the undo and redo list buttons
// ("tbUndoLista", "tbRedoLista").
std::vector<std::pair<std::string, bool>> EditCommandStates(const TEditState& s);

// What the page and frame commands' enabled state follows.
struct TPageState {
    bool editable = false;        // the frame set is not read-only
    bool pageShown = false;       // a page is shown
    bool canGoBack = false;       // the history holds a page
    bool canUndoDeletion = false; // a page deleted since the last save can come back
};
// (command name, enabled) for the page commands ("Aggiungi nuova pagina",
// "Nuova pagina...", "Tutte le pagine...", deleting and restoring pages,
// "Indietro", "Segui collegamento") and the frame commands of "Cornice libera".
std::vector<std::pair<std::string, bool>> PageCommandStates(const TPageState& s);

}  // namespace shell
