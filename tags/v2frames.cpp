#include "tags/v2frames.h"

#include <zlib.h>

#include <algorithm>

namespace tags::v2 {
namespace {

constexpr std::size_t kV22SizeBytes = 3;
constexpr std::uint8_t kSyncByte = 0xFF;
constexpr std::size_t kDataLengthSize = 4;
constexpr std::size_t kV23DecompressedSize = 4;
constexpr std::size_t kFlagByteSize = 1;  // a group byte or an encryption method
constexpr std::uint8_t kV24Reserved = 0xB0;
constexpr std::uint8_t kV23Reserved = 0x1F;
// A compressed body that claims no size may grow this many times over.
constexpr std::size_t kInflateGrowth = 4;

std::optional<std::uint32_t> frameSize(std::span<const std::uint8_t> field, const FrameFormat& format) {
    if (format.syncsafe) return decodeSyncsafe(field);
    std::uint32_t value = 0;
    for (const std::uint8_t byte : field) value = value << 8 | byte;
    return value;
}

// Inflates a zlib stream whole; empty when it is broken or would outgrow a tag.
std::optional<std::vector<std::uint8_t>> inflated(std::span<const std::uint8_t> data, std::size_t sizeHint) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    // The declared size is the file's word: zlib never inflates more than
    // about 1032 times, so a larger claim is not believed.
    constexpr std::size_t kZlibLargestRatio = 1032;
    const std::size_t believed = std::min(sizeHint, data.size() * kZlibLargestRatio);
    std::vector<std::uint8_t> out(std::max<std::size_t>(believed, data.size() * kInflateGrowth) + 1);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out == out.size()) {
            if (out.size() > kLargestSyncsafeValue) break;
            out.resize(out.size() * 2);
        }
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        status = inflate(&stream, Z_NO_FLUSH);
    }
    out.resize(stream.total_out);
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

// Takes count bytes off the front of a body; false when it is shorter.
bool takeFront(std::span<const std::uint8_t>& body, std::size_t count, std::span<const std::uint8_t>* taken = nullptr) {
    if (body.size() < count) return false;
    if (taken != nullptr) *taken = body.first(count);
    body = body.subspan(count);
    return true;
}

std::optional<std::vector<std::uint8_t>> decodedV24(std::span<const std::uint8_t> body, std::uint8_t flags,
                                                    bool tagUnsynchronised) {
    if ((flags & (kV24Reserved | kV24Encrypted)) != 0) return std::nullopt;
    if ((flags & kV24Grouped) && !takeFront(body, kFlagByteSize)) return std::nullopt;
    std::span<const std::uint8_t> lengthField;
    if ((flags & kV24DataLength) && !takeFront(body, kDataLengthSize, &lengthField)) return std::nullopt;
    std::vector<std::uint8_t> data = (tagUnsynchronised || (flags & kV24Unsynchronised))
                                         ? resynchronise(body)
                                         : std::vector(body.begin(), body.end());
    if (!(flags & kV24Compressed)) return data;
    const auto dataLength = lengthField.empty() ? std::optional<std::uint32_t>(0) : decodeSyncsafe(lengthField);
    return inflated(data, dataLength.value_or(0));
}

std::optional<std::vector<std::uint8_t>> decodedV23(std::span<const std::uint8_t> body, std::uint8_t flags) {
    if ((flags & (kV23Reserved | kV23Encrypted)) != 0) return std::nullopt;
    std::span<const std::uint8_t> sizeField;
    if ((flags & kV23Compressed) && !takeFront(body, kV23DecompressedSize, &sizeField)) return std::nullopt;
    if ((flags & kV23Grouped) && !takeFront(body, kFlagByteSize)) return std::nullopt;
    if (!(flags & kV23Compressed)) return std::vector(body.begin(), body.end());
    return inflated(body, readBe32(sizeField));
}

}  // namespace

FrameFormat frameFormatOf(unsigned char version, bool syncsafeSizes) {
    if (version == kVersion22) return {kV22FrameIdSize, kV22SizeBytes, false, false};
    return {kFrameIdSize, 4, version == kVersion24 && syncsafeSizes, true};
}

