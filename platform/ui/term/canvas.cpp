#include "platform/ui/term/canvas.h"

#include "platform/text.h"

namespace platform::term {

Canvas::Canvas(int columns, int rows)
    : columns_(columns), rows_(rows), clip_{0, 0, columns, rows}, cells_(static_cast<std::size_t>(columns * rows)) {}

bool Canvas::visible(int x, int y) const {
    return clip_.contains(x, y) && x >= 0 && y >= 0 && x < columns_ && y < rows_;
}

Cell* Canvas::cell(int x, int y) {
    return x >= 0 && y >= 0 && x < columns_ && y < rows_ ? &cells_[static_cast<std::size_t>(y * columns_ + x)]
                                                         : nullptr;
}

void Canvas::put(int x, int y, char32_t ch, Style style) {
    if (!visible(x, y)) return;
    Cell& target = *cell(x, y);
    if (Cell* head = cell(x - 1, y); target.ch == kWideTail && head != nullptr) head->ch = U' ';
    if (Cell* tail = cell(x + 1, y); tail != nullptr && tail->ch == kWideTail) tail->ch = U' ';
    target = {ch, 0, style};
}

// Both halves, or a blank where the clip would cut the character in two.
void Canvas::putWide(int x, int y, char32_t ch, Style style) {
    if (!visible(x + 1, y)) return put(x, y, U' ', style);
    put(x, y, ch, style);
    put(x + 1, y, U' ', style);
    cell(x + 1, y)->ch = kWideTail;
}

void Canvas::addMark(int x, int y, char32_t mark) {
    if (!visible(x, y)) return;
    Cell* base = cell(x, y);
    if (base->ch == kWideTail) base = cell(x - 1, y);
    if (base != nullptr && base->mark == 0) base->mark = mark;  // further marks are dropped
}

void Canvas::fill(const CellRect& area, Style style) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) put(x, y, U' ', style);
    }
}

int Canvas::text(int x, int y, std::string_view utf8, int width, Style style) {
    int used = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::string escaped = escapedCharacter(utf8, pos);
        const std::int32_t decoded = decodeUtf8(utf8, pos);
        if (!escaped.empty()) {
            if (used + static_cast<int>(escaped.size()) > width) break;
            for (char c : escaped) put(x + used++, y, static_cast<unsigned char>(c), style);
            continue;
        }
        const auto ch = static_cast<char32_t>(decoded);
        const int cells = codepointWidth(ch);
        if (cells == 0) {
            if (used > 0) addMark(x + used - 1, y, ch);
            continue;
        }
        if (used + cells > width) break;
        if (cells == 2)
            putWide(x + used, y, ch, style);
        else
            put(x + used, y, ch, style);
        used += cells;
    }
    return used;
}

void Canvas::frame(const CellRect& area, Style style) {
    if (area.width() < 2 || area.height() < 2) return;
    for (int x = area.left + 1; x < area.right - 1; ++x) {
        put(x, area.top, kHorizontal, style);
        put(x, area.bottom - 1, kHorizontal, style);
    }
    for (int y = area.top + 1; y < area.bottom - 1; ++y) {
        put(area.left, y, kVertical, style);
        put(area.right - 1, y, kVertical, style);
    }
    put(area.left, area.top, kTopLeft, style);
    put(area.right - 1, area.top, kTopRight, style);
    put(area.left, area.bottom - 1, kBottomLeft, style);
    put(area.right - 1, area.bottom - 1, kBottomRight, style);
}

void Canvas::shadow(const CellRect& area) {
    const auto shade = [&](int x, int y) {
        if (visible(x, y)) cell(x, y)->style = Style::Shadow;
    };
    for (int y = area.top + 1; y <= area.bottom; ++y) shade(area.right, y);
    for (int x = area.left + 1; x < area.right; ++x) shade(x, area.bottom);
}

std::string Canvas::rowText(int y) const {
    std::string utf8;
    for (int x = 0; x < columns_; ++x) {
        const Cell& shown = at(x, y);
        if (shown.ch == kWideTail) continue;
        appendUtf8(utf8, shown.ch);
        if (shown.mark != 0) appendUtf8(utf8, shown.mark);
    }
    return utf8;
}

}  // namespace platform::term
