#include "platform/ui/gui/scrollbar.h"

#include <algorithm>

namespace platform::gui {

int ScrollBar::trackLength() const {
    const int length = vertical() ? area.height() : area.width();
    return std::max(0, length - 2 * kScrollBarThickness);
}

int ScrollBar::alongOf(int x, int y) const { return vertical() ? y - area.top : x - area.left; }

Rect ScrollBar::thumb() const {
    const ThumbSpan span = thumbSpan(info, trackLength(), kMinThumbLength);
    const int start = kScrollBarThickness + span.start;
    if (vertical()) return {area.left, area.top + start, area.right, area.top + start + span.length};
    return {area.left + start, area.top, area.left + start + span.length, area.bottom};
}

ScrollBar::Part ScrollBar::partAt(int x, int y) const {
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return Part::None;
    const int along = alongOf(x, y);
    if (along < kScrollBarThickness) return Part::LineBack;
    if (along >= kScrollBarThickness + trackLength()) return Part::LineForward;
    const Rect t = thumb();
    const int thumbStart = alongOf(t.left, t.top);
    const int thumbEnd = alongOf(t.right, t.bottom);
    if (along < thumbStart) return Part::PageBack;
    if (along >= thumbEnd) return Part::PageForward;
    return Part::Thumb;
}

int ScrollBar::positionAt(int along) const {
    return scrollPositionAt(info, trackLength(), along - kScrollBarThickness, kMinThumbLength);
}

}  // namespace platform::gui
