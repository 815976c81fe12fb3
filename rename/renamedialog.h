// The rename dialog: the user arranges the name pattern of text and tag
// fields, chooses the scope, and runs the rename as often as wanted.
#pragma once

#include <cstdint>

#include "platform/ui/resource.h"
#include "platform/ui/ui.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace renaming {

// What the dialog and its runs work on, from the program that opens it.
struct RenameContext {
    const platform::Module* module;
    platform::WindowHandle fileList;  // the main window's list, whose files are renamed
    tags::V1Tag* v1;                  // the records the names are read into
    tags::V2Tag* v2;
    platform::WindowHandle* openHandle;  // set while the dialog is open
};

// Made with a pointer to its RenameContext as the creation parameter.
std::intptr_t RenameDialog(platform::WindowHandle dialog, unsigned message, platform::WParam wParam,
                           platform::LParam lParam);

}  // namespace renaming
