#include "platform/ui/listitems.h"

#include <iterator>

namespace platform {

ListItems::Place ListItems::locate(std::size_t index) const {
    for (std::size_t chunk = 0; chunk < chunks_.size(); ++chunk) {
        if (index < chunks_[chunk].size()) return {chunk, index};
        index -= chunks_[chunk].size();
    }
    return {chunks_.size(), 0};
}

ListItem& ListItems::operator[](std::size_t index) {
    const Place place = locate(index);
    return chunks_[place.chunk][place.offset];
}

const ListItem& ListItems::operator[](std::size_t index) const {
    const Place place = locate(index);
    return chunks_[place.chunk][place.offset];
}

void ListItems::insert(std::size_t index, ListItem item) {
    if (chunks_.empty()) chunks_.emplace_back();
    // At the very end the last chunk takes it.
    Place place = index >= size_ ? Place{chunks_.size() - 1, chunks_.back().size()} : locate(index);
    auto& chunk = chunks_[place.chunk];
    chunk.insert(chunk.begin() + static_cast<std::ptrdiff_t>(place.offset), std::move(item));
    ++size_;
    if (chunk.size() < 2 * kChunkSize) return;
    std::vector<ListItem> upper(std::make_move_iterator(chunk.begin() + kChunkSize), std::make_move_iterator(chunk.end()));
    chunk.resize(kChunkSize);
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(place.chunk) + 1, std::move(upper));
}

void ListItems::erase(std::size_t index) {
    const Place place = locate(index);
    auto& chunk = chunks_[place.chunk];
    chunk.erase(chunk.begin() + static_cast<std::ptrdiff_t>(place.offset));
    --size_;
    if (chunk.empty()) chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(place.chunk));
}

void ListItems::clear() {
    chunks_.clear();
    size_ = 0;
}

}  // namespace platform
