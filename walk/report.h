// How the walks and the dialogs around them tell the user what went wrong:
// a modal box with one OK button, owned by the window given.
#pragma once

#include <string_view>

#include "platform/ui/handle.h"
#include "tags/tagresult.h"

namespace walking {

// The title of every box about a failed tag or list file operation.
inline constexpr char kErrorTitle[] = "ERROR";

// Shows the outcome's message, if it has one, titled "ERROR".
void report(platform::WindowHandle owner, const tags::TagOutcome& outcome);

// Shows the format with the subject for its %s, cut to 256 bytes.
void showError(platform::WindowHandle owner, const char* format, std::string_view subject = {},
               const char* title = kErrorTitle);

}  // namespace walking
