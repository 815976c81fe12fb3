// The byte layout of an ID3v2.3 and 2.4 frame header, and what the tag
// operations share about the leading tag of a file.
#pragma once

#include <cstdint>
#include <optional>

#include "tags/bytes.h"
#include "tags/filehead.h"
#include "tags/v2frames.h"
#include "tags/v2header.h"
#include "tags/v2tag.h"

namespace tags::v2 {

inline constexpr unsigned char kSupportedVersion = kVersion23;  // what a record starts as

inline constexpr std::size_t kFrameHeaderSize = 10;  // ID3v2.3 and 2.4
inline constexpr ByteField kFrameId{0, kFrameIdSize};
inline constexpr ByteField kFrameSize{4, 4};
inline constexpr std::size_t kFrameFlag1 = 8;
inline constexpr std::size_t kFrameFlag2 = 9;

// A frame sync: 0xFF followed by a byte of at least this value.
inline constexpr std::uint8_t kSyncByte = 0xFF;
inline constexpr std::uint8_t kSyncFollowMin = 0xE0;

// Where the leading tag of an open file ends, and how long the file is.
struct TagExtent {
    AudioStart audioStart = 0;
    std::uint64_t fileLength = 0;
    std::uint64_t tagEnd = 0;  // what a removal takes (see TagBounds)
};

// Loads the head of an open file and measures the tag: 2 when requireMarker
// is set and the file does not begin with "ID3"; 4, with its message, when it
// cannot be read or has no audio.
TagOutcome measureTag(const char* path, FileHead& head, bool requireMarker, TagExtent& extent);

// The slot that takes a frame read from a file, if any, by its ID and body.
std::optional<std::size_t> slotTaking(const V2Tag& tag, const char (&id)[kFrameIdSize],
                                      std::span<const unsigned char> body);
// The same for a kept frame, by the body its flags leave, as the next read
// will judge it; none when they leave nothing or cannot be undone.
std::optional<std::size_t> slotTaking(const V2Tag& tag, const FrameSlot& frame);

// Calls action(slot index) for each slot the mask selects, in bit order,
// while it returns true.
template <typename Action>
void forEachSelectedSlot(FieldMask mask, Action action) {
    for (std::size_t bit = 0; bit < kSlotCount; ++bit) {
        if ((mask & (FieldMask{1} << bit)) && !action(slotOfBit(bit))) return;
    }
}

}  // namespace tags::v2
