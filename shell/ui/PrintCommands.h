// The print commands of the main window: "Imposta stampante...", "Imposta
// margini...", "Stampa...", "Stampa pagina corrente", "Stampa tutte" and
// "Ordine predefinito pagine...".
// Where no printer is installed every print goes to a PDF file the user
// names; the printer profile and the margins are kept in the options.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "present/PrintSetup.h"

class QPrinter;

namespace shell::ui {

class TMainForm;

void AddPrintCommands(TMainForm& form, std::map<std::string, std::function<void()>>& handlers);

// What the commands do, for the handlers and for tests.
bool SetUpPrinter(TMainForm& form);
bool SetUpMargins(TMainForm& form);
bool ShowPrintDialog(TMainForm& form);
// "&Ordine predefinito pagine...": the print dialog in order mode (only
// "Ordine predefinito"; "&Ok" stores the order, which can be undone).
bool ShowPrintOrder(TMainForm& form);
bool PrintCurrentPage(TMainForm& form);
bool PrintAllPages(TMainForm& form);

// The margins in force (25 mm each until a profile is loaded or set).
present::TMargins CurrentMargins(TMainForm& form);
void SetCurrentMargins(TMainForm& form, const present::TMargins& m);
// The printer of the window (a PDF printer when none is installed).
QPrinter& WindowPrinter(TMainForm& form);
// True when a real printer is installed and printing does not go to files.
bool HasPrinter();
// Every print goes to a PDF file even where printers are installed.
void ForcePdfOutput(bool on);

}  // namespace shell::ui
