#include "platform/ui/wrap.h"

#include <algorithm>

#include "platform/text.h"

namespace platform {
namespace {

// Where a line whose first `fits` bytes fit ends, and where the next begins.
std::pair<std::size_t, std::size_t> lineBreak(std::string_view rest, std::size_t fits) {
    const std::size_t space = rest.rfind(' ', fits);
    if (space != std::string_view::npos && space > 0) return {space, space + 1};
    const std::size_t slash = rest.rfind('/', fits - 1);
    if (slash != std::string_view::npos && slash > 0) return {slash + 1, slash + 1};
    return {fits, fits};
}

bool endsParagraph(std::string_view text, std::size_t at) {
    return text[at] == '\n' || (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n');
}

}  // namespace

WrappedLine wrappedLine(std::string_view text, std::size_t start, int width) {
    const int columns = std::max(1, width);
    int used = 0;
    std::size_t at = start;
    while (at < text.size() && !endsParagraph(text, at)) {
        const int cells = characterWidth(text, at);
        if (at > start && used + cells > columns) {
            const auto [end, next] = lineBreak(text.substr(start), at - start);
            return {start, start + end, start + next};
        }
        used += cells;
        at = nextCharacter(text, at);
    }
    if (at >= text.size()) return {start, at, text.size() + 1};
    return {start, at, at + (text[at] == '\r' ? 2 : 1)};
}

std::size_t lineStartOf(std::string_view text, std::size_t at, int width) {
    at = std::min(at, text.size());
    const std::size_t newline = at == 0 ? std::string_view::npos : text.rfind('\n', at - 1);
    std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
    for (WrappedLine line = wrappedLine(text, start, width); line.next <= at && !line.last(text);
         line = wrappedLine(text, line.next, width)) {
        start = line.next;
    }
    return start;
}

std::vector<std::string_view> wrapText(std::string_view text, int width) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const WrappedLine line = wrappedLine(text, start, width);
        lines.push_back(text.substr(line.start, line.end - line.start));
        start = line.next;
    }
    return lines;
}

}  // namespace platform
