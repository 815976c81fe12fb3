#include <gtest/gtest.h>

#include "platform/text.h"

using platform::fromUtf8;
using platform::toUtf8;

TEST(Text, EveryCp1252ByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
}

TEST(Text, SpanishAndSpecialCharactersConvertToTheirUnicodeForms) {
    EXPECT_EQ(toUtf8("A\xF1" "adir"), "Añadir");
    EXPECT_EQ(toUtf8("\x80"), "€");
    EXPECT_EQ(fromUtf8("Selección"), "Selecci\xF3n");
    EXPECT_EQ(fromUtf8("“x”"), "\x93x\x94");
}

TEST(Text, CharactersOutsideTheCodePageAndMalformedUtf8BecomeQuestionMarks) {
    EXPECT_EQ(fromUtf8("日本"), "??");
    EXPECT_EQ(fromUtf8("a\xC3"), "a?");          // cut sequence
    EXPECT_EQ(fromUtf8("\xFF" "b"), "?b");       // no such lead byte
    EXPECT_EQ(platform::cp1252FromCodepoint(U'\u0394'), -1);
    // Overlong forms of '/' and of the zero byte, and a surrogate, are no characters.
    EXPECT_EQ(fromUtf8("a\xC0\xAF" "b"), "a?b");
    EXPECT_EQ(fromUtf8("x\xC0\x80"), "x?");
    EXPECT_EQ(fromUtf8("\xED\xA0\x80"), "?");
}
