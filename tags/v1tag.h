// The ID3v1.1 record and the 128-byte trailer at the end of an MP3 file.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "tags/fieldmask.h"
#include "tags/tagresult.h"

namespace tags {

inline constexpr std::size_t kGenreCount = 80;
inline constexpr std::size_t kGenreNameBuffer = 20;  // longest name plus its terminator
inline constexpr unsigned char NoGenre = 255;

// The ID3v1 genre names, indexed by the trailer's genre byte.
extern const std::array<const char*, kGenreCount> GenreTable;

struct V1Tag {
    char title[31] = {};
    char artist[31] = {};
    char album[31] = {};
    char year[5] = {};
    char comment[29] = {};
    unsigned char track = 0;
    unsigned char genre = NoGenre;

    // Each takes a zero-terminated path.
    TagOutcome read(const char* path);
    TagOutcome write(const char* path, FieldMask mask);
    TagOutcome remove(const char* path, int soft);

    // The genre byte of genreByName.
    void setGenreByName(const char* name);
    // Copies the genre's name with its terminator and returns its length plus 1;
    // returns 0 and leaves the buffer alone when the byte names no genre.
    int genreName(std::span<char, kGenreNameBuffer> buffer) const;
};

// The index of a genre name: an exact, case-sensitive match, else NoGenre.
unsigned char genreByName(std::string_view name);

}  // namespace tags
