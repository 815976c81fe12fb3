// The program's entry: the main window in desktop windows where a graphical
// display is available, else on the terminal.
#include "app/program.h"
#include "app/terminalfront.h"
#include "platform/ui/gui/renderer.h"
#include "res/resources.h"

int main() {
    if (const auto result = platform::gui::runOnDesktop([] { return app::runProgram(res::lirvaneModule()); })) {
        return *result;
    }
    return app::runInTerminal();
}
