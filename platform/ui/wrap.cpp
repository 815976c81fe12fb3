#include "platform/ui/wrap.h"

#include <algorithm>

#include "platform/text.h"

namespace platform {
namespace {

// Where a line that fits `width` cells ends, and where the next begins.
std::pair<std::size_t, std::size_t> lineBreak(std::string_view rest, int width) {
    const std::size_t fits = fittingPrefix(rest, width);
    const std::size_t space = rest.rfind(' ', fits);
    if (space != std::string_view::npos && space > 0) return {space, space + 1};
    const std::size_t slash = rest.rfind('/', fits - 1);
    if (slash != std::string_view::npos && slash > 0) return {slash + 1, slash + 1};
    return {fits, fits};
}

void wrapParagraph(std::string_view rest, int width, std::vector<std::string_view>& lines) {
    while (displayWidth(rest) > width) {
        const auto [end, next] = lineBreak(rest, width);
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(next);
    }
    lines.push_back(rest);
}

}  // namespace

std::size_t fittingPrefix(std::string_view text, int width) {
    if (text.empty()) return 0;
    std::size_t end = nextCharacter(text, 0);
    int used = characterWidth(text, 0);
    while (end < text.size() && used + characterWidth(text, end) <= width) {
        used += characterWidth(text, end);
        end = nextCharacter(text, end);
    }
    return end;
}

std::vector<std::string_view> wrapText(std::string_view text, int width) {
    const int columns = std::max(1, width);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view paragraph = text.substr(start, end - start);
        if (paragraph.ends_with('\r')) paragraph.remove_suffix(1);
        wrapParagraph(paragraph, columns, lines);
        start = end + 1;
    }
    return lines;
}

}  // namespace platform
