// How a dialog that can be resized lays its controls out, the same for every
// renderer: one control (a list) takes the extra width and height, and so do
// the group boxes around it; what stands below its lower edge moves down with
// that edge; everything else keeps its place. The dialog's template size is
// its smallest.
#pragma once

#include "platform/ui/ui.h"

namespace platform {

// Where a control stands when the growing control, at `grows` before, gets
// `wider` and `taller` units (negative: narrower, shorter).
Rect grownRect(const Rect& control, const Rect& grows, int wider, int taller);

}  // namespace platform
