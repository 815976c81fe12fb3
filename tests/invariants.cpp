#include "tests/invariants.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/fs.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace invariants {
namespace {

Bytes bodyOf(const tags::FrameSlot& frame) { return Bytes(frame.body().begin(), frame.body().end()); }

Bytes from(const Bytes& bytes, std::size_t offset) {
    return offset <= bytes.size() ? Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset), bytes.end()) : Bytes{};
}

// The slots and kept frames of a read, for comparing two reads.
struct ReadTag {
    std::vector<Bytes> slots;
    std::vector<std::pair<std::string, Bytes>> kept;
};

// The kept frames in the order a write puts them: those a slot could take
// (earlier repeats) before the slots, the others after them, each part in
// file order.
ReadTag contentsOf(const tags::V2Tag& tag) {
    ReadTag read;
    for (const tags::FrameSlot& slot : tag.slots) read.slots.push_back(bodyOf(slot));
    for (const bool repeat : {true, false}) {
        for (const tags::FrameSlot& frame : tag.otherFrames) {
            if (tags::v2::slotTaking(tag, frame).has_value() != repeat) continue;
            read.kept.emplace_back(
                std::string(frame.id, tags::kFrameIdSize) + char(frame.flags[0]) + char(frame.flags[1]), bodyOf(frame));
        }
    }
    return read;
}

}  // namespace

std::optional<tags::AudioStart> audioStartOf(const std::string& path) {
    const auto bounds = boundsOf(path);
    return bounds ? std::optional(bounds->audioStart) : std::nullopt;
}

std::optional<tags::TagBounds> boundsOf(const std::string& path) {
    platform::File file;
    if (file.open(path, platform::Access::Read) != 0) return std::nullopt;
    return tags::findTagBounds(file);
}

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool putFile(const std::string& path, std::span<const std::uint8_t> contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    return static_cast<bool>(out);
}

std::string checkRoundTrip(const std::string& path) {
    const Bytes before = fileBytes(path);
    tags::V2Tag tag;
    const tags::TagResult first = tag.read(path.c_str()).result;
    if (first != tags::TagSuccess && first != tags::TagNoV2Header) return {};
    const auto audioStart = first == tags::TagSuccess ? std::optional(tag.audioStart) : audioStartOf(path);
    const ReadTag expected = contentsOf(tag);
    if (tag.write(path.c_str(), tags::kAllFields, tags::kDefaultPadding) != tags::TagSuccess) {
        return fileBytes(path) == before ? std::string() : "a failed write changed the file";
    }
    if (!audioStart) return "written although no audio start was found";
    const Bytes after = fileBytes(path);
    tags::V2Tag again;
    if (again.read(path.c_str()) != tags::TagSuccess) return "the written tag cannot be read";
    const ReadTag got = contentsOf(again);
    for (std::size_t i = 0; i < tags::kSlotCount; ++i) {
        if (got.slots[i] != expected.slots[i]) return "slot " + std::to_string(i) + " changed";
    }
    if (got.kept != expected.kept) return "the kept frames changed";
    if (from(after, again.audioStart) != from(before, *audioStart)) return "the audio moved or changed";
    return {};
}

std::string checkRemoval(const std::string& path, int soft) {
    const Bytes before = fileBytes(path);
    const auto bounds = boundsOf(path);
    tags::V2Tag tag;
    const tags::TagResult result = tag.remove(path.c_str(), soft).result;
    const Bytes after = fileBytes(path);
    if (result != tags::TagSuccess) return after == before ? std::string() : "a failed removal changed the file";
    if (!bounds) return "removed although no audio start was found";
    if (bounds->tagEnd > bounds->audioStart) return "the tag's end lies in the audio";
    Bytes expected = from(before, bounds->tagEnd);
    if (soft) expected.insert(expected.begin(), bounds->tagEnd, 0);
    return after == expected ? std::string() : "the removal did not keep exactly what follows the tag";
}

}  // namespace invariants
