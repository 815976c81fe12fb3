// A screen of cells that the painter draws into and the terminal shows. Tests
// read it back as text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/term/layout.h"

namespace platform::term {

enum class Style : std::uint8_t {
    Desktop,
    Window,
    Caption,
    CaptionInactive,
    MenuBar,
    MenuHot,
    MenuSelected,
    Button,
    ButtonDefault,
    Focused,
    Pressed,
    Field,
    Selected,
    Disabled,
    Frame,
    Help,
    Notice,
    Shadow,
};

// The right half of a wide character stands in the cell after it.
inline constexpr char32_t kWideTail = 0;

struct Cell {
    char32_t ch = U' ';
    char32_t mark = 0;  // a combining mark drawn over ch; 0 none
    Style style = Style::Desktop;
};

// Line drawing characters, kept apart from text so the terminal can use its own.
inline constexpr char32_t kHorizontal = U'─';
inline constexpr char32_t kVertical = U'│';
inline constexpr char32_t kTopLeft = U'┌';
inline constexpr char32_t kTopRight = U'┐';
inline constexpr char32_t kBottomLeft = U'└';
inline constexpr char32_t kBottomRight = U'┘';

class Canvas {
public:
    Canvas(int columns, int rows);

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const Cell& at(int x, int y) const { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }

    // One character of one cell; a wide character it overwrites half of goes.
    void put(int x, int y, char32_t ch, Style style);
    void fill(const CellRect& area, Style style);
    // UTF-8 text from (x, y), cut at `width` cells before a character that
    // would not fit; returns the cells used. Wide characters take two cells,
    // combining marks none; a byte that is no character shows as \xHH.
    int text(int x, int y, std::string_view utf8, int width, Style style);
    void frame(const CellRect& area, Style style);
    // Darkens the cells a window standing over the desktop shades: a column
    // to its right and a row below it, each one cell down and along.
    void shadow(const CellRect& area);
    void setClip(const CellRect& clip) { clip_ = clip; }
    void clearClip() { clip_ = {0, 0, columns_, rows_}; }

    // A row as UTF-8, for tests and for the terminal.
    std::string rowText(int y) const;

    // Where the terminal's cursor goes (an edit with the focus); -1 hides it.
    int cursorX = -1;
    int cursorY = -1;

private:
    bool visible(int x, int y) const;
    Cell* cell(int x, int y);
    void putWide(int x, int y, char32_t ch, Style style);
    void addMark(int x, int y, char32_t mark);

    int columns_;
    int rows_;
    CellRect clip_;
    std::vector<Cell> cells_;
};

}  // namespace platform::term
