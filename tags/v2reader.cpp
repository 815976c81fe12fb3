#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

// Unsynchronised tags are taken byte by byte from a window of this size.
constexpr std::size_t kWindow = 4096;

// Reads a tag sequentially from the start of the file, counting every byte it
// takes from the file. A tag without unsynchronisation is copied in whole
// spans; in an unsynchronised one the byte after each 0xFF is dropped. Past
// the end of the file it yields nothing and the caller's zero bytes stay, but
// the count goes on as if bytes had been read.
class TagStream {
public:
    explicit TagStream(FileHead& head) : head_(head) {}

    void setUnsynchronised(bool on) { unsynchronised_ = on; }
    void read(std::span<std::uint8_t> out) { unsynchronised_ ? takeBytes(out.size(), out.data()) : takeSpan(out.size(), out.data()); }
    void skip(std::uint64_t count) { unsynchronised_ ? takeBytes(count, nullptr) : takeSpan(count, nullptr); }
    std::uint64_t consumed() const { return consumed_; }
    bool failed() const { return failed_; }

private:
    void takeSpan(std::uint64_t count, std::uint8_t* out);
    void takeBytes(std::uint64_t count, std::uint8_t* out);
    int nextByte();

    FileHead& head_;
    bool unsynchronised_ = false;
    std::uint64_t position_ = 0;  // the file offset of the next byte
    std::array<std::uint8_t, kWindow> window_;  // not cleared: only what was read is taken
    std::uint64_t windowStart_ = 0;
    std::size_t windowFill_ = 0;
    bool failed_ = false;
    std::uint64_t consumed_ = 0;
};

void TagStream::takeSpan(std::uint64_t count, std::uint8_t* out) {
    if (out != nullptr && head_.copy(position_, std::span(out, static_cast<std::size_t>(count))) < 0) failed_ = true;
    position_ += count;
    consumed_ += count;
}

int TagStream::nextByte() {
    if (position_ < windowStart_ || position_ >= windowStart_ + windowFill_) {
        const std::int64_t got = head_.copy(position_, window_);
        failed_ = failed_ || got < 0;
        windowStart_ = position_;
        windowFill_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        if (windowFill_ == 0) return -1;
    }
    return window_[static_cast<std::size_t>(position_++ - windowStart_)];
}

void TagStream::takeBytes(std::uint64_t count, std::uint8_t* out) {
    for (std::uint64_t i = 0; i < count; ++i) {
        const int byte = nextByte();
        if (byte < 0) {
            consumed_ += count - i;
            return;
        }
        ++consumed_;
        if (out != nullptr) out[i] = static_cast<std::uint8_t>(byte);
        if (byte == v2::kSyncByte && nextByte() >= 0) ++consumed_;
    }
}

using FrameHeader = std::array<std::uint8_t, v2::kFrameHeaderSize>;

// A frame as it is in the tag: ID, both flag bytes and its body, held with one
// zero byte after it (not counted in length) so that a slot can take it as is.
struct TagFrame {
    FrameSlot frame;
    bool pastAudio = false;  // its body runs on past the audio start
};

// Reads the body that follows a frame header. 5 when the block cannot be had,
// or, with its message, when the body would be larger than the whole file.
TagOutcome readFrame(TagStream& stream, const FrameHeader& header, const v2::TagExtent& extent, const char* path,
                     TagFrame& read) {
    const std::uint32_t bodySize = readBe32(fieldOf(header, v2::kFrameSize));
    FrameSlot& frame = read.frame;
    std::copy_n(header.begin(), kFrameIdSize, frame.id);
    frame.flags[0] = header[v2::kFrameFlag1];
    frame.flags[1] = header[v2::kFrameFlag2];
    if (bodySize > extent.fileLength) return msg::failure(TagOutOfMemory, msg::kFrameTooLarge, path);
    frame.buffer.reset(new (std::nothrow) unsigned char[std::uint64_t{bodySize} + 1]());
    if (!frame.buffer) return TagOutOfMemory;
    frame.length = bodySize;
    stream.read(std::span(frame.buffer.get(), bodySize));
    return TagSuccess;
}

