// The rename dialog: the user arranges the name pattern of text and tag
// fields, chooses the scope, and runs the rename as often as wanted.
#pragma once

#include <cstdint>

#include "platform/ui/ui.h"

namespace renaming {

std::intptr_t RenameDialog(platform::WindowHandle dialog, unsigned message, platform::WParam wParam,
                           platform::LParam lParam);

}  // namespace renaming
