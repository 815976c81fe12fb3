// The tags' own text encodings and the program's UTF-8: the ID3v1.1 trailer
// holds Windows-1252, ID3v2.3 text frames say their encoding in their first byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tags::text {

// ID3v2 text encodings, the first byte of a text frame's body.
inline constexpr std::uint8_t kLatin1 = 0;
inline constexpr std::uint8_t kUtf16 = 1;    // with a byte-order mark
inline constexpr std::uint8_t kUtf16Be = 2;  // ID3v2.4 only, read all the same
inline constexpr std::uint8_t kUtf8 = 3;     // ID3v2.4 only, read all the same

inline constexpr char kMissingCharacter = '?';

// ID3v1.1 trailer text: up to its first zero byte, as UTF-8.
std::string fromV1(std::string_view cp1252);
// At most maxChars characters of the text, each as its Windows-1252 byte, or
// '?' for a character the code page lacks. A letter and its combining mark
// are one character ("e" and U+0301 give the byte of "é").
std::string toV1(std::string_view utf8, std::size_t maxChars);

// What follows the encoding byte.
enum class BodyLayout {
    Text,     // text
    Comment,  // language[3], description, 0, text
    Url,      // description, 0, URL (the URL itself is always ISO-8859-1)
};

// Several values in one text frame stand one after the other, each ended by
// a terminator; they are shown joined by this.
inline constexpr char kValueSeparator[] = " / ";
inline constexpr std::size_t kLanguageSize = 3;

// Whether a text frame holds one value (ID3v2.3: what follows its terminator
// is none of its text) or a list of them (ID3v2.4).
enum class Values { First, All };

// The text of a frame body (up to its terminator, or the body's end), read by
// its encoding byte. A description is skipped in the body's encoding. With
// Values::All a text frame's values are all given, joined by
// kValueSeparator; terminators at its end end no value.
std::string bodyText(std::span<const std::uint8_t> body, BodyLayout layout, Values values = Values::First);
// How many values a text frame's body holds: 1 for any other layout.
std::size_t valueCount(std::span<const std::uint8_t> body, BodyLayout layout);

// How a new body is written: the encoding of text beyond ISO-8859-1 (UTF-16
// for ID3v2.3, UTF-8 for ID3v2.4), and a comment's language.
struct BodyStyle {
    std::uint8_t wideEncoding = kUtf16;
    std::uint8_t language[kLanguageSize] = {};
};

// A frame body holding the text. Text of ISO-8859-1 characters only gives
// encoding 0 with one byte a character; other text gives the style's wide
// encoding: encoding 1, UTF-16LE with a byte-order mark and two-byte
// terminators, or encoding 3, UTF-8. The empty description is the program's
// own, and the language the style's (three zero bytes unless told). A URL is
// always encoding 0; characters beyond ISO-8859-1 are percent-encoded as
// UTF-8. `terminated` ends the text with a terminator.
std::vector<std::uint8_t> makeBody(std::string_view utf8, BodyLayout layout, bool terminated,
                                   const BodyStyle& style = {});

// The Windows-1252 byte of a code point, or -1 when the code page lacks it.
int cp1252FromCodepoint(char32_t codepoint);
// The code point of a Windows-1252 byte. The five bytes the code page leaves
// undefined stand for the C1 control of the same value, so every byte survives.
char32_t codepointFromCp1252(unsigned char byte);

}  // namespace tags::text
