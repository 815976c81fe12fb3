#include "platform/ui/gui/codepage.h"

#include "platform/text.h"

namespace platform::gui {
namespace {

constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuationBits = 0x80;

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & kContinuationMask) == kContinuationBits; }

}  // namespace

std::string screenText(std::string_view layerText) { return toUtf8(layerText); }

std::string typedText(std::string_view utf8) {
    std::string typed;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = start + 1;
        while (end < utf8.size() && isContinuation(utf8[end])) ++end;
        const std::string_view character = utf8.substr(start, end - start);
        // The conversion marks what it cannot convert with '?'; only a typed
        // '?' may come out as one.
        const std::string converted = fromUtf8(character);
        if (converted != "?" || character == "?") typed += converted;
        start = end;
    }
    return typed;
}

}  // namespace platform::gui
