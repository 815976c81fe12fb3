#include "tags/textcodec.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "platform/text.h"

namespace tags::text {
namespace {

constexpr unsigned char kFirstSpecial = 0x80;
constexpr unsigned char kLastSpecial = 0x9F;
constexpr char32_t kLastLatin1 = 0xFF;
constexpr char32_t kReplacement = 0xFFFD;

// Code points of the bytes 0x80 to 0x9F; undefined bytes keep their own value.
constexpr std::array<char32_t, kLastSpecial - kFirstSpecial + 1> kSpecials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::size_t kUnitSize = 2;  // UTF-16
constexpr std::uint8_t kLittleEndianMark[] = {0xFF, 0xFE};
constexpr std::uint8_t kBigEndianMark[] = {0xFE, 0xFF};
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr char32_t kHighSurrogate = 0xD800;
constexpr char32_t kLowSurrogate = 0xDC00;
constexpr char32_t kSurrogateEnd = 0xE000;
constexpr int kSurrogateBits = 10;
constexpr char32_t kSurrogateMask = 0x3FF;
constexpr int kBitsPerByte = 8;
constexpr std::uint8_t kByteMask = 0xFF;

using Bytes = std::span<const std::uint8_t>;

// A letter followed by one combining mark, as texts decomposed elsewhere hold
// it, for the Windows-1252 letters with accents: the bases that take the mark
// and, at the same place, the letter they make.
struct Composition {
    char32_t mark;
    std::string_view bases;
    std::u32string_view letters;
};

constexpr Composition kCompositions[] = {
    {0x0300, "AEIOUaeiou", U"ÀÈÌÒÙàèìòù"},
    {0x0301, "AEIOUYaeiouy", U"ÁÉÍÓÚÝáéíóúý"},
    {0x0302, "AEIOUaeiou", U"ÂÊÎÔÛâêîôû"},
    {0x0303, "ANOano", U"ÃÑÕãñõ"},
    {0x0308, "AEIOUYaeiouy", U"ÄËÏÖÜŸäëïöüÿ"},
    {0x030A, "Aa", U"Åå"},
    {0x0327, "Cc", U"Çç"},
    {0x030C, "SZsz", U"ŠŽšž"},
};

// The letter a base and a mark make, or 0.
char32_t composed(char32_t base, char32_t mark) {
    for (const Composition& c : kCompositions) {
        const std::size_t at = base < kFirstSpecial ? c.bases.find(static_cast<char>(base)) : std::string_view::npos;
        if (c.mark == mark && at != std::string_view::npos) return c.letters[at];
    }
    return 0;
}

// The character at pos with the combining marks after it, as one code point:
// itself, the letter it makes with a single mark, or 0 when there is none.
char32_t nextLetter(std::string_view utf8, std::size_t& pos) {
    const std::int32_t base = platform::decodeUtf8(utf8, pos);
    if (base == platform::kNoCharacter) return 0;
    char32_t result = static_cast<char32_t>(base);
    for (int marks = 0; pos < utf8.size(); ++marks) {
        std::size_t after = pos;
        const std::int32_t mark = platform::decodeUtf8(utf8, after);
        if (mark == platform::kNoCharacter || platform::codepointWidth(static_cast<char32_t>(mark)) != 0) break;
        result = marks == 0 ? composed(result, static_cast<char32_t>(mark)) : 0;
        pos = after;
    }
    return result;
}

bool isWide(std::uint8_t encoding) { return encoding == kUtf16 || encoding == kUtf16Be; }

// Where the string at the front of bytes ends, and where what follows its
// terminator begins (the end of bytes when it has none).
struct StringExtent {
    std::size_t length;
    std::size_t next;
};

StringExtent measure(Bytes bytes, bool wide) {
    const std::size_t unit = wide ? kUnitSize : 1;
    for (std::size_t at = 0; at + unit <= bytes.size(); at += unit) {
        if (std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + unit),
                        [](std::uint8_t b) { return b == 0; })) {
            return {at, at + unit};
        }
    }
    return {bytes.size() - bytes.size() % unit, bytes.size()};
}

std::string fromSingleBytes(Bytes bytes) {
    std::string out;
    for (std::uint8_t byte : bytes) platform::appendUtf8(out, codepointFromCp1252(byte));
    return out;
}

