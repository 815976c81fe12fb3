#include "platform/ui/gui/scrollbar.h"

#include <algorithm>

namespace platform::gui {

int ScrollBar::length() const { return vertical ? area.height() : area.width(); }

int ScrollBar::trackLength() const { return std::max(0, length() - 2 * kScrollBarThickness); }

int ScrollBar::maxPosition() const { return std::max(0, total - page); }

int ScrollBar::thumbLength() const {
    if (total <= 0) return trackLength();
    const long long proportional = static_cast<long long>(trackLength()) * std::min(page, total) / total;
    return std::min(trackLength(), std::max(kMinThumbLength, static_cast<int>(proportional)));
}

Rect ScrollBar::thumb() const {
    const int room = trackLength() - thumbLength();
    const int offset = maxPosition() == 0 ? 0
        : static_cast<int>(static_cast<long long>(room) * std::clamp(position, 0, maxPosition()) / maxPosition());
    const int start = kScrollBarThickness + offset;
    if (vertical) return {area.left, area.top + start, area.right, area.top + start + thumbLength()};
    return {area.left + start, area.top, area.left + start + thumbLength(), area.bottom};
}

int ScrollBar::alongOf(int x, int y) const { return vertical ? y - area.top : x - area.left; }

ScrollBar::Part ScrollBar::partAt(int x, int y) const {
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return Part::None;
    const int along = alongOf(x, y);
    if (along < kScrollBarThickness) return Part::LineBack;
    if (along >= length() - kScrollBarThickness) return Part::LineForward;
    const Rect t = thumb();
    const int thumbStart = alongOf(t.left, t.top);
    if (along < thumbStart) return Part::PageBack;
    if (along >= thumbStart + thumbLength()) return Part::PageForward;
    return Part::Thumb;
}

int ScrollBar::positionAt(int along) const {
    const int room = trackLength() - thumbLength();
    if (room <= 0) return 0;
    const long long offset = std::clamp(along - kScrollBarThickness, 0, room);
    // Rounded to the nearest position, so that the thumb follows the mouse.
    return static_cast<int>((offset * maxPosition() + room / 2) / room);
}

}  // namespace platform::gui
