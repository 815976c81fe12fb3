// The ID3v1 record and the 128-byte trailer at the end of an MP3 file:
// ID3v1.1, with a track, or ID3v1.0, whose comment runs on over it.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "tags/fieldmask.h"
#include "tags/tagfile.h"
#include "tags/tagresult.h"

namespace tags {

inline constexpr std::size_t kGenreCount = 192;
inline constexpr std::size_t kGenreNameBuffer = 23;  // longest name plus its terminator
inline constexpr unsigned char NoGenre = 255;

// The ID3v1 genre names, indexed by the trailer's genre byte: the 80 of
// ID3v1 and the extended ones up to 191.
extern const std::array<const char*, kGenreCount> GenreTable;

struct V1Tag {
    char title[31] = {};
    char artist[31] = {};
    char album[31] = {};
    char year[5] = {};
    char comment[31] = {};    // 28 characters in an ID3v1.1 trailer, 30 in an ID3v1.0 one
    unsigned char track = 0;  // 0 for none, and in an ID3v1.0 trailer
    unsigned char genre = NoGenre;

    // Each takes a zero-terminated path and opens the file for itself, or
    // takes one opened for the walk step.
    TagOutcome read(const char* path);
    TagOutcome read(TagFile& file);
    TagOutcome write(const char* path, FieldMask mask);
    TagOutcome write(TagFile& file, FieldMask mask);
    TagOutcome remove(const char* path, int soft);
    TagOutcome remove(TagFile& file, int soft);

    // The genre byte of genreByName.
    void setGenreByName(const char* name);
    // Copies the genre's name with its terminator and returns its length plus 1;
    // returns 0 and leaves the buffer alone when the byte names no genre.
    int genreName(std::span<char, kGenreNameBuffer> buffer) const;
};

// The index of a genre name: an exact, case-sensitive match, else NoGenre.
unsigned char genreByName(std::string_view name);

}  // namespace tags
