// Breaking a text into the lines of a box some characters wide, as statics
// and message boxes show it: at spaces, a path at its '/' when a word is too
// long, and mid-word only when neither will do.
#pragma once

#include <string_view>
#include <vector>

namespace platform {

std::vector<std::string_view> wrapText(std::string_view text, int width);

}  // namespace platform
