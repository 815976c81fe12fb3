// The ID3v2 tag header and footer of every version, the syncsafe numbers
// they and ID3v2.4 frames use, and the extended header: parsed from and
// rendered to bytes in one place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "tags/bytes.h"

namespace tags::v2 {

inline constexpr std::size_t kHeaderSize = 10;
inline constexpr std::size_t kFooterSize = 10;
inline constexpr ByteField kMarker{0, 3};
inline constexpr std::size_t kVersionOffset = 3;
inline constexpr std::size_t kRevisionOffset = 4;
inline constexpr std::size_t kFlagsOffset = 5;
inline constexpr ByteField kTagSize{6, 4};  // syncsafe

inline constexpr std::uint8_t kMarkerText[] = {'I', 'D', '3'};
inline constexpr std::uint8_t kFooterMarkerText[] = {'3', 'D', 'I'};
inline constexpr char kIdentifier[] = "ID3";  // the record's identifier, terminated

// Major versions: 2 is read and converted to 3 on a write; 3 and 4 are kept.
inline constexpr unsigned char kVersion22 = 2;
inline constexpr unsigned char kVersion23 = 3;
inline constexpr unsigned char kVersion24 = 4;

inline constexpr unsigned char kFlagUnsynchronised = 0x80;
inline constexpr unsigned char kFlagExtendedHeader = 0x40;  // in ID3v2.2: the whole tag is compressed
inline constexpr unsigned char kFlagFooter = 0x10;          // ID3v2.4 only

inline constexpr std::size_t kSyncsafeBytes = 4;
inline constexpr std::size_t kExtendedSizeField = 4;
inline constexpr std::uint32_t kLargestSyncsafeValue = 0x0FFFFFFF;  // 28 bits

// The value of a syncsafe number of up to 4 bytes; empty when a byte has its top bit set.
std::optional<std::uint32_t> decodeSyncsafe(std::span<const std::uint8_t> bytes);
// The 4-byte syncsafe form; values beyond 28 bits give 7F 7F 7F 7F.
std::array<std::uint8_t, kSyncsafeBytes> encodeSyncsafe(std::uint32_t value);

struct Header {
    unsigned char version = kVersion23;
    unsigned char revision = 0;
    unsigned char flags = 0;
    std::uint32_t size = 0;  // declared: what follows the header, without a footer

    bool hasFooter() const { return version == kVersion24 && (flags & kFlagFooter) != 0; }
    bool unsynchronised() const { return (flags & kFlagUnsynchronised) != 0; }
    // Header, declared size and footer: the bytes the tag takes at the start of the file.
    std::uint64_t extent() const { return kHeaderSize + std::uint64_t{size} + (hasFooter() ? kFooterSize : 0); }
};

// The header at the start of bytes: empty without "ID3", or with a size
// that is no syncsafe number.
std::optional<Header> parseHeader(std::span<const std::uint8_t> bytes);
std::array<std::uint8_t, kHeaderSize> renderHeader(const Header& header);
// The footer repeats the header under the marker "3DI".
std::array<std::uint8_t, kFooterSize> renderFooter(const Header& header);

// How many bytes after the header the extended header takes: 0 without one.
// A flag whose extended header cannot be (a frame ID where its size stands,
// or a size beyond the tag) means no extended header: some taggers set it.
std::size_t extendedHeaderSize(const Header& header, std::span<const std::uint8_t> afterHeader);

}  // namespace tags::v2
