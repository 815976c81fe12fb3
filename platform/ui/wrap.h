// Breaking a UTF-8 text into the lines of a box some cells wide, as statics,
// message boxes and multi-line edits show it: at spaces, a path at its '/'
// when a word is too long, and between characters only when neither will do.
#pragma once

#include <string_view>
#include <vector>

namespace platform {

// One line of a wrapped text, as byte offsets: the line is [start, end), and
// the next one begins at next (past the text's size after the last line).
struct WrappedLine {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t next = 0;
    bool last(std::string_view text) const { return next > text.size(); }
};

// The line that begins at `start`, a line start: at least one character, so
// that every line moves on. Costs what the line holds, however long the text
// goes on after it.
WrappedLine wrappedLine(std::string_view text, std::size_t start, int width);

// Where the line that holds byte `at` begins, wrapping from the start of its
// paragraph.
std::size_t lineStartOf(std::string_view text, std::size_t at, int width);

// The lines are views into text, so that a caret can be found on them.
std::vector<std::string_view> wrapText(std::string_view text, int width);

}  // namespace platform
