#include "tags/v2header.h"

#include <algorithm>

#include "tags/v2frames.h"

namespace tags::v2 {
namespace {

constexpr int kSyncsafeBits = 7;
constexpr std::uint8_t kSyncsafeLimit = 0x80;  // every byte of a syncsafe number is below it
constexpr std::uint32_t kSyncsafeByte = 0x7F;

// ID3v2.3: a plain size that counts what follows it; ID3v2.4: a syncsafe one
// that counts itself, of at least its own size, number of flag bytes and one flag byte.
constexpr std::uint32_t kSmallestV24Extended = 6;

}  // namespace

std::optional<std::uint32_t> decodeSyncsafe(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes.first(std::min(bytes.size(), kSyncsafeBytes))) {
        if (byte >= kSyncsafeLimit) return std::nullopt;
        value = (value << kSyncsafeBits) | byte;
    }
    return value;
}

std::array<std::uint8_t, kSyncsafeBytes> encodeSyncsafe(std::uint32_t value) {
    std::array<std::uint8_t, kSyncsafeBytes> bytes{};
    if (value > kLargestSyncsafeValue) value = kLargestSyncsafeValue;
    for (std::size_t i = 0; i < kSyncsafeBytes; ++i) {
        const int shift = kSyncsafeBits * static_cast<int>(kSyncsafeBytes - 1 - i);
        bytes[i] = static_cast<std::uint8_t>((value >> shift) & kSyncsafeByte);
    }
    return bytes;
}

std::optional<Header> parseHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || !std::ranges::equal(fieldOf(bytes, kMarker), kMarkerText)) return std::nullopt;
    const auto size = decodeSyncsafe(fieldOf(bytes, kTagSize));
    if (!size) return std::nullopt;
    return Header{bytes[kVersionOffset], bytes[kRevisionOffset], bytes[kFlagsOffset], *size};
}

namespace {

template <std::size_t N>
std::array<std::uint8_t, kHeaderSize> renderWithMarker(const std::uint8_t (&marker)[N], const Header& header) {
    std::array<std::uint8_t, kHeaderSize> bytes{};
    std::ranges::copy(marker, bytes.begin());
    bytes[kVersionOffset] = header.version;
    bytes[kRevisionOffset] = header.revision;
    bytes[kFlagsOffset] = header.flags;
    std::ranges::copy(encodeSyncsafe(header.size), fieldOf(bytes, kTagSize).begin());
    return bytes;
}

}  // namespace

std::array<std::uint8_t, kHeaderSize> renderHeader(const Header& header) {
    return renderWithMarker(kMarkerText, header);
}

std::array<std::uint8_t, kFooterSize> renderFooter(const Header& header) {
    return renderWithMarker(kFooterMarkerText, header);
}

std::size_t extendedHeaderSize(const Header& header, std::span<const std::uint8_t> afterHeader) {
    const bool flagged = header.version != kVersion22 && (header.flags & kFlagExtendedHeader) != 0;
    if (!flagged || afterHeader.size() < kExtendedSizeField) return 0;
    const auto sizeField = afterHeader.first(kExtendedSizeField);
    if (isFrameId(sizeField, kFrameIdSize)) return 0;
    std::uint64_t taken = 0;
    if (header.version == kVersion24) {
        const auto size = decodeSyncsafe(sizeField);
        if (!size || *size < kSmallestV24Extended) return 0;
        taken = *size;
    } else {
        taken = kExtendedSizeField + std::uint64_t{readBe32(sizeField)};
    }
    return taken <= header.size && taken <= afterHeader.size() ? static_cast<std::size_t>(taken) : 0;
}

}  // namespace tags::v2
