#include "rename/namepattern.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace renaming {
namespace {


constexpr char kTagMark = '*';
constexpr std::size_t kVersionAt = 2;    // "*V1Title": the digit
constexpr std::size_t kFieldNameAt = 3;  // "*V1Title": the name
constexpr char kTagItemStart[] = "*V";

// The first seven are the ID3v1.1 fields; ID3v2.3 offers all twelve.
constexpr TagField kFields[] = {
    {"Title", tags::kFieldTitle},
    {"Artist", tags::kFieldArtist},
    {"Album", tags::kFieldAlbum},
    {"Comment", tags::kFieldComment},
    {"Genre", tags::kFieldGenre},
    {"Track", tags::kFieldTrack},
    {"Year", tags::kFieldYear},
    {"Composer", tags::kFieldComposer},
    {"Copyright", tags::kFieldCopyright},
    {"Encoded By", tags::kFieldEncodedBy},
    {"Orig. Artist", tags::kFieldOriginalArtist},
    {"URL", tags::kFieldUrl},
};
constexpr std::size_t kV1FieldCount = 7;

const TagField* findField(int version, std::string_view name) {
    const auto fields = fieldsOf(version);
    const auto found = std::ranges::find_if(fields, [&](const TagField& f) { return name == f.name; });
    return found == fields.end() ? nullptr : &*found;
}

std::string recordText(std::span<const char> field) { return tags::text::fromV1({field.data(), field.size()}); }

// The track in a field of two characters, so that tracks 1 to 9 sort before
// 10 by name; track 0 is " 0".
std::string trackText(unsigned char track) {
    char text[4];
    std::snprintf(text, sizeof text, "%2u", static_cast<unsigned>(track));
    return text;
}

std::string genreText(const tags::V1Tag& tag) {
    char name[tags::kGenreNameBuffer] = {};
    tag.genreName(name);
    return name;
}

}  // namespace

std::span<const TagField> fieldsOf(int version) {
    const std::span<const TagField> all(kFields);
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
    const TagField* field = findField(kVersionV1, fieldName);
    if (field == nullptr) return {};
    switch (field->bit) {
        case tags::kFieldTitle: return recordText(tag.title);
        case tags::kFieldArtist: return recordText(tag.artist);
        case tags::kFieldAlbum: return recordText(tag.album);
        case tags::kFieldComment: return recordText(tag.comment);
        case tags::kFieldYear: return recordText(tag.year);
        case tags::kFieldTrack: return trackText(tag.track);
        default: return genreText(tag);  // the one field left: the genre
    }
}

// The text up to its terminator or the body's end, read by the frame's
// encoding byte; a genre or track is taken as stored.
std::string v2FieldText(const tags::V2Tag& tag, std::string_view fieldName) {
    const TagField* field = findField(kVersionV2, fieldName);
    if (field == nullptr) return {};
    const std::size_t slot = tags::slotOfField(field->bit);
    return tags::text::bodyText(tag.slots[slot].body(), tags::slotLayout(slot));
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
