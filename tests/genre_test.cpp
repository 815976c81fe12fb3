#include <gtest/gtest.h>

#include <cstring>

#include "tags/v1tag.h"

using tags::NoGenre;
using tags::V1Tag;

TEST(Genre, NamesMatchExactlyAndCaseSensitively) {
    V1Tag tag;
    const std::pair<const char*, int> cases[] = {
        {"Blues", 0},      {"Hard Rock", 79},  {"Psychadelic", 67}, {"Rock", 17}, {"Psychedelic", NoGenre},
        {"rock", NoGenre}, {"Rock ", NoGenre}, {"", NoGenre},
    };
    for (const auto& [name, expected] : cases) {
        tag.genre = 3;
        tag.setGenreByName(name);
        EXPECT_EQ(tag.genre, expected) << name;
    }
}

TEST(Genre, NameOfAGenreByteOutsideTheTableLeavesTheBufferAlone) {
    V1Tag tag;
    char buffer[tags::kGenreNameBuffer] = "untouched";
    tag.genre = 17;
    EXPECT_EQ(tag.genreName(buffer), 5);
    EXPECT_STREQ(buffer, "Rock");
    for (int byte : {192, 254, 255}) {
        std::strcpy(buffer, "untouched");
        tag.genre = static_cast<unsigned char>(byte);
        EXPECT_EQ(tag.genreName(buffer), 0);
        EXPECT_STREQ(buffer, "untouched");
    }
}

TEST(Genre, EveryNameFitsItsBufferAndMapsBackToItsIndex) {
    V1Tag tag;
    for (std::size_t i = 0; i < tags::kGenreCount; ++i) {
        ASSERT_LT(std::strlen(tags::GenreTable[i]), tags::kGenreNameBuffer);
        tag.setGenreByName(tags::GenreTable[i]);
        EXPECT_EQ(tag.genre, i);
    }
}
