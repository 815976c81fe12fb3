#include "platform/text.h"

#include <array>
#include <cstdint>

namespace platform {
namespace {

constexpr unsigned char kFirstSpecial = 0x80;
constexpr unsigned char kLastSpecial = 0x9F;
constexpr char kReplacement = '?';

// Code points of the bytes 0x80 to 0x9F; undefined bytes keep their own value.
constexpr std::array<char32_t, kLastSpecial - kFirstSpecial + 1> kSpecials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns -1 for a
// malformed sequence (pos then skips one byte).
std::int32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    std::int32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) { extra = 1; cp = lead & 0x1F; }
    else if ((lead & 0xF0) == 0xE0) { extra = 2; cp = lead & 0x0F; }
    else if ((lead & 0xF8) == 0xF0) { extra = 3; cp = lead & 0x07; }
    else return -1;
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size()) return -1;
        const auto next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (next & 0x3F);
        ++pos;
    }
    // Overlong forms would let a name smuggle in a '/' or a zero byte.
    constexpr std::int32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    constexpr std::int32_t kLargest = 0x10FFFF;
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (cp < kSmallest[extra] || cp > kLargest || surrogate) return -1;
    return cp;
}

}  // namespace

int cp1252FromCodepoint(char32_t codepoint) {
    if (codepoint < kFirstSpecial || (codepoint > kLastSpecial && codepoint <= 0xFF)) {
        return static_cast<int>(codepoint);
    }
    for (std::size_t i = 0; i < kSpecials.size(); ++i) {
        if (kSpecials[i] == codepoint) return static_cast<int>(kFirstSpecial + i);
    }
    return -1;
}

char32_t codepointFromCp1252(unsigned char byte) {
    if (byte >= kFirstSpecial && byte <= kLastSpecial) return kSpecials[byte - kFirstSpecial];
    return byte;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string toUtf8(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (char c : cp1252) appendUtf8(out, codepointFromCp1252(static_cast<unsigned char>(c)));
    return out;
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::int32_t cp = decodeUtf8(utf8, pos);
        const int byte = cp < 0 ? -1 : cp1252FromCodepoint(static_cast<char32_t>(cp));
        out += byte < 0 ? kReplacement : static_cast<char>(byte);
    }
    return out;
}

}  // namespace platform
