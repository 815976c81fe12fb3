// The stop signals SIGINT, SIGTERM and SIGHUP (Ctrl+C from outside the
// program, a kill, a closed terminal): the first asks the program to stop, as
// "Cancelar" and then quitting would; a walk ends after the file under work,
// the windows close and the program ends by that signal. A second one does not
// wait: the temporary files are removed, the terminal is restored, and the
// program ends at once.
#pragma once

namespace platform {

// Installs the handlers; before any front end installs its own.
void catchStopSignals();
// The signal that asked the program to stop; 0 while none has.
int caughtStopSignal();
// After the program has wound down: ends it by the caught signal, as its
// default action would, so that whoever started it sees why it ended.
void endByCaughtSignal();

// What a second signal does before the program ends: the terminal's restore.
using ForcedStopAction = void (*)();
void setForcedStopAction(ForcedStopAction action);

// The temporary files a second signal removes: noteTemporary gives the slot
// (-1 when all are taken) that forgetTemporary frees.
int noteTemporary(const char* path);
void forgetTemporary(int slot);

}  // namespace platform
