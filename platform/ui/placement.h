// Where a top-level window appears on the screen, in whatever unit the
// renderer measures (cells, pixels): the first window (the main window) at
// the top-left corner; an owned window centred over its owner, and one
// without owner over the main window's centre. Always kept inside the screen
// where it fits.
#pragma once

#include <span>

#include "platform/ui/ui.h"

namespace platform {

// size: the window's outer size (left and top ignored); owner: the owner's
// outer rectangle when the owner is placed, else null; placed: the outer
// rectangles of the windows already placed.
Rect placeTopLevel(const Rect& size, const Rect* owner, std::span<const Rect> placed, const Rect& screen);

}  // namespace platform