bool startsWith(Bytes bytes, Bytes mark) {
    return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

// UTF-16 in the order of its byte-order mark; without one, in the order the
// encoding byte names (little-endian for encoding 1, as its writers mean it).
std::string fromUtf16(Bytes bytes, bool bigEndian) {
    if (startsWith(bytes, kBigEndianMark) || startsWith(bytes, kLittleEndianMark)) {
        bigEndian = bytes[0] == kBigEndianMark[0];
        bytes = bytes.subspan(kUnitSize);
    }
    const auto unitAt = [&](std::size_t at) {
        const auto high = static_cast<char32_t>(bytes[bigEndian ? at : at + 1]);
        const auto low = static_cast<char32_t>(bytes[bigEndian ? at + 1 : at]);
        return high << kBitsPerByte | low;
    };
    std::string out;
    for (std::size_t at = 0; at + kUnitSize <= bytes.size(); at += kUnitSize) {
        char32_t cp = unitAt(at);
        const bool high = cp >= kHighSurrogate && cp < kLowSurrogate;
        const bool pairFollows = at + 2 * kUnitSize <= bytes.size() && unitAt(at + kUnitSize) >= kLowSurrogate &&
                                 unitAt(at + kUnitSize) < kSurrogateEnd;
        if (high && pairFollows) {
            cp = kFirstSupplementary + ((cp - kHighSurrogate) << kSurrogateBits) +
                 (unitAt(at + kUnitSize) - kLowSurrogate);
            at += kUnitSize;
        } else if (cp >= kHighSurrogate && cp < kSurrogateEnd) {
            cp = kReplacement;  // half a pair
        }
        platform::appendUtf8(out, cp);
    }
    return out;
}

std::string decode(Bytes bytes, std::uint8_t encoding) {
    switch (encoding) {
        case kUtf16: return fromUtf16(bytes, false);
        case kUtf16Be: return fromUtf16(bytes, true);
        case kUtf8: return {bytes.begin(), bytes.end()};
        // ISO-8859-1 leaves 0x80 to 0x9F to control characters; text there was
        // written as Windows-1252 by the desktop's tag editors, so it is read so.
        default: return fromSingleBytes(bytes);
    }
}

// Calls visit(code point) for each character; a stray byte gives kReplacement.
template <typename Visit>
void forEachCodepoint(std::string_view utf8, Visit visit) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::int32_t cp = platform::decodeUtf8(utf8, pos);
        visit(cp == platform::kNoCharacter ? kReplacement : static_cast<char32_t>(cp));
    }
}

// Characters that encoding 0 holds and every reader reads back the same.
bool fitsSingleBytes(std::string_view utf8) {
    bool fits = true;
    forEachCodepoint(
        utf8, [&](char32_t cp) { fits = fits && cp <= kLastLatin1 && (cp < kFirstSpecial || cp > kLastSpecial); });
    return fits;
}

void appendUnit(std::vector<std::uint8_t>& body, char32_t unit) {
    body.push_back(static_cast<std::uint8_t>(unit & kByteMask));
    body.push_back(static_cast<std::uint8_t>(unit >> kBitsPerByte));
}

void appendUtf16(std::vector<std::uint8_t>& body, std::string_view utf8) {
    body.insert(body.end(), std::begin(kLittleEndianMark), std::end(kLittleEndianMark));
    forEachCodepoint(utf8, [&](char32_t cp) {
        if (cp < kFirstSupplementary) return appendUnit(body, cp);
        const char32_t offset = cp - kFirstSupplementary;
        appendUnit(body, kHighSurrogate + (offset >> kSurrogateBits));
        appendUnit(body, kLowSurrogate + (offset & kSurrogateMask));
    });
}

// Latin-1 bytes; what a URL cannot hold so is percent-encoded as UTF-8.
void appendSingleBytes(std::vector<std::uint8_t>& body, std::string_view utf8) {
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const std::int32_t cp = platform::decodeUtf8(utf8, pos);
        if (cp != platform::kNoCharacter && static_cast<char32_t>(cp) <= kLastLatin1) {
            body.push_back(static_cast<std::uint8_t>(cp));
            continue;
        }
        for (std::size_t at = start; at < pos; ++at) {
            constexpr int kEscapeLength = 3;  // %HH
            char escape[kEscapeLength + 1];
            std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned char>(utf8[at]));
            body.insert(body.end(), escape, escape + kEscapeLength);
        }
    }
}

