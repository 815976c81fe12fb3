// The program's text is UTF-8, the code page of the system: captions, edit
// texts, list entries, messages. Paths are the file system's bytes and may be
// no valid UTF-8 at all, so everything here takes a byte that starts no valid
// sequence as a character of its own (shown escaped, see strayByteText).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr std::int32_t kNoCharacter = -1;

// Decodes the character at text[pos] and moves pos past it: its code point,
// or kNoCharacter for a byte that starts no valid sequence (pos then moves one
// byte). Overlong forms, surrogates and values past U+10FFFF are no characters.
std::int32_t decodeUtf8(std::string_view text, std::size_t& pos);

// Appends a code point (up to U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, char32_t codepoint);

// Character boundaries: the offset after (before) the character at (before) pos.
std::size_t nextCharacter(std::string_view text, std::size_t pos);
std::size_t previousCharacter(std::string_view text, std::size_t pos);

// The longest prefix of text, at most maxBytes long, that ends at a character boundary.
std::size_t characterPrefix(std::string_view text, std::size_t maxBytes);

// The length of text without a character that a byte limit cut short at its end.
std::size_t completeLength(std::string_view text);

// A message box's text: the format with the subject for its %s and the code
// for its %X, formatted into a buffer of `limit` bytes (terminator included)
// and cut there, never inside a character.
inline constexpr std::size_t kMessageBufferSize = 256;
std::string formatMessage(const char* format, std::string_view subject = {}, unsigned code = 0,
                          std::size_t limit = kMessageBufferSize);

// The C0 controls, delete and the C1 controls: never typed, stored or drawn as text.
bool isControlCharacter(char32_t codepoint);

// Terminal cells a code point takes, as the system reckons them: 2 for wide
// (East Asian) characters, 0 for combining marks, 1 otherwise.
int codepointWidth(char32_t codepoint);

// A byte that is no character is shown as \xHH.
inline constexpr int kStrayByteWidth = 4;
std::string strayByteText(unsigned char byte);

// How the character at pos is shown when it cannot be shown as itself: a
// stray byte, a control character, or an invisible format character (the
// direction marks and overrides, zero-width spaces) that would hide or reorder
// what a name really holds. A tab is \t, anything else its bytes as \xHH.
// Empty for a character shown as itself.
std::string escapedCharacter(std::string_view text, std::size_t pos);
// The whole text as it is shown: every such character escaped.
std::string shownText(std::string_view text);

// Cells the character at pos takes (an escaped one: its escape's); cells of
// the whole text.
int characterWidth(std::string_view text, std::size_t pos);
int displayWidth(std::string_view text);

// Letter case folded for the comparisons that ignore it: Latin, Greek and
// Cyrillic capitals become small letters.
char32_t foldCase(char32_t codepoint);

// Compares by code point, ignoring letter case; stray bytes sort after every
// character. Equal texts compare 0.
int compareNoCase(std::string_view a, std::string_view b);

}  // namespace platform
