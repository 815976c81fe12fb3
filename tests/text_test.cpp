#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"

using namespace platform;

namespace {

// The code points of a text, kNoCharacter for each stray byte.
std::vector<std::int32_t> decoded(std::string_view text) {
    std::vector<std::int32_t> out;
    for (std::size_t pos = 0; pos < text.size();) out.push_back(decodeUtf8(text, pos));
    return out;
}

std::string encoded(char32_t cp) {
    std::string out;
    appendUtf8(out, cp);
    return out;
}

}  // namespace

TEST(Text, EveryLengthOfSequenceDecodesAndEncodesBack) {
    EXPECT_EQ(decoded("aé€𝄞"), (std::vector<std::int32_t>{'a', 0xE9, 0x20AC, 0x1D11E}));
    for (char32_t cp : {U'a', U'é', U'€', U'日', U'𝄞'})
        EXPECT_EQ(decoded(encoded(cp)), std::vector<std::int32_t>{static_cast<std::int32_t>(cp)});
}

TEST(Text, StrayBytesAreCharactersOfTheirOwnAndSwallowNothing) {
    EXPECT_EQ(decoded("a\xC3"
                      "b"),
              (std::vector<std::int32_t>{'a', kNoCharacter, 'b'}));  // cut sequence
    EXPECT_EQ(decoded("\xFF"), std::vector<std::int32_t>{kNoCharacter});
    EXPECT_EQ(decoded("\xE6\x97"), (std::vector<std::int32_t>{kNoCharacter, kNoCharacter}));
    // Overlong forms of '/' and of the zero byte, and a surrogate, are no characters.
    EXPECT_EQ(decoded("\xC0\xAF"), (std::vector<std::int32_t>{kNoCharacter, kNoCharacter}));
    EXPECT_EQ(decoded("\xC0\x80").front(), kNoCharacter);
    EXPECT_EQ(decoded("\xED\xA0\x80").front(), kNoCharacter);
    EXPECT_EQ(decoded("\xF4\x90\x80\x80").front(), kNoCharacter);  // past U+10FFFF
}

TEST(Text, CharacterBoundariesNeverSplitASequence) {
    const std::string_view text =
        "a日\xFF"
        "é";  // 1 + 3 + 1 + 2 bytes
    std::vector<std::size_t> forward;
    for (std::size_t pos = 0; pos < text.size(); pos = nextCharacter(text, pos)) forward.push_back(pos);
    EXPECT_EQ(forward, (std::vector<std::size_t>{0, 1, 4, 5}));
    std::vector<std::size_t> backward;
    for (std::size_t pos = text.size(); pos > 0; pos = previousCharacter(text, pos)) backward.push_back(pos);
    EXPECT_EQ(backward, (std::vector<std::size_t>{7, 5, 4, 1}));
    // A continuation byte without its lead steps back alone.
    EXPECT_EQ(previousCharacter("a\x97", 2), 1u);
}

TEST(Text, PrefixesAndCutTextsEndAtACharacterBoundary) {
    const std::string_view text = "ab日本";
    EXPECT_EQ(characterPrefix(text, 4), 2u);
    EXPECT_EQ(characterPrefix(text, 5), 5u);
    EXPECT_EQ(characterPrefix(text, 99), text.size());
    EXPECT_EQ(completeLength("ab\xE6\x97"), 2u);  // 日 cut after two of its three bytes
    EXPECT_EQ(completeLength("ab\xE6"), 2u);
    EXPECT_EQ(completeLength("ab日"), 5u);
    EXPECT_EQ(completeLength("ab\xFF"), 3u);  // a stray byte is whole
}

TEST(Text, WideCharactersTakeTwoCellsCombiningMarksNoneStrayBytesTheirEscape) {
    EXPECT_EQ(displayWidth("abc"), 3);
    EXPECT_EQ(displayWidth("日本語"), 6);
    EXPECT_EQ(displayWidth("ｶﾀｶﾅ"), 4);     // half-width katakana
    EXPECT_EQ(displayWidth("e\u0301"), 1);  // e and a combining acute accent
    EXPECT_EQ(displayWidth("Ελλάδα Россия"), 13);
    EXPECT_EQ(displayWidth("a\xFF"), 1 + kStrayByteWidth);
    EXPECT_EQ(strayByteText(0xFF), "\\xFF");
}

