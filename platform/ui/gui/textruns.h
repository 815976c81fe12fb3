// A line of text as the pieces the screen draws from left to right: each
// piece one font's characters at one embedding level, right-to-left pieces
// put in their visual place, and every stretch of characters no font has
// shown as one replacement mark.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::gui {

inline constexpr int kNoFont = -1;
inline constexpr char32_t kReplacementMark = U'\uFFFD';

struct FontRun {
    int font = 0;              // the chooser's number for the font, or kNoFont: the mark
    std::string text;          // UTF-8, in logical order
    bool rightToLeft = false;  // drawn from right to left (shaped, or reversed)
    bool operator==(const FontRun&) const = default;
};

// Which font draws a character: a number of the caller's, or kNoFont.
using FontChooser = std::function<int(char32_t)>;

// The runs of a line of valid UTF-8, in the order they stand on the screen.
// The direction of the line is that of its first letter with a direction;
// runs of the other direction are reordered, numbers keep left to right.
std::vector<FontRun> visualRuns(std::string_view utf8, const FontChooser& fontOf);

// The characters of a right-to-left run in the order they are drawn, for
// renderers that cannot shape.
std::string reversedCharacters(std::string_view utf8);

}  // namespace platform::gui
