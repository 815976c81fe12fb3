// The tags' encodings against hand-built bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tags/textcodec.h"

using namespace tags::text;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace

TEST(V1Text, TrailerBytesAreWindows1252UpToTheirFirstZero) {
    EXPECT_EQ(fromV1("Canci\xF3n \x80 \x93x\x94"), "Canción € “x”");
    EXPECT_EQ(fromV1(std::string_view("ab\0cd", 5)), "ab");
    std::string every;
    for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
    EXPECT_EQ(toV1(fromV1(every), every.size()), every);  // every byte survives, undefined ones too
}

TEST(V1Text, WhatWindows1252LacksBecomesAQuestionMarkAndLimitsCountCharacters) {
    EXPECT_EQ(toV1("日本の歌", 30), "????");
    EXPECT_EQ(toV1("€ ’x’ Δ", 30), "\x80 \x92x\x92 ?");
    EXPECT_EQ(toV1("a\xFF"
                   "b",
                   30),
              "a?b");  // a stray byte is no character
    // 30 characters of two UTF-8 bytes each fill the 30 bytes of the field.
    std::string accents;
    for (int i = 0; i < 35; ++i) accents += "é";
    EXPECT_EQ(toV1(accents, 30), std::string(30, '\xE9'));
    EXPECT_EQ(toV1("2024年", 4), "2024");
    // Decomposed letters: with one mark Windows-1252 has, the letter; else '?'.
    EXPECT_EQ(toV1("Se\u0301n\u0303or S\u030C", 30), "S\xE9\xF1or \x8A");
    EXPECT_EQ(toV1("e\u0304 e\u0301\u0301 \u0301", 30), "? ??");  // the last mark goes with its blank
    EXPECT_EQ(toV1("e\u0301e\u0301e\u0301", 2), "\xE9\xE9");
}

TEST(V2Text, TextFramesAreReadByTheirEncodingByte) {
    EXPECT_EQ(bodyText(Bytes{0x00, 'C', 0xE9, 0x00}, BodyLayout::Text), "Cé");
    EXPECT_EQ(bodyText(Bytes{0x00, 0x80}, BodyLayout::Text), "€");  // as the desktop's editors wrote it
    const Bytes littleEndian = {0x01, 0xFF, 0xFE, 0xE5, 0x65, 0x2C, 0x67, 0x00, 0x00, 'x', 0x00};
    EXPECT_EQ(bodyText(littleEndian, BodyLayout::Text), "日本");
    const Bytes bigEndian = {0x01, 0xFE, 0xFF, 0x65, 0xE5, 0x67, 0x2C};
    EXPECT_EQ(bodyText(bigEndian, BodyLayout::Text), "日本");
    EXPECT_EQ(bodyText(Bytes{0x02, 0x04, 0x1F, 0x00, 0x00}, BodyLayout::Text), "П");
    EXPECT_EQ(bodyText(Bytes{0x03, 0xD0, 0x9F, 0x00}, BodyLayout::Text), "П");
    // A surrogate pair; a lone half becomes the replacement character.
    EXPECT_EQ(bodyText(Bytes{0x01, 0xFF, 0xFE, 0x34, 0xD8, 0x1E, 0xDD}, BodyLayout::Text), "𝄞");
    EXPECT_EQ(bodyText(Bytes{0x01, 0xFF, 0xFE, 0x34, 0xD8}, BodyLayout::Text), "\uFFFD");
    EXPECT_EQ(bodyText(Bytes{}, BodyLayout::Text), "");
    EXPECT_EQ(bodyText(Bytes{0x01, 0xFF}, BodyLayout::Text), "");  // cut short
}

TEST(V2Text, DescriptionsAreSkippedInTheFramesEncoding) {
    const Bytes comment = concat({
        {0x01},                                // encoding: UTF-16
        {'e', 'n', 'g'},                       // language
        {0xFF, 0xFE, 'd', 0x00, 0x00, 0x00},   // description "d", terminator
        {0xFF, 0xFE, 0x1F, 0x04, 0x00, 0x00},  // text "П", terminator
    });
    EXPECT_EQ(bodyText(comment, BodyLayout::Comment), "П");
    const Bytes latin1 = {0x00, 0x00, 0x00, 0x00, 'd', 0x00, 'a', 'b', 'c', 0x00};
    EXPECT_EQ(bodyText(latin1, BodyLayout::Comment), "abc");
    // The URL after a UTF-16 description is ISO-8859-1.
    const Bytes url = {0x01, 0xFF, 0xFE, 'd', 0x00, 0x00, 0x00, 'h', 't', 't', 'p', 0x00};
    EXPECT_EQ(bodyText(url, BodyLayout::Url), "http");
    EXPECT_EQ(bodyText(Bytes{0x00, 0x00, 'x', 0x00}, BodyLayout::Url), "x");
}

TEST(V2Text, Latin1TextIsWrittenInTheOneByteBodiesOfOld) {
    EXPECT_EQ(makeBody("Café", BodyLayout::Text, true), (Bytes{0x00, 'C', 'a', 'f', 0xE9, 0x00}));
    EXPECT_EQ(makeBody("Song", BodyLayout::Text, false), (Bytes{0x00, 'S', 'o', 'n', 'g'}));
    EXPECT_EQ(makeBody("", BodyLayout::Text, true), (Bytes{0x00, 0x00}));
    const Bytes comment = concat({{0x00}, {0x00, 0x00, 0x00}, {0x00}, {'a', 'b', 'c'}, {0x00}});
    EXPECT_EQ(makeBody("abc", BodyLayout::Comment, true), comment);
    EXPECT_EQ(makeBody("x", BodyLayout::Url, true), (Bytes{0x00, 0x00, 'x', 0x00}));
}

TEST(V2Text, OtherTextIsWrittenAsUtf16WithAByteOrderMark) {
    const Bytes title = concat({{0x01}, {0xFF, 0xFE}, {0xE5, 0x65, 0x2C, 0x67}, {0x00, 0x00}});
    EXPECT_EQ(makeBody("日本", BodyLayout::Text, true), title);
    // Windows-1252's € and ’ are no ISO-8859-1 characters.
    const Bytes euro = concat({{0x01}, {0xFF, 0xFE}, {0xAC, 0x20, 0x19, 0x20}});
    EXPECT_EQ(makeBody("€’", BodyLayout::Text, false), euro);
    const Bytes comment = concat({
        {0x01},                    // encoding
        {0x00, 0x00, 0x00},        // language
        {0xFF, 0xFE, 0x00, 0x00},  // empty description, terminator
        {0xFF, 0xFE, 0x1F, 0x04},  // "П"
        {0x00, 0x00},              // terminator
    });
    EXPECT_EQ(makeBody("П", BodyLayout::Comment, true), comment);
    EXPECT_EQ(makeBody("𝄞", BodyLayout::Text, false), (Bytes{0x01, 0xFF, 0xFE, 0x34, 0xD8, 0x1E, 0xDD}));
    for (const char* text : {"日本", "€’", "П", "𝄞", "Café"}) {
        EXPECT_EQ(bodyText(makeBody(text, BodyLayout::Comment, true), BodyLayout::Comment), text);
    }
}

TEST(V2Text, AUrlStaysIso88591AndPercentEncodesTheRest) {
    const Bytes url = {0x00, 0x00, 'h', '/', '%', 'E', '6', '%', '9', '7', '%', 'A', '5', 0xFC, 0x00};
    EXPECT_EQ(makeBody("h/日ü", BodyLayout::Url, true), url);
    EXPECT_EQ(bodyText(url, BodyLayout::Url), "h/%E6%97%A5ü");
}
