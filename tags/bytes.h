// Small helpers for reading byte layouts: a named field is an offset and a
// width, and multi-byte numbers are big-endian.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tags {

struct ByteField {
    std::size_t offset;
    std::size_t size;
};

// The bytes of a named field within a layout (an array or a span of bytes).
template <typename ByteRange>
auto fieldOf(ByteRange& bytes, ByteField field) {
    return std::span(bytes).subspan(field.offset, field.size);
}

inline std::uint32_t readBe32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

inline void writeBe32(std::span<std::uint8_t> bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value >> 24);
    bytes[1] = static_cast<std::uint8_t>(value >> 16);
    bytes[2] = static_cast<std::uint8_t>(value >> 8);
    bytes[3] = static_cast<std::uint8_t>(value);
}

// The bytes of a text field of a record, for copying to and from the disk.
inline std::span<std::uint8_t> bytesOf(std::span<char> text) {
    return {reinterpret_cast<std::uint8_t*>(text.data()), text.size()};
}

// Copies as many bytes as the shorter of the two holds.
inline void copyBytes(std::span<const std::uint8_t> from, std::span<std::uint8_t> to) {
    std::copy_n(from.begin(), std::min(from.size(), to.size()), to.begin());
}

}  // namespace tags
