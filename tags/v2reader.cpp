#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/v22frames.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

// A frame as the tag holds it, and what of it a slot would take.
struct TagFrame {
    // ID (the ID3v2.3 one for an ID3v2.2 frame), both flag bytes and the body
    // as the file has it, held with one zero byte after it (not counted in
    // length) so that a slot can take it as is.
    FrameSlot frame;
    // The body its flags leave, when it differs from the stored one.
    std::optional<std::vector<std::uint8_t>> decoded;
    bool honoured = true;    // its flags can be undone: only then may a slot take it
    bool pastAudio = false;  // its body runs on past the audio start

    std::span<const std::uint8_t> content() const {
        return decoded ? std::span<const std::uint8_t>(*decoded) : frame.body();
    }
};

// A block of size bytes and one zero more; false when it cannot be had. The
// size bytes are not cleared: the caller fills them all (a picture's body
// would otherwise be written twice).
bool allocate(FrameSlot& frame, std::size_t size) {
    frame.buffer.reset(new (std::nothrow) unsigned char[size + 1]);
    frame.length = frame.buffer ? static_cast<std::uint32_t>(size) : 0;
    if (frame.buffer) frame.buffer[size] = 0;
    return frame.buffer != nullptr;
}

// The frame's stored body: what the walked bytes hold of it, and the rest
// from the file where the frame runs on past them (zero bytes past the end).
TagOutcome storeBody(const v2::FrameView& view, const v2::TagFrames& tag, FileHead& head, const v2::TagExtent& extent,
                     const char* path, FrameSlot& frame) {
    if (view.declaredSize > extent.fileLength) return msg::failure(TagOutOfMemory, msg::kFrameTooLarge, path);
    if (!allocate(frame, view.declaredSize)) return TagOutOfMemory;
    std::memcpy(frame.buffer.get(), view.body.data(), view.body.size());
    auto missing = std::span(frame.buffer.get() + view.body.size(), view.declaredSize - view.body.size());
    if (!view.complete() && tag.resynchronised.empty()) {
        const std::uint64_t rest = tag.fileOffset(view.offset + view.headerSize) + view.body.size();
        const std::int64_t got = head.copy(rest, missing);
        if (got < 0) return msg::failure(TagFileError, msg::kReadFailed, path);
        missing = missing.subspan(static_cast<std::size_t>(got));
    }
    std::ranges::fill(missing, 0);
    return TagSuccess;
}

// Gives the frame its ID3v2.3 form when it comes from an ID3v2.2 tag; false
// when it has none.
bool convertFromV22(const v2::FrameView& view, TagFrame& read) {
    const auto id = v2::v23IdOf(view.id);
    if (!id) return false;
    std::copy_n(id->begin(), kFrameIdSize, read.frame.id);
    const std::vector<std::uint8_t> body = v2::v23BodyOf(*id, read.frame.body());
    if (!allocate(read.frame, body.size())) return false;
    std::ranges::copy(body, read.frame.buffer.get());
    return true;
}

// Each slot takes the last frame that can go to it, as its flags leave it,
// with one zero byte more so that its text always ends, and only its first
// flag byte; a frame stored otherwise stays with the slot, to be written
// back as it was unless the slot is refilled. Every other frame is kept as
// it was, in file order, to be written back unchanged; not one that runs on
// past the audio start: a rewrite copies the file from there, and the
// frame's end would stand twice.
void distribute(V2Tag& tag, std::vector<TagFrame>& frames) {
    std::array<std::optional<std::size_t>, kSlotCount> taken;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!frames[i].honoured) continue;
        if (const auto slot = v2::slotTaking(tag, frames[i].frame.id, frames[i].content())) taken[*slot] = i;
    }
    std::vector<bool> inSlot(frames.size(), false);
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
        if (!taken[slot]) continue;
        TagFrame& read = frames[*taken[slot]];
        FrameSlot& target = tag.slots[slot];
        if (read.decoded) {
            target.stored = FrameSlot::Stored{{read.frame.flags[0], read.frame.flags[1]},
                                              {read.frame.body().begin(), read.frame.body().end()}};
            if (!allocate(read.frame, read.decoded->size())) continue;
            std::ranges::copy(*read.decoded, read.frame.buffer.get());
        }
        target.buffer = std::move(read.frame.buffer);
        target.length = read.frame.length + 1;
        target.endsInAddedZero = true;
        target.flags[0] = read.frame.flags[0];
        target.flags[1] = 0;
        inSlot[*taken[slot]] = true;
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!inSlot[i] && !frames[i].pastAudio) tag.otherFrames.push_back(std::move(frames[i].frame));
    }
}

