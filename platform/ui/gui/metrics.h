// Dialog units to pixels, as the desktop maps them for a dialog's font: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
#pragma once

#include "platform/ui/window.h"

namespace platform::gui {

struct DialogScale {
    int averageWidth = 1;  // pixels
    int height = 1;        // pixels

    int x(int units) const { return units * averageWidth / kUnitsPerColumn; }
    int y(int units) const { return units * height / kUnitsPerRow; }
    // Pixels back to units, rounded down.
    int unitsX(int pixels) const { return pixels * kUnitsPerColumn / averageWidth; }
    int unitsY(int pixels) const { return pixels * kUnitsPerRow / height; }
    Rect pixels(const Rect& units) const { return {x(units.left), y(units.top), x(units.right), y(units.bottom)}; }
};

// The desktop's average width: the width of the 52 Latin letters, halved and
// rounded, over 26.
int averageCharWidth(int widthOfLetters);
inline constexpr char kAverageWidthSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace platform::gui
