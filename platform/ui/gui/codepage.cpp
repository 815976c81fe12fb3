#include "platform/ui/gui/codepage.h"

#include "platform/text.h"

namespace platform::gui {

namespace {

// Copies the characters of text, handing each byte that is no character to `stray`.
template <typename Stray>
std::string characters(std::string_view text, Stray stray) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        if (decodeUtf8(text, pos) == kNoCharacter)
            stray(out, static_cast<unsigned char>(text[start]));
        else
            out.append(text.substr(start, pos - start));
    }
    return out;
}

}  // namespace

std::string screenText(std::string_view layerText) { return shownText(layerText); }

std::string clipboardUtf8(std::string_view layerText) {
    return characters(layerText, [](std::string& out, unsigned char byte) { out += strayByteText(byte); });
}

std::string typedText(std::string_view utf8) {
    return characters(utf8, [](std::string&, unsigned char) {});
}

}  // namespace platform::gui
