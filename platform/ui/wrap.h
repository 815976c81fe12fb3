// Breaking a UTF-8 text into the lines of a box some cells wide, as statics
// and message boxes show it: at spaces, a path at its '/' when a word is too
// long, and between characters only when neither will do.
#pragma once

#include <string_view>
#include <vector>

namespace platform {

// The lines are views into text, so that a caret can be found on them.
std::vector<std::string_view> wrapText(std::string_view text, int width);

// The bytes of the whole characters at the start of text that fit `width`
// cells: at least one character, so that every line moves on.
std::size_t fittingPrefix(std::string_view text, int width);

}  // namespace platform
