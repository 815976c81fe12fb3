#include "platform/ui/term/canvas.h"

#include "platform/text.h"

namespace platform::term {

Canvas::Canvas(int columns, int rows)
    : columns_(columns), rows_(rows), clip_{0, 0, columns, rows}, cells_(static_cast<std::size_t>(columns * rows)) {}

bool Canvas::drawable(int x, int y) const {
    return clip_.contains(x, y) && x >= 0 && y >= 0 && x < columns_ && y < rows_;
}

void Canvas::put(int x, int y, char32_t ch, Style style) {
    if (!drawable(x, y)) return;
    cells_[static_cast<std::size_t>(y * columns_ + x)] = {ch, style};
}

void Canvas::fill(const CellRect& area, Style style) {
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) put(x, y, U' ', style);
    }
}

int Canvas::text(int x, int y, std::string_view cp1252, int width, Style style) {
    int used = 0;
    for (char c : cp1252) {
        if (used >= width) break;
        put(x + used, y, codepointFromCp1252(static_cast<unsigned char>(c)), style);
        ++used;
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
        if (drawable(x, y)) cells_[static_cast<std::size_t>(y * columns_ + x)].style = Style::Shadow;
    };
    for (int y = area.top + 1; y <= area.bottom; ++y) shade(area.right, y);
    for (int x = area.left + 1; x < area.right; ++x) shade(x, area.bottom);
}

std::string Canvas::rowText(int y) const {
    std::string utf8;
    for (int x = 0; x < columns_; ++x) appendUtf8(utf8, at(x, y).ch);
    return utf8;
}

}  // namespace platform::term
