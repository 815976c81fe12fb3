// The program's entry: the main window in desktop windows where a graphical
// display is available, else on the terminal.
#include "app/program.h"
#include "app/terminalfront.h"
#include "platform/signals.h"
#include "platform/ui/gui/renderer.h"
#include "res/resources.h"

int main() {
    // Before the desktop's library, which would take the stop signals otherwise.
    platform::catchStopSignals();
    const auto onDesktop = platform::gui::runOnDesktop([] { return app::runProgram(res::lirvaneModule()); });
    const int result = onDesktop ? *onDesktop : app::runInTerminal();
    platform::endByCaughtSignal();
    return result;
}
