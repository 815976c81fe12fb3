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

// A thumb is at least minLength long, so that one of a long list can be taken.
inline ThumbSpan thumbSpan(const ScrollInfo& info, int trackCells, int minLength = 1) {
    const int total = std::max(1, info.max - info.min + 1);
    const long long proportional = static_cast<long long>(trackCells) * std::max(1, info.page) / total;
    const int length = std::min(std::max({static_cast<int>(proportional), minLength, 1}), std::max(1, trackCells));
    const int range = scrollRange(info);
    const int free = std::max(0, trackCells - length);
    const int start =
        range == 0
            ? 0
            : static_cast<int>((static_cast<long long>(free) * std::clamp(info.pos - info.min, 0, range) + range / 2) /
                               range);
    return {start, length};
}

// The position whose thumb starts at `thumbStart` (rounded to the nearest).
inline int scrollPositionAt(const ScrollInfo& info, int trackCells, int thumbStart, int minLength = 1) {
    const int free = std::max(0, trackCells - thumbSpan(info, trackCells, minLength).length);
    if (free == 0) return info.min;
    return info.min +
           static_cast<int>((static_cast<long long>(std::clamp(thumbStart, 0, free)) * scrollRange(info) + free / 2) /
                            free);
}

}  // namespace platform