TEST(Text, ControlsAndInvisibleFormatCharactersShowEscapedAndTakeTheirEscapesCells) {
    struct Case {
        const char* text;
        const char* shown;
    };
    for (const Case& c : {
             Case{"a\tb", "a\\tb"},
             Case{"a\x01"
                  "b",
                  "a\\x01b"},
             Case{"\x7F", "\\x7F"}, Case{"\u0085", "\\xC2\\x85"},      // a C1 control
             Case{"evil\u202Egpj.mp3", "evil\\xE2\\x80\\xAEgpj.mp3"},  // right-to-left override
             Case{"\u200Ea\u200F", "\\xE2\\x80\\x8Ea\\xE2\\x80\\x8F"},
             Case{"\u2066x\u2069", "\\xE2\\x81\\xA6x\\xE2\\x81\\xA9"}, Case{"\uFEFFbom", "\\xEF\\xBB\\xBFbom"},
             Case{"pista\xF1", "pista\\xF1"}, Case{"año e\u0301 日本", "año e\u0301 日本"},  // shown as they are
         }) {
        EXPECT_EQ(shownText(c.text), c.shown) << c.text;
        EXPECT_EQ(displayWidth(c.text), displayWidth(c.shown)) << c.text;
    }
    EXPECT_EQ(escapedCharacter("a\tb", 1), "\\t");
    EXPECT_EQ(escapedCharacter("a\tb", 0), "");
}

TEST(Text, LetterCaseIsIgnoredForLatinGreekAndCyrillicLetters) {
    EXPECT_EQ(compareNoCase("ROCK", "rock"), 0);
    EXPECT_EQ(compareNoCase("ÉLAN ŠÁRKA", "élan šárka"), 0);
    EXPECT_EQ(compareNoCase("ΕΛΛΆΔΑ", "ελλάδα"), 0);
    EXPECT_EQ(compareNoCase("ΟΔΟΣ", "οδος"), 0);
    EXPECT_EQ(compareNoCase("ЁЛКА", "ёлка"), 0);
    EXPECT_EQ(compareNoCase("Ÿ", "ÿ"), 0);
    EXPECT_LT(compareNoCase("a", "B"), 0);
    EXPECT_LT(compareNoCase("ab", "abc"), 0);
    EXPECT_NE(compareNoCase("×", "÷"), 0);      // the multiplication sign is no capital
    EXPECT_GT(compareNoCase("\xFF", "日"), 0);  // stray bytes after every character
    // Long shared prefixes, the difference past them in ASCII, in a sequence, or a stray byte.
    EXPECT_EQ(compareNoCase("/música/Dúo 0003/ALBUM 01", "/música/DÚO 0003/album 01"), 0);
    EXPECT_GT(compareNoCase("/m/d\xC3\xA9", "/m/d\xC3\xA8"), 0);
    EXPECT_LT(compareNoCase("/m/x\xC3\xA9", "/m/x\xC3z"), 0);
    EXPECT_LT(compareNoCase("/m/Ñu/1", "/m/ñu/2"), 0);
    // A difference inside a sequence that begins in the eight bytes before it, and past two such words.
    EXPECT_EQ(compareNoCase("/tmp/ab\xC3\xA9", "/tmp/ab\xC3\x89"), 0);
    EXPECT_LT(compareNoCase("/collection/Artist A/01.mp3", "/collection/ARTIST b/01.mp3"), 0);
    // The first difference at every place in and across the words compared at once.
    for (std::size_t at = 0; at < 40; ++at) {
        const std::string same(at, 'x');
        EXPECT_LT(compareNoCase(same + "a/" + same, same + "B/"), 0) << at;
        EXPECT_GT(compareNoCase(same + "c" + same, same + "B" + same), 0) << at;
        EXPECT_EQ(compareNoCase(same + "Q" + same, same + "q" + same), 0) << at;
    }
}
