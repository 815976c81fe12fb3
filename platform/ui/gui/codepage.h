// The two crossings between the layer's code page and the UTF-8 that the
// window system speaks: texts drawn, and texts typed.
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// A layer text as UTF-8 for drawing.
std::string screenText(std::string_view layerText);

// Typed UTF-8 in the layer's code page. A character the code page lacks is
// left out rather than typed as a stand-in.
std::string typedText(std::string_view utf8);

}  // namespace platform::gui
