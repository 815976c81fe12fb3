#include <algorithm>
#include <array>
#include <limits>

#include "tags/messages.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

constexpr std::size_t kScanChunk = 1024;
constexpr std::uint64_t kLargestAudioStart = std::numeric_limits<AudioStart>::max();

enum class Marker { Present, Absent, Unreadable };

Marker readMarker(platform::File& file) {
    std::array<std::uint8_t, v2::kMarker.size> marker{};
    if (!file.seek(0)) return Marker::Unreadable;
    const std::int64_t got = file.read(marker);
    if (got < 0) return Marker::Unreadable;
    const bool present = got == static_cast<std::int64_t>(marker.size()) && std::ranges::equal(marker, v2::kMarkerText);
    return present ? Marker::Present : Marker::Absent;
}

// Reads `bytes.size()` bytes at offset; false when they are not all there.
bool readAt(platform::File& file, std::uint64_t offset, std::span<std::uint8_t> bytes) {
    return file.seek(offset) && file.read(bytes) == static_cast<std::int64_t>(bytes.size());
}

// The end of the well-formed frames (and the extended header) that lie
// within `end`; where the first one that does not is found.
std::uint64_t framesEnd(platform::File& file, std::uint8_t flags, std::uint64_t end) {
    std::uint64_t at = v2::kHeaderSize;
    std::array<std::uint8_t, v2::kFrameHeaderSize> frame{};
    if (flags & v2::kFlagExtendedHeader) {
        if (!readAt(file, at, std::span(frame).first(v2::kExtendedSizeField))) return at;
        const std::uint64_t skipped = v2::kExtendedSizeField + std::uint64_t{readBe32(frame)};
        if (at + skipped > end) return at;
        at += skipped;
    }
    while (at + v2::kFrameHeaderSize <= end && readAt(file, at, frame) && v2::isFrameId(fieldOf(frame, v2::kFrameId))) {
        const std::uint64_t next = at + v2::kFrameHeaderSize + readBe32(fieldOf(frame, v2::kFrameSize));
        if (next > end) break;
        at = next;
    }
    return at;
}

// Where the scan for the audio begins. Pictures and other binary frames often
// hold an FF Ex pair (a JPEG begins FF D8 FF E0); taken for the audio, it
// would cut the tag inside the picture, and a rewrite would put the rest of
// the tag before the audio. So in an ID3v2.3 tag without unsynchronisation
// (where such pairs may stand) the scan begins after the well-formed frames
// that lie within the size the header declares; elsewhere at offset 0.
// Without any frame sync the audio starts where the declared tag ends (when
// that is inside the file), so that data after the tag that is no audio is
// not taken for part of the tag and zeroed or dropped with it.
struct ScanPlan {
    std::uint64_t from = 0;
    std::uint64_t withoutSync = 0;
};

ScanPlan planScan(platform::File& file, std::uint64_t fileLength) {
    std::array<std::uint8_t, v2::kHeaderSize> header{};
    if (!readAt(file, 0, header) || !std::ranges::equal(fieldOf(header, v2::kMarker), v2::kMarkerText)) {
        return {0, fileLength};
    }
    const std::int64_t declared = v2::decodeSyncsafe(fieldOf(header, v2::kTagSize));
    const std::uint64_t declaredEnd = v2::kHeaderSize + static_cast<std::uint64_t>(std::max<std::int64_t>(declared, 0));
    const std::uint64_t end = declared >= 0 && declaredEnd <= fileLength ? declaredEnd : fileLength;
    if (header[v2::kVersionOffset] != v2::kSupportedVersion || (header[v2::kFlagsOffset] & v2::kFlagUnsynchronised) ||
        declared < 0) {
        return {0, end};
    }
    return {framesEnd(file, header[v2::kFlagsOffset], end), end};
}

std::optional<AudioStart> scanForAudio(platform::File& file, std::uint64_t fileLength) {
    const ScanPlan plan = planScan(file, fileLength);
    std::uint64_t chunkOffset = plan.from;
    if (!file.seek(chunkOffset)) return std::nullopt;
    std::array<std::uint8_t, kScanChunk> chunk{};
    bool afterSyncByte = false;  // carries a 0xFF at the end of one chunk into the next
    for (;;) {
        const std::int64_t got = file.read(chunk);
        if (got < 0) return std::nullopt;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (afterSyncByte && chunk[i] >= v2::kSyncFollowMin) {
                const std::uint64_t match = chunkOffset + i - 1;
                if (match > kLargestAudioStart) return std::nullopt;
                return static_cast<AudioStart>(match);
            }
            afterSyncByte = chunk[i] == v2::kSyncByte;
        }
        chunkOffset += static_cast<std::uint64_t>(got);
        if (static_cast<std::size_t>(got) < chunk.size()) break;
        if (chunkOffset > kLargestAudioStart + 1) return std::nullopt;
    }
    if (plan.withoutSync > kLargestAudioStart) return std::nullopt;
    return static_cast<AudioStart>(plan.withoutSync);
}

}  // namespace

std::optional<AudioStart> findAudioStart(platform::File& file) {
    const auto fileLength = file.size();
    return fileLength ? scanForAudio(file, *fileLength) : std::nullopt;
}

TagResult v2::measureTag(WindowHandle owner, const char* path, platform::File& file, bool requireMarker,
                         TagExtent& extent) {
    const Marker marker = requireMarker ? readMarker(file) : Marker::Present;
    if (marker == Marker::Absent) return TagNoV2Header;
    const auto fileLength = file.size();
    const auto audioStart = marker == Marker::Present && fileLength ? scanForAudio(file, *fileLength) : std::nullopt;
    if (!audioStart) {
        msg::show(owner, msg::kReadFailed, path);
        return TagFileError;
    }
    extent = {*audioStart, *fileLength};
    return TagSuccess;
}

}  // namespace tags
