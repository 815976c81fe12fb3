// The name pattern of the rename dialog: literal text items and references to
// tag fields ("*V1Title"), stored as the texts the pattern list shows, and
// what each item contributes to a file's new name.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "tags/fields.h"
#include "tags/tagresult.h"
#include "tags/textcodec.h"
#include "tags/v1tag.h"
#include "tags/v2tag.h"

namespace renaming {

inline constexpr std::size_t kTextItemLimit = 254;
inline constexpr int kVersionV1 = 1;
inline constexpr int kVersionV2 = 2;

// The fields offered for a version, in the order they are offered; an item
// names its field by the field's name.
std::span<const tags::FieldMask> fieldsOf(int version);

// The stored form of a reference to a field: "*V" and the version digit
// before the name.
std::string tagItem(int version, std::string_view fieldName);

// What a stored item stands for. An item beginning with '*' is a tag
// reference whatever produced it; its third character is the version, and one
// that is neither 1 nor 2 (or missing) makes an item that contributes nothing.
struct PatternItem {
    enum class Kind { Text, Tag, Nothing };
    Kind kind;
    int version = 0;
    std::string_view text;  // the literal text, or the field name
};
PatternItem parseItem(std::string_view item);

// A field's text as the name takes it: UTF-8, from the tag's own encoding.
std::string v1FieldText(const tags::V1Tag& tag, std::string_view fieldName);
std::string v2FieldText(const tags::V2Tag& tag, std::string_view fieldName);

// The results of the two reads of one file.
struct TagReads {
    tags::TagResult v1;
    tags::TagResult v2;
};

// The name the pattern yields for a file whose tags the records hold: empty
// as soon as an item refers to a version whose read failed.
std::string composeName(std::span<const std::string> items, const tags::V1Tag& v1, const tags::V2Tag& v2,
                        TagReads reads);

}  // namespace renaming
