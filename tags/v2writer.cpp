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

// A frame as it is written: a slot nobody refilled keeps the bytes the file
// stored for it.
struct WrittenFrame {
    const char* id;
    const unsigned char* flags;
    std::span<const unsigned char> body;
};

WrittenFrame writtenFrame(const FrameSlot& frame) {
    if (frame.stored) return {frame.id, frame.stored->flags, frame.stored->body};
    return {frame.id, frame.flags, frame.frameBody()};
}

// Header and frames: 10 bytes, and for each frame 10 more and its body.
std::uint64_t tagBytes(const V2Tag& tag, FieldMask mask) {
    std::uint64_t total = v2::kHeaderSize;
    forEachFrame(tag, mask,
                 [&](const FrameSlot& frame) { total += v2::kFrameHeaderSize + writtenFrame(frame).body.size(); });
    return total;
}

// An ID3v2.4 tag is written as one, frame sizes syncsafe; every other as ID3v2.3.
unsigned char writtenVersion(const V2Tag& tag) {
    return tag.version == v2::kVersion24 ? v2::kVersion24 : v2::kVersion23;
}

// Whether a frame is too large for the size field of the version.
bool frameTooLarge(const V2Tag& tag, FieldMask mask) {
    bool tooLarge = false;
    forEachFrame(tag, mask, [&](const FrameSlot& frame) {
        tooLarge = tooLarge || writtenFrame(frame).body.size() > v2::kLargestSyncsafeValue;
    });
    return writtenVersion(tag) == v2::kVersion24 && tooLarge;
}

void putFrame(StreamWriter& out, const FrameSlot& slot, unsigned char version) {
    const WrittenFrame frame = writtenFrame(slot);
    std::array<std::uint8_t, v2::kFrameHeaderSize> header{};
    std::copy_n(frame.id, kFrameIdSize, header.begin());
    const auto size = static_cast<std::uint32_t>(frame.body.size());
    if (version == v2::kVersion24) {
        std::ranges::copy(v2::encodeSyncsafe(size), fieldOf(header, v2::kFrameSize).begin());
    } else {
        writeBe32(fieldOf(header, v2::kFrameSize), size);
    }
    header[v2::kFrameFlag1] = frame.flags[0];
    header[v2::kFrameFlag2] = frame.flags[1];
    out.put(header);
    out.put(frame.body);
}

void putFrames(StreamWriter& out, const V2Tag& tag, FieldMask mask) {
    forEachFrame(tag, mask, [&](const FrameSlot& frame) { putFrame(out, frame, tag.version); });
}

// Within the one exclusive open the old tag is only ever overwritten.
TagOutcome writeInPlace(const char* path, TagFile& file, std::uint64_t tagEnd, const PrefixWriter& putTag) {
    const bool written = overwrite(file.file(), 0, tagEnd, putTag);
    file.wrote();
    if (!written) return msg::failure(TagFileError, msg::kWriteFailed, path);
    return TagSuccess;
}

}  // namespace

TagOutcome V2Tag::write(const char* path, FieldMask mask, std::uint32_t padding) {
    TagFile file;
    file.open(path, true);
    return write(file, mask, padding);
}

TagOutcome V2Tag::write(TagFile& file, FieldMask mask, std::uint32_t padding) {
    if (TagOutcome open = file.ready(true, msg::kOpenForWriteWithCode); !open.succeeded()) return open;
    const char* path = file.path();
    // Writing an ID3v2.2 tag anew would drop the frames without an ID3v2.3 form.
    if (unconvertibleFrames > 0) return msg::failure(TagFileError, msg::kCannotConvert, path);
    v2::TagExtent extent;
    if (TagOutcome measured = v2::measureTag(path, file.head(), false, extent); !measured.succeeded()) return measured;
    // The tag fills the space before the audio when it fits; otherwise the file
    // is rewritten with padding after the frames, for the next write to fit.
    const std::uint64_t written = tagBytes(*this, mask);
    const bool inPlace = written <= extent.audioStart;
    const std::uint64_t tagSize = inPlace ? extent.audioStart - v2::kHeaderSize : written - v2::kHeaderSize + padding;
    if (tagSize > kLargestSyncsafe || frameTooLarge(*this, mask))
        return msg::failure(TagFileError, msg::kTagTooLarge, path);
    std::copy(std::begin(v2::kIdentifier), std::end(v2::kIdentifier), identifier);
    declaredSize = static_cast<std::uint32_t>(tagSize);
    // No unsynchronisation, extended header or footer: a footer forbids the
    // padding that lets the next write go in place.
    version = writtenVersion(*this);
    flags = 0;
    auto putTag = [&](StreamWriter& out) {
        out.put(v2::renderHeader({version, revision, flags, declaredSize}));
        putFrames(out, *this, mask);
    };
    if (!inPlace) {
        const KeptRange audio{extent.audioStart, extent.fileLength - extent.audioStart};
        file.replaced();
        return rewriteFile(path, file.file(), audio, msg::kTempForWrite, [&](StreamWriter& out) {
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
