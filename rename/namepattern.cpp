#include "rename/namepattern.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace renaming {
namespace {

constexpr char kTagMark = '*';
constexpr std::size_t kVersionAt = 2;    // "*V1Title": the digit
constexpr std::size_t kFieldNameAt = 3;  // "*V1Title": the name
constexpr char kTagItemStart[] = "*V";

// The first seven are the ID3v1.1 fields; ID3v2.3 offers all twelve.
constexpr std::array<tags::FieldMask, tags::kSlotCount> kOffered = {
    tags::kFieldTitle,     tags::kFieldArtist,    tags::kFieldAlbum,          tags::kFieldComment,
    tags::kFieldGenre,     tags::kFieldTrack,     tags::kFieldYear,           tags::kFieldComposer,
    tags::kFieldCopyright, tags::kFieldEncodedBy, tags::kFieldOriginalArtist, tags::kFieldUrl,
};
constexpr std::size_t kV1FieldCount = 7;

const tags::TagField* findField(int version, std::string_view name) {
    const auto fields = fieldsOf(version);
    const auto found =
        std::ranges::find_if(fields, [&](tags::FieldMask bit) { return name == tags::tagField(bit).name; });
    return found == fields.end() ? nullptr : &tags::tagField(*found);
}

// The track in a field of two characters, so that tracks 1 to 9 sort before
// 10 by name; track 0 is " 0".
std::string trackText(unsigned char track) {
    char text[4];
    std::snprintf(text, sizeof text, "%2u", static_cast<unsigned>(track));
    return text;
}

}  // namespace

std::span<const tags::FieldMask> fieldsOf(int version) {
    const std::span<const tags::FieldMask> all(kOffered);
    return version == kVersionV1 ? all.first(kV1FieldCount) : all;
}

std::string tagItem(int version, std::string_view fieldName) {
    return kTagItemStart + std::to_string(version) + std::string(fieldName);
}

PatternItem parseItem(std::string_view item) {
    if (item.empty() || item.front() != kTagMark) return {PatternItem::Kind::Text, 0, item};
    constexpr PatternItem kNothing{PatternItem::Kind::Nothing, 0, {}};
    if (item.size() <= kVersionAt) return kNothing;
    const int version = item[kVersionAt] - '0';
    if (version != kVersionV1 && version != kVersionV2) return kNothing;
    return {PatternItem::Kind::Tag, version, item.substr(kFieldNameAt)};
}

std::string v1FieldText(const tags::V1Tag& tag, std::string_view fieldName) {
    const tags::TagField* field = findField(kVersionV1, fieldName);
    if (field == nullptr) return {};
    return field->v1 == tags::V1Kind::Track ? trackText(tag.track) : tags::v1Text(tag, *field);
}

// The text up to its terminator or the body's end, read by the frame's
// encoding byte; a genre is taken as stored, a track up to its "/": "5/12"
// is track 5 of 12, and a slash has no place in a file name.
std::string v2FieldText(const tags::V2Tag& tag, std::string_view fieldName) {
    constexpr char kTrackSeparator = '/';
    const tags::TagField* field = findField(kVersionV2, fieldName);
    if (field == nullptr) return {};
    std::string text = tags::v2Text(tag, *field);
    if (field->bit == tags::kFieldTrack) text.resize(std::min(text.size(), text.find(kTrackSeparator)));
    return text;
}

std::string composeName(std::span<const std::string> items, const tags::V1Tag& v1, const tags::V2Tag& v2,
                        TagReads reads) {
    std::string name;
    for (const std::string& stored : items) {
        const PatternItem item = parseItem(stored);
        if (item.kind == PatternItem::Kind::Text) name += item.text;
        if (item.kind != PatternItem::Kind::Tag) continue;
        const bool v1Item = item.version == kVersionV1;
        // A field of a tag the file lacks leaves no name to give it.
        if ((v1Item ? reads.v1 : reads.v2) != tags::TagSuccess) return {};
        name += v1Item ? v1FieldText(v1, item.text) : v2FieldText(v2, item.text);
    }
    return name;
}

}  // namespace renaming
