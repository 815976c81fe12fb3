// Where a scroll bar's thumb stands on a track of some cells (or pixels), and
// which scroll position a dragged thumb stands for. Both renderers draw and
// drag scroll bars by these rules.
#pragma once

#include <algorithm>

#include "platform/ui/ui.h"

namespace platform {

struct ThumbSpan {
    int start = 0;  // from the track's first cell
    int length = 1;
};

// The positions a bar moves through: 0 to the returned value.
inline int scrollRange(const ScrollInfo& info) { return std::max(0, info.max - info.min + 1 - info.page); }

inline ThumbSpan thumbSpan(const ScrollInfo& info, int trackCells) {
    const int total = std::max(1, info.max - info.min + 1);
    const int length = std::clamp(trackCells * std::max(1, info.page) / total, 1, std::max(1, trackCells));
    const int range = scrollRange(info);
    const int free = std::max(0, trackCells - length);
    const int start = range == 0 ? 0 : (free * std::clamp(info.pos - info.min, 0, range) + range / 2) / range;
    return {start, length};
}

// The position whose thumb starts at `thumbStart` (rounded to the nearest).
inline int scrollPositionAt(const ScrollInfo& info, int trackCells, int thumbStart) {
    const int free = std::max(0, trackCells - thumbSpan(info, trackCells).length);
    if (free == 0) return info.min;
    return info.min + (std::clamp(thumbStart, 0, free) * scrollRange(info) + free / 2) / free;
}

}  // namespace platform
