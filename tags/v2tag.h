// The ID3v2 record: a fixed header and twelve frame slots, one for each frame
// kind the program edits, and the operations on the leading tag of a file.
// ID3v2.3 and 2.4 tags are read and written in their own version; an ID3v2.2
// tag is read in its ID3v2.3 form and written so.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/fs.h"
#include "tags/fieldmask.h"
#include "tags/tagfile.h"
#include "tags/tagresult.h"
#include "tags/textcodec.h"

namespace tags {

// The offset of the first byte 0xFF followed by a byte of 0xE0 or more: the
// program takes everything before it as the leading tag.
using AudioStart = std::uint32_t;

inline constexpr std::size_t kSlotCount = 12;
inline constexpr std::size_t kFrameIdSize = 4;
inline constexpr std::uint32_t kLargestSyncsafe = 0x0FFFFFFF;  // 28 bits
inline constexpr std::uint32_t kDefaultPadding = 512;

struct FrameSlot {
    char id[kFrameIdSize] = {};
    std::uint32_t length = 0;                 // bytes in buffer
    unsigned char flags[2] = {};              // in file order
    std::unique_ptr<unsigned char[]> buffer;  // null exactly when length is 0
    // The last byte is the zero the reader adds after a body so that its text
    // always ends; it is no byte of the frame, so a write leaves it out and a
    // frame read and written back keeps its size.
    bool endsInAddedZero = false;

    // The frame's bytes as the file holds them, when they differ from the
    // body (compressed, grouped, unsynchronised): written back instead while
    // the slot is not refilled, so that a frame nobody edited keeps its bytes.
    struct Stored {
        unsigned char flags[2] = {};
        std::vector<unsigned char> body;
    };
    std::optional<Stored> stored;

    std::span<const unsigned char> body() const { return {buffer.get(), length}; }
    std::uint32_t frameSize() const { return length - (endsInAddedZero ? 1 : 0); }
    std::span<const unsigned char> frameBody() const { return body().first(frameSize()); }
};

struct V2Tag {
    char identifier[4] = {};
    unsigned char version = 0;
    unsigned char revision = 0;
    unsigned char flags = 0;
    AudioStart audioStart = 0;       // where the audio starts, as the last read found it
    std::uint32_t declaredSize = 0;  // the size the last write gave the header
    FrameSlot slots[kSlotCount];
    // Frames of an ID3v2.2 tag that have no ID3v2.3 form: a write would lose
    // them, so none is done.
    std::uint32_t unconvertibleFrames = 0;
    // Every other frame of the tag as it was read (ID, both flag bytes, body,
    // length without an added zero), in file order; written back unchanged
    // after the slots, so that pictures, lyrics and the like survive a write.
    std::vector<FrameSlot> otherFrames;

    V2Tag() { reset(); }

    void reset();
    // Gives every selected slot a zero-filled block of size bytes, in bit order;
    // 5 at the first block that cannot be had.
    TagResult allocFields(FieldMask mask, std::uint32_t size);
    // With every field (0x1FFF) it also releases the kept frames.
    void freeFields(FieldMask mask);
    // The 28-bit syncsafe form; values beyond 28 bits give 7F 7F 7F 7F.
    static std::array<unsigned char, 4> encodeSyncsafe(std::uint32_t value);
    // Gives the slots the frame IDs of a major version: the year is TDRC in ID3v2.4.
    void useVersion(unsigned char major);

    // Each opens the file for itself, or takes one opened for the walk step.
    TagOutcome read(const char* path);
    TagOutcome read(TagFile& file);
    // Reads the tag of a file whose bytes are all in memory, as read does;
    // name stands for the file in messages.
    TagOutcome parse(std::span<const std::uint8_t> contents, const char* name);
    TagOutcome write(const char* path, FieldMask mask, std::uint32_t padding);
    TagOutcome write(TagFile& file, FieldMask mask, std::uint32_t padding);
    TagOutcome remove(const char* path, int soft);
    TagOutcome remove(TagFile& file, int soft);
};

// The slot a FieldMask bit selects, for the twelve single bits 0x001 to 0x800.
std::size_t slotOfBit(std::size_t bitIndex);
// The same for the field's mask bit itself (kFieldTitle and the others).
std::size_t slotOfField(FieldMask field);
// How a slot's body holds its text: a comment and a URL have a description first.
text::BodyLayout slotLayout(std::size_t slot);

// Scans the file and leaves the position anywhere. Without any frame sync the
// audio starts where the tag the file begins with declares its end, when that
// is inside the file. Empty when there is no audio by that rule, when the file
// cannot be read, or when it is longer than an AudioStart can say and has no
// frame sync in the part an AudioStart can reach.
std::optional<AudioStart> findAudioStart(platform::File& file);

// The audio start, and where a removal ends: the end of the tag (header,
// declared size and footer) when its frames are well formed and the audio
// does not start sooner, else the audio start.
struct TagBounds {
    AudioStart audioStart = 0;
    std::uint64_t tagEnd = 0;
};
std::optional<TagBounds> findTagBounds(platform::File& file);

}  // namespace tags
