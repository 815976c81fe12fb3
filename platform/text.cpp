#include "platform/text.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace platform {
namespace {

constexpr unsigned char kFirstNonAscii = 0x80;
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuationTag = 0x80;
constexpr unsigned char kContinuationBits = 0x3F;
constexpr int kBitsPerContinuation = 6;
constexpr std::size_t kLongestSequence = 4;
constexpr char32_t kLastCodepoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
// Stray bytes compare above every code point, in their byte order.
constexpr std::int32_t kStrayByteRank = 0x110000;
constexpr char kUtf8Locale[] = "C.UTF-8";

struct LeadByte {
    unsigned char mask;
    unsigned char tag;
    int extra;              // continuation bytes that follow
    std::int32_t smallest;  // below it the form is overlong
};

constexpr std::array<LeadByte, 3> kLeadBytes = {{
    {0xE0, 0xC0, 1, 0x80},
    {0xF0, 0xE0, 2, 0x800},
    {0xF8, 0xF0, 3, 0x10000},
}};

bool isContinuation(unsigned char byte) { return (byte & kContinuationMask) == kContinuationTag; }

// Capitals whose small letter is the next code point, in blocks where the
// pairs alternate: `even` says whether the capitals sit at even code points.
struct AlternatingCase {
    char32_t first;
    char32_t last;
    bool even;
};

constexpr AlternatingCase kAlternating[] = {
    {0x0100, 0x012F, true},  {0x0132, 0x0137, true}, {0x0139, 0x0148, false}, {0x014A, 0x0177, true},
    {0x0179, 0x017E, false}, {0x0460, 0x0481, true}, {0x048A, 0x04BF, true},
};

// Capitals a fixed distance below their small letters.
struct ShiftedCase {
    char32_t first;
    char32_t last;
    char32_t shift;
};

constexpr char32_t kMultiplicationSign = 0xD7;
constexpr char32_t kGreekCapitalGap = 0x03A2;  // no capital final sigma
constexpr ShiftedCase kShifted[] = {
    {U'A', U'Z', 0x20},     {0x00C0, 0x00DE, 0x20}, {0x0386, 0x0386, 0x26},
    {0x0388, 0x038A, 0x25}, {0x038C, 0x038C, 0x40}, {0x038E, 0x038F, 0x3F},
    {0x0391, 0x03AB, 0x20}, {0x0400, 0x040F, 0x50}, {0x0410, 0x042F, 0x20},
};

constexpr char32_t kLastFolded = 0x04BF;  // no capital beyond the Cyrillic block
constexpr char32_t kCapitalYDiaeresis = 0x0178;
constexpr char32_t kSmallYDiaeresis = 0xFF;
constexpr char32_t kFinalSigma = 0x03C2;
constexpr char32_t kSigma = 0x03C3;

}  // namespace

std::int32_t decodeUtf8(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < kFirstNonAscii) return lead;
    const auto form =
        std::find_if(kLeadBytes.begin(), kLeadBytes.end(), [&](const LeadByte& f) { return (lead & f.mask) == f.tag; });
    if (form == kLeadBytes.end()) return kNoCharacter;
    const std::size_t start = pos;
    auto cp = static_cast<std::int32_t>(lead & static_cast<unsigned char>(~form->mask));
    for (int i = 0; i < form->extra; ++i) {
        if (pos >= text.size() || !isContinuation(static_cast<unsigned char>(text[pos]))) {
            pos = start;
            return kNoCharacter;
        }
        cp = (cp << kBitsPerContinuation) | (static_cast<unsigned char>(text[pos++]) & kContinuationBits);
    }
    // Overlong forms would let a name smuggle in a '/' or a zero byte.
    const auto value = static_cast<char32_t>(cp);
    if (cp < form->smallest || value > kLastCodepoint || (value >= kFirstSurrogate && value <= kLastSurrogate)) {
        pos = start;
        return kNoCharacter;
    }
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < kFirstNonAscii) {
        out += static_cast<char>(cp);
        return;
    }
    const LeadByte& form = *std::find_if(kLeadBytes.rbegin(), kLeadBytes.rend(), [&](const LeadByte& f) {
        return static_cast<std::int32_t>(cp) >= f.smallest;
    });
    out += static_cast<char>(form.tag | (cp >> (kBitsPerContinuation * form.extra)));
    for (int i = form.extra - 1; i >= 0; --i) {
        out += static_cast<char>(kContinuationTag | ((cp >> (kBitsPerContinuation * i)) & kContinuationBits));
    }
}

