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

enum class Got { All, Short, Failed };

// Reads `bytes.size()` bytes at offset: all of them, fewer at the end of the
// file, or a failure.
Got readAt(platform::File& file, std::uint64_t offset, std::span<std::uint8_t> bytes) {
    if (!file.seek(offset)) return Got::Failed;
    const std::int64_t got = file.read(bytes);
    if (got < 0) return Got::Failed;
    return got == static_cast<std::int64_t>(bytes.size()) ? Got::All : Got::Short;
}

// The end of the well-formed frames (and the extended header) that lie
// within `end`; where the first one that does not is found. Empty when a
// read fails: a frame not seen is no reason to end the tag early.
std::optional<std::uint64_t> framesEnd(platform::File& file, std::uint8_t flags, std::uint64_t end) {
    std::uint64_t at = v2::kHeaderSize;
    std::array<std::uint8_t, v2::kFrameHeaderSize> frame{};
    if (flags & v2::kFlagExtendedHeader) {
        const Got got = readAt(file, at, std::span(frame).first(v2::kExtendedSizeField));
        if (got == Got::Failed) return std::nullopt;
        const std::uint64_t skipped = v2::kExtendedSizeField + std::uint64_t{readBe32(frame)};
        if (got == Got::Short || at + skipped > end) return at;
        at += skipped;
    }
    while (at + v2::kFrameHeaderSize <= end) {
        const Got got = readAt(file, at, frame);
        if (got == Got::Failed) return std::nullopt;
        if (got == Got::Short || !v2::isFrameId(fieldOf(frame, v2::kFrameId))) break;
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
// Without any frame sync the audio can only start where a declared tag ends,
// when that is inside the file; otherwise there is no audio to find.
struct ScanPlan {
    std::uint64_t from = 0;
    std::optional<std::uint64_t> declaredEnd;
};

std::optional<ScanPlan> planScan(platform::File& file, std::uint64_t fileLength) {
    std::array<std::uint8_t, v2::kHeaderSize> header{};
    const Got got = readAt(file, 0, header);
    if (got == Got::Failed) return std::nullopt;
    if (got == Got::Short || !std::ranges::equal(fieldOf(header, v2::kMarker), v2::kMarkerText)) return ScanPlan{};
    const std::int64_t declared = v2::decodeSyncsafe(fieldOf(header, v2::kTagSize));
    if (declared < 0) return ScanPlan{};
    const std::uint64_t declaredEnd = v2::kHeaderSize + static_cast<std::uint64_t>(declared);
    ScanPlan plan;
    if (declaredEnd <= fileLength) plan.declaredEnd = declaredEnd;
    if (header[v2::kVersionOffset] != v2::kSupportedVersion || (header[v2::kFlagsOffset] & v2::kFlagUnsynchronised)) {
        return plan;
    }
    const auto walked = framesEnd(file, header[v2::kFlagsOffset], std::min(declaredEnd, fileLength));
    if (!walked) return std::nullopt;
    plan.from = *walked;
    return plan;
}

enum class Scan { Found, NoAudio, Unreadable };

struct ScanResult {
    Scan outcome = Scan::Unreadable;
    AudioStart audioStart = 0;
};

ScanResult found(std::uint64_t offset) {
    if (offset > kLargestAudioStart) return {};
    return {Scan::Found, static_cast<AudioStart>(offset)};
}

ScanResult scanForAudio(platform::File& file, std::uint64_t fileLength) {
    const auto plan = planScan(file, fileLength);
    if (!plan) return {};
    std::uint64_t chunkOffset = plan->from;
    if (!file.seek(chunkOffset)) return {};
    std::array<std::uint8_t, kScanChunk> chunk{};
    bool afterSyncByte = false;  // carries a 0xFF at the end of one chunk into the next
    for (;;) {
        const std::int64_t got = file.read(chunk);
        if (got < 0) return {};
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (afterSyncByte && chunk[i] >= v2::kSyncFollowMin) return found(chunkOffset + i - 1);
            afterSyncByte = chunk[i] == v2::kSyncByte;
        }
        chunkOffset += static_cast<std::uint64_t>(got);
        if (static_cast<std::size_t>(got) < chunk.size()) break;
        if (chunkOffset > kLargestAudioStart + 1) return {};
    }
    return plan->declaredEnd ? found(*plan->declaredEnd) : ScanResult{Scan::NoAudio};
}

}  // namespace

std::optional<AudioStart> findAudioStart(platform::File& file) {
    const auto fileLength = file.size();
    if (!fileLength) return std::nullopt;
    const ScanResult scan = scanForAudio(file, *fileLength);
    return scan.outcome == Scan::Found ? std::optional(scan.audioStart) : std::nullopt;
}

TagResult v2::measureTag(WindowHandle owner, const char* path, platform::File& file, bool requireMarker,
                         TagExtent& extent) {
    const Marker marker = requireMarker ? readMarker(file) : Marker::Present;
    if (marker == Marker::Absent) return TagNoV2Header;
    const auto fileLength = file.size();
    const ScanResult scan = marker == Marker::Present && fileLength ? scanForAudio(file, *fileLength) : ScanResult{};
    if (scan.outcome != Scan::Found) {
        msg::show(owner, scan.outcome == Scan::NoAudio ? msg::kNoAudio : msg::kReadFailed, path);
        return TagFileError;
    }
    extent = {scan.audioStart, *fileLength};
    return TagSuccess;
}

}  // namespace tags
