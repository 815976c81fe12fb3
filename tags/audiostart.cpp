#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "tags/messages.h"
#include "tags/v2layout.h"
#include "tags/v2tag.h"

namespace tags {
namespace {

// The scan goes on past the first block in reads of this size.
constexpr std::size_t kScanChunk = 64 * 1024;
constexpr std::uint64_t kLargestAudioStart = std::numeric_limits<AudioStart>::max();

bool hasMarker(std::span<const std::uint8_t> head) {
    return head.size() >= v2::kMarker.size && std::ranges::equal(fieldOf(head, v2::kMarker), v2::kMarkerText);
}

enum class Got { All, Short, Failed };

Got copyAt(FileHead& head, std::uint64_t offset, std::span<std::uint8_t> bytes) {
    const std::int64_t got = head.copy(offset, bytes);
    if (got < 0) return Got::Failed;
    return got == static_cast<std::int64_t>(bytes.size()) ? Got::All : Got::Short;
}

// The end of the well-formed frames (and the extended header) that lie
// within `end`; where the first one that does not is found. Empty when a
// read fails: a frame not seen is no reason to end the tag early.
std::optional<std::uint64_t> framesEnd(FileHead& head, std::uint8_t flags, std::uint64_t end) {
    std::uint64_t at = v2::kHeaderSize;
    std::array<std::uint8_t, v2::kFrameHeaderSize> frame{};
    if (flags & v2::kFlagExtendedHeader) {
        const Got got = copyAt(head, at, std::span(frame).first(v2::kExtendedSizeField));
        if (got == Got::Failed) return std::nullopt;
        const std::uint64_t skipped = v2::kExtendedSizeField + std::uint64_t{readBe32(frame)};
        if (got == Got::Short || at + skipped > end) return at;
        at += skipped;
    }
    while (at + v2::kFrameHeaderSize <= end) {
        const Got got = copyAt(head, at, frame);
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

std::optional<ScanPlan> planScan(FileHead& head) {
    const auto header = head.loaded();
    if (header.size() < v2::kHeaderSize || !hasMarker(header)) return ScanPlan{};
    const std::int64_t declared = v2::decodeSyncsafe(fieldOf(header, v2::kTagSize));
    if (declared < 0) return ScanPlan{};
    const std::uint64_t declaredEnd = v2::kHeaderSize + static_cast<std::uint64_t>(declared);
    ScanPlan plan;
    if (declaredEnd <= head.length()) plan.declaredEnd = declaredEnd;
    if (header[v2::kVersionOffset] != v2::kSupportedVersion || (header[v2::kFlagsOffset] & v2::kFlagUnsynchronised)) {
        return plan;
    }
    const auto walked = framesEnd(head, header[v2::kFlagsOffset], std::min(declaredEnd, head.length()));
    if (!walked) return std::nullopt;
    plan.from = *walked;
    return plan;
}

// OutOfReach: no frame sync where an AudioStart can point.
enum class Scan { Found, NoAudio, Unreadable, OutOfReach };

struct ScanResult {
    Scan outcome = Scan::Unreadable;
    AudioStart audioStart = 0;
};

ScanResult found(std::uint64_t offset) {
    if (offset > kLargestAudioStart) return {Scan::OutOfReach};
    return {Scan::Found, static_cast<AudioStart>(offset)};
}

// Where the first FF Ex pair lies wholly within bytes. The sync bytes are
// looked up with memchr: padding and most tag bytes are no 0xFF, and that
// search is many times faster than a test of every byte.
std::optional<std::size_t> syncPairIn(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* const begin = bytes.data();
    const std::uint8_t* const last = begin + bytes.size() - 1;  // a pair cannot start here
    for (const std::uint8_t* at = begin; at < last; ++at) {
        at = static_cast<const std::uint8_t*>(std::memchr(at, v2::kSyncByte, static_cast<std::size_t>(last - at)));
        if (at == nullptr) return std::nullopt;
        if (at[1] >= v2::kSyncFollowMin) return static_cast<std::size_t>(at - begin);
    }
    return std::nullopt;
}

// The first FF Ex pair from `from` on: in the first block where it lies
// there, then in chunks read from the file.
ScanResult scanForAudio(FileHead& head) {
    const auto plan = planScan(head);
    if (!plan) return {};
    std::vector<std::uint8_t> chunk;
    bool afterSyncByte = false;  // carries a 0xFF at the end of one chunk into the next
    for (std::uint64_t at = plan->from; at < head.length();) {
        std::span<const std::uint8_t> bytes;
        if (at < head.loaded().size()) {
            bytes = head.loaded().subspan(static_cast<std::size_t>(at));
        } else {
            if (at > kLargestAudioStart) return {Scan::OutOfReach};
            chunk.resize(kScanChunk);
            const std::int64_t got = head.copy(at, chunk);
            if (got <= 0) return {};  // a failure, or a file that ended before its length
            bytes = std::span(chunk).first(static_cast<std::size_t>(got));
        }
        if (afterSyncByte && bytes[0] >= v2::kSyncFollowMin) return found(at - 1);
        if (const auto pair = syncPairIn(bytes)) return found(at + *pair);
        afterSyncByte = bytes.back() == v2::kSyncByte;
        at += bytes.size();
    }
    return plan->declaredEnd ? found(*plan->declaredEnd) : ScanResult{Scan::NoAudio};
}

}  // namespace

std::optional<AudioStart> findAudioStart(platform::File& file) {
    const auto fileLength = file.size();
    if (!fileLength) return std::nullopt;
    FileHead head(file, *fileLength);
    if (!head.load()) return std::nullopt;
    const ScanResult scan = scanForAudio(head);
    return scan.outcome == Scan::Found ? std::optional(scan.audioStart) : std::nullopt;
}

TagOutcome v2::measureTag(const char* path, FileHead& head, bool requireMarker, TagExtent& extent) {
    if (!head.load()) return msg::failure(TagFileError, msg::kReadFailed, path);
    if (requireMarker && !hasMarker(head.loaded())) return TagNoV2Header;
    const ScanResult scan = scanForAudio(head);
    if (scan.outcome != Scan::Found) {
        const char* message = scan.outcome == Scan::NoAudio      ? msg::kNoAudio
                              : scan.outcome == Scan::OutOfReach ? msg::kNoAudioInReach
                                                                 : msg::kReadFailed;
        return msg::failure(TagFileError, message, path);
    }
    extent = {scan.audioStart, head.length()};
    return TagSuccess;
}

}  // namespace tags
