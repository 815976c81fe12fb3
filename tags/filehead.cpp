#include "tags/filehead.h"

#include <algorithm>
#include <cstring>

#include "tags/v2header.h"

namespace tags {

void FileHead::attach(platform::File& file, std::uint64_t length) {
    file_ = &file;
    length_ = length;
    size_ = 0;
}

bool FileHead::loadTo(std::uint64_t end) {
    end = std::min(end, length_);
    if (!file_) return true;
    if (end <= size_) return true;
    if (end > capacity_) {
        std::unique_ptr<std::uint8_t[]> larger(new std::uint8_t[static_cast<std::size_t>(end)]);
        if (size_ > 0) std::memcpy(larger.get(), block_.get(), size_);
        block_ = std::move(larger);
        capacity_ = static_cast<std::size_t>(end);
    }
    const std::int64_t got =
        file_->readAt(size_, std::span(block_.get() + size_, static_cast<std::size_t>(end) - size_));
    if (got < 0) return false;
    size_ += static_cast<std::size_t>(got);  // fewer when the file was shorter than it said
    return true;
}

bool FileHead::load() {
    if (!loadTo(kFirstBlock)) return false;
    const auto header = v2::parseHeader(loaded());
    if (!header) return true;
    // A size that lies beyond the file is not read ahead when it is large; a
    // tag the file holds is read whole, for its frames to be walked in memory.
    const std::uint64_t wanted = header->extent() + kPastDeclaredTag;
    return (wanted > kLargestReadAhead && header->extent() > length_) || loadTo(wanted);
}

std::int64_t FileHead::copy(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset >= length_ || out.empty()) return 0;
    if (offset + out.size() <= size_) {
        std::memcpy(out.data(), block_.get() + offset, out.size());
        return static_cast<std::int64_t>(out.size());
    }
    return file_->readAt(offset, out);
}

}  // namespace tags
