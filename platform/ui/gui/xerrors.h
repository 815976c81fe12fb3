// X errors: Xlib's own handler ends the program on any failed request, even
// one that fails through no fault of ours. Kept apart: Xlib's macros (None,
// Status, ...) would clash with names elsewhere.
#pragma once

namespace platform::gui {

// Makes a failed X request a line on standard error. Call before SDL's video
// starts: SDL passes errors on to the handler that was set before it.
void keepXErrorsNonFatal();

}  // namespace platform::gui