bool isFrameId(std::span<const std::uint8_t> id, std::size_t idSize) {
    if (id.size() < idSize) return false;
    return std::all_of(id.begin(), id.begin() + static_cast<std::ptrdiff_t>(idSize),
                       [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::optional<FrameView> FrameWalk::next() {
    if (done_) return std::nullopt;
    done_ = true;
    const std::size_t headerSize = format_.headerSize();
    const auto rest = bytes_.subspan(position_);
    // Padding ends the frames, and so does anything that is not a frame ID:
    // the audio-start scan stops there too.
    if (rest.empty()) return ended_ = WalkEnd::End, std::nullopt;
    if (rest[0] == 0) return ended_ = WalkEnd::Padding, std::nullopt;
    if (rest.size() < headerSize || !isFrameId(rest, format_.idSize)) return ended_ = WalkEnd::NotAFrame, std::nullopt;
    const auto size = frameSize(rest.subspan(format_.idSize, format_.sizeBytes), format_);
    if (!size) return ended_ = WalkEnd::NotAFrame, std::nullopt;
    FrameView frame;
    frame.offset = position_;
    frame.headerSize = headerSize;
    frame.id = rest.first(format_.idSize);
    if (format_.hasFlags) {
        frame.flags[0] = rest[headerSize - 2];
        frame.flags[1] = rest[headerSize - 1];
    }
    frame.declaredSize = *size;
    const std::size_t available = rest.size() - headerSize;
    frame.body = rest.subspan(headerSize, std::min<std::size_t>(available, *size));
    if (!frame.complete()) {
        ended_ = WalkEnd::Overrun;
        return frame;
    }
    position_ = frame.end();
    ++walked_;
    done_ = false;
    return frame;
}

FrameWalk walkAll(std::span<const std::uint8_t> bytes, FrameFormat format) {
    FrameWalk walk(bytes, format);
    while (walk.next()) {
    }
    return walk;
}

std::vector<std::uint8_t> resynchronise(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kSyncByte && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
    }
    return out;
}

std::uint64_t TagFrames::fileOffset(std::size_t framesOffset) const {
    const std::size_t at = skipped + framesOffset;
    const auto dropped = std::upper_bound(droppedAt.begin(), droppedAt.end(), at) - droppedAt.begin();
    return framesAt + at + static_cast<std::uint64_t>(dropped);
}

namespace {

// Which reading of ID3v2.4 frame sizes walks the frames of the declared tag:
// the syncsafe one unless the plain one walks more of them, or as many and
// cleanly where the syncsafe one does not. Bytes past the declared size are
// not asked: a plain reading that runs on into the audio would walk what only
// looks like frames there.
FrameFormat v24Format(std::span<const std::uint8_t> frames) {
    const FrameWalk syncsafe = walkAll(frames, frameFormatOf(kVersion24, true));
    const FrameWalk plain = walkAll(frames, frameFormatOf(kVersion24, false));
    const bool plainWins = plain.framesWalked() > syncsafe.framesWalked() ||
                           (plain.framesWalked() == syncsafe.framesWalked() && plain.clean() && !syncsafe.clean());
    return frameFormatOf(kVersion24, !plainWins);
}

// Resynchronised frames of an ID3v2.2 or 2.3 tag, and where bytes were dropped.
void resynchroniseWhole(TagFrames& tag, std::span<const std::uint8_t> raw) {
    tag.resynchronised.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        tag.resynchronised.push_back(raw[i]);
        if (raw[i] == kSyncByte && i + 1 < raw.size() && raw[i + 1] == 0) {
            ++i;
            tag.droppedAt.push_back(tag.resynchronised.size());
        }
    }
}

}  // namespace

TagFrames tagFrames(const Header& header, std::span<const std::uint8_t> bytes, std::uint64_t limit) {
    TagFrames tag;
    tag.header = header;
    const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(limit, bytes.size()));
    auto afterHeader = bytes.first(std::max(end, kHeaderSize)).subspan(kHeaderSize);
    const bool wholeTagUnsynchronised = header.unsynchronised() && header.version != kVersion24;
    const std::size_t extended = extendedHeaderSize(header, afterHeader);
    if (wholeTagUnsynchronised) {
        // The extended header's size field is taken as it stands, the bytes it counts resynchronised.
        const std::size_t sizeField = std::min(extended, kExtendedSizeField);
        tag.framesAt = kHeaderSize + sizeField;
        resynchroniseWhole(tag, afterHeader.subspan(sizeField));
        tag.skipped = std::min(extended - sizeField, tag.resynchronised.size());
        tag.frames = std::span<const std::uint8_t>(tag.resynchronised).subspan(tag.skipped);
    } else {
        tag.framesAt = kHeaderSize + extended;
        tag.frames = afterHeader.subspan(extended);
    }
    const std::size_t declaredEnd = kHeaderSize + std::size_t{header.size};
    const std::size_t declaredFrames = declaredEnd > tag.framesAt ? declaredEnd - tag.framesAt : 0;
    tag.format = header.version == kVersion24 ? v24Format(tag.frames.first(std::min(declaredFrames, tag.frames.size())))
                                              : frameFormatOf(header.version);
    return tag;
}

bool bodyIsEncoded(const std::uint8_t (&flags)[2], unsigned char version, bool tagUnsynchronised) {
    if (version == kVersion22) return false;
    if (version == kVersion24) return tagUnsynchronised || flags[1] != 0;
    return flags[1] != 0;
}

std::optional<std::vector<std::uint8_t>> decodedBody(std::span<const std::uint8_t> body, const std::uint8_t (&flags)[2],
                                                     unsigned char version, bool tagUnsynchronised) {
    if (version == kVersion24) return decodedV24(body, flags[1], tagUnsynchronised);
    if (version == kVersion23) return decodedV23(body, flags[1]);
    return std::vector(body.begin(), body.end());
}

}  // namespace tags::v2