// What a frame read from the tag is, in the record's terms.
TagOutcome takeFrame(V2Tag& tag, const v2::TagFrames& tags, const v2::FrameView& view, FileHead& head,
                     const v2::TagExtent& extent, const char* path, TagFrame& read) {
    std::copy_n(view.id.begin(), std::min(view.id.size(), kFrameIdSize), read.frame.id);
    read.frame.flags[0] = view.flags[0];
    read.frame.flags[1] = view.flags[1];
    if (TagOutcome stored = storeBody(view, tags, head, extent, path, read.frame); !stored.succeeded()) return stored;
    read.pastAudio = tags.fileOffset(view.end()) > extent.audioStart;
    if (tag.version == v2::kVersion22) {
        read.honoured = convertFromV22(view, read);
        if (!read.honoured) ++tag.unconvertibleFrames;
        return TagSuccess;
    }
    // The ID3v2.4 header's unsynchronisation stands for every frame's: the
    // frame says so itself when it is written back on its own.
    const bool tagUnsynchronised = tag.version == v2::kVersion24 && tags.header.unsynchronised();
    if (!v2::bodyIsEncoded(view.flags, tag.version, tagUnsynchronised)) return TagSuccess;
    if (tagUnsynchronised) read.frame.flags[1] |= v2::kV24Unsynchronised;
    read.decoded = v2::decodedBody(read.frame.body(), view.flags, tag.version, tagUnsynchronised);
    // Flags that leave nothing of the body give a slot nothing to show, and a
    // slot left empty is not written: such a frame stays as it is.
    read.honoured = read.decoded.has_value() && !read.decoded->empty();
    return TagSuccess;
}

// Reads frames until the audio start or what is no frame; 5 when a body's
// block cannot be had, with the frames before it read.
TagOutcome readFrames(V2Tag& tag, const v2::TagFrames& tags, FileHead& head, const v2::TagExtent& extent,
                      const char* path, std::vector<TagFrame>& frames) {
    v2::FrameWalk walk(tags.frames, tags.format);
    while (const auto view = walk.next()) {
        if (tags.fileOffset(view->offset) >= extent.audioStart) break;
        if (view->declaredSize == 0) continue;  // no frame: a frame holds a byte at least
        TagFrame read;
        if (TagOutcome got = takeFrame(tag, tags, *view, head, extent, path, read); !got.succeeded()) return got;
        frames.push_back(std::move(read));
    }
    return TagSuccess;
}

// The header as the reader takes it: its declared size is only a bound.
v2::Header headerOf(std::span<const std::uint8_t> bytes, const v2::TagExtent& extent) {
    if (const auto parsed = v2::parseHeader(bytes)) return *parsed;
    const auto bound = std::min<std::uint64_t>(extent.audioStart, v2::kLargestSyncsafeValue);
    return {bytes[v2::kVersionOffset], bytes[v2::kRevisionOffset], bytes[v2::kFlagsOffset],
            static_cast<std::uint32_t>(bound)};
}

bool versionIsRead(const v2::Header& header) {
    const bool known = header.version >= v2::kVersion22 && header.version <= v2::kVersion24;
    // A compressed ID3v2.2 tag cannot be read frame by frame.
    return known && !(header.version == v2::kVersion22 && (header.flags & v2::kFlagExtendedHeader));
}

// Reads the header from offset 0 and the frames after it, up to the audio start.
TagOutcome readTag(V2Tag& tag, FileHead& head, const v2::TagExtent& extent, const char* path) {
    if (!head.loadTo(extent.audioStart) || head.loaded().size() < v2::kHeaderSize) {
        return msg::failure(TagFileError, msg::kReadFailed, path);
    }
    const v2::Header header = headerOf(head.loaded(), extent);
    tag.version = header.version;
    tag.revision = header.revision;
    tag.flags = header.flags;
    tag.audioStart = extent.audioStart;
    if (!versionIsRead(header)) return msg::failure(TagUnsupportedVersion, msg::kUnsupportedVersion, path);
    tag.useVersion(header.version);
    const v2::TagFrames tags = v2::tagFrames(header, head.loaded(), head.loaded().size());
    std::vector<TagFrame> frames;
    TagOutcome outcome = readFrames(tag, tags, head, extent, path, frames);
    distribute(tag, frames);
    return outcome;
}

}  // namespace

TagOutcome V2Tag::read(const char* path) {
    TagFile file;
    file.open(path, false);
    return read(file);
}

TagOutcome V2Tag::read(TagFile& file) {
    freeFields(kAllFields);
    reset();
    if (TagOutcome open = file.ready(false, msg::kOpenForReading); !open.succeeded()) return open;
    const char* path = file.path();
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, file.head(), true, extent); !measured.succeeded()) return measured;
    return readTag(*this, file.head(), extent, path);
}

TagOutcome V2Tag::parse(std::span<const std::uint8_t> contents, const char* name) {
    freeFields(kAllFields);
    reset();
    FileHead head(contents);
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(name, head, true, extent); !measured.succeeded()) return measured;
    return readTag(*this, head, extent, name);
}

}  // namespace tags
