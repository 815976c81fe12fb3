// A scroll bar in pixels: two arrow buttons and, between them, the track
// where the layer's thumb rule places the thumb.
#pragma once

#include "platform/ui/scrollbar.h"
#include "platform/ui/ui.h"

namespace platform::gui {

inline constexpr int kScrollBarThickness = 16;
inline constexpr int kMinThumbLength = 8;

struct ScrollBar {
    enum class Part { None, LineBack, LineForward, PageBack, PageForward, Thumb };

    Rect area;  // the whole bar
    int bar = SB_VERT;
    ScrollInfo info;

    bool vertical() const { return bar == SB_VERT; }
    Rect thumb() const;
    Part partAt(int x, int y) const;
    // How far along the bar (pixels) a point lies.
    int alongOf(int x, int y) const;
    // The position for a thumb whose leading edge stands `along` pixels into the bar.
    int positionAt(int along) const;

private:
    int trackLength() const;
};

}  // namespace platform::gui
