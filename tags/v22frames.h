// ID3v2.2 frames in their ID3v2.3 form: the standard table from the
// three-letter IDs to the four-letter ones, and the one body that differs.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tags::v2 {

// The ID3v2.3 ID of an ID3v2.2 frame; empty when it has none (a frame the
// table cannot convert).
std::optional<std::string_view> v23IdOf(std::span<const std::uint8_t> v22Id);

// The ID3v2.3 body of an ID3v2.2 frame already given its ID3v2.3 ID: a
// picture's three-letter image format becomes its MIME type; every other
// body is the same.
std::vector<std::uint8_t> v23BodyOf(std::string_view v23Id, std::span<const std::uint8_t> body);

}  // namespace tags::v2
