#include "tags/v1tag.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/fs.h"
#include "tags/bytes.h"
#include "tags/fields.h"
#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/rewrite.h"

namespace tags {
namespace {

// The trailer is the last 128 bytes of the file.
constexpr std::size_t kTrailerSize = 128;
constexpr ByteField kMarker{0, 3};
constexpr std::uint8_t kMarkerText[] = {'T', 'A', 'G'};
constexpr std::size_t kCommentLast = 28;  // the record's comment byte that stands at offset 125

using Trailer = std::array<std::uint8_t, kTrailerSize>;

// One field of the trailer and its value in a new record.
struct TrailerField {
    ByteField disk;
    FieldMask bit;
    std::uint8_t cleared;

    // The record's bytes of the field: a text member, or the track or genre byte.
    std::span<std::uint8_t> of(V1Tag& tag) const {
        const TagField& field = tagField(bit);
        if (field.v1 == V1Kind::Text) return bytesOf(field.v1Member(tag));
        return {field.v1 == V1Kind::Track ? &tag.track : &tag.genre, 1};
    }
};

// In trailer order. The comment covers offsets 97 to 125: 28 bytes of text and
// the zero byte that makes the trailer ID3v1.1.
constexpr TrailerField kTrailerFields[] = {
    {{3, 30}, kFieldTitle, 0},   {{33, 30}, kFieldArtist, 0},  {{63, 30}, kFieldAlbum, 0},
    {{93, 4}, kFieldYear, 0},    {{97, 29}, kFieldComment, 0}, {{126, 1}, kFieldTrack, 0},
    {{127, 1}, kFieldGenre, NoGenre},
};

enum class TrailerState { Present, Absent, Unreadable };

struct FoundTrailer {
    TrailerState state = TrailerState::Unreadable;
    std::uint64_t fileLength = 0;
    Trailer bytes{};
};

FoundTrailer findTrailer(platform::File& file) {
    FoundTrailer found;
    const auto length = file.size();
    if (!length) return found;
    found.fileLength = *length;
    if (found.fileLength < kTrailerSize) {
        found.state = TrailerState::Absent;
        return found;
    }
    if (file.readAt(found.fileLength - kTrailerSize, found.bytes) != static_cast<std::int64_t>(kTrailerSize)) return found;
    const auto marker = fieldOf(found.bytes, kMarker);
    found.state = std::equal(marker.begin(), marker.end(), kMarkerText) ? TrailerState::Present
                                                                        : TrailerState::Absent;
    return found;
}

// Opens the file and looks for its trailer.
TagOutcome openWithTrailer(const char* path, platform::Access access, platform::File& file, FoundTrailer& found) {
    const char* openMessage = access == platform::Access::Read ? msg::kOpenForReading : msg::kOpenForReadWrite;
    if (openTagFile(file, path, access) != 0) return msg::failure(TagFileError, openMessage, path);
    found = findTrailer(file);
    if (found.state == TrailerState::Unreadable) return msg::failure(TagFileError, msg::kReadFailed, path);
    return found.state == TrailerState::Present ? TagSuccess : TagNoV1Trailer;
}

void copyFieldsToTrailer(V1Tag& tag, FieldMask mask, Trailer& trailer) {
    tag.comment[kCommentLast] = 0;
    for (const TrailerField& field : kTrailerFields) {
        if (mask & field.bit) copyBytes(field.of(tag), fieldOf(trailer, field.disk));
    }
}

// Writes the trailer at offset; a trailer appended in part is cut off again,
// and one written over the old (journaled where it spans two pages) leaves it.
bool putTrailer(platform::File& file, std::uint64_t offset, const Trailer& trailer, bool appending) {
    if (!appending) return overwrite(file, offset, trailer.size(), [&](StreamWriter& out) { out.put(trailer); });
    if (file.writeAt(offset, trailer)) return true;
    file.truncate(offset);
    return false;
}

}  // namespace

TagOutcome V1Tag::read(const char* path) {
    platform::File file;
    FoundTrailer found;
    if (TagOutcome opened = openWithTrailer(path, platform::Access::Read, file, found); !opened.succeeded()) {
        return opened;
    }
    for (const TrailerField& field : kTrailerFields) {
        copyBytes(fieldOf(found.bytes, field.disk), field.of(*this));
    }
    comment[kCommentLast] = 0;
    return TagSuccess;
}

TagOutcome V1Tag::write(const char* path, FieldMask mask) {
    platform::File file;
    FoundTrailer found;
    TagOutcome state = openWithTrailer(path, platform::Access::ReadWrite, file, found);
    if (state == TagFileError) return state;
    const bool appending = state == TagNoV1Trailer;
    std::uint64_t offset = found.fileLength - kTrailerSize;
    if (appending) {
        // A new trailer carries only the chosen fields; the record forgets the rest too.
        for (const TrailerField& field : kTrailerFields) {
            if (!(mask & field.bit)) std::ranges::fill(field.of(*this), field.cleared);
        }
        found.bytes = {};
        std::copy(std::begin(kMarkerText), std::end(kMarkerText), found.bytes.begin());
        mask = kAllFields;
        offset = found.fileLength;
    }
    copyFieldsToTrailer(*this, mask, found.bytes);
    if (!putTrailer(file, offset, found.bytes, appending)) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

TagOutcome V1Tag::remove(const char* path, int soft) {
    platform::File file;
    FoundTrailer found;
    if (TagOutcome opened = openWithTrailer(path, platform::Access::ReadWrite, file, found); !opened.succeeded()) {
        return opened;
    }
    const std::uint64_t kept = found.fileLength - kTrailerSize;
    // A full removal cuts the trailer off: the same bytes as a copy without
    // it, and as safe, since the file has its old length or its new one and
    // the audio is never rewritten.
    const bool removed = soft ? zeroRange(file, kept, kTrailerSize) : file.truncate(kept) && file.sync();
    if (!removed) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

}  // namespace tags
