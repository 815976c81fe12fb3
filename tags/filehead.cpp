#include "tags/filehead.h"

#include <algorithm>
#include <cstring>

#include "tags/v2layout.h"

namespace tags {

bool FileHead::extendTo(std::uint64_t end) {
    end = std::min(end, length_);
    if (end <= size_) return true;
    std::unique_ptr<std::uint8_t[]> larger(new std::uint8_t[static_cast<std::size_t>(end)]);
    if (size_ > 0) std::memcpy(larger.get(), block_.get(), size_);
    block_ = std::move(larger);
    const std::int64_t got = file_.readAt(size_, std::span(block_.get() + size_, static_cast<std::size_t>(end) - size_));
    if (got < 0) return false;
    size_ += static_cast<std::size_t>(got);  // fewer when the file was shorter than it said
    return true;
}

bool FileHead::load() {
    if (!extendTo(kFirstBlock)) return false;
    const auto block = loaded();
    if (block.size() < v2::kHeaderSize || !std::ranges::equal(fieldOf(block, v2::kMarker), v2::kMarkerText)) return true;
    const std::int64_t declared = v2::decodeSyncsafe(fieldOf(block, v2::kTagSize));
    const std::uint64_t wanted = v2::kHeaderSize + static_cast<std::uint64_t>(std::max<std::int64_t>(declared, 0)) + kPastDeclaredTag;
    return wanted > kLargestReadAhead || extendTo(wanted);
}

std::int64_t FileHead::copy(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= length_ || out.empty()) return 0;
    if (offset + out.size() <= size_) {
        std::memcpy(out.data(), block_.get() + offset, out.size());
        return static_cast<std::int64_t>(out.size());
    }
    return file_.readAt(offset, out);
}

}  // namespace tags
