#include "platform/ui/gui/xerrors.h"

#include <X11/Xlib.h>

#include <cstdio>

namespace platform::gui {
namespace {

// The answer to a clipboard request from a program that has gone meanwhile
// fails, for one; nothing of the program's own is lost by going on.
int reportXError(Display*, XErrorEvent* error) {
    std::fprintf(stderr, "Lirvane: X error %d of request %d ignored\n", error->error_code, error->request_code);
    return 0;
}

}  // namespace

void keepXErrorsNonFatal() { XSetErrorHandler(reportXError); }

}  // namespace platform::gui
