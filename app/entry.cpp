#include "app/mainwindow.h"
#include "app/program.h"
#include "app/settings.h"
#include "platform/memory.h"
#include "res/resources.h"
#include "tags/journal.h"

namespace app {

int runProgram(const platform::Module& module) {
    ModuleInstance = &module;
    platform::keepFreedMemory();
    // Overwrites that a killed run left half done are put back first.
    static_cast<void>(tags::rollBackJournals());
    loadSettings();
    platform::dialogBoxParam(module, res::kMainDialog, {}, MainWindow, 0);
    return 0;
}

void resetProgramState() {
    TheV1Tag = tags::V1Tag{};
    TheV2Tag.freeFields(tags::kAllFields);
    TheV2Tag.reset();
    CurrentPath[0] = '\0';
    QuickV1 = kSoftRemoval;
    QuickV2 = kSoftRemoval;
    ModuleInstance = nullptr;
    MainWindowHandle = {};
    OptionsDialogHandle = {};
    AboutDialogHandle = {};
    RenameDialogHandle = {};
}

}  // namespace app
