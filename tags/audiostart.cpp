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

}  // namespace

TagResult v2::measureTag(WindowHandle owner, const char* path, platform::File& file, bool requireMarker,
                         TagExtent& extent) {
    const Marker marker = requireMarker ? readMarker(file) : Marker::Present;
    if (marker == Marker::Absent) return TagNoV2Header;
    const auto audioStart = marker == Marker::Present ? findAudioStart(file) : std::nullopt;
    const auto fileLength = file.size();
    if (!audioStart || !fileLength) {
        msg::show(owner, msg::kReadFailed, path);
        return TagFileError;
    }
    extent = {*audioStart, *fileLength};
    return TagSuccess;
}

std::optional<AudioStart> findAudioStart(platform::File& file) {
    if (!file.seek(0)) return std::nullopt;
    std::array<std::uint8_t, kScanChunk> chunk{};
    std::uint64_t chunkOffset = 0;
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
    if (chunkOffset > kLargestAudioStart) return std::nullopt;
    return static_cast<AudioStart>(chunkOffset);
}

}  // namespace tags
