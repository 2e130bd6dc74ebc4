// The program `relivox`: start-up, the event loop and the end.
#pragma once

#include "app/window/main_window.h"

// Starts the window system and the converter, builds the main window with
// `onExit` as its exit handler, installs the window face and starts the
// worker. 0 when all of that worked; otherwise the reason is printed on
// standard error, whatever was started is stopped again, and the result is
// the program's exit status (1).
int StartMainProgram(ExitHandler onExit);

// The program's command line first (ProgramArguments: --help and --version
// print and return 0, a usage error returns 2); then
// StartMainProgram(ExitProgram), one load job per named file, and the event
// loop until the window is closed, which ends the process with status 0.
// Returns only when it did not start, with the exit status.
int MainProgram(int argc = 0, char** argv = nullptr);

// Shuts the windows and the platform down and ends the process with status 0
// without waiting for the worker and without tearing down what it may still
// be using (open files, archives, images). Folders of a running zip job are
// removed first. Does not return.
[[noreturn]] void ExitProgram();
