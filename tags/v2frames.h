// The frames of an ID3v2 tag of any version, walked over the tag's bytes in
// memory: the frame header each version uses, the walk itself, the bytes a
// tag's frames stand in once its unsynchronisation is undone, and what a
// frame's flags do to its body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tags/v2header.h"

namespace tags::v2 {

inline constexpr std::size_t kFrameIdSize = 4;
inline constexpr std::size_t kV22FrameIdSize = 3;

// How a version lays out a frame header: ID3v2.2 has a 3-letter ID and a
// 3-byte size and no flags; ID3v2.3 a plain 4-byte size; ID3v2.4 a syncsafe
// one (or a plain one, written so by mistake).
struct FrameFormat {
    std::size_t idSize = kFrameIdSize;
    std::size_t sizeBytes = 4;
    bool syncsafe = false;
    bool hasFlags = true;

    std::size_t headerSize() const { return idSize + sizeBytes + (hasFlags ? 2 : 0); }
};

FrameFormat frameFormatOf(unsigned char version, bool syncsafeSizes = true);

// A frame ID is capital letters or digits.
bool isFrameId(std::span<const std::uint8_t> id, std::size_t idSize);

// The flags of the second flag byte, by version.
inline constexpr std::uint8_t kV23Compressed = 0x80;
inline constexpr std::uint8_t kV23Encrypted = 0x40;
inline constexpr std::uint8_t kV23Grouped = 0x20;
inline constexpr std::uint8_t kV24Grouped = 0x40;
inline constexpr std::uint8_t kV24Compressed = 0x08;
inline constexpr std::uint8_t kV24Encrypted = 0x04;
inline constexpr std::uint8_t kV24Unsynchronised = 0x02;
inline constexpr std::uint8_t kV24DataLength = 0x01;

struct FrameView {
    std::size_t offset = 0;  // of its header, within the walked bytes
    std::size_t headerSize = 0;
    std::span<const std::uint8_t> id;
    std::uint8_t flags[2] = {};
    std::uint32_t declaredSize = 0;
    std::span<const std::uint8_t> body;  // what of the declared body the bytes hold

    bool complete() const { return body.size() == declaredSize; }
    std::size_t end() const { return offset + headerSize + declaredSize; }
};

// Why a walk ended.
enum class WalkEnd { Padding, End, NotAFrame, Overrun };

// Walks the frames of a tag's bytes (after the header and extended header).
class FrameWalk {
public:
    FrameWalk(std::span<const std::uint8_t> bytes, FrameFormat format) : bytes_(bytes), format_(format) {}

    // The next frame; empty when the walk has ended. A frame whose body runs
    // past the bytes is given once, with what of it there is, and ends the walk.
    std::optional<FrameView> next();
    WalkEnd ended() const { return ended_; }
    // Where the last whole frame ends: where the walk stopped.
    std::size_t position() const { return position_; }
    // Whether the frames fill the bytes up to padding or their end.
    bool clean() const { return ended_ == WalkEnd::Padding || ended_ == WalkEnd::End; }
    std::size_t framesWalked() const { return walked_; }

private:
    std::span<const std::uint8_t> bytes_;
    FrameFormat format_;
    std::size_t position_ = 0;
    std::size_t walked_ = 0;
    WalkEnd ended_ = WalkEnd::End;
    bool done_ = false;
};

// Walks the frames once to their end: the walk as it ended.
FrameWalk walkAll(std::span<const std::uint8_t> bytes, FrameFormat format);

// Undoes unsynchronisation: drops each 00 that follows an FF.
std::vector<std::uint8_t> resynchronise(std::span<const std::uint8_t> bytes);

// The frames' bytes of a tag. Where the whole tag is unsynchronised (ID3v2.2
// and 2.3), they are the resynchronised bytes, and offsets in them map back
// to the file through the dropped bytes.
struct TagFrames {
    Header header;
    FrameFormat format;
    std::size_t framesAt = 0;  // where the walked bytes begin in the file
    std::size_t skipped = 0;   // resynchronised bytes of the extended header before the frames
    std::vector<std::uint8_t> resynchronised;
    std::span<const std::uint8_t> frames;
    std::vector<std::size_t> droppedAt;  // for resynchronised bytes: their offsets before which a byte was dropped

    // The file offset of an offset within the frames.
    std::uint64_t fileOffset(std::size_t framesOffset) const;
};

// The frames of the tag at the start of bytes, up to limit. For ID3v2.4 the frame sizes are read as the reading that
// walks the frames cleanly has them: syncsafe, or plain as some taggers write them.
TagFrames tagFrames(const Header& header, std::span<const std::uint8_t> bytes, std::uint64_t limit);

// A frame's body as its flags leave it: resynchronised, without its group
// byte, data length or decompressed size, and decompressed. Empty when its
// flags cannot be honoured (encryption, a reserved flag, a body that does not
// decompress). tagUnsynchronised is the ID3v2.4 header's flag, which stands
// for every frame's.
std::optional<std::vector<std::uint8_t>> decodedBody(std::span<const std::uint8_t> body, const std::uint8_t (&flags)[2],
                                                     unsigned char version, bool tagUnsynchronised);
// Whether the frame's flags change its body at all.
bool bodyIsEncoded(const std::uint8_t (&flags)[2], unsigned char version, bool tagUnsynchronised);

}  // namespace tags::v2
