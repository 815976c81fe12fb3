// The byte layout of an ID3v2 tag: the 10-byte header, the extended header's
// size field and the 10-byte frame header.
#pragma once

#include <cstdint>
#include <optional>

#include "tags/bytes.h"
#include "tags/filehead.h"
#include "tags/v2tag.h"

namespace tags::v2 {

inline constexpr std::size_t kHeaderSize = 10;
inline constexpr ByteField kMarker{0, 3};
inline constexpr std::size_t kVersionOffset = 3;
inline constexpr std::size_t kRevisionOffset = 4;
inline constexpr std::size_t kFlagsOffset = 5;
inline constexpr ByteField kTagSize{6, 4};  // syncsafe

inline constexpr std::uint8_t kMarkerText[] = {'I', 'D', '3'};
inline constexpr char kIdentifier[] = "ID3";  // the record's identifier, terminated
inline constexpr unsigned char kSupportedVersion = 3;
inline constexpr unsigned char kFlagUnsynchronised = 0x80;
inline constexpr unsigned char kFlagExtendedHeader = 0x40;

inline constexpr std::size_t kExtendedSizeField = 4;  // plain big-endian, counts what follows

inline constexpr std::size_t kFrameHeaderSize = 10;
inline constexpr ByteField kFrameId{0, kFrameIdSize};
inline constexpr ByteField kFrameSize{4, 4};  // plain big-endian, without the header
inline constexpr std::size_t kFrameFlag1 = 8;
inline constexpr std::size_t kFrameFlag2 = 9;

inline constexpr int kSyncsafeBits = 7;
inline constexpr std::uint8_t kSyncsafeLimit = 0x80;  // every byte of a syncsafe number is below it

// The value of a 4-byte syncsafe number; -1 when a byte has its top bit set.
inline std::int64_t decodeSyncsafe(std::span<const std::uint8_t> bytes) {
    std::int64_t value = 0;
    for (std::size_t i = 0; i < kTagSize.size; ++i) {
        if (bytes[i] >= kSyncsafeLimit) return -1;
        value = (value << kSyncsafeBits) | bytes[i];
    }
    return value;
}

// A frame ID is four capital letters or digits.
inline bool isFrameId(std::span<const std::uint8_t> id) {
    for (std::size_t i = 0; i < kFrameIdSize; ++i) {
        const bool valid = (id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9');
        if (!valid) return false;
    }
    return true;
}

// A frame sync: 0xFF followed by a byte of at least this value.
inline constexpr std::uint8_t kSyncByte = 0xFF;
inline constexpr std::uint8_t kSyncFollowMin = 0xE0;

// Where the leading tag of an open file ends, and how long the file is.
struct TagExtent {
    AudioStart audioStart = 0;
    std::uint64_t fileLength = 0;
};

// Loads the head of an open file and measures the tag: 2 when requireMarker
// is set and the file does not begin with "ID3"; 4, with its message, when it
// cannot be read or has no audio.
TagOutcome measureTag(const char* path, FileHead& head, bool requireMarker, TagExtent& extent);

// The slot that takes a frame read from a file, if any.
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
