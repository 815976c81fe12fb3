#include <algorithm>
#include <array>

#include "tags/journal.h"
#include "tags/messages.h"
#include "tags/rewrite.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

// Calls action(frame) for each frame the tag holds: the selected slots that
// are not empty, in bit order, and the kept frames in file order. An empty
// slot is no frame: a frame of size 0 is not allowed, and some readers stop
// reading the tag at one. Kept frames that a slot could take (the earlier of
// two with the same ID) come first, so that the next read gives each slot the
// same frame again; the others follow the slots.
template <typename Action>
void forEachFrame(const V2Tag& tag, FieldMask mask, Action action) {
    const auto keptFrames = [&](bool slotCouldTake) {
        for (const FrameSlot& kept : tag.otherFrames) {
            if (v2::slotTaking(tag, kept).has_value() == slotCouldTake) action(kept);
        }
    };
    keptFrames(true);
    v2::forEachSelectedSlot(mask, [&](std::size_t index) {
        if (tag.slots[index].frameSize() > 0) action(tag.slots[index]);
        return true;
    });
    keptFrames(false);
}

// Header and frames: 10 bytes, and for each frame 10 more and its body.
std::uint64_t tagBytes(const V2Tag& tag, FieldMask mask) {
    std::uint64_t total = v2::kHeaderSize;
    forEachFrame(tag, mask, [&](const FrameSlot& frame) { total += v2::kFrameHeaderSize + frame.frameSize(); });
    return total;
}

void putHeader(StreamWriter& out, unsigned char revision, std::uint32_t tagSize) {
    std::array<std::uint8_t, v2::kHeaderSize> header{};
    std::ranges::copy(v2::kMarkerText, header.begin());
    header[v2::kVersionOffset] = v2::kSupportedVersion;
    header[v2::kRevisionOffset] = revision;
    header[v2::kFlagsOffset] = 0;
    std::ranges::copy(V2Tag::encodeSyncsafe(tagSize), fieldOf(header, v2::kTagSize).begin());
    out.put(header);
}

void putFrame(StreamWriter& out, const FrameSlot& slot) {
    std::array<std::uint8_t, v2::kFrameHeaderSize> header{};
    std::copy_n(slot.id, kFrameIdSize, header.begin());
    writeBe32(fieldOf(header, v2::kFrameSize), slot.frameSize());
    header[v2::kFrameFlag1] = slot.flags[0];
    header[v2::kFrameFlag2] = slot.flags[1];
    out.put(header);
    out.put(slot.frameBody());
}

void putFrames(StreamWriter& out, const V2Tag& tag, FieldMask mask) {
    forEachFrame(tag, mask, [&](const FrameSlot& frame) { putFrame(out, frame); });
}

// Within the one exclusive open the old tag is only ever overwritten.
TagOutcome writeInPlace(const char* path, platform::File& file, std::uint64_t tagEnd, const PrefixWriter& putTag) {
    if (!overwrite(file, 0, tagEnd, putTag)) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

}  // namespace

TagOutcome V2Tag::write(const char* path, FieldMask mask, std::uint32_t padding) {
    platform::File file;
    if (const int error = openTagFile(file, path, platform::Access::ReadWrite); error != 0) {
        return msg::failure(TagFileError, msg::kOpenForWriteWithCode, path, static_cast<unsigned>(error));
    }
    FileHead head(file, *file.size());
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, head, false, extent); !measured.succeeded()) return measured;
    // The tag fills the space before the audio when it fits; otherwise the file
    // is rewritten with padding after the frames, for the next write to fit.
    const std::uint64_t written = tagBytes(*this, mask);
    const bool inPlace = written <= extent.audioStart;
    const std::uint64_t tagSize = inPlace ? extent.audioStart - v2::kHeaderSize : written - v2::kHeaderSize + padding;
    if (tagSize > kLargestSyncsafe) return msg::failure(TagFileError, msg::kTagTooLarge, path);
    std::copy(std::begin(v2::kIdentifier), std::end(v2::kIdentifier), identifier);
    declaredSize = static_cast<std::uint32_t>(tagSize);
    flags = 0;
    auto putTag = [&](StreamWriter& out) {
        putHeader(out, revision, declaredSize);
        putFrames(out, *this, mask);
    };
    if (!inPlace) {
        const KeptRange audio{extent.audioStart, extent.fileLength - extent.audioStart};
        return rewriteFile(path, file, audio, msg::kTempForWrite, [&](StreamWriter& out) {
            putTag(out);
            out.putZeros(padding);
        });
    }
    return writeInPlace(path, file, extent.audioStart, [&](StreamWriter& out) {
        putTag(out);
        out.putZeros(extent.audioStart - written);
    });
}

}  // namespace tags
