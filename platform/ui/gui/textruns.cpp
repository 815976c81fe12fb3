#include "platform/ui/gui/textruns.h"

#include <algorithm>
#include <array>

#include "platform/text.h"

namespace platform::gui {
namespace {

// How a character takes part in ordering a line: a simplified form of the
// bidirectional classes, enough for names and titles.
enum class Kind { Left, Right, Number, Neutral, Attached };

struct Range {
    char32_t first, last;
};

// Marks that join the character before them, and invisible formatting.
constexpr std::array kAttachedRanges{
    Range{0x0300, 0x036F}, Range{0x0591, 0x05BD}, Range{0x05BF, 0x05C7}, Range{0x0610, 0x061A},
    Range{0x064B, 0x065F}, Range{0x0670, 0x0670}, Range{0x06D6, 0x06ED}, Range{0x200B, 0x200F},
    Range{0x2060, 0x206F}, Range{0xFE00, 0xFE0F}, Range{0xFE20, 0xFE2F},
};
constexpr std::array kRightRanges{
    Range{0x0590, 0x08FF},   Range{0xFB1D, 0xFDFF},   Range{0xFE70, 0xFEFF},
    Range{0x10800, 0x10FFF}, Range{0x1E800, 0x1EFFF},
};
constexpr std::array kNumberRanges{Range{'0', '9'}, Range{0x0660, 0x0669}, Range{0x06F0, 0x06F9}};
// Punctuation, symbols and blanks: they take the direction around them.
constexpr std::array kNeutralRanges{
    Range{0x00A0, 0x00BF}, Range{0x00D7, 0x00D7}, Range{0x00F7, 0x00F7}, Range{0x2000, 0x2BFF}, Range{0x3000, 0x303F},
};
constexpr char32_t kAsciiEnd = 0x80;

template <std::size_t N>
bool inRanges(const std::array<Range, N>& ranges, char32_t c) {
    return std::any_of(ranges.begin(), ranges.end(), [c](const Range& r) { return c >= r.first && c <= r.last; });
}

bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

Kind kindOf(char32_t c) {
    if (inRanges(kNumberRanges, c)) return Kind::Number;
    if (inRanges(kAttachedRanges, c)) return Kind::Attached;
    if (inRanges(kRightRanges, c)) return Kind::Right;
    if (c < kAsciiEnd) return isAsciiLetter(c) ? Kind::Left : Kind::Neutral;
    return inRanges(kNeutralRanges, c) ? Kind::Neutral : Kind::Left;
}

struct Character {
    char32_t code;
    std::size_t start, end;  // bytes in the line
    Kind kind;
    bool rightward = false;  // the direction it resolves to, for its neighbours
    int level = 0;
};

std::vector<Character> charactersOf(std::string_view utf8) {
    std::vector<Character> characters;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const std::int32_t code = decodeUtf8(utf8, pos);
        const char32_t c = code == kNoCharacter ? kReplacementMark : static_cast<char32_t>(code);
        characters.push_back({c, start, pos, kindOf(c)});
    }
    return characters;
}

int levelOf(bool rightward, bool number, int base) {
    if (rightward && !number) return 1;
    return number && rightward ? 2 : (base == 0 ? 0 : 2);
}

// Embedding levels: 0 or 2 left to right, 1 right to left.
void resolveLevels(std::vector<Character>& line) {
    const auto strong = std::find_if(line.begin(), line.end(),
                                     [](const Character& c) { return c.kind == Kind::Left || c.kind == Kind::Right; });
    const int base = strong != line.end() && strong->kind == Kind::Right ? 1 : 0;
    bool lastStrongRight = base == 1;
    for (Character& c : line) {
        if (c.kind == Kind::Left || c.kind == Kind::Right) lastStrongRight = c.kind == Kind::Right;
        if (c.kind == Kind::Left || c.kind == Kind::Right || c.kind == Kind::Number) {
            c.rightward = c.kind == Kind::Number ? lastStrongRight : c.kind == Kind::Right;
            c.level = levelOf(c.rightward, c.kind == Kind::Number, base);
        }
    }
    // Neutrals between two of one direction take it, else the line's; marks
    // take the level of what they are attached to.
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i].kind == Kind::Attached && i > 0) {
            line[i].level = line[i - 1].level;
            continue;
        }
        if (line[i].kind != Kind::Neutral && line[i].kind != Kind::Attached) continue;
        bool before = base == 1, after = base == 1;
        for (std::size_t j = i; j-- > 0;) {
            if (line[j].kind != Kind::Neutral && line[j].kind != Kind::Attached) {
                before = line[j].rightward;
                break;
            }
        }
        for (std::size_t j = i + 1; j < line.size(); ++j) {
            if (line[j].kind != Kind::Neutral && line[j].kind != Kind::Attached) {
                after = line[j].rightward;
                break;
            }
        }
        line[i].level = before == after ? levelOf(before, false, base) : base;
    }
}

// Reverses every stretch at or above each level, from the highest down.
void reorder(std::vector<FontRun>& runs, std::vector<int>& levels) {
    const int highest = levels.empty() ? 0 : *std::max_element(levels.begin(), levels.end());
    for (int level = highest; level >= 1; --level) {
        for (std::size_t i = 0; i < runs.size();) {
            if (levels[i] < level) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < runs.size() && levels[end] >= level) ++end;
            std::reverse(runs.begin() + static_cast<std::ptrdiff_t>(i),
                         runs.begin() + static_cast<std::ptrdiff_t>(end));
            std::reverse(levels.begin() + static_cast<std::ptrdiff_t>(i),
                         levels.begin() + static_cast<std::ptrdiff_t>(end));
            i = end;
        }
    }
}

}  // namespace

std::vector<FontRun> visualRuns(std::string_view utf8, const FontChooser& fontOf) {
    std::vector<Character> line = charactersOf(utf8);
    resolveLevels(line);
    std::vector<FontRun> runs;
    std::vector<int> levels;
    int previousFont = kNoFont;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const Character& c = line[i];
        const bool attached = c.kind == Kind::Attached && i > 0;
        const int font = attached ? previousFont : fontOf(c.code);
        previousFont = font;
        const bool joins = !runs.empty() && runs.back().font == font && levels.back() == c.level;
        if (!joins) {
            runs.push_back({font, {}, c.level % 2 == 1});
            levels.push_back(c.level);
        }
        // A stretch of characters no font has is one mark.
        if (font != kNoFont)
            runs.back().text.append(utf8.substr(c.start, c.end - c.start));
        else if (runs.back().text.empty())
            appendUtf8(runs.back().text, kReplacementMark);
    }
    reorder(runs, levels);
    return runs;
}

std::string reversedCharacters(std::string_view utf8) {
    std::vector<Character> characters = charactersOf(utf8);
    std::string out;
    // Clusters (a character and the marks on it) keep their inner order.
    for (std::size_t end = characters.size(); end > 0;) {
        std::size_t start = end - 1;
        while (start > 0 && characters[start].kind == Kind::Attached) --start;
        out.append(utf8.substr(characters[start].start, characters[end - 1].end - characters[start].start));
        end = start;
    }
    return out;
}

}  // namespace platform::gui