std::size_t nextCharacter(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return text.size();
    decodeUtf8(text, pos);
    return pos;
}

// The character before pos is the one whose sequence ends exactly at pos.
std::size_t previousCharacter(std::string_view text, std::size_t pos) {
    if (pos == 0) return 0;
    pos = std::min(pos, text.size());
    for (std::size_t back = 2; back <= kLongestSequence && back <= pos; ++back) {
        std::size_t end = pos - back;
        if (decodeUtf8(text, end) != kNoCharacter && end == pos) return pos - back;
    }
    return pos - 1;
}

std::size_t characterPrefix(std::string_view text, std::size_t maxBytes) {
    if (maxBytes >= text.size()) return text.size();
    std::size_t end = 0;
    for (std::size_t next = nextCharacter(text, 0); next <= maxBytes; next = nextCharacter(text, next)) end = next;
    return end;
}

std::string formatMessage(const char* format, std::string_view subject, unsigned code, std::size_t limit) {
    std::string text(limit, '\0');
    const std::string terminated(subject);
    // The formats are the program's own constants: at most one %s, then at most one %X.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int length = std::snprintf(text.data(), text.size(), format, terminated.c_str(), code);
#pragma GCC diagnostic pop
    if (length < 0) return {};
    text.resize(std::min(static_cast<std::size_t>(length), limit - 1));
    if (static_cast<std::size_t>(length) >= limit) text.resize(completeLength(text));
    return text;
}

std::size_t completeLength(std::string_view text) {
    for (std::size_t back = 1; back < kLongestSequence && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if (isContinuation(byte)) continue;
        const auto form = std::find_if(kLeadBytes.begin(), kLeadBytes.end(),
                                       [&](const LeadByte& f) { return (byte & f.mask) == f.tag; });
        const bool cut = form != kLeadBytes.end() && static_cast<std::size_t>(form->extra) >= back;
        return cut ? text.size() - back : text.size();
    }
    return text.size();
}

bool isControlCharacter(char32_t cp) {
    constexpr char32_t kFirstPrintable = 0x20;
    constexpr char32_t kDelete = 0x7F;  // the C1 controls follow it
    constexpr char32_t kLastControl = 0x9F;
    return cp < kFirstPrintable || (cp >= kDelete && cp <= kLastControl);
}

// The system's own widths: the terminal library places the cursor by them, so
// any other table would shift a row wherever the two disagree. They come from
// a UTF-8 locale of their own, whatever locale the program runs in.
int codepointWidth(char32_t cp) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, kUtf8Locale, locale_t{});
    if (utf8 == locale_t{}) return 1;
    const locale_t previous = uselocale(utf8);
    const int width = wcwidth(static_cast<wchar_t>(cp));
    uselocale(previous);
    return width < 0 ? 1 : width;  // controls and unassigned code points
}

std::string strayByteText(unsigned char byte) {
    char text[kStrayByteWidth + 1];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    return text;
}

namespace {

struct CodepointRange {
    char32_t first, last;
};

// Characters that take no room and change nothing a reader sees but the order
// or the joins of their neighbours.
constexpr CodepointRange kInvisibleFormats[] = {
    {0x00AD, 0x00AD},  // soft hyphen
    {0x061C, 0x061C},  // Arabic letter mark
    {0x180E, 0x180E},  // Mongolian vowel separator
    {0x200B, 0x200B},  // zero-width space
    {0x200E, 0x200F},  // left-to-right and right-to-left marks
    {0x202A, 0x202E},  // embeddings and overrides
    {0x2060, 0x2064},  // word joiner and invisible operators
    {0x2066, 0x2069},  // isolates
    {0xFEFF, 0xFEFF},  // zero-width no-break space
    {0xFFF9, 0xFFFB},  // interlinear annotation
};

constexpr char kTabEscape[] = "\\t";

// Shown by its bytes: stray bytes, controls and invisible formats (a tab has
// an escape of its own).
bool shownByBytes(std::int32_t cp) {
    if (cp == kNoCharacter) return true;
    const auto c = static_cast<char32_t>(cp);
    return (c != U'\t' && isControlCharacter(c)) ||
           std::any_of(std::begin(kInvisibleFormats), std::end(kInvisibleFormats),
                       [&](const CodepointRange& range) { return c >= range.first && c <= range.last; });
}

}  // namespace

std::string escapedCharacter(std::string_view text, std::size_t pos) {
    const std::size_t start = pos;
    const std::int32_t cp = decodeUtf8(text, pos);
    if (cp == '\t') return kTabEscape;
    if (!shownByBytes(cp)) return {};
    std::string escaped;
    for (std::size_t at = start; at < pos; ++at) escaped += strayByteText(static_cast<unsigned char>(text[at]));
    return escaped;
}

