// The program-lifetime state: the two tag records, the path under work, the
// removal settings, the module whose resources the dialogs are made from, and
// the handles of the windows that other parts need to reach.
#pragma once

#include <cstddef>

#include "platform/ui/resource.h"
#include "platform/ui/ui.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace app {

using platform::WindowHandle;

inline constexpr std::size_t kCurrentPathSize = 5120;
inline constexpr int kSoftRemoval = 1;

inline tags::V1Tag TheV1Tag;
inline tags::V2Tag TheV2Tag;
// The file dialogs' results, and the path of the file under work.
inline char CurrentPath[kCurrentPathSize] = {};
// Removal modes: non-zero removes a tag softly (zero bytes in place), 0 fully.
inline int QuickV1 = kSoftRemoval;
inline int QuickV2 = kSoftRemoval;
inline const platform::Module* ModuleInstance = nullptr;
inline WindowHandle MainWindowHandle;
// Set while the dialog is open; it keeps a second copy from opening.
inline WindowHandle OptionsDialogHandle;
inline WindowHandle AboutDialogHandle;
inline WindowHandle RenameDialogHandle;

// Runs the program on a module's resources; returns the exit code.
int runProgram(const platform::Module& module);

// Puts every program-lifetime record back into its first state.
void resetProgramState();

}  // namespace app
