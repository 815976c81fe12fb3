#include "platform/ui/placement.h"

#include <algorithm>

namespace platform {
namespace {

Rect moved(const Rect& size, int left, int top) { return {left, top, left + size.width(), top + size.height()}; }

Rect centredIn(const Rect& size, const Rect& area, const Rect& screen) {
    const int left = std::clamp(area.left + (area.width() - size.width()) / 2, screen.left,
                                std::max(screen.left, screen.right - size.width()));
    const int top = std::clamp(area.top + (area.height() - size.height()) / 2, screen.top,
                               std::max(screen.top, screen.bottom - size.height()));
    return moved(size, left, top);
}

}  // namespace

Rect placeTopLevel(const Rect& size, const Rect* owner, std::span<const Rect> placed, const Rect& screen) {
    if (placed.empty()) return moved(size, screen.left, screen.top);
    return centredIn(size, owner != nullptr ? *owner : placed.front(), screen);
}

}  // namespace platform
