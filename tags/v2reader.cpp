#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "tags/messages.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

constexpr std::size_t kReadBuffer = 4096;

// Reads a tag sequentially from the start of the file, counting every byte it
// takes from the file. On an unsynchronised tag the byte after each 0xFF is
// dropped. Past the end of the file it yields nothing and the caller's zero
// bytes stay, but the count goes on as if bytes had been read.
class TagStream {
public:
    explicit TagStream(platform::File& file) : file_(file) {}

    void setUnsynchronised(bool on) { unsynchronised_ = on; }
    void read(std::span<std::uint8_t> out) { take(out.size(), out.data()); }
    void skip(std::uint64_t count) { take(count, nullptr); }
    std::uint64_t consumed() const { return consumed_; }
    bool failed() const { return failed_; }

private:
    void take(std::uint64_t count, std::uint8_t* out);
    int nextByte();

    platform::File& file_;
    bool unsynchronised_ = false;
    std::array<std::uint8_t, kReadBuffer> buffer_{};
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool atEnd_ = false;
    bool failed_ = false;
    std::uint64_t consumed_ = 0;
};

int TagStream::nextByte() {
    if (position_ == filled_ && !atEnd_) {
        const std::int64_t got = file_.read(buffer_);
        failed_ = failed_ || got < 0;
        filled_ = got > 0 ? static_cast<std::size_t>(got) : 0;
        position_ = 0;
        atEnd_ = filled_ < buffer_.size();
    }
    return position_ < filled_ ? buffer_[position_++] : -1;
}

void TagStream::take(std::uint64_t count, std::uint8_t* out) {
    for (std::uint64_t i = 0; i < count; ++i) {
        const int byte = nextByte();
        if (byte < 0) {
            consumed_ += count - i;
            return;
        }
        ++consumed_;
        if (out != nullptr) out[i] = static_cast<std::uint8_t>(byte);
        if (unsynchronised_ && byte == v2::kSyncByte && nextByte() >= 0) ++consumed_;
    }
}

using FrameHeader = std::array<std::uint8_t, v2::kFrameHeaderSize>;

FrameSlot* slotWithId(V2Tag& tag, const FrameHeader& header) {
    for (FrameSlot& slot : tag.slots) {
        if (std::equal(slot.id, slot.id + kFrameIdSize, header.begin())) return &slot;
    }
    return nullptr;
}

// A zero-filled block for a body and `extra` bytes more; none when it cannot
// be had, or when the body would be larger than the whole file.
std::unique_ptr<unsigned char[]> newBlock(std::uint32_t bodySize, std::uint64_t extra, std::uint64_t fileLength) {
    if (bodySize > fileLength) return nullptr;
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bodySize + extra]());
}

// A frame the program does not edit is kept as it was: ID, both flag bytes
// and its body, in file order. Not one that runs on past the audio start: a
// rewrite copies the file from there, and the frame's end would stand twice.
TagResult keepFrame(V2Tag& tag, TagStream& stream, const FrameHeader& header, std::uint32_t bodySize,
                    const v2::TagExtent& extent) {
    FrameSlot kept;
    std::copy_n(header.begin(), kFrameIdSize, kept.id);
    kept.flags[0] = header[v2::kFrameFlag1];
    kept.flags[1] = header[v2::kFrameFlag2];
    if (bodySize > 0) {
        kept.buffer = newBlock(bodySize, 0, extent.fileLength);
        if (!kept.buffer) return TagOutOfMemory;
        kept.length = bodySize;
        stream.read(std::span(kept.buffer.get(), bodySize));
    }
    if (stream.consumed() <= extent.audioStart) tag.otherFrames.push_back(std::move(kept));
    return TagSuccess;
}

// Reads the body that follows a frame header into its slot, or keeps the
// frame. Returns 5 when the block cannot be had; the slot keeps what an
// earlier frame put there.
TagResult readFrame(V2Tag& tag, TagStream& stream, const FrameHeader& header, const v2::TagExtent& extent) {
    const std::uint32_t bodySize = readBe32(fieldOf(header, v2::kFrameSize));
    FrameSlot* slot = slotWithId(tag, header);
    if (slot == nullptr) return keepFrame(tag, stream, header, bodySize, extent);
    std::unique_ptr<unsigned char[]> block;
    if (bodySize > 0) {
        // One zero byte more than the body, so that its text always ends.
        block = newBlock(bodySize, 1, extent.fileLength);
        if (!block) return TagOutOfMemory;
        stream.read(std::span(block.get(), bodySize));
    }
    slot->buffer = std::move(block);
    slot->length = bodySize > 0 ? bodySize + 1 : 0;
    slot->flags[0] = bodySize > 0 ? header[v2::kFrameFlag1] : 0;
    slot->flags[1] = 0;
    return TagSuccess;
}

// Reads the header from offset 0 and the frames after it.
TagResult readTag(V2Tag& tag, platform::File& file, const v2::TagExtent& extent, const char* path,
                  WindowHandle owner) {
    if (!file.seek(0)) return TagFileError;
    TagStream stream(file);
    std::array<std::uint8_t, v2::kHeaderSize> header{};
    stream.read(header);
    tag.version = header[v2::kVersionOffset];
    tag.revision = header[v2::kRevisionOffset];
    tag.flags = header[v2::kFlagsOffset];
    tag.size = extent.audioStart;
    if (tag.version != v2::kSupportedVersion) {
        msg::show(owner, msg::kUnsupportedVersion, path);
        return TagUnsupportedVersion;
    }
    std::uint32_t extendedSize = 0;
    if (tag.flags & v2::kFlagExtendedHeader) {
        std::array<std::uint8_t, v2::kExtendedSizeField> sizeField{};
        stream.read(sizeField);  // the size field itself is never unsynchronised
        extendedSize = readBe32(sizeField);
    }
    stream.setUnsynchronised(tag.flags & v2::kFlagUnsynchronised);
    stream.skip(extendedSize);
    for (;;) {
        const std::uint64_t beforeFrame = stream.consumed();
        FrameHeader frame{};
        stream.read(frame);
        if (beforeFrame >= extent.audioStart || frame[0] == 0) break;
        if (const TagResult result = readFrame(tag, stream, frame, extent); result != TagSuccess) return result;
    }
    return stream.failed() ? TagFileError : TagSuccess;
}

}  // namespace

TagResult V2Tag::read(WindowHandle owner, const char* path) {
    freeFields(kAllFields);
    reset();
    platform::File file;
    if (file.open(path, platform::Access::Read) != 0) {
        msg::show(owner, msg::kOpenForReading, path);
        return TagFileError;
    }
    v2::TagExtent extent;
    if (const TagResult result = v2::measureTag(owner, path, file, true, extent); result != TagSuccess) {
        return result;
    }
    const TagResult result = readTag(*this, file, extent, path, owner);
    if (result == TagFileError) msg::show(owner, msg::kReadFailed, path);
    return result;
}

}  // namespace tags
