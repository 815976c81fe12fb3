// lirvane-term: the program on the terminal, whatever display there is.
#include "app/terminalfront.h"
#include "platform/signals.h"

int main() {
    platform::catchStopSignals();
    const int result = app::runInTerminal();
    platform::endByCaughtSignal();
    return result;
}
