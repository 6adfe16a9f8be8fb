// The program with its main window.
#pragma once

#include "app/command_line.h"

namespace tarvik {

// Opens the main window (on the demo site with --demo, with the command
// line's settings applied) and runs it until it is closed. Returns the exit
// status: 0, or 2 for bad settings.
int RunWindow(int argc, char** argv, const AppOptions& options);

}  // namespace tarvik
