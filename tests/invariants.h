// What every tag operation must keep, checked on a real file; shared by the
// tests and the fuzz harnesses. Each check returns an empty text when the
// promise holds, and otherwise says what broke.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tags/v2tag.h"

namespace invariants {

using Bytes = std::vector<std::uint8_t>;

Bytes fileBytes(const std::string& path);
// The file's audio start by findAudioStart; empty when it has none or cannot be opened.
std::optional<tags::AudioStart> audioStartOf(const std::string& path);
// The file's audio start and where a removal ends, by findTagBounds.
std::optional<tags::TagBounds> boundsOf(const std::string& path);
bool putFile(const std::string& path, std::span<const std::uint8_t> contents);

// Reads the ID3v2 tag, writes it back with every field and reads it again:
// the same slots, the same kept frames, and the same audio after the new tag. A write that
// fails leaves the file as it was.
std::string checkRoundTrip(const std::string& path);

// Soft or full removal takes exactly the tag (never beyond the audio start)
// and keeps the rest; a removal that does not happen leaves the file as it was.
std::string checkRemoval(const std::string& path, int soft);

}  // namespace invariants
