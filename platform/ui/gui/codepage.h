// The two crossings between the layer's texts and the UTF-8 that the window
// system speaks: texts drawn, and texts typed.
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// A layer text as valid UTF-8 for drawing: a byte that is no character (a
// path's stray byte) is shown escaped, as \xHH.
std::string screenText(std::string_view layerText);

// Typed text for the layer: whole characters only.
std::string typedText(std::string_view utf8);

}  // namespace platform::gui
