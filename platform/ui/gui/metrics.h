// Dialog units to pixels, as the desktop maps them for a dialog's font: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height. On a screen of more dots per inch
// the font is opened larger, so both grow, and so do the pixels of borders,
// marks and bars.
#pragma once

#include <optional>
#include <string_view>

#include "platform/ui/window.h"

namespace platform::gui {

inline constexpr int kScreenDpi = 96;  // the resolution at which the desktop's pixels are the template's

// A length drawn at 96 dots per inch, on a screen of `dpi`.
inline int scaledPixels(int pixelsAt96, int dpi) { return pixelsAt96 * dpi / kScreenDpi; }

struct DialogScale {
    int averageWidth = 1;  // pixels
    int height = 1;        // pixels
    int dpi = kScreenDpi;

    int x(int units) const { return units * averageWidth / kUnitsPerColumn; }
    int y(int units) const { return units * height / kUnitsPerRow; }
    // Pixels back to units, rounded down.
    int unitsX(int pixels) const { return pixels * kUnitsPerColumn / averageWidth; }
    int unitsY(int pixels) const { return pixels * kUnitsPerRow / height; }
    Rect pixels(const Rect& units) const { return {x(units.left), y(units.top), x(units.right), y(units.bottom)}; }
    // A length drawn at 96 dots per inch, at this screen's resolution.
    int px(int pixelsAt96) const { return scaledPixels(pixelsAt96, dpi); }
};

// The desktop's average width: the width of the 52 Latin letters, halved and
// rounded, over 26.
int averageCharWidth(int widthOfLetters);
inline constexpr char kAverageWidthSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// What tells the screen's resolution, each where it is set.
struct ResolutionSources {
    std::string_view override;         // LIRVANE_SCALE: a factor, such as 2 or 1.5
    std::optional<int> resourceDpi;    // the Xft.dpi resource of the display
    std::optional<int> settingsDpi;    // the desktop's Xft/DPI setting, in 1024ths of a dot
    std::string_view windowScale;      // GDK_SCALE: a whole factor
    std::optional<int> settingsScale;  // the desktop's window scaling factor
};

// The dots per inch dialogs are drawn at: what LIRVANE_SCALE asks for (0.5
// to 8 times 96), else the largest resolution the desktop tells, never less
// than 96.
int dialogDpi(const ResolutionSources& sources);

// An integer resource of an X resource database string ("Xft.dpi:\t192"), its
// fraction cut off.
std::optional<int> resourceInteger(std::string_view resources, std::string_view name);
inline constexpr char kDpiResource[] = "Xft.dpi";

}  // namespace platform::gui
