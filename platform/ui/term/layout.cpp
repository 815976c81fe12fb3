#include "platform/ui/term/layout.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/placement.h"

namespace platform::term {
namespace {

// The screen rows a window may use: all but the help line.
int usableRows(int rows) { return rows - kHelpRows; }

Rect toRect(const CellRect& cells) { return {cells.left, cells.top, cells.right, cells.bottom}; }

}  // namespace

// Whole steps only: with a fractional scale, a check box and the edit beside
// it could land on different rows.
Scale Scale::forTerminal(int columns, int rows) {
    const int steps = std::min(columns / kMinColumns, rows / kMinRows);
    return Scale{static_cast<double>(std::max(1, steps))};
}

int Scale::column(int xUnits) const {
    return static_cast<int>(std::floor(xUnits * factor * narrowing / kUnitsPerColumn));
}

int Scale::row(int yUnits) const { return static_cast<int>(std::floor(yUnits * factor / kUnitsPerRow)); }

int Scale::columns(int cxUnits) const {
    return std::max(1, static_cast<int>(std::ceil(cxUnits * factor * narrowing / kUnitsPerColumn)));
}

int Scale::rows(int cyUnits) const { return std::max(1, static_cast<int>(std::ceil(cyUnits * factor / kUnitsPerRow))); }

CellRect Scale::control(const Rect& units) const {
    const int left = column(units.left);
    const int right = std::max(left + 1, column(units.right));
    if (units.height() <= kSingleRowUnits) {
        // Labels, buttons and edits of one line stand on the row of their middle,
        // so that a check box and the edit beside it share a row.
        const int middle = row(units.top + units.height() / 2);
        return {left, middle, right, middle + 1};
    }
    const int top = row(units.top);
    return {left, top, right, std::max(top + 1, row(units.bottom))};
}

CellRect Scale::groupBox(const Rect& units) const {
    const int left = column(units.left);
    const int top = static_cast<int>(std::lround(units.top * factor / kUnitsPerRow));
    const int bottomLine = std::max(top + 1, row(units.bottom - 1));
    return {left, top, std::max(left + 2, column(units.right)), bottomLine + 1};
}

CellRect Scale::part(const Rect& units) const {
    const int left = column(units.left);
    const int top = row(units.top);
    return {left, top, std::max(left + 1, column(units.right)), std::max(top + 1, row(units.bottom))};
}

CellRect Scale::lines(const Rect& units) const {
    CellRect cells = control(units);
    cells.top = std::min(row(units.top + kUnitsPerRow / 2), cells.bottom - 1);
    return cells;
}

// One unit short of the whole width, so that rounding never makes the window
// a column too wide.
Scale scaleForWindow(const Scale& scale, int widthUnits, int columns) {
    if (scale.columns(widthUnits) <= columns) return scale;
    const double unitsThatFit = static_cast<double>(columns) * kUnitsPerColumn - 1;
    return Scale{scale.factor, unitsThatFit / (widthUnits * scale.factor)};
}

bool terminalTooSmall(int columns, int rows) { return columns < kMinColumns || rows < kMinRows; }

int frameRows(bool hasMenu) { return kCaptionRows + (hasMenu ? kMenuRows : 0); }

Placement sizeWindow(WindowHandle window, int clientColumns, int clientRows, bool hasMenu, int columns, int rows) {
    const int width = clientColumns + kFrameColumns;
    const int height = frameRows(hasMenu) + clientRows + kFrameRows;
    if (width <= columns && height <= usableRows(rows)) return {window, {0, 0, width, height}, true, Scale{}};
    return {window, {0, 0, clientColumns, frameRows(hasMenu) + clientRows}, false, Scale{}};
}

Placement placeTopLevel(const Window& window, const Scale& scale, const std::vector<Placement>& placed, int columns,
                        int rows) {
    // Narrowed, a window keeps room for its frame's sides when its rows leave room for its bottom.
    const bool hasMenu = window.menuBar() != nullptr;
    const int clientRows = scale.rows(window.rect.height());
    const bool frameFits = frameRows(hasMenu) + clientRows + kFrameRows <= usableRows(rows);
    const Scale own = scaleForWindow(scale, window.rect.width(), frameFits ? columns - kFrameColumns : columns);
    Placement placement =
        sizeWindow(window.handle, own.columns(window.rect.width()), clientRows, hasMenu, columns, rows);
    placement.outer = placeWindow(placement.outer, window.owner, placed, columns, rows);
    placement.scale = own;
    return placement;
}

Rect screenRoom(const Window& window, const Scale& scale, int columns, int rows) {
    const int clientColumns = columns - kFrameColumns;
    const int clientRows = usableRows(rows) - frameRows(window.menuBar() != nullptr) - kFrameRows;
    return {0, 0, static_cast<int>(clientColumns * kUnitsPerColumn / scale.factor),
            static_cast<int>(clientRows * kUnitsPerRow / scale.factor)};
}

void growToScreen(const Scale& scale, int columns, int rows) {
    for (WindowHandle handle : desktop().zOrder) {
        const Window* window = windowOf(handle);
        if (window == nullptr || !window->resizable() || !isWindowVisible(handle)) continue;
        const Rect room = screenRoom(*window, scale, columns, rows);
        if (room.width() != window->rect.width() || room.height() != window->rect.height())
            resizeDialog(handle, room.width(), room.height());
    }
}

CellRect clientArea(const Placement& placement, bool hasMenu) {
    const CellRect& outer = placement.outer;
    const int side = placement.framed ? kFrameColumns / 2 : 0;
    const int bottom = placement.framed ? kFrameRows : 0;
    return {outer.left + side, outer.top + frameRows(hasMenu), outer.right - side, outer.bottom - bottom};
}

CellRect placeWindow(const CellRect& size, WindowHandle owner, const std::vector<Placement>& placed, int columns,
                     int rows) {
    std::vector<Rect> outers;
    const Rect* ownerOuter = nullptr;
    for (const Placement& p : placed) outers.push_back(toRect(p.outer));
    for (std::size_t i = 0; i < placed.size(); ++i) {
        if (placed[i].window == owner) ownerOuter = &outers[i];
    }
    const Rect r = placeTopLevel(toRect(size), ownerOuter, outers, {0, 0, columns, usableRows(rows)});
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace platform::term