void appendTerminator(std::vector<std::uint8_t>& body, bool wide) { body.insert(body.end(), wide ? kUnitSize : 1, 0); }

}  // namespace

int cp1252FromCodepoint(char32_t codepoint) {
    if (codepoint < kFirstSpecial || (codepoint > kLastSpecial && codepoint <= kLastLatin1)) {
        return static_cast<int>(codepoint);
    }
    const auto found = std::find(kSpecials.begin(), kSpecials.end(), codepoint);
    return found == kSpecials.end() ? -1 : static_cast<int>(kFirstSpecial + (found - kSpecials.begin()));
}

char32_t codepointFromCp1252(unsigned char byte) {
    if (byte >= kFirstSpecial && byte <= kLastSpecial) return kSpecials[byte - kFirstSpecial];
    return byte;
}

std::string fromV1(std::string_view cp1252) {
    const std::string_view text = cp1252.substr(0, cp1252.find('\0'));
    return fromSingleBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string toV1(std::string_view utf8, std::size_t maxChars) {
    std::string out;
    for (std::size_t pos = 0; pos < utf8.size() && out.size() < maxChars;) {
        const char32_t cp = nextLetter(utf8, pos);
        const int byte = cp == 0 ? -1 : cp1252FromCodepoint(cp);
        out += byte < 0 ? kMissingCharacter : static_cast<char>(byte);
    }
    return out;
}

namespace {

// Calls take(value) for each value of a text body after its encoding byte,
// leaving out the empty ones its terminators and padding end with.
template <typename Take>
void forEachValue(Bytes rest, std::uint8_t encoding, Take take) {
    std::vector<Bytes> values;
    while (!rest.empty()) {
        const StringExtent extent = measure(rest, isWide(encoding));
        values.push_back(rest.first(extent.length));
        rest = rest.subspan(extent.next);
    }
    while (values.size() > 1 && values.back().empty()) values.pop_back();
    for (const Bytes value : values) take(value);
}

}  // namespace

std::string bodyText(std::span<const std::uint8_t> body, BodyLayout layout, Values values) {
    if (body.empty()) return {};
    std::uint8_t encoding = body[0];
    Bytes rest = body.subspan(1);
    if (layout == BodyLayout::Text && values == Values::All) {
        std::string text;
        bool first = true;
        forEachValue(rest, encoding, [&](Bytes value) {
            if (!first) text += kValueSeparator;
            text += decode(value, encoding);
            first = false;
        });
        return text;
    }
    if (layout == BodyLayout::Comment) rest = rest.subspan(std::min(kLanguageSize, rest.size()));
    if (layout != BodyLayout::Text) rest = rest.subspan(measure(rest, isWide(encoding)).next);
    if (layout == BodyLayout::Url) encoding = kLatin1;
    return decode(rest.first(measure(rest, isWide(encoding)).length), encoding);
}

std::size_t valueCount(std::span<const std::uint8_t> body, BodyLayout layout) {
    if (body.empty() || layout != BodyLayout::Text) return 1;
    std::size_t count = 0;
    forEachValue(body.subspan(1), body[0], [&](Bytes) { ++count; });
    return count;
}

std::vector<std::uint8_t> makeBody(std::string_view utf8, BodyLayout layout, bool terminated, const BodyStyle& style) {
    const bool single = layout == BodyLayout::Url || fitsSingleBytes(utf8);
    const std::uint8_t encoding = single ? kLatin1 : style.wideEncoding;
    const bool wide = isWide(encoding);
    std::vector<std::uint8_t> body{encoding};
    if (layout == BodyLayout::Comment) body.insert(body.end(), std::begin(style.language), std::end(style.language));
    const auto appendText = [&](std::string_view text) {
        if (wide)
            appendUtf16(body, text);
        else if (encoding == kUtf8)
            body.insert(body.end(), text.begin(), text.end());
        else
            appendSingleBytes(body, text);
    };
    if (layout != BodyLayout::Text) {
        if (wide) appendUtf16(body, {});  // the empty description keeps its byte-order mark
        appendTerminator(body, wide);
    }
    appendText(utf8);
    if (terminated) appendTerminator(body, wide);
    return body;
}

}  // namespace tags::text
