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
// The comment runs from offset 97 to the genre in an ID3v1.0 trailer; a zero
// byte at 125 makes the trailer ID3v1.1, with 28 bytes of comment and the track at 126.
constexpr ByteField kWideComment{97, 30};
constexpr ByteField kV11Comment{97, 28};
constexpr std::size_t kV11MarkerAt = 125;
constexpr std::size_t kTrackAt = 126;

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

// In trailer order; the comment and track as an ID3v1.1 trailer has them.
constexpr TrailerField kTrailerFields[] = {
    {{3, 30}, kFieldTitle, 0},        {{33, 30}, kFieldArtist, 0},     {{63, 30}, kFieldAlbum, 0},
    {{93, 4}, kFieldYear, 0},         {kV11Comment, kFieldComment, 0}, {{kTrackAt, 1}, kFieldTrack, 0},
    {{127, 1}, kFieldGenre, NoGenre},
};

bool isV10(const Trailer& trailer) { return trailer[kV11MarkerAt] != 0; }

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
    if (file.readAt(found.fileLength - kTrailerSize, found.bytes) != static_cast<std::int64_t>(kTrailerSize))
        return found;
    const auto marker = fieldOf(found.bytes, kMarker);
    found.state = std::equal(marker.begin(), marker.end(), kMarkerText) ? TrailerState::Present : TrailerState::Absent;
    return found;
}

// Looks for the trailer of a file open for reading, or for writing.
TagOutcome findIn(TagFile& file, bool writing, FoundTrailer& found) {
    const char* openMessage = writing ? msg::kOpenForReadWrite : msg::kOpenForReading;
    if (TagOutcome open = file.ready(writing, openMessage); !open.succeeded()) return open;
    found = findTrailer(file.file());
    if (found.state == TrailerState::Unreadable) return msg::failure(TagFileError, msg::kReadFailed, file.path());
    return found.state == TrailerState::Present ? TagSuccess : TagNoV1Trailer;
}

// The comment and the track: ID3v1.1 when there is a track, or a comment
// that fits its 28 bytes; else ID3v1.0, the comment over the track. An
// ID3v1.0 trailer whose comment and track are not written keeps its bytes.
void copyCommentAndTrack(const V1Tag& tag, FieldMask mask, Trailer& trailer) {
    const bool wasV10 = isV10(trailer);
    if (!(mask & (kFieldComment | kFieldTrack))) return;
    const unsigned char track = (mask & kFieldTrack) ? tag.track : (wasV10 ? 0 : trailer[kTrackAt]);
    if (!(mask & kFieldComment) && wasV10 && track == 0) return;
    std::array<std::uint8_t, kWideComment.size> comment{};
    if (mask & kFieldComment) {
        copyBytes({reinterpret_cast<const std::uint8_t*>(tag.comment), kWideComment.size}, comment);
    } else {
        copyBytes(fieldOf(trailer, kWideComment), comment);
    }
    const bool wide = track == 0 && comment[kV11Comment.size] != 0;
    copyBytes(comment, fieldOf(trailer, wide ? kWideComment : kV11Comment));
    if (wide) return;
    trailer[kV11MarkerAt] = 0;
    trailer[kTrackAt] = track;
}

void copyFieldsToTrailer(V1Tag& tag, FieldMask mask, Trailer& trailer) {
    copyCommentAndTrack(tag, mask, trailer);
    for (const TrailerField& field : kTrailerFields) {
        if ((mask & field.bit) && field.bit != kFieldComment && field.bit != kFieldTrack) {
            copyBytes(field.of(tag), fieldOf(trailer, field.disk));
        }
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

// The one-call forms open the file for themselves.
TagOutcome V1Tag::read(const char* path) {
    TagFile file;
    file.open(path, false);
    return read(file);
}

TagOutcome V1Tag::write(const char* path, FieldMask mask) {
    TagFile file;
    file.open(path, true);
    return write(file, mask);
}

TagOutcome V1Tag::remove(const char* path, int soft) {
    TagFile file;
    file.open(path, true);
    return remove(file, soft);
}

TagOutcome V1Tag::read(TagFile& file) {
    FoundTrailer found;
    if (TagOutcome opened = findIn(file, false, found); !opened.succeeded()) return opened;
    for (const TrailerField& field : kTrailerFields) {
        copyBytes(fieldOf(found.bytes, field.disk), field.of(*this));
    }
    std::ranges::fill(comment, '\0');
    const bool v10 = isV10(found.bytes);
    copyBytes(fieldOf(found.bytes, v10 ? kWideComment : kV11Comment), bytesOf(comment));
    if (v10) track = 0;
    return TagSuccess;
}

TagOutcome V1Tag::write(TagFile& file, FieldMask mask) {
    FoundTrailer found;
    TagOutcome state = findIn(file, true, found);
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
    const bool written = putTrailer(file.file(), offset, found.bytes, appending);
    file.wrote();
    if (!written) return msg::failure(TagFileError, msg::kWriteFailed, file.path());
    return TagSuccess;
}

TagOutcome V1Tag::remove(TagFile& file, int soft) {
    FoundTrailer found;
    if (TagOutcome opened = findIn(file, true, found); !opened.succeeded()) return opened;
    const std::uint64_t kept = found.fileLength - kTrailerSize;
    // A full removal cuts the trailer off: the same bytes as a copy without
    // it, and as safe, since the file has its old length or its new one and
    // the audio is never rewritten.
    platform::File& open = file.file();
    const bool removed = soft ? zeroRange(open, kept, kTrailerSize) : open.truncate(kept) && open.sync();
    file.wrote();
    if (!removed) return msg::failure(TagFileError, msg::kWriteFailed, file.path());
    return TagSuccess;
}

}  // namespace tags
