// V1Tag::read on any file; every text field of the record stays terminated.
#include <cstring>

#include "fuzz/harness.h"
#include "tags/v1tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tags::V1Tag tag;
    fuzzing::requireMessageOnFailure(tag.read(fuzzing::inputFile({data, size}).c_str()));
    for (const char* field : {tag.title, tag.artist, tag.album}) {
        if (strnlen(field, sizeof tag.title) == sizeof tag.title) fuzzing::require("an unterminated field");
    }
    if (strnlen(tag.year, sizeof tag.year) == sizeof tag.year ||
        strnlen(tag.comment, sizeof tag.comment) == sizeof tag.comment) {
        fuzzing::require("an unterminated field");
    }
    return 0;
}
