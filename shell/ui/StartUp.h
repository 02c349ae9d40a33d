// The desktop program's start-up: the application, the platform answers,
// the tips or splash window, the main window and its start sequence, the
// event loop.
#pragma once

namespace shell::ui {

// Runs the program; returns the exit status.
//
// Two environment variables serve the tests and the start-up benchmark:
// QUOR_SCREENSHOT=FILE saves a picture of the main window once the start is
// done and quits; QUOR_EXIT_WHEN_IDLE=1 quits as soon as the start is done
// and the event queue is empty; QUOR_EXIT_WHEN_IDLE=opened quits once the
// window is up with the document open, before the 300 ms start action.
int RunQuor(int argc, char** argv);

// Qt's own texts (its file chooser, printer dialog, standard buttons) in
// Italian, from the Qt translations installed with the system; false when
// they are not installed (the program then runs with Qt's English texts).
// Call once the application exists.
bool InstallQtItalian();

}  // namespace shell::ui
