#include "tags/filehead.h"

#include <algorithm>
#include <cstring>

#include "tags/v2layout.h"

namespace tags {

bool FileHead::extendTo(std::uint64_t end) {
    end = std::min(end, length_);
    const std::size_t had = block_.size();
    if (end <= had) return true;
    block_.resize(static_cast<std::size_t>(end));
    const auto more = std::span(block_).subspan(had);
    const std::int64_t got = file_.readAt(had, more);
    if (got < 0) return false;
    block_.resize(had + static_cast<std::size_t>(got));  // the file was shorter than it said
    return true;
}

bool FileHead::load() {
    if (!extendTo(kFirstBlock)) return false;
    if (block_.size() < v2::kHeaderSize || !std::ranges::equal(fieldOf(block_, v2::kMarker), v2::kMarkerText)) return true;
    const std::int64_t declared = v2::decodeSyncsafe(fieldOf(block_, v2::kTagSize));
    const std::uint64_t wanted = v2::kHeaderSize + static_cast<std::uint64_t>(std::max<std::int64_t>(declared, 0)) + kPastDeclaredTag;
    return wanted > kLargestReadAhead || extendTo(wanted);
}

std::int64_t FileHead::copy(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= length_ || out.empty()) return 0;
    if (offset + out.size() <= block_.size()) {
        std::memcpy(out.data(), block_.data() + offset, out.size());
        return static_cast<std::int64_t>(out.size());
    }
    return file_.readAt(offset, out);
}

}  // namespace tags
