// A scroll bar's geometry in pixels: two arrow buttons and a track with a
// thumb whose length and place show the page and the position.
#pragma once

#include "platform/ui/ui.h"

namespace platform::gui {

inline constexpr int kScrollBarThickness = 16;
inline constexpr int kMinThumbLength = 8;

struct ScrollBar {
    enum class Part { None, LineBack, LineForward, PageBack, PageForward, Thumb };

    Rect area;  // the whole bar
    bool vertical = true;
    int position = 0;  // the first item shown
    int page = 1;      // items shown at once
    int total = 0;     // items in all

    int maxPosition() const;
    Rect thumb() const;
    Part partAt(int x, int y) const;
    // The position for a thumb whose leading edge stands `along` pixels into the track.
    int positionAt(int along) const;
    // How far into the track (pixels) a point lies, along the bar.
    int alongOf(int x, int y) const;

private:
    int length() const;       // of the whole bar, along it
    int trackLength() const;  // between the arrows
    int thumbLength() const;
};

}  // namespace platform::gui
