// Where windows and controls stand on the terminal: dialog units map to cells,
// about 4 units a column and 8 a row, scaled up when the terminal is larger
// than the 80 by 43 cells the main window needs.
#pragma once

#include <vector>

#include "platform/ui/ui.h"
#include "platform/ui/window.h"

namespace platform::term {

inline constexpr int kMinColumns = 80;
inline constexpr int kMinRows = 43;
inline constexpr int kCaptionRows = 1;
inline constexpr int kMenuRows = 1;
inline constexpr int kHelpRows = 1;
// A control this many units high or less takes one row, at its middle.
inline constexpr int kSingleRowUnits = 14;

struct CellRect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const CellRect&, const CellRect&) = default;
};

// How many cells a dialog unit takes, the same in both directions.
struct Scale {
    double factor = 1.0;
    double narrowing = 1.0;  // columns only: below 1 for a window wider than the terminal

    // The scale for a terminal: 1 up to twice the smallest size, then 2, and so on.
    static Scale forTerminal(int columns, int rows);

    int column(int xUnits) const;
    int row(int yUnits) const;
    int columns(int cxUnits) const;  // at least one
    int rows(int cyUnits) const;     // at least one
    // A control's cells inside its dialog's client area.
    CellRect control(const Rect& units) const;
    // A group box's outline: its top line on the row nearest its top, its
    // bottom line on the row of its last unit.
    CellRect groupBox(const Rect& units) const;
    // A box of text lines (a multi-line edit): its first line on the row of
    // that line's middle, level with a label beside it.
    CellRect lines(const Rect& units) const;
    // A part of a control whose rows count from the control's top (a list's
    // rows and scroll bars): the rows its units start in and end before.
    CellRect part(const Rect& units) const;
};

// A window wider than the terminal at this scale (the rename dialog's 375
// units in 80 columns) gets narrower columns, so that all of it stays on the
// screen and in reach; its rows keep the scale.
Scale scaleForWindow(const Scale& scale, int widthUnits, int columns);

bool terminalTooSmall(int columns, int rows);

// The rows a top-level window takes above its client area.
int frameRows(bool hasMenu);

// A top-level window's outer cells, placed on the screen by placeTopLevel's rules.
struct Placement {
    WindowHandle window;
    CellRect outer;
    bool framed = false;  // a line down its sides and along its bottom
    Scale scale{};        // its own: narrower columns for a window wider than the terminal
};

inline constexpr int kFrameColumns = 2;  // a frame's sides
inline constexpr int kFrameRows = 1;     // its bottom; the caption is its top

// A window's outer cells for its client area: framed when the frame fits on
// the screen (a window as large as the screen is framed by the screen).
Placement sizeWindow(WindowHandle window, int clientColumns, int clientRows, bool hasMenu, int columns, int rows);

CellRect placeWindow(const CellRect& size, WindowHandle owner, const std::vector<Placement>& placed, int columns,
                     int rows);

// A top-level window sized at the scale and placed among those placed before.
Placement placeTopLevel(const Window& window, const Scale& scale, const std::vector<Placement>& placed, int columns,
                        int rows);

// The client size in units of a resizable window that fills the screen
// inside its frame.
Rect screenRoom(const Window& window, const Scale& scale, int columns, int rows);

// Gives every shown resizable window the room of the screen (the core keeps
// it at least its smallest size and lays it out).
void growToScreen(const Scale& scale, int columns, int rows);

// The client area inside a placed window's caption, menu bar and frame.
CellRect clientArea(const Placement& placement, bool hasMenu);

}  // namespace platform::term