// Each slot takes the last frame that can go to it, with one zero byte more so
// that its text always ends, and only its first flag byte. Every other frame
// is kept as it was, in file order, to be written back unchanged; not one that
// runs on past the audio start: a rewrite copies the file from there, and the
// frame's end would stand twice.
void distribute(V2Tag& tag, std::vector<TagFrame>& frames) {
    std::array<std::optional<std::size_t>, kSlotCount> taken;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (const auto slot = v2::slotTaking(tag, frames[i].frame)) taken[*slot] = i;
    }
    std::vector<bool> inSlot(frames.size(), false);
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
        if (!taken[slot]) continue;
        FrameSlot& frame = frames[*taken[slot]].frame;
        tag.slots[slot].buffer = std::move(frame.buffer);
        tag.slots[slot].length = frame.length + 1;
        tag.slots[slot].endsInAddedZero = true;
        tag.slots[slot].flags[0] = frame.flags[0];
        tag.slots[slot].flags[1] = 0;
        inSlot[*taken[slot]] = true;
    }
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!inSlot[i] && !frames[i].pastAudio) tag.otherFrames.push_back(std::move(frames[i].frame));
    }
}

// Reads frames until the audio start or what is no frame; 5 when a body's
// block cannot be had, with the frames before it read.
TagOutcome readFrames(TagStream& stream, const v2::TagExtent& extent, const char* path, std::vector<TagFrame>& frames) {
    for (;;) {
        const std::uint64_t beforeFrame = stream.consumed();
        FrameHeader header{};
        stream.read(header);
        // Padding ends the frames, and so does anything that is not a frame
        // ID: the audio-start scan stops there too, so a frame kept from
        // after it would be read as the audio once written back.
        if (beforeFrame >= extent.audioStart || !v2::isFrameId(fieldOf(header, v2::kFrameId))) return TagSuccess;
        if (readBe32(fieldOf(header, v2::kFrameSize)) == 0) continue;  // no frame: a frame holds a byte at least
        TagFrame read;
        if (TagOutcome got = readFrame(stream, header, extent, path, read); !got.succeeded()) return got;
        read.pastAudio = stream.consumed() > extent.audioStart;
        frames.push_back(std::move(read));
    }
}

// Reads the header from offset 0 and the frames after it.
TagOutcome readTag(V2Tag& tag, FileHead& head, const v2::TagExtent& extent, const char* path) {
    TagStream stream(head);
    std::array<std::uint8_t, v2::kHeaderSize> header{};
    stream.read(header);
    if (stream.failed()) return msg::failure(TagFileError, msg::kReadFailed, path);
    tag.version = header[v2::kVersionOffset];
    tag.revision = header[v2::kRevisionOffset];
    tag.flags = header[v2::kFlagsOffset];
    tag.audioStart = extent.audioStart;
    if (tag.version != v2::kSupportedVersion) return msg::failure(TagUnsupportedVersion, msg::kUnsupportedVersion, path);
    std::uint32_t extendedSize = 0;
    if (tag.flags & v2::kFlagExtendedHeader) {
        std::array<std::uint8_t, v2::kExtendedSizeField> sizeField{};
        stream.read(sizeField);  // the size field itself is never unsynchronised
        extendedSize = readBe32(sizeField);
    }
    stream.setUnsynchronised(tag.flags & v2::kFlagUnsynchronised);
    stream.skip(extendedSize);
    std::vector<TagFrame> frames;
    TagOutcome outcome = readFrames(stream, extent, path, frames);
    distribute(tag, frames);
    if (!outcome.succeeded()) return outcome;
    return stream.failed() ? msg::failure(TagFileError, msg::kReadFailed, path) : TagSuccess;
}

}  // namespace

TagOutcome V2Tag::read(const char* path) {
    freeFields(kAllFields);
    reset();
    platform::File file;
    if (openTagFile(file, path, platform::Access::Read) != 0) return msg::failure(TagFileError, msg::kOpenForReading, path);
    FileHead head(file, *file.size());
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, head, true, extent); !measured.succeeded()) return measured;
    return readTag(*this, head, extent, path);
}

}  // namespace tags
