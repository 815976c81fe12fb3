#include "tags/v1tag.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/fs.h"
#include "tags/bytes.h"
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

// One field of the trailer and where it lives in the record.
struct TrailerField {
    ByteField disk;
    FieldMask bit;
    std::uint8_t cleared;  // its value in a new record
    std::span<std::uint8_t> (*of)(V1Tag&);
};

std::span<std::uint8_t> byteOf(unsigned char& value) { return {&value, 1}; }

// In trailer order. The comment covers offsets 97 to 125: 28 bytes of text and
// the zero byte that makes the trailer ID3v1.1.
constexpr TrailerField kFields[] = {
    {{3, 30}, kFieldTitle, 0, [](V1Tag& t) { return bytesOf(t.title); }},
    {{33, 30}, kFieldArtist, 0, [](V1Tag& t) { return bytesOf(t.artist); }},
    {{63, 30}, kFieldAlbum, 0, [](V1Tag& t) { return bytesOf(t.album); }},
    {{93, 4}, kFieldYear, 0, [](V1Tag& t) { return bytesOf(t.year); }},
    {{97, 29}, kFieldComment, 0, [](V1Tag& t) { return bytesOf(t.comment); }},
    {{126, 1}, kFieldTrack, 0, [](V1Tag& t) { return byteOf(t.track); }},
    {{127, 1}, kFieldGenre, NoGenre, [](V1Tag& t) { return byteOf(t.genre); }},
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

// Opens the file and looks for its trailer, telling the user about failures.
TagResult openWithTrailer(WindowHandle owner, const char* path, platform::Access access,
                          platform::File& file, FoundTrailer& found) {
    const char* openMessage = access == platform::Access::Read ? msg::kOpenForReading : msg::kOpenForReadWrite;
    if (file.open(path, access) != 0) {
        msg::show(owner, openMessage, path);
        return TagFileError;
    }
    found = findTrailer(file);
    if (found.state == TrailerState::Unreadable) {
        msg::show(owner, msg::kReadFailed, path);
        return TagFileError;
    }
    return found.state == TrailerState::Present ? TagSuccess : TagNoV1Trailer;
}

void copyFieldsToTrailer(V1Tag& tag, FieldMask mask, Trailer& trailer) {
    tag.comment[kCommentLast] = 0;
    for (const TrailerField& field : kFields) {
        if (mask & field.bit) copyBytes(field.of(tag), fieldOf(trailer, field.disk));
    }
}

// Writes the trailer at offset; a trailer appended in part is cut off again.
bool putTrailer(platform::File& file, std::uint64_t offset, const Trailer& trailer, bool appending) {
    if (file.writeAt(offset, trailer)) return true;
    if (appending) file.truncate(offset);
    return false;
}

}  // namespace

TagResult V1Tag::read(WindowHandle owner, const char* path) {
    platform::File file;
    FoundTrailer found;
    if (const TagResult result = openWithTrailer(owner, path, platform::Access::Read, file, found);
        result != TagSuccess) {
        return result;
    }
    for (const TrailerField& field : kFields) {
        copyBytes(fieldOf(found.bytes, field.disk), field.of(*this));
    }
    comment[kCommentLast] = 0;
    return TagSuccess;
}

TagResult V1Tag::write(WindowHandle owner, const char* path, FieldMask mask) {
    platform::File file;
    FoundTrailer found;
    const TagResult state = openWithTrailer(owner, path, platform::Access::ReadWrite, file, found);
    if (state == TagFileError) return state;
    const bool appending = state == TagNoV1Trailer;
    std::uint64_t offset = found.fileLength - kTrailerSize;
    if (appending) {
        // A new trailer carries only the chosen fields; the record forgets the rest too.
        for (const TrailerField& field : kFields) {
            if (!(mask & field.bit)) std::ranges::fill(field.of(*this), field.cleared);
        }
        found.bytes = {};
        std::copy(std::begin(kMarkerText), std::end(kMarkerText), found.bytes.begin());
        mask = kAllFields;
        offset = found.fileLength;
    }
    copyFieldsToTrailer(*this, mask, found.bytes);
    if (!putTrailer(file, offset, found.bytes, appending)) {
        msg::show(owner, msg::kWriteFailed, path);
        return TagFileError;
    }
    return TagSuccess;
}

TagResult V1Tag::remove(WindowHandle owner, const char* path, int soft) {
    platform::File file;
    FoundTrailer found;
    if (const TagResult result = openWithTrailer(owner, path, platform::Access::ReadWrite, file, found);
        result != TagSuccess) {
        return result;
    }
    const std::uint64_t kept = found.fileLength - kTrailerSize;
    // A full removal cuts the trailer off: the same bytes as a copy without
    // it, and as safe, since the file has its old length or its new one and
    // the audio is never rewritten.
    const bool removed = soft ? zeroRange(file, kept, kTrailerSize) : file.truncate(kept) && file.sync();
    if (!removed) {
        msg::show(owner, msg::kWriteFailed, path);
        return TagFileError;
    }
    return TagSuccess;
}

}  // namespace tags