std::string shownText(std::string_view text) {
    std::string shown;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t next = nextCharacter(text, pos);
        const std::string escaped = escapedCharacter(text, pos);
        if (escaped.empty())
            shown.append(text.substr(pos, next - pos));
        else
            shown += escaped;
        pos = next;
    }
    return shown;
}

int characterWidth(std::string_view text, std::size_t pos) {
    const std::size_t start = pos;
    const std::int32_t cp = decodeUtf8(text, pos);
    if (cp == '\t') return static_cast<int>(sizeof kTabEscape - 1);
    if (shownByBytes(cp)) return static_cast<int>(pos - start) * kStrayByteWidth;
    return codepointWidth(static_cast<char32_t>(cp));
}

int displayWidth(std::string_view text) {
    int width = 0;
    for (std::size_t pos = 0; pos < text.size(); pos = nextCharacter(text, pos)) width += characterWidth(text, pos);
    return width;
}

char32_t foldCase(char32_t cp) {
    // Paths are mostly ASCII, and list boxes compare them on every insert.
    if (cp < kFirstNonAscii) return cp >= U'A' && cp <= U'Z' ? cp + (U'a' - U'A') : cp;
    if (cp > kLastFolded) return cp;
    if (cp == kCapitalYDiaeresis) return kSmallYDiaeresis;
    if (cp == kFinalSigma) return kSigma;
    for (const AlternatingCase& block : kAlternating) {
        if (cp >= block.first && cp <= block.last) return ((cp % 2 == 0) == block.even) ? cp + 1 : cp;
    }
    for (const ShiftedCase& block : kShifted) {
        if (cp >= block.first && cp <= block.last && cp != kMultiplicationSign && cp != kGreekCapitalGap) {
            return cp + block.shift;
        }
    }
    return cp;
}

namespace {

// The length of the bytes both begin with, found sixteen at a time: the
// paths of one list share long prefixes.
std::size_t commonPrefix(std::string_view a, std::string_view b) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    // The first differing bit of a word is in the first differing byte.
    const auto firstDiffering = [](std::uint64_t differ) {
        const int bit = std::endian::native == std::endian::little ? std::countr_zero(differ) : std::countl_zero(differ);
        return static_cast<std::size_t>(bit / CHAR_BIT);
    };
    const auto differAt = [&](std::size_t at) {
        std::uint64_t left = 0;
        std::uint64_t right = 0;
        std::memcpy(&left, a.data() + at, kWord);
        std::memcpy(&right, b.data() + at, kWord);
        return left ^ right;
    };
    const std::size_t length = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (; i + 2 * kWord <= length; i += 2 * kWord) {
        const std::uint64_t low = differAt(i);
        const std::uint64_t high = differAt(i + kWord);
        if ((low | high) == 0) continue;
        return low != 0 ? i + firstDiffering(low) : i + kWord + firstDiffering(high);
    }
    while (i < length && a[i] == b[i]) ++i;
    return i;
}

}  // namespace

int compareNoCase(std::string_view a, std::string_view b) {
    // Equal bytes up to an ASCII one are equal characters: no sequence runs
    // across an ASCII byte.
    std::size_t i = commonPrefix(a, b);
    while (i > 0 && static_cast<unsigned char>(a[i - 1]) >= kFirstNonAscii) --i;
    for (; i < a.size() && i < b.size(); ++i) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[i]);
        if (left >= kFirstNonAscii || right >= kFirstNonAscii) break;
        const char32_t foldedLeft = foldCase(left);
        const char32_t foldedRight = foldCase(right);
        if (foldedLeft != foldedRight) return foldedLeft < foldedRight ? -1 : 1;
    }
    std::size_t j = i;
    const auto rank = [](std::string_view text, std::size_t& pos) {
        const std::size_t at = pos;
        const std::int32_t cp = decodeUtf8(text, pos);
        if (cp == kNoCharacter) return kStrayByteRank + static_cast<unsigned char>(text[at]);
        return static_cast<std::int32_t>(foldCase(static_cast<char32_t>(cp)));
    };
    while (i < a.size() && j < b.size()) {
        const std::int32_t left = rank(a, i);
        const std::int32_t right = rank(b, j);
        if (left != right) return left < right ? -1 : 1;
    }
    if (i == a.size() && j == b.size()) return 0;
    return i == a.size() ? -1 : 1;
}

}  // namespace platform
