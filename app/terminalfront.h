// The program on the terminal, for both executables.
#pragma once

namespace app {

// Runs the main window on the terminal; 1 when there is no terminal to run in.
int runInTerminal();

}  // namespace app
