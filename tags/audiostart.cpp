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

// Where the scan for the audio begins. Pictures and other binary frames often
// hold an FF Ex pair (a JPEG begins FF D8 FF E0), and so does UTF-16 text
// (FF FE); taken for the audio, it would cut the tag inside the frame, and a
// removal or rewrite would leave the rest of the tag before the audio. So,
// in a tag of any version, the scan begins after the well-formed frames that
// lie within the size the header declares (in the file's bytes, where the
// tag is unsynchronised). Without any frame sync the audio can only start
// where a declared tag ends, when that is inside the file; otherwise there
// is no audio to find.
struct ScanPlan {
    std::uint64_t from = 0;
    std::optional<std::uint64_t> declaredEnd;
    // Where the tag ends when its frames are well formed: header, declared size and footer.
    std::optional<std::uint64_t> cleanEnd;
};

ScanPlan planScan(FileHead& head) {
    const auto header = v2::parseHeader(head.loaded());
    if (!header) return {};
    ScanPlan plan;
    const std::uint64_t declaredEnd = header->extent();
    if (declaredEnd <= head.length()) plan.declaredEnd = declaredEnd;
    const v2::TagFrames tag = v2::tagFrames(*header, head.loaded(), v2::kHeaderSize + std::uint64_t{header->size});
    const v2::FrameWalk walk = v2::walkAll(tag.frames, tag.format);
    if (walk.clean()) plan.cleanEnd = declaredEnd;
    plan.from = tag.fileOffset(walk.position());
    return plan;
}

// OutOfReach: no frame sync where an AudioStart can point.
enum class Scan { Found, NoAudio, Unreadable, OutOfReach };

struct ScanResult {
    Scan outcome = Scan::Unreadable;
    AudioStart audioStart = 0;
    std::uint64_t tagEnd = 0;
};

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
    const ScanPlan plan = planScan(head);
    const auto found = [&](std::uint64_t offset) {
        if (offset > kLargestAudioStart) return ScanResult{Scan::OutOfReach};
        // A removal takes the tag and never the audio.
        return ScanResult{Scan::Found, static_cast<AudioStart>(offset),
                          std::min(plan.cleanEnd.value_or(offset), offset)};
    };
    std::vector<std::uint8_t> chunk;
    bool afterSyncByte = false;  // carries a 0xFF at the end of one chunk into the next
    for (std::uint64_t at = plan.from; at < head.length();) {
        std::span<const std::uint8_t> bytes;
        if (at < head.loaded().size()) {
            bytes = head.loaded().subspan(static_cast<std::size_t>(at));
        } else {
            // A hole reads as zeros, which hold no sync: the scan goes on after it.
            if (const std::uint64_t data = head.nextData(at); data > at) {
                if (data > kLargestAudioStart) return {Scan::OutOfReach};
                at = data;
                afterSyncByte = false;
                continue;
            }
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
    return plan.declaredEnd ? found(*plan.declaredEnd) : ScanResult{Scan::NoAudio};
}

}  // namespace

std::optional<TagBounds> findTagBounds(platform::File& file) {
    const auto fileLength = file.size();
    if (!fileLength) return std::nullopt;
    FileHead head(file, *fileLength);
    if (!head.load()) return std::nullopt;
    const ScanResult scan = scanForAudio(head);
    if (scan.outcome != Scan::Found) return std::nullopt;
    return TagBounds{scan.audioStart, scan.tagEnd};
}

std::optional<AudioStart> findAudioStart(platform::File& file) {
    const auto bounds = findTagBounds(file);
    return bounds ? std::optional(bounds->audioStart) : std::nullopt;
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
    extent = {scan.audioStart, head.length(), scan.tagEnd};
    return TagSuccess;
}

}  // namespace tags
