// The two crossings between the layer's texts and the UTF-8 that the window
// system speaks: texts drawn, and texts typed.
#pragma once

#include <string>
#include <string_view>

namespace platform::gui {

// A layer text as valid UTF-8 for drawing: what cannot be shown as itself (a
// path's stray byte, a tab, a direction override) is shown escaped.
std::string screenText(std::string_view layerText);

// A layer text for the clipboard: every character kept as it is, only a
// stray byte escaped, as \xHH, since the clipboard takes valid UTF-8 only.
std::string clipboardUtf8(std::string_view layerText);

// Typed text for the layer: whole characters only.
std::string typedText(std::string_view utf8);

}  // namespace platform::gui
